// The plan view as the operator sees and uses it: the picture rendered offscreen and read at
// chosen pixels (zones, blind zone, axis numbers, targets, tracks, marked cells), and the cell
// marking done with simulated mouse clicks on the viewport.
#include "radarview.h"
#include "sceneitems.h"
#include "testsupport.h"

#include <QGraphicsScene>
#include <QPainter>

#include <cmath>

namespace {
constexpr int History = RadarView::HistorySize;
constexpr int LabelSize = 30;

void showAt(RadarView &view, const QSize &size = QSize(600, 400))
{
    view.resize(size);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
}

// The picture in the viewport, as on screen, and its colour at a point of the scene.
QImage picture(RadarView &view) { return view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32); }
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

// Whether any pixel of the picture inside a scene rectangle is close to a colour.
bool shows(const RadarView &view, const QImage &image, const QRectF &box, const QColor &colour, int tolerance)
{
    const QRect pixels = view.mapFromScene(box).boundingRect() & image.rect();
    for (int x = pixels.left(); x <= pixels.right(); ++x)
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            if (close(image.pixelColor(x, y), colour, tolerance))
                return true;
    return false;
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

// The zone a pixel shows, told apart by its tint: red in the alarm fan, yellow in the warning
// band, blue towards the outer edge of the detection band, plain white outside every fan.
QString zoneOf(const QColor &c)
{
    const int r = c.red(), g = c.green(), b = c.blue();
    return c == Qt::white ? "none" : b > r + 15 ? "detection" : r > g + 5 && g >= b - 5 ? "alarm"
           : r > b + 15 && g > b + 15 ? "warning" : "pale " + c.name();
}

void checkZones(RadarView &view, const QVector<QPair<QPointF, QString>> &expected)
{
    const QImage image = picture(view);
    for (const auto &e : expected) {
        const QString seen = zoneOf(colourAt(view, image, metres(view, e.first.x(), e.first.y())));
        QVERIFY2(seen == e.second, qPrintable(QString("at (%1, %2) m: %3").arg(e.first.x()).arg(e.first.y()).arg(seen)));
    }
}

// Marks (or clears) non-alarm cells as a read-back does, and redraws.
void mark(RadarView &view, std::initializer_list<GridCell> cells, bool on = true)
{
    for (const GridCell &c : cells)
        QVERIFY(view.SuppressionGrid.setFlag(c.row, c.column, on));
    view.nonAlarmCount = view.SuppressionGrid.setCount();
    view.redrawScene();
}

// Where runs of dark (text) pixels start along one axis of the scene, within a band across it;
// a gap narrower than 12 pixels (between the characters of a number) does not end a run.
QVector<int> darkRuns(const RadarView &view, const QImage &image, bool across, int to, int bandFrom, int bandTo)
{
    QVector<int> starts;
    for (int s = 0, gap = 12; s < to; ++s) {
        const QRectF line = across ? QRectF(s, bandFrom, 0, bandTo - bandFrom) : QRectF(bandFrom, s, bandTo - bandFrom, 0);
        const bool dark = shows(view, image, line, Qt::black, 89);
        if (dark && gap >= 12)
            starts.append(s);
        gap = dark ? 0 : gap + 1;
    }
    return starts;
}

// Puts the next frame of target reports (id, x and y in cm, class) into the view's ring, as a
// poll does, and redraws.
struct Target { int id, x, y, type = 1; };
void push(RadarView &view, std::initializer_list<Target> targets)
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

// The marker at a point, told apart by which of three probe points around it are filled with
// its colour in the scene magnified twentyfold (circle of radius 5, square of half side 4,
// diamond and triangle of 5): beside it (circle, diamond), at 45 degrees (circle, square,
// triangle), and low to the side (only the triangle's base).
QString shapeAt(RadarView &view, const QPointF &position, const QColor &fill)
{
    QImage image(480, 480, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view.scene()->render(&painter, QRectF(image.rect()), QRectF(position - QPointF(12, 12), QSizeF(24, 24)));
    auto filled = [&](double dx, double dy) { return image.pixelColor(int((dx + 12) * 20), int((dy + 12) * 20)) == fill; };
    const int probes = 4 * filled(4.0, 0) + 2 * filled(2.9, 2.9) + filled(3.2, 4.2);
    return probes == 6 ? "circle" : probes == 2 ? "square" : probes == 4 ? "diamond" : probes == 3 ? "triangle" : "unknown";
}

// The whole picture at one pixel per scene pixel, as the view would show it unscaled.
QImage plotImage(const RadarView &view)
{
    QImage image(view.sceneRect().size().toSize(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view.scene()->render(&painter, QRectF(image.rect()), view.sceneRect());
    return image;
}

// The smallest rectangle holding every pixel of an image region close to a colour.
QRect inkOf(const QImage &image, const QColor &colour, int tolerance, const QRect &within)
{
    QRect ink;
    const QRect region = within & image.rect();
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (close(image.pixelColor(x, y), colour, tolerance))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// The grid's part of the picture in whole pixels: what lies beyond it are the margins with the
// axis numbers.
QRect plotPixels(const RadarView &view)
{
    const ViewGeometry &g = view.geometry();
    return QRect(QPoint(2 * LabelSize, LabelSize),
                 QPoint(int(std::ceil(g.pixmapWidth - LabelSize)), int(std::ceil(g.pixmapHeight - 2 * LabelSize))));
}

void setLane(RadarView &view, double left, double right)
{
    view.leftBoundary = left;
    view.rightBoundary = right;
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

    // ---- the picture -------------------------------------------------------------------

    // A widget of no size has no scale and takes no click. Shown, it fits the whole picture in
    // sight, undistorted, at 50 pixels a cell: nested fans, alarm inside warning inside
    // detection, each shading from white at its inner edge to its colour at its outer edge; the
    // blind zone white when set; angle and ranges move the edges. A larger window redraws at a
    // larger scale.
    void factoryPicture()
    {
        RadarView view;
        view.selectMode = true;
        push(view, {{1, 150, 350}});
        view.resize(0, 0);
        view.redrawScene();
        QCOMPARE(view.pixelsPerCell, 0.0);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));
        QCOMPARE(view.nonAlarmCount, 0);
        showAt(view);
        QCOMPARE(view.pixelsPerCell, 50.0);
        QVERIFY(view.viewport()->rect().contains(QRect(view.mapFromScene(QPointF(0, 0)), view.mapFromScene(QPointF(689, 389)))));
        QCOMPARE(view.transform().m11(), view.transform().m22());
        QCOMPARE(shapeAt(view, metres(view, 1.5, 3.5), drawnTargets(view).value(0).colour), QString("circle"));
        checkZones(view, {{{0.5, 1.5}, "alarm"}, {{0.5, 3.5}, "warning"}, {{-1.6, 2.6}, "warning"},
                          {{0.5, 5.5}, "detection"}, {{-3.4, 4.4}, "detection"}, {{-5.5, 0.5}, "none"},
                          {{-5.5, 5.5}, "none"}});
        const QImage image = picture(view);
        QVERIFY(colourAt(view, image, metres(view, 0.5, 4.3)).red()
                > colourAt(view, image, metres(view, 0.5, 5.5)).red() + 20);   // fading inwards

        view.detectionNear = 1.8;
        view.redrawScene();
        checkZones(view, {{{0.5, 1.5}, "none"}, {{-0.4, 0.5}, "none"}, {{0.5, 1.85}, "alarm"}});

        // A 60 degree fan leaves 37.7 degrees off the axis white; shorter ranges move the bands.
        view.detectionNear = 0;
        view.detectionAngle = 60;
        view.warningFar = 5;
        view.alarmFar = 4;
        view.redrawScene();
        checkZones(view, {{{-3.4, 4.4}, "none"}, {{0.5, 3.5}, "alarm"}, {{0.5, 4.5}, "warning"},
                          {{0.5, 5.5}, "detection"}});
        view.resize(1200, 800);
        QVERIFY(waitUntil([&] { return view.pixelsPerCell == 100.0; }));
    }

    // Metres from the axis below the grid | metres from the radar left of it: every boundary
    // numbered up to 9 cells a side, fewer beyond; each number is drawn just left of its line.
    void axisNumbers_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("edge");
        QTest::addColumn<QString>("numbers");
        QTest::newRow("6 m, 1 m") << 6.0 << 1.0 << "-6 -5 -4 -3 -2 -1 0 1 2 3 4 5 6|6 5 4 3 2 1 0";
        QTest::newRow("6 m, 1.5 m") << 6.0 << 1.5 << "-6 -4.5 -3 -1.5 0 1.5 3 4.5 6|6 4.5 3 1.5 0";
        QTest::newRow("9 m, 1 m") << 9.0 << 1.0 << "-9 -8 -7 -6 -5 -4 -3 -2 -1 0 1 2 3 4 5 6 7 8 9|9 8 7 6 5 4 3 2 1 0";
        QTest::newRow("30 m, 1 m") << 30.0 << 1.0 << "-30 -25 -20 -15 -10 -5 0 5 10 15 20 25 30|30 25 20 15 10 5 0";
        QTest::newRow("20 m, 2 m") << 20.0 << 2.0 << "-20 -16 -12 -8 -4 0 4 8 12 16 20|20 16 12 8 4 0";
        // Every 440th boundary, and across only those in the ±128 m lane.
        QTest::newRow("655 m, 0.25 m") << 655.0 << 0.25 << "-110 0 110|655 545 435 325 215 105";
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
        QCOMPARE(texts.join(' '), QString(numbers).replace('|', ' '));

        // In the picture the lateral numbers hang below the bottom grid line (the band leaves out
        // the depth axis's "0" and the tick dots); the depth numbers sit in the left margin.
        const ViewGeometry &g = view.geometry();
        const QImage image = picture(view);
        const int PH = int(g.pixmapHeight);
        const QVector<int> runs[2] = {darkRuns(view, image, true, int(g.pixmapWidth), PH - 2 * LabelSize + 18, PH - LabelSize + 2),
                                      darkRuns(view, image, false, PH - 2 * LabelSize + 10, 2, 33)};
        for (int axis = 0; axis < 2; ++axis) {
            const QStringList drawn = numbers.section('|', axis, axis).split(' ');
            QCOMPARE(runs[axis].size(), drawn.size());
            for (int n = 0; n < drawn.size(); ++n) {
                const int cells = qRound(drawn[n].toDouble() / edge);
                const double line = axis == 0 ? g.columnX(g.columnsPerSide + cells) : g.rowY(g.rows - cells);
                QVERIFY2(runs[axis][n] > line - LabelSize && runs[axis][n] < line,
                         qPrintable(QString("%1 at %2, its line at %3").arg(drawn[n]).arg(runs[axis][n]).arg(line)));
            }
        }
    }

    // ---- targets and tracks -------------------------------------------------------------

    // Each target a marker of its own colour between red and blue, the same in every run; its
    // shape by class on a channel radar, a circle on an obstacle radar; its number below it.
    // A target keeps its colour after an empty frame; a new one gets another.
    void targetMarkers()
    {
        const QVector<QPair<QPointF, QString>> expected{{{0.5, 3.5}, "square"}, {{-2.5, 4.5}, "diamond"},
                                                        {{2.5, 1.5}, "triangle"}, {{-3.5, 2.5}, "circle"}, {{3.5, 4.5}, "circle"}};
        RadarView view, again;
        for (RadarView *v : {&view, &again}) {
            showAt(*v);
            push(*v, {{4, 50, 350, 2}, {9, -250, 450, 3}, {12, 250, 150, 4}, {20, -350, 250, 1}, {30, 350, 450, 7}});
        }
        auto at = [&](int n) { return metres(view, expected[n].first.x(), expected[n].first.y()); };
        const QImage image = picture(view), second = picture(again);
        QVector<QColor> colours;
        for (int n = 0; n < expected.size(); ++n) {
            const QColor c = colourAt(view, image, at(n));
            QVERIFY2(c.red() == 255 && c.green() + c.blue() == 255 && !colours.contains(c), qPrintable(c.name()));
            colours << c;
            QCOMPARE(colourAt(again, second, at(n)), c);
            QCOMPARE(shapeAt(view, at(n), c), expected[n].second);
        }
        QVERIFY(shows(view, image, QRectF(at(0) + QPointF(8, -8), QSizeF(21, 16)), view.targetLabelColour, 12));
        QVERIFY(!shows(view, image, QRectF(at(0) - QPointF(25, 25), QSizeF(19, 50)), view.targetLabelColour, 12));

        view.shapeByType = false;
        view.redrawScene();
        for (int n = 0; n < expected.size(); ++n)
            QCOMPARE(shapeAt(view, at(n), colours[n]), QString("circle"));

        push(view, {});
        QCOMPARE(zoneOf(colourAt(view, picture(view), at(0))), QString("warning"));
        push(view, {{8, -150, 250}, {12, 50, 350}});
        const QImage later = picture(view);
        QCOMPARE(colourAt(view, later, at(0)), colours[2]);
        const QColor eight = colourAt(view, later, metres(view, -1.5, 2.5));
        QVERIFY2(eight.red() == 255 && !colours.contains(eight), qPrintable(eight.name()));
    }

    // Frames, oldest first: A at P0 (before a gap), the gap, then P1, P2, P3 (newest). The track
    // runs back from P3 to P1 and stops at the gap: two segments. The ring wraps on the way.
    // A target missing from the frame before the newest has no track; one present in every slot
    // has 399 segments. A target is drawn only on the grid or in the left margin: not right of
    // the grid, not above the picture, not behind the radar; ends of the 16-bit range cost no
    // colour. With tracks off only the markers show.
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
        const QPointF P0 = metres(view, -4.5, 5.5), P1 = metres(view, -3, 4.5), P2 = metres(view, -1, 4.5), P3 = metres(view, 1, 3.5);
        QCOMPARE(drawn[0].track, QPolygonF(QVector<QPointF>{P3, P2, P1}));
        QCOMPARE(drawn[1].track.size(), 1);   // missing from slot 1
        // The line is one scene pixel wide, a little less on screen, so it shows slightly lighter.
        QImage image = picture(view);
        auto line = [&](const QPointF &p, const QColor &c) { return shows(view, image, QRectF(p - QPointF(2, 2), QSizeF(4, 4)), c, 40); };
        QVERIFY(line(P3 + (P2 - P3) * 0.3, drawn[0].colour) && line((P2 + P1) / 2, drawn[0].colour));
        QVERIFY(!line((P1 + P0) / 2, drawn[0].colour) && !line(P0, drawn[0].colour));   // nothing across the gap

        // Target 9 in every slot, from 5.5 m left of the axis to the right, 3.5 m out.
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
        image = picture(view);
        QVERIFY(line(metres(view, -0.5, 3.5), drawn.last().colour) && line(metres(view, -5.3, 3.5), drawn.last().colour));
        QCOMPARE(colourAt(view, image, metres(view, 5.9, 3.5)), drawn[0].colour);
        QCOMPARE(colourAt(view, image, metres(view, -6.5, 3.5)), drawn[1].colour);
        QCOMPARE(colourAt(view, image, metres(view, 6.2, 3.5)), QColor(Qt::white));

        view.showTrack = false;
        view.redrawScene();
        image = picture(view);
        QCOMPARE(colourAt(view, image, metres(view, 1.5, 2.5)), drawn.last().colour);   // newest position
        QVERIFY(!line(metres(view, -0.5, 3.5), drawn.last().colour));
    }

    // ---- marked cells ------------------------------------------------------------------

    // A clicked cell is tinted above the targets: the marker in it shows through the fill; the
    // cell beside it is untouched. With a lane of ±1.5 m the strip cuts column 4 so that it
    // starts in the left margin: marked, it is there but invisible, without a grid line.
    // With select mode off and the area crop off, the same clicks toggle detection-area cells,
    // tinted in their own fill, which wins over a non-alarm mark on the same cell. With the crop
    // on, the picture shrinks to the set cells and shows them filled as non-alarm cells over
    // the band they lie in, and clicks no longer edit them.
    void markedCellsAreTinted()
    {
        RadarView view, lane, area;
        view.selectMode = true;
        showAt(view);
        push(view, {{3, 150, 350, 2}});   // in cell (2, 7)
        const QPointF empty = cellCentre(view, 3, 4) + QPointF(7, -9), neighbour = cellCentre(view, 3, 5) + QPointF(7, -9);
        const QImage before = picture(view);
        clickCell(view, 3, 4);
        clickCell(view, 2, 7);
        const QImage image = picture(view);
        QVERIFY(tinted(view, before, image, empty, view.nonAlarmFill));
        QVERIFY(tinted(view, before, image, metres(view, 1.5, 3.5), view.nonAlarmFill));
        QCOMPARE(colourAt(view, image, neighbour), colourAt(view, before, neighbour));

        lane.leftBoundary = -1.5;
        lane.rightBoundary = 1.5;
        showAt(lane);
        const ViewGeometry &g = lane.geometry();
        QVERIFY(g.columnX(4) > 0 && g.columnX(4) < 2 * LabelSize);
        const QPointF inMargin(g.columnX(4) + 8, g.rowY(3) + g.scale / 2);
        const QImage plain = picture(lane);
        mark(lane, {{3, 4}, {3, 5}});
        const QImage marked = picture(lane);
        QCOMPARE(colourAt(lane, marked, inMargin), colourAt(lane, plain, inMargin));
        QVERIFY(tinted(lane, plain, marked, inMargin + QPointF(g.scale, 0), lane.nonAlarmFill));
        QVERIFY(!shows(lane, marked, QRectF(g.columnX(4) + 2, g.rowY(3), 2 * LabelSize - 5 - g.columnX(4), 0), lane.gridColour, 6));

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

    // ---- marks that keep the plot readable ---------------------------------------------

    // A track that runs off the grid (a target that came in from the side, from beyond the far
    // edge, or from outside a lane) ends at the grid's edge: no pixel of the margins, where the
    // axis numbers stand, takes the track's colour, while the track does reach the edge.
    void tracksStayInsideThePlot_data()
    {
        QTest::addColumn<double>("lane");
        QTest::addColumn<QVector<QPoint>>("path");   // centimetres, oldest first
        QTest::newRow("from the left, beyond the grid") << 128.0 << QVector<QPoint>{{-900, 300}, {-620, 310}, {-300, 320}, {100, 300}};
        QTest::newRow("from beyond the far edge") << 128.0 << QVector<QPoint>{{200, 900}, {150, 640}, {100, 450}, {50, 300}};
        QTest::newRow("from behind the radar, right") << 128.0 << QVector<QPoint>{{800, -300}, {400, -50}, {200, 100}, {-100, 300}};
        QTest::newRow("across a 1 m lane") << 1.0 << QVector<QPoint>{{-400, 200}, {-200, 250}, {40, 300}, {60, 310}};
        QTest::newRow("down a 1 m lane, out of its far end") << 1.0 << QVector<QPoint>{{0, 800}, {20, 580}, {-30, 300}};
    }
    void tracksStayInsideThePlot()
    {
        QFETCH(double, lane);
        QFETCH(QVector<QPoint>, path);
        RadarView view;
        setLane(view, -lane, lane);
        view.showTrack = true;
        showAt(view);
        for (const QPoint &p : path)
            push(view, {{5, p.x(), p.y()}});
        const QVector<DrawnTarget> drawn = drawnTargets(view);
        QCOMPARE(drawn.size(), 1);
        QCOMPARE(drawn[0].track.size(), path.size());
        const QColor track = drawn[0].colour;
        const QImage image = plotImage(view);
        const QRect plot = plotPixels(view);
        int inside = 0, atTheEdge = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (!close(image.pixelColor(x, y), track, 10))
                    continue;
                QVERIFY2(plot.contains(x, y), qPrintable(QString("track colour at (%1, %2), the plot is %3,%4 to %5,%6")
                                                             .arg(x).arg(y).arg(plot.left()).arg(plot.top()).arg(plot.right()).arg(plot.bottom())));
                ++inside;
                atTheEdge += !plot.adjusted(3, 3, -3, -3).contains(x, y);
            }
        // Besides the marker's own fill (under 100 pixels), the track runs up to the edge.
        QVERIFY2(inside > 150 && atTheEdge > 0, qPrintable(QString("%1 %2").arg(inside).arg(atTheEdge)));
    }

    // The target's number stands beside its marker, not over it, and inside the grid: right of
    // the marker, left of it near the right edge, moved down below the far edge or up above the
    // radar's line, and right of a marker standing in the left margin.
    void targetNumbersStandBesideTheirMarkers_data()
    {
        QTest::addColumn<double>("lane");
        QTest::addColumn<QPoint>("target");   // centimetres
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("type");
        QTest::newRow("open grid") << 128.0 << QPoint(150, 350) << 7 << 1;
        QTest::newRow("three digits, a square") << 128.0 << QPoint(-250, 250) << 255 << 2;
        QTest::newRow("at the right edge") << 128.0 << QPoint(580, 300) << 12 << 3;
        QTest::newRow("at the far edge") << 128.0 << QPoint(0, 595) << 31 << 4;
        QTest::newRow("beside the radar") << 128.0 << QPoint(-200, 5) << 18 << 1;
        QTest::newRow("far right corner") << 128.0 << QPoint(590, 590) << 404 << 2;
        QTest::newRow("in the left margin") << 128.0 << QPoint(-640, 300) << 9 << 1;
        QTest::newRow("1 m lane") << 1.0 << QPoint(40, 300) << 65 << 1;
        QTest::newRow("1 m lane, right edge") << 1.0 << QPoint(95, 100) << 1234 << 4;
    }
    void targetNumbersStandBesideTheirMarkers()
    {
        QFETCH(double, lane);
        QFETCH(QPoint, target);
        QFETCH(int, id);
        QFETCH(int, type);
        RadarView view;
        setLane(view, -lane, lane);
        showAt(view);
        push(view, {{id, target.x(), target.y(), type}});
        QCOMPARE(drawnTargets(view).size(), 1);
        const QPointF at = metres(view, target.x() / 100.0, target.y() / 100.0);
        const QImage image = plotImage(view);
        // The number's colour, exact in the middle of its strokes; their edges, and the axis
        // numbers' edges over the blue band, blend into nearby shades.
        const QRect number = inkOf(image, view.targetLabelColour, 6, image.rect());
        const QRect marker(QPoint(int(std::floor(at.x() - 6)), int(std::floor(at.y() - 6))),
                           QPoint(int(std::ceil(at.x() + 6)), int(std::ceil(at.y() + 6))));
        const QString where = QString("number %1,%2 %3x%4, marker %5,%6")
                                  .arg(number.x()).arg(number.y()).arg(number.width()).arg(number.height()).arg(at.x()).arg(at.y());
        QVERIFY2(number.width() > 8 * QString::number(id).size() && number.height() > 15, qPrintable(where));
        QVERIFY2(!number.intersects(marker), qPrintable(where));
        QVERIFY2(number.left() > marker.right() || number.right() < marker.left(), qPrintable(where));
        QVERIFY2(plotPixels(view).contains(number), qPrintable(where));
    }

    // Where the two axes meet, the depth axis's 0 stands above the grid's bottom line and the
    // first lateral number below it, with clear rows between them, whatever the grid.
    void originNumbersStandApart_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("edge");
        QTest::addColumn<double>("lane");
        QTest::addColumn<QSize>("size");
        QTest::newRow("6 m") << 6.0 << 1.0 << 128.0 << QSize(600, 400);
        QTest::newRow("9 m") << 9.0 << 1.0 << 128.0 << QSize(600, 300);
        QTest::newRow("30 m") << 30.0 << 1.0 << 128.0 << QSize(600, 400);
        QTest::newRow("0.25 m cells") << 6.0 << 0.25 << 128.0 << QSize(600, 400);
        QTest::newRow("1 m lane") << 6.0 << 1.0 << 1.0 << QSize(600, 400);
        QTest::newRow("wide window") << 6.0 << 1.5 << 128.0 << QSize(1200, 500);
    }
    void originNumbersStandApart()
    {
        QFETCH(double, extent);
        QFETCH(double, edge);
        QFETCH(double, lane);
        QFETCH(QSize, size);
        RadarView view;
        view.lateralExtent = view.depthExtent = view.detectionFar = extent;
        view.gridEdge = edge;
        setLane(view, -lane, lane);
        showAt(view, size);
        const ViewGeometry &g = view.geometry();
        const QImage image = plotImage(view);
        const int line = qRound(g.rowY(g.rows));
        // The corner left of the tick dots, from one label height above the line to the bottom.
        const QRect corner(0, line - LabelSize, 2 * LabelSize - 3, int(g.pixmapHeight) - line + LabelSize);
        QVector<int> inkRows;
        for (int y = corner.top(); y <= corner.bottom(); ++y)
            if (!inkOf(image, Qt::black, 89, QRect(corner.left(), y, corner.width(), 1)).isEmpty())
                inkRows << y;
        QVERIFY(!inkRows.isEmpty());
        QVector<QPair<int, int>> runs;
        for (int y : inkRows) {
            if (!runs.isEmpty() && runs.last().second == y - 1)
                runs.last().second = y;
            else
                runs.append({y, y});
        }
        QString seen;
        for (const auto &r : runs)
            seen += QString(" %1..%2").arg(r.first - line).arg(r.second - line);
        // The 0 is the run of ink rows at the bottom line; it is one digit high, not merged with
        // the lateral number's rows, and two clear rows or more come before the lateral number.
        int zero = 0;
        while (zero < runs.size() && runs[zero].second < line)
            ++zero;
        QFont font;
        font.setPixelSize(LabelSize);
        const double digit = QFontMetricsF(font).tightBoundingRect("0").height();
        QVERIFY2(zero + 1 < runs.size(), qPrintable("ink rows relative to the bottom line:" + seen));
        QVERIFY2(runs[zero].first <= line && runs[zero].second - runs[zero].first + 1 <= digit + 1,
                 qPrintable("ink rows relative to the bottom line:" + seen));
        QVERIFY2(runs[zero + 1].first - runs[zero].second > 2, qPrintable("ink rows relative to the bottom line:" + seen));
    }

    // The legend symbols have the size of the markers in the plot: the vehicle's square is as
    // wide as the plot's, not half of it.
    void legendMarkersMatchThePlot()
    {
        RadarView view;
        showAt(view);
        const QPoint places[4] = {{-350, 250}, {-150, 250}, {150, 250}, {350, 250}};   // whole pixels at 50 px a cell
        push(view, {{1, places[0].x(), places[0].y(), 1}, {2, places[1].x(), places[1].y(), 2},
                    {3, places[2].x(), places[2].y(), 3}, {4, places[3].x(), places[3].y(), 4}});
        QCOMPARE(view.pixelsPerCell, 50.0);
        const QImage plot = plotImage(view);
        const QVector<DrawnTarget> drawn = drawnTargets(view);
        QCOMPARE(drawn.size(), 4);
        for (int kind = 0; kind < 4; ++kind) {
            const QImage legend = RadarView::legendPicture(kind, "X", QFont()).toImage().convertToFormat(QImage::Format_ARGB32);
            QRect symbol;
            for (int y = 0; y < legend.height(); ++y)
                for (int x = 0; x < 36; ++x)
                    if (legend.pixelColor(x, y).alpha() > 0)
                        symbol |= QRect(x, y, 1, 1);
            const QPoint at = metres(view, places[kind].x() / 100.0, places[kind].y() / 100.0).toPoint();
            const QRect around(at - QPoint(10, 10), QSize(21, 21));
            const QRect marker = inkOf(plot, drawn[kind].colour, 10, around) | inkOf(plot, view.markerOutline, 10, around);
            QVERIFY2(qAbs(symbol.width() - marker.width()) <= 1 && qAbs(symbol.height() - marker.height()) <= 1,
                     qPrintable(QString("kind %1: legend %2x%3, plot %4x%5").arg(kind).arg(symbol.width()).arg(symbol.height())
                                    .arg(marker.width()).arg(marker.height())));
            QVERIFY(marker.width() >= 8);
        }
    }

    // The four legend symbols beside the plot, centred at (16, 16), the name to the right of them:
    // r red, k the black outline, t clear, - anything but red.
    void legendSymbols()
    {
        const char *const probes[4] = {"16,16r 16,12r 12,16r 12,12- 11,16k", "16,16r 13,13r 19,19r 12,16k 20,16k 16,12k 21,16t 16,21t",
                                       "16,16r 13,16r 13,20- 16,13r", "16,16r 13,16- 13,20r 16,13r"};
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
        }
    }
};

RADAR_TEST_MAIN(TestRadarView)
#include "tst_radarview.moc"
