// Recording a connection: the frames, identity, scenes and events that land in the session's
// SQLite file, every zone entered also left however the session ends, a closed recording left
// as one file, a tool killed while recording (its journal beside the file or the file copied
// alone), a backlog that cannot be written, the folder's size cap (its forms, the newest kept,
// another instance's open recording spared), and the command line's CSV exports, including
// what it says about files that are not good recordings and outputs it will not overwrite.
#include "sessionfixture.h"

#include "recorder.h"
#include "recordingfile.h"

#include <csignal>

namespace {
// A lock as a writer that has died leaves it: it names a process id no process can have.
bool leaveStaleLock(const QString &recordingPath)
{
    return writeFile(recordingPath + QStringLiteral(".lock"),
                     QStringLiteral("2147483647\nradar-config\n%1\n").arg(QSysInfo::machineHostName()).toUtf8());
}

const QList<sim::Target> InAlarmZone = {{1, 50, 100, 7, 8, 1}, {2, -30, 120, 9, 10, 2}};
const QList<sim::Target> InDetectionZone = {{4, 0, 600, 11, 12, 1}};

QVector<recording::Target> recorded(const QList<sim::Target> &targets)
{
    QVector<recording::Target> out;
    for (const sim::Target &t : targets)
        out.append({t.id, t.x, t.y, t.cls, t.a, t.b});
    return out;
}

// A recording as the reader gives it back.
struct Contents
{
    QVector<recording::Frame> frames;
    QVector<recording::Event> events;
    QVector<recording::Scene> scenes;
    recording::Identity identity;
    bool hasIdentity = false;

    // The zone events as "event zone ids", or the other events' names.
    QStringList eventLines(bool zone) const
    {
        QStringList lines;
        for (const recording::Event &e : events)
            if (e.event.startsWith(QLatin1String("zone_")) == zone)
                lines << QStringList{e.event, e.zone, e.ids}.join(QLatin1Char(' ')).trimmed();
        return lines;
    }
};

// Reads the whole recording; returns the reader's complaint, empty when all went well.
QString readRecording(const QString &path, Contents *contents)
{
    recording::Reader reader;
    if (!reader.open(path) || !reader.readFrames(&contents->frames) || !reader.readEvents(&contents->events)
        || !reader.readScenes(&contents->scenes))
        return reader.errorString() + QStringLiteral(" (reading %1)").arg(path);
    contents->hasIdentity = reader.readIdentity(&contents->identity);
    return QString();
}
} // namespace

class TestRecording : public SessionFixture
{
    Q_OBJECT

    QString recordingsFolder() const { return folder->filePath(QStringLiteral("recordings")); }
    QStringList recordingFiles() const
    {
        return QDir(recordingsFolder()).entryList({QStringLiteral("*.sqlite")}, QDir::Files, QDir::Name);
    }

