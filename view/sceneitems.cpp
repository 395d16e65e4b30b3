#include "sceneitems.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr double TextMargin = AxesItem::TextMargin;

QPolygonF markerPolygon(MarkerShape shape, const QPointF &p, const MarkerSizes &s)
{
    const double a = s.diamondHalfSize;
    if (shape == MarkerShape::Diamond)
        return QPolygonF({QPointF(p.x() - a, p.y()), QPointF(p.x(), p.y() + a),
                          QPointF(p.x() + a, p.y()), QPointF(p.x(), p.y() - a)});
    return QPolygonF({QPointF(p.x(), p.y() - s.triangleApex), QPointF(p.x() - a, p.y() + a),
                      QPointF(p.x() + a, p.y() + a)});
}

// Clear space between a marker's outline and its number.
constexpr double NumberGap = 3.0;
} // namespace

void drawMarker(QPainter *painter, MarkerShape shape, const QPointF &p, const MarkerSizes &sizes)
{
    switch (shape) {
    case MarkerShape::Square: {
        const double h = sizes.squareHalfSide;
        painter->drawRect(QRectF(p.x() - h, p.y() - h, 2 * h, 2 * h));
        break;
    }
    case MarkerShape::Diamond:
    case MarkerShape::Triangle:
        painter->drawPolygon(markerPolygon(shape, p, sizes));
        break;
    case MarkerShape::Circle: {
        const double r = sizes.circleRadius;
        painter->drawEllipse(QRectF(p.x() - r, p.y() - r, 2 * r, 2 * r));
        break;
    }
    }
}

double markerReach(const MarkerSizes &sizes)
{
    return std::max({sizes.circleRadius, sizes.squareHalfSide, sizes.diamondHalfSize, sizes.triangleApex}) + 1;
}

QRectF targetNumberBox(const QPointF &target, const QString &number, const QFontMetricsF &metrics,
                       const QRectF &plot, double reach)
{
    const QSizeF size(metrics.horizontalAdvance(number), metrics.ascent() + metrics.descent());
    double left = target.x() + reach + NumberGap;
    if (left + size.width() > plot.right()) {
        const double onTheLeft = target.x() - reach - NumberGap - size.width();
        if (onTheLeft >= plot.left())
            left = onTheLeft;
    }
    // A target in the left margin: the number moves further right, still clear of the marker.
    left = std::max(left, plot.left());
    const double top = std::max(plot.top(), std::min(target.y() - size.height() / 2, plot.bottom() - size.height()));
    return QRectF(QPointF(left, top), size);
}

