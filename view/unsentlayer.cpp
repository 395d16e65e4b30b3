#include "unsentlayer.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr double PenWidth = 2.0;

bool drawable(double value)
{
    return std::isfinite(value) && std::abs(value) < 1.0e7;
}
} // namespace

UnsentSceneItem::UnsentSceneItem(const ViewGeometry &g, const UnsentScene &scene, const QColor &colour)
    : geometry(g), angle(scene.angle), colour(colour)
{
    if (!(g.scale > 0) || !(g.edge > 0))
        return;
    const double pixelsPerMetre = g.scale / g.edge;
    const QPointF radar = g.radarPoint(0, 0);
    for (double edge : scene.zoneEdges) {
        const double r = edge * pixelsPerMetre;
        if (drawable(r) && r > 0)
            zones.append(QRectF(radar.x() - r, radar.y() - r, 2 * r, 2 * r));
    }
    if (scene.laneChanged) {
        const double depth = g.rows * g.edge * 100;
        for (double x : {scene.left, scene.right}) {
            const QLineF line(g.radarPoint(x * 100, 0), g.radarPoint(x * 100, depth));
            if (drawable(line.x1()) && drawable(line.y2()))
                lane.append(line);
        }
    }
    // A cell's outline is the square of one edge around its centre point.
    const double half = g.edge * 50;
    const auto outline = [&](const QPoint &centre) {
        return QRectF(g.radarPoint(centre.x() - half, centre.y() + half), QSizeF(g.scale, g.scale));
    };
    for (const QPoint &centre : scene.addedCells)
        cells.append(outline(centre));
    added = cells.size();
    for (const QPoint &centre : scene.removedCells)
        cells.append(outline(centre));
}

void UnsentSceneItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    painter->setClipRect(geometry.plotArea(), Qt::IntersectClip);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(colour, PenWidth, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin));
    for (const QRectF &square : zones)
        painter->drawPie(square, int((90 - angle / 2) * 16), int(angle * 16));
    painter->drawLines(lane);
    for (int k = 0; k < cells.size(); ++k) {
        const QRectF &cell = cells.at(k);
        painter->drawRect(cell.adjusted(PenWidth, PenWidth, -PenWidth, -PenWidth));
        // A cell the form takes away is struck through.
        if (k >= added)
            painter->drawLine(cell.topLeft(), cell.bottomRight());
    }
    painter->restore();
}