    bool connectToAlarmTargets(int frames)
    {
        radar->setFixedTargets(InAlarmZone);
        pressConnect();
        return framesPass(frames);
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    // The session's recording, and both exports of it as the command line writes them. The
    // session: connect, poll the alarm-zone targets, then the detection-zone one, send a changed
    // scene, disconnect.
    void recordsTheSessionAndExportsIt()
    {
        radar->setScene(commissionedScene());
        QVERIFY(connectToAlarmTargets(20));
        radar->setFixedTargets(InDetectionZone);
        QVERIFY(framesPass(20));
        ui()->spinBoxSurveyFar->setValue(7.0);
        sendScene();
        const QString path = w().recordingPath();
        ui()->pushButtonDisconnect->click();
        QCOMPARE(recordingFiles(), QStringList{QFileInfo(path).fileName()});
        QVERIFY(QFileInfo(path).fileName().contains(QRegularExpression(
            QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d\\.sqlite$"))));
        Contents rec;
        QCOMPARE(readRecording(path, &rec), QString());
        const QVector<recording::Frame> &frames = rec.frames;
        QVERIFY(frames.size() >= 40);

        // Alarm-zone targets first, then the detection-zone one: what the radar sent.
        int firstDetection = -1;
        for (int i = 0; i < frames.size(); ++i) {
            QCOMPARE(frames.at(i).number, qint64(i));
            if (i > 0)
                QVERIFY(frames.at(i).timeMs >= frames.at(i - 1).timeMs);
            if (firstDetection < 0 && frames.at(i).targets == recorded(InDetectionZone))
                firstDetection = i;
            QCOMPARE(frames.at(i).targets, firstDetection < 0 ? recorded(InAlarmZone) : recorded(InDetectionZone));
            QCOMPARE(frames.at(i).alarm, firstDetection < 0);
            QCOMPARE(frames.at(i).detection, firstDetection >= 0);
            QVERIFY(!frames.at(i).warning);
        }
        QVERIFY(firstDetection >= 20);

        // The zone events follow the flags frame by frame, with the ids inside.
        QCOMPARE(rec.eventLines(true), (QStringList{QStringLiteral("zone_entered alarm 1,2"), QStringLiteral("zone_left alarm 1,2"),
                                                    QStringLiteral("zone_entered detection 4"), QStringLiteral("zone_left detection 4")}));
        QCOMPARE(rec.eventLines(false), (QStringList{QStringLiteral("connected"), QStringLiteral("disconnected")}));
        const auto left = *std::find_if(rec.events.begin(), rec.events.end(),
                                        [](const recording::Event &e) { return e.event == QLatin1String("zone_left"); });
        QVERIFY(left.timeMs >= frames.at(firstDetection - 1).timeMs && left.timeMs <= frames.at(firstDetection).timeMs + 50);

        QVERIFY(rec.hasIdentity);
        QCOMPARE(rec.identity.deviceType, int(radar->identity().deviceType));
        QCOMPARE(rec.identity.station, int(radar->identity().station));
        QCOMPARE(rec.identity.serialNumber, ui()->labelID->text());

        QCOMPARE(rec.scenes.size(), 2);
        const recording::Scene &readBack = rec.scenes.at(0);
        QCOMPARE(readBack.origin, QStringLiteral("readback"));
        QCOMPARE(readBack.scene.detectionFarCm, quint16(750));
        QCOMPARE(readBack.scene.alarmFarCm, quint16(250));
        QCOMPARE(readBack.scene.leftHalfMetres, qint8(-4));
        QCOMPARE(readBack.scene.startCm, quint16(150));
        QVector<QPoint> cells = readBack.scene.cells;
        std::sort(cells.begin(), cells.end(), [](const QPoint &a, const QPoint &b) { return a.x() < b.x(); });
        QCOMPARE(cells, (QVector<QPoint>{{-50, 50}, {150, 350}}));
        QCOMPARE(rec.scenes.at(1).origin, QStringLiteral("sent"));
        QCOMPARE(rec.scenes.at(1).scene.detectionFarCm, quint16(700));
        QCOMPARE(rec.scenes.at(1).scene.detectionFarCm, radar->scene().detectionFar);

        const QString csv = folder->filePath(QStringLiteral("frames.csv"));
        ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--export-csv"), path, csv});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        QByteArray expected("time_ms,frame,id,x_cm,y_cm,class,value1,value2\r\n");
        for (const recording::Frame &f : rec.frames)
            for (const recording::Target &t : f.targets)
                expected += QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8\r\n").arg(f.timeMs).arg(f.number).arg(t.id).arg(t.xCm)
                                .arg(t.yCm).arg(t.targetClass).arg(t.value1).arg(t.value2).toUtf8();
        QCOMPARE(fileBytes(csv), expected);

        const QString eventsCsv = folder->filePath(QStringLiteral("events.csv"));
        run = runProgram(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--export-events"), path, eventsCsv});
        QCOMPARE(run.exitCode, 0);
        const QList<QByteArray> eventRows = fileBytes(eventsCsv).split('\n');
        QCOMPARE(eventRows.value(0), QByteArray("time_ms,wall_time,event,zone,ids\r"));
        QVERIFY(eventRows.value(1).endsWith(",connected,,\r"));
        QVERIFY(QDateTime::fromString(QString::fromUtf8(eventRows.value(1).split(',').value(1)), Qt::ISODateWithMs).isValid());
        QVERIFY(eventRows.value(2).endsWith(",zone_entered,alarm,\"1,2\"\r"));
        QCOMPARE(eventRows.constLast(), QByteArray());
        QVERIFY(eventRows.value(eventRows.size() - 2).endsWith(",disconnected,,\r"));
    }

    // A recording locked from outside: the failure is logged once, the poll goes on, and the
    // rows held meanwhile are written once the lock is gone. A line lost and back by itself
    // then stays in the same recording, its events in the operator's order.
    void lockedOrLostTheRecordingGoesOn()
    {
        QVERIFY(connectToAlarmTargets(5));
        const QString path = w().recordingPath();
        const auto failures = [this] { return log().filter(QRegularExpression(QStringLiteral("^检测数据记录写入失败："))).size(); };
        {
            SqliteByHand locker(path, {QStringLiteral("BEGIN IMMEDIATE")});
            QVERIFY(locker.ok);
            const int framesAtLock = view()->frameIndex;
            QVERIFY(waitUntil([&] { return failures() > 0; }, 3000));
            QTest::qWait(2 * Recorder::FlushIntervalMs + 200);
            QVERIFY(view()->frameIndex >= framesAtLock + 20);
            QVERIFY(locker.run(QStringLiteral("COMMIT")));
        }
        const int framesAfter = view()->frameIndex;
        QVERIFY(framesPass(5, 4000));

        const int hangUps = radar->hangUps();
        radar->hangUpNow();
        QVERIFY(waitUntil([&] { return radar->hangUps() > hangUps; }, 3000));
        QVERIFY(waitUntil([&] { return w().isWaitingForPort(); }, 3000));
        QVERIFY(waitUntil([&] { return !w().isWaitingForPort() && view()->frameIndex >= 10; }, 12000));
        QCOMPARE(w().recordingPath(), path);
        ui()->pushButtonDisconnect->click();
        QCOMPARE(recordingFiles(), QStringList{QFileInfo(path).fileName()});
        QCOMPARE(failures(), 1);

        Contents rec;
        QCOMPARE(readRecording(path, &rec), QString());
        QCOMPARE(rec.eventLines(false), (QStringList{QStringLiteral("connected"), QStringLiteral("line_lost"),
                                                     QStringLiteral("reconnected"), QStringLiteral("disconnected")}));
        QVERIFY(rec.frames.size() >= framesAfter + 15);
        for (int i = 0; i < rec.frames.size(); ++i)
            QCOMPARE(rec.frames.at(i).number, qint64(i));
        QCOMPARE(rec.scenes.size(), 2);
        QCOMPARE(rec.scenes.at(1).origin, QStringLiteral("readback"));
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << QStringLiteral("123") << QStringLiteral("123");
        QTest::newRow("comma") << QStringLiteral("1,2") << QStringLiteral("\"1,2\"");
        QTest::newRow("quote") << QStringLiteral("a\"b") << QStringLiteral("\"a\"\"b\"");
        QTest::newRow("line break") << QStringLiteral("a\nb") << QStringLiteral("\"a\nb\"");
    }
    void quoting()
    {
        QFETCH(QString, field);
        QFETCH(QString, written);
        QCOMPARE(recording::csvField(field), written);
        QCOMPARE(recording::csvLine({field, QStringLiteral("x")}), (written + QStringLiteral(",x\r\n")).toUtf8());
    }

    void badInputIsRefusedAndLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a recording") << "text" << QStringLiteral("不是检测记录文件");
        QTest::newRow("other database") << "otherdb" << QStringLiteral("不是检测记录文件");
        QTest::newRow("newer version") << "newer" << QStringLiteral("比本程序新");
        QTest::newRow("truncated") << "truncated" << QStringLiteral("已损坏或不完整");
        QTest::newRow("empty file") << "empty" << QStringLiteral("是空的");
        QTest::newRow("empty recording") << "norows" << QStringLiteral("是空的");
        QTest::newRow("being written") << "writing" << QStringLiteral("正在被另一个程序写入");
    }
    void badInputIsRefusedAndLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString path = folder->filePath(QStringLiteral("input.sqlite"));
        Recorder writer;
        if (kind == QLatin1String("text")) {
            QVERIFY(writeFile(path, "time_ms,frame\n1,2\n"));
        } else if (kind == QLatin1String("empty")) {
            QVERIFY(writeFile(path, QByteArray()));
        } else if (kind == QLatin1String("otherdb")) {
            QVERIFY(SqliteByHand(path, {QStringLiteral("CREATE TABLE people (name TEXT)")}).ok);
        } else if (kind == QLatin1String("newer")) {
            QVERIFY(SqliteByHand(path, recording::schemaStatements()
                                           << QStringLiteral("PRAGMA user_version = %1").arg(recording::SchemaVersion + 1))
                        .ok);
        } else {
            // A real recording, made by the recorder.
            QVERIFY(writer.begin(folder->filePath(QStringLiteral("made")), recording::DefaultFolderCapBytes));
            TargetFrame frame;
            for (quint16 id = 1; id <= 50; ++id)
                frame.insert(id, TargetReport{id, quint16(id * 10), 300, 1, 2, 1});
            for (int i = 0; i < 200 && kind != QLatin1String("norows"); ++i)
                writer.recordFrame(frame, {}, {});
            writer.flush();
            if (kind == QLatin1String("writing")) {
                path = writer.filePath(); // the live file itself, its writer still holding it
            } else {
                writer.end();
                // The recorder always writes a session row; take its events out too.
                if (kind == QLatin1String("norows"))
                    QVERIFY(SqliteByHand(writer.filePath(), {QStringLiteral("DELETE FROM events")}).ok);
                QByteArray bytes = fileBytes(writer.filePath());
                if (kind == QLatin1String("truncated"))
                    bytes.truncate(bytes.size() / 2);
                QVERIFY(writeFile(path, bytes));
            }
        }
        // Both exports fail with one line naming the reason, write nothing and leave the file as it was.
        const QByteArray before = fileBytes(path);
        for (const QString &option : {QStringLiteral("--export-csv"), QStringLiteral("--export-events")}) {
            const QString out = folder->filePath(QStringLiteral("out.csv"));
            const ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), {option, path, out});
            QVERIFY2(run.exitCode > 0, qPrintable(option));
            QVERIFY2(run.err.contains(message) && run.err.count(QLatin1Char('\n')) == 1, qPrintable(run.err));
            QCOMPARE(fileBytes(path), before);
            QVERIFY(!QFileInfo::exists(out));
        }
    }

    // Killed while recording: with its journal beside it the recording holds all but about the
    // last second; its main file copied alone, all but the last checkpoint interval. The lock the
    // dead writer left neither stops a reader nor is removed by one, and reading makes no files.
    void killedToolLeavesAReadableRecording()
    {
        radar->setFixedTargets(InAlarmZone);
        QProcess tool;
        tool.setWorkingDirectory(folder->path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--port"), linkPath()});
        QVERIFY(tool.waitForStarted());
        QVERIFY(waitUntil([&] { return requestCodes().count(0x06) >= 10; }, 15000));
        // Past the first checkpoint by a few seconds.
        QTest::qWait(Recorder::CheckpointIntervalMs + 8000);
        const QList<sim::ReceivedRequest> requests = radar->requests();
        ::kill(pid_t(tool.processId()), SIGKILL);
        QVERIFY(tool.waitForFinished(5000));
        QVector<qint64> pollTimes;
        for (const sim::ReceivedRequest &r : requests)
            if (r.functionCode == 0x06)
                pollTimes << r.msecsSinceStart;

        const QStringList files = recordingFiles();
        QCOMPARE(files.size(), 1);
        const QString path = QDir(recordingsFolder()).filePath(files.first());
        const QStringList beside = QDir(recordingsFolder()).entryList(QDir::Files); // the dead writer's lock among them
        const QString alone = folder->filePath(QStringLiteral("copy/") + files.first());
        QVERIFY(QDir().mkpath(QFileInfo(alone).path()) && QFile::copy(path, alone));

        Contents rec;
        QCOMPARE(readRecording(path, &rec), QString());
        // At 20 polls a second, one second's worth may be lost, and a little more for the
        // timer's own slack.
        QVERIFY2(rec.frames.size() >= pollTimes.size() - 30,
                 qPrintable(QStringLiteral("%1 of %2").arg(rec.frames.size()).arg(pollTimes.size())));
        QVERIFY(rec.frames.size() <= pollTimes.size());
        QCOMPARE(rec.frames.last().targets, recorded(InAlarmZone));

        // The copy holds every frame polled before the last checkpoint could have been missed.
        Contents copied;
        QCOMPARE(readRecording(alone, &copied), QString());
        const qint64 surelyCheckpointed = pollTimes.last() - Recorder::CheckpointIntervalMs - 2 * Recorder::FlushIntervalMs;
        const int framesBefore = int(std::count_if(pollTimes.begin(), pollTimes.end(), [&](qint64 t) { return t < surelyCheckpointed; }));
        QVERIFY2(framesBefore > 0 && copied.frames.size() >= framesBefore && copied.frames.size() <= rec.frames.size(),
                 qPrintable(QStringLiteral("%1, %2 of %3").arg(copied.frames.size()).arg(framesBefore).arg(rec.frames.size())));
        QCOMPARE(copied.frames.last().targets, recorded(InAlarmZone));

        QCOMPARE(QDir(recordingsFolder()).entryList(QDir::Files), beside);
        QCOMPARE(QDir(QFileInfo(alone).path()).entryList(QDir::Files), QStringList{files.first()});
    }

    // However the session ends, every zone entered is left, and a closed recording is one file
    // that reading leaves alone.
    void sessionEndLeavesEveryZone_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("lastEvent");
        QTest::newRow("disconnect") << "disconnect" << "disconnected";
        QTest::newRow("recording switched off") << "recording off" << "recording_stopped";
        QTest::newRow("window closed") << "window closed" << "disconnected";
    }
    void sessionEndLeavesEveryZone()
    {
        QFETCH(QString, ending);
        QFETCH(QString, lastEvent);
        QVERIFY(connectToAlarmTargets(10));
        const QString path = w().recordingPath();
        if (ending == QLatin1String("disconnect")) {
            ui()->pushButtonDisconnect->click();
        } else if (ending == QLatin1String("recording off")) {
            w().recordingAction()->trigger();
            QVERIFY(w().recordingPath().isEmpty());
            QVERIFY(framesPass(3));
        } else {
            window.reset();
        }
        const QStringList oneFile{QFileInfo(path).fileName()};
        QCOMPARE(QDir(recordingsFolder()).entryList(QDir::Files), oneFile);
        Contents rec;
        QCOMPARE(readRecording(path, &rec), QString());
        QCOMPARE(rec.eventLines(true), (QStringList{QStringLiteral("zone_entered alarm 1,2"), QStringLiteral("zone_left alarm 1,2")}));
        QCOMPARE(rec.eventLines(false), (QStringList{QStringLiteral("connected"), lastEvent}));
        QCOMPARE(rec.events.last().event, lastEvent);
        // Any SQLite reader, as an engineer's would.
        QVERIFY(SqliteByHand(path, {QStringLiteral("SELECT count(*) FROM frames")}, true).ok);
        QCOMPARE(QDir(recordingsFolder()).entryList(QDir::Files), oneFile);
    }

    // A file that cannot be written for long: frames beyond the held limit are not recorded, and
    // said once with their number, while every event, identity and scene still is.
    void backlogDropsOnlyTheFramesOverTheLimit()
    {
        Recorder writer;
        QSignalSpy dropped(&writer, &Recorder::framesDropped);
        QVERIFY(writer.begin(folder->filePath(QStringLiteral("made")), recording::DefaultFolderCapBytes));
        TargetFrame frame;
        for (quint16 id = 1; id <= 50; ++id)
            frame.insert(id, TargetReport{id, 10, 300, 1, 2, 1});
        const int fitting = Recorder::MaxPendingRows / (1 + frame.size());
        {
            SqliteByHand locker(writer.filePath(), {QStringLiteral("BEGIN IMMEDIATE")});
            QVERIFY(locker.ok);
            writer.recordEvent(QStringLiteral("connected"));
            writer.recordIdentity(1, QStringLiteral("0101000a0001"), 2);
            writer.recordScene(QStringLiteral("readback"), radarlink::WireScene());
            // The alarm zone is entered among the frames that are not kept.
            for (int i = 0; i < fitting + 100; ++i)
                writer.recordFrame(frame, {i >= fitting + 50, false, false}, {{7}, {}, {}});
            writer.flush();
            QCOMPARE(dropped.count(), 0);
            QVERIFY(locker.run(QStringLiteral("COMMIT")));
        }
        writer.end(QStringLiteral("disconnected"));
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped.at(0).at(0).toLongLong(), 100);
        Contents rec;
        QCOMPARE(readRecording(writer.filePath(), &rec), QString());
        QCOMPARE(rec.frames.size(), fitting);
        QCOMPARE(rec.eventLines(false), (QStringList{QStringLiteral("connected"), QStringLiteral("disconnected")}));
        QCOMPARE(rec.eventLines(true), (QStringList{QStringLiteral("zone_entered alarm 7"), QStringLiteral("zone_left alarm 7")}));
        QVERIFY(rec.hasIdentity && rec.scenes.size() == 1);
    }

