#include "viewgeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

QPointF ViewGeometry::radarPoint(double xCm, double yCm) const
{
    return QPointF(xCm * scale / 100 / edge + columnsPerSide * scale + 2 * margin - stripLeft * scale,
                   rows * scale - yCm * scale / 100 / edge + margin - rowMin * scale);
}

QRectF ViewGeometry::plotArea() const
{
    return QRectF(QPointF(2 * margin, margin), QPointF(pixmapWidth - margin, pixmapHeight - 2 * margin));
}

bool ViewGeometry::cellVisible(int row, int column) const
{
    const double x = columnX(column);
    const double y = rowY(row);
    return !(x < 0 || x >= pixmapWidth - margin || y < 0 || y >= pixmapHeight - 2 * margin);
}

ViewGeometry computeGeometry(const SceneExtents &scene, const CellGrid *areaCells, double width,
                             double height, double labelSize)
{
    ViewGeometry g;
    g.edge = scene.gridEdge;
    g.margin = labelSize;
    g.columnsPerSide = cellsForExtent(scene.lateralExtent, g.edge);
    g.rows = cellsForExtent(scene.depthExtent, g.edge);

    g.colMin = g.columns();
    g.colMax = 0;
    g.rowMin = g.rows;
    g.rowMax = 0;
    if (areaCells) {
        for (const GridCell &cell : areaCells->setCells()) {
            g.colMin = std::min(g.colMin, cell.column);
            g.colMax = std::max(g.colMax, cell.column + 1);
            g.rowMin = std::min(g.rowMin, cell.row);
            g.rowMax = std::max(g.rowMax, cell.row + 1);
        }
    }
    if (g.colMin >= g.colMax) {
        g.colMin = 0;
        g.colMax = g.columns();
    }
    if (g.rowMin >= g.rowMax) {
        g.rowMin = 0;
        g.rowMax = g.rows;
    }

    g.stripLeft = std::max(g.columnsPerSide + (scene.leftBoundary - 0.01) / g.edge, double(g.colMin));
    g.stripRight = std::min(g.columnsPerSide + scene.rightBoundary / g.edge, double(g.colMax));

    // An empty strip or grid (a boundary beyond the grid, a zero extent) or a widget without
    // size leaves nothing to scale to: draw at scale 0 rather than divide into infinity.
    double scale = std::numeric_limits<double>::infinity();
    const double across = g.stripRight - g.stripLeft;
    const double down = g.rowMax - g.rowMin;
    if (across > 0)
        scale = std::min(scale, width / across);
    if (down > 0)
        scale = std::min(scale, height / down);
    if (!std::isfinite(scale) || scale < 0)
        scale = 0;
    g.scale = scale;

    g.pixmapWidth = g.stripRight * scale - g.stripLeft * scale + 3 * labelSize;
    g.pixmapHeight = g.rowMax * scale - g.rowMin * scale + 3 * labelSize;
    return g;
}

int axisLabelStep(int columnsPerSide, double edge)
{
    // Each truncation is held inside the integer range: an edge of a few nanometres (or of
    // 1e300 m) would otherwise overflow the conversion.
    auto truncated = [](double v) {
        return std::trunc(std::max(double(std::numeric_limits<int>::min()),
                                   std::min(double(std::numeric_limits<int>::max()), v)));
    };
    const double e = 1 / edge;
    const double perSixth = std::ceil(columnsPerSide / 6.0);
    return int(truncated(truncated(1 + (perSixth - 0.25) / e) * e));
}

bool cellEligible(int row, int column, int rowCount, int columnCount, double edge,
                  double detectionFar, double detectionAngle)
{
    const double nearEdge = (rowCount - row - 1) * edge;
    const double sideEdge = (std::fabs(column + 0.5 - columnCount / 2) - 0.5) * edge;
    if (sideEdge * sideEdge + nearEdge * nearEdge > detectionFar * detectionFar)
        return false;
    const double angle = sideEdge == 0 ? M_PI / 2 : std::atan((nearEdge + edge) / sideEdge);
    return !(angle < (180 - detectionAngle) * 3.1415926 / 360);
}
