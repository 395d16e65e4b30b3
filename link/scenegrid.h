// The grid of cells laid over a scene: the cells the plan view draws, the operator marks as
// non-alarm cells and the trip analysis counts targets in. Pure arithmetic, shared by the view
// and the analysis so that a hot cell on the heat map is the very cell that can be marked.
//
// Rows count from the farthest row (row 0) to the row touching the radar (row M - 1); columns
// from the left (column 0) to 2N - 1. Cell (row i, column k) covers the band (k - N)*g to
// (k - N + 1)*g metres across the axis and (M - i - 1)*g to (M - i)*g metres in front of it.
#pragma once

#include <QHash>
#include <QPoint>
#include <QVector>

namespace radarlink {

struct GridCell {
    int row = 0;
    int column = 0;
    bool operator==(const GridCell &o) const { return row == o.row && column == o.column; }
    bool operator!=(const GridCell &o) const { return !(*this == o); }
};

// Cells per side of the axis (N) or rows (M) for a range; an exact multiple of the edge adds no
// cell (6 m in 1 m cells is 6, 6.5 m is 7).
int cellsForExtent(double extent, double edge);

struct SceneGrid {
    double edge = 1.0;      // g, metres per cell
    int columnsPerSide = 0; // N
    int rows = 0;           // M

    // The grid the view draws for a scene: it spans the detection range on each side and in depth.
    static SceneGrid forRange(double detectionFar, double edge);

    int columns() const { return 2 * columnsPerSide; }
    bool contains(const GridCell &cell) const;

    // The cell holding a target at x, y centimetres. Cells are closed on their left and near
    // sides and open on the right and far ones, so a target on a line between two cells counts
    // in the cell to its right, or the one farther from the radar; one on the grid's right or
    // far edge, or beyond it, or behind the radar, counts in no cell (false).
    bool cellOfTarget(int xCm, int yCm, GridCell *cell) const;

    // The point the radar is told for a cell, centimetres: 50 cm right of the cell's left edge
    // and 50 cm in front of its far edge whatever the edge (the middle of a 1 m cell). And back.
    QPoint wirePoint(const GridCell &cell) const;
    GridCell cellOfWirePoint(int xCm, int yCm) const;
};

// How many targets were counted in each cell; cells never counted are not held, so a grid of
// millions of cells costs what its visited cells cost.
class CellCounts
{
public:
    void add(const GridCell &cell, quint32 count = 1);
    quint32 at(const GridCell &cell) const;
    // The highest count of any cell, 0 when empty.
    quint32 highest() const { return top; }
    // Cells with a count.
    int size() const { return int(counts.size()); }
    bool isEmpty() const { return counts.isEmpty(); }
    void clear();

    struct Entry {
        GridCell cell;
        quint32 count = 0;
        bool operator==(const Entry &o) const { return cell == o.cell && count == o.count; }
    };
    // Every counted cell, in row order and each row from the left.
    QVector<Entry> entries() const;

    // Visits every counted cell, in no particular order.
    template <typename Visit>
    void forEach(Visit visit) const
    {
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            visit(cellOfKey(it.key()), it.value());
    }

private:
    static quint64 keyOf(const GridCell &cell) { return (quint64(quint32(cell.row)) << 32) | quint32(cell.column); }
    static GridCell cellOfKey(quint64 key) { return {int(qint32(quint32(key >> 32))), int(qint32(quint32(key)))}; }

    QHash<quint64, quint32> counts;
    quint32 top = 0;
};

} // namespace radarlink
