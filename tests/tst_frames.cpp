// The link's pure pieces, without a line: request frames byte for byte as the radar must see
// them and the reply checks that decide what the tool believes; what the tool reads out of the
// replies (the cell list, detection frames down to the byte, the zones the targets light); the
// bytes a scene's values go out as (truncation toward zero, the low bits of values out of range);
// and the link's figures as the status bar reads them (reply times, poll rate, what a connection
// resets). What no reply may do (read past its bytes, keep a partial entry, lose a target on the
// way back) and damaged scene files are left to the fuzz targets. End to end: the identity and
// scene reads, the default scene's writes, the cell list and the 64-byte file by tst_session,
// the counts by outcome against injected faults by tst_transaction.
#include "testsupport.h"

#include "frame.h"
#include "linkstatistics.h"
#include "replies.h"
#include "scenedata.h"

#include <limits>

using namespace radarlink;

namespace {
const quint16 Poll = LinkStatistics::commandKey(0x06, 0x01);
const quint16 Identity = LinkStatistics::commandKey(0x0D, 0);
} // namespace

class TestFrames : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

    // Under station 5. The first request after connecting and the reads are checked on the wire,
    // after other requests through the same header, by tst_transaction.
    void requestsMatchTheRadarsExamples_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("write detection area, default scene") << 0x02 << hexBytes("58 02 78 00 00 00")
            << hexBytes("55 aa 14 00 d0 03 00 05 02 05 05 00 58 02 78 00 00 00 ed ed");
        // Asked to move to 9, serial words 0x0205 and 0x0007, relays 10 and 11.
        QTest::newRow("set station number") << 0x0E << hexBytes("09 05 05 02 07 00 0a 0b")
            << hexBytes("55 aa 16 00 3d 03 00 05 0e 05 05 00 09 05 05 02 07 00 0a 0b ed ed");
    }
    void requestsMatchTheRadarsExamples()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, expected);
        QByteArray header = connectHeader();
        for (int at : {StationOffset, StationCopyOffset, ReportedStationOffset})
            header[at] = 5;
        QCOMPARE(toHexText(buildRequest(header, quint8(code), payload)), toHexText(expected));
        // The header keeps the patched fields, and its stale checksum does not feed the next sum.
        QCOMPARE(header, expected.left(HeaderSize));
        QCOMPARE(buildRequest(header, quint8(code), payload), expected);
    }

    void sizedReplyChecks()
    {
        QCOMPARE(checkSizedReply(QByteArray(), 20), SizedReplyCheck::Empty);
        QCOMPARE(checkSizedReply(hexBytes("55 aa") + QByteArray(17, '\0'), 20), SizedReplyCheck::TooShort);
        QCOMPARE(checkSizedReply(hexBytes("55 ab") + QByteArray(18, '\0'), 20), SizedReplyCheck::BadSync);
        QCOMPARE(checkSizedReply(hexBytes("55 aa") + QByteArray(18, '\0'), 20), SizedReplyCheck::Valid);
        // Bytes beyond the minimum are allowed and ignored.
        QCOMPARE(checkSizedReply(hexBytes("55 aa") + QByteArray(40, '\0'), 20), SizedReplyCheck::Valid);
    }

    void deadlineReplyChecks_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("check");
        QTest::addColumn<int>("owed");
        const QByteArray head = hexBytes("55 aa");
        QTest::newRow("nothing") << QByteArray() << false << int(DeadlineReplyCheck::Empty) << 12;
        QTest::newRow("length field 0") << head + hexBytes("00 00") + QByteArray(8, '\0') << true
                                       << int(DeadlineReplyCheck::NoData) << 0;
        QTest::newRow("length 13, 13 bytes") << head + hexBytes("0d 00") + QByteArray(9, '\0') << true
                                            << int(DeadlineReplyCheck::Valid) << 13;
        QTest::newRow("length 65535") << head + hexBytes("ff ff") + QByteArray(30, '\0') << false
                                     << int(DeadlineReplyCheck::Incomplete) << 65535;
        QTest::newRow("three bytes, no length yet") << hexBytes("55 aa 1a") << false
                                                   << int(DeadlineReplyCheck::Incomplete) << 12;
        QTest::newRow("one byte") << hexBytes("55") << false << int(DeadlineReplyCheck::BadSync) << 12;
    }
    void deadlineReplyChecks()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, complete);
        QFETCH(int, check);
        QFETCH(int, owed);
        QCOMPARE(deadlineReplyComplete(reply), complete);
        QCOMPARE(int(checkDeadlineReply(reply)), check);
        QCOMPARE(expectedDeadlineLength(reply), owed);
    }

    // The sum leaves out its own two bytes and drops the carry beyond 16 bits; a word cut off by
    // the end of the data reads as 0, not as its one byte.
    void sumAndReadersStayInBounds()
    {
        QCOMPARE(int(frameChecksum(QByteArray(300, '\xFF'))), int((298 * 255) & 0xFFFF));
        QCOMPARE(readU16(hexBytes("34 12"), 0), quint16(0x1234));
        QCOMPARE(readU16(hexBytes("34 12"), 1), quint16(0));
    }

    // More cells claimed than the radar can hold read as its ten; the edge reads as the text of
    // its grid item.
    void suppressionListHoldsAtMostTenCells()
    {
        const SuppressionReply cells = decodeSuppression(hexBytes("55aa380000000002 0c020200 0c 19")
                                                         + hexBytes("9cff f401").repeated(10) + hexBytes("eded"));
        QCOMPARE(cells.count, 10);
        QCOMPARE(cells.cells, QVector<QPoint>(10, QPoint(-100, 500)));
        QCOMPARE(gridEdgeText(cells.gridEdgeCm), QStringLiteral("0.25"));
        QCOMPARE(gridEdgeText(100), QStringLiteral("1"));
        QCOMPARE(gridEdgeText(150), QStringLiteral("1.5"));
    }

    // Every field of an entry (the byte after the class is not looked at); a later entry with
    // the same id wins.
    void targetEntries()
    {
        const TargetFrame one = decodeTargetFrame(hexBytes("55aa1a00000000020602020000 01 1000 38ff c800 0500 0600 02 77"));
        QCOMPARE(one.keys(), (QList<quint16>{16}));
        QCOMPARE(one.value(16), (TargetReport{16, quint16(qint16(-200)), 200, 5, 6, 2}));
        const TargetFrame same = decodeTargetFrame(hexBytes("55aa2600000000020602020000 02 0700 6400 6400 0000 0000 01 00"
                                                       "0700 d4fe fa00 0000 0000 04 00"));
        QCOMPARE(same.keys(), (QList<quint16>{7}));
        QCOMPARE(same.value(7), (TargetReport{7, quint16(qint16(-300)), 250, 0, 0, 4}));
    }

    // Each target counts for the innermost zone it is strictly inside (alarm 2 m, warning 4 m,
    // detection 6 m); a frame lights every zone one of its targets is in.
    void zoneFlagsAreStrictAndInnermost_data()
    {
        QTest::addColumn<QVector<QPoint>>("targets");
        QTest::addColumn<QString>("lit");
        QTest::newRow("on the alarm edge") << QVector<QPoint>{{200, 0}} << "warning";
        QTest::newRow("just inside the alarm zone") << QVector<QPoint>{{0, 199}} << "alarm";
        QTest::newRow("on the warning edge") << QVector<QPoint>{{-400, 0}} << "detection";
        QTest::newRow("inside the warning zone") << QVector<QPoint>{{300, 200}} << "warning";
        QTest::newRow("on the detection edge") << QVector<QPoint>{{0, 600}} << "";
        QTest::newRow("beyond every zone") << QVector<QPoint>{{32767, -32768}} << "";
        QTest::newRow("one in each zone") << QVector<QPoint>{{0, 100}, {0, 500}, {0, 300}} << "alarm warning detection";
    }
    void zoneFlagsAreStrictAndInnermost()
    {
        QFETCH(QVector<QPoint>, targets);
        QFETCH(QString, lit);
        TargetFrame frame;
        for (int id = 0; id < targets.size(); ++id)
            frame.insert(id, {quint16(id), quint16(targets[id].x()), quint16(targets[id].y()), 0, 0, 1});
        const ZoneFlags flags = classifyTargets(frame, 2, 4, 6);
        QStringList zones{flags.alarm ? "alarm" : "", flags.warning ? "warning" : "", flags.detection ? "detection" : ""};
        zones.removeAll(QString());
        QCOMPARE(zones.join(QLatin1Char(' ')), lit);
    }

    void encodingsTruncateAndKeepTheLowBits_data()
    {
        QTest::addColumn<double>("metres");
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("boundary");
        QTest::newRow("2.3 m is 229 cm") << 2.3 << 229 << 4;
        QTest::newRow("-1.0 m") << -1.0 << 0xff9c << 0xfe;
        QTest::newRow("-64.5 m wraps") << -64.5 << int(quint16(-6450)) << 0x7f;
        QTest::newRow("65535 m, the spin box top") << 65535.0 << (6553500 & 0xffff) << (131070 & 0xff);
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0 << 0;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 0xffff << 0xff;
        QTest::newRow("-infinity") << -std::numeric_limits<double>::infinity() << 0 << 0;
    }
    void encodingsTruncateAndKeepTheLowBits()
    {
        QFETCH(double, metres);
        QFETCH(int, distance);
        QFETCH(int, boundary);
        QCOMPARE(int(distanceCm(metres)), distance);
        QCOMPARE(int(boundaryHalfMetres(metres)), boundary);
    }

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

RADAR_TEST_MAIN(TestFrames)
#include "tst_frames.moc"
