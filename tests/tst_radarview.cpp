// The plan view as the operator uses it. First its geometry without a picture: how many cells a
// range takes, how the axes are numbered, what part of the grid is shown for a lane or a
// detection area, which cells the operator may mark, and the points the radar is told for the
// marked cells. Then what it draws for targets and their tracks, the axis numbers, the legend,
// and the cell marking done with simulated mouse clicks on the viewport. The picture as a whole
// is compared against an independently built plot in tst_radarview_reference; here are the rules
// that plot cannot show. Last, the heat map: the hot cells tinted in the right place and nowhere
// else, the targets and their tracks drawn over the tint, a marked cell's fill laid over it, the
// colour scale with its numbers beside the plot, and the plain plot back once it is off.
#include "heatmaplayer.h"
#include "radarview.h"
#include "sceneitems.h"
#include "testsupport.h"
#include "viewgeometry.h"

#include <QGraphicsScene>
#include <QPainter>

#include <cmath>

namespace {
constexpr int History = RadarView::HistorySize;
constexpr int LabelSize = 30;

ViewGeometry layout(double extent, double edge, double left = -128, double right = 128, double width = 600,
                    double height = 400, const CellGrid *area = nullptr)
{
    return computeGeometry(SceneExtents{extent, extent, left, right, edge}, area, width, height, LabelSize);
}

void showAt(RadarView &view, const QSize &size = QSize(600, 400))
{
    view.resize(size);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
}

// The picture in the viewport, as on screen, and its colour at a point of the scene.
QImage picture(RadarView &view)
{
    QCoreApplication::processEvents();
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}
QColor colourAt(const RadarView &view, const QImage &image, const QPointF &at) { return image.pixelColor(view.mapFromScene(at)); }

// A point of the radar plane in metres (x across the axis, y away from the radar), in the scene.
QPointF metres(const RadarView &view, double x, double y) { return view.geometry().radarPoint(x * 100, y * 100); }

QPointF cellCentre(const RadarView &view, int row, int column)
{
    const ViewGeometry &g = view.geometry();
    return QPointF(g.columnX(column) + g.scale / 2, g.rowY(row) + g.scale / 2);
}

bool close(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance && qAbs(a.blue() - b.blue()) <= tolerance;
}

// Whether a point shows a translucent fill laid over what it showed before.
bool tinted(const RadarView &view, const QImage &before, const QImage &after, const QPointF &at, const QColor &fill)
{
    const QColor b = colourAt(view, before, at);
    const double a = fill.alphaF();
    const QColor blend = QColor::fromRgbF(fill.redF() * a + b.redF() * (1 - a), fill.greenF() * a + b.greenF() * (1 - a),
                                          fill.blueF() * a + b.blueF() * (1 - a));
    return close(colourAt(view, after, at), blend, 2);
}

// The zone a pixel shows, told apart by its tint; plain white outside every fan.
QString zoneOf(const QColor &c)
{
    const int r = c.red(), g = c.green(), b = c.blue();
    return c == Qt::white ? "none" : b > r + 15 ? "detection" : r > g + 5 && g >= b - 5 ? "alarm"
           : r > b + 15 && g > b + 15 ? "warning" : "pale " + c.name();
}

// Marks (or clears) non-alarm cells as a read-back does, and redraws.
void mark(RadarView &view, std::initializer_list<GridCell> cells, bool on = true)
{
    for (const GridCell &c : cells)
        QVERIFY(view.SuppressionGrid.setFlag(c.row, c.column, on));
    view.nonAlarmCount = view.SuppressionGrid.setCount();
    view.redrawScene();
}

// Puts the next frame of target reports (id, x and y in cm, class) into the view's ring, as a
// poll does, and redraws.
struct Target { int id, x, y, type = 1; };
void push(RadarView &view, const QVector<Target> &targets)
{
    TargetFrame frame;
    for (const Target &t : targets)
        frame.insert(quint16(t.id), {quint16(t.id), quint16(qint16(t.x)), quint16(qint16(t.y)), 0, 0, quint16(t.type)});
    view.frameHistory[view.frameIndex] = frame;
    view.frameIndex = (view.frameIndex + 1) % History;
    view.redrawScene();
}

QVector<DrawnTarget> drawnTargets(const RadarView &view)
{
    for (QGraphicsItem *item : view.scene()->items())
        if (auto *t = dynamic_cast<const TargetsItem *>(item))
            return t->targets();
    return {};
}

// The smallest rectangle holding every pixel of an image region that counts as ink.
template <typename Ink>
QRect inkOf(const QImage &image, const QRect &within, Ink isInk)
{
    QRect ink;
    const QRect region = within & image.rect();
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (isInk(image.pixelColor(x, y)))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

void click(RadarView &view, const QPointF &scenePoint, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(view.viewport(), button, Qt::NoModifier, view.mapFromScene(scenePoint));
}
void clickCell(RadarView &view, int row, int column) { click(view, cellCentre(view, row, column)); }
} // namespace

class TestRadarView : public QObject
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

