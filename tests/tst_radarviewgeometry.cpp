// Where the plan view puts things: the grid size for an extent, the strip of the grid that is
// shown, the scale, the pixel lines of the grid, the numbering step of the axes, which cells the
// operator may mark, and the points the radar is told for the marked cells.
#include "radarview.h"
#include "testsupport.h"
#include "viewgeometry.h"

#include <cmath>

namespace {
ViewGeometry layout(double extent, double edge, double left = -128, double right = 128, double width = 600,
                    double height = 400, const CellGrid *area = nullptr)
{
    return computeGeometry(SceneExtents{extent, extent, left, right, edge}, area, width, height, 30);
}

bool allFinite(const ViewGeometry &g)
{
    for (double v : {g.edge, g.stripLeft, g.stripRight, g.scale, g.pixmapWidth, g.pixmapHeight, g.columnX(0),
                     g.columnX(g.columns()), g.rowY(0), g.rowY(g.rows), g.radarPoint(0, 0).x(),
                     g.radarPoint(0, 0).y(), g.radarPoint(32767, -32768).x(), g.radarPoint(32767, -32768).y()})
        if (!std::isfinite(v))
            return false;
    return true;
}

// The eligible cells of the factory scene (6 m range, 120 degrees, 1 m cells), row 0 farthest.
const char *const factoryEligibility[] = {
    "..XXXXXXXX..",
    ".XXXXXXXXXX.",
    "XXXXXXXXXXXX",
    "XXXXXXXXXXXX",
    "..XXXXXXXX..",
    "....XXXX....",
};
} // namespace

