// Request frames byte for byte as the radar must see them, and the reply checks that decide
// what the tool believes.
#include "testsupport.h"

#include "commandtable.h"
#include "frame.h"

using namespace radarlink;

static QByteArray hex(const char *text) { return hexBytes(text); }

static QByteArray headerWithStation(quint8 station)
{
    QByteArray h = connectHeader();
    h[StationOffset] = char(station);
    h[StationCopyOffset] = char(station);
    h[ReportedStationOffset] = char(station);
    return h;
}

class TestFrames : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

    void requestsMatchTheRadarsExamples_data()
    {
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("first identity request after connecting")
            << -1 << 0x0D << QByteArray() << hex("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed");
        QTest::newRow("result query, station 5")
            << 5 << 0x06 << hex("01 00") << hex("55 aa 10 00 ff 02 00 05 06 05 05 00 01 00 ed ed");
        QTest::newRow("read detection area, station 5")
            << 5 << 0x0A << QByteArray() << hex("55 aa 0e 00 00 03 00 05 0a 05 05 00 ed ed");
        QTest::newRow("write detection area, default scene, station 5")
            << 5 << 0x02 << hex("58 02 78 00 00 00")
            << hex("55 aa 14 00 d0 03 00 05 02 05 05 00 58 02 78 00 00 00 ed ed");
        // Station 5 asked to move to 9, serial words 0x0205 and 0x0007, relays 10 and 11.
        QTest::newRow("set station number, station 5")
            << 5 << 0x0E << hex("09 05 05 02 07 00 0a 0b")
            << hex("55 aa 16 00 3d 03 00 05 0e 05 05 00 09 05 05 02 07 00 0a 0b ed ed");
    }
    void requestsMatchTheRadarsExamples()
    {
        QFETCH(int, station);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, expected);
        QByteArray header = station < 0 ? connectHeader() : headerWithStation(quint8(station));
        const QByteArray frame = buildRequest(header, quint8(code), payload);
        QCOMPARE(toHexText(frame), toHexText(expected));
        // The header keeps the patched fields, and its stale checksum does not feed the next sum.
        QCOMPARE(header, expected.left(HeaderSize));
        QCOMPARE(buildRequest(header, quint8(code), payload), expected);
    }

    // The sum leaves out its own two bytes and drops the carry beyond 16 bits.
    void checksumWraps()
    {
        QCOMPARE(int(frameChecksum(QByteArray(300, '\xFF'))), int((298 * 255) & 0xFFFF));
    }

    void sizedReplyChecks()
    {
        QCOMPARE(checkSizedReply(QByteArray(), 20), SizedReplyCheck::Empty);
        QCOMPARE(checkSizedReply(hex("55 aa") + QByteArray(17, '\0'), 20), SizedReplyCheck::TooShort);
        QCOMPARE(checkSizedReply(hex("55 ab") + QByteArray(18, '\0'), 20), SizedReplyCheck::BadSync);
        QCOMPARE(checkSizedReply(hex("55 aa") + QByteArray(18, '\0'), 20), SizedReplyCheck::Valid);
        // Bytes beyond the minimum are allowed and ignored.
        QCOMPARE(checkSizedReply(hex("55 aa") + QByteArray(40, '\0'), 20), SizedReplyCheck::Valid);
    }

    void deadlineReplyChecks_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("check");
        QTest::addColumn<int>("owed");
        const QByteArray head = hex("55 aa");
        QTest::newRow("nothing") << QByteArray() << false << int(DeadlineReplyCheck::Empty) << 12;
        QTest::newRow("10 bytes declaring 40") << head + hex("28 00") + QByteArray(6, '\0') << false
                                              << int(DeadlineReplyCheck::Incomplete) << 40;
        QTest::newRow("12 bytes declaring 12") << head + hex("0c 00") + QByteArray(8, '\0') << true
                                              << int(DeadlineReplyCheck::NoData) << 12;
        QTest::newRow("length field 0") << head + hex("00 00") + QByteArray(8, '\0') << true
                                       << int(DeadlineReplyCheck::NoData) << 0;
        QTest::newRow("length 13, 13 bytes") << head + hex("0d 00") + QByteArray(9, '\0') << true
                                            << int(DeadlineReplyCheck::Valid) << 13;
        QTest::newRow("length 65535") << head + hex("ff ff") + QByteArray(30, '\0') << false
                                     << int(DeadlineReplyCheck::Incomplete) << 65535;
        QTest::newRow("three bytes, no length yet") << hex("55 aa 1a") << false
                                                   << int(DeadlineReplyCheck::Incomplete) << 12;
        QTest::newRow("wrong sync") << hex("55 ab 0c 00") + QByteArray(8, '\0') << true
                                   << int(DeadlineReplyCheck::BadSync) << 12;
        QTest::newRow("one byte") << hex("55") << false << int(DeadlineReplyCheck::BadSync) << 12;
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

    void readersNeverReadPastTheData()
    {
        const QByteArray two = hex("34 12");
        QCOMPARE(readU16(two, 0), quint16(0x1234));
        QCOMPARE(readU16(two, 1), quint16(0));
        QCOMPARE(readU8(two, 2), quint8(0));
        QCOMPARE(readU8(two, -1), quint8(0));
        QCOMPARE(readS16(hex("38 ff"), 0), qint16(-200));
    }
};

RADAR_TEST_MAIN(TestFrames)
#include "tst_frames.moc"
