// Request frames byte for byte as the radar must see them, and the reply checks that decide
// what the tool believes.
#include "testsupport.h"

#include "frame.h"

using namespace radarlink;

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
};

RADAR_TEST_MAIN(TestFrames)
#include "tst_frames.moc"
