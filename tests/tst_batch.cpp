// The batch commands as an end-of-line script runs them: the real program with no display in its
// environment, simulated radars on pseudo-terminals. What they protect: --apply puts on the wire
// exactly what the window's send of the same scene puts there and then reads it back; a radar
// already holding the scene gets nothing; --verify's exit statuses; one silent radar among
// several is reported and does not stop the others; a .cfg keeps the radar's own cells and
// --save-to-flash commits; another device type is not written without --force; the history
// holds what the batch did; and every bad input gets its message and its exit status, the
// radar untouched or left as the partial send left it and said so.
#include "dialoganswerer.h"
#include "mainwindow.h"
#include "radarhistory.h"
#include "radarsimulator.h"
#include "scenefile.h"
#include "scenefingerprint.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>

#include <memory>

using namespace radarlink;

namespace {
const QList<int> WriteCodes{0x02, 0x03, 0x07, 0x08, 0x04};
const QList<int> ReadCodes{0x0A, 0x0B, 0x0C, 0x14, 0x15};

// An area scanner's scene unlike the simulator's own: every write carries something else.
WireScene areaScene()
{
    WireScene s;
    s.detectionFarCm = 750;
    s.angle = 100;
    s.warningFarCm = 500;
    s.alarmFarCm = 250;
    s.leftHalfMetres = -2;
    s.rightHalfMetres = 2;
    s.gridEdgeCm = 50;
    s.cells = {{100, 400}, {-100, 150}, {0, 50}};
    s.direction = 0;
    s.type = 4;
    s.startCm = 150;
    return s;
}

WireScene wireOf(const sim::Scene &s)
{
    WireScene w;
    w.detectionFarCm = s.detectionFar;
    w.angle = s.detectionAngle;
    w.warningFarCm = s.warningFar;
    w.alarmFarCm = s.alarmFar;
    w.leftHalfMetres = s.leftBoundary;
    w.rightHalfMetres = s.rightBoundary;
    w.gridEdgeCm = s.gridEdge;
    for (int i = 0; i < s.cellCount && i < int(s.cells.size()); ++i)
        w.cells << QPoint(s.cells[i].x, s.cells[i].y);
    w.direction = s.targetDirection;
    w.type = s.targetType;
    w.startCm = s.startDistance;
    return w;
}

QString fingerprintOf(const WireScene &scene)
{
    return fingerprintText(sceneFingerprint(scene));
}

QList<QJsonObject> jsonLines(const QString &text)
{
    QList<QJsonObject> objects;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        objects << QJsonDocument::fromJson(line.toUtf8()).object();
    return objects;
}

QList<QByteArray> framesOf(const sim::RadarSimulator &radar, const QList<int> &codes)
{
    QList<QByteArray> frames;
    for (const sim::ReceivedRequest &r : radar.requests())
        if (codes.contains(r.functionCode))
            frames << r.bytes;
    return frames;
}

QList<int> codesOf(const sim::RadarSimulator &radar)
{
    QList<int> codes;
    for (const sim::ReceivedRequest &r : radar.requests())
        codes << r.functionCode;
    return codes;
}
} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    QList<std::shared_ptr<sim::RadarSimulator>> radars;

    QString path(const QString &name) const { return folder->filePath(name); }

    // A radar behind folder/<name>, of this type and serial, holding the scene.
    sim::RadarSimulator &radar(const QString &name, int deviceType = 2, quint16 serialWord2 = 0x0001,
                               const sim::Scene &scene = sim::Scene())
    {
        auto radar = std::make_shared<sim::RadarSimulator>();
        radar->setIdentity({2, quint8(deviceType), 0x1234, serialWord2});
        radar->setScene(scene);
        radar->setTargets(0);
        if (!radar->start(path(name)))
            qFatal("%s", qPrintable(radar->errorString()));
        radars << radar;
        return *radar;
    }

    QString sceneFile(const WireScene &scene, int deviceType = 2, const QString &name = QStringLiteral("scene.json"))
    {
        QString error;
        return writeSceneFile(path(name), SceneFile{deviceType, scene}, &error) ? path(name) : error;
    }

    ProgramRun run(const QStringList &arguments, int timeoutMs = 60000)
    {
        return runProgram(QStringLiteral(RADAR_PROGRAM), arguments, folder->path(), timeoutMs);
    }

    // One entry a line: action and result of the radar's entries, in the order written.
    QStringList history(const QString &serial)
    {
        QStringList entries;
        for (const QJsonObject &e : jsonLines(run({QStringLiteral("--history"), serial}).out)) {
            const QString details = QString::fromUtf8(QJsonDocument(e.value(QStringLiteral("details")).toObject())
                                                          .toJson(QJsonDocument::Compact));
            entries << e.value(QStringLiteral("action")).toString() + QLatin1Char(' ') + e.value(QStringLiteral("result")).toString()
                           + (details == QLatin1String("{}") ? QString() : QLatin1Char(' ') + details);
        }
        return entries;
    }

