// The bytes a scene goes out as, and the scene file: truncation toward zero, low bits of
// values out of range, the 64-byte file of the initial scene, damaged files.
#include "testsupport.h"

#include "cellgrid.h"
#include "sceneconfig.h"
#include "scenedata.h"

#include <cmath>
#include <limits>

using namespace radarlink;

static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

class TestSceneData : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

    void writesOfTheDefaultScene()
    {
        QCOMPARE(detectionAreaData(6.0, 120), hex("58 02 78 00 00 00"));
        QCOMPARE(alarmAreaData(4.0, 2.0, -1.0, 1.0), hex("90 01 c8 00 fe 02"));
        QCOMPARE(targetFilterData(2, 4), hex("02 04"));
        QCOMPARE(startDistanceData(0.0), hex("00 00") + QByteArray(14, '\0'));
    }

    void encodingsTruncateAndKeepTheLowBits_data()
    {
        QTest::addColumn<double>("metres");
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("boundary");
        QTest::newRow("2.3 m is 229 cm") << 2.3 << 229 << 4;
        QTest::newRow("2.5 m") << 2.5 << 250 << 5;
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

    void gridEdgeBytes()
    {
        QCOMPARE(int(gridEdgeCm(0.25)), 25);
        QCOMPARE(int(gridEdgeCm(1.5)), 150);
        QCOMPARE(int(gridEdgeCm(2)), 200);
    }

    void suppressionListsWhatItCounts()
    {
        const QByteArray none = suppressionData({}, 1.0);
        QCOMPARE(none.size(), 42);
        QCOMPARE(none.left(2), hex("00 64"));
        QCOMPARE(none.mid(2), QByteArray(40, '\0'));

        QVector<QPoint> twelve;
        for (int k = 0; k < 12; ++k)
            twelve << QPoint(-550 + 100 * k, 550);
        const QByteArray ten = suppressionData(twelve, 1.5);
        QCOMPARE(ten.size(), 42);
        QCOMPARE(ten.left(2), hex("0a 96"));
        QCOMPARE(ten.mid(2, 4), hex("da fd 26 02"));   // (-550, 550)
        QCOMPARE(ten.mid(38, 4), hex("5e 01 26 02"));  // (350, 550), the tenth
    }

    void movedCellsKeepTheirGround()
    {
        CellGrid grid;
        grid.grow(6, 12);
        grid.setFlag(0, 0, true);
        grid.setFlag(1, 1, true);
        grid.setFlag(5, 6, true);
        grid.moveCells(1, 1, 7, 14);   // 6 m -> 7 m with 1 m cells
        QCOMPARE(grid.setCells(), (QVector<GridCell>{{1, 1}, {2, 2}, {6, 7}}));
        grid.moveCells(-3, -3, 4, 8);  // 7 m -> 4 m: cells beyond the new edge go
        QCOMPARE(grid.setCells(), (QVector<GridCell>{{3, 4}}));
        grid.moveCells(-1, 5, 4, 8);
        QCOMPARE(grid.setCount(), 0);
    }

    void initialSceneFileIsTheKnownSixtyFourBytes()
    {
        SceneConfig c;
        c.detectionFar = 6;
        c.warningFar = 4;
        c.alarmFar = 2;
        c.leftBoundary = -1;
        c.rightBoundary = 1;
        c.detectionAngle = 120;
        c.gridIndex = 2;
        const QByteArray expected = hex("40 18 00 00 00 00 00 00 00 00 00 00 00 00 00 00 40 10 00 00 00 00 00 00"
                                        "40 00 00 00 00 00 00 00 bf f0 00 00 00 00 00 00 3f f0 00 00 00 00 00 00"
                                        "00 00 00 78 00 00 00 02 00 00 00 00 00 00 00 00");
        QCOMPARE(encodeSceneConfig(c), expected);
        const SceneConfig back = decodeSceneConfig(expected);
        QCOMPARE(back.detectionFar, 6.0);
        QCOMPARE(back.leftBoundary, -1.0);
        QCOMPARE(back.detectionAngle, 120);
        QCOMPARE(back.gridIndex, 2);
    }

    void damagedFilesReadAsZeroWhereTheyFail()
    {
        const SceneConfig empty = decodeSceneConfig(QByteArray());
        QCOMPARE(empty.detectionFar, 0.0);
        QCOMPARE(empty.targetTypeIndex, 0);

        SceneConfig c;
        c.detectionFar = std::numeric_limits<double>::quiet_NaN();
        c.detectionNear = std::numeric_limits<double>::infinity();
        c.warningFar = 5;
        c.targetTypeIndex = 7;
        QByteArray bytes = encodeSceneConfig(c);
        const SceneConfig cleaned = decodeSceneConfig(bytes + QByteArray(100, '\x7f'));
        QCOMPARE(cleaned.detectionFar, 0.0);
        QCOMPARE(cleaned.detectionNear, 0.0);
        QCOMPARE(cleaned.warningFar, 5.0);
        QCOMPARE(cleaned.targetTypeIndex, 7);

        // Cut inside the angle: the doubles are there, the integers are not.
        const SceneConfig cut = decodeSceneConfig(bytes.left(50));
        QCOMPARE(cut.warningFar, 5.0);
        QCOMPARE(cut.detectionAngle, 0);
        QCOMPARE(cut.gridIndex, 0);
    }
};

RADAR_TEST_MAIN(TestSceneData)
#include "tst_scenedata.moc"