class TestRadarViewGeometry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }

    // The factory scene in a 600 x 400 widget: 12 x 6 cells of 50 pixels, margins of 60 left
    // and bottom and 30 top and right, the radar at the bottom centre of the grid.
    void factorySceneLayout()
    {
        const ViewGeometry g = layout(6, 1);
        QCOMPARE(g.columnsPerSide, 6);
        QCOMPARE(g.rows, 6);
        QCOMPARE(g.columns(), 12);
        QCOMPARE(g.stripLeft, 0.0);
        QCOMPARE(g.stripRight, 12.0);
        QCOMPARE(g.scale, 50.0);
        QCOMPARE(g.pixmapWidth, 690.0);
        QCOMPARE(g.pixmapHeight, 390.0);
        QCOMPARE(g.radarPoint(0, 0), QPointF(360, 330));
        QCOMPARE(g.columnX(0), 60.0);
        QCOMPARE(g.columnX(12), 660.0);
        QCOMPARE(g.rowY(0), 30.0);
        QCOMPARE(g.rowY(6), 330.0);
        // 1.5 m right, 3.5 m out: the centre of cell (2, 7).
        QCOMPARE(g.radarPoint(150, 350), QPointF(435, 155));
        QVERIFY(g.cellVisible(0, 0) && g.cellVisible(5, 11));
    }

    // A channel radar shows only the lane between its boundaries (here 1 m either side).
    void narrowLane()
    {
        const ViewGeometry g = layout(6, 1, -1, 1);
        QCOMPARE(g.stripLeft, 4.99);
        QCOMPARE(g.stripRight, 7.0);
        QCOMPARE(g.scale, 400.0 / 6);
        QVERIFY(qFuzzyCompare(g.pixmapWidth, 2.01 * 400 / 6 + 90));
        QVERIFY(qFuzzyCompare(g.radarPoint(0, 0).x(), 1.01 * 400 / 6 + 60));
        QVERIFY(!g.cellVisible(2, 4));   // left of the lane, off the picture
        QVERIFY(g.cellVisible(2, 5));
        QVERIFY(g.cellVisible(2, 6));
        QVERIFY(!g.cellVisible(2, 7));   // right of the lane
        // A wide lane would be scaled by its width instead of the depth.
        QCOMPARE(layout(6, 1, -6, 6, 600, 4000).scale, 50.0);
    }

    void cellsPerExtent_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("edge");
        QTest::addColumn<int>("cells");
        QTest::newRow("6 m / 1 m") << 6.0 << 1.0 << 6;
        QTest::newRow("6.5 m / 1 m") << 6.5 << 1.0 << 7;
        QTest::newRow("6 m / 0.25 m, exact multiple") << 6.0 << 0.25 << 24;
        QTest::newRow("6.2 m / 0.25 m") << 6.2 << 0.25 << 25;
        QTest::newRow("6 m / 0.5 m") << 6.0 << 0.5 << 12;
        QTest::newRow("6 m / 1.5 m") << 6.0 << 1.5 << 4;
        QTest::newRow("6 m / 2 m") << 6.0 << 2.0 << 3;
        QTest::newRow("30 m / 0.25 m") << 30.0 << 0.25 << 120;
        QTest::newRow("655 m / 0.25 m") << 655.0 << 0.25 << 2620;
        QTest::newRow("0.01 m / 1 m") << 0.01 << 1.0 << 1;
        QTest::newRow("no extent") << 0.0 << 1.0 << 0;
        QTest::newRow("negative extent") << -5.0 << 1.0 << 0;
    }
    void cellsPerExtent()
    {
        QFETCH(double, extent);
        QFETCH(double, edge);
        QFETCH(int, cells);
        QCOMPARE(cellsForExtent(extent, edge), cells);
    }

    void axisNumberingStep_data()
    {
        QTest::addColumn<double>("edge");
        QTest::addColumn<double>("extent");
        QTest::addColumn<int>("perSide");
        QTest::addColumn<int>("step");
        QTest::newRow("1 m, 6 m") << 1.0 << 6.0 << 6 << 1;
        QTest::newRow("1 m, 20 m") << 1.0 << 20.0 << 20 << 4;
        QTest::newRow("1 m, 30 m") << 1.0 << 30.0 << 30 << 5;
        QTest::newRow("0.25 m, 6 m") << 0.25 << 6.0 << 24 << 4;
        QTest::newRow("0.5 m, 30 m") << 0.5 << 30.0 << 60 << 10;
        QTest::newRow("1.5 m, 20 m") << 1.5 << 20.0 << 14 << 3;
        QTest::newRow("2 m, 20 m") << 2.0 << 20.0 << 10 << 2;
    }
    // Edges no combo box offers but a corrupt read-back could bring: the step stays a sane
    // positive count, so the axes get a handful of numbers instead of a hundred thousand.
    void axisNumberingStepForAbsurdEdges()
    {
        QVERIFY(axisLabelStep(65536, 1e-320) >= 65536);
        QVERIFY(axisLabelStep(65536, 1e-9) >= 65536);
        QVERIFY(axisLabelStep(1, 1e300) >= 0);
        QVERIFY(axisLabelStep(65536, 1e300) >= 0);
    }

    void axisNumberingStep()
    {
        QFETCH(double, edge);
        QFETCH(double, extent);
        QFETCH(int, perSide);
        QFETCH(int, step);
        QCOMPARE(cellsForExtent(extent, edge), perSide);
        QCOMPARE(axisLabelStep(perSide, edge), step);
    }

    // Set detection-area cells crop the picture to the rows and columns they span.
    void areaWindow()
    {
        CellGrid area;
        area.grow(6, 12);
        ViewGeometry g = layout(6, 1, -128, 128, 600, 400, &area);
        QCOMPARE(g.colMin, 0);
        QCOMPARE(g.colMax, 12);
        QCOMPARE(g.rowMin, 0);
        QCOMPARE(g.rowMax, 6);
        QCOMPARE(g.scale, 50.0);

        area.setFlag(1, 3, true);
        area.setFlag(2, 8, true);
        g = layout(6, 1, -128, 128, 600, 400, &area);
        QCOMPARE(g.colMin, 3);
        QCOMPARE(g.colMax, 9);
        QCOMPARE(g.rowMin, 1);
        QCOMPARE(g.rowMax, 3);
        QCOMPARE(g.stripLeft, 3.0);
        QCOMPARE(g.stripRight, 9.0);
        QCOMPARE(g.scale, 100.0);   // min(600 / 6, 400 / 2)
        QCOMPARE(g.columnX(3), 60.0);
        QCOMPARE(g.rowY(1), 30.0);
        QCOMPARE(g.pixmapHeight, 290.0);
        QVERIFY(g.cellVisible(1, 3) && g.cellVisible(2, 8));
        QVERIFY(!g.cellVisible(0, 3));   // above the window
        QVERIFY(!g.cellVisible(3, 3));   // below it, in the bottom margin
        QVERIFY(!g.cellVisible(1, 9));   // right of it

        // The boundaries still cut the window.
        g = layout(6, 1, -1, 1, 600, 400, &area);
        QCOMPARE(g.stripLeft, 4.99);
        QCOMPARE(g.stripRight, 7.0);
    }

    // Inputs the radar or a broken read-back may produce: nothing may turn into NaN or infinity.
    void degenerateInputsKeepFiniteGeometry_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("edge");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::newRow("boundaries 0, 1 m cells") << 6.0 << 1.0 << 0.0 << 0.0 << 600.0 << 400.0;
        QTest::newRow("boundaries 0, 0.25 m cells") << 6.0 << 0.25 << 0.0 << 0.0 << 600.0 << 400.0;
        QTest::newRow("zero-size widget") << 6.0 << 1.0 << -128.0 << 128.0 << 0.0 << 0.0;
        QTest::newRow("zero-size widget, boundaries 0") << 6.0 << 1.0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("boundaries crossed") << 6.0 << 1.0 << 3.0 << -3.0 << 600.0 << 400.0;
        QTest::newRow("lane beside the grid") << 6.0 << 1.0 << 20.0 << 30.0 << 600.0 << 400.0;
        QTest::newRow("no extent") << 0.0 << 1.0 << -128.0 << 128.0 << 600.0 << 400.0;
        QTest::newRow("655 m, 0.25 m cells") << 655.0 << 0.25 << -655.0 << 655.0 << 600.0 << 400.0;
    }
    void degenerateInputsKeepFiniteGeometry()
    {
        QFETCH(double, extent);
        QFETCH(double, edge);
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(double, width);
        QFETCH(double, height);
        const ViewGeometry g = layout(extent, edge, left, right, width, height);
        QVERIFY(allFinite(g));
        QVERIFY(g.scale >= 0);
        QVERIFY(g.pixmapHeight >= 90 - 1e-9);
        QVERIFY(g.scale <= std::max(width, height) * 100 + 1);
    }

    // Boundaries of 0 leave a strip of 0.01 / g columns, so the scale comes from the depth.
    void zeroBoundariesLeaveAThinStrip()
    {
        ViewGeometry g = layout(6, 1, 0, 0);
        QVERIFY(qFuzzyCompare(g.stripRight - g.stripLeft, 0.01));
        QCOMPARE(g.scale, 400.0 / 6);
        g = layout(6, 0.25, 0, 0);
        QVERIFY(qFuzzyCompare(g.stripRight - g.stripLeft, 0.04));
        QCOMPARE(g.scale, 400.0 / 24);
    }

    void factoryEligibilityTable()
    {
        for (int i = 0; i < 6; ++i) {
            QString row;
            for (int k = 0; k < 12; ++k)
                row += cellEligible(i, k, 6, 12, 1.0, 6.0, 120.0) ? 'X' : '.';
            QCOMPARE(row, QString::fromLatin1(factoryEligibility[i]));
        }
    }

    void eligibilityBoundaries()
    {
        // Cell (2, 10): near edge 3 m out, inner side 4 m across; its nearest corner is 5 m away.
        QVERIFY(cellEligible(2, 10, 6, 12, 1.0, 5.0, 120.0));     // exactly at the range: eligible
        QVERIFY(!cellEligible(2, 10, 6, 12, 1.0, 4.99, 120.0));
        // The two columns along the axis have no side distance: their angle is a right angle.
        QVERIFY(cellEligible(5, 5, 6, 12, 1.0, 6.0, 0.0));
        QVERIFY(cellEligible(5, 6, 6, 12, 1.0, 6.0, 0.0));
        QVERIFY(!cellEligible(5, 4, 6, 12, 1.0, 6.0, 0.0));
        // The far row along the axis: its near edge is 5 m out.
        QVERIFY(cellEligible(0, 6, 6, 12, 1.0, 5.0, 120.0));
        QVERIFY(!cellEligible(0, 6, 6, 12, 1.0, 4.99, 120.0));
    }

    // A fan a hair under 90 degrees still takes the cell beside the radar whose far inner corner
    // lies at exactly 45 degrees: the fan's half angle is worked out with 3.1415926.
    void fanAngleUsesTheShortPi()
    {
        QVERIFY(cellEligible(5, 7, 6, 12, 1.0, 6.0, 90.0));
        QVERIFY(cellEligible(5, 7, 6, 12, 1.0, 6.0, 89.9999995));
        QVERIFY(cellEligible(5, 4, 6, 12, 1.0, 6.0, 89.9999995));
        QVERIFY(!cellEligible(5, 7, 6, 12, 1.0, 6.0, 89.99));
        QVERIFY(!cellEligible(5, 8, 6, 12, 1.0, 6.0, 90.0));
    }

    // The point of a marked cell that the radar is told, and the cell of a point it reports.
    void cellPointExamples()
    {
        RadarView view;
        QCOMPARE(view.cellToRadarPoint(2, 7), QPoint(150, 350));
        QCOMPARE(view.radarPointToCell(150, 350), (GridCell{2, 7}));
        QCOMPARE(view.cellToRadarPoint(5, 0), QPoint(-550, 50));
        QCOMPARE(view.cellToRadarPoint(0, 11), QPoint(550, 550));

        QVERIFY(view.setGridEdge(0.5));
        QCOMPARE(view.columnsPerSide(), 12);
        QCOMPARE(view.rowCount(), 12);
        QCOMPARE(view.cellToRadarPoint(4, 14), QPoint(150, 350));
        QCOMPARE(view.radarPointToCell(150, 350), (GridCell{4, 14}));

        // With 0.25 m cells the 50 cm offset puts the point outside its own cell, yet it comes back.
        QVERIFY(view.setGridEdge(0.25));
        QCOMPARE(view.cellToRadarPoint(0, 0), QPoint(-550, 550));
        QCOMPARE(view.radarPointToCell(-550, 550), (GridCell{0, 0}));
    }

    void cellPointRoundTrip_data()
    {
        QTest::addColumn<double>("extent");
        for (double extent : {6.0, 6.2, 30.0})
            QTest::newRow(qPrintable(QString("%1 m").arg(extent))) << extent;
    }
    void cellPointRoundTrip()
    {
        QFETCH(double, extent);
        RadarView view;
        view.lateralExtent = view.depthExtent = extent;
        for (double edge : {0.25, 0.5, 1.0, 1.5, 2.0}) {
            QVERIFY(view.setGridEdge(edge));
            const int rows = view.rowCount(), columns = 2 * view.columnsPerSide();
            QCOMPARE(rows, cellsForExtent(extent, edge));
            for (int i = 0; i < rows; ++i) {
                for (int k = 0; k < columns; ++k) {
                    const QPoint p = view.cellToRadarPoint(i, k);
                    const GridCell back = view.radarPointToCell(p.x(), p.y());
                    if (back.row != i || back.column != k)
                        QFAIL(qPrintable(QString("edge %1: cell (%2, %3) -> (%4, %5) -> (%6, %7)")
                                             .arg(edge).arg(i).arg(k).arg(p.x()).arg(p.y())
                                             .arg(back.row).arg(back.column)));
                }
            }
        }
    }
};

RADAR_TEST_MAIN(TestRadarViewGeometry)
#include "tst_radarviewgeometry.moc"
