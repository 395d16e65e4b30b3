// What the tool reads out of the radar's replies: identity, scene reads and detection frames,
// including replies that lie about their own size.
#include "testsupport.h"

#include "replies.h"

using namespace radarlink;

static QByteArray hex(const char *text) { return hexBytes(text); }

// A result reply: header with the given length field, one unexamined byte, count, entries.
static QByteArray resultReply(int count, const QByteArray &entries, int lengthField = -1)
{
    QByteArray reply = hex("55 aa 00 00 00 00 00 02 06 02 02 00 00");
    reply.append(char(count));
    reply += entries;
    const int length = lengthField < 0 ? reply.size() : lengthField;
    reply[2] = char(length & 0xff);
    reply[3] = char(length >> 8);
    return reply;
}

static QByteArray entry(quint16 id, qint16 x, qint16 y, quint8 cls = 1)
{
    QByteArray e;
    for (quint16 v : {id, quint16(x), quint16(y), quint16(0), quint16(0)}) {
        e.append(char(v & 0xff));
        e.append(char(v >> 8));
    }
    e.append(char(cls));
    e.append('\0');
    return e;
}

class TestReplies : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

    // The filter's type byte: 1 and 2 are the first and second type of a channel radar, 4 the
    // second of an area scanner; the read-back covers 2 and 4 end to end.
    void targetFilterTypeIndex()
    {
        QCOMPARE(decodeTargetFilter(hex("55aa100000000002140202000104eded")).typeIndex(), 2);
        QCOMPARE(decodeTargetFilter(hex("55aa100000000002140202000001eded")).typeIndex(), 1);
    }

    void suppressionListHoldsAtMostTenCells()
    {
        QByteArray reply = hex("55aa380000000002 0c020200");
        reply.append(char(12));      // more cells claimed than the radar can hold
        reply.append(char(50));
        for (int k = 0; k < 10; ++k)
            reply += hex("3200 3200");   // (50, 50)
        reply += hex("eded");
        const SuppressionReply cells = decodeSuppression(reply);
        QCOMPARE(cells.count, 10);
        QCOMPARE(cells.cells.size(), 10);
        QCOMPARE(cells.cells.first(), QPoint(50, 50));
        QCOMPARE(gridEdgeText(cells.gridEdgeCm), QStringLiteral("0.5"));

        // A reply cut short reads its missing points as zero, never past the bytes received.
        const SuppressionReply cut = decodeSuppression(hex("55aa380000000002 0c020200 03 64 9cff f401"));
        QCOMPARE(cut.count, 3);
        QCOMPARE(cut.cells.at(0), QPoint(-100, 500));
        QCOMPARE(cut.cells.at(1), QPoint(0, 0));
    }

    void gridEdgeTexts_data()
    {
        QTest::addColumn<int>("cm");
        QTest::addColumn<QString>("text");
        QTest::newRow("25") << 25 << "0.25";
        QTest::newRow("150") << 150 << "1.5";
        QTest::newRow("no such item") << 70 << "0.7";
    }
    void gridEdgeTexts()
    {
        QFETCH(int, cm);
        QFETCH(QString, text);
        QCOMPARE(gridEdgeText(quint8(cm)), text);
    }

    // Every field of an entry; a later entry with the same id wins; a count beyond the bytes
    // keeps only whole entries, and bytes after the last counted entry are ignored.
    void targetEntries()
    {
        const TargetFrame frame = decodeTargetFrame(resultReply(1, hex("10 00 38 ff c8 00 05 00 06 00 02 77")));
        QCOMPARE(frame.size(), 1);
        QCOMPARE(frame.value(16), (TargetReport{16, quint16(qint16(-200)), 200, 5, 6, 2}));
        const TargetFrame same = decodeTargetFrame(resultReply(2, entry(7, 100, 100) + entry(7, -300, 250, 4)));
        QCOMPARE(same.size(), 1);
        QCOMPARE(qint16(same.value(7).at(1)), qint16(-300));
        QCOMPARE(same.value(7).at(5), quint16(4));
        QCOMPARE(decodeTargetFrame(resultReply(5, entry(1, 10, 20) + entry(2, 30, 40).left(6))).keys(), (QList<quint16>{1}));
        QCOMPARE(decodeTargetFrame(resultReply(255, QByteArray())).size(), 0);
        QCOMPARE(decodeTargetFrame(hex("55 aa")).size(), 0);
        QCOMPARE(decodeTargetFrame(resultReply(1, entry(3, 0, 0) + entry(4, 0, 0))).keys(), (QList<quint16>{3}));
    }

    void zoneFlagsAreStrictAndInnermost_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<bool>("detection");
        QTest::newRow("on the alarm edge") << 200 << 0 << false << true << false;
        QTest::newRow("just inside the alarm zone") << 0 << 199 << true << false << false;
        QTest::newRow("on the warning edge") << -400 << 0 << false << false << true;
        QTest::newRow("inside the warning zone") << 300 << 200 << false << true << false;
        QTest::newRow("on the detection edge") << 0 << 600 << false << false << false;
        QTest::newRow("beyond every zone") << 32767 << -32768 << false << false << false;
    }
    void zoneFlagsAreStrictAndInnermost()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, alarm);
        QFETCH(bool, warning);
        QFETCH(bool, detection);
        const TargetFrame frame = decodeTargetFrame(resultReply(1, entry(1, qint16(x), qint16(y))));
        const ZoneFlags flags = classifyTargets(frame, 2, 4, 6);
        QCOMPARE(flags.alarm, alarm);
        QCOMPARE(flags.warning, warning);
        QCOMPARE(flags.detection, detection);
    }

    void flagsOfAFrameAccumulate()
    {
        const TargetFrame frame = decodeTargetFrame(resultReply(3, entry(1, 0, 100) + entry(2, 0, 500) + entry(3, 0, 300)));
        const ZoneFlags flags = classifyTargets(frame, 2, 4, 6);
        QVERIFY(flags.alarm && flags.warning && flags.detection);
    }
};

RADAR_TEST_MAIN(TestReplies)
#include "tst_replies.moc"
