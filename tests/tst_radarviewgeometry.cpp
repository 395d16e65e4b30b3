// The plan view's geometry without a picture: how many cells a range takes, how the axes are
// numbered, what part of the grid is shown for a lane or a detection area, which cells the
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
} // namespace

class TestRadarViewGeometry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }

    void cellsAndAxisStep_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("edge");
        QTest::addColumn<int>("cells");
        QTest::addColumn<int>("step");   // -1: not checked
        QTest::newRow("6 m / 1 m") << 6.0 << 1.0 << 6 << 1;
        QTest::newRow("6.5 m / 1 m") << 6.5 << 1.0 << 7 << -1;
        QTest::newRow("6 m / 0.25 m, exact multiple") << 6.0 << 0.25 << 24 << 4;
        QTest::newRow("6.2 m / 0.25 m") << 6.2 << 0.25 << 25 << -1;
        QTest::newRow("6 m / 1.5 m") << 6.0 << 1.5 << 4 << -1;
        QTest::newRow("20 m / 1 m") << 20.0 << 1.0 << 20 << 4;
        QTest::newRow("30 m / 1 m") << 30.0 << 1.0 << 30 << 5;
        QTest::newRow("30 m / 0.5 m") << 30.0 << 0.5 << 60 << 10;
        QTest::newRow("20 m / 1.5 m") << 20.0 << 1.5 << 14 << 3;
        QTest::newRow("20 m / 2 m") << 20.0 << 2.0 << 10 << 2;
        QTest::newRow("655 m / 0.25 m") << 655.0 << 0.25 << 2620 << -1;
        QTest::newRow("0.01 m / 1 m") << 0.01 << 1.0 << 1 << -1;
        QTest::newRow("no extent") << 0.0 << 1.0 << 0 << -1;
        QTest::newRow("negative extent") << -5.0 << 1.0 << 0 << -1;
    }
    void cellsAndAxisStep()
    {
        QFETCH(double, extent);
        QFETCH(double, edge);
        QFETCH(int, cells);
        QFETCH(int, step);
        QCOMPARE(cellsForExtent(extent, edge), cells);
        if (step > 0)
            QCOMPARE(axisLabelStep(cells, edge), step);
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

    // A channel radar shows only the lane between its boundaries (here 1 m either side), scaled
    // by the depth; a wide lane in a tall widget is scaled by its width instead.
    void narrowLane()
    {
        const ViewGeometry g = layout(6, 1, -1, 1);
        QCOMPARE(g.stripLeft, 4.99);
        QCOMPARE(g.stripRight, 7.0);
        QCOMPARE(g.scale, 400.0 / 6);
        QVERIFY(qFuzzyCompare(g.radarPoint(0, 0).x(), 1.01 * 400 / 6 + 60));
        QVERIFY(!g.cellVisible(2, 4) && g.cellVisible(2, 5) && g.cellVisible(2, 6) && !g.cellVisible(2, 7));
        QCOMPARE(layout(6, 1, -6, 6, 600, 4000).scale, 50.0);
    }

    // Set detection-area cells crop the picture to the rows and columns they span; none set
    // shows the whole grid, and the boundaries still cut the window.
    void areaWindow()
    {
        CellGrid area;
        area.grow(6, 12);
        ViewGeometry g = layout(6, 1, -128, 128, 600, 400, &area);
        QCOMPARE(QRect(QPoint(g.colMin, g.rowMin), QPoint(g.colMax, g.rowMax)), QRect(QPoint(0, 0), QPoint(12, 6)));
        area.setFlag(1, 3, true);
        area.setFlag(2, 8, true);
        g = layout(6, 1, -128, 128, 600, 400, &area);
        QCOMPARE(QRect(QPoint(g.colMin, g.rowMin), QPoint(g.colMax, g.rowMax)), QRect(QPoint(3, 1), QPoint(9, 3)));
        QCOMPARE(g.scale, 100.0);   // min(600 / 6, 400 / 2)
        QCOMPARE(g.columnX(3), 60.0);
        QCOMPARE(g.rowY(1), 30.0);
        QVERIFY(g.cellVisible(1, 3) && g.cellVisible(2, 8));
        QVERIFY(!g.cellVisible(0, 3) && !g.cellVisible(3, 3) && !g.cellVisible(1, 9));
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
        QTest::newRow("boundaries 0, 0.25 m cells") << 6.0 << 0.25 << 0.0 << 0.0 << 600.0;
        QTest::newRow("zero-size widget, boundaries 0") << 6.0 << 1.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("boundaries crossed") << 6.0 << 1.0 << 3.0 << -3.0 << 600.0;
        QTest::newRow("lane beside the grid") << 6.0 << 1.0 << 20.0 << 30.0 << 600.0;
        QTest::newRow("no extent") << 0.0 << 1.0 << -128.0 << 128.0 << 600.0;
        QTest::newRow("655 m, 0.25 m cells") << 655.0 << 0.25 << -655.0 << 655.0 << 600.0;
    }
    void degenerateInputsKeepFiniteGeometry()
    {
        QFETCH(double, extent);
        QFETCH(double, edge);
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(double, width);
        const ViewGeometry g = layout(extent, edge, left, right, width, width * 2 / 3);
        for (double v : {g.stripLeft, g.stripRight, g.scale, g.pixmapWidth, g.pixmapHeight, g.columnX(g.columns()),
                         g.rowY(g.rows), g.radarPoint(32767, -32768).x(), g.radarPoint(32767, -32768).y()})
            QVERIFY(std::isfinite(v));
        QVERIFY(g.scale >= 0 && g.scale <= width * 100 + 1);
        QVERIFY(g.pixmapHeight >= 90 - 1e-9);
    }

    // Which cells may be marked at the edges of the range and the fan. The two columns along the
    // axis have no side distance: their angle is a right angle. The fan's half angle is worked
    // out with 3.1415926, so a fan a hair under 90 degrees still takes the cell beside the
    // radar whose far inner corner lies at exactly 45 degrees.
    void eligibilityAtTheEdges_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("range");
        QTest::addColumn<double>("angle");
        QTest::addColumn<bool>("eligible");
        QTest::newRow("nearest corner exactly at the range") << 2 << 10 << 5.0 << 120.0 << true;
        QTest::newRow("nearest corner just beyond") << 2 << 10 << 4.99 << 120.0 << false;
        QTest::newRow("far row on the axis, at the range") << 0 << 6 << 5.0 << 120.0 << true;
        QTest::newRow("far row on the axis, beyond") << 0 << 6 << 4.99 << 120.0 << false;
        QTest::newRow("axis column, 0 degrees") << 5 << 6 << 6.0 << 0.0 << true;
        QTest::newRow("beside the axis, 0 degrees") << 5 << 4 << 6.0 << 0.0 << false;
        QTest::newRow("45 degree corner, 90") << 5 << 7 << 6.0 << 90.0 << true;
        QTest::newRow("45 degree corner, a hair under 90") << 5 << 7 << 6.0 << 89.9999995 << true;
        QTest::newRow("45 degree corner left, a hair under 90") << 5 << 4 << 6.0 << 89.9999995 << true;
        QTest::newRow("45 degree corner, 89.99") << 5 << 7 << 6.0 << 89.99 << false;
        QTest::newRow("beyond 45 degrees") << 5 << 8 << 6.0 << 90.0 << false;
        QTest::newRow("beside the radar, 120 degrees") << 5 << 0 << 6.0 << 120.0 << false;
        QTest::newRow("beside the radar, wider than a half circle") << 5 << 0 << 6.0 << 200.0 << true;
    }
    void eligibilityAtTheEdges()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(double, range);
        QFETCH(double, angle);
        QFETCH(bool, eligible);
        QCOMPARE(cellEligible(row, column, 6, 12, 1.0, range, angle), eligible);
    }

    // The point of a marked cell that the radar is told, and the cell of a point it reports;
    // with 0.25 m cells the 50 cm offset puts the point outside its own cell, yet it comes back.
    void cellPointExamples()
    {
        RadarView view;
        QCOMPARE(view.cellToRadarPoint(2, 7), QPoint(150, 350));
        QCOMPARE(view.radarPointToCell(150, 350), (GridCell{2, 7}));
        QCOMPARE(view.cellToRadarPoint(5, 0), QPoint(-550, 50));
        QCOMPARE(view.cellToRadarPoint(0, 11), QPoint(550, 550));
        QVERIFY(view.setGridEdge(0.5));
        QCOMPARE(view.cellToRadarPoint(4, 14), QPoint(150, 350));
        QCOMPARE(view.radarPointToCell(150, 350), (GridCell{4, 14}));
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
            for (int i = 0; i < rows; ++i)
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
};

RADAR_TEST_MAIN(TestRadarViewGeometry)
#include "tst_radarviewgeometry.moc"
