// Chinese and English at run time: the main form and its device-dependent texts, the windows
// open during a switch, the boxes, the log's green and red lines, the language remembered in
// lang.cfg for the next start, and the English catalogue measured against the code.
#include "sessionfixture.h"

#include "commandtable.h"
#include "dialogcan.h"
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialoggetdata.h"
#include "dialogspinbox.h"
#include "dialogupdate.h"
#include "ui_dialogframelimt.h"
#include "ui_dialoggetdata.h"
#include "ui_dialogspinbox.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QProcess>
#include <QXmlStreamReader>

namespace {

const QString Green = QStringLiteral("#008000");
const QString Red = QStringLiteral("#ff0000");
const QString DefaultColour = QStringLiteral("default");

// One entry of a .ts catalogue; a plural one has its forms (one in Chinese, two in English)
// and the first of them as its translation.
struct Message
{
    QString context, source, translation;
    QString type; // empty for a finished entry, "unfinished", "obsolete" or "vanished"
    bool numerus = false;
    QStringList forms;

    bool finished() const { return type.isEmpty() && !translation.isEmpty(); }
};

QString keyOf(const QString &context, const QString &source) { return context + QLatin1String(" | ") + source; }

// Reads a .ts file; a file that cannot be read or parsed leaves a reason in error.
QList<Message> readCatalogue(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        *error = QStringLiteral("cannot open ") + path;
    QList<Message> messages;
    Message current;
    QXmlStreamReader xml(file.isOpen() ? &file : nullptr);
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.name().toString();
        if (xml.isEndElement() && name == QLatin1String("message"))
            messages << current;
        else if (xml.isStartElement() && name == QLatin1String("message"))
            current.numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        else if (xml.isStartElement() && name == QLatin1String("name"))
            current.context = xml.readElementText();
        else if (xml.isStartElement() && name == QLatin1String("source"))
            current.source = xml.readElementText();
        else if (xml.isStartElement() && name == QLatin1String("translation")) {
            current.type = xml.attributes().value(QLatin1String("type")).toString();
            current.forms.clear();
            if (!current.numerus) {
                current.translation = xml.readElementText();
                continue;
            }
            while (xml.readNextStartElement())
                current.forms << xml.readElementText();
            current.translation = current.forms.value(0);
        }
    }
    if (xml.hasError() && error->isEmpty())
        *error = path + QStringLiteral(": ") + xml.errorString();
    return messages;
}

// Everything the program passes through the translation function: what lupdate finds in the
// code, and the command table's log texts, which are translated under "MainWindow" when used.
// Those given a count (plural forms) go to plural as well.
QSet<QString> translatedInTheCode(QString *error, QSet<QString> *plural)
{
    QSet<QString> keys;
    QTemporaryDir scratch; // should it fail, lupdate has nowhere to write and says so
    const QString scan = scratch.filePath(QStringLiteral("scan.ts"));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(RADAR_SOURCE_DIR));
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(RADAR_LUPDATE),
                  QStringLiteral("app link view dialogs -no-obsolete -locations none -silent -ts").split(' ') << scan);
    if (!lupdate.waitForFinished(120000) || lupdate.exitStatus() != QProcess::NormalExit || lupdate.exitCode() != 0) {
        *error = QStringLiteral("lupdate failed: ") + QString::fromLocal8Bit(lupdate.readAll());
        return keys;
    }
    for (const Message &m : readCatalogue(scan, error)) {
        keys.insert(keyOf(m.context, m.source));
        if (m.numerus)
            plural->insert(keyOf(m.context, m.source));
    }
    int count = 0;
    const RadarCommand *const *commands = RadarCommands::all(&count);
    for (const RadarCommand *c : QVector<const RadarCommand *>(commands, commands + count))
        for (const char *text : {c->requestPrefix, c->replyPrefix, c->timeoutLine, c->lengthLine, c->syncLine})
            if (text)
                keys.insert(keyOf(QStringLiteral("MainWindow"), QString::fromUtf8(text)));
    return keys;
}

