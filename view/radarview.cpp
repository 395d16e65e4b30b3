#include "radarview.h"
#include "heatmaplayer.h"
#include "sceneitems.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QMouseEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
// Stacking of the layers: zones, the heat map, axes, targets, then the cells, so a click on a
// target finds the cell under it and a marked cell's fill lies over the heat map; the unsent
// outlines on top, taking no clicks.
enum Layer { ZonesLayer, HeatMapLayer, AxesLayer, TargetsLayer, CellsLayer, UnsentLayer };
// The frames of the cells looked at lie on the heat map, under the axes and the targets.
constexpr double OutlinesLayer = HeatMapLayer + 0.5;

// Pixel coordinates for the painter, truncated toward zero; values no screen could show are
// held at a bound instead of overflowing the conversion.
int truncPixel(double value)
{
    if (!(value == value))
        return 0;
    return int(std::max(-1.0e7, std::min(1.0e7, value)));
}

// The depth number on the bottom grid line (0 at the radar) would run into the first lateral
// number, which hangs just below that line: it is lifted until its digits end a few pixels
// above the lateral numbers' digits. Returns the top of its text item.
double numberAboveLateralNumbers(const QFontMetricsF &metrics, double lateralTop)
{
    const QRectF digits = metrics.tightBoundingRect(QStringLiteral("-0123456789."));
    const double lateralInkTop = lateralTop + AxesItem::TextMargin + metrics.ascent() + digits.top();
    return lateralInkTop - 3 - digits.bottom() - metrics.ascent() - AxesItem::TextMargin;
}

double gradientStop(double position)
{
    if (!(position >= 0))
        return 0;
    return std::min(position, 1.0);
}

// A layer's item replaced by a fresh one (none when the layer has nothing to show) at the
// layer's height.
template <typename Item>
void replaceLayerItem(QGraphicsScene *scene, Item *&item, Item *fresh, double layer)
{
    delete item;
    item = fresh;
    if (!item)
        return;
    item->setZValue(layer);
    scene->addItem(item);
}
} // namespace

RadarView::RadarView(QWidget *parent) : QGraphicsView(parent)
{
    graphicsScene = new QGraphicsScene(parent);
    graphicsScene->setBackgroundBrush(QBrush(backgroundColour, Qt::SolidPattern));
    // Every rebuild replaces a handful of items; an index would cost more than it finds.
    graphicsScene->setItemIndexMethod(QGraphicsScene::NoIndex);
    setScene(graphicsScene);
}

struct RadarView::TrackPoints {
    TargetFrame frame; // shares the slot's frame while the slot holds it unchanged
    quint64 geometry = 0;
    struct Point {
        quint16 id;
        QPointF at;
    };
    QVector<Point> points; // ascending id, as the frame holds them
};

RadarView::~RadarView()
{
    if (graphicsScene->parent() == nullptr)
        delete graphicsScene;
}

int RadarView::columnsPerSide() const
{
    return cellsForExtent(lateralExtent, gridEdge);
}

int RadarView::rowCount() const
{
    return cellsForExtent(depthExtent, gridEdge);
}

QVector<double> RadarView::staticInputs() const
{
    return {detectionFar, detectionNear, warningFar, alarmFar, lateralExtent, depthExtent,
            detectionAngle, leftBoundary, rightBoundary, gridEdge, double(showDetectionArea),
            double(width()), double(height()), double(viewport()->width()), double(viewport()->height()),
            double(SuppressionGrid.revision()), double(DetectionAreaGrid.revision()), double(heatMapOn)};
}

void RadarView::redrawScene()
{
    const QVector<double> inputs = staticInputs();
    if (inputs != lastInputs || !pixmapItem) {
        rebuildStaticLayers();
        lastInputs = staticInputs();
    } else {
        if (heatMapChanged)
            rebuildHeatMap();
        if (outlinesChanged)
            rebuildOutlines();
        if (unsentChanged)
            rebuildUnsent();
    }
    rebuildTargets();
}

void RadarView::setUnsentScene(const UnsentScene &scene)
{
    unsent = scene;
    unsentChanged = true;
}

void RadarView::rebuildUnsent()
{
    unsentChanged = false;
    replaceLayerItem(graphicsScene, unsentItem,
                     unsent.isEmpty() ? nullptr : new UnsentSceneItem(lastGeometry, unsent, unsentOutline), UnsentLayer);
}

void RadarView::setHeatMap(const radarlink::CellCounts &counts, quint32 scaleTop)
{
    heatCounts = counts;
    heatTop = scaleTop;
    heatMapOn = true;
    heatMapChanged = true;
}