private slots:
    // The program finds no display, as on a plant's server or in a container.
    void initTestCase()
    {
        installWarningGuard();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            qunsetenv(name);
    }
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        QVERIFY(QDir::setCurrent(folder->path()));
    }
    void cleanup()
    {
        radars.clear();
        QDir::setCurrent(QDir::tempPath());
        folder.reset();
    }

    void applyWritesWhatTheWindowWritesThenNothing()
    {
        const QString file = sceneFile(areaScene());
        // The window, with the operator's clicks: connect, import the file, yes, OK.
        sim::RadarSimulator &byHand = radar(QStringLiteral("by-hand"), 2, 0x0002);
        {
            MainWindow window;
            window.ui->comboBoxSerial->setEditText(byHand.devicePath());
            window.ui->pushButtonConnect->click();
            QVERIFY(window.radarSceneKnown);
            DialogAnswerer answers;
            answers.answerFileDialog(file);
            answers.answerMessageBox(QMessageBox::Yes);
            answers.answerMessageBox(QMessageBox::Ok);
            window.ui->actionImportScene->trigger();
            QVERIFY(answers.waitDone());
            QCOMPARE(answers.seen.value(2).text, QStringLiteral("雷达场景参数设置成功"));
        }
        sim::RadarSimulator &station = radar(QStringLiteral("station"));
        const ProgramRun applied = run({"--port", station.devicePath(), "--apply", file, "--json"});
        QVERIFY2(applied.exitCode == 0, qPrintable(applied.err));
        const QJsonObject result = jsonLines(applied.out).value(0);
        QCOMPARE(result.value("result").toString(), QStringLiteral("applied"));
        QCOMPARE(result.value("fingerprint_before").toString(), fingerprintOf(wireOf(sim::Scene())));
        QCOMPARE(result.value("fingerprint_after").toString(), fingerprintOf(areaScene()));
        QCOMPARE(framesOf(station, WriteCodes), framesOf(byHand, WriteCodes));
        QCOMPARE(framesOf(station, WriteCodes).size(), 5);
        // Read back after the writes, and the radar holds the file's scene.
        QCOMPARE(codesOf(station).mid(codesOf(station).lastIndexOf(0x04) + 1), ReadCodes);
        QCOMPARE(fingerprintOf(wireOf(station.scene())), fingerprintOf(areaScene()));

        station.clearRequests();
        const ProgramRun again = run({"--port", station.devicePath(), "--apply", file});
        QCOMPARE(again.exitCode, 0);
        QVERIFY2(again.out.contains(QStringLiteral("场景指纹 %1 已与文件的相同，没有写入").arg(fingerprintOf(areaScene()))),
                 qPrintable(again.out));
        QVERIFY(framesOf(station, WriteCodes).isEmpty());

        // The history as the window keeps it, one radar's entries apart from the other's.
        QCOMPARE(history(result.value("serial").toString()),
                 (QStringList{"readback ok", "scene_sent ok", "verified equal {\"expected\":\"" + fingerprintOf(areaScene()) + "\"}",
                              "readback ok"}));
    }

    void verifyExitsZeroOrThree_data()
    {
        QTest::addColumn<int>("alarmFarCm");
        QTest::addColumn<QString>("alsoPort");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("result");
        QTest::newRow("the radar's own scene") << 200 << "" << 0 << "equal";
        QTest::newRow("one centimetre more") << 201 << "" << 3 << "different";
        // A radar that cannot be reached outweighs a difference.
        QTest::newRow("different, and a port that does not open") << 201 << "nowhere" << 2 << "different";
    }
    void verifyExitsZeroOrThree()
    {
        QFETCH(int, alarmFarCm);
        QFETCH(QString, alsoPort);
        sim::RadarSimulator &checked = radar(QStringLiteral("checked"));
        WireScene scene = wireOf(sim::Scene());
        scene.alarmFarCm = quint16(alarmFarCm);
        QStringList ports{checked.devicePath()};
        if (!alsoPort.isEmpty())
            ports << path(alsoPort);
        const ProgramRun verified = run({"--port", ports.join(','), "--verify", sceneFile(scene), "--json"});
        QTEST(verified.exitCode, "exitCode");
        QCOMPARE(jsonLines(verified.out).size(), ports.size());
        QTEST(jsonLines(verified.out).value(0).value("result").toString(), "result");
        QVERIFY(framesOf(checked, WriteCodes).isEmpty());
    }

    // With several radars each file gets the radar's serial number before its suffix.
    void readWritesTheRadarsScene_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<int>("radarCount");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("full scene files, two radars") << "scene.json" << 2
                                                      << QStringList{"scene-02340006009a.json", "scene-02340007009a.json"};
        QTest::newRow("a .cfg") << "lane.cfg" << 1 << QStringList{"lane.cfg"};
    }
    void readWritesTheRadarsScene()
    {
        QFETCH(QString, given);
        QFETCH(int, radarCount);
        QFETCH(QStringList, written);
        QStringList ports;
        for (int k = 0; k < radarCount; ++k) {
            sim::Scene scene;
            scene.alarmFar = quint16(210 + k);
            ports << radar(QStringLiteral("read%1").arg(k), 2, quint16(0x0006 + k), scene).devicePath();
        }
        const ProgramRun read = run({"--port", ports.join(','), "--read", given, "--json"});
        QCOMPARE(read.exitCode, 0);
        const QList<QJsonObject> lines = jsonLines(read.out);
        for (int k = 0; k < radarCount; ++k) {
            QCOMPARE(lines.value(k).value("file").toString(), written[k]);
            const WireScene held = wireOf(radars[k]->scene());
            QCOMPARE(lines.value(k).value("fingerprint_after").toString(), fingerprintOf(held));
            if (given.endsWith(".cfg")) {
                const QByteArray bytes = fileBytes(path(written[k]));
                QCOMPARE(bytes.size(), SceneConfigSize);
                QCOMPARE(decodeSceneConfig(bytes).alarmFar, held.alarmFarCm / 100.0);
                continue;
            }
            SceneFile file;
            QString error;
            QVERIFY2(readSceneFile(path(written[k]), &file, &error), qPrintable(error));
            QCOMPARE(fingerprintOf(file.scene), fingerprintOf(held));
        }
        QVERIFY(framesOf(*radars[0], WriteCodes).isEmpty());
    }

    void aSilentRadarIsReportedAndTheNextIsApplied()
    {
        sim::RadarSimulator &silent = radar(QStringLiteral("silent"), 2, 0x0003);
        silent.setFaultForAll(sim::FaultSpec{sim::Fault::Silent});
        sim::RadarSimulator &answering = radar(QStringLiteral("answering"), 2, 0x0004);
        const ProgramRun both = run({"--port", silent.devicePath() + "," + answering.devicePath(), "--apply",
                                     sceneFile(areaScene()), "--json"});
        QCOMPARE(both.exitCode, 2);
        const QList<QJsonObject> lines = jsonLines(both.out);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].value("port").toString(), silent.devicePath());
        QCOMPARE(lines[0].value("result").toString(), QStringLiteral("failed"));
        QCOMPARE(lines[0].value("step").toString(), QStringLiteral("identity"));
        QVERIFY2(lines[0].value("message").toString().contains(QStringLiteral("没有雷达应答")), qPrintable(both.out));
        QCOMPARE(lines[0].value("serial"), QJsonValue());
        QCOMPARE(lines[1].value("result").toString(), QStringLiteral("applied"));
        QCOMPARE(fingerprintOf(wireOf(answering.scene())), fingerprintOf(areaScene()));
    }

    // A channel radar with two marked cells gets a .cfg's values; its cells stay, and the save
    // goes to flash.
    void aCfgKeepsTheRadarsCellsAndIsSaved()
    {
        sim::Scene held;
        held.detectionFar = 750;
        held.alarmFar = 250;
        held.warningFar = 250;
        held.gridEdge = 100;
        held.cellCount = 2;
        held.cells[0] = {150, 350};
        held.cells[1] = {-50, 50};
        sim::RadarSimulator &channel = radar(QStringLiteral("channel"), 1, 0x0005, held);
        SceneConfig values;
        values.detectionFar = 8;
        values.detectionNear = 1;
        values.warningFar = 3;
        values.alarmFar = 3;
        values.leftBoundary = -1.5;
        values.rightBoundary = 2;
        values.detectionAngle = 100;
        values.gridIndex = 2; // 1 m, the radar's own
        values.targetDirectionIndex = 1;
        values.targetTypeIndex = 2;
        QFile cfg(path(QStringLiteral("lane.cfg")));
        QVERIFY(cfg.open(QIODevice::WriteOnly) && cfg.write(encodeSceneConfig(values)) == SceneConfigSize);
        cfg.close();
        const ProgramRun saved = run({"--port", channel.devicePath(), "--apply", cfg.fileName(), "--save-to-flash", "--json"});
        QVERIFY2(saved.exitCode == 0, qPrintable(saved.out + saved.err));
        const QJsonObject result = jsonLines(saved.out).value(0);
        QCOMPARE(result.value("result").toString(), QStringLiteral("saved"));
        QCOMPARE(result.value("cells_from_radar").toBool(), true);
        const sim::Scene now = channel.scene();
        QCOMPARE((QList<int>{now.detectionFar, now.alarmFar, now.startDistance, now.leftBoundary, now.targetType}),
                 (QList<int>{800, 300, 100, -3, 2}));
        QCOMPARE(wireOf(now).cells, wireOf(held).cells);
        QCOMPARE(result.value("fingerprint_after").toString(), fingerprintOf(wireOf(now)));
        QCOMPARE(channel.flashSaves(), 1);
        QCOMPARE(codesOf(channel).constLast(), 0x10);
    }

    void anotherDeviceTypeOnlyWithForce_data()
    {
        QTest::addColumn<bool>("force");
        QTest::newRow("refused") << false;
        QTest::newRow("--force") << true;
    }
    void anotherDeviceTypeOnlyWithForce()
    {
        QFETCH(bool, force);
        sim::RadarSimulator &obstacle = radar(QStringLiteral("obstacle"), 3);
        QStringList arguments{"--port", obstacle.devicePath(), "--apply", sceneFile(areaScene(), 2), "--json"};
        if (force)
            arguments << "--force";
        const ProgramRun applied = run(arguments);
        QCOMPARE(applied.exitCode, force ? 0 : 2);
        const QJsonObject result = jsonLines(applied.out).value(0);
        QCOMPARE(result.value("result").toString(), force ? QStringLiteral("applied") : QStringLiteral("failed"));
        QCOMPARE(result.value("step").toString(), force ? QString() : QStringLiteral("device_type"));
        QCOMPARE(framesOf(obstacle, WriteCodes).size(), force ? 5 : 0);
    }

    // The window says which store its history uses and what waits there for the server.
    void theWindowNamesItsHistoryStore()
    {
        RadarHistory away;
        RadarHistory::Settings unreachable;
        unreachable.server = QStringLiteral("host=/nonexistent dbname=radar user=qa");
        QVERIFY(away.open(unreachable));
        HistoryEntry entry;
        entry.serial = QStringLiteral("02340001009a");
        entry.action = QString::fromLatin1(HistoryAction::Readback);
        entry.result = QString::fromLatin1(HistoryResult::Ok);
        QVERIFY2(away.record(entry) && entry.id == 0, qPrintable(away.errorText()));
        away.close();

        MainWindow window;
        const QLabel *store = window.findChild<QLabel *>(QStringLiteral("labelHistoryStore"));
        QVERIFY(store && store->isHidden());
        QVERIFY(window.radarHistory());
        QCOMPARE(store->text(), QStringLiteral("雷达历史：本机文件 radar-history.sqlite（1 条记录等待发送到服务器）"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments"); // RADAR: the radar's port, FILE: a good scene file
        QTest::addColumn<QByteArray>("content");    // of FILE when not empty
        QTest::addColumn<QByteArray>("historyFile"); // of radar-history.sqlite when not empty
        QTest::addColumn<int>("silentWrite");       // a write the radar leaves unanswered
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("said");
        const QByteArray good; // the file as made
        QTest::newRow("unknown option") << QStringList{"--apply", "FILE", "--port", "RADAR", "--frobnicate"} << good << good
                                        << 0 << 1 << "" << "frobnicate";
        QTest::newRow("--apply without --port") << QStringList{"--apply", "FILE"} << good << good << 0 << 1 << ""
                                                << "--apply 需要用 --port 给出至少一个串口";
        QTest::newRow("--save-to-flash without --apply") << QStringList{"--verify", "FILE", "--port", "RADAR", "--save-to-flash"}
                                                         << good << good << 0 << 1 << "" << "--save-to-flash 只能与 --apply 一起使用";
        QTest::newRow("--force without --apply") << QStringList{"--read", "out.json", "--port", "RADAR", "--force"} << good
                                                 << good << 0 << 1 << "" << "--force 只能与 --apply 一起使用";
        QTest::newRow("two actions") << QStringList{"--read", "out.json", "--apply", "FILE", "--port", "RADAR"} << good << good
                                     << 0 << 1 << "" << "请只给出 --read 或 --apply 之一";
        QTest::newRow("missing file") << QStringList{"--apply", "gone.json", "--port", "RADAR"} << good << good << 0 << 1 << ""
                                      << "gone.json";
        QTest::newRow("cut-short scene file") << QStringList{"--verify", "FILE", "--port", "RADAR"}
                                              << QByteArray("{\"format\": \"radar-") << good << 0 << 1 << "" << "JSON";
        QTest::newRow("short .cfg") << QStringList{"--apply", "short.cfg", "--port", "RADAR"} << good << good << 0 << 1 << ""
                                    << "不是 64 字节的 .cfg 场景文件";
        QTest::newRow("a port that is a plain file") << QStringList{"--apply", "FILE", "--port", "FILE", "--json"} << good
                                                     << good << 0 << 2 << "open" << "这是一个普通文件，不是串口";
        QTest::newRow("the radar stops answering half way") << QStringList{"--apply", "FILE", "--port", "RADAR", "--json"}
                                                            << good << good << 0x03 << 2 << "alarm_area" << "雷达报警区域设置失败";
        // The scene goes to the radar all the same; the output says the history did not take it.
        QTest::newRow("a history that cannot be written") << QStringList{"--apply", "FILE", "--port", "RADAR", "--json"}
                                                          << good << QByteArray("not a database") << 0 << 0 << ""
                                                          << "雷达历史无法写入";
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, historyFile);
        QFETCH(int, silentWrite);
        QFETCH(int, exitCode);
        QFETCH(QString, step);
        QFETCH(QString, said);
        sim::RadarSimulator &target = radar(QStringLiteral("target"));
        if (silentWrite)
            target.setFault(quint8(silentWrite), sim::FaultSpec{sim::Fault::Silent});
        const QString file = sceneFile(areaScene());
        for (const auto &made : {qMakePair(file, content), qMakePair(path(QStringLiteral("radar-history.sqlite")), historyFile),
                                 qMakePair(path(QStringLiteral("short.cfg")), QByteArray(10, '\x40'))}) {
            QFile written(made.first);
            QVERIFY(made.second.isEmpty()
                    || (written.open(QIODevice::WriteOnly | QIODevice::Truncate) && written.write(made.second) == made.second.size()));
        }
        arguments.replaceInStrings(QStringLiteral("RADAR"), target.devicePath());
        arguments.replaceInStrings(QStringLiteral("FILE"), file);

        const ProgramRun refused = run(arguments);
        QCOMPARE(refused.exitCode, exitCode);
        QVERIFY2((refused.out + refused.err).contains(said), qPrintable(refused.out + refused.err));
        if (exitCode == 1) {
            QVERIFY(target.requests().isEmpty());
            return;
        }
        const QJsonObject result = jsonLines(refused.out).value(0);
        QCOMPARE(result.value("result").toString(), step.isEmpty() ? QStringLiteral("applied") : QStringLiteral("failed"));
        QCOMPARE(result.value("step").toString(), step);
        if (!silentWrite)
            return;
        // Half sent: the radar holds the new detection area and its old alarm area, and says so.
        QCOMPARE(codesOf(target).mid(codesOf(target).indexOf(0x02)), (QList<int>{0x02, 0x03} + ReadCodes));
        const QString partial = fingerprintOf(wireOf(target.scene()));
        QCOMPARE(target.scene().detectionFar, areaScene().detectionFarCm);
        QCOMPARE(result.value("fingerprint_after").toString(), partial);
        QVERIFY(result.value("message").toString().contains(partial));
        QCOMPARE(history(result.value("serial").toString()),
                 (QStringList{"readback ok", "scene_sent failed {\"step\":\"alarm_area\"}",
                              "verified different {\"expected\":\"" + fingerprintOf(areaScene()) + "\"}"}));
    }
};

RADAR_TEST_MAIN(TestBatch)
#include "tst_batch.moc"