    void settingOffRecordsNothingAndIsRemembered()
    {
        QVERIFY(w().recordingAction()->isChecked());
        QVERIFY(ui()->menu_2->actions().contains(w().recordingAction()));
        QCOMPARE(w().recordingAction()->text(), QStringLiteral("记录检测数据"));
        w().recordingAction()->trigger();
        QCOMPARE(QSettings(MainWindow::settingsFilePath(), QSettings::IniFormat).value(QStringLiteral("recording/enabled")).toBool(), false);
        QVERIFY(connectToAlarmTargets(5));
        ui()->pushButtonDisconnect->click();
        QVERIFY(recordingFiles().isEmpty());

        MainWindow again;
        QVERIFY(!again.recordingAction()->isChecked());
    }

    void capForms()
    {
        const QList<QPair<QString, qint64>> table = { // 0: refused
            {"2147483648", 2147483648}, {"2GiB", qint64(2) << 30}, {"500MB", 500000000}, {"1.5 gb", 1500000000},
            {"64 KiB", 65536},          {"abc", 0},                {"0", 0},            {"-5", 0},
            {"", 0},                    {"9999999999 GiB", 0}};
        for (const auto &row : table) {
            qint64 parsed = -1;
            QCOMPARE(recording::parseByteSize(row.first, &parsed), row.second > 0);
            QCOMPARE(parsed, row.second > 0 ? row.second : qint64(-1));
        }
    }

