// A map of grid cells flagged by the operator (non-alarm cells, detection-area cells).
// Rows count from the farthest row, columns from the left. The map is sparse: a radar that
// reports 655 m with 0.25 m cells has 13.7 million cells, of which only a handful are ever set.
#pragma once

#include "scenegrid.h"

#include <QVector>

#include <set>
#include <utility>
#include <vector>

using GridCell = radarlink::GridCell;

class CellGrid
{
public:
    int rowCount() const { return int(widths.size()); }
    int columnCount(int row) const;
    bool contains(int row, int column) const;

    // A cell the map does not hold counts as clear.
    bool isSet(int row, int column) const;
    // Only cells the map holds can be set; returns whether the flag changed.
    bool setFlag(int row, int column, bool on);
    int setCount() const { return int(flags.size()); }
    // Set cells in row order, each row from the left.
    QVector<GridCell> setCells() const;

    // Makes the first rows exist with at least columns flags each; never shrinks.
    void grow(int rows, int columns);
    // No rows at all.
    void clear();
    // Same shape, every flag clear.
    void clearFlags();
    // Moves every set cell by the given rows and columns, within a map grown to rows x columns;
    // a cell that lands outside is dropped.
    void moveCells(int rowOffset, int columnOffset, int rows, int columns);

    // Changes whenever a flag or the shape changes in a way that alters the picture.
    quint64 revision() const { return changes; }

private:
    std::vector<int> widths;
    std::set<std::pair<int, int>> flags;
    quint64 changes = 0;
};
