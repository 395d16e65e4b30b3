// Watching a connected radar: the result poll, the frame ring, the zone lamps, what ends the
// poll chain, and the flash save that ends a session. What a silent, late, garbled or hung-up
// radar does to the poll and the save is tst_faultmatrix's.
#include "sessionfixture.h"

#include "dialoganswerer.h"

#include <QTimer>

class TestPolling : public SessionFixture
{
    Q_OBJECT

    void connectWatching()
    {
        pressConnect();
        QVERIFY(isWatching());
    }
    int polls() { return requestCodes().count(0x06); }
    // No further query reaches the radar: the poll chain has ended.
    void verifyPollStopped()
    {
        const int stopped = polls();
        QTest::qWait(300);
        QCOMPARE(polls(), stopped);
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void framesLandInTheRingAndLightTheLamps()
    {
        // One target on the alarm edge (counts as warning), one inside the detection zone.
        radar->setFixedTargets({{3, 200, 0, 0, 0, 2}, {9, 0, 450, 0, 0, 4}});
        connectWatching();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 5; }, 3000));
        const TargetFrame &frame = view()->frameHistory.at((view()->frameIndex + 399) % 400);
        QCOMPARE(frame.keys(), (QList<quint16>{3, 9}));
        QCOMPARE(frame.value(9), (TargetReport{9, 0, 450, 0, 0, 4}));

        // The lamps light in the zone colours and go off between blinks; the alarm lamp stays off.
        // The blink pumps events inside its own delay, so a timer looks at them.
        const QString OffLamp = QStringLiteral("background: rgb(128, 128, 128)");
        QStringList warnSeen, surveySeen, alarmSeen;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            warnSeen << ui()->labelLEDWarn->styleSheet();
            surveySeen << ui()->labelLEDSurv->styleSheet();
            alarmSeen << ui()->labelLEDAlar->styleSheet();
        });
        sampler.start(20);
        QTest::qWait(2200);
        sampler.stop();
        QVERIFY(!warnSeen.filter(QStringLiteral("rgb(247, 241, 130)")).isEmpty() && !warnSeen.filter(OffLamp).isEmpty());
        QVERIFY(!surveySeen.filter(QStringLiteral("rgb(104, 199, 242)")).isEmpty());
        QCOMPARE(alarmSeen.filter(OffLamp).size(), alarmSeen.size());

        // "断开": lamps off, ring empty, next frame into slot 0, lock free, no more queries.
        ui()->pushButtonDisconnect->click();
        QVERIFY(isIdle());
        QCOMPARE(view()->frameIndex, 0);
        QVERIFY(view()->frameHistory == QVector<TargetFrame>(RadarView::HistorySize));
        QVERIFY(ui()->labelLEDSurv->styleSheet().contains(OffLamp));
        QVERIFY(w().channel().lock.tryLock(0));
        w().channel().lock.unlock();
        verifyPollStopped();
    }

    void theFourHundredAndFirstFrameOverwritesSlotZero()
    {
        radar->setFixedTargets({{1, 10, 100, 0, 0, 1}});
        connectWatching();
        w().pollTimer.stop();
        QTest::qWait(100);   // a query under way ends and starts the timer again
        w().pollTimer.stop();
        const int start = view()->frameIndex;
        for (int i = 0; i < 400; ++i)
            QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, start);
        radar->setFixedTargets({{2, -10, 300, 0, 0, 1}});
        QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, (start + 1) % 400);
        QCOMPARE(view()->frameHistory.at(start).keys(), (QList<quint16>{2}));
        // An empty frame still takes its slot and clears the flags.
        radar->setFixedTargets({});
        w().inAlarm = true;
        QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, (start + 2) % 400);
        QVERIFY(view()->frameHistory.at((start + 1) % 400).isEmpty() && !w().inAlarm);
    }

    // The poll paces itself: the next query is started only by the end of the last one, and
    // never while somebody else holds the link or the poll is paused.
    void aBusyLinkOrAPauseEndsThePollChain()
    {
        radar->setTargets(3);
        connectWatching();
        // Somebody else holds the link: the next tick gives up its turn, silently, for good.
        w().channel().lock.lock();
        QTest::qWait(200);
        QVERIFY(!w().pollTimer.isActive());
        const int lines = ui()->listWidget->count();
        w().channel().lock.unlock();
        const int stopped = polls();
        verifyPollStopped();
        QCOMPARE(ui()->listWidget->count(), lines);

        // Paused polling: one more query goes out, its wait ends at once, the chain ends.
        w().pollingPaused = true;
        w().pollTimer.start();
        QTest::qWait(400);
        QCOMPARE(polls(), stopped + 1);
        QCOMPARE(log().last(), QStringLiteral("雷达探测结果查询命令：超时或无返回值"));
        QVERIFY(!w().pollTimer.isActive());
    }

    // "保存设置": the port is closed and opened again, the save goes out on the fresh line, the
    // radar commits it, and the session ends for the restart the box asks for.
    void saveCommitsToFlashAndEndsTheSession()
    {
        connectWatching();
        DialogAnswerer answers;
        answers.answerMessageBox(QMessageBox::Ok, 10000);
        ui()->pushButtonSaveConfig->click();
        QVERIFY(answers.waitDone());
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.first().title, QStringLiteral("保存设置"));
        QCOMPARE(radar->flashSaves(), 1);
        QVERIFY(isIdle() && !w().channel().port.isOpen() && ui()->pushButtonSaveConfig->isEnabled());
        const QStringList lines = log();
        const int cut = int(lines.indexOf(QStringLiteral("断开")));
        QCOMPARE(lines.mid(cut, 2), (QStringList{"断开", "重连"}));
        QVERIFY(lines.value(cut + 2).startsWith(QStringLiteral("发送保存设置到flash命令：55 aa 0e 00")));
        QVERIFY(lines.value(cut + 3).startsWith(QStringLiteral("保存设置到flash返回：55 aa")));
        verifyPollStopped();
    }

    void saveThatCannotReopenThePortSaysSoAndGoesIdle()
    {
        connectWatching();
        // The adapter is gone by the time the port is reopened.
        w().channel().port.setPortName(folder->filePath(QStringLiteral("gone")));
        ui()->pushButtonSaveConfig->click();
        QVERIFY(log().contains(QStringLiteral("无法打开串口：") + folder->filePath(QStringLiteral("gone"))));
        QVERIFY(isIdle());
        QVERIFY(!w().pollTimer.isActive());
        QCOMPARE(radar->flashSaves(), 0);
    }
};

RADAR_TEST_MAIN(TestPolling)
#include "tst_polling.moc"