    // Another instance's recording, open all along and older than the newest three, outlives a
    // connect under a cap smaller than any recording; one whose writer died goes, with its lock.
    // A cap that is no size is said, and the default used: nothing goes.
    void pruningSparesOpenRecordings_data()
    {
        QTest::addColumn<QString>("cap");
        QTest::addColumn<QString>("said");
        QTest::newRow("smaller than any recording") << "1" << QString();
        QTest::newRow("no size") << "abc" << QStringLiteral("记录文件夹上限 recording/folderCapBytes 的值“abc”无效，改用默认值 2147483648 字节");
    }
    void pruningSparesOpenRecordings()
    {
        QFETCH(QString, cap);
        QFETCH(QString, said);
        QVERIFY(QDir().mkpath(recordingsFolder()));
        const QString orphan = QDir(recordingsFolder()).filePath(QStringLiteral("2026.01.01-00.00.00.sqlite"));
        QVERIFY(writeFile(orphan, QByteArray(1000, 'x')) && leaveStaleLock(orphan));
        Recorder other;
        QVERIFY(other.begin(recordingsFolder(), recording::DefaultFolderCapBytes));
        QStringList expected = recordingFiles();
        for (int i = 0; i < 3; ++i) {
            Recorder earlier;
            QVERIFY(earlier.begin(recordingsFolder(), recording::DefaultFolderCapBytes));
            expected << QFileInfo(earlier.filePath()).fileName();
        }
        QSettings(MainWindow::settingsFilePath(), QSettings::IniFormat).setValue(QStringLiteral("recording/folderCapBytes"), cap);
        QVERIFY(connectToAlarmTargets(3));
        expected << QFileInfo(w().recordingPath()).fileName();
        QStringList removedLines;
        for (const QString &gone : said.isEmpty() ? QStringList{QFileInfo(orphan).fileName(), expected.at(2)} : QStringList()) {
            expected.removeOne(gone);
            removedLines << QStringLiteral("已删除旧的检测记录：") + gone;
        }
        QStringList left = recordingFiles();
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
        QCOMPARE(log().filter(QStringLiteral("已删除旧的检测记录：")), removedLines);
        QCOMPARE(log().filter(QStringLiteral("folderCapBytes")), said.isEmpty() ? QStringList() : QStringList{said});
        QCOMPARE(QFileInfo::exists(orphan + QStringLiteral(".lock")), !said.isEmpty());
    }

