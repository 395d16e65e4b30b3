// The two scene layers that change most: the targets of the newest frame with their tracks, and
// the grid of cells above them. Each is one item that paints all of its parts, so a new frame
// replaces one item instead of thousands, and a grid of millions of cells costs a few lines.
#pragma once

#include "viewgeometry.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGraphicsItem>
#include <QPolygonF>
#include <QVector>

enum class MarkerShape { Circle, Square, Diamond, Triangle };

struct MarkerSizes {
    double circleRadius = 5.0;
    double squareHalfSide = 4.0;
    double diamondHalfSize = 5.0;
    double triangleApex = 5.0;
};

// Paints one target marker centred on a point with the painter's pen and brush; the plot and the
// legend beside it both draw their markers this way.
void drawMarker(QPainter *painter, MarkerShape shape, const QPointF &centre, const MarkerSizes &sizes);

// How far a marker reaches from its centre, outline included, whatever its shape.
double markerReach(const MarkerSizes &sizes);

// The line box (advance width by ascent plus descent) of a target's number: beside the marker,
// right of it unless the plot ends there, then left of it, and moved up or down into the plot.
QRectF targetNumberBox(const QPointF &target, const QString &number, const QFontMetricsF &metrics,
                       const QRectF &plot, double reach);

struct DrawnTarget {
    QString number;
    QRectF numberBox;
    QPointF position;
    MarkerShape shape = MarkerShape::Circle;
    QColor colour;
    QPolygonF track; // empty when tracks are off; starts at the target
};

// Sets the number box of every target, in their order, where it neither covers nor comes
// within a blank of a number placed before it, nor covers any marker: the place
// targetNumberBox gives first, then right, left, above, below and the four corners of the
// marker, and that ring three times more, each a half line further out. Where no place is
// free the number keeps the first place apart from the other numbers, else the usual one.
// Close targets thus keep their numbers apart within two lines of each marker.
void placeTargetNumbers(QVector<DrawnTarget> &targets, const QFontMetricsF &metrics, const QRectF &plot, double reach);

// Number, marker and track of each target, in ascending id order.
class TargetsItem : public QGraphicsItem
{
public:
    // Tracks are cut off at the edges of plot, so that they never run over the axis numbers.
    TargetsItem(QVector<DrawnTarget> targets, const QFont &font, const QColor &numberColour,
                const QColor &markerOutline, int trackPenWidth, const MarkerSizes &sizes, const QRectF &plot);
    QRectF boundingRect() const override { return bounds; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    const QVector<DrawnTarget> &targets() const { return drawn; }

private:
    QVector<DrawnTarget> drawn;
    QFont font;
    QColor numberColour;
    QColor markerOutline;
    int trackPenWidth;
    MarkerSizes sizes;
    QRectF plot;
    QRectF bounds;
};

// The numbers and tick dots of both axes.
class AxesItem : public QGraphicsItem
{
public:
    // Space left around each number, as a text item of the toolkit leaves it.
    static constexpr double TextMargin = 4.0;
    struct Label {
        QString text;
        QPointF topLeft;
        QRectF tick;
    };
    AxesItem(QVector<Label> labels, const QFont &font, const QColor &textColour, const QColor &tickFill);
    QRectF boundingRect() const override { return bounds; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    const QVector<Label> &labels() const { return all; }

private:
    QVector<Label> all;
    QFont font;
    QColor textColour;
    QColor tickFill;
    QRectF bounds;
};

struct FilledCell {
    GridCell cell;
    QColor colour;
};

// The cells of the grid: outlines, the fills of set cells, and the cell under a click. Cells
// that start in the left margin are present (they can be clicked) but invisible.
class GridItem : public QGraphicsItem
{
public:
    GridItem(const ViewGeometry &geometry, const QColor &lineColour, QVector<FilledCell> fills);
    QRectF boundingRect() const override { return bounds; }
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // The topmost drawn cell touching a scene rectangle (a pixel under the pointer): the one
    // created last, i.e. the lowest row and then the rightmost column touched.
    bool cellTouching(const QRectF &sceneRect, GridCell *cell) const;
    bool hasCells() const { return firstColumn <= lastColumn && firstRow <= lastRow; }

private:
    ViewGeometry geometry;
    QColor lineColour;
    QVector<FilledCell> fills;
    int firstColumn = 0, lastColumn = -1; // drawn columns
    int firstRow = 0, lastRow = -1;       // drawn rows
    int firstVisibleColumn = 0;           // first drawn column right of the left margin
    QRectF bounds;
};
