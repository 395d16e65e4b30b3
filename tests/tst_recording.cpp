// Recording a connection: the frames, identity, scenes and events that land in the session's
// SQLite file, a tool killed while recording, the folder's size cap, and the command line's
// CSV exports, including what it says about files that are not good recordings.
#include "sessionfixture.h"

#include "dialoganswerer.h"
#include "recorder.h"
#include "recordingfile.h"

#include <QAction>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>

namespace {
// A CSV file as rows of fields, RFC 4180 quoting undone.
QList<QStringList> parseCsv(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < text.size() && text.at(i + 1) == c)
                field += text.at(++i);
            else
                quoted = !quoted;
        } else if (quoted || (c != QLatin1Char(',') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))) {
            field += c;
        } else if (c != QLatin1Char('\r')) {
            row << field;
            field.clear();
            if (c == QLatin1Char('\n')) {
                rows << row;
                row.clear();
            }
        }
    }
    return rows;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs the statements on a SQLite file, made if need be, through a connection of its own.
bool runSql(const QString &path, const QStringList &statements)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("made"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        for (const QString &statement : statements)
            ok = ok && query.exec(statement);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("made"));
    return ok;
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

    // Waits until the window has applied this many more frames.
    bool framesPass(int count, int timeoutMs = 8000)
    {
        const int until = view()->frameIndex + count;
        return waitUntil([&] { return view()->frameIndex >= until; }, timeoutMs);
    }
    bool connectToAlarmTargets(int frames)
    {
        radar->setFixedTargets(InAlarmZone);
        pressConnect();
        return framesPass(frames);
    }

    // A session against the simulator: connect, poll the alarm-zone targets, then the
    // detection-zone one, send a changed scene, disconnect. Returns the recording's path.
    QString recordSession()
    {
        radar->setScene(commissionedScene());
        if (!connectToAlarmTargets(20))
            return QString();
        radar->setFixedTargets(InDetectionZone);
        if (!framesPass(20))
            return QString();
        ui()->spinBoxSurveyFar->setValue(7.0);
        DialogAnswerer answers;
        answers.answerMessageBox(QMessageBox::Ok, 4000);
        ui()->pushButtonSendPar->click();
        answers.waitDone(6000);
        const QString path = w().recordingPath();
        ui()->pushButtonDisconnect->click();
        return path;
    }

    // Both exports of the file fail with one line naming the reason, write nothing and leave the file as it was.
    void verifyRefused(const QString &path, const QString &message)
    {
        const QByteArray before = fileBytes(path);
        for (const QString &option : {QStringLiteral("--export-csv"), QStringLiteral("--export-events")}) {
            const QString out = folder->filePath(QStringLiteral("out.csv"));
            const ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), {option, path, out});
            QVERIFY2(run.exitCode > 0, qPrintable(option));
            QVERIFY2(run.err.contains(message), qPrintable(run.err));
            QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
            QCOMPARE(fileBytes(path), before);
            QVERIFY(!QFileInfo::exists(out));
        }
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void recordsTheFramesEventsIdentityAndScenes()
    {
        const QString path = recordSession();
        QVERIFY(!path.isEmpty());
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
                                                    QStringLiteral("zone_entered detection 4")}));
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
    }

    // A line lost and back by itself stays one recording, its events in the operator's order.
    void lostLineStaysInOneRecording()
    {
        QVERIFY(connectToAlarmTargets(10));
        const QString path = w().recordingPath();
        const int hangUps = radar->hangUps();
        radar->hangUpNow();
        QVERIFY(waitUntil([&] { return radar->hangUps() > hangUps; }, 3000));
        QVERIFY(waitUntil([&] { return w().isWaitingForPort(); }, 3000));
        QVERIFY(waitUntil([&] { return !w().isWaitingForPort() && view()->frameIndex >= 10; }, 12000));
        QCOMPARE(w().recordingPath(), path);
        ui()->pushButtonDisconnect->click();
        QCOMPARE(recordingFiles(), QStringList{QFileInfo(path).fileName()});

        Contents rec;
        QCOMPARE(readRecording(path, &rec), QString());
        QCOMPARE(rec.eventLines(false), (QStringList{QStringLiteral("connected"), QStringLiteral("line_lost"),
                                                     QStringLiteral("reconnected"), QStringLiteral("disconnected")}));
        QVERIFY(rec.frames.size() >= 20);
        QCOMPARE(rec.scenes.size(), 2);
        QCOMPARE(rec.scenes.at(1).origin, QStringLiteral("readback"));
    }

    // A recording locked from outside: the failure is logged once, the poll goes on, and the
    // rows held meanwhile are written once the lock is gone.
    void unwritableRecordingIsReported()
    {
        QVERIFY(connectToAlarmTargets(5));
        const QString path = w().recordingPath();
        const auto failures = [this] { return log().filter(QRegularExpression(QStringLiteral("^检测数据记录写入失败："))).size(); };
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery lock(db);
            QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
            const int framesAtLock = view()->frameIndex;
            QVERIFY(waitUntil([&] { return failures() > 0; }, 3000));
            QTest::qWait(2 * Recorder::FlushIntervalMs + 200);
            QVERIFY(view()->frameIndex >= framesAtLock + 20);
            QVERIFY(lock.exec(QStringLiteral("COMMIT")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        const int framesAfter = view()->frameIndex;
        QVERIFY(framesPass(5, 4000));
        ui()->pushButtonDisconnect->click();
        QCOMPARE(failures(), 1);

        Contents rec;
        QCOMPARE(readRecording(path, &rec), QString());
        QVERIFY(rec.frames.size() >= framesAfter + 5);
        for (int i = 0; i < rec.frames.size(); ++i)
            QCOMPARE(rec.frames.at(i).number, qint64(i));
    }

    void exportsParseBackToTheRecording()
    {
        const QString path = recordSession();
        QVERIFY(!path.isEmpty());
        Contents rec;
        QCOMPARE(readRecording(path, &rec), QString());

        const QString csv = folder->filePath(QStringLiteral("frames.csv"));
        ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--export-csv"), path, csv});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        const QList<QStringList> rows = parseCsv(fileBytes(csv));
        QCOMPARE(rows.value(0).join(QLatin1Char(',')), QStringLiteral("time_ms,frame,id,x_cm,y_cm,class,value1,value2"));
        QList<QStringList> expected;
        for (const recording::Frame &f : rec.frames)
            for (const recording::Target &t : f.targets)
                expected << QStringList{QString::number(f.timeMs), QString::number(f.number), QString::number(t.id),
                                        QString::number(t.xCm), QString::number(t.yCm), QString::number(t.targetClass),
                                        QString::number(t.value1), QString::number(t.value2)};
        QCOMPARE(rows.mid(1), expected);

        const QString eventsCsv = folder->filePath(QStringLiteral("events.csv"));
        run = runProgram(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--export-events"), path, eventsCsv});
        QCOMPARE(run.exitCode, 0);
        const QByteArray eventBytes = fileBytes(eventsCsv);
        QVERIFY(eventBytes.contains(",zone_entered,alarm,\"1,2\"\r\n"));
        const QList<QStringList> eventRows = parseCsv(eventBytes);
        QCOMPARE(eventRows.value(0).join(QLatin1Char(',')), QStringLiteral("time_ms,wall_time,event,zone,ids"));
        QCOMPARE(eventRows.value(1).value(2), QStringLiteral("connected"));
        QCOMPARE(eventRows.value(2).mid(2), (QStringList{QStringLiteral("zone_entered"), QStringLiteral("alarm"), QStringLiteral("1,2")}));
        QVERIFY(QDateTime::fromString(eventRows.value(1).value(1), Qt::ISODateWithMs).isValid());
        QCOMPARE(eventRows.last().value(2), QStringLiteral("disconnected"));
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
        QCOMPARE(parseCsv(recording::csvLine({field, QStringLiteral("x")})), (QList<QStringList>{{field, QStringLiteral("x")}}));
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
            QVERIFY(runSql(path, {QStringLiteral("CREATE TABLE people (name TEXT)")}));
        } else if (kind == QLatin1String("newer")) {
            QVERIFY(runSql(path, recording::schemaStatements()
                                     << QStringLiteral("PRAGMA user_version = %1").arg(recording::SchemaVersion + 1)));
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
                    QVERIFY(runSql(writer.filePath(), {QStringLiteral("DELETE FROM events")}));
                QByteArray bytes = fileBytes(writer.filePath());
                if (kind == QLatin1String("truncated"))
                    bytes.truncate(bytes.size() / 2);
                QVERIFY(writeFile(path, bytes));
            }
        }
        verifyRefused(path, message);
    }

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
        // Polling for about three seconds after the read-back.
        QVERIFY(waitUntil([&] { return requestCodes().count(0x06) >= 10; }, 15000));
        QTest::qWait(3000);
        const int polledBeforeKill = requestCodes().count(0x06);
        ::kill(pid_t(tool.processId()), SIGKILL);
        QVERIFY(tool.waitForFinished(5000));

        const QStringList files = recordingFiles();
        QCOMPARE(files.size(), 1);
        Contents rec;
        QCOMPARE(readRecording(QDir(recordingsFolder()).filePath(files.first()), &rec), QString());
        // At 20 polls a second, one second's worth may be lost, and a little more for the
        // timer's own slack.
        QVERIFY2(rec.frames.size() >= polledBeforeKill - 30,
                 qPrintable(QStringLiteral("%1 of %2").arg(rec.frames.size()).arg(polledBeforeKill)));
        QVERIFY(rec.frames.size() <= polledBeforeKill);
        QCOMPARE(rec.frames.last().targets, recorded(InAlarmZone));
    }

    void settingOffRecordsNothingAndIsRemembered()
    {
        QVERIFY(w().recordingAction()->isChecked());
        QVERIFY(ui()->menu_2->actions().contains(w().recordingAction()));
        QCOMPARE(w().recordingAction()->text(), QStringLiteral("记录检测数据"));
        w().recordingAction()->trigger();
        QVERIFY(!w().recordingEnabled());
        QCOMPARE(QSettings(MainWindow::settingsFilePath(), QSettings::IniFormat).value(QStringLiteral("recording/enabled")).toBool(), false);
        QVERIFY(connectToAlarmTargets(5));
        ui()->pushButtonDisconnect->click();
        QVERIFY(recordingFiles().isEmpty());

        MainWindow again;
        QVERIFY(!again.recordingAction()->isChecked());
    }

    void oldestRecordingsGoFirst()
    {
        QDir().mkpath(recordingsFolder());
        const QStringList names = {QStringLiteral("2026.01.01-00.00.00.sqlite"), QStringLiteral("2026.01.02-00.00.00.sqlite"),
                                   QStringLiteral("2026.01.03-00.00.00.sqlite")};
        for (const QString &name : names)
            QVERIFY(writeFile(QDir(recordingsFolder()).filePath(name), QByteArray(1000, 'x')));
        QSettings(MainWindow::settingsFilePath(), QSettings::IniFormat).setValue(QStringLiteral("recording/folderCapBytes"), 2500);
        QVERIFY(connectToAlarmTargets(3));
        ui()->pushButtonDisconnect->click();
        const QStringList left = recordingFiles();
        QCOMPARE(left.size(), 3);
        QCOMPARE(left.mid(0, 2), names.mid(1));
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
