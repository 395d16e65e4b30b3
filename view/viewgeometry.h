// Where everything of the plan view lies: the grid size for the scene's extents, the window of
// rows and columns shown, the scale, and the pixel position of every grid line and target.
// Pure arithmetic, shared by drawing and by mouse editing.
#pragma once

#include "cellgrid.h"

#include <QPointF>
#include <QRectF>

struct ViewGeometry {
    double edge = 1.0;          // g, metres per cell
    double margin = 30.0;       // m, the label size
    int columnsPerSide = 0;     // N
    int rows = 0;               // M
    int colMin = 0, colMax = 0; // area window, columns
    int rowMin = 0, rowMax = 0; // area window, rows
    double stripLeft = 0.0;     // xL, columns
    double stripRight = 0.0;    // xR, columns
    double scale = 0.0;         // R, pixels per cell
    double pixmapWidth = 0.0;   // PW
    double pixmapHeight = 0.0;  // PH

    int columns() const { return 2 * columnsPerSide; }
    // Line left of column j, line above row r.
    double columnX(int j) const { return j * scale + 2 * margin - stripLeft * scale; }
    double rowY(int r) const { return r * scale + margin - rowMin * scale; }
    // The grid's part of the pixmap, inside the margins: the plot proper.
    QRectF plotArea() const;
    // A radar-plane point in centimetres: x across the axis, y away from the radar.
    QPointF radarPoint(double xCm, double yCm) const;
    bool cellVisible(int row, int column) const;
};

struct SceneExtents {
    double lateralExtent = 6.0;
    double depthExtent = 6.0;
    double leftBoundary = -128.0;
    double rightBoundary = 128.0;
    double gridEdge = 1.0;
};

// Cells per side of the axis (N) and rows (M), the same arithmetic as the trip analysis's.
using radarlink::cellsForExtent;

// areaCells: the detection-area cells that crop the view, or nullptr when cropping is off.
ViewGeometry computeGeometry(const SceneExtents &scene, const CellGrid *areaCells, double width,
                             double height, double labelSize);

// Every s-th boundary is numbered on both axes when the grid is wider than 9 cells a side.
int axisLabelStep(int columnsPerSide, double edge);

// Whether a cell may be marked: its nearest corner within range and its far inner corner
// inside the detection fan.
bool cellEligible(int row, int column, int rowCount, int columnCount, double edge,
                  double detectionFar, double detectionAngle);
