// What the tool reads out of the radar's replies: the cell list and detection frames, down to
// the byte, and the zones the targets light. What no reply may do (read past its bytes, keep a
// partial entry, lose a target on the way back) is left to the fuzz targets; the identity and
// the scene reads are checked end to end by tst_readback.
#include "testsupport.h"

#include "replies.h"

using namespace radarlink;

class TestReplies : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

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
};

RADAR_TEST_MAIN(TestReplies)
#include "tst_replies.moc"