void RadarView::clearHeatMap()
{
    heatCounts.clear();
    heatMapOn = false;
    heatMapChanged = true;
}

void RadarView::setOutlinedCells(const QVector<GridCell> &cells)
{
    outlined = cells;
    outlinesChanged = true;
}

void RadarView::rebuildOutlines()
{
    outlinesChanged = false;
    replaceLayerItem(graphicsScene, outlineItem,
                     outlined.isEmpty() ? nullptr : new CellOutlineItem(lastGeometry, outlined, cellOutlineColour),
                     OutlinesLayer);
}

QFont RadarView::heatScaleFont() const
{
    QFont font;
    font.setPixelSize(labelSize / 2);
    return font;
}

void RadarView::rebuildHeatMap()
{
    heatMapChanged = false;
    const quint32 top = heatTop ? heatTop : heatScaleTop(heatCounts.highest());
    replaceLayerItem(graphicsScene, heatItem, heatMapOn ? new HeatMapItem(lastGeometry, heatCounts, top) : nullptr,
                     HeatMapLayer);
    // The scale keeps its cached picture while its top stays.
    if (!heatMapOn || !heatScaleItem || heatScaleItem->top() != top)
        replaceLayerItem(graphicsScene, heatScaleItem,
                         heatMapOn ? new HeatScaleItem(lastGeometry, top, heatScaleFont(), axisLabelColour) : nullptr,
                         HeatMapLayer);
}

void RadarView::rebuildStaticLayers()
{
    graphicsScene->clear();
    pixmapItem = nullptr;
    axesItem = nullptr;
    targetsItem = nullptr;
    gridItem = nullptr;
    heatItem = nullptr;
    heatScaleItem = nullptr;
    outlineItem = nullptr;
    unsentItem = nullptr;

    // The heat map's scale takes a strip right of the plot.
    const double strip = heatMapOn ? HeatScaleItem::stripWidth(heatScaleFont()) : 0;
    const SceneExtents extents{lateralExtent, depthExtent, leftBoundary, rightBoundary, gridEdge};
    const ViewGeometry g = computeGeometry(extents, showDetectionArea ? &DetectionAreaGrid : nullptr,
                                           std::max(0.0, width() - strip), height(), labelSize);
    lastGeometry = g;
    ++geometryRevision;
    pixelsPerCell = g.scale;
    SuppressionGrid.grow(g.rows, g.columns());
    if (!showDetectionArea)
        DetectionAreaGrid.grow(g.rows, g.columns());

    constexpr int MaxPixmapSide = 16384;
    zonesPixmap = QPixmap(std::max(1, std::min(MaxPixmapSide, truncPixel(g.pixmapWidth))),
                          std::max(1, std::min(MaxPixmapSide, truncPixel(g.pixmapHeight))));
    zonesPixmap.fill(backgroundColour);
    {
        QPainter painter(&zonesPixmap);
        painter.setRenderHint(QPainter::Antialiasing, true);
        paintZones(painter, g);
    }
    pixmapItem = graphicsScene->addPixmap(zonesPixmap);
    pixmapItem->setShapeMode(QGraphicsPixmapItem::BoundingRectShape);
    pixmapItem->setZValue(ZonesLayer);

    addAxes(g);

    QMap<std::pair<int, int>, QColor> fills;
    for (const GridCell &c : SuppressionGrid.setCells())
        fills.insert({c.row, c.column}, nonAlarmFill);
    if (!showDetectionArea)
        for (const GridCell &c : DetectionAreaGrid.setCells())
            fills.insert({c.row, c.column}, detectionAreaFill);
    QVector<FilledCell> filled;
    for (auto it = fills.cbegin(); it != fills.cend(); ++it)
        if (it.key().first < g.rows && it.key().second < g.columns())
            filled.append({{it.key().first, it.key().second}, it.value()});
    replaceLayerItem(graphicsScene, gridItem, new GridItem(g, gridColour, filled), CellsLayer);

    rebuildHeatMap();
    rebuildOutlines();
    rebuildUnsent();

    setSceneRect(0, 0, zonesPixmap.width() + strip, zonesPixmap.height());
    fitInView(sceneRect(), Qt::KeepAspectRatio);
}