    // A widget of no size has no scale and takes no click. Shown, it fits the whole picture in
    // sight, undistorted, at 50 pixels a cell; a larger window redraws at a larger scale.
    void scaleFollowsTheWidget()
    {
        RadarView view;
        view.selectMode = true;
        view.resize(0, 0);
        view.redrawScene();
        QCOMPARE(view.pixelsPerCell, 0.0);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));
        QCOMPARE(view.nonAlarmCount, 0);
        showAt(view);
        QCOMPARE(view.pixelsPerCell, 50.0);
        QVERIFY(view.viewport()->rect().contains(QRect(view.mapFromScene(QPointF(0, 0)), view.mapFromScene(QPointF(689, 389)))));
        QCOMPARE(view.transform().m11(), view.transform().m22());
        view.resize(1200, 800);
        QVERIFY(waitUntil([&] { return view.pixelsPerCell == 100.0; }));
    }

    // Metres from the axis below the grid, then metres from the radar left of it: every boundary
    // numbered up to 9 cells a side, fewer beyond. Where they stand is the reference plot's check.
    void axisNumbers_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("edge");
        QTest::addColumn<QString>("numbers");
        QTest::newRow("6 m, 1 m") << 6.0 << 1.0 << "-6 -5 -4 -3 -2 -1 0 1 2 3 4 5 6 6 5 4 3 2 1 0";
        QTest::newRow("6 m, 1.5 m") << 6.0 << 1.5 << "-6 -4.5 -3 -1.5 0 1.5 3 4.5 6 6 4.5 3 1.5 0";
        QTest::newRow("9 m, 1 m") << 9.0 << 1.0 << "-9 -8 -7 -6 -5 -4 -3 -2 -1 0 1 2 3 4 5 6 7 8 9 9 8 7 6 5 4 3 2 1 0";
        QTest::newRow("30 m, 1 m") << 30.0 << 1.0 << "-30 -25 -20 -15 -10 -5 0 5 10 15 20 25 30 30 25 20 15 10 5 0";
        QTest::newRow("20 m, 2 m") << 20.0 << 2.0 << "-20 -16 -12 -8 -4 0 4 8 12 16 20 20 16 12 8 4 0";
        // Every 440th boundary, and across only those in the ±128 m lane.
        QTest::newRow("655 m, 0.25 m") << 655.0 << 0.25 << "-110 0 110 655 545 435 325 215 105";
    }
    void axisNumbers()
    {
        QFETCH(double, extent);
        QFETCH(double, edge);
        QFETCH(QString, numbers);
        RadarView view;
        view.lateralExtent = view.depthExtent = view.detectionFar = extent;
        view.gridEdge = edge;
        showAt(view, QSize(1800, 900));
        QStringList texts;
        for (QGraphicsItem *item : view.scene()->items())
            if (auto *axes = dynamic_cast<AxesItem *>(item))
                for (const AxesItem::Label &label : axes->labels())
                    texts << label.text;
        QCOMPARE(texts.join(' '), numbers);
    }

    // Each target a colour of its own between red and blue, the same in every run; a target
    // keeps its colour after an empty frame, which leaves the plot as it was before any target,
    // and a new one gets another.
    void targetColours()
    {
        RadarView view, again, blank;
        QVector<QColor> colours;
        for (RadarView *v : {&blank, &view, &again}) {
            showAt(*v);
            if (v != &blank)
                push(*v, {{4, 50, 350, 2}, {9, -250, 450, 3}, {12, 250, 150, 4}, {20, -350, 250, 1}, {30, 350, 450, 7}});
        }
        const QVector<DrawnTarget> first = drawnTargets(view), second = drawnTargets(again);
        QCOMPARE(first.size(), 5);
        for (int n = 0; n < first.size(); ++n) {
            const QColor c = first[n].colour;
            QVERIFY2(c.red() == 255 && c.green() + c.blue() == 255 && !colours.contains(c), qPrintable(c.name()));
            QCOMPARE(second[n].colour, c);
            colours << c;
        }
        push(view, {});
        QCOMPARE(picture(view), picture(blank));
        push(view, {{8, -150, 250}, {12, 50, 350}});
        const QVector<DrawnTarget> later = drawnTargets(view);
        QCOMPARE(later.size(), 2);
        QCOMPARE(later[1].colour, colours[2]);
        QVERIFY2(later[0].colour.red() == 255 && !colours.contains(later[0].colour), qPrintable(later[0].colour.name()));
    }

    // Frames, oldest first: A at P0 (before a gap), the gap, then P1, P2, P3 (newest). The track
    // runs back from P3 to P1 and stops at the gap. The ring wraps on the way. A target missing
    // from the frame before the newest has no track; one present in every slot has 399
    // segments. A target is drawn only on the grid or in the left margin: not right of the
    // grid, not above the picture, not behind the radar; ends of the 16-bit range cost no
    // colour. With tracks off there are none.
    void tracksAndTargetsOffTheGrid()
    {
        RadarView view;
        view.showTrack = true;
        showAt(view);
        view.frameIndex = 398;
        push(view, {{21, -450, 550}});                 // P0, slot 398
        push(view, {{22, 450, 150}});                  // gap, slot 399
        push(view, {{21, -300, 450}, {22, 450, 150}}); // P1, slot 0
        push(view, {{21, -100, 450}});                 // P2, slot 1
        push(view, {{21, 100, 350}, {22, -150, 250}}); // P3, slot 2
        QVector<DrawnTarget> drawn = drawnTargets(view);
        QCOMPARE(drawn.size(), 2);
        QCOMPARE(drawn[0].track, QPolygonF(QVector<QPointF>{metres(view, 1, 3.5), metres(view, -1, 4.5), metres(view, -3, 4.5)}));
        QCOMPARE(drawn[1].track.size(), 1);   // missing from slot 1

        for (int f = 0; f < History - 1; ++f)
            push(view, {{9, -550 + f * 1000 / History, 350}, {20, 32767, 32767}, {21, -32768, 100}, {22, 0, -32768}});
        push(view, {{1, 590, 350}, {2, 620, 350}, {3, -650, 350}, {4, -730, 350}, {5, 150, -10}, {6, 150, 5}, {7, 150, 700},
                    {8, 150, 590}, {9, 150, 250}, {20, 32767, 32767}, {21, -32768, 100}, {22, 0, -32768}});
        drawn = drawnTargets(view);
        QStringList numbers;
        for (const DrawnTarget &t : drawn)
            numbers << t.number;
        QCOMPARE(numbers, (QStringList{"1", "3", "6", "8", "9"}));
        QCOMPARE(drawn.last().track.size(), History);
        QVERIFY(!view.targetColours.contains(20));

        view.showTrack = false;
        view.redrawScene();
        for (const DrawnTarget &t : drawnTargets(view))
            QVERIFY2(t.track.isEmpty(), qPrintable(t.number));
    }

    // Numbers of targets close together stand apart: none covers any marker, none comes within
    // a blank of another number on its line (so that "3" and "1" never read as 31), and each
    // stays within two lines of its own marker. Ten targets within 1 m of the radar
    // (on the plot's bottom edge), a line of them 25 cm apart, and a crowd at the grid's right
    // edge, in the test window and at a laptop's plot size.
    void numbersOfCloseTargetsStandApart_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QVector<QPoint>>("positions");   // cm
        QVector<QPoint> nearRadar, inALine, atTheEdge;
        for (int i = 0; i < 10; ++i) {
            const double r = 100 * std::sqrt((i + 0.5) / 10), angle = 0.15 + std::fmod(i * 2.4, M_PI - 0.3);
            nearRadar.append(QPoint(int(r * std::cos(angle)), int(r * std::sin(angle))));
            inALine.append(QPoint(-250 + 25 * i, 300));
        }
        for (int i = 0; i < 6; ++i)
            atTheEdge.append(QPoint(520 + 15 * i, 250 + (i % 2) * 50));
        for (const QSize size : {QSize(600, 400), QSize(900, 480)}) {
            const QString at = QStringLiteral(" at %1 x %2").arg(size.width()).arg(size.height());
            QTest::newRow(qPrintable("ten within 1 m of the radar" + at)) << size << nearRadar;
            QTest::newRow(qPrintable("a line 25 cm apart" + at)) << size << inALine;
            QTest::newRow(qPrintable("a crowd at the right edge" + at)) << size << atTheEdge;
        }
    }
    void numbersOfCloseTargetsStandApart()
    {
        QFETCH(QSize, size);
        QFETCH(QVector<QPoint>, positions);
        RadarView view;
        showAt(view, size);
        QVector<Target> targets;
        for (int i = 0; i < positions.size(); ++i)
            targets.append({i + 1, positions[i].x(), positions[i].y()});
        push(view, targets);
        const QVector<DrawnTarget> drawn = drawnTargets(view);
        QCOMPARE(drawn.size(), positions.size());
        const double reach = markerReach(MarkerSizes{});
        QFont font;
        font.setPixelSize(LabelSize);
        const double blank = QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) - 0.01;
        const auto marker = [reach](const DrawnTarget &t) { return QRectF(t.position - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach)); };
        for (const DrawnTarget &t : drawn) {
            const QRectF box = t.numberBox;
            for (const DrawnTarget &other : drawn) {
                QVERIFY2(!box.intersects(marker(other)), qPrintable(t.number + " covers the marker of " + other.number));
                QVERIFY2(&other == &t || !box.adjusted(-blank, 0, blank, 0).intersects(other.numberBox),
                         qPrintable(t.number + " runs into " + other.number));
            }
            const double dx = std::max({box.left() - t.position.x(), 0.0, t.position.x() - box.right()});
            const double dy = std::max({box.top() - t.position.y(), 0.0, t.position.y() - box.bottom()});
            QVERIFY2(std::hypot(dx, dy) <= reach + 2 * box.height(), qPrintable(t.number + " strays from its marker"));
        }
    }

    // ---- marked cells ------------------------------------------------------------------

    // With select mode off and the area crop off, clicks toggle detection-area cells, tinted in
    // their own fill, which wins over a non-alarm mark on the same cell. With the crop on, the
    // picture shrinks to the set cells and shows them filled as non-alarm cells over the band
    // they lie in, and clicks no longer edit them.
    void detectionAreaCells()
    {
        RadarView area;
        area.showDetectionArea = false;
        showAt(area);
        const QPointF spot = cellCentre(area, 2, 5) + QPointF(7, -9);
        const QImage unmarked = picture(area);
        for (const GridCell &c : {GridCell{2, 5}, GridCell{3, 8}, GridCell{5, 0}, GridCell{3, 8}})   // (5, 0) not eligible
            clickCell(area, c.row, c.column);
        QCOMPARE(area.DetectionAreaGrid.setCells(), (QVector<GridCell>{{2, 5}}));
        QCOMPARE(area.SuppressionGrid.setCount(), 0);
        mark(area, {{2, 5}});
        QVERIFY(tinted(area, unmarked, picture(area), spot, area.detectionAreaFill));

        area.showDetectionArea = true;
        area.redrawScene();
        QCOMPARE(area.pixelsPerCell, 400.0);   // one cell, as high as the widget allows
        const QPointF inCell = cellCentre(area, 2, 5) + QPointF(37, -51);
        const QImage filled = picture(area);
        mark(area, {{2, 5}}, false);
        const QImage beneath = picture(area);
        QCOMPARE(zoneOf(colourAt(area, beneath, inCell)), QString("warning"));
        QVERIFY(tinted(area, beneath, filled, inCell, area.nonAlarmFill));
        clickCell(area, 2, 5);
        QVERIFY(area.DetectionAreaGrid.isSet(2, 5));
    }

    // ---- editing by mouse --------------------------------------------------------------

    // A click marks an eligible cell, a second click clears it. Ten cells at most: the eleventh
    // click changes nothing until one is cleared. A marked cell that the range no longer
    // reaches can still be cleared, but not set again. A new cell size from the grid box empties
    // the marks and redraws the grid; texts that are no size are ignored.
    void clicksMarkEligibleCells()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        QString eligible;
        for (int i = 0; i < 6; ++i)
            for (int k = 0; k < 12; ++k) {
                clickCell(view, i, k);
                const bool set = view.SuppressionGrid.isSet(i, k);
                eligible += set ? 'X' : '.';
                QCOMPARE(view.nonAlarmCount, set ? 1 : 0);
                if (set)
                    clickCell(view, i, k);
                QCOMPARE(view.SuppressionGrid.setCount() + view.nonAlarmCount, 0);
            }
        QCOMPARE(eligible, QString("..XXXXXXXX.." ".XXXXXXXXXX." "XXXXXXXXXXXX" "XXXXXXXXXXXX" "..XXXXXXXX.." "....XXXX...."));

        for (int k = 0; k < 10; ++k)
            clickCell(view, 2, k);
        const QImage full = picture(view);
        clickCell(view, 2, 10);
        QCOMPARE(view.nonAlarmCount, 10);
        QCOMPARE(picture(view), full);
        clickCell(view, 2, 3);
        clickCell(view, 2, 10);
        QVERIFY(view.SuppressionGrid.isSet(2, 10) && !view.SuppressionGrid.isSet(2, 3));
        QCOMPARE(view.SuppressionGrid.setCount(), 10);

        view.detectionFar = 2;   // rows 0 to 3 now lie beyond the range
        view.redrawScene();
        clickCell(view, 2, 5);
        clickCell(view, 2, 5);
        QVERIFY(!view.SuppressionGrid.isSet(2, 5));
        QCOMPARE(view.nonAlarmCount, 9);

        RadarView plain;
        plain.detectionFar = 2;
        showAt(plain);
        const QImage nine = picture(view);
        for (const char *text : {"0", "abc", "-1", "", "0.0", "nan", "inf", "1,5"})
            view.setGridEdgeText(QString::fromLatin1(text));
        QCOMPARE(view.nonAlarmCount, 9);
        QCOMPARE(picture(view), nine);
        plain.setGridEdgeText("0.5");
        view.setGridEdgeText("0.5");
        QCOMPARE(view.nonAlarmCount, 0);
        QCOMPARE(picture(view), picture(plain));
        clickCell(view, 10, 12);
        QVERIFY(view.SuppressionGrid.isSet(10, 12));
    }

    // A click takes the cell under the pointer: on a grid line or a corner it touches several
    // and takes the one drawn last, the lower and further right; on a target the cell under it.
    // Clicks on the numbers and margins, between (4, 3), which may be marked, and (5, 3) below
    // it, which may not, above the picture, with other buttons or with select mode off change
    // nothing.
    void clicksTakeTheCellUnderThePointer()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        push(view, {{2, 150, 350}});
        const ViewGeometry &g = view.geometry();
        const QImage before = picture(view);
        const QVector<QPair<QPointF, QVector<GridCell>>> cases{
            {{g.columnX(7), g.rowY(2) + 25}, {{2, 7}}}, {{g.columnX(7), g.rowY(3)}, {{3, 7}}}, {metres(view, 1.5, 3.5), {{2, 7}}},
            {{g.columnX(3) + 25, g.rowY(5)}, {}}, {{25, 180}, {}}, {{455, 350}, {}}, {{45, 200}, {}}, {{675, 200}, {}},
            {{300, 12}, {}}, {{300, g.pixmapHeight - 12}, {}}};
        for (const auto &c : cases) {
            click(view, c.first);
            QCOMPARE(view.SuppressionGrid.setCells(), c.second);
            click(view, c.first);
            QCOMPARE(view.SuppressionGrid.setCount(), 0);
        }
        QVERIFY(view.mapFromScene(QPointF(0, 0)).y() > 5);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 2));
        click(view, cellCentre(view, 3, 6), Qt::RightButton);
        click(view, cellCentre(view, 3, 6), Qt::MiddleButton);
        view.selectMode = false;
        clickCell(view, 3, 6);
        QCOMPARE(view.SuppressionGrid.setCount() + view.DetectionAreaGrid.setCount() + view.nonAlarmCount, 0);
        QCOMPARE(picture(view), before);
    }

    // Scenes a broken read-back may bring, and 655 m in 0.25 m cells (13.7 million cells, each a
    // fraction of a pixel), draw at a finite scale; a click anywhere marks at most one cell, and
    // that cell lies under the pointer.
    void oddScenesDrawAndTakeClicks()
    {
        struct Scene { const char *name; double extent, edge, left, right, angle, range; QSize size; bool marks; };
        for (const Scene &s : {Scene{"boundaries 0, 0.25 m cells", 6, 0.25, 0, 0, 120, 6, {600, 400}, true},
                               Scene{"boundaries crossed", 6, 1, 3, -3, 120, 6, {600, 400}, false},
                               Scene{"no extent", 0, 1, -128, 128, 120, 6, {600, 400}, false},
                               Scene{"655 m", 655, 0.25, -128, 128, 120, 655, {600, 400}, true},
                               Scene{"655 m, lane of ±655 m", 655, 0.25, -655, 655, 120, 655, {600, 400}, true},
                               Scene{"angle 200", 6, 1, -128, 128, 200, 6, {600, 400}, true},
                               Scene{"range 0", 6, 1, -128, 128, 120, 0, {600, 400}, true},
                               Scene{"tiny widget", 6, 1, -128, 128, 120, 6, {3, 2}, false}}) {
            RadarView view;
            view.lateralExtent = view.depthExtent = s.extent;
            view.gridEdge = s.edge;
            view.leftBoundary = s.left;
            view.rightBoundary = s.right;
            view.detectionAngle = s.angle;
            view.detectionFar = view.warningFar = view.alarmFar = s.range;
            view.selectMode = view.showTrack = true;
            for (int f = 0; f < 3; ++f)
                push(view, {{1, 150, 350}, {2, 32767, -32768}});
            showAt(view, s.size);
            int hits = 0;
            const ViewGeometry &g = view.geometry();
            QVERIFY2(std::isfinite(g.stripLeft + g.stripRight + g.pixmapWidth + view.sceneRect().width()), s.name);
            QVERIFY2(g.scale >= 0 && g.scale < 1e6 && g.pixmapHeight >= 3 * LabelSize - 1e-9, s.name);
            QCOMPARE(picture(view).size(), view.viewport()->size());
            for (int x = 3; x < view.viewport()->width(); x += 23)
                for (int y = 3; y < view.viewport()->height(); y += 19) {
                    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
                    QVERIFY2(view.SuppressionGrid.setCount() == view.nonAlarmCount && view.nonAlarmCount <= 1, s.name);
                    if (!view.nonAlarmCount)
                        continue;
                    ++hits;
                    const GridCell c = view.SuppressionGrid.setCells().first();
                    const QRectF cell(g.columnX(c.column) - 0.5, g.rowY(c.row) - 0.5, g.scale + 1, g.scale + 1);
                    QVERIFY2(view.viewportTransform().mapRect(cell).intersects(QRectF(x, y, 1, 1)),
                             qPrintable(QString("%1: cell (%2, %3) is not under (%4, %5)").arg(s.name).arg(c.row).arg(c.column).arg(x).arg(y)));
                    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
                    QVERIFY2(view.nonAlarmCount == 0, s.name);
                }
            QVERIFY2((hits > 0) == s.marks, s.name);
        }
    }


    // ---- the legend ----------------------------------------------------------------------

    // The four legend symbols, centred at (16, 16) with the name to the right, each as large as
    // its marker in the plot (the vehicle's square as wide as the plot's, not half of it).
    // Probes: r red, k the black outline, t clear, - anything but red.
    void legendSymbols()
    {
        const char *const probes[4] = {"16,16r 16,12r 12,16r 12,12- 11,16k", "16,16r 13,13r 19,19r 12,16k 20,16k 16,12k 21,16t 16,21t",
                                       "16,16r 13,16r 13,20- 16,13r", "16,16r 13,16- 13,20r 16,13r"};
        RadarView view;
        showAt(view);
        const int across[4] = {-350, -150, 150, 350};   // whole pixels at 50 px a cell
        push(view, {{1, across[0], 250, 1}, {2, across[1], 250, 2}, {3, across[2], 250, 3}, {4, across[3], 250, 4}});
        const QVector<DrawnTarget> drawn = drawnTargets(view);
        QCOMPARE(drawn.size(), 4);
        QImage plot(view.sceneRect().size().toSize(), QImage::Format_ARGB32);   // one pixel per scene pixel
        plot.fill(Qt::white);
        QPainter painter(&plot);
        view.scene()->render(&painter, QRectF(plot.rect()), view.sceneRect());
        painter.end();
        QImage blank(88, 32, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::transparent);
        for (int kind = 0; kind < 4; ++kind) {
            const QImage symbol = RadarView::legendPicture(kind, "X", QFont()).toImage().convertToFormat(blank.format());
            QCOMPARE(symbol.size(), QSize(128, 32));
            QVERIFY(symbol.copy(40, 0, 88, 32) != blank);   // the name
            for (const QString &probe : QString(probes[kind]).append(" 0,0t").split(' ')) {
                const QColor c = symbol.pixelColor(probe.section(',', 0, 0).toInt(), probe.section(',', 1).chopped(1).toInt());
                const QChar want = probe.back();
                QVERIFY2(want == 'r' ? c == Qt::red : want == 'k' ? c == Qt::black : want == 't' ? c.alpha() == 0 : c != Qt::red,
                         qPrintable(QString("kind %1 at %2: %3").arg(kind).arg(probe).arg(c.name(QColor::HexArgb))));
            }
            const QRect inLegend = inkOf(symbol, QRect(0, 0, 36, 32), [](const QColor &c) { return c.alpha() > 0; });
            const QRect around(metres(view, across[kind] / 100.0, 2.5).toPoint() - QPoint(10, 10), QSize(21, 21));
            const QRect marker = inkOf(plot, around, [&](const QColor &c) {
                return close(c, drawn[kind].colour, 10) || close(c, view.markerOutline, 10);
            });
            QVERIFY2(qAbs(inLegend.width() - marker.width()) <= 1 && qAbs(inLegend.height() - marker.height()) <= 1 && marker.width() >= 8,
                     qPrintable(QString("kind %1: legend %2x%3, plot %4x%5").arg(kind).arg(inLegend.width()).arg(inLegend.height())
                                    .arg(marker.width()).arg(marker.height())));
        }
    }

    // ---- the heat map ----------------------------------------------------------------------

    void heatMapLiesUnderTargetsTracksAndMarkedCells()
    {
        RadarView view;
        view.showTrack = true;
        showAt(view);
        // Target 1 walks right along 4.5 m, leaving a track through row 1 (4 to 5 m out).
        for (int x : {-280, -230, -180, -130})
            push(view, {{1, x, 450}});
        const QImage neverHeated = picture(view);

        view.setHeatMap(radarlink::CellCounts());
        view.redrawScene();
        const QImage cold = picture(view);
        QVERIFY(view.sceneRect().contains(view.heatScale()->boundingRect()));
        QVERIFY(view.heatScale()->bar().left() >= view.geometry().pixmapWidth);

        radarlink::CellCounts counts;
        for (int column = 3; column <= 5; ++column)
            counts.add({1, column}, 40); // under the target and its track
        counts.add({1, 9}, 40);
        counts.add({3, 2}, 7);
        view.setHeatMap(counts);
        view.redrawScene();
        const QImage hot = picture(view);
        QStringList numbers;
        for (const HeatScaleItem::Number &n : view.heatScale()->numbers())
            numbers << n.text;
        QCOMPARE(numbers, (QStringList{"50", "25", "0"}));

        // The tint of each count in its own cell, and none in the cells next to them.
        QVERIFY(tinted(view, cold, hot, cellCentre(view, 1, 9), heatColour(40, 50)));
        QVERIFY(tinted(view, cold, hot, cellCentre(view, 3, 2), heatColour(7, 50)));
        for (const QPoint &cell : {QPoint(10, 1), QPoint(8, 1), QPoint(9, 0), QPoint(9, 2), QPoint(2, 2)})
            QCOMPARE(colourAt(view, hot, cellCentre(view, cell.y(), cell.x())),
                     colourAt(view, cold, cellCentre(view, cell.y(), cell.x())));

        // The marker and the track keep the target's own colour over the hot cells (the track's
        // thin line lets a little of what lies under it through).
        const QColor target = view.targetColours.value(1);
        QCOMPARE(colourAt(view, hot, view.geometry().radarPoint(-130, 450)), target);
        const QPoint track = view.mapFromScene(view.geometry().radarPoint(-155, 450));
        bool trackSeen = false;
        for (int dy = -2; dy <= 2; ++dy)
            trackSeen = trackSeen || close(hot.pixelColor(track + QPoint(0, dy)), target, 24);
        QVERIFY(trackSeen);

        // A marked cell's fill lies over the tint.
        mark(view, {{1, 9}});
        QVERIFY(tinted(view, hot, picture(view), cellCentre(view, 1, 9), view.nonAlarmFill));

        // Off again: the plot as it was before the heat map, without its scale.
        view.clearHeatMap();
        mark(view, {{1, 9}}, false);
        QVERIFY(view.heatScale() == nullptr);
        QCOMPARE(picture(view), neverHeated);
    }

    // The scale's top is the next 1, 2 or 5 times a power of ten, so live counts do not make it
    // jump every frame; the colours run from pale to deep.
    void heatScaleTopAndColours()
    {
        for (const auto &c : {std::make_pair(0u, 1u), {2u, 2u}, {3u, 5u}, {50u, 50u}, {51u, 100u}, {4000000000u, 4294967295u}})
            QVERIFY2(heatScaleTop(c.first) == c.second, qPrintable(QString::number(c.first)));
        QVERIFY(heatColour(1, 100).lightness() > heatColour(50, 100).lightness()
                && heatColour(50, 100).lightness() > heatColour(100, 100).lightness());
        QCOMPARE(heatColour(500, 100), heatColour(100, 100));
    }
};

RADAR_TEST_MAIN(TestRadarView)
#include "tst_radarview.moc"
