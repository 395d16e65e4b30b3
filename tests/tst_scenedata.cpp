// The bytes a scene's values go out as: truncation toward zero and the low bits of values out
// of range. The default scene's writes, the cell list and the 64-byte file are checked on the
// wire and on disk by tst_scenesend; damaged scene files by the scene-file fuzz target.
#include "testsupport.h"

#include "scenedata.h"

#include <limits>

using namespace radarlink;

class TestSceneData : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

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
};

RADAR_TEST_MAIN(TestSceneData)
#include "tst_scenedata.moc"