void RadarView::paintZones(QPainter &painter, const ViewGeometry &g) const
{
    const double R = g.scale, m = labelSize;
    const int N = g.columnsPerSide, M = g.rows;
    const double cx = N * R + 2 * m - g.stripLeft * R;
    const double cy = M * R + m - g.rowMin * R;
    const double A = detectionAngle;

    struct Zone {
        double radius;
        QColor outline;
        double firstStop;
        QColor inner;
        QColor outer;
    };
    QVector<Zone> zones{{detectionFar, detectionOutline, warningFar / detectionFar, detectionInner, detectionColour},
                        {warningFar, warningOutline, alarmFar / warningFar, warningInner, warningColour},
                        {alarmFar, alarmOutline, 0, alarmInner, alarmColour}};
    if (detectionNear > 0)
        zones.append({detectionNear, detectionOutline, 0, blindInner, blindColour});

    for (const Zone &zone : zones) {
        const double rho = zone.radius / gridEdge;
        painter.setPen(QPen(zone.outline, zonePenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        QRadialGradient gradient(cx, cy, rho * R);
        gradient.setColorAt(gradientStop(zone.firstStop), zone.inner);
        gradient.setColorAt(1, zone.outer);
        painter.setBrush(gradient);
        const QRect box(truncPixel((N - rho) * R + 2 * m - g.stripLeft * R),
                        truncPixel((M - rho) * R + m - g.rowMin * R), truncPixel(2 * rho * R),
                        truncPixel(2 * rho * R));
        painter.drawPie(box, truncPixel((180 - A) * 8), truncPixel(16 * A));
    }
}

void RadarView::addAxes(const ViewGeometry &g)
{
    const double R = g.scale, d = tickDotSize, PW = g.pixmapWidth, PH = g.pixmapHeight;
    const int m = labelSize, N = g.columnsPerSide, M = g.rows;
    const int step = std::max(1, axisLabelStep(N, gridEdge));
    auto outside = [&](double x, double y) { return x < 0 || x >= PW || y < 0 || y >= PH; };

    QFont font;
    font.setPixelSize(labelSize);
    const double bottomNumberY = numberAboveLateralNumbers(QFontMetricsF(font), PH - 2 * m);

    QVector<AxesItem::Label> labels;
    for (int i = 0; i <= 2 * N; ++i) {
        if (N > 9 && step > 1 && (i - N) % step != 0)
            continue;
        const double x = i * R + m - g.stripLeft * R + (i >= N ? m / 2 : 0);
        const double y = PH - 2 * m;
        if (outside(x, y))
            continue;
        labels.append({tr("%1").arg((i - N) * gridEdge), QPointF(x, y),
                       QRectF(g.columnX(i) - d / 2, PH - 2 * m - d / 2, d, d)});
    }
    for (int i = 0; i <= M; ++i) {
        if (M > 9 && step > 1 && i % step != 0)
            continue;
        const double x = m / 2;
        double y = i * R + m / 2 - g.rowMin * R;
        if (i == g.rowMax)
            y = std::min(y, bottomNumberY);
        if (outside(x, y))
            continue;
        labels.append({tr("%1").arg((M - i) * gridEdge), QPointF(x, y),
                       QRectF(2 * m - d / 2, i * R + m - d / 2 - g.rowMin * R, d, d)});
    }
    replaceLayerItem(graphicsScene, axesItem, new AxesItem(labels, font, axisLabelColour, tickFill), AxesLayer);
}

RadarView::Snapshot RadarView::snapshot() const
{
    Snapshot s;
    s.scene = staticInputs();
    s.suppression = SuppressionGrid;
    s.detectionArea = DetectionAreaGrid;
    s.nonAlarmCount = nonAlarmCount;
    s.selectMode = selectMode;
    s.shapeByType = shapeByType;
    s.history = frameHistory;
    s.frameIndex = frameIndex;
    s.colours = targetColours;
    s.colourGenerator = colourGenerator;
    return s;
}

void RadarView::restore(const Snapshot &saved)
{
    double *const values[] = {&detectionFar, &detectionNear, &warningFar, &alarmFar, &lateralExtent, &depthExtent,
                              &detectionAngle, &leftBoundary, &rightBoundary, &gridEdge};
    for (int i = 0; i < int(std::size(values)) && i < saved.scene.size(); ++i)
        *values[i] = saved.scene.at(i);
    SuppressionGrid = saved.suppression;
    DetectionAreaGrid = saved.detectionArea;
    nonAlarmCount = saved.nonAlarmCount;
    selectMode = saved.selectMode;
    shapeByType = saved.shapeByType;
    frameHistory = saved.history;
    frameIndex = saved.frameIndex;
    targetColours = saved.colours;
    colourGenerator = saved.colourGenerator;
    lastInputs.clear();
    redrawScene();
}

void RadarView::assignColours(const QVector<quint16> &idsInOrder)
{
    targetColours.clear();
    colourGenerator.seed(1u);
    for (quint16 id : idsInOrder)
        colourFor(id);
}

void RadarView::clearHistory()
{
    for (TargetFrame &frame : frameHistory)
        frame.clear();
    frameIndex = 0;
}

void RadarView::setWaitingText(const QString &text)
{
    if (text == waiting)
        return;
    waiting = text;
    viewport()->update();
}

void RadarView::drawForeground(QPainter *painter, const QRectF &rect)
{
    QGraphicsView::drawForeground(painter, rect);
    if (waiting.isEmpty())
        return;
    painter->save();
    painter->resetTransform();
    const QRect area = viewport()->rect();
    painter->fillRect(area, QColor(235, 235, 235, 170));
    QFont font = painter->font();
    font.setPixelSize(std::max(16, std::min(area.height() / 12, 36)));
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(QColor(90, 90, 90));
    painter->drawText(area, Qt::AlignCenter | Qt::TextWordWrap, waiting);
    painter->restore();
}

QColor RadarView::colourFor(quint16 id)
{
    auto known = targetColours.constFind(id);
    if (known != targetColours.constEnd())
        return known.value();
    const int v = int((quint64(colourGenerator.generate()) * 255) >> 32);
    const QColor colour(255, v, 255 - v);
    targetColours.insert(id, colour);
    return colour;
}

void RadarView::rebuildTargets()
{
    delete targetsItem;
    targetsItem = nullptr;

    const ViewGeometry &g = lastGeometry;
    const int newest = ((frameIndex + HistorySize - 1) % HistorySize + HistorySize) % HistorySize;
    auto positionOf = [&g](const TargetReport &report) {
        return g.radarPoint(qint16(report.value(1)), qint16(report.value(2)));
    };

    QFont font;
    font.setPixelSize(labelSize);
    const QFontMetricsF metrics(font);
    const MarkerSizes sizes{circleRadius, squareHalfSide, diamondHalfSize, triangleApex};
    const QRectF plot = g.plotArea();

    QVector<DrawnTarget> drawn;
    QVector<quint16> drawnIds;
    const TargetFrame &frame = frameHistory.at(newest);
    drawn.reserve(frame.size());
    drawnIds.reserve(frame.size());
    for (auto it = frame.cbegin(); it != frame.cend(); ++it) {
        const QPointF p = positionOf(it.value());
        if (p.x() < 0 || p.x() >= g.pixmapWidth - g.margin || p.y() < 0 || p.y() >= g.pixmapHeight - 2 * g.margin)
            continue;
        DrawnTarget target;
        target.number = tr("%1").arg(it.key());
        target.position = p;
        target.colour = colourFor(it.key());
        switch (shapeByType ? it.value().value(5) : 1) {
        case 2: target.shape = MarkerShape::Square; break;
        case 3: target.shape = MarkerShape::Diamond; break;
        case 4: target.shape = MarkerShape::Triangle; break;
        default: target.shape = MarkerShape::Circle; break;
        }
        if (showTrack)
            target.track.append(p);
        drawn.append(target);
        drawnIds.append(it.key());
    }
    if (showTrack)
        appendTracks(drawn, drawnIds, newest);

    placeTargetNumbers(drawn, metrics, plot, markerReach(sizes));
    targetsItem = new TargetsItem(drawn, font, targetLabelColour, markerOutline, trackPenWidth, sizes, plot);
    targetsItem->setZValue(TargetsLayer);
    graphicsScene->addItem(targetsItem);
}

// A new frame moves every track by one point only, but the tracks are taken from the frame
// history as it stands, which the window may refill at any moment (a replay's seek). Each slot's
// points are kept with the frame they came from: a slot still sharing that frame is unchanged.
const RadarView::TrackPoints &RadarView::trackPointsOf(int slot)
{
    if (!trackPoints)
        trackPoints = std::make_unique<QVector<TrackPoints>>(HistorySize);
    TrackPoints &kept = (*trackPoints)[slot];
    const TargetFrame &frame = frameHistory.at(slot);
    if (kept.geometry == geometryRevision && kept.frame.isSharedWith(frame))
        return kept;
    kept.frame = frame;
    kept.geometry = geometryRevision;
    kept.points.clear();
    kept.points.reserve(frame.size());
    for (auto it = frame.cbegin(); it != frame.cend(); ++it)
        kept.points.append({it.key(), lastGeometry.radarPoint(qint16(it.value().value(1)), qint16(it.value().value(2)))});
    return kept;
}

// Each track runs back from the newest frame through the frames that hold its id without a
// break, at most the whole history. Both lists are in ascending id order, so one pass over each
// earlier frame serves every track still running.
void RadarView::appendTracks(QVector<DrawnTarget> &drawn, const QVector<quint16> &ids, int newest)
{
    QVector<int> running(drawn.size());
    for (int t = 0; t < drawn.size(); ++t)
        running[t] = t;
    for (int k = newest, step = 1; step < HistorySize && !running.isEmpty(); ++step) {
        k = (k + HistorySize - 1) % HistorySize;
        const QVector<TrackPoints::Point> &points = trackPointsOf(k).points;
        int next = 0, kept = 0;
        for (const int t : running) {
            while (next < points.size() && points.at(next).id < ids.at(t))
                ++next;
            if (next == points.size() || points.at(next).id != ids.at(t))
                continue;
            drawn[t].track.append(points.at(next).at);
            running[kept++] = t;
        }
        running.resize(kept);
    }
}

bool RadarView::setGridEdge(double edge)
{
    if (!(edge > 0) || !std::isfinite(edge))
        return false;
    gridEdge = edge;
    SuppressionGrid.clear();
    DetectionAreaGrid.clear();
    // The marks are gone, and so is their count: the radar must never be told of cells that
    // are not listed.
    nonAlarmCount = 0;
    return true;
}

void RadarView::setGridEdgeText(const QString &text)
{
    bool ok = false;
    const double edge = text.toDouble(&ok);
    if (ok && setGridEdge(edge))
        redrawScene();
}

radarlink::SceneGrid RadarView::sceneGrid() const
{
    radarlink::SceneGrid grid;
    grid.edge = gridEdge;
    grid.columnsPerSide = columnsPerSide();
    grid.rows = rowCount();
    return grid;
}

QPoint RadarView::cellToRadarPoint(int row, int column) const
{
    return sceneGrid().wirePoint({row, column});
}

GridCell RadarView::radarPointToCell(int x, int y) const
{
    return sceneGrid().cellOfWirePoint(x, y);
}

bool RadarView::cellAt(const QPoint &viewportPos, GridCell *cell) const
{
    if (!gridItem || itemAt(viewportPos) != gridItem)
        return false;
    const QRectF pixel = viewportTransform().inverted().mapRect(QRectF(viewportPos, QSizeF(1, 1)));
    return gridItem->cellTouching(pixel, cell);
}

void RadarView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!selectMode && showDetectionArea)
        return;
    GridCell cell;
    if (!cellAt(event->pos(), &cell))
        return;
    const ViewGeometry &g = lastGeometry;
    const bool eligible = cellEligible(cell.row, cell.column, g.rows, g.columns(), gridEdge, detectionFar,
                                       detectionAngle);
    if (selectMode) {
        if (SuppressionGrid.isSet(cell.row, cell.column)) {
            SuppressionGrid.setFlag(cell.row, cell.column, false);
        } else {
            if (nonAlarmCount >= MaxNonAlarmCells || !eligible)
                return;
            SuppressionGrid.setFlag(cell.row, cell.column, true);
        }
        nonAlarmCount = SuppressionGrid.setCount();
        redrawScene();
        emit cellsEdited();
        return;
    }
    if (!eligible)
        return;
    DetectionAreaGrid.setFlag(cell.row, cell.column, !DetectionAreaGrid.isSet(cell.row, cell.column));
    redrawScene();
}

void RadarView::resizeEvent(QResizeEvent *)
{
    redrawScene();
}

QPixmap RadarView::legendPicture(int kind, const QString &name, const QFont &font)
{
    static const MarkerShape shapes[] = {MarkerShape::Circle, MarkerShape::Square, MarkerShape::Diamond,
                                         MarkerShape::Triangle};
    // Wider than its usual 128 pixels only for a name that would be cut there.
    const int width = std::max(128, 40 + int(std::ceil(QFontMetricsF(font).horizontalAdvance(name))) + 2);
    QPixmap picture(width, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setBrush(QBrush(QColor(255, 0, 0), Qt::SolidPattern));
    // The same shape and size as the plot's marker of that kind.
    drawMarker(&painter, shapes[qBound(0, kind, 3)], QPointF(16, 16), MarkerSizes{});
    painter.setFont(font);
    painter.drawText(QPointF(40, 24), name);
    return picture;
}