void placeTargetNumbers(QVector<DrawnTarget> &targets, const QFontMetricsF &metrics, const QRectF &plot, double reach)
{
    QVector<QRectF> markers;
    markers.reserve(targets.size());
    for (const DrawnTarget &t : targets)
        markers.append(QRectF(t.position - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach)));
    const double lineHeight = metrics.ascent() + metrics.descent();
    // Two numbers side by side with less than a blank between them read as one: "3" and "1"
    // would be taken for 31.
    const double blank = metrics.horizontalAdvance(QLatin1Char(' '));
    const auto inPlot = [&plot](QRectF box) {
        box.moveLeft(std::max(plot.left(), std::min(box.left(), plot.right() - box.width())));
        box.moveTop(std::max(plot.top(), std::min(box.top(), plot.bottom() - box.height())));
        return box;
    };
    const auto coversAny = [](const QRectF &box, const QVector<QRectF> &rects, int count) {
        for (int i = 0; i < count; ++i)
            if (box.intersects(rects.at(i)))
                return true;
        return false;
    };
    QVector<QRectF> numbers;
    numbers.reserve(targets.size());
    for (DrawnTarget &t : targets) {
        const QRectF usual = targetNumberBox(t.position, t.number, metrics, plot, reach);
        const int placed = numbers.size();
        const auto clearOfNumbers = [&](const QRectF &box) {
            return !coversAny(box.adjusted(-blank, 0, blank, 0), numbers, placed);
        };
        const auto free = [&](const QRectF &box) { return clearOfNumbers(box) && !coversAny(box, markers, markers.size()); };
        QRectF chosen = usual;
        if (!free(usual)) {
            const double w = usual.width(), h = usual.height();
            const double x = t.position.x(), y = t.position.y();
            QRectF apartFromNumbers;
            bool found = false;
            if (clearOfNumbers(usual))
                apartFromNumbers = usual;
            for (int ring = 0; ring < 4 && !found; ++ring) {
                const double d = reach + NumberGap + ring * lineHeight / 2;
                const double c = d / std::sqrt(2.0);   // the corners: as far from the marker's centre
                const QRectF around[] = {
                    QRectF(x + d, y - h / 2, w, h), QRectF(x - d - w, y - h / 2, w, h),
                    QRectF(x - w / 2, y - d - h, w, h), QRectF(x - w / 2, y + d, w, h),
                    QRectF(x + c, y - c - h, w, h), QRectF(x - c - w, y - c - h, w, h),
                    QRectF(x + c, y + c, w, h), QRectF(x - c - w, y + c, w, h)};
                for (const QRectF &candidate : around) {
                    const QRectF box = inPlot(candidate);
                    if (free(box)) {
                        chosen = box;
                        found = true;
                        break;
                    }
                    if (apartFromNumbers.isNull() && clearOfNumbers(box))
                        apartFromNumbers = box;
                }
            }
            if (!found && !apartFromNumbers.isNull())
                chosen = apartFromNumbers;
        }
        t.numberBox = chosen;
        numbers.append(chosen);
    }
}

TargetsItem::TargetsItem(QVector<DrawnTarget> targets, const QFont &font, const QColor &numberColour,
                         const QColor &markerOutline, int trackPenWidth, const MarkerSizes &sizes, const QRectF &plot)
    : drawn(std::move(targets)), font(font), numberColour(numberColour), markerOutline(markerOutline),
      trackPenWidth(trackPenWidth), sizes(sizes), plot(plot)
{
    const double reach = markerReach(sizes);
    for (const DrawnTarget &t : drawn) {
        bounds |= QRectF(t.position - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach));
        bounds |= t.numberBox.adjusted(-2, -2, 2, 2);
        if (!t.track.isEmpty())
            bounds |= t.track.boundingRect().adjusted(-trackPenWidth, -trackPenWidth, trackPenWidth, trackPenWidth) & plot;
    }
}

void TargetsItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setFont(font);
    const double ascent = QFontMetricsF(font).ascent();
    for (const DrawnTarget &t : drawn) {
        painter->setPen(numberColour);
        painter->drawText(QPointF(t.numberBox.left(), t.numberBox.top() + ascent), t.number);

        painter->setPen(QPen(markerOutline, 1));
        painter->setBrush(QBrush(t.colour, Qt::SolidPattern));
        drawMarker(painter, t.shape, t.position, sizes);

        if (t.track.size() > 1) {
            painter->save();
            painter->setClipRect(plot, Qt::IntersectClip);
            painter->setPen(QPen(t.colour, trackPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            painter->setBrush(Qt::NoBrush);
            painter->drawPolyline(t.track);
            painter->restore();
        }
    }
}

AxesItem::AxesItem(QVector<Label> labels, const QFont &font, const QColor &textColour, const QColor &tickFill)
    : all(std::move(labels)), font(font), textColour(textColour), tickFill(tickFill)
{
    const QFontMetricsF metrics(font);
    for (const Label &label : all) {
        bounds |= metrics.boundingRect(label.text)
                      .translated(label.topLeft + QPointF(TextMargin, TextMargin + metrics.ascent()))
                      .adjusted(-1, -1, 1, 1);
        bounds |= label.tick.adjusted(-1, -1, 1, 1);
    }
    setCacheMode(QGraphicsItem::DeviceCoordinateCache);
}

void AxesItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setFont(font);
    const double ascent = QFontMetricsF(font).ascent();
    for (const Label &label : all) {
        painter->setPen(textColour);
        painter->drawText(label.topLeft + QPointF(TextMargin, TextMargin + ascent), label.text);
        painter->setPen(QColor(Qt::black));
        painter->setBrush(QBrush(tickFill, Qt::SolidPattern));
        painter->drawEllipse(label.tick);
    }
}

