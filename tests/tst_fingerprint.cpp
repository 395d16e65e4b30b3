// The scene fingerprint as anyone recomputes it from a wire trace: a zlib CRC-32 over the data
// bytes of the five scene writes. The expected figures come from Python's zlib.crc32 over bytes
// written out by hand; the form's own encoders (metres in) must give the same bytes, so that a
// scene typed in, sent, read back or loaded from a file has one fingerprint.
#include "testsupport.h"

#include "scenedata.h"
#include "scenefingerprint.h"

#include <functional>

using namespace radarlink;

Q_DECLARE_METATYPE(radarlink::WireScene)
Q_DECLARE_METATYPE(std::function<void(radarlink::WireScene &)>)

namespace {
// Ten cell centres of a 0.25 m grid in the order the tool sends them: far row first, left first.
const QVector<QPoint> TenCells{{-75, 575}, {-50, 575}, {-25, 575}, {0, 550},   {25, 550},
                               {50, 550},  {-100, 300}, {-75, 300}, {100, 300}, {125, 300}};

// A scene of the default ranges on a 0.25 m grid. Fields in WireScene's order: far, angle,
// warning, alarm, left, right (half metres), grid edge, cells, direction, type, start.
WireScene onQuarterGrid(const QVector<QPoint> &cells = TenCells)
{
    return WireScene{600, 120, 400, 200, -2, 2, 25, cells, 0, 0, 0};
}
// The form's writes of that scene but for its cell list.
QByteArray defaultFormWrites()
{
    return detectionAreaData(6.0, 120) + alarmAreaData(4.0, 2.0, -1.0, 1.0) + targetFilterData(0, 0) + startDistanceData(0.0);
}
} // namespace

class TestFingerprint : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

    // Each scene as the form holds it (metres, the combo boxes' codes) and in wire units.
    void fingerprintIsTheCrcOfTheWrites_data()
    {
        QTest::addColumn<WireScene>("wire");
        QTest::addColumn<QByteArray>("formWrites");
        QTest::addColumn<QString>("fingerprint");
        QTest::newRow("default form") << WireScene{600, 120, 400, 200, -2, 2, 100, {}, 0, 0, 0}
                                      << defaultFormWrites() + suppressionData({}, 1.0) << "3796A644";
        QTest::newRow("lane, boundaries, vehicles approaching")
            << WireScene{1250, 90, 800, 350, -5, 6, 50, {}, 1, 2, 150}
            << detectionAreaData(12.5, 90) + alarmAreaData(8.0, 3.5, -2.5, 3.0) + targetFilterData(1, 2)
                   + startDistanceData(1.5) + suppressionData({}, 0.5)
            << "5A0D17E0";
        // The tool sends what its plot can hold: each cell once, the ten farthest.
        QVector<QPoint> shuffled = TenCells;
        std::reverse(shuffled.begin(), shuffled.end());
        std::swap(shuffled[2], shuffled[7]);
        const QByteArray tenCellWrites = defaultFormWrites() + suppressionData(TenCells, 0.25);
        QTest::newRow("ten cells on a 0.25 m grid, listed in any order") << onQuarterGrid(shuffled) << tenCellWrites << "544B056A";
        QTest::newRow("a cell listed twice") << onQuarterGrid(TenCells + shuffled) << tenCellWrites << "544B056A";
        QTest::newRow("an eleventh cell, nearer than the others")
            << onQuarterGrid(TenCells + QVector<QPoint>{{0, 100}}) << tenCellWrites << "544B056A";
    }
    void fingerprintIsTheCrcOfTheWrites()
    {
        QFETCH(WireScene, wire);
        QFETCH(QByteArray, formWrites);
        QFETCH(QString, fingerprint);
        QCOMPARE(sceneWritePayloads(wire).toHex(' '), formWrites.toHex(' '));
        QCOMPARE(fingerprintText(sceneFingerprint(wire)), fingerprint);
    }

    void everyValueChangesIt_data()
    {
        using Change = std::function<void(WireScene &)>;
        QTest::addColumn<Change>("change");
        QTest::newRow("detection far") << Change([](WireScene &s) { s.detectionFarCm += 1; });
        QTest::newRow("angle") << Change([](WireScene &s) { s.angle = 90; });
        QTest::newRow("warning far, hidden on a channel radar") << Change([](WireScene &s) { s.warningFarCm -= 1; });
        QTest::newRow("alarm far") << Change([](WireScene &s) { s.alarmFarCm += 10; });
        QTest::newRow("left boundary") << Change([](WireScene &s) { s.leftHalfMetres = -3; });
        QTest::newRow("right boundary, hidden on an area scanner") << Change([](WireScene &s) { s.rightHalfMetres = 3; });
        QTest::newRow("start distance") << Change([](WireScene &s) { s.startCm = 50; });
        QTest::newRow("grid edge") << Change([](WireScene &s) { s.gridEdgeCm = 50; });
        QTest::newRow("target direction") << Change([](WireScene &s) { s.direction = 2; });
        QTest::newRow("target type") << Change([](WireScene &s) { s.type = 1; });
        QTest::newRow("a cell moved by 1 cm") << Change([](WireScene &s) { s.cells[9].rx() += 1; });
        QTest::newRow("a cell removed") << Change([](WireScene &s) { s.cells.removeAt(3); });
    }
    void everyValueChangesIt()
    {
        QFETCH(std::function<void(WireScene &)>, change);
        WireScene changed = onQuarterGrid();
        change(changed);
        QVERIFY(sceneFingerprint(changed) != sceneFingerprint(onQuarterGrid()));
    }
};

RADAR_TEST_MAIN(TestFingerprint)
#include "tst_fingerprint.moc"
