// Chinese and English at run time: the main form and its device-dependent texts, the dialogs
// that are open during a switch, the log's green and red lines, the language remembered in
// lang.cfg for the next start, and the English catalogue measured against the code.
#include "sessionfixture.h"

#include "activitylog.h"
#include "commandtable.h"
#include "dialogcan.h"
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialogspinbox.h"
#include "ui_dialogcan.h"
#include "ui_dialogceliang.h"
#include "ui_dialogframelimt.h"
#include "ui_dialogspinbox.h"
#include "dialoggetdata.h"
#include "dialogupdate.h"
#include "ui_dialoggetdata.h"
#include "ui_dialogupdate.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

const QString Green = QStringLiteral("#008000");
const QString Red = QStringLiteral("#ff0000");
const QString DefaultColour = QStringLiteral("default");

// One entry of a .ts catalogue.
struct Message
{
    QString context;
    QString source;
    QString translation;
    QString type; // empty for a finished entry, "unfinished", "obsolete" or "vanished"

    bool finished() const { return type.isEmpty() && !translation.isEmpty(); }
};

QString keyOf(const QString &context, const QString &source)
{
    return context + QLatin1String(" | ") + source;
}

QString cataloguePath()
{
    return QStringLiteral(RADAR_SOURCE_DIR "/resources/language/lang_en.ts");
}

// Reads a .ts file; a file that cannot be read or parsed leaves a reason in error.
QList<Message> readCatalogue(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return {};
    }
    QList<Message> messages;
    QString context;
    Message current;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                current = Message{context, QString(), QString(), QString()};
            } else if (name == QLatin1String("source")) {
                current.source = xml.readElementText();
            } else if (name == QLatin1String("translation")) {
                current.type = xml.attributes().value(QLatin1String("type")).toString();
                current.translation = xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            messages << current;
        }
    }
    if (xml.hasError())
        *error = path + QStringLiteral(": ") + xml.errorString();
    return messages;
}

// Everything the program passes through the translation function: what lupdate finds in the
// code, and the command table's log texts, which are translated under "MainWindow" when used.
QSet<QString> translatedInTheCode(QString *error)
{
    QSet<QString> keys;
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        *error = QStringLiteral("no scratch folder");
        return keys;
    }
    const QString scan = scratch.filePath(QStringLiteral("scan.ts"));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(RADAR_SOURCE_DIR));
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(RADAR_LUPDATE),
                  {QStringLiteral("app"), QStringLiteral("link"), QStringLiteral("view"), QStringLiteral("dialogs"),
                   QStringLiteral("-no-obsolete"), QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral("-silent"), QStringLiteral("-ts"), scan});
    if (!lupdate.waitForFinished(120000) || lupdate.exitStatus() != QProcess::NormalExit
        || lupdate.exitCode() != 0) {
        *error = QStringLiteral("lupdate failed: ") + QString::fromLocal8Bit(lupdate.readAll());
        return keys;
    }
    for (const Message &m : readCatalogue(scan, error))
        keys.insert(keyOf(m.context, m.source));

    int count = 0;
    const RadarCommand *const *commands = RadarCommands::all(&count);
    for (int i = 0; i < count; ++i) {
        const RadarCommand *c = commands[i];
        for (const char *text : {c->requestPrefix, c->replyPrefix, c->timeoutLine, c->lengthLine, c->syncLine})
            if (text)
                keys.insert(keyOf(QStringLiteral("MainWindow"), QString::fromUtf8(text)));
    }
    return keys;
}

