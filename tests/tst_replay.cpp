// Replaying a recording in the window: the plot shows what the live plot showed, seeking,
// stepping and the event list agree with playing through, the speed, nothing goes to any port,
// each frame shows the radar identity in force when it was recorded, an export from replay
// refuses to land on its recording, and leaving the replay puts the form back as it was.
#include "sessionfixture.h"

#include "recorder.h"
#include "replaydata.h"
#include "replaypanel.h"
#include "ui_replaypanel.h"

class TestReplay : public SessionFixture
{
    Q_OBJECT

    ReplayPanel *panel() { return w().replayPanel(); }
    QImage plot() { return w().plotImage(); }

    // A live session with moving targets and their tracks: polls, sends a scene with a nearer
    // detection range half way, polls on, then stops polling and keeps the last picture.
    struct LiveSession {
        QString path;
        QImage lastPicture;
        QList<bool> lamps; // alarm, warning, detection
        int framesBeforeSend = 0;
    };
    LiveSession recordLiveSession()
    {
        LiveSession live;
        radar->setScene(commissionedScene());
        radar->setTargets(3);
        ui()->checkBoxTrack->setChecked(true);
        pressConnect();
        if (!framesPass(60, 15000))
            return live;
        ui()->spinBoxSurveyFar->setValue(7.0);
        live.framesBeforeSend = view()->frameIndex;
        sendScene();
        if (!framesPass(60, 15000))
            return live;
        // The zones empty, then two new targets walk into the alarm zone: an event late enough
        // to have five recorded seconds before it.
        radar->setFixedTargets({});
        if (!framesPass(10))
            return live;
        radar->setFixedTargets({{40, 40, 120, 1, 2, 1}, {41, -60, 150, 3, 4, 2}});
        if (!framesPass(20))
            return live;
        w().pollingPaused = true;
        QTest::qWait(300);
        live.lastPicture = plot();
        live.lamps = {w().inAlarm, w().inWarn, w().inSurvey};
        live.path = w().recordingPath();
        ui()->pushButtonDisconnect->click();
        return live;
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void replayShowsWhatTheLivePlotShowed()
    {
        w().resize(1700, 900);
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        // The same plot size live and in replay, whatever the replay bar takes of the window.
        view()->setFixedSize(560, 420);
        const LiveSession live = recordLiveSession();
        QVERIFY(!live.path.isEmpty());
        QVERIFY(isIdle());

        // The form as the operator left it after the session, changed so that a replay that
        // forgot to put it back would show.
        ui()->spinBoxSurveyAngle->setValue(60);
        QCoreApplication::processEvents();
        const QStringList formBefore = formState();
        const QImage plotBefore = plot();
        const auto enabled = [this] {
            QVector<bool> states;
            for (QObject *control : w().radarControls())
                states << control->property("enabled").toBool();
            return states;
        };
        const QVector<bool> enabledBefore = enabled();
        const int requestsBefore = radar->requests().size();

        QVERIFY(w().openRecording(live.path));
        QVERIFY(w().inReplay());
        ReplayData data;
        QVERIFY(data.open(live.path));
        const int last = data.frameCount() - 1;
        QVERIFY(last >= 120);

        // The last frame, tracks and all, as the live plot drew it; the lamps as they were.
        panel()->seekToFrame(last);
        QCOMPARE(panel()->ui->sliderPosition->value(), last);
        QCOMPARE(plot(), live.lastPicture);
        QCOMPARE((QList<bool>{w().inAlarm, w().inWarn, w().inSurvey}), live.lamps);
        QCOMPARE(ui()->spinBoxSurveyFar->value(), 7.0);

        // Before the send the scene read back at connect is in force.
        panel()->seekToFrame(5);
        QCOMPARE(ui()->spinBoxSurveyFar->value(), 7.5);
        QCOMPARE(ui()->spinBoxLeft->value(), -2.0);

        // A seek rebuilds the tracks: the picture equals the one reached by stepping there
        // frame by frame, from either side.
        const int middle = live.framesBeforeSend + 30;
        panel()->seekToFrame(0);
        for (int i = 0; i < middle; ++i)
            panel()->ui->buttonStepForward->click();
        QCOMPARE(panel()->position(), middle);
        const QImage stepped = plot();
        panel()->seekToFrame(middle + 1);
        panel()->ui->buttonStepBack->click();
        QCOMPARE(plot(), stepped);
        panel()->ui->sliderPosition->setValue(middle);
        QCOMPARE(plot(), stepped);
        QVERIFY(panel()->ui->labelTime->text().startsWith(
            QTime(0, 0).addMSecs(int(data.frame(middle).timeMs)).toString(QStringLiteral("hh:mm:ss.zzz"))));

        // Choosing an event goes to 5 s before it.
        QCOMPARE(panel()->ui->listEvents->count(), data.events().size());
        int entered = -1;
        for (int row = 0; row < data.events().size(); ++row)
            if (data.events().at(row).event == QLatin1String("zone_entered") && data.events().at(row).ids == QLatin1String("40,41"))
                entered = row;
        QVERIFY(entered >= 0);
        QVERIFY(data.events().at(entered).timeMs - ReplayPanel::EventLeadMs > data.frame(0).timeMs);
        QVERIFY(panel()->ui->listEvents->item(entered)->text().contains(QStringLiteral("进入报警区（目标 40,41）")));
        panel()->ui->listEvents->itemClicked(panel()->ui->listEvents->item(entered));
        const qint64 lead = data.events().at(entered).timeMs - ReplayPanel::EventLeadMs;
        QVERIFY(data.frame(panel()->position()).timeMs <= lead);
        QVERIFY(data.frame(panel()->position() + 1).timeMs > lead);

        // Played at 8x, half a second covers more than 4x could (allowing for the last tick
        // and frame); at 0.25x, no more than a quarter of the time waited.
        panel()->seekToFrame(0);
        panel()->setSpeed(8);
        QElapsedTimer waited;
        waited.start();
        panel()->ui->buttonPlay->click();
        QTest::qWait(500);
        QVERIFY(data.frame(panel()->position()).timeMs - data.frame(0).timeMs >= 3000);
        panel()->setPlaying(false);
        panel()->seekToFrame(0);
        panel()->setSpeed(0.25);
        waited.restart();
        panel()->ui->buttonPlay->click();
        QTest::qWait(400);
        const qint64 allowed = waited.elapsed() / 4;
        QVERIFY(panel()->isPlaying());
        QVERIFY(data.frame(panel()->position()).timeMs - data.frame(0).timeMs <= allowed + 100);
        panel()->ui->buttonPlay->click();
        QVERIFY(!panel()->isPlaying());

        // Nothing of it reached the radar, and nothing that talks to one could be used.
        for (QObject *control : w().radarControls())
            QVERIFY2(!control->property("enabled").toBool(), qPrintable(control->objectName()));
        ui()->pushButtonConnect->click();
        QVERIFY(!w().pollTimer.isActive());
        QCOMPARE(radar->requests().size(), requestsBefore);

        panel()->ui->buttonExit->click();
        QVERIFY(!w().inReplay());
        QCOMPARE(formState(), formBefore);
        QCOMPARE(plot(), plotBefore);
        QCOMPARE(enabled(), enabledBefore);
        QCOMPARE(logCount(QStringLiteral("退出回放")), 1);
        QCOMPARE(radar->requests().size(), requestsBefore);
        // And the tool connects as before.
        pressConnect();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 3; }, 8000));
    }

    void exportFromReplay()
    {
        Recorder writer;
        QVERIFY(writer.begin(folder->filePath(QStringLiteral("recordings")), recording::DefaultFolderCapBytes));
        TargetFrame frame;
        frame.insert(7, TargetReport{7, quint16(-120), 340, 5, 6, 2});
        writer.recordEvent(QStringLiteral("connected"));
        for (int i = 0; i < 3; ++i)
            writer.recordFrame(frame, {}, {});
        writer.recordEvent(QStringLiteral("zone_entered"), QStringLiteral("alarm"), QStringLiteral("7"));
        writer.recordEvent(QStringLiteral("zone_left"), QStringLiteral("alarm"), QStringLiteral("7,8"));
        const QString path = writer.filePath();
        writer.end();
        QVERIFY(w().openRecording(path));
        // The replay bar follows the language (one target or more) and takes nothing from the
        // least window size.
        const QList<QPair<QAction *, QStringList>> languages = {
            {ui()->action_English, {"Play", "Connected", "Entered alarm zone (target 7)", "Left alarm zone (targets 7,8)"}},
            {ui()->action_Chinese, {"播放", "连接", "进入报警区（目标 7）", "离开报警区（目标 7,8）"}}};
        for (const auto &language : languages) {
            language.first->trigger();
            QCOMPARE(panel()->ui->buttonPlay->text(), language.second.at(0));
            for (int row = 0; row < 3; ++row)
                QVERIFY2(panel()->ui->listEvents->item(row)->text().endsWith(language.second.at(row + 1)),
                         qPrintable(panel()->ui->listEvents->item(row)->text()));
            const QSize least = w().minimumSizeHint().expandedTo(w().minimumSize());
            QVERIFY2(least.width() <= MainWindow::comfortableSize.width()
                         && least.height() <= MainWindow::comfortableSize.height(),
                     qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));
        }
        const QString csv = folder->filePath(QStringLiteral("targets.csv"));
        QCOMPARE(answered([this] { panel()->ui->buttonExportFrames->click(); }, csv, {}).size(), 1);
        const QList<QByteArray> lines = fileBytes(csv).split('\n');
        QCOMPARE(lines.value(0), QByteArray("time_ms,frame,id,x_cm,y_cm,class,value1,value2\r"));
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines.value(3).endsWith(",2,7,-120,340,2,5,6\r"));
        QVERIFY(log().contains(QStringLiteral("导出目标数据：") + QDir::toNativeSeparators(csv)));

        const QString eventsCsv = folder->filePath(QStringLiteral("events.csv"));
        QCOMPARE(answered([this] { panel()->ui->buttonExportEvents->click(); }, eventsCsv, {}).size(), 1);
        const QByteArray events = fileBytes(eventsCsv);
        QVERIFY(events.startsWith("time_ms,wall_time,event,zone,ids\r\n"));
        QCOMPARE(events.count(",connected,,\r\n"), 1);

        // Chosen onto the recording's journal, the export is refused and said, and nothing is
        // written beside the recording.
        const QStringList filesBefore = QDir(QFileInfo(path).path()).entryList(QDir::Files);
        const QString said = answered([this] { panel()->ui->buttonExportEvents->click(); }, path + QStringLiteral("-wal")).value(1).text;
        QVERIFY2(said.contains(QStringLiteral("导出文件不能是记录文件本身")), qPrintable(said));
        QCOMPARE(log().filter(QStringLiteral("导出事件失败：导出文件不能是记录文件本身")).size(), 1);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files), filesBefore);

        // The status bar names the recording, the greyed "连接" looks greyed, and leaving the
        // replay in English gives the radar information back in English.
        QCOMPARE(w().linkStatusLabel()->text(), QStringLiteral("回放记录：") + QFileInfo(path).fileName());
        const QImage connect = ui()->pushButtonConnect->grab().toImage();
        const QColor face = connect.pixelColor(4, connect.height() / 2);
        QVERIFY2(face.saturation() < 60, qPrintable(face.name()));
        ui()->action_English->trigger();
        panel()->ui->buttonExit->click();
        QCOMPARE(ui()->labelDevType->text(), QStringLiteral("Device Type: Channel Early-warning Radar"));
        QCOMPARE(w().linkStatusLabel()->text(), QStringLiteral("Not connected"));
        ui()->action_Chinese->trigger();
    }

    // A recording that read two radars' identities shows, at each frame, the one read last
    // before it.
    void identityInForceAtEachFrame()
    {
        Recorder writer;
        QVERIFY(writer.begin(folder->filePath(QStringLiteral("recordings")), recording::DefaultFolderCapBytes));
        const QList<QStringList> radars = {{"设备类型：通道预警雷达", "0101000a0001", "2"},
                                           {"设备类型：区域安全扫描雷达", "0207000b0002", "7"}};
        for (int type = 1; type <= 2; ++type) {
            QTest::qWait(20);
            writer.recordIdentity(type, radars.at(type - 1).at(1), radars.at(type - 1).at(2).toInt());
            for (int i = 0; i < 3; ++i) {
                QTest::qWait(20);
                writer.recordFrame(TargetFrame{{5, TargetReport{5, 0, 300, 0, 0, 1}}}, {}, {});
            }
        }
        writer.end();
        QVERIFY(w().openRecording(writer.filePath()));
        for (int frame : {0, 2, 3, 5, 1}) {
            panel()->seekToFrame(frame);
            QCOMPARE(radarInfo(), radars.at(frame < 3 ? 0 : 1));
        }
    }

    void badRecordingsAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a recording") << "text" << QStringLiteral("不是检测记录文件");
        QTest::newRow("being written") << "writing" << QStringLiteral("正在被另一个程序写入");
        QTest::newRow("while connected") << "connected" << QStringLiteral("请先断开雷达，再打开记录");
    }
    void badRecordingsAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        Recorder writer;
        QVERIFY(writer.begin(folder->filePath(QStringLiteral("recordings")), recording::DefaultFolderCapBytes));
        writer.recordEvent(QStringLiteral("connected"));
        writer.flush();
        QString path = writer.filePath();
        if (kind == QLatin1String("text")) {
            path = folder->filePath(QStringLiteral("notes.sqlite"));
            QVERIFY(writeFile(path, "time_ms,frame\n1,2\n"));
        } else if (kind == QLatin1String("connected")) {
            writer.end();
            pressConnect();
            QVERIFY(ui()->pushButtonConnect->isHidden());
        }
        const QByteArray before = fileBytes(path);
        const QStringList formBefore = formState();
        bool opened = true;
        const QList<DialogAnswerer::Seen> said = answered([&] { opened = w().openRecording(path); });
        QVERIFY(!opened);
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.at(0).text.contains(message), qPrintable(said.at(0).text));
        QVERIFY(!w().inReplay());
        QCOMPARE(formState(), formBefore);
        QCOMPARE(fileBytes(path), before);
        if (kind == QLatin1String("connected"))
            QVERIFY(ui()->pushButtonConnect->isHidden() && w().pollTimer.isActive());
    }
};

RADAR_TEST_MAIN(TestReplay)
#include "tst_replay.moc"
