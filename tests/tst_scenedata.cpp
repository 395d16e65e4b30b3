// The bytes a scene goes out as, and the scene file: truncation toward zero, low bits of
// values out of range, damaged files. The default scene's writes, the cell list and the
// 64-byte file are checked on the wire and on disk by tst_scenesend.
#include "testsupport.h"

#include "sceneconfig.h"
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

    // Values that are no numbers read as zero, longer files are read to their 64 bytes, and a
    // file cut inside the angle keeps its doubles but not its integers.
    void damagedFilesReadAsZeroWhereTheyFail()
    {
        SceneConfig c;
        c.detectionFar = std::numeric_limits<double>::quiet_NaN();
        c.detectionNear = std::numeric_limits<double>::infinity();
        c.warningFar = 5;
        c.targetTypeIndex = 7;
        const QByteArray bytes = encodeSceneConfig(c);
        const SceneConfig cleaned = decodeSceneConfig(bytes + QByteArray(100, '\x7f'));
        QCOMPARE(cleaned.detectionFar, 0.0);
        QCOMPARE(cleaned.detectionNear, 0.0);
        QCOMPARE(cleaned.warningFar, 5.0);
        QCOMPARE(cleaned.targetTypeIndex, 7);
        const SceneConfig cut = decodeSceneConfig(bytes.left(50));
        QCOMPARE(cut.warningFar, 5.0);
        QCOMPARE(cut.detectionAngle, 0);
        QCOMPARE(cut.gridIndex, 0);
    }
};

RADAR_TEST_MAIN(TestSceneData)
#include "tst_scenedata.moc"
