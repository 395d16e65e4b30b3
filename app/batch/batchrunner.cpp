#include "batchrunner.h"

#include "activitylog.h"
#include "mainwindow.h"
#include "scenefingerprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>

using namespace radarlink;

namespace {
const QString Read = QStringLiteral("read");
const QString Unchanged = QStringLiteral("unchanged");
const QString Applied = QStringLiteral("applied");
const QString Saved = QStringLiteral("saved");
const QString Equal = QStringLiteral("equal");
const QString DifferentResult = QStringLiteral("different");
const QString Failed = QStringLiteral("failed");

bool isCfg(const QString &path)
{
    return path.endsWith(QLatin1String(".cfg"), Qt::CaseInsensitive);
}

QString fingerprintOf(const WireScene &scene)
{
    return fingerprintText(sceneFingerprint(scene));
}

// The form took the .cfg's values as they are (a spin box holds two decimals); a value beyond a
// control's range or an item the list does not have was changed on the way in. A channel radar's
// form keeps its warning distance at the alarm distance, as its import always has.
bool formHolds(const SceneConfig &wanted, const SceneConfig &form, bool warningShown)
{
    const auto same = [](double a, double b) { return std::abs(a - b) < 0.005; };
    return same(wanted.detectionFar, form.detectionFar) && same(wanted.detectionNear, form.detectionNear)
           && (!warningShown || same(wanted.warningFar, form.warningFar)) && same(wanted.alarmFar, form.alarmFar)
           && same(wanted.leftBoundary, form.leftBoundary) && same(wanted.rightBoundary, form.rightBoundary)
           && wanted.detectionAngle == form.detectionAngle && wanted.gridIndex == form.gridIndex
           && wanted.targetDirectionIndex == form.targetDirectionIndex && wanted.targetTypeIndex == form.targetTypeIndex;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// A text of several lines on standard error: the later lines indented under the first.
QString indented(const QString &text)
{
    return text.trimmed().replace(QLatin1Char('\n'), QStringLiteral("\n    "));
}
} // namespace

BatchRunner::BatchRunner(MainWindow &w, QTextStream &o, QTextStream &e) : window(w), out(o), err(e)
{
    listening << QObject::connect(&window, &MainWindow::unattendedText, &window,
                                  [this](MainWindow::UnattendedText kind, const QString &text) { noteWindowText(kind, text); });
    listening << QObject::connect(&window, &MainWindow::printThread, &window, [this](const QString &line) {
        if (needsOperator(line.trimmed()))
            operatorLines << line.trimmed();
    });
}

BatchRunner::~BatchRunner()
{
    for (const QMetaObject::Connection &connection : qAsConst(listening))
        QObject::disconnect(connection);
}

QString BatchRunner::readFileFor(const QString &given, const QString &serial, bool severalPorts)
{
    if (!severalPorts)
        return given;
    const QString name = QFileInfo(given).fileName();
    const QString suffix = QFileInfo(given).suffix();
    const QString base = suffix.isEmpty() ? name : name.chopped(suffix.size() + 1);
    // The folder as given, relative or not.
    return given.chopped(name.size()) + base + QLatin1Char('-') + serial
           + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

int BatchRunner::run(const Options &given)
{
    options = given;
    QString problem;
    if (!loadSource(&problem)) {
        err << problem << '\n';
        err.flush();
        return BadInput;
    }
    bool anyFailed = false, anyDifferent = false;
    for (const QString &port : qAsConst(options.ports)) {
        const Radar radar = runOne(port);
        report(radar);
        anyFailed = anyFailed || radar.result == Failed;
        anyDifferent = anyDifferent || radar.result == DifferentResult;
    }
    return anyFailed ? RadarFailed : anyDifferent ? Different : AllDone;
}

bool BatchRunner::loadSource(QString *error)
{
    if (options.action == Action::Read) {
        // Where the files go must be there before any radar is read.
        const QFileInfo target(options.file);
        if (!target.absoluteDir().exists()) {
            *error = tr("找不到要写入的文件夹：%1").arg(QDir::toNativeSeparators(target.absolutePath()));
            return false;
        }
        return true;
    }
    source = Source();
    source.cfg = isCfg(options.file);
    if (!source.cfg)
        return readSceneFile(options.file, &source.scene, error);
    QFile file(options.file);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("场景文件无法读取：%1").arg(QDir::toNativeSeparators(options.file));
        return false;
    }
    const QByteArray bytes = file.read(SceneConfigSize + 1);
    if (bytes.size() != SceneConfigSize) {
        *error = tr("不是 64 字节的 .cfg 场景文件：%1").arg(QDir::toNativeSeparators(options.file));
        return false;
    }
    source.config = decodeSceneConfig(bytes);
    // A distance that is no number is read as 0, which would then be sent.
    if (encodeSceneConfig(source.config) != bytes) {
        *error = tr(".cfg 场景文件中有无效的数值：%1").arg(QDir::toNativeSeparators(options.file));
        return false;
    }
    return true;
}

BatchRunner::Radar BatchRunner::runOne(const QString &port)
{
    Radar radar;
    radar.port = port;
    currentPort = port;
    historyFailures.clear();
    beginStep(tr("连接，等待雷达就绪后读回身份和场景"));
    QString portProblem;
    const MainWindow::ReadBack readBack = window.connectAndReadBack(port, &portProblem);
    if (window.identityRead()) {
        radar.identified = true;
        radar.serial = window.serialNumberText();
        radar.deviceType = window.deviceType;
        radar.station = window.stationNumber;
    }
    switch (readBack) {
    case MainWindow::ReadBack::PortNotOpened:
        fail(radar, QStringLiteral("open"), tr("无法打开串口 %1：%2").arg(port, portProblem));
        break;
    case MainWindow::ReadBack::NoIdentity:
        fail(radar, QStringLiteral("identity"), windowSaid(tr("雷达没有给出身份")));
        break;
    case MainWindow::ReadBack::NoScene:
        fail(radar, QStringLiteral("scene_read"), windowSaid(tr("雷达没有给出场景")));
        break;
    case MainWindow::ReadBack::Done:
        radar.fingerprintBefore = window.radarFingerprint();
        switch (options.action) {
        case Action::Read:
            read(radar);
            break;
        case Action::Apply:
            apply(radar);
            break;
        case Action::Verify:
            verify(radar);
            break;
        }
        break;
    }
    // After a flash save the window has disconnected already, as it always does.
    if (window.linkUsable())
        window.disconnectRadar();
    radar.historyFailures = historyFailures;
    return radar;
}

void BatchRunner::read(Radar &radar)
{
    radar.fingerprintAfter = radar.fingerprintBefore;
    radar.file = readFileFor(options.file, radar.serial, options.ports.size() > 1);
    beginStep(tr("写入文件 %1").arg(QDir::toNativeSeparators(radar.file)));
    // Two radars with one serial number would share a name: the second would overwrite the first.
    if (filesWritten.contains(QFileInfo(radar.file).absoluteFilePath()))
        return fail(radar, QStringLiteral("write_file"),
                    tr("没有写入 %1：本次已为另一台序列号相同的雷达写入了这个文件").arg(QDir::toNativeSeparators(radar.file)));
    QString error;
    if (isCfg(radar.file)) {
        // The form holds the radar's scene now, as "导出配置" would write it.
        radar.cellsLeftOut = true;
        QSaveFile file(radar.file);
        if (!file.open(QIODevice::WriteOnly) || file.write(encodeSceneConfig(window.sceneFromForm())) != SceneConfigSize
            || !file.commit()) {
            error = tr("文件无法写入：%1").arg(QDir::toNativeSeparators(radar.file));
            file.cancelWriting();
        }
    } else {
        writeSceneFile(radar.file, SceneFile{radar.deviceType, window.radarScene}, &error);
    }
    if (!error.isEmpty())
        return fail(radar, QStringLiteral("write_file"), error);
    filesWritten << QFileInfo(radar.file).absoluteFilePath();
    radar.result = Read;
}

bool BatchRunner::expectedScene(Radar &radar, WireScene *expected)
{
    if (!source.cfg) {
        const int fileType = source.scene.deviceType;
        if (options.action == Action::Apply && fileType != radar.deviceType && !options.force) {
            const auto name = [](int type) { return MainWindow::deviceTypeNames.value(type, QString::number(type)); };
            fail(radar, QStringLiteral("device_type"),
                 tr("场景文件是为%1准备的，而这台雷达是%2：没有写入（--force 仍然写入）").arg(name(fileType), name(radar.deviceType)));
            return false;
        }
        *expected = source.scene.scene;
        return true;
    }
    // A .cfg holds the scene group's values and no cells: they go through the form as "导入配置"
    // puts them there, and the radar's own cells stay as they are.
    radar.cellsFromRadar = true;
    window.applySceneToForm(source.config);
    if (!formHolds(source.config, window.sceneFromForm(), window.shownSceneItems().warning)) {
        fail(radar, QStringLiteral("load"), tr(".cfg 场景文件中的数值超出了表单的范围：%1").arg(QDir::toNativeSeparators(options.file)));
        return false;
    }
    *expected = window.toolScene();
    expected->cells = window.radarScene.cells;
    QString error;
    if (!window.applyWireSceneToForm(*expected, &error)) {
        fail(radar, QStringLiteral("load"), error);
        return false;
    }
    return true;
}

void BatchRunner::apply(Radar &radar)
{
    WireScene expected;
    if (!expectedScene(radar, &expected))
        return;
    radar.expected = fingerprintOf(expected);
    if (radar.fingerprintBefore == radar.expected && !options.force) {
        radar.fingerprintAfter = radar.fingerprintBefore;
        radar.result = Unchanged;
        return;
    }
    if (!source.cfg && !window.loadSceneIntoForm(source.scene, QDir::toNativeSeparators(options.file)))
        return fail(radar, QStringLiteral("load"), windowSaid(tr("表单无法容纳这个场景")));

    beginStep(tr("发送场景，场景指纹 %1").arg(radar.expected));
    QString unanswered;
    if (!window.sendScene(&unanswered)) {
        const QString said = windowSaid(tr("场景没有发送完"));
        // The radar as the partial send left it, when it still answers.
        beginStep(tr("读回发送中断后雷达中的场景"));
        const bool held = window.verifyHeldScene(expected) != MainWindow::SceneCheck::Unanswered;
        radar.fingerprintAfter = held ? window.radarFingerprint() : QString();
        const QString left = held ? tr("发送中断后雷达中的场景指纹：%1").arg(radar.fingerprintAfter)
                                  : tr("发送中断后雷达没有应答读取：雷达中的场景未确认");
        return fail(radar, unanswered.isEmpty() ? QStringLiteral("send") : unanswered, said + tr("；") + left);
    }

    beginStep(tr("读回雷达中的场景"));
    const MainWindow::SceneCheck check = window.verifyHeldScene(expected);
    if (check == MainWindow::SceneCheck::Unanswered)
        return fail(radar, QStringLiteral("read_back"), windowSaid(tr("雷达没有应答读回")));
    radar.fingerprintAfter = window.radarFingerprint();
    if (check == MainWindow::SceneCheck::Different)
        return fail(radar, QStringLiteral("fingerprint"),
                    tr("读回的场景指纹 %1 与文件的 %2 不同").arg(radar.fingerprintAfter, radar.expected));
    radar.result = Applied;
    if (!options.saveToFlash)
        return;
    beginStep(tr("保存到 flash"));
    if (!window.saveSceneToFlash())
        return fail(radar, QStringLiteral("flash_save"), windowSaid(tr("雷达没有应答保存设置")));
    radar.result = Saved;
}

void BatchRunner::verify(Radar &radar)
{
    WireScene expected;
    if (!expectedScene(radar, &expected))
        return;
    radar.expected = fingerprintOf(expected);
    beginStep(tr("读取雷达中的场景并与文件比较，场景指纹 %1").arg(radar.expected));
    const MainWindow::SceneCheck check = window.verifyHeldScene(expected);
    if (check == MainWindow::SceneCheck::Unanswered)
        return fail(radar, QStringLiteral("read_back"), windowSaid(tr("雷达没有应答读取")));
    radar.fingerprintAfter = window.radarFingerprint();
    radar.result = check == MainWindow::SceneCheck::Equal ? Equal : DifferentResult;
}

void BatchRunner::fail(Radar &radar, const QString &step, const QString &message)
{
    radar.result = Failed;
    radar.step = step;
    radar.message = message;
}

QString BatchRunner::windowSaid(const QString &fallback) const
{
    if (!boxTexts.isEmpty())
        return boxTexts.join(tr("；"));
    return operatorLines.isEmpty() ? fallback : operatorLines.constLast();
}

void BatchRunner::beginStep(const QString &text)
{
    boxTexts.clear();
    operatorLines.clear();
    err << tr("[%1] %2").arg(currentPort, text) << '\n';
    err.flush();
}

void BatchRunner::noteWindowText(MainWindow::UnattendedText kind, const QString &text)
{
    switch (kind) {
    case MainWindow::UnattendedText::Message:
        boxTexts << text;
        err << tr("[%1] 提示：%2").arg(currentPort, indented(text)) << '\n';
        break;
    case MainWindow::UnattendedText::Question:
        err << tr("[%1] 问题（自动回答“是”）：%2").arg(currentPort, indented(text)) << '\n';
        break;
    case MainWindow::UnattendedText::HistoryFailure:
        historyFailures << text;
        err << tr("[%1] %2").arg(currentPort, text) << '\n';
        break;
    }
    err.flush();
}

QJsonObject BatchRunner::jsonOf(const Radar &radar) const
{
    QJsonObject object{
        {QStringLiteral("port"), radar.port},
        {QStringLiteral("serial"), radar.identified ? QJsonValue(radar.serial) : QJsonValue()},
        {QStringLiteral("device_type"), radar.identified ? QJsonValue(radar.deviceType) : QJsonValue()},
        {QStringLiteral("station"), radar.identified ? QJsonValue(radar.station) : QJsonValue()},
        {QStringLiteral("fingerprint_before"), textOrNull(radar.fingerprintBefore)},
        {QStringLiteral("fingerprint_after"), textOrNull(radar.fingerprintAfter)},
        {QStringLiteral("result"), radar.result},
    };
    if (options.action != Action::Read)
        object.insert(QStringLiteral("expected_fingerprint"), textOrNull(radar.expected));
    if (!radar.file.isEmpty())
        object.insert(QStringLiteral("file"), radar.file);
    if (radar.cellsFromRadar)
        object.insert(QStringLiteral("cells_from_radar"), true);
    if (radar.cellsLeftOut)
        object.insert(QStringLiteral("cells_left_out"), true);
    if (radar.result == Failed) {
        object.insert(QStringLiteral("step"), radar.step);
        object.insert(QStringLiteral("message"), radar.message);
    } else if (!radar.historyFailures.isEmpty()) {
        object.insert(QStringLiteral("message"), radar.historyFailures.join(tr("；")));
    }
    return object;
}

QString BatchRunner::lineOf(const Radar &radar) const
{
    QString outcome;
    if (radar.result == Read)
        outcome = tr("已读取，场景指纹 %1，写入 %2").arg(radar.fingerprintAfter, QDir::toNativeSeparators(radar.file));
    else if (radar.result == Unchanged)
        outcome = tr("场景指纹 %1 已与文件的相同，没有写入").arg(radar.fingerprintAfter);
    else if (radar.result == Applied)
        outcome = tr("已应用，场景指纹 %1 → %2").arg(radar.fingerprintBefore, radar.fingerprintAfter);
    else if (radar.result == Saved)
        outcome = tr("已应用并保存到 flash，场景指纹 %1 → %2").arg(radar.fingerprintBefore, radar.fingerprintAfter);
    else if (radar.result == Equal)
        outcome = tr("与文件一致，场景指纹 %1").arg(radar.fingerprintAfter);
    else if (radar.result == DifferentResult)
        outcome = tr("与文件不一致：雷达中的场景指纹 %1，文件的 %2").arg(radar.fingerprintAfter, radar.expected);
    else
        outcome = tr("失败（%1）：%2").arg(radar.step, radar.message);
    if (radar.cellsFromRadar)
        outcome += tr("（.cfg 不含非报警区域网格：按雷达中的网格）");
    if (radar.cellsLeftOut)
        outcome += tr("（.cfg 不含非报警区域网格）");
    if (radar.result != Failed && !radar.historyFailures.isEmpty())
        outcome += tr("；") + radar.historyFailures.join(tr("；"));
    if (!radar.identified)
        return tr("%1：%2").arg(radar.port, outcome);
    const QString type = MainWindow::deviceTypeNames.value(radar.deviceType, QString::number(radar.deviceType));
    return tr("%1：%2 %3，站号 %4：%5").arg(radar.port, type, radar.serial).arg(radar.station).arg(outcome);
}

void BatchRunner::report(const Radar &radar)
{
    if (options.json)
        out << QJsonDocument(jsonOf(radar)).toJson(QJsonDocument::Compact) << '\n';
    else
        out << lineOf(radar) << '\n';
    out.flush();
}