    // An export never lands on its recording or the files beside it, however the path is
    // spelt, nor replaces a file that is not an earlier export of its kind; the recording's
    // stale lock stays where it is.
    void exportRefusesToOverwrite_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message"); // empty: written
        const QString own = QStringLiteral("导出文件不能是记录文件本身，也不能是它旁边的日志或锁文件");
        const QString other = QStringLiteral("文件已存在，且不是同类的导出文件，没有覆盖");
        QTest::newRow("the recording") << "--export-events" << "made/input.sqlite" << own;
        QTest::newRow("the recording, spelt otherwise") << "--export-csv" << "made/../made/./input.sqlite" << own;
        QTest::newRow("a link to the recording") << "--export-csv" << "link.csv" << own;
        QTest::newRow("its journal") << "--export-csv" << "made/input.sqlite-wal" << own;
        QTest::newRow("its lock") << "--export-events" << "made/input.sqlite.lock" << own;
        QTest::newRow("an unrelated file") << "--export-csv" << "notes.txt" << other;
        QTest::newRow("an export of the other kind") << "--export-csv" << "events.csv" << other;
        QTest::newRow("an earlier export of its kind") << "--export-events" << "events.csv" << QString();
    }
    void exportRefusesToOverwrite()
    {
        QFETCH(QString, option);
        QFETCH(QString, target);
        QFETCH(QString, message);
        Recorder writer;
        QVERIFY(writer.begin(folder->filePath(QStringLiteral("made")), recording::DefaultFolderCapBytes));
        writer.recordEvent(QStringLiteral("connected"));
        writer.end();
        const QString path = folder->filePath(QStringLiteral("made/input.sqlite"));
        QVERIFY(QFile::rename(writer.filePath(), path) && leaveStaleLock(path));
        QVERIFY(writeFile(folder->filePath(QStringLiteral("notes.txt")), "not an export\n"));
        QVERIFY(writeFile(folder->filePath(QStringLiteral("events.csv")), "time_ms,wall_time,event,zone,ids\r\n1,x,old,,\r\n"));
        QVERIFY(QFile::link(path, folder->filePath(QStringLiteral("link.csv"))));
        const auto everyFile = [&] {
            QList<QByteArray> bytes{QDir(QFileInfo(path).path()).entryList(QDir::Files).join(QLatin1Char(' ')).toUtf8()};
            for (const QString &file : {path, path + QStringLiteral(".lock"), QStringLiteral("notes.txt"), QStringLiteral("events.csv")})
                bytes << fileBytes(QDir(folder->path()).filePath(file));
            return bytes;
        };
        const QList<QByteArray> before = everyFile();
        const ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), {option, path, target}, folder->path());
        if (message.isEmpty()) {
            QCOMPARE(run.exitCode, 0);
            QVERIFY(fileBytes(folder->filePath(target)).contains(",connected,,\r\n"));
            return;
        }
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(message) && run.err.count(QLatin1Char('\n')) == 1, qPrintable(run.err));
        QCOMPARE(everyFile(), before);
    }
};

RADAR_TEST_MAIN(TestRecording)
#include "tst_recording.moc"
