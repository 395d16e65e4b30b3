// The heat map layer of the plan view: every counted cell of the grid tinted by how often a
// target stood in it, and a colour scale with its numbers in a strip right of the plot. It lies
// above the zones and under the targets, their tracks and the grid, so a marked cell's fill is
// always laid over it and never hidden.
#pragma once

#include "scenegrid.h"
#include "viewgeometry.h"

#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QImage>
#include <QVector>

// The tint of a count on a scale whose top is highest, in 256 steps: pale yellow for the
// fewest, through orange, to deep red for the most; translucent, so the zones still show through.
int heatLevel(quint32 count, quint32 highest);
QColor heatColour(quint32 count, quint32 highest);

// The top of the scale for a highest count: the next 1, 2 or 5 times a power of ten, so that
// the scale's numbers and the colours stay put while live counts grow.
quint32 heatScaleTop(quint32 highest);

// The tinted cells, painted as one image of a pixel per cell (or per block of cells, for grids
// of millions of cells) stretched over the grid.
class HeatMapItem : public QGraphicsItem
{
public:
    // Counts above scaleTop take the top colour.
    HeatMapItem(const ViewGeometry &geometry, const radarlink::CellCounts &counts, quint32 scaleTop);
    QRectF boundingRect() const override { return target; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QImage cells;
    QRectF target;
};

// Frames around cells the operator is looking at (the cells where something stood), each cell
// drawn whole; above the heat map's tint, under the targets and the marked cells' fill.
class CellOutlineItem : public QGraphicsItem
{
public:
    static constexpr double PenWidth = 3.0;
    CellOutlineItem(const ViewGeometry &geometry, const QVector<radarlink::GridCell> &cells, const QColor &colour);
    QRectF boundingRect() const override { return bounds; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QVector<QRectF> frames;
    QColor colour;
    QRectF bounds;
};

// The colour scale: a bar, pale at the bottom (0) and deep at the top, with its numbers.
class HeatScaleItem : public QGraphicsItem
{
public:
    // Width of the strip the scale takes right of the pixmap.
    static double stripWidth(const QFont &font);

    HeatScaleItem(const ViewGeometry &geometry, quint32 scaleTop, const QFont &font, const QColor &textColour);
    QRectF boundingRect() const override { return bounds; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    struct Number {
        QString text;
        QPointF baseline;
    };
    // Top first.
    const QVector<Number> &numbers() const { return shown; }
    QRectF bar() const { return scaleBar; }
    quint32 top() const { return scaleTop; }

private:
    QVector<Number> shown;
    QRectF scaleBar;
    quint32 scaleTop;
    QFont font;
    QColor textColour;
    QRectF bounds;
};
