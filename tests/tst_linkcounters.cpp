// The link's figures against a radar that misbehaves on purpose: every injected fault shows up
// once in its own counter and in the status bar, and the poll rate and reply time of a paced
// line come out as the wire allows.
#include "commandtable.h"
#include "frame.h"
#include "linkfixture.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QScreen>

using namespace radarlink;

// A fault put on one command's replies, the number of times the command runs, and what the
// figures must count: timeouts, wrong sync words, short and incomplete replies.
struct Counted
{
    int code;
    sim::Fault fault;
    int times, timeouts, wrongSync, shortOnes, incomplete;
};
Q_DECLARE_METATYPE(Counted)

class TestLinkCounters : public AttachedFixture
{
    Q_OBJECT

    QString statusText() { return w().linkStatusLabel()->text(); }

    // One figure of the status bar, read as the operator reads it.
    double shown(const QString &pattern)
    {
        const QRegularExpressionMatch m = QRegularExpression(pattern).match(statusText());
        return m.hasMatch() ? m.captured(1).toDouble() : -1;
    }

private slots:
    void initTestCase() { startRadar(); }
    void cleanupTestCase() { stopRadar(); }
    void init() { attachWindow(); }
    void cleanup()
    {
        radar->setPaced(false);
        detachWindow();
    }

    void countsInjectedFaults_data()
    {
        QTest::addColumn<Counted>("c");
        QTest::newRow("answered polls") << Counted{0x06, sim::Fault::None, 5, 0, 0, 0, 0};
        QTest::newRow("silent polls") << Counted{0x06, sim::Fault::Silent, 3, 3, 0, 0, 0};
        QTest::newRow("wrong-sync polls") << Counted{0x06, sim::Fault::BadSync, 4, 0, 4, 0, 0};
        // Ten bytes against a twelve-byte header: less than the reply owes.
        QTest::newRow("cut-off polls") << Counted{0x06, sim::Fault::Short, 3, 0, 0, 0, 3};
        QTest::newRow("short area reads") << Counted{0x0A, sim::Fault::Short, 3, 0, 0, 3, 0};
        QTest::newRow("wrong-sync area reads") << Counted{0x0A, sim::Fault::BadSync, 2, 0, 2, 0, 0};
        QTest::newRow("silent identity reads") << Counted{0x0D, sim::Fault::Silent, 2, 2, 0, 0, 0};
    }
    void countsInjectedFaults()
    {
        QFETCH(Counted, c);
        const int code = c.code, times = c.times, timeouts = c.timeouts;
        if (c.fault != sim::Fault::None)
            radar->setFault(quint8(code), faultSpec(c.fault));
        for (int i = 0; i < times; ++i)
            code == 0x06 ? w().queryResults() : code == 0x0A ? w().readDetectionArea() : w().readIdentity();

        // The radar saw each request once; the figures count exactly those.
        QVERIFY(radar->waitForRequests(times, 1000));
        QCOMPARE(radar->requests().size(), times);
        const LinkStatistics &stats = w().linkStatistics();
        const quint16 key = LinkStatistics::commandKey(quint8(code), code == 0x06 ? 1 : 0);
        QCOMPARE(stats.perCommand().size(), 1);
        QCOMPARE(stats.perCommand().value(key).requests, times);
        QCOMPARE(stats.perCommand().value(key).replies, times - timeouts);
        QCOMPARE(stats.bytesSent(), qint64(times) * (code == 0x06 ? 16 : 14));
        QVERIFY((stats.bytesReceived() == 0) == (timeouts == times));

        // What the status bar shows within its next refresh: each count by itself, in full.
        const QString sentLine = QStringLiteral("发送字节：%1").arg(stats.bytesSent());
        QVERIFY2(waitUntil([&] { return w().linkStatusLabel()->toolTip().contains(sentLine); }, 1500),
                 qPrintable(w().linkStatusLabel()->toolTip()));
        QCOMPARE(shown(QStringLiteral("超时：(\\d+)")), double(timeouts));
        QCOMPARE(shown(QStringLiteral("错误回复：(\\d+)")), double(c.wrongSync + c.shortOnes + c.incomplete));
        const QStringList all = w().linkStatusLabel()->toolTip().split(QLatin1Char('\n'));
        for (const QString &line : {QStringLiteral("同步字错误：%1").arg(c.wrongSync), QStringLiteral("回复过短：%1").arg(c.shortOnes),
                                    QStringLiteral("回复不完整：%1").arg(c.incomplete)})
            QVERIFY2(all.contains(line), qPrintable(all.join(QLatin1Char('\n'))));
    }

