// The batch commands as an end-of-line script runs them: the real program with no display in its
// environment, simulated radars on pseudo-terminals. What they protect: --apply puts on the wire
// exactly what the window's send of the same scene puts there and then reads it back; a radar
// already holding the scene gets nothing; --verify's exit statuses; one silent radar among
// several is reported and does not stop the others; a .cfg keeps the radar's own cells and
// --save-to-flash commits; --read's files; the history holds what the batch did, in the store the
// window names; and every bad input (a file for another device type among them, written only
// with --force) gets its message and its exit status, the radar untouched or left as the partial
// send left it.
#include "dialoganswerer.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "scenefile.h"
#include "scenefingerprint.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

using namespace radarlink;

namespace {
const QList<int> WriteCodes{0x02, 0x03, 0x07, 0x08, 0x04};
const QList<int> ReadCodes{0x0A, 0x0B, 0x0C, 0x14, 0x15};
// An area scanner's scene unlike the simulator's own in every write.
const WireScene AreaScene{750, 100, 500, 250, -2, 2, 50, {{100, 400}, {-100, 150}, {0, 50}}, 0, 4, 150};

WireScene wireOf(const sim::Scene &s)
{
    WireScene w{s.detectionFar, s.detectionAngle, s.warningFar,      s.alarmFar, s.leftBoundary, s.rightBoundary,
                s.gridEdge,     {},               s.targetDirection, s.targetType, s.startDistance};
    for (int i = 0; i < s.cellCount && i < int(s.cells.size()); ++i)
        w.cells << QPoint(s.cells[i].x, s.cells[i].y);
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

QList<QByteArray> framesOf(const sim::RadarSimulator &radar, const QList<int> &codes = WriteCodes)
{
    QList<QByteArray> frames;
    for (const sim::ReceivedRequest &r : radar.requests())
        if (codes.contains(r.functionCode))
            frames << r.bytes;
    return frames;
}

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    QList<std::shared_ptr<sim::RadarSimulator>> radars;

    QString path(const QString &name) const { return folder->filePath(name); }

    // A radar behind folder/<name>, of this type and serial, holding the scene.
    sim::RadarSimulator &radar(const QString &name, int deviceType = 2, int serialWord2 = 1, const sim::Scene &scene = {})
    {
        radars << std::make_shared<sim::RadarSimulator>();
        radars.last()->setIdentity({2, quint8(deviceType), 0x1234, quint16(serialWord2)});
        radars.last()->setScene(scene);
        radars.last()->setTargets(0);
        if (!radars.last()->start(path(name)))
            qFatal("%s", qPrintable(radars.last()->errorString()));
        return *radars.last();
    }

    QString sceneFile(const WireScene &scene, int deviceType = 2)
    {
        QString error;
        return writeSceneFile(path("scene.json"), SceneFile{deviceType, scene}, &error) ? path("scene.json") : error;
    }

    ProgramRun run(const QStringList &arguments) { return runProgram(RADAR_PROGRAM, arguments, folder->path(), 60000); }

    // The radar's entries in the order written: action, result and details when there are any.
    QStringList history(const QString &serial)
    {
        QStringList entries;
        for (const QJsonObject &e : jsonLines(run({"--history", serial}).out)) {
            QString entry = e.value("action").toString() + ' ' + e.value("result").toString() + ' '
                            + QJsonDocument(e.value("details").toObject()).toJson(QJsonDocument::Compact);
            entries << entry.remove(" {}");
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
        QVERIFY(folder->isValid() && QDir::setCurrent(folder->path()));
    }
    void cleanup()
    {
        radars.clear();
        QDir::setCurrent(QDir::tempPath());
        folder.reset();
    }

    void applyWritesWhatTheWindowWritesThenNothing()
    {
        const QString file = sceneFile(AreaScene);
        // The window, with the operator's clicks: connect, import the file, yes, OK.
        sim::RadarSimulator &byHand = radar("by-hand", 2, 2);
        {
            MainWindow window;
            window.ui->comboBoxSerial->setEditText(byHand.devicePath());
            window.ui->pushButtonConnect->click();
            // The history in use since the read-back, named in the status bar.
            QCOMPARE(window.findChild<QLabel *>("labelHistoryStore")->text(),
                     QStringLiteral("雷达历史：本机文件 radar-history.sqlite"));
            DialogAnswerer answers;
            answers.answerFileDialog(file);
            answers.answerMessageBox(QMessageBox::Yes);
            answers.answerMessageBox(QMessageBox::Ok);
            window.ui->actionImportScene->trigger();
            QVERIFY(answers.waitDone());
            QCOMPARE(answers.seen.value(2).text, QStringLiteral("雷达场景参数设置成功"));
        }
        sim::RadarSimulator &station = radar("station");
        const ProgramRun applied = run({"--port", station.devicePath(), "--apply", file, "--json"});
        QVERIFY2(applied.exitCode == 0, qPrintable(applied.err));
        const QJsonObject result = jsonLines(applied.out).value(0);
        QCOMPARE(result.value("result").toString(), QStringLiteral("applied"));
        QCOMPARE(result.value("fingerprint_before").toString(), fingerprintOf(wireOf(sim::Scene())));
        QCOMPARE(result.value("fingerprint_after").toString(), fingerprintOf(AreaScene));
        QCOMPARE(framesOf(station), framesOf(byHand));
        QCOMPARE(framesOf(station).size(), 5);
        // Read at the connection and back after the writes; the radar holds the file's scene.
        QCOMPARE(framesOf(station, ReadCodes).size(), 10);
        QCOMPARE(fingerprintOf(wireOf(station.scene())), fingerprintOf(AreaScene));

        station.clearRequests();
        const ProgramRun again = run({"--port", station.devicePath(), "--apply", file});
        QCOMPARE(again.exitCode, 0);
        QVERIFY2(again.out.contains(QStringLiteral("场景指纹 %1 已与文件的相同，没有写入").arg(fingerprintOf(AreaScene))),
                 qPrintable(again.out));
        QVERIFY(framesOf(station).isEmpty());
        // The history as the window keeps it, this radar's entries apart from the other's.
        QCOMPARE(history(result.value("serial").toString()),
                 (QStringList{"readback ok", "scene_sent ok", "verified equal {\"expected\":\"" + fingerprintOf(AreaScene) + "\"}",
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
        sim::RadarSimulator &checked = radar("checked");
        WireScene scene = wireOf(sim::Scene());
        scene.alarmFarCm = quint16(alarmFarCm);
        const QString ports = checked.devicePath() + (alsoPort.isEmpty() ? QString() : ',' + path(alsoPort));
        const ProgramRun verified = run({"--port", ports, "--verify", sceneFile(scene), "--json"});
        QTEST(verified.exitCode, "exitCode");
        QCOMPARE(jsonLines(verified.out).size(), alsoPort.isEmpty() ? 1 : 2);
        QTEST(jsonLines(verified.out).value(0).value("result").toString(), "result");
        QVERIFY(framesOf(checked).isEmpty());
    }

    void aSilentRadarIsReportedAndTheNextIsApplied()
    {
        sim::RadarSimulator &silent = radar("silent", 2, 3);
        silent.setFaultForAll(sim::FaultSpec{sim::Fault::Silent});
        sim::RadarSimulator &answering = radar("answering", 2, 4);
        const ProgramRun both = run({"--port", silent.devicePath(), "--port", answering.devicePath(), "--apply",
                                     sceneFile(AreaScene), "--json"});
        QCOMPARE(both.exitCode, 2);
        const QList<QJsonObject> lines = jsonLines(both.out);
        QCOMPARE(lines.size(), 2);
        QCOMPARE((QList<QJsonValue>{lines[0].value("port"), lines[0].value("result"), lines[0].value("step"), lines[0].value("serial")}),
                 (QList<QJsonValue>{silent.devicePath(), "failed", "identity", QJsonValue()}));
        QVERIFY2(lines[0].value("message").toString().contains(QStringLiteral("没有雷达应答")), qPrintable(both.out));
        QCOMPARE(lines[1].value("result").toString(), QStringLiteral("applied"));
        QCOMPARE(fingerprintOf(wireOf(answering.scene())), fingerprintOf(AreaScene));
    }

    // A channel radar with two marked cells gets a .cfg's values; its cells stay, and the save
    // goes to flash.
    void aCfgKeepsTheRadarsCellsAndIsSaved()
    {
        const sim::Scene held{750, 120, 250, 250, -2, 2, 2, 100, {{{150, 350}, {-50, 50}}}, 0, 0, 0};
        sim::RadarSimulator &channel = radar("channel", 1, 5, held);
        // 8 m, start 1 m, 3 m, lane -1.5 m to 2 m, 100°, 1 m grid (the radar's), approaching vehicles.
        QVERIFY(writeFile(path("lane.cfg"), encodeSceneConfig({8, 1, 3, 3, -1.5, 2, 100, 2, 1, 2})));
        const ProgramRun saved = run({"--port", channel.devicePath(), "--apply", path("lane.cfg"), "--save-to-flash", "--json"});
        QVERIFY2(saved.exitCode == 0, qPrintable(saved.out + saved.err));
        const QJsonObject result = jsonLines(saved.out).value(0);
        QCOMPARE(result.value("result").toString(), QStringLiteral("saved"));
        QCOMPARE(result.value("cells_from_radar").toBool(), true);
        const sim::Scene now = channel.scene();
        QCOMPARE((QList<int>{now.detectionFar, now.alarmFar, now.startDistance, now.leftBoundary, now.targetType}),
                 (QList<int>{800, 300, 100, -3, 2}));
        QCOMPARE(wireOf(now).cells, wireOf(held).cells);
        QCOMPARE(result.value("fingerprint_after").toString(), fingerprintOf(wireOf(now)));
        QCOMPARE(framesOf(channel, {0x10}).size(), 1);
    }

    // With several radars each file gets the radar's serial number before its suffix.
    void readWritesTheRadarsScene_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("full scene files, two radars") << "scene.json"
                                                      << QStringList{"scene-02340006009a.json", "scene-02340007009a.json"};
        QTest::newRow("a .cfg") << "lane.cfg" << QStringList{"lane.cfg"};
    }
    void readWritesTheRadarsScene()
    {
        QFETCH(QString, given);
        QFETCH(QStringList, written);
        QStringList ports;
        for (int k = 0; k < written.size(); ++k)
            ports << radar(QString::number(k), 2, 6 + k, sim::Scene{600, 120, 400, quint16(210 + k)}).devicePath();
        const ProgramRun read = run({"--port", ports.join(','), "--read", given, "--json"});
        QCOMPARE(read.exitCode, 0);
        for (int k = 0; k < written.size(); ++k) {
            const QJsonObject line = jsonLines(read.out).value(k);
            const WireScene held = wireOf(radars[k]->scene());
            QCOMPARE(line.value("file").toString(), written[k]);
            QCOMPARE(line.value("fingerprint_after").toString(), fingerprintOf(held));
            const QByteArray bytes = fileBytes(path(written[k]));
            SceneFile file;
            QString error;
            if (given.endsWith(".cfg"))
                QCOMPARE((QList<double>{double(bytes.size()), decodeSceneConfig(bytes).alarmFar}),
                         (QList<double>{64, held.alarmFarCm / 100.0}));
            else
                QVERIFY2(decodeSceneFile(bytes, &file, &error) && file.scene == held, qPrintable(error));
        }
        QVERIFY(framesOf(*radars[0]).isEmpty());
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments"); // RADAR: the radar's port, FILE: a good scene file
        QTest::addColumn<QStringList>("written");   // files made first, "name|content"
        QTest::addColumn<int>("silentWrite");       // a write the radar leaves unanswered
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("said");
        const QStringList none;
        QTest::newRow("unknown option") << QStringList{"--apply", "FILE", "--port", "RADAR", "--frobnicate"} << none << 0 << 1
                                        << "" << "frobnicate";
        QTest::newRow("--apply without --port") << QStringList{"--apply", "FILE"} << none << 0 << 1 << ""
                                                << "--apply 需要用 --port 给出至少一个串口";
        QTest::newRow("--save-to-flash without --apply") << QStringList{"--verify", "FILE", "--port", "RADAR", "--save-to-flash", "--force"}
                                                         << none << 0 << 1 << "" << "--save-to-flash 只能与 --apply 一起使用";
        QTest::newRow("two actions") << QStringList{"--read", "out.json", "--apply", "FILE", "--port", "RADAR"} << none << 0 << 1
                                     << "" << "请只给出 --read 或 --apply 之一";
        QTest::newRow("missing file") << QStringList{"--apply", "gone.json", "--port", "RADAR"} << none << 0 << 1 << ""
                                      << "gone.json";
        QTest::newRow("cut-short scene file") << QStringList{"--verify", "FILE", "--port", "RADAR"}
                                              << QStringList{"scene.json|{\"format\": \"radar-"} << 0 << 1 << "" << "JSON";
        QTest::newRow("short .cfg") << QStringList{"--apply", "short.cfg", "--port", "RADAR"} << QStringList{"short.cfg|@@@@@@@@@@"}
                                    << 0 << 1 << "" << "不是 64 字节的 .cfg 场景文件";
        QTest::newRow("a port that is a plain file") << QStringList{"--apply", "FILE", "--port", "FILE", "--json"} << none << 0
                                                     << 2 << "open" << "这是一个普通文件，不是串口";
        QTest::newRow("the radar stops answering half way") << QStringList{"--apply", "FILE", "--port", "RADAR", "--json"}
                                                            << none << 0x03 << 2 << "alarm_area" << "雷达报警区域设置失败";
        const QStringList obstacleFile{"scene.json|" + QString::fromUtf8(encodeSceneFile(SceneFile{3, AreaScene}))};
        QTest::newRow("another device type") << QStringList{"--apply", "FILE", "--port", "RADAR", "--json"} << obstacleFile << 0
                                             << 2 << "device_type" << "没有写入（--force 仍然写入）";
        QTest::newRow("another device type, --force") << QStringList{"--apply", "FILE", "--port", "RADAR", "--json", "--force"}
                                                      << obstacleFile << 0 << 0 << "" << "\"applied\"";
        // The scene goes to the radar all the same; the output says the history did not take it.
        QTest::newRow("a history that cannot be written") << QStringList{"--apply", "FILE", "--port", "RADAR", "--json"}
                                                          << QStringList{"radar-history.sqlite|not a database"} << 0 << 0 << ""
                                                          << "雷达历史无法写入";
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, written);
        QFETCH(int, silentWrite);
        QFETCH(int, exitCode);
        QFETCH(QString, step);
        QFETCH(QString, said);
        sim::RadarSimulator &target = radar("target");
        if (silentWrite)
            target.setFault(quint8(silentWrite), sim::FaultSpec{sim::Fault::Silent});
        const QString file = sceneFile(AreaScene);
        for (const QString &made : written)
            QVERIFY(writeFile(path(made.section('|', 0, 0)), made.section('|', 1).toUtf8()));
        const ProgramRun refused = run(arguments.replaceInStrings("RADAR", target.devicePath()).replaceInStrings("FILE", file));
        QCOMPARE(refused.exitCode, exitCode);
        QVERIFY2((refused.out + refused.err).contains(said), qPrintable(refused.out + refused.err));
        if (exitCode == 1) {
            QVERIFY(target.requests().isEmpty());
            return;
        }
        const QJsonObject result = jsonLines(refused.out).value(0);
        QCOMPARE(result.value("result").toString(), step.isEmpty() ? QStringLiteral("applied") : QStringLiteral("failed"));
        QCOMPARE(result.value("step").toString(), step);
        QCOMPARE(framesOf(target).isEmpty(), !silentWrite && !step.isEmpty());
        if (!silentWrite)
            return;
        // Half sent: the radar holds the new detection area and its old alarm area, read back once more.
        QCOMPARE((QList<int>{int(framesOf(target).size()), int(framesOf(target, ReadCodes).size())}), (QList<int>{2, 10}));
        const QString partial = fingerprintOf(wireOf(target.scene()));
        QCOMPARE(target.scene().detectionFar, AreaScene.detectionFarCm);
        QCOMPARE(result.value("fingerprint_after").toString(), partial);
        QVERIFY(result.value("message").toString().contains(partial));
        QCOMPARE(history(result.value("serial").toString()),
                 (QStringList{"readback ok", "scene_sent failed {\"step\":\"alarm_area\"}",
                              "verified different {\"expected\":\"" + fingerprintOf(AreaScene) + "\"}"}));
    }
};

RADAR_TEST_MAIN(TestBatch)
#include "tst_batch.moc"