GridItem::GridItem(const ViewGeometry &geometry, const QColor &lineColour, QVector<FilledCell> fills)
    : geometry(geometry), lineColour(lineColour), fills(std::move(fills))
{
    const ViewGeometry &g = geometry;
    // Cells outside the pixmap are not drawn; the tests are monotonic, so the drawn cells form
    // one block of rows and columns.
    if (g.scale > 0) {
        firstColumn = g.columns();
        for (int k = 0; k < g.columns(); ++k) {
            const double x = g.columnX(k);
            if (x < 0 || x >= g.pixmapWidth - g.margin)
                continue;
            firstColumn = std::min(firstColumn, k);
            lastColumn = k;
        }
        firstRow = g.rows;
        for (int i = 0; i < g.rows; ++i) {
            const double y = g.rowY(i);
            if (y < 0 || y >= g.pixmapHeight - 2 * g.margin)
                continue;
            firstRow = std::min(firstRow, i);
            lastRow = i;
        }
    }
    firstVisibleColumn = firstColumn;
    while (firstVisibleColumn <= lastColumn && g.columnX(firstVisibleColumn) < 2 * g.margin)
        ++firstVisibleColumn;
    if (hasCells())
        bounds = QRectF(QPointF(g.columnX(firstColumn), g.rowY(firstRow)),
                        QPointF(g.columnX(lastColumn + 1), g.rowY(lastRow + 1)))
                     .adjusted(-0.5, -0.5, 0.5, 0.5);
    setCacheMode(QGraphicsItem::DeviceCoordinateCache);
}

QPainterPath GridItem::shape() const
{
    QPainterPath path;
    path.addRect(bounds);
    return path;
}

void GridItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!hasCells())
        return;
    const ViewGeometry &g = geometry;
    const double R = g.scale;
    painter->setPen(Qt::NoPen);
    for (const FilledCell &fill : fills) {
        const GridCell &c = fill.cell;
        if (c.row < firstRow || c.row > lastRow || c.column < firstVisibleColumn || c.column > lastColumn)
            continue;
        painter->fillRect(QRectF(g.columnX(c.column), g.rowY(c.row), R, R), fill.colour);
    }
    if (firstVisibleColumn > lastColumn)
        return;
    QVector<QLineF> lines;
    lines.reserve(lastColumn - firstVisibleColumn + lastRow - firstRow + 4);
    const double top = g.rowY(firstRow), bottom = g.rowY(lastRow + 1);
    const double left = g.columnX(firstVisibleColumn), right = g.columnX(lastColumn + 1);
    for (int k = firstVisibleColumn; k <= lastColumn + 1; ++k)
        lines.append(QLineF(g.columnX(k), top, g.columnX(k), bottom));
    for (int i = firstRow; i <= lastRow + 1; ++i)
        lines.append(QLineF(left, g.rowY(i), right, g.rowY(i)));
    painter->setPen(QPen(lineColour, 1));
    painter->drawLines(lines);
}

bool GridItem::cellTouching(const QRectF &r, GridCell *cell) const
{
    if (!hasCells() || !r.intersects(bounds))
        return false;
    const ViewGeometry &g = geometry;
    int column = -1;
    for (int k = lastColumn; k >= firstColumn; --k) {
        if (g.columnX(k) - 0.5 < r.right() && g.columnX(k + 1) + 0.5 > r.left()) {
            column = k;
            break;
        }
    }
    int row = -1;
    for (int i = lastRow; i >= firstRow; --i) {
        if (g.rowY(i) - 0.5 < r.bottom() && g.rowY(i + 1) + 0.5 > r.top()) {
            row = i;
            break;
        }
    }
    if (row < 0 || column < 0)
        return false;
    *cell = {row, column};
    return true;
}