    // The "链路统计" entry of the help menu opens a window that lists every figure by the
    // commands' names, kept up to date while it is open, and placed whole on the screen at its
    // final size.
    void statisticsWindowFollowsTheLink()
    {
        QAction *action = w().linkStatisticsAction();
        QVERIFY(w().ui->menu->actions().contains(action));
        action->trigger();
        auto *window = w().findChild<QDialog *>(QStringLiteral("dialogLinkStatistics"));
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("链路统计"));
        auto *text = window->findChild<QLabel *>();
        QVERIFY(text);
        QVERIFY2(text->text().contains(QStringLiteral("超时：0")), qPrintable(text->text()));
        radar->setFault(0x06, faultSpec(sim::Fault::Silent));
        w().queryResults();
        QVERIFY2(waitUntil([&] { return text->text().contains(QStringLiteral("超时：1")); }, 1500), qPrintable(text->text()));
        QVERIFY2(text->text().contains(QStringLiteral("  雷达探测结果查询命令 (0x06/01): 1/0")), qPrintable(text->text()));
        QCOMPARE(text->text(), w().linkStatusLabel()->toolTip());
        const QRect placed = window->frameGeometry();
        QVERIFY2(window->screen()->availableGeometry().contains(placed), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y()).arg(placed.width()).arg(placed.height())));
        QTest::qWait(600);
        QCOMPARE(window->frameGeometry(), placed);
    }

    // On a paced line a poll takes the 50 ms pause plus the reply's time on the wire; the
    // status bar's rate and reply time come out accordingly.
    void pacedPollFigures()
    {
        radar->setFixedTargets({{1, 100, 300, 0, 0, 1}, {2, -100, 500, 0, 0, 1}, {3, 0, 700, 0, 0, 2},
                                {4, 50, 200, 0, 0, 1}, {5, -50, 600, 0, 0, 2}});
        radar->setPaced(true);
        const QByteArray query = buildRequest(w().frameHeader, 0x06, QByteArray::fromHex("0100"));
        const int replyBytes = radar->answer(query).size();
        QVERIFY(replyBytes > 60);
        const double wireMs = replyBytes * 1000.0 / sim::RadarSimulator::PacedBytesPerSecond;
        const double fastestRate = 1000.0 / (50 + wireMs);

        w().pollingPaused = false;
        w().pollTimer.start();
        QTest::qWait(6000);
        const double rate = shown(QStringLiteral("轮询：([\\d.]+) 次/秒"));
        const double replyMs = shown(QStringLiteral("回复时间：(\\d+) ms"));
        w().pollingPaused = true;
        w().pollTimer.stop();
        const QString why = QStringLiteral("%1 (wire %2 ms, at most %3 polls/s)").arg(statusText()).arg(wireMs).arg(fastestRate);
        QVERIFY2(rate <= fastestRate * 1.05 && rate >= fastestRate * 0.6, qPrintable(why));
        QVERIFY2(replyMs >= qFloor(wireMs) - 1 && replyMs <= wireMs + 30, qPrintable(why));
        QCOMPARE(w().linkStatistics().timeouts(), 0);
        QCOMPARE(w().linkStatistics().badReplies(), 0);
    }
};

RADAR_TEST_MAIN(TestLinkCounters)
#include "tst_linkcounters.moc"
