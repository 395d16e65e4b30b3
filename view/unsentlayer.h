// The form's scene where it differs from the radar's, before it is sent: the zone edges and the
// lane the form would send, and the cells it would add or take away, as dashed outlines laid
// over the plot. The window feeds it the form's values; the view keeps drawing the radar's own
// scene under it, and the outlines go once the form and the radar agree again.
#pragma once

#include "viewgeometry.h"

#include <QColor>
#include <QGraphicsItem>
#include <QPoint>
#include <QVector>

struct UnsentScene {
    double angle = 120.0;            // degrees: the form's fan
    QVector<double> zoneEdges;       // metres: the form's zone edges that differ from the radar's
    bool laneChanged = false;
    double left = 0.0, right = 0.0;  // metres: the form's lane
    QVector<QPoint> addedCells;      // centre points, cm: marked in the form, not in the radar
    QVector<QPoint> removedCells;    // in the radar, no longer marked in the form

    bool isEmpty() const
    {
        return zoneEdges.isEmpty() && !laneChanged && addedCells.isEmpty() && removedCells.isEmpty();
    }
};

class UnsentSceneItem : public QGraphicsItem
{
public:
    UnsentSceneItem(const ViewGeometry &geometry, const UnsentScene &scene, const QColor &colour);
    QRectF boundingRect() const override { return geometry.plotArea(); }
    // Never in the way of a click: the cell under the pointer is found as without it.
    QPainterPath shape() const override { return QPainterPath(); }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // The fan of each changed zone edge, drawn as its bounding square in the view's scene
    // coordinates.
    const QVector<QRectF> &zoneSquares() const { return zones; }

private:
    ViewGeometry geometry;
    double angle;
    QColor colour;
    QVector<QRectF> zones;
    QVector<QLineF> lane;
    QVector<QRectF> cells;
    int added = 0;
};
