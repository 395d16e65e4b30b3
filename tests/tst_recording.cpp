// Recording a connection: the frames, identity, scenes and events that land in the session's
// SQLite file, a tool killed while recording, the folder's size cap, and the command line's
// CSV exports, including what it says about files that are not good recordings.
#include "sessionfixture.h"

#include "dialoganswerer.h"
#include "recorder.h"
#include "recordingfile.h"

#include <QAction>
#include <QCryptographicHash>
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
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r')) {
        } else if (c == QLatin1Char('\n')) {
            rows << (row << field);
            row.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QList<sim::Target> inAlarmZone()
{
    return {{1, 50, 100, 7, 8, 1}, {2, -30, 120, 9, 10, 2}};
}
QList<sim::Target> inDetectionZone()
{
    return {{4, 0, 600, 11, 12, 1}};
}

QVector<recording::Target> recorded(const QList<sim::Target> &targets)
{
    QVector<recording::Target> out;
    for (const sim::Target &t : targets)
        out.append({t.id, t.x, t.y, t.cls, t.a, t.b});
    return out;
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

    // A session against the simulator: connect, poll the alarm-zone targets, then the
    // detection-zone one, send a changed scene, disconnect. Returns the recording's path.
    QString recordSession()
    {
        radar->setScene(commissionedScene());
        radar->setFixedTargets(inAlarmZone());
        pressConnect();
        if (!waitUntil([&] { return view()->frameIndex >= 20; }, 8000))
            return QString();
        radar->setFixedTargets(inDetectionZone());
        const int switched = view()->frameIndex;
        if (!waitUntil([&] { return view()->frameIndex >= switched + 20; }, 8000))
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

        // The frames the window applied, in order, are the recording's frames.
        QVector<TargetFrame> applied;
        for (int i = 0; i < view()->frameIndex; ++i)
            applied << view()->frameHistory.at(i);
        recording::Reader reader;
        QVERIFY2(reader.open(path), qPrintable(reader.errorString()));
        QVector<recording::Frame> frames;
        QVERIFY(reader.readFrames(&frames));
        QVERIFY(frames.size() >= 40);

        // Alarm-zone targets first, then the detection-zone one: what the radar sent.
        int firstDetection = -1;
        for (int i = 0; i < frames.size(); ++i) {
            QCOMPARE(frames.at(i).number, qint64(i));
            if (i > 0)
                QVERIFY(frames.at(i).timeMs >= frames.at(i - 1).timeMs);
            const bool second = frames.at(i).targets == recorded(inDetectionZone());
            if (second && firstDetection < 0)
                firstDetection = i;
            QCOMPARE(frames.at(i).targets, firstDetection < 0 ? recorded(inAlarmZone()) : recorded(inDetectionZone()));
            QCOMPARE(frames.at(i).alarm, firstDetection < 0);
            QCOMPARE(frames.at(i).detection, firstDetection >= 0);
            QVERIFY(!frames.at(i).warning);
        }
        QVERIFY(firstDetection >= 20);

        // The zone events follow the flags frame by frame, with the ids inside.
        QVector<recording::Event> events;
        QVERIFY(reader.readEvents(&events));
        QStringList zoneEvents, connectionEvents;
        for (const recording::Event &e : events) {
            if (e.event.startsWith(QLatin1String("zone_")))
                zoneEvents << QStringLiteral("%1 %2 %3").arg(e.event, e.zone, e.ids);
            else
                connectionEvents << e.event;
        }
        QCOMPARE(zoneEvents, (QStringList{QStringLiteral("zone_entered alarm 1,2"), QStringLiteral("zone_left alarm 1,2"),
                                          QStringLiteral("zone_entered detection 4")}));
        QCOMPARE(connectionEvents, (QStringList{QStringLiteral("connected"), QStringLiteral("disconnected")}));
        const auto left = *std::find_if(events.begin(), events.end(),
                                        [](const recording::Event &e) { return e.event == QLatin1String("zone_left"); });
        QVERIFY(left.timeMs >= frames.at(firstDetection - 1).timeMs && left.timeMs <= frames.at(firstDetection).timeMs + 50);

        recording::Identity identity;
        QVERIFY(reader.readIdentity(&identity));
        QCOMPARE(identity.deviceType, int(radar->identity().deviceType));
        QCOMPARE(identity.station, int(radar->identity().station));
        QCOMPARE(identity.serialNumber, ui()->labelID->text());

        QVector<recording::Scene> scenes;
        QVERIFY(reader.readScenes(&scenes));
        QCOMPARE(scenes.size(), 2);
        QCOMPARE(scenes.at(0).origin, QStringLiteral("readback"));
        QCOMPARE(scenes.at(0).scene.detectionFarCm, quint16(750));
        QCOMPARE(scenes.at(0).scene.alarmFarCm, quint16(250));
        QCOMPARE(scenes.at(0).scene.leftHalfMetres, qint8(-4));
        QCOMPARE(scenes.at(0).scene.startCm, quint16(150));
        QVector<QPoint> cells = scenes.at(0).scene.cells;
        std::sort(cells.begin(), cells.end(), [](const QPoint &a, const QPoint &b) { return a.x() < b.x(); });
        QCOMPARE(cells, (QVector<QPoint>{{-50, 50}, {150, 350}}));
        QCOMPARE(scenes.at(1).origin, QStringLiteral("sent"));
        QCOMPARE(scenes.at(1).scene.detectionFarCm, quint16(700));
        QCOMPARE(scenes.at(1).scene.detectionFarCm, radar->scene().detectionFar);
    }

    // A line lost and back by itself stays one recording, its events in the operator's order.
    void lostLineStaysInOneRecording()
    {
        radar->setFixedTargets(inAlarmZone());
        pressConnect();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 10; }, 8000));
        const QString path = w().recordingPath();
        const int hangUps = radar->hangUps();
        radar->hangUpNow();
        QVERIFY(waitUntil([&] { return radar->hangUps() > hangUps; }, 3000));
        QVERIFY(waitUntil([&] { return w().isWaitingForPort(); }, 3000));
        QVERIFY(waitUntil([&] { return !w().isWaitingForPort() && view()->frameIndex >= 10; }, 12000));
        QCOMPARE(w().recordingPath(), path);
        ui()->pushButtonDisconnect->click();
        QCOMPARE(recordingFiles(), QStringList{QFileInfo(path).fileName()});

        recording::Reader reader;
        QVERIFY2(reader.open(path), qPrintable(reader.errorString()));
        QVector<recording::Event> events;
        QVERIFY(reader.readEvents(&events));
        QStringList connection;
        for (const recording::Event &e : events)
            if (!e.event.startsWith(QLatin1String("zone_")))
                connection << e.event;
        QCOMPARE(connection, (QStringList{QStringLiteral("connected"), QStringLiteral("line_lost"),
                                          QStringLiteral("reconnected"), QStringLiteral("disconnected")}));
        QVector<recording::Frame> frames;
        QVERIFY(reader.readFrames(&frames));
        QVERIFY(frames.size() >= 20);
        QVector<recording::Scene> scenes;
        QVERIFY(reader.readScenes(&scenes));
        QCOMPARE(scenes.size(), 2);
        QCOMPARE(scenes.at(1).origin, QStringLiteral("readback"));
    }

    // A recording locked from outside: the failure is logged once, the poll goes on, and the
    // rows held meanwhile are written once the lock is gone.
    void unwritableRecordingIsReported()
    {
        radar->setFixedTargets(inAlarmZone());
        pressConnect();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 5; }, 8000));
        const QString path = w().recordingPath();
        const auto failures = [this] {
            int count = 0;
            for (const QString &line : log())
                count += line.startsWith(QStringLiteral("检测数据记录写入失败："));
            return count;
        };
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
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        const int framesAfter = view()->frameIndex;
        QVERIFY(waitUntil([&] { return view()->frameIndex >= framesAfter + 5; }, 4000));
        ui()->pushButtonDisconnect->click();
        QCOMPARE(failures(), 1);

        recording::Reader reader;
        QVERIFY2(reader.open(path), qPrintable(reader.errorString()));
        QVector<recording::Frame> frames;
        QVERIFY(reader.readFrames(&frames));
        QVERIFY(frames.size() >= framesAfter + 5);
        for (int i = 0; i < frames.size(); ++i)
            QCOMPARE(frames.at(i).number, qint64(i));
    }

    void exportsParseBackToTheRecording()
    {
        const QString path = recordSession();
        QVERIFY(!path.isEmpty());
        recording::Reader reader;
        QVERIFY(reader.open(path));
        QVector<recording::Frame> frames;
        QVERIFY(reader.readFrames(&frames));

        const QString csv = folder->filePath(QStringLiteral("frames.csv"));
        ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--export-csv"), path, csv});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        const QList<QStringList> rows = parseCsv(fileBytes(csv));
        QCOMPARE(rows.value(0).join(QLatin1Char(',')), QStringLiteral("time_ms,frame,id,x_cm,y_cm,class,value1,value2"));
        QList<QStringList> expected;
        for (const recording::Frame &f : frames)
            for (const recording::Target &t : f.targets)
                expected << QStringList{QString::number(f.timeMs), QString::number(f.number), QString::number(t.id),
                                        QString::number(t.xCm), QString::number(t.yCm), QString::number(t.targetClass),
                                        QString::number(t.value1), QString::number(t.value2)};
        QCOMPARE(rows.mid(1), expected);

        const QString eventsCsv = folder->filePath(QStringLiteral("events.csv"));
        run = runProgram(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--export-events"), path, eventsCsv});
        QCOMPARE(run.exitCode, 0);
        const QByteArray eventBytes = fileBytes(eventsCsv);
        // Ids in one field need quotes: "1,2".
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
        const QString path = folder->filePath(QStringLiteral("input.sqlite"));
        Recorder writer;
        if (kind == QLatin1String("text")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("time_ms,frame\n1,2\n");
        } else if (kind == QLatin1String("empty")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind == QLatin1String("otherdb") || kind == QLatin1String("newer")) {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("made"));
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QSqlQuery query(db);
                if (kind == QLatin1String("newer")) {
                    for (const QString &statement : recording::schemaStatements())
                        QVERIFY(query.exec(statement));
                    QVERIFY(query.exec(QStringLiteral("PRAGMA user_version = %1").arg(recording::SchemaVersion + 1)));
                } else {
                    QVERIFY(query.exec(QStringLiteral("CREATE TABLE people (name TEXT)")));
                }
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("made"));
        } else {
            // A real recording: made by the recorder, some frames in it.
            QVERIFY(writer.begin(folder->filePath(QStringLiteral("made")), recording::DefaultFolderCapBytes));
            if (kind != QLatin1String("norows")) {
                TargetFrame frame;
                for (quint16 id = 1; id <= 50; ++id)
                    frame.insert(id, TargetReport{id, quint16(id * 10), 300, 1, 2, 1});
                for (int i = 0; i < 200; ++i)
                    writer.recordFrame(frame, {}, {});
            }
            writer.flush();
            const QString made = writer.filePath();
            if (kind == QLatin1String("writing")) {
                // The live file itself, its writer still holding it.
                const QByteArray before = fileBytes(made);
                const ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--export-csv"), made, folder->filePath(QStringLiteral("out.csv"))});
                QVERIFY(run.exitCode > 0);
                QVERIFY2(run.err.contains(message), qPrintable(run.err));
                QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
                QCOMPARE(fileBytes(made), before);
                QVERIFY(!QFileInfo::exists(folder->filePath(QStringLiteral("out.csv"))));
                return;
            }
            if (kind == QLatin1String("norows")) {
                writer.end();
                // The recorder itself leaves a session row only; take the events out too.
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("made"));
                db.setDatabaseName(made);
                QVERIFY(db.open());
                QSqlQuery(db).exec(QStringLiteral("DELETE FROM events"));
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(QStringLiteral("made"));
            }
            writer.end();
            QByteArray bytes = fileBytes(made);
            if (kind == QLatin1String("truncated"))
                bytes.truncate(bytes.size() / 2);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
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

    void killedToolLeavesAReadableRecording()
    {
        radar->setFixedTargets(inAlarmZone());
        QProcess tool;
        tool.setWorkingDirectory(folder->path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(RADAR_PROGRAM), {QStringLiteral("--port"), linkPath()});
        QVERIFY(tool.waitForStarted());
        // Polling for about three seconds after the read-back.
        QVERIFY(waitUntil([&] { return radar->requests().size() > 0 && requestCodes().count(0x06) >= 10; }, 15000));
        QTest::qWait(3000);
        const int polledBeforeKill = requestCodes().count(0x06);
        ::kill(pid_t(tool.processId()), SIGKILL);
        QVERIFY(tool.waitForFinished(5000));

        const QStringList files = recordingFiles();
        QCOMPARE(files.size(), 1);
        recording::Reader reader;
        QVERIFY2(reader.open(QDir(recordingsFolder()).filePath(files.first())), qPrintable(reader.errorString()));
        QVector<recording::Frame> frames;
        QVERIFY(reader.readFrames(&frames));
        // At 20 polls a second, one second's worth may be lost, and a little more for the
        // timer's own slack.
        QVERIFY2(frames.size() >= polledBeforeKill - 30, qPrintable(QStringLiteral("%1 of %2").arg(frames.size()).arg(polledBeforeKill)));
        QVERIFY(frames.size() <= polledBeforeKill);
        QCOMPARE(frames.last().targets, recorded(inAlarmZone()));
    }

    void settingOffRecordsNothingAndIsRemembered()
    {
        QVERIFY(w().recordingAction()->isChecked());
        QVERIFY(ui()->menu_2->actions().contains(w().recordingAction()));
        QCOMPARE(w().recordingAction()->text(), QStringLiteral("记录检测数据"));
        w().recordingAction()->trigger();
        QVERIFY(!w().recordingEnabled());
        QCOMPARE(QSettings(MainWindow::settingsFilePath(), QSettings::IniFormat).value(QStringLiteral("recording/enabled")).toBool(), false);
        radar->setFixedTargets(inAlarmZone());
        pressConnect();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 5; }, 8000));
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
        for (const QString &name : names) {
            QFile file(QDir(recordingsFolder()).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1000, 'x'));
        }
        QSettings(MainWindow::settingsFilePath(), QSettings::IniFormat).setValue(QStringLiteral("recording/folderCapBytes"), 2500);
        radar->setFixedTargets(inAlarmZone());
        pressConnect();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 3; }, 8000));
        ui()->pushButtonDisconnect->click();
        const QStringList left = recordingFiles();
        QCOMPARE(left.size(), 3);
        QCOMPARE(left.mid(0, 2), names.mid(1));
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
