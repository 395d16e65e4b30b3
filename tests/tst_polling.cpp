// Watching a connected radar: the result poll, the frame ring, the zone lamps, what ends the
// poll chain, a line that goes dead under the tool, and the flash save that ends a session.
#include "sessionfixture.h"

#include "dialoganswerer.h"

#include <QTimer>

namespace {
const QString OffLamp = QStringLiteral("background: rgb(128, 128, 128)");

} // namespace

class TestPolling : public SessionFixture
{
    Q_OBJECT

    void connectWatching()
    {
        pressConnect();
        QVERIFY(isWatching());
    }
    int polls() { return requestCodes().count(0x06); }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void framesLandInTheRingAndLightTheLamps()
    {
        // One target on the alarm edge (counts as warning), one inside the detection zone.
        radar->setFixedTargets({{3, 200, 0, 0, 0, 2}, {9, 0, 450, 0, 0, 4}});
        connectWatching();
        radar->clearRequests();
        const int before = ui()->listWidget->count();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 5; }, 3000));
        QVERIFY(w().inWarn);
        QVERIFY(w().inSurvey);
        QVERIFY(!w().inAlarm);
        const int newest = (view()->frameIndex + 399) % 400;
        const TargetFrame &frame = view()->frameHistory.at(newest);
        QCOMPARE(frame.keys(), (QList<quint16>{3, 9}));
        QCOMPARE(frame.value(9), (TargetReport{9, 0, 450, 0, 0, 4}));
        // Two log lines per poll: request trace and reply trace.
        const int pollsSeen = polls();
        const int lines = ui()->listWidget->count() - before;
        QVERIFY2(qAbs(lines - 2 * pollsSeen) <= 2, qPrintable(QStringLiteral("%1 lines, %2 polls").arg(lines).arg(pollsSeen)));

        // The lamps: lit in the zone colours for 800 ms of each second, then off again. The blink
        // pumps events inside its own delay, so a timer samples them.
        QStringList warnSeen, surveySeen, alarmSeen;
        QTimer sampler;
        sampler.setInterval(20);
        connect(&sampler, &QTimer::timeout, this, [&] {
            warnSeen << ui()->labelLEDWarn->styleSheet();
            surveySeen << ui()->labelLEDSurv->styleSheet();
            alarmSeen << ui()->labelLEDAlar->styleSheet();
        });
        sampler.start();
        QTest::qWait(2200);
        sampler.stop();
        auto litShare = [](const QStringList &seen, const QString &colour) {
            return double(seen.filter(colour).size()) / seen.size();
        };
        const double warnLit = litShare(warnSeen, QStringLiteral("background: rgb(247, 241, 130)"));
        QVERIFY2(warnLit > 0.4 && warnLit < 0.97, qPrintable(QString::number(warnLit)));
        QVERIFY(litShare(surveySeen, QStringLiteral("background: rgb(104, 199, 242)")) > 0.4);
        QCOMPARE(litShare(alarmSeen, OffLamp), 1.0);
        QVERIFY(litShare(warnSeen, OffLamp) > 0.05);

        // "断开": lamps off, ring empty, next frame into slot 0, lock free.
        ui()->pushButtonDisconnect->click();
        QVERIFY(isIdle());
        QCOMPARE(view()->frameIndex, 0);
        for (const TargetFrame &f : view()->frameHistory)
            QVERIFY(f.isEmpty());
        QVERIFY(!w().inWarn && !w().inSurvey);
        QVERIFY(ui()->labelLEDSurv->styleSheet().contains(OffLamp));
        QVERIFY(w().channel().lock.tryLock(0));
        w().channel().lock.unlock();
        const int after = polls();
        QTest::qWait(300);
        QCOMPARE(polls(), after);
    }

    void theFourHundredAndFirstFrameOverwritesSlotZero()
    {
        radar->setFixedTargets({{1, 10, 100, 0, 0, 1}});
        connectWatching();
        w().pollTimer.stop();
        QVERIFY(waitUntil([&] { return !w().pollTimer.isActive(); }, 2000));
        QTest::qWait(100);
        w().pollTimer.stop();
        for (auto &f : view()->frameHistory)
            f.clear();
        view()->frameIndex = 0;
        for (int i = 0; i < 400; ++i)
            QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, 0);
        radar->setFixedTargets({{2, -10, 300, 0, 0, 1}});
        QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, 1);
        QCOMPARE(view()->frameHistory.at(0).keys(), (QList<quint16>{2}));
        QCOMPARE(view()->frameHistory.at(1).keys(), (QList<quint16>{1}));
        // An empty frame still takes its slot and clears the flags.
        radar->setFixedTargets({});
        w().inAlarm = true;
        QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, 2);
        QVERIFY(view()->frameHistory.at(1).isEmpty());
        QVERIFY(!w().inAlarm);
    }

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
        QTest::qWait(300);
        QCOMPARE(polls(), stopped);
        QCOMPARE(ui()->listWidget->count(), lines);

        // Paused polling: one more query goes out, its wait ends at once, the chain ends.
        w().pollingPaused = true;
        w().pollTimer.start();
        QTest::qWait(400);
        QCOMPARE(polls(), stopped + 1);
        QCOMPARE(log().last(), QStringLiteral("雷达探测结果查询命令：超时或无返回值"));
        QVERIFY(!w().pollTimer.isActive());
    }

    // The radar drops the line (an unplugged adapter): the tool notices at once, says so once,
    // goes Idle without spinning, and connects again to the radar behind the same path.
    void aDeadLineEndsTheConnection_data()
    {
        QTest::addColumn<int>("exchanges");
        QTest::newRow("during the read-back") << 2;
        QTest::newRow("while polling") << 12;
    }
    void aDeadLineEndsTheConnection()
    {
        QFETCH(int, exchanges);
        radar->setTargets(3);
        radar->setHangUpAfter(exchanges);
        QElapsedTimer clock;
        double cpuAtHangUp = 0;
        qint64 hangUpAt = -1;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, this, [&] {
            if (hangUpAt < 0 && radar->hangUps() > 0) {
                hangUpAt = clock.elapsed();
                cpuAtHangUp = cpuSeconds();
            }
        });
        clock.start();
        watch.start();
        pressConnect();
        QVERIFY(waitUntil([&] { return hangUpAt >= 0; }, 8000));
        QVERIFY(waitUntil([&] { return isIdle(); }, 1000));
        const qint64 idleAfter = clock.elapsed() - hangUpAt;
        QVERIFY2(idleAfter <= 1000, qPrintable(QString::number(idleAfter)));
        QTest::qWait(500);
        // Well under a core's worth of work since the hang-up: nothing spun on the dead line.
        const double wall = (clock.elapsed() - hangUpAt) / 1000.0;
        const double cpu = cpuSeconds() - cpuAtHangUp;
        QVERIFY2(cpu < 0.5 * wall, qPrintable(QStringLiteral("cpu %1 s over %2 s").arg(cpu).arg(wall)));
        QVERIFY(isIdle());
        QVERIFY(!w().channel().port.isOpen());
        QCOMPARE(logCount(QStringLiteral("与雷达的连接已中断：") + linkPath()), 1);
        QVERIFY(w().channel().lock.tryLock(0));
        w().channel().lock.unlock();

        // The simulator serves a fresh line behind the same symlink.
        radar->clearRequests();
        pressConnect();
        QVERIFY(isWatching());
        QCOMPARE(requestCodes().mid(0, 6), (QList<int>{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15}));
    }

    void saveCommitsToFlashAndEndsTheSession()
    {
        radar->setTargets(1);
        connectWatching();
        DialogAnswerer answers;
        answers.answerMessageBox(QMessageBox::Ok, 10000);
        ui()->pushButtonSaveConfig->click();
        QVERIFY(answers.waitDone());
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.first().title, QStringLiteral("保存设置"));
        QCOMPARE(answers.seen.first().text, QStringLiteral("保存设置成功，请重启设备！"));
        QCOMPARE(radar->flashSaves(), 1);
        QVERIFY(isIdle());
        QVERIFY(!w().channel().port.isOpen());
        QVERIFY(ui()->pushButtonSaveConfig->isEnabled());
        const QStringList lines = log();
        const int cut = int(lines.indexOf(QStringLiteral("断开")));
        QVERIFY(cut >= 0);
        QCOMPARE(lines.at(cut + 1), QStringLiteral("重连"));
        QVERIFY(lines.at(cut + 2).startsWith(QStringLiteral("发送保存设置到flash命令：55 aa 0e 00")));
        QVERIFY(lines.at(cut + 3).startsWith(QStringLiteral("保存设置到flash返回：55 aa")));
    }

    void saveWithoutAnAnswerResumesPolling()
    {
        radar->setTargets(1);
        connectWatching();
        radar->setFault(0x10, faultSpec(sim::Fault::Silent));
        ui()->pushButtonSaveConfig->click();
        QVERIFY(log().contains(QStringLiteral("保存设置到flash命令：超时或无返回值")));
        QVERIFY(isWatching());
        radar->clearRequests();
        QVERIFY(waitUntil([&] { return polls() >= 2; }, 2000));
    }

    void saveThatCannotReopenThePortSaysSoAndGoesIdle()
    {
        radar->setTargets(1);
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
