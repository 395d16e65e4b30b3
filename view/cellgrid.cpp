#include "cellgrid.h"

int CellGrid::columnCount(int row) const
{
    return row >= 0 && row < rowCount() ? widths[size_t(row)] : 0;
}

bool CellGrid::contains(int row, int column) const
{
    return row >= 0 && row < rowCount() && column >= 0 && column < widths[size_t(row)];
}

bool CellGrid::isSet(int row, int column) const
{
    return flags.count({row, column}) != 0;
}

bool CellGrid::setFlag(int row, int column, bool on)
{
    if (!contains(row, column))
        return false;
    const bool changed = on ? flags.insert({row, column}).second : flags.erase({row, column}) != 0;
    if (changed)
        ++changes;
    return changed;
}

QVector<GridCell> CellGrid::setCells() const
{
    QVector<GridCell> cells;
    cells.reserve(int(flags.size()));
    for (const auto &flag : flags)
        cells.append({flag.first, flag.second});
    return cells;
}

void CellGrid::grow(int rows, int columns)
{
    if (rows > rowCount())
        widths.resize(size_t(rows), 0);
    for (int row = 0; row < rows; ++row)
        if (widths[size_t(row)] < columns)
            widths[size_t(row)] = columns;
}

void CellGrid::clear()
{
    widths.clear();
    flags.clear();
    ++changes;
}

void CellGrid::clearFlags()
{
    if (flags.empty())
        return;
    flags.clear();
    ++changes;
}

void CellGrid::moveCells(int rowOffset, int columnOffset, int rows, int columns)
{
    grow(rows, columns);
    std::set<std::pair<int, int>> moved;
    for (const auto &flag : flags) {
        const int row = flag.first + rowOffset;
        const int column = flag.second + columnOffset;
        if (row >= 0 && row < rows && column >= 0 && column < columns)
            moved.insert({row, column});
    }
    flags.swap(moved);
    ++changes;
}
