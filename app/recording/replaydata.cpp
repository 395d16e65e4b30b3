#include "replaydata.h"

#include <algorithm>

namespace {
// The last item (by its timeMs) at or before timeMs, the first for an earlier time; -1 for none.
template <typename Item>
int inForceAt(const QVector<Item> &items, qint64 timeMs)
{
    if (items.isEmpty())
        return -1;
    const auto after = std::upper_bound(items.cbegin() + 1, items.cend(), timeMs,
                                        [](qint64 t, const Item &item) { return t < item.timeMs; });
    return int(after - items.cbegin()) - 1;
}
} // namespace

bool ReplayData::open(const QString &path)
{
    filePath = path;
    // A radar that failed its identity read still leaves frames worth seeing: no identity is
    // no failure.
    return reader.open(path) && reader.readFrames(&frames, false) && reader.readEvents(&eventList)
           && reader.readScenes(&sceneList) && reader.readIdsInOrderOfAppearance(&orderedIds)
           && reader.readIdentities(&identityList);
}

int ReplayData::frameAt(qint64 timeMs) const
{
    const auto after = std::upper_bound(frames.cbegin(), frames.cend(), timeMs,
                                        [](qint64 t, const recording::Frame &f) { return t < f.timeMs; });
    return std::max(0, int(after - frames.cbegin()) - 1);
}

QVector<TargetFrame> ReplayData::targetFrames(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, int(frames.size()) - 1);
    if (first > last)
        return {};
    QVector<QPair<qint64, recording::Target>> rows;
    if (!reader.readTargets(frames.at(first).number, frames.at(last).number, &rows))
        return {};
    QVector<TargetFrame> shown(last - first + 1);
    int slot = 0;
    for (const auto &row : rows) {
        while (slot < shown.size() && frames.at(first + slot).number < row.first)
            ++slot;
        if (slot == shown.size())
            break;
        if (frames.at(first + slot).number != row.first)
            continue;
        const recording::Target &t = row.second;
        shown[slot].insert(t.id, TargetReport{t.id, quint16(t.xCm), quint16(t.yCm), t.value1, t.value2, t.targetClass});
    }
    return shown;
}

int ReplayData::sceneAt(qint64 timeMs) const
{
    return inForceAt(sceneList, timeMs);
}

int ReplayData::identityAt(qint64 timeMs) const
{
    return inForceAt(identityList, timeMs);
}
