#include "scenegrid.h"

#include <algorithm>
#include <cmath>

namespace radarlink {

namespace {
// Far beyond anything the radar reports (655 m in 0.25 m cells is 2620); keeps a corrupt extent
// from turning into an endless loop.
constexpr int MaxCellsPerSide = 1 << 16;
} // namespace

int cellsForExtent(double extent, double edge)
{
    const double cells = (extent - 0.01) / edge + 1;
    if (!(cells > 0))
        return 0;
    return cells >= MaxCellsPerSide ? MaxCellsPerSide : int(cells);
}

SceneGrid SceneGrid::forRange(double detectionFar, double edge)
{
    SceneGrid grid;
    grid.edge = edge;
    grid.columnsPerSide = cellsForExtent(detectionFar, edge);
    grid.rows = grid.columnsPerSide;
    return grid;
}

bool SceneGrid::contains(const GridCell &cell) const
{
    return cell.row >= 0 && cell.row < rows && cell.column >= 0 && cell.column < columns();
}

bool SceneGrid::cellOfTarget(int xCm, int yCm, GridCell *cell) const
{
    if (!(edge > 0))
        return false;
    const double edgeCm = edge * 100;
    const double across = std::floor(xCm / edgeCm);
    const double depth = std::floor(yCm / edgeCm);
    if (!(across >= -columnsPerSide && across < columnsPerSide && depth >= 0 && depth < rows))
        return false;
    *cell = {rows - 1 - int(depth), columnsPerSide + int(across)};
    return true;
}

QPoint SceneGrid::wirePoint(const GridCell &cell) const
{
    return QPoint(int((cell.column - columnsPerSide) * edge * 100 + 50), int((rows - cell.row) * edge * 100 - 50));
}

GridCell SceneGrid::cellOfWirePoint(int x, int y) const
{
    return {int(rows - ((y + 50) / edge) / 100), int(((x - 50) / edge) / 100 + columnsPerSide)};
}

void CellCounts::add(const GridCell &cell, quint32 count)
{
    quint32 &held = counts[keyOf(cell)];
    held += count;
    top = std::max(top, held);
}

quint32 CellCounts::at(const GridCell &cell) const
{
    return counts.value(keyOf(cell), 0);
}

void CellCounts::clear()
{
    counts.clear();
    top = 0;
}

QVector<CellCounts::Entry> CellCounts::entries() const
{
    QVector<Entry> all;
    all.reserve(counts.size());
    forEach([&all](const GridCell &cell, quint32 count) { all.append({cell, count}); });
    std::sort(all.begin(), all.end(), [](const Entry &a, const Entry &b) {
        return a.cell.row != b.cell.row ? a.cell.row < b.cell.row : a.cell.column < b.cell.column;
    });
    return all;
}

} // namespace radarlink