// The %1, %2 ... of a text, sorted.
QStringList placeholders(const QString &text)
{
    QStringList found;
    for (auto it = QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

bool hasIdeograph(const QString &text) { return text.contains(QRegularExpression(QStringLiteral("[\\x{4E00}-\\x{9FFF}]"))); }

// A text as the operator reads it: a property of the object, or for "items" the entries of a
// list box, a menu or the menu bar joined by '|'.
QString textOf(const QObject *o, const char *property)
{
    if (qstrcmp(property, "items") != 0)
        return o->property(property).toString();
    QStringList items;
    if (const auto *box = qobject_cast<const QComboBox *>(o))
        items = comboTexts(box);
    else
        for (const QAction *action : qobject_cast<const QWidget *>(o)->actions())
            items << action->text();
    return items.join(QLatin1Char('|'));
}

// One text on screen and what it reads in Chinese and in English.
struct Shown { const QObject *object; const char *property; QString chinese, english; };

// The rows that do not read as they should in the language shown; empty when all do.
QString misread(const QList<Shown> &table, bool english)
{
    QStringList wrong;
    for (const Shown &s : table)
        if (textOf(s.object, s.property) != (english ? s.english : s.chinese))
            wrong << s.object->objectName() + '.' + s.property + ": " + textOf(s.object, s.property);
    return wrong.join(QLatin1Char('\n'));
}

// Every text a window and its parts show, one "object.property<TAB>text" entry each, in a
// fixed order.
QStringList shownTexts(QWidget *window)
{
    QStringList texts;
    for (const QObject *o : QObjectList{window} + window->findChildren<QObject *>())
        for (const char *property : {"windowTitle", "title", "text", "toolTip", "items"})
            if (o->property(property).isValid()
                || (!qstrcmp(property, "items") && (o->inherits("QComboBox") || o->inherits("QMenu"))))
                texts << o->objectName() + '.' + property + '\t' + textOf(o, property);
    return texts;
}

// The texts of a window still in Chinese, beyond the language menu's own names.
QStringList leftInChinese(QWidget *window)
{
    const QSet<QString> sameInBoth = {"中文(Chinese)", "英语(English)", "语言(language)"};
    QStringList left;
    for (const QString &entry : shownTexts(window))
        for (const QString &text : entry.mid(entry.indexOf(QLatin1Char('\t')) + 1).split(QLatin1Char('|')))
            if (hasIdeograph(text) && !sameInBoth.contains(text))
                left << entry;
    return left;
}

QString colourOf(const QListWidgetItem *item)
{
    const QVariant brush = item->data(Qt::ForegroundRole);
    return brush.isValid() ? brush.value<QBrush>().color().name() : DefaultColour;
}

// The colour the log gives a line that came from this Chinese text.
QString colourForSource(const QString &chinese)
{
    return chinese.contains("成功") ? Green : chinese.contains("失败") ? Red : DefaultColour;
}

QByteArray langFile() { return fileBytes(QStringLiteral("lang.cfg")); }

} // namespace

class TestLanguage : public SessionFixture
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> workDir;
    QString previousDir;
    QList<Message> catalogue;

private slots:
    void initTestCase()
    {
        installWarningGuard();
        previousDir = QDir::currentPath();
        QString error;
        catalogue = readCatalogue(QStringLiteral(RADAR_SOURCE_DIR "/resources/language/lang_en.ts"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!catalogue.isEmpty());
    }
    // Every test runs in a working directory of its own: that is where lang.cfg lives.
    void init()
    {
        workDir = std::make_unique<QTemporaryDir>();
        QVERIFY(workDir->isValid() && QDir::setCurrent(workDir->path()));
    }
    void cleanup()
    {
        endSession();
        QDir::setCurrent(previousDir);
        workDir.reset();
    }

    // ---- The catalogue -------------------------------------------------------------------

    // Every text the code asks to translate is in the catalogue, translated unless it reads the
    // same in both languages, and nothing else is; every translation keeps the placeholders of
    // its Chinese, and the build compiled in what the catalogue says. A text given a count has
    // plural forms in both catalogues: one in Chinese, a singular and a plural in English.
    void catalogueMatchesTheCodeAndTheBuild()
    {
        QString error;
        QSet<QString> plural;
        const QSet<QString> wanted = translatedInTheCode(&error, &plural);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/res/language/lang_en.qm")));

        // Texts of the form that read the same in both languages.
        const QSet<QString> sameInBoth = {"LOG", "000000000000", "中文(Chinese)", "英语(English)", "语言(language)",
                                          "0.25", "0.5", "1", "1.5", "2", "120", "90", "60"};
        QStringList problems;
        QHash<QString, Message> byKey;
        int withPlaceholders = 0;
        for (const Message &m : qAsConst(catalogue)) {
            const QString key = keyOf(m.context, m.source);
            byKey.insert(key, m);
            if (m.type == QLatin1String("obsolete") || m.type == QLatin1String("vanished"))
                problems << "marked obsolete: " + key;
            else if (!wanted.contains(key))
                problems << "no longer in the code: " + key;
            // lrelease takes every filled-in entry the code still uses, finished or not.
            const bool compiledIn = m.type.isEmpty() || m.type == QLatin1String("unfinished");
            const QStringList forms = m.numerus ? m.forms : QStringList{m.translation};
            for (int i = 0; i < forms.size(); ++i) {
                const QString compiled = english.translate(m.context.toUtf8().constData(), m.source.toUtf8().constData(),
                                                           nullptr, m.numerus ? i + 1 : -1);
                if (compiled != (compiledIn ? forms[i] : QString()))
                    problems << "compiled in: " + key + " -> " + compiled;
                if (m.finished() && placeholders(m.source) != placeholders(forms[i]))
                    problems << "placeholders: " + key + " -> " + forms[i];
            }
            withPlaceholders += m.finished() && !placeholders(m.source).isEmpty();
            if (plural.contains(key) != m.numerus || (m.numerus && (m.forms.size() != 2 || m.forms[0] == m.forms[1])))
                problems << "plural forms: " + key + " -> " + m.forms.join(QLatin1Char('|'));
        }
        const QList<Message> chinese = readCatalogue(QStringLiteral(RADAR_SOURCE_DIR "/resources/language/lang_zh_CN.ts"), &error);
        QSet<QString> chinesePlural;
        for (const Message &m : chinese)
            if (m.numerus && m.forms.size() == 1)
                chinesePlural.insert(keyOf(m.context, m.source));
        if (chinesePlural != plural)
            problems << "Chinese plural entries: " + QStringList(chinesePlural.values()).join(QLatin1Char(','));
        for (const QString &key : wanted) {
            const auto it = byKey.constFind(key);
            if (it == byKey.constEnd()) {
                problems << "missing from the catalogue: " + key;
                continue;
            }
            const bool untranslated = it->context == QLatin1String("DialogCan")
                                      || (it->context == "MainWindow" && sameInBoth.contains(it->source));
            if (untranslated && !it->translation.isEmpty())
                problems << "must stay as written: " + key;
            else if (!untranslated && !it->finished())
                problems << "not translated: " + key;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // The length lines, the resend count and the plot's numbers all carry one.
        QVERIFY(withPlaceholders >= 4);
    }

    // ---- The windows and the boxes ------------------------------------------------------

    // The main form with its legend, the windows open during a switch and a box opened after it
    // follow every switch, the language remembered each time; the CAN window has no English.
    // Choosing the language already shown changes nothing but the file.
    void windowsFollowEverySwitch()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.ui;
        ui->actionCeliangJuli->trigger();
        QVERIFY(w.dialogCeLiang);
        DialogCeLiang *distance = w.dialogCeLiang;
        DialogFrameLimt relays(3, 4, &w);
        DialogSpinBox station(2, 1, 254, &w);
        radarlink::CanParameters block;
        DialogCan can(&block);   // not the main window's: its texts stay Chinese
        DialogUpdate upgrade;
        DialogGetData sampling(&w.channel().port, &w.frameHeader, &w);
        const QList<QWidget *> windows = {&w, distance, &relays, &station, &can, &upgrade, &sampling};
        const QList<Shown> table = {
            {w.menuBar(), "items", "帮助|选项|语言(language)", "Help|Options|语言(language)"},
            {ui->menu, "items", "固件升级|数据采集|测量距离|导出日志|链路统计",
             "Firmware Upgrade|Data Sampling|Distance Measurement|Export Log|Link Statistics"},
            {ui->menu_2, "items", "继电器灵敏度|Can设置|导出配置|导入配置|导出完整场景...|导入完整场景...|校验雷达场景参数|验收当前场景|"
             "导出配置报告|雷达历史|自动重连|记录检测数据|打开记录|查找静止目标",
             "Relay Sensitivity|CAN Settings|Export Configuration|Import Configuration|Export Full Scene...|Import Full Scene...|"
             "Verify Radar Scene Parameters|Accept Current Scene|Export Configuration Report|Radar History|"
             "Reconnect Automatically|Record Detection Data|Open Recording|Find Fixed Objects"},
            {w.linkStatusLabel(), "text", "未连接", "Not connected"},
            {ui->pushButtonConnect, "text", "连接", "Connect"},
            {ui->groupBox, "title", "雷达探测场景", "Radar Detection Scene"},
            // The refresh fills in the channel radar the window assumes until a radar has been read.
            {ui->labelDevType, "text", "设备类型：通道预警雷达", "Device Type: Channel Early-warning Radar"},
            {ui->comboBoxTargetDir, "items", "不区分|接近雷达|远离雷达", "Both Directions|Approaching|Moving Away"},
            {ui->comboBoxTargetType, "items", "不筛选目标|行人|车辆", "All Targets|Pedestrians|Vehicles"},
            {ui->pushButtonSaveConfig, "text", "保存参数设置", "Save to Flash"},
            {distance, "windowTitle", "测量距离", "Distance Measurement"},
            {&relays, "windowTitle", "继电器灵敏度", "Relay Sensitivity"},
            {relays.ui->label_3, "text", "数值越小，灵敏度越高", "The smaller the value, the higher the sensitivity"},
            {station.ui->pushButton, "text", "确定", "Confirm"},
            {&upgrade, "windowTitle", "软件升级", "Firmware Upgrade"},
            {sampling.ui->pushButtonStartData, "text", "开始采集", "Start Sampling"},
        };
        DialogAnswerer answerer;
        const auto boxSays = [&] {
            answerer.answerMessageBox(QMessageBox::Ok);
            ui->actionVerifyScene->trigger();
            return answerer.waitDone() ? answerer.seen.last().title + '|' + answerer.seen.last().text : QString();
        };
        // The legend labels show a drawn symbol with the kind's name; a re-text must bring them back.
        QLabel *const legends[] = {ui->label_legend1, ui->label_legend2, ui->label_legend3, ui->label_legend4};
        const auto wrongLegends = [&](bool english) {
            w.grab();
            const QStringList names = english ? QStringList{"Pedestrians", "Vehicles", "Stationary", "Moving"}
                                              : QStringList{"行人", "车辆", "静目标", "动目标"};
            QStringList wrong;
            for (int kind = 0; kind < 4; ++kind) {
                const QImage drawn = RadarView::legendPicture(kind, names[kind], legends[kind]->font()).toImage();
                const QPixmap shown = legends[kind]->pixmap(Qt::ReturnByValue);
                if (!legends[kind]->text().isEmpty() || shown.isNull() || shown.toImage() != drawn)
                    wrong << names[kind];
            }
            return wrong;
        };
        QCOMPARE(wrongLegends(false), QStringList());
        for (QWidget *window : windows)
            window->show();
        QList<QStringList> chinese, english;
        for (QAction *language : {ui->action_Chinese, ui->action_English, ui->action_English, ui->action_Chinese, ui->action_Chinese}) {
            const bool inEnglish = language == ui->action_English;
            language->trigger();
            // The application posts the language change to every window; the windows then answer it.
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents();
            QCOMPARE(langFile(), QByteArray(inEnglish ? "lang_en" : "lang_zh_CN"));
            QCOMPARE(misread(table, inEnglish), QString());
            QCOMPARE(wrongLegends(inEnglish), QStringList());   // painted: the labels hold pictures, no text
            QList<QStringList> texts;
            for (QWidget *window : windows)
                texts << shownTexts(window);
            QList<QStringList> &before = inEnglish ? english : chinese;
            if (before.isEmpty())
                before = texts;
            QCOMPARE(texts, before);
            QCOMPARE(texts[windows.indexOf(&can)], chinese[windows.indexOf(&can)]);
            for (QWidget *window : windows)
                if (inEnglish && window != &can)
                    QCOMPARE(leftInChinese(window), QStringList());
            QCOMPARE(boxSays(), inEnglish ? QStringLiteral("Verify Radar Scene Parameters|"
                                                           "No radar connected, the scene parameters cannot be verified")
                                          : QStringLiteral("校验雷达场景参数|未连接雷达，无法校验场景参数"));
        }

        // A device code outside the table: the label shows the prefix alone, the type list
        // keeps the form's own items.
        w.deviceType = 9;
        ui->action_English->trigger();
        QCOMPARE(ui->labelDevType->text(), QStringLiteral("Device Type: "));
        QCOMPARE(comboTexts(ui->comboBoxTargetType).join('|'), QStringLiteral("All Targets|Warn of Pedestrians Only|Warn of Vehicles Only"));
    }

    // Connected to an area scanner: the read-back and the poll log in the language of the
    // moment, and every switch keeps the scanner's target types, the selected one and the
    // serial number read back.
    void areaScannerKeepsItsTargetTypesAcrossSwitches()
    {
        startSession();
        sim::Identity id;
        id.deviceType = 2;
        radar->setIdentity(id);
        radar->setTargets(0);
        ui()->action_English->trigger();
        pressConnect();
        QVERIFY(isWatching());
        const QListWidget *list = ui()->listWidget;
        const QStringList lines = log();
        QVERIFY2(lines.contains("Serial port connected successfully: " + linkPath()), qPrintable(lines.join('\n')));
        for (const QString &line : lines)
            QVERIFY2(!hasIdeograph(line), qPrintable(line));

        QComboBox *types = ui()->comboBoxTargetType;
        const QString serial = ui()->labelID->text();
        QVERIFY(serial != QStringLiteral("000000000000"));
        QAction *const en = ui()->action_English;
        QAction *const zh = ui()->action_Chinese;
        for (const auto &step : QList<QPair<QAction *, int>>{{zh, 2}, {en, 1}, {en, 2}, {zh, 0}}) {
            const bool english = step.first == en;
            types->setCurrentIndex(step.second);
            step.first->trigger();
            QCOMPARE(comboTexts(types).join('|'),
                     QString(english ? "All Targets|Stationary|Moving" : "不筛选目标|静目标|动目标"));
            QCOMPARE(types->currentIndex(), step.second);
            QCOMPARE(types->itemData(2).toInt(), 4);
            QCOMPARE(ui()->labelDevType->text(),
                     QString(english ? "Device Type: Area Safety Scanning Radar" : "设备类型：区域安全扫描雷达"));
            QCOMPARE(ui()->labelID->text(), serial);
            // The poll's lines from then on are in the new language.
            const int mark = list->count();
            QVERIFY(waitUntil([&] { return list->count() >= mark + 4; }));
            const QString poll = english ? "Radar detection result query " : "雷达探测结果查询";
            for (const QString &line : log().mid(mark))
                QVERIFY2(line.startsWith(poll), qPrintable(line));
        }
    }

    // Qt's own texts follow the language too: the cancel button of Qt's file dialog and a box's
    // Yes and No, Chinese from the start, English after the switch and Chinese again. And a
    // lang.cfg that can be neither read nor written: the switch still works, and says nothing.
    void qtsOwnButtonsFollowTheLanguage()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("lang.cfg")));
        MainWindow w;
        const auto buttons = [&w] {
            QFileDialog files;
            files.setOption(QFileDialog::DontUseNativeDialog);
            QDialogButtonBox *box = files.findChild<QDialogButtonBox *>();
            QMessageBox question(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"), QMessageBox::Yes | QMessageBox::No);
            return QStringList{w.ui->pushButtonConnect->text(), box ? box->button(QDialogButtonBox::Cancel)->text() : QString(),
                               question.button(QMessageBox::Yes)->text(), question.button(QMessageBox::No)->text()};
        };
        const QStringList chinese{QStringLiteral("连接"), QStringLiteral("取消"), QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")};
        QCOMPARE(buttons(), chinese);
        w.ui->action_English->trigger();
        QCOMPARE(buttons(), (QStringList{QStringLiteral("Connect"), QStringLiteral("Cancel"), QStringLiteral("&Yes"), QStringLiteral("&No")}));
        w.ui->action_Chinese->trigger();
        QCOMPARE(buttons(), chinese);
        QVERIFY(QFileInfo(QStringLiteral("lang.cfg")).isDir());
        QVERIFY(unexpectedWarnings().isEmpty());
    }

    // ---- The log -------------------------------------------------------------------------

    // Every catalogue text, logged in either language, gets the colour its Chinese original
    // gets in Chinese; the words count in the language shown and in their exact spelling only.
    void logColoursFollowTheLanguage()
    {
        MainWindow w;
        const QListWidget *list = w.ui->listWidget;
        QStringList problems;
        const auto logged = [&](const QString &text, const QString &expected) {
            const int before = list->count();
            emit w.printThread(text);
            const QString shown = list->count() == before + 1 ? colourOf(list->item(before)) : QString("no line");
            if (shown != expected)
                problems << text + ": " + shown + " instead of " + expected;
        };

        w.ui->action_English->trigger();
        for (const Message &m : qAsConst(catalogue))
            if (m.finished() && !m.translation.trimmed().isEmpty())
                logged(m.translation + " 55 aa 0e 00", colourForSource(m.source));
        for (const char *text : {"Success", "SUCCESS", "Failed", "FAILED", "串口成功连接：ttyS0", "设置失败"})
            logged(QString::fromUtf8(text), DefaultColour);
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
        QTest::addColumn<QByteArray>("content"); // a null array: no lang.cfg at all
        QTest::addColumn<bool>("english");
        QTest::newRow("no file") << QByteArray() << false;
        QTest::newRow("empty file") << QByteArray("") << false;
        QTest::newRow("English tag") << QByteArray("lang_en") << true;
        QTest::newRow("English tag capitalised") << QByteArray("Lang_en") << false;
        QTest::newRow("Chinese tag") << QByteArray("lang_zh_CN") << false;
        QTest::newRow("zero byte before the tag") << QByteArray("x\0lang_en", 9) << false;
        QTest::newRow("zero byte inside the tag") << QByteArray("lang_\0en", 8) << false;
        QTest::newRow("zero byte after the tag") << QByteArray("lang_en\0zh", 10) << true;
        QTest::newRow("UTF-8 text before the tag") << QByteArray("语言：lang_en") << true;
    }
    // English at start is the menu's English switch, file included; Chinese touches nothing.
    void startsInTheRememberedLanguage()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, english);
        QVERIFY(content.isNull() || writeFile(QStringLiteral("lang.cfg"), content));
        // The window lives for the one look at the form: closing it must not write the file either.
        QCOMPARE(MainWindow().ui->labelDevType->text(),
                 english ? QStringLiteral("Device Type: Channel Early-warning Radar") : QStringLiteral("设备类型："));
        QCOMPARE(langFile(), content.isNull() ? QByteArray("<missing>") : english ? QByteArray("lang_en") : content);
    }
};

RADAR_TEST_MAIN(TestLanguage)
#include "tst_language.moc"
