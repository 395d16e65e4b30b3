// The plan view's geometry without a picture: how many cells a range takes, how the axes are
// numbered, what part of the grid is shown for a lane or a detection area, which cells the
// operator may mark, and the points the radar is told for the marked cells.
#include "radarview.h"
#include "testsupport.h"
#include "viewgeometry.h"

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

    // Cells a side for a range (an exact multiple of the edge adds no cell) and the step of the
    // axis numbers for that many cells.
    void cellsAndAxisStep()
    {
        struct Case { double extent, edge; int cells, step; };   // step -1: not checked
        for (const Case &c : {Case{6, 1, 6, 1}, Case{6.5, 1, 7, -1}, Case{6, 0.25, 24, 4}, Case{6, 1.5, 4, -1}, Case{20, 1, 20, 4},
                              Case{30, 1, 30, 5}, Case{30, 0.5, 60, 10}, Case{20, 1.5, 14, 3}, Case{20, 2, 10, 2},
                              Case{655, 0.25, 2620, 440}, Case{0.01, 1, 1, -1}, Case{-5, 1, 0, -1}}) {
            const int cells = cellsForExtent(c.extent, c.edge), step = axisLabelStep(c.cells, c.edge);
            QVERIFY2(cells == c.cells && (c.step < 0 || step == c.step),
                     qPrintable(QString("%1 m / %2 m: %3 cells, step %4").arg(c.extent).arg(c.edge).arg(cells).arg(step)));
        }
    }

    // Edges no combo box offers but a corrupt read-back could bring: the step stays a count that
    // does not overflow, and absurdly fine cells leave only the axis numbered.
    void axisNumberingStepForAbsurdEdges()
    {
        QVERIFY(axisLabelStep(65536, 1e-320) >= 65536 && axisLabelStep(65536, 1e-9) >= 65536);
        QVERIFY(axisLabelStep(1, 1e300) >= 0 && axisLabelStep(65536, 1e300) >= 0);
    }

    // Set detection-area cells crop the picture to the rows and columns they span; none set
    // shows the whole grid, and a lane's boundaries (here 1 m either side) still cut the window.
    // The lane alone is the reference plot's.
    void areaWindow()
    {
        auto window = [](const ViewGeometry &g) { return QRect(QPoint(g.colMin, g.rowMin), QPoint(g.colMax, g.rowMax)); };
        CellGrid area;
        area.grow(6, 12);
        QCOMPARE(window(layout(6, 1, -128, 128, 600, 400, &area)), QRect(QPoint(0, 0), QPoint(12, 6)));
        area.setFlag(1, 3, true);
        area.setFlag(2, 8, true);
        const ViewGeometry g = layout(6, 1, -128, 128, 600, 400, &area), lane = layout(6, 1, -1, 1, 600, 400, &area);
        QCOMPARE(window(g), QRect(QPoint(3, 1), QPoint(9, 3)));
        QCOMPARE(g.scale, 100.0);   // min(600 / 6, 400 / 2)
        QCOMPARE(QPointF(g.columnX(3), g.rowY(1)), QPointF(60, 30));
        QCOMPARE(QPointF(lane.stripLeft, lane.stripRight), QPointF(4.99, 7.0));
    }

    // Which cells may be marked at the edges of the range and the fan. The two columns along the
    // axis have no side distance: their angle is a right angle. The fan's half angle is worked
    // out with 3.1415926, so a fan a hair under 90 degrees still takes the cell beside the
    // radar whose far inner corner lies at exactly 45 degrees.
    void eligibilityAtTheEdges()
    {
        struct Case { const char *name; int row, column; double range, angle; bool eligible; };
        for (const Case &c : {Case{"nearest corner exactly at the range", 2, 10, 5.0, 120.0, true},
                              Case{"nearest corner just beyond", 2, 10, 4.99, 120.0, false},
                              Case{"far row on the axis, at the range", 0, 6, 5.0, 120.0, true},
                              Case{"far row on the axis, beyond", 0, 6, 4.99, 120.0, false},
                              Case{"axis column, 0 degrees", 5, 6, 6.0, 0.0, true},
                              Case{"beside the axis, 0 degrees", 5, 4, 6.0, 0.0, false},
                              Case{"45 degree corner, 90", 5, 7, 6.0, 90.0, true},
                              Case{"45 degree corner, a hair under 90", 5, 7, 6.0, 89.9999995, true},
                              Case{"45 degree corner left, a hair under 90", 5, 4, 6.0, 89.9999995, true},
                              Case{"45 degree corner, 89.99", 5, 7, 6.0, 89.99, false},
                              Case{"beyond 45 degrees", 5, 8, 6.0, 90.0, false},
                              Case{"beside the radar, 120 degrees", 5, 0, 6.0, 120.0, false},
                              Case{"beside the radar, wider than a half circle", 5, 0, 6.0, 200.0, true}})
            QVERIFY2(cellEligible(c.row, c.column, 6, 12, 1.0, c.range, c.angle) == c.eligible, c.name);
    }

    // The point of a marked cell that the radar is told, and the cell of a point it reports;
    // with 0.25 m cells the 50 cm offset puts the point outside its own cell, yet it comes back.
    // Every cell of a grid comes back from its point, whatever the extent and the cell size.
    void cellPoints()
    {
        struct Example { double edge; int row, column; QPoint point; };
        RadarView view;
        for (const Example &e : {Example{1, 2, 7, {150, 350}}, Example{1, 5, 0, {-550, 50}}, Example{1, 0, 11, {550, 550}},
                                 Example{0.5, 4, 14, {150, 350}}, Example{0.25, 0, 0, {-550, 550}}}) {
            QVERIFY(view.setGridEdge(e.edge));
            QCOMPARE(view.cellToRadarPoint(e.row, e.column), e.point);
            QCOMPARE(view.radarPointToCell(e.point.x(), e.point.y()), (GridCell{e.row, e.column}));
        }
        for (double extent : {6.0, 6.2, 30.0})
            for (double edge : {0.25, 0.5, 1.0, 1.5, 2.0}) {
                view.lateralExtent = view.depthExtent = extent;
                QVERIFY(view.setGridEdge(edge));
                for (int i = 0; i < cellsForExtent(extent, edge); ++i)
                    for (int k = 0; k < 2 * cellsForExtent(extent, edge); ++k) {
                        const QPoint p = view.cellToRadarPoint(i, k);
                        const GridCell back = view.radarPointToCell(p.x(), p.y());
                        if (!(back == GridCell{i, k}))
                            QFAIL(qPrintable(QString("%1 m in %2 m cells: (%3, %4) -> (%5, %6) -> (%7, %8)").arg(extent).arg(edge)
                                                 .arg(i).arg(k).arg(p.x()).arg(p.y()).arg(back.row).arg(back.column)));
                    }
            }
    }
};

RADAR_TEST_MAIN(TestRadarViewGeometry)
#include "tst_radarviewgeometry.moc"