QStringList placeholders(const QString &text)
{
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

bool hasIdeograph(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

// Every text a window shows, as "object.property<TAB>text", in a fixed order.
QStringList shownTexts(const QWidget *window)
{
    QStringList texts;
    const auto add = [&texts](const QObject *o, const QString &what, const QString &text) {
        texts << o->objectName() + QLatin1Char('.') + what + QLatin1Char('\t') + text;
    };
    add(window, QStringLiteral("title"), window->windowTitle());
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        if (const auto *label = qobject_cast<const QLabel *>(w)) {
            add(w, QStringLiteral("text"), label->text());
        } else if (const auto *button = qobject_cast<const QAbstractButton *>(w)) {
            add(w, QStringLiteral("text"), button->text());
        } else if (const auto *group = qobject_cast<const QGroupBox *>(w)) {
            add(w, QStringLiteral("title"), group->title());
        } else if (const auto *box = qobject_cast<const QComboBox *>(w)) {
            for (int i = 0; i < box->count(); ++i)
                add(w, QStringLiteral("item%1").arg(i), box->itemText(i));
        } else if (const auto *menu = qobject_cast<const QMenu *>(w)) {
            add(w, QStringLiteral("title"), menu->title());
        } else if (const auto *dock = qobject_cast<const QDockWidget *>(w)) {
            add(w, QStringLiteral("title"), dock->windowTitle());
        }
    }
    for (const QAction *action : window->findChildren<QAction *>()) {
        add(action, QStringLiteral("text"), action->text());
        add(action, QStringLiteral("toolTip"), action->toolTip());
    }
    return texts;
}

QString shownValue(const QString &entry)
{
    return entry.mid(entry.indexOf(QLatin1Char('\t')) + 1);
}

QString colourOf(const QListWidgetItem *item)
{
    const QVariant brush = item->data(Qt::ForegroundRole);
    return brush.isValid() ? brush.value<QBrush>().color().name() : DefaultColour;
}

// The colour the log gives a line that came from this Chinese text.
QString colourForSource(const QString &chinese)
{
    if (chinese.contains(QStringLiteral("成功")))
        return Green;
    if (chinese.contains(QStringLiteral("失败")))
        return Red;
    return DefaultColour;
}

bool langFileExists()
{
    return QFileInfo::exists(QStringLiteral("lang.cfg"));
}

QByteArray langFile()
{
    QFile file(QStringLiteral("lang.cfg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeLangFile(const QByteArray &content)
{
    QFile file(QStringLiteral("lang.cfg"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

// The application posts the language change to every window; the windows then answer it.
void deliverLanguageChange()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
}

} // namespace

class TestLanguage : public SessionFixture
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> workDir;
    QString previousDir;
    QList<Message> catalogue;

    QHash<QString, Message> catalogueByKey() const
    {
        QHash<QString, Message> byKey;
        for (const Message &m : catalogue)
            byKey.insert(keyOf(m.context, m.source), m);
        return byKey;
    }

private slots:
    void initTestCase()
    {
        installWarningGuard();
        previousDir = QDir::currentPath();
        QString error;
        catalogue = readCatalogue(cataloguePath(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!catalogue.isEmpty());
    }
    // Every test runs in a working directory of its own: that is where lang.cfg lives.
    void init()
    {
        workDir = std::make_unique<QTemporaryDir>();
        QVERIFY(workDir->isValid());
        QVERIFY(QDir::setCurrent(workDir->path()));
    }
    void cleanup()
    {
        endSession();
        QDir::setCurrent(previousDir);
        workDir.reset();
    }

    // ---- The catalogue -------------------------------------------------------------------

    void catalogueCoversWhatTheCodeTranslates()
    {
        QString error;
        const QSet<QString> wanted = translatedInTheCode(&error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // The scan saw the code at all: the form, the colour words and the command table.
        QVERIFY(wanted.contains(keyOf("MainWindow", "发送雷达场景参数")));
        QVERIFY(wanted.contains(keyOf("QObject", "成功")));
        QVERIFY(wanted.contains(keyOf("MainWindow", "读取ID命令：超时或无返回值")));

        // Texts of the form that read the same in both languages.
        const QSet<QString> sameInBoth = {"LOG", "000000000000", "中文(Chinese)", "英语(English)", "语言(language)",
                                          "0.25", "0.5", "1", "1.5", "2", "120", "90", "60"};
        QStringList problems;
        QHash<QString, Message> byKey;
        for (const Message &m : qAsConst(catalogue)) {
            const QString key = keyOf(m.context, m.source);
            if (byKey.contains(key))
                problems << QStringLiteral("twice in the catalogue: ") + key;
            byKey.insert(key, m);
            if (m.type == QLatin1String("obsolete") || m.type == QLatin1String("vanished"))
                problems << QStringLiteral("marked obsolete: ") + key;
            else if (!wanted.contains(key))
                problems << QStringLiteral("no longer in the code: ") + key;
        }
        for (const QString &key : wanted) {
            const auto it = byKey.constFind(key);
            if (it == byKey.constEnd()) {
                problems << QStringLiteral("missing from the catalogue: ") + key;
                continue;
            }
            const bool untranslated = it->context == QLatin1String("DialogCan")
                                      || (it->context == QLatin1String("MainWindow") && sameInBoth.contains(it->source));
            if (untranslated) {
                if (!it->translation.isEmpty())
                    problems << QStringLiteral("must stay as written: ") + key;
            } else if (!it->finished()) {
                problems << QStringLiteral("not translated: ") + key;
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void placeholdersSurviveTranslation()
    {
        QStringList problems;
        int withPlaceholders = 0;
        for (const Message &m : qAsConst(catalogue)) {
            if (!m.finished())
                continue;
            if (!placeholders(m.source).isEmpty())
                ++withPlaceholders;
            if (placeholders(m.source) != placeholders(m.translation))
                problems << keyOf(m.context, m.source) + QStringLiteral(" -> ") + m.translation;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // The length lines, the resend count and the plot's numbers all carry one.
        QVERIFY(withPlaceholders >= 4);
    }

    // The log colours a line by the English words for 成功 and 失败: every text that came from
    // a Chinese text with the word carries its English word, and no other text does.
    void successAndFailureWordsMarkTheSameTexts()
    {
        const QHash<QString, Message> byKey = catalogueByKey();
        const QString success = byKey.value(keyOf("QObject", "成功")).translation;
        const QString failure = byKey.value(keyOf("QObject", "失败")).translation;
        QCOMPARE(success, QStringLiteral("success"));
        QCOMPARE(failure, QStringLiteral("failed"));

        QStringList problems;
        int successTexts = 0;
        int failureTexts = 0;
        for (const Message &m : qAsConst(catalogue)) {
            if (!m.finished())
                continue;
            const bool wasSuccess = m.source.contains(QStringLiteral("成功"));
            const bool wasFailure = m.source.contains(QStringLiteral("失败"));
            successTexts += wasSuccess;
            failureTexts += wasFailure;
            if (wasSuccess != m.translation.contains(success))
                problems << QStringLiteral("success word: ") + keyOf(m.context, m.source) + " -> " + m.translation;
            if (wasFailure != m.translation.contains(failure))
                problems << QStringLiteral("failure word: ") + keyOf(m.context, m.source) + " -> " + m.translation;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY(successTexts >= 5);
        QVERIFY(failureTexts >= 5);
    }

    // What the build compiled in is what the catalogue says; the Chinese catalogue is empty.
    void compiledCataloguesMatchTheSource()
    {
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/res/language/lang_en.qm")));
        QTranslator chinese;
        QVERIFY(chinese.load(QStringLiteral(":/res/language/lang_zh_CN.qm")));
        QVERIFY(chinese.isEmpty());
        QStringList problems;
        for (const Message &m : qAsConst(catalogue)) {
            const QByteArray context = m.context.toUtf8();
            const QByteArray source = m.source.toUtf8();
            // lrelease takes every filled-in entry the code still uses, finished or not.
            const bool compiledIn = m.type.isEmpty() || m.type == QLatin1String("unfinished");
            const QString expected = compiledIn ? m.translation : QString();
            const QString compiled = english.translate(context.constData(), source.constData());
            if (compiled != expected)
                problems << keyOf(m.context, m.source) + QStringLiteral(" -> ") + compiled;
            if (!chinese.translate(context.constData(), source.constData()).isEmpty())
                problems << QStringLiteral("Chinese catalogue translates ") + keyOf(m.context, m.source);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void tellingEntries_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        const auto row = [](const char *context, const char *chinese, const char *english) {
            QTest::addRow("%s %s", context, chinese) << QString::fromUtf8(context) << QString::fromUtf8(chinese)
                                                     << QString::fromUtf8(english);
        };
        row("MainWindow", "测量距离", "Measuring Distance");
        row("DialogCeLiang", "测量距离", "Measuring Distance");
        row("MainWindow", "继电器灵敏度", "Relay Sensitivity");
        row("DialogFrameLimt", "继电器灵敏度", "Relay Sensitivity");
        row("MainWindow", "结果查询", "Ask");
        row("MainWindow", "不区分", "All Direction");
        row("MainWindow", "远离雷达", "Be away from radar");
        row("MainWindow", "雷达场景参数设置成功", "Radar scene parameters set successfully");
        row("MainWindow", "    ：车辆", "    ：Cars");
        row("MainWindow", "站点号", "Site Number");
        row("DialogSpinBos", "Dialog", "Dialog");
        row("DialogSpinBos", "确定", "Confirm");
        row("DialogUpdate", "擦除", "Erase");
        row("DialogUpdate", "烧录", "Burn");
        row("DialogUpdate", "校验", "Check");
        row("DialogUpdate", "重发请求超过%1次", "More than %1 resend requests");
        row("DialogGetData", "/采样数据", "/Sampled Data");
        row("QObject", "成功", "success");
        row("QObject", "失败", "failed");
        row("QObject", "区域安全扫描雷达", "Area Safety Scanning Radar");
        row("DialogCan", "发送", "发送");
        row("DialogCan", "取消", "取消");
    }
    // Looked up the way the program looks them up, after each switch of a real window.
    void tellingEntries()
    {
        QFETCH(QString, context);
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        const QByteArray c = context.toUtf8();
        const QByteArray s = chinese.toUtf8();
        MainWindow w;
        w.ui->action_English->trigger();
        QCOMPARE(QCoreApplication::translate(c.constData(), s.constData()), english);
        w.ui->action_Chinese->trigger();
        QCOMPARE(QCoreApplication::translate(c.constData(), s.constData()), chinese);
    }

    // ---- The main window -----------------------------------------------------------------

    void formFollowsEverySwitch()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.ui;
        w.ui->action_Chinese->trigger();
        QCOMPARE(langFile(), QByteArray("lang_zh_CN"));
        // The refresh fills in the channel radar the window assumes until a radar has been read.
        QCOMPARE(ui->labelDevType->text(), QStringLiteral("设备类型：通道预警雷达"));
        QCOMPARE(itemTexts(ui->comboBoxTargetType), (QStringList{"不筛选目标", "行人", "车辆"}));
        const QStringList chinese = shownTexts(&w);

        ui->action_English->trigger();
        QCOMPARE(langFile(), QByteArray("lang_en"));
        const QStringList english = shownTexts(&w);
        QCOMPARE(english.size(), chinese.size());
        const QSet<QString> sameInBoth = {"中文(Chinese)", "英语(English)", "语言(language)"};
        QStringList leftInChinese;
        for (const QString &entry : english)
            if (hasIdeograph(shownValue(entry)) && !sameInBoth.contains(shownValue(entry)))
                leftInChinese << entry;
        QVERIFY2(leftInChinese.isEmpty(), qPrintable(leftInChinese.join(QLatin1Char('\n'))));

        const QList<QAction *> menus = w.menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QStringLiteral("Help"));
        QCOMPARE(menus[1]->text(), QStringLiteral("Options"));
        QCOMPARE(menus[2]->text(), QStringLiteral("语言(language)"));
        QCOMPARE(actionTexts(menus[0]->menu()),
                 (QStringList{"Firmware Upgrade", "Data Sampling", "Measuring Distance", "Export Log"}));
        QCOMPARE(actionTexts(menus[1]->menu()),
                 (QStringList{"Relay Sensitivity", "CAN Settings", "Export Configuration", "Import Configuration",
                              "Verify Radar Scene Parameters", "Export Configuration Report"}));
        QCOMPARE(ui->actionSavePlotImage->text(), QStringLiteral("Save Radar View Picture"));
        QCOMPARE(actionTexts(menus[2]->menu()), (QStringList{"中文(Chinese)", "英语(English)"}));
        QCOMPARE(ui->actionGetData->toolTip(), QStringLiteral("Data Sampling"));
        QCOMPARE(ui->actionFrameLimt->toolTip(), QStringLiteral("Relay Sensitivity"));
        QCOMPARE(ui->groupBoxConnect->title(), QStringLiteral("Connect"));
        QCOMPARE(ui->pushButtonConnect->text(), QStringLiteral("Connect"));
        QCOMPARE(ui->pushButtonDisconnect->text(), QStringLiteral("Disconnect"));
        QCOMPARE(ui->groupBox->title(), QStringLiteral("Radar Detection Scene"));
        QCOMPARE(ui->labelSurvey->text(), QStringLiteral("Detection Distance"));
        QCOMPARE(ui->label_7->text(), QStringLiteral("to"));
        QCOMPARE(ui->pushButton->text(), QStringLiteral("Ask"));
        QCOMPARE(ui->pushButtonSendPar->text(), QStringLiteral("Send Radar Scene Parameters"));
        QCOMPARE(ui->pushButtonSaveConfig->text(), QStringLiteral("Save Parameters"));
        QCOMPARE(ui->checkBoxSelect->text(), QStringLiteral("Select Non-alarm Area"));
        QCOMPARE(ui->groupBoxConfig->title(), QStringLiteral("Radar Information"));
        QCOMPARE(ui->label->text(), QStringLiteral("Serial Number: "));
        QCOMPARE(ui->label_3->text(), QStringLiteral("Station Number: "));
        QCOMPARE(ui->labelDevType->text(), QStringLiteral("Device Type: Channel Early-warning Radar"));
        QCOMPARE(ui->label_legend2->text(), QStringLiteral("    ：Cars"));
        QCOMPARE(itemTexts(ui->comboBoxTargetDir), (QStringList{"All Direction", "Approach radar", "Be away from radar"}));
        QCOMPARE(itemTexts(ui->comboBoxTargetType), (QStringList{"All Targets", "People", "Cars"}));
        QCOMPARE(ui->comboBoxTargetType->itemData(2).toInt(), 2);
        // What has no translation stays as it was.
        QCOMPARE(ui->labelID->text(), QStringLiteral("000000000000"));
        QCOMPARE(ui->labelModbusId->text(), QStringLiteral("2"));
        QCOMPARE(ui->dockWidget->windowTitle(), QStringLiteral("LOG"));
        QCOMPARE(itemTexts(ui->comboBoxGrid), (QStringList{"0.25", "0.5", "1", "1.5", "2"}));
        QCOMPARE(ui->comboBoxGrid->currentText(), QStringLiteral("1"));
        QCOMPARE(itemTexts(ui->comboBoxSurveyAngle), (QStringList{"120", "90", "60"}));
        QCOMPARE(w.windowTitle(), QString(QChar(0x3000)));

        ui->action_Chinese->trigger();
        QCOMPARE(langFile(), QByteArray("lang_zh_CN"));
        QCOMPARE(shownTexts(&w), chinese);
        // Choosing the language already shown changes nothing but the file.
        ui->action_English->trigger();
        ui->action_English->trigger();
        QCOMPARE(shownTexts(&w), english);
        QCOMPARE(langFile(), QByteArray("lang_en"));
    }

    // The legend labels show a drawn symbol with the kind's name in the current language.
    void legendPicturesFollowTheLanguage()
    {
        MainWindow w;
        w.resize(1200, 800);
        const auto pictureShown = [&w](int kind, const QString &name) {
            QLabel *const labels[] = {w.ui->label_legend1, w.ui->label_legend2, w.ui->label_legend3,
                                      w.ui->label_legend4};
            w.grab();
            const QPixmap shown = labels[kind]->pixmap(Qt::ReturnByValue);
            return labels[kind]->text().isEmpty() && !shown.isNull()
                   && shown.toImage() == RadarView::legendPicture(kind, name, labels[kind]->font()).toImage();
        };
        QVERIFY(pictureShown(1, QStringLiteral("车辆")));
        w.ui->action_English->trigger();
        QVERIFY(pictureShown(1, QStringLiteral("Cars")));
        QVERIFY(pictureShown(3, QStringLiteral("Moving")));
        // The same language chosen again re-texts the form; the pictures must come back all the same.
        w.ui->action_English->trigger();
        QVERIFY(pictureShown(1, QStringLiteral("Cars")));
        QVERIFY(pictureShown(2, QStringLiteral("Static")));
        w.ui->action_Chinese->trigger();
        QVERIFY(pictureShown(0, QStringLiteral("行人")));
        w.ui->action_Chinese->trigger();
        QVERIFY(pictureShown(0, QStringLiteral("行人")));
    }

    // A code outside the table: the label shows the prefix alone, the type list keeps its items.
    void unknownDeviceTypeShowsThePrefixAlone()
    {
        MainWindow w;
        w.deviceType = 9;
        w.ui->action_English->trigger();
        QCOMPARE(w.ui->labelDevType->text(), QStringLiteral("Device Type: "));
        QCOMPARE(itemTexts(w.ui->comboBoxTargetType),
                 (QStringList{"All Targets", "Warn of People Only", "Warn of Cars Only"}));
        QVERIFY(!w.ui->comboBoxTargetType->itemData(0).isValid());
        w.ui->action_Chinese->trigger();
        QCOMPARE(w.ui->labelDevType->text(), QStringLiteral("设备类型："));
        QCOMPARE(itemTexts(w.ui->comboBoxTargetType), (QStringList{"不筛选目标", "只预警行人", "只预警车辆"}));
    }

    // Connected to an area scanner: the read-back and the poll log in the language of the
    // moment, and every switch keeps the scanner's target types and the selected one.
    void areaScannerKeepsItsTargetTypesAcrossSwitches()
    {
        startSession();
        sim::Identity id;
        id.deviceType = 2;
        id.station = 5;
        radar->setIdentity(id);
        radar->setTargets(0);
        ui()->action_English->trigger();
        pressConnect();
        QVERIFY(isWatching());

        const QListWidget *list = ui()->listWidget;
        const QStringList lines = log();
        const int connected = lines.indexOf(QStringLiteral("Serial port connected successfully: ") + linkPath());
        QVERIFY2(connected >= 0, qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(colourOf(list->item(connected)), Green);
        QVERIFY(!lines.filter(QRegularExpression(QStringLiteral("^Send read ID command: 55 aa "))).isEmpty());
        QVERIFY(!lines.filter(QRegularExpression(QStringLiteral("^Read ID reply: 55 aa "))).isEmpty());
        QVERIFY(!lines.filter(QRegularExpression(QStringLiteral("^Read start detection distance: 55 aa "))).isEmpty());
        for (const QString &line : lines)
            QVERIFY2(!hasIdeograph(line), qPrintable(line));

        QComboBox *types = ui()->comboBoxTargetType;
        QCOMPARE(ui()->labelDevType->text(), QStringLiteral("Device Type: Area Safety Scanning Radar"));
        QCOMPARE(itemTexts(types), (QStringList{"All Targets", "Static", "Moving"}));
        const QString serial = ui()->labelID->text();
        QVERIFY(serial != QStringLiteral("000000000000"));
        QCOMPARE(ui()->labelModbusId->text(), QStringLiteral("5"));

        // Each switch: the texts of the new language, the same selection and item data, and
        // the poll's lines from then on in that language.
        struct Step
        {
            QAction *action;
            int selected;
            QStringList items;
            QString deviceLabel;
            QString pollPrefix;
        };
        const QList<Step> steps = {
            {ui()->action_Chinese, 2, {"不筛选目标", "静目标", "动目标"}, "设备类型：区域安全扫描雷达", "雷达探测结果查询"},
            {ui()->action_English, 1, {"All Targets", "Static", "Moving"}, "Device Type: Area Safety Scanning Radar",
             "Radar detection result query "},
            {ui()->action_English, 2, {"All Targets", "Static", "Moving"}, "Device Type: Area Safety Scanning Radar",
             "Radar detection result query "},
            {ui()->action_Chinese, 0, {"不筛选目标", "静目标", "动目标"}, "设备类型：区域安全扫描雷达", "雷达探测结果查询"},
        };
        for (const Step &step : steps) {
            types->setCurrentIndex(step.selected);
            step.action->trigger();
            QCOMPARE(itemTexts(types), step.items);
            QCOMPARE(types->currentIndex(), step.selected);
            QCOMPARE(types->itemData(1).toInt(), 3);
            QCOMPARE(types->itemData(2).toInt(), 4);
            QCOMPARE(ui()->labelDevType->text(), step.deviceLabel);
            QCOMPARE(ui()->labelID->text(), serial);
            QCOMPARE(ui()->labelModbusId->text(), QStringLiteral("5"));
            QVERIFY(isWatching());
            const int mark = list->count();
            QVERIFY(waitUntil([&] { return list->count() >= mark + 4; }));
            const QStringList after = log().mid(mark);
            for (const QString &line : after)
                QVERIFY2(line.startsWith(step.pollPrefix), qPrintable(line));
        }
        ui()->pushButtonDisconnect->click();
        QVERIFY(isIdle());
    }

    // ---- Dialogs -------------------------------------------------------------------------

    void openDialogsFollowTheSwitch()
    {
        MainWindow w;
        w.ui->actionCeliangJuli->trigger();
        QVERIFY(w.dialogCeLiang);
        DialogCeLiang *distance = w.dialogCeLiang;
        DialogFrameLimt relays(3, 4, &w);
        relays.show();
        DialogSpinBox station(2, 1, 254, &w);
        station.setWindowTitle(QCoreApplication::translate("MainWindow", "站点号"));
        station.show();
        radarlink::CanParameters block;
        DialogCan can(&block, &w);
        can.show();
        const QStringList canTexts = shownTexts(&can);
        const QStringList distanceTexts = shownTexts(distance);
        const QStringList relayTexts = shownTexts(&relays);

        w.ui->action_English->trigger();
        deliverLanguageChange();
        QCOMPARE(distance->windowTitle(), QStringLiteral("Measuring Distance"));
        QCOMPARE(distance->ui->label->text(), QStringLiteral("Measured distance:"));
        QCOMPARE(distance->ui->label_2->text(), QStringLiteral("m"));
        QCOMPARE(distance->ui->pushButton->text(), QStringLiteral("Refresh"));
        QCOMPARE(relays.windowTitle(), QStringLiteral("Relay Sensitivity"));
        QCOMPARE(relays.ui->label->text(), QStringLiteral("Early-warning zone relay sensitivity:"));
        QCOMPARE(relays.ui->label_2->text(), QStringLiteral("Alarm zone relay sensitivity:"));
        QCOMPARE(relays.ui->label_3->text(), QStringLiteral("The smaller the value, the higher the sensitivity"));
        QCOMPARE(relays.ui->pushButton->text(), QStringLiteral("Set"));
        // The station dialog's re-texting puts its own title back.
        QCOMPARE(station.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(station.ui->pushButton->text(), QStringLiteral("Confirm"));
        // The CAN dialog has no English.
        QCOMPARE(shownTexts(&can), canTexts);
        QCOMPARE(can.windowTitle(), QStringLiteral("Can设置"));
        // A dialog opened after the switch starts in English.
        DialogFrameLimt later(0, 0, &w);
        QCOMPARE(later.windowTitle(), QStringLiteral("Relay Sensitivity"));

        w.ui->action_Chinese->trigger();
        deliverLanguageChange();
        QCOMPARE(shownTexts(distance), distanceTexts);
        QCOMPARE(shownTexts(&relays), relayTexts);
        QCOMPARE(later.ui->pushButton->text(), QStringLiteral("设置"));
        QCOMPARE(station.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(station.ui->pushButton->text(), QStringLiteral("确定"));
        QCOMPARE(shownTexts(&can), canTexts);
    }

    void upgradeAndSamplingWindowsFollowTheSwitch()
    {
        MainWindow w;
        DialogUpdate upgrade;
        upgrade.show();
        DialogGetData sampling(&w.channel().port, &w.frameHeader, &w);
        sampling.show();
        const QStringList upgradeTexts = shownTexts(&upgrade);
        const QStringList samplingTexts = shownTexts(&sampling);

        w.ui->action_English->trigger();
        deliverLanguageChange();
        QCOMPARE(upgrade.windowTitle(), QStringLiteral("Software Upgrade"));
        QCOMPARE(upgrade.ui->pushButtonStart->text(), QStringLiteral("Start"));
        QCOMPARE(upgrade.ui->label->text(), QStringLiteral("Upgrading, this may take a few minutes"));
        QCOMPARE(sampling.windowTitle(), QStringLiteral("Data Sampling"));
        QCOMPARE(sampling.ui->label->text(), QStringLiteral("min"));
        QCOMPARE(sampling.ui->pushButtonStartData->text(), QStringLiteral("Start Sampling"));
        QCOMPARE(sampling.ui->pushButton->text(), QStringLiteral("Stop Sampling"));

        w.ui->action_Chinese->trigger();
        deliverLanguageChange();
        QCOMPARE(shownTexts(&upgrade), upgradeTexts);
        QCOMPARE(shownTexts(&sampling), samplingTexts);
    }

    // ---- The log -------------------------------------------------------------------------

    // Every catalogue text, logged in either language, gets the colour its Chinese original
    // gets in Chinese; the words match in their exact capitalisation only.
    void logColoursFollowTheLanguage()
    {
        MainWindow w;
        const QListWidget *list = w.ui->listWidget;
        QStringList problems;
        const auto logged = [&](const QString &text, const QString &expected) {
            const int before = list->count();
            emit w.printThread(text);
            if (list->count() != before + 1)
                problems << QStringLiteral("no line for ") + text;
            else if (colourOf(list->item(before)) != expected)
                problems << text + QStringLiteral(": ") + colourOf(list->item(before)) + QStringLiteral(" instead of ") + expected;
        };

        w.ui->action_English->trigger();
        for (const Message &m : qAsConst(catalogue))
            if (m.finished() && !m.translation.trimmed().isEmpty())
                logged(m.translation + QStringLiteral("55 aa 0e 00"), colourForSource(m.source));
        logged(QStringLiteral("Success"), DefaultColour);
        logged(QStringLiteral("SUCCESS"), DefaultColour);
        logged(QStringLiteral("Failed"), DefaultColour);
        logged(QStringLiteral("FAILED"), DefaultColour);
        logged(QStringLiteral("串口成功连接：ttyS0"), DefaultColour);
        logged(QStringLiteral("设置失败"), DefaultColour);
        logged(QStringLiteral("first failed, then success"), Green);

        w.ui->action_Chinese->trigger();
        for (const Message &m : qAsConst(catalogue))
            if (!m.source.trimmed().isEmpty())
                logged(m.source, colourForSource(m.source));
        logged(QStringLiteral("success"), DefaultColour);
        logged(QStringLiteral("failed"), DefaultColour);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // ---- lang.cfg ------------------------------------------------------------------------

    void startsInTheRememberedLanguage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("english");
        QTest::newRow("English tag") << QByteArray("lang_en") << true;
        QTest::newRow("English tag inside longer text") << QByteArray("language=lang_en;font=15\n") << true;
        QTest::newRow("English tag in capitals") << QByteArray("LANG_EN") << false;
        QTest::newRow("English tag capitalised") << QByteArray("Lang_en") << false;
        QTest::newRow("Chinese tag") << QByteArray("lang_zh_CN") << false;
        QTest::newRow("zero byte before the tag") << QByteArray("x\0lang_en", 9) << false;
        QTest::newRow("zero byte inside the tag") << QByteArray("lang_\0en", 8) << false;
        QTest::newRow("zero byte after the tag") << QByteArray("lang_en\0zh", 10) << true;
        QTest::newRow("UTF-8 text before the tag") << QByteArray("语言：lang_en") << true;
        QTest::newRow("empty file") << QByteArray() << false;
    }
    void startsInTheRememberedLanguage()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, english);
        writeLangFile(content);
        MainWindow w;
        QCOMPARE(w.ui->pushButtonConnect->text(), english ? QStringLiteral("Connect") : QStringLiteral("连接"));
        QCOMPARE(w.ui->pushButtonSendPar->text(),
                 english ? QStringLiteral("Send Radar Scene Parameters") : QStringLiteral("发送雷达场景参数"));
        QCOMPARE(w.ui->menu->title(), english ? QStringLiteral("Help") : QStringLiteral("帮助"));
        QCOMPARE(w.ui->labelDevType->text(),
                 english ? QStringLiteral("Device Type: Channel Early-warning Radar") : QStringLiteral("设备类型："));
        // English at start is the menu's English switch, file included; Chinese touches nothing.
        QCOMPARE(langFile(), english ? QByteArray("lang_en") : content);
    }

    void withoutLangFileStartsInChineseAndWritesNone()
    {
        {
            MainWindow w;
            QCOMPARE(w.ui->groupBox->title(), QStringLiteral("雷达探测场景"));
            QCOMPARE(w.ui->comboBoxTargetDir->itemText(0), QStringLiteral("不区分"));
            QVERIFY(!langFileExists());
        }
        QVERIFY(!langFileExists());
    }

    void choiceSurvivesARestart()
    {
        {
            MainWindow first;
            first.ui->action_English->trigger();
        }
        QCOMPARE(langFile(), QByteArray("lang_en"));
        {
            MainWindow second;
            QCOMPARE(second.ui->pushButtonSaveConfig->text(), QStringLiteral("Save Parameters"));
            second.ui->action_Chinese->trigger();
        }
        QCOMPARE(langFile(), QByteArray("lang_zh_CN"));
        MainWindow third;
        QCOMPARE(third.ui->pushButtonSaveConfig->text(), QStringLiteral("保存参数设置"));
    }

    // A lang.cfg that can be neither read nor written: the switch still works, and says nothing.
    void unusableLangFileIsSilent()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("lang.cfg")));
        MainWindow w;
        QCOMPARE(w.ui->pushButtonConnect->text(), QStringLiteral("连接"));
        w.ui->action_English->trigger();
        QCOMPARE(w.ui->pushButtonConnect->text(), QStringLiteral("Connect"));
        QVERIFY(QFileInfo(QStringLiteral("lang.cfg")).isDir());
        w.ui->action_Chinese->trigger();
        QCOMPARE(w.ui->pushButtonConnect->text(), QStringLiteral("连接"));
        QVERIFY(unexpectedWarnings().isEmpty());
    }
};

RADAR_TEST_MAIN(TestLanguage)
#include "tst_language.moc"
