// The link's figures as the status bar reads them: reply times, poll rate, and what a connection resets.
// The counts by outcome are checked end to end, against injected faults, by tst_linkcounters.
#include "linkstatistics.h"
#include "testsupport.h"

using namespace radarlink;

namespace {
const quint16 Poll = LinkStatistics::commandKey(0x06, 0x01);
const quint16 Identity = LinkStatistics::commandKey(0x0D, 0);
} // namespace

class TestLinkStatistics : public QObject
{
    Q_OBJECT

private slots:
    // The median is taken over the last hundred replies only; time-outs have no reply time.
    void medianOfTheLastHundred_data()
    {
        QTest::addColumn<int>("replies"); // reply i (1-based) takes i ms
        QTest::addColumn<double>("median");
        QTest::addColumn<qint64>("longest");
        QTest::newRow("none") << 0 << -1.0 << qint64(0);
        QTest::newRow("one") << 1 << 1.0 << qint64(1);
        QTest::newRow("odd count") << 5 << 3.0 << qint64(5);
        QTest::newRow("even count") << 4 << 2.5 << qint64(4);
        QTest::newRow("exactly a hundred") << 100 << 50.5 << qint64(100);
        // 51..150 remain.
        QTest::newRow("a hundred and fifty") << 150 << 100.5 << qint64(150);
    }
    void medianOfTheLastHundred()
    {
        QFETCH(int, replies);
        LinkStatistics stats;
        qint64 t = 0;
        for (int i = 1; i <= replies; ++i) {
            stats.recordExchange(Poll, 16, 30, ExchangeOutcome::Answered, t, t + i);
            // A silent exchange in between changes nothing about reply times.
            stats.recordExchange(Poll, 16, 0, ExchangeOutcome::TimedOut, t + 200, t + 1200);
            t += 2000;
        }
        QTEST(stats.medianReplyMs(), "median");
        QTEST(stats.longestReplyMs(), "longest");
    }

    // Polls per second over the last five seconds, or over the connection's age while younger.
    void pollsPerSecond_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<qint64>("untilMs");
        QTest::addColumn<qint64>("nowMs");
        QTest::addColumn<double>("rate");
        QTest::newRow("10 a second, long run") << 100 << qint64(60000) << qint64(60000) << 10.0;
        QTest::newRow("10 a second, young connection") << 100 << qint64(2000) << qint64(2000) << 10.0;
        QTest::newRow("4 a second") << 250 << qint64(20000) << qint64(20000) << 4.0;
        // Polling stopped 3 s ago: two of the five seconds still hold polls.
        QTest::newRow("stopped 3 s ago") << 100 << qint64(20000) << qint64(23000) << 4.0;
        QTest::newRow("stopped long ago") << 100 << qint64(20000) << qint64(40000) << 0.0;
        QTest::newRow("no polls") << 100 << qint64(0) << qint64(10000) << 0.0;
    }
    void pollsPerSecond()
    {
        QFETCH(int, intervalMs);
        QFETCH(qint64, untilMs);
        QFETCH(qint64, nowMs);
        LinkStatistics stats;
        for (qint64 t = intervalMs; t <= untilMs; t += intervalMs)
            stats.recordResultPoll(t);
        QTEST(stats.pollsPerSecond(nowMs), "rate");
    }

    // A reconnect resumes the connection: the figures run on and the reconnect is counted. A
    // connection the operator asks for starts every figure again, the reconnects with them.
    void reconnectKeepsTheFigures()
    {
        LinkStatistics stats;
        stats.startConnection(false);
        stats.recordExchange(Identity, 14, 0, ExchangeOutcome::TimedOut, 0, 1000);
        stats.recordExchange(Poll, 16, 60, ExchangeOutcome::WrongSync, 1000, 1040);
        stats.recordResultPoll(1000);
        stats.startConnection(true);
        stats.startConnection(true);
        QCOMPARE(stats.reconnects(), 2);
        QCOMPARE(stats.timeouts(), 1);
        QCOMPARE(stats.wrongSync(), 1);
        QCOMPARE(stats.bytesSent(), qint64(30));
        QCOMPARE(stats.perCommand().size(), 2);
        stats.startConnection(false);
        QCOMPARE(stats.reconnects() + stats.timeouts() + stats.wrongSync(), 0);
        QCOMPARE(stats.bytesSent() + stats.bytesReceived() + stats.longestReplyMs(), qint64(0));
        QCOMPARE(stats.medianReplyMs(), -1.0);
        QVERIFY(stats.perCommand().isEmpty());
        QCOMPARE(stats.pollsPerSecond(1500), 0.0);
    }
};

RADAR_TEST_MAIN(TestLinkStatistics)
#include "tst_linkstatistics.moc"
