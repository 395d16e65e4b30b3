#include "tripanalysis.h"

#include <algorithm>

using radarlink::GridCell;
using radarlink::Zone;

namespace trip {

namespace {
QVector<quint16> &membersOf(radarlink::ZoneMembers &members, int zone)
{
    return zone == AlarmZone ? members.alarm : zone == WarningZone ? members.warning : members.detection;
}

const QVector<quint16> &membersOf(const radarlink::ZoneMembers &members, int zone)
{
    return zone == AlarmZone ? members.alarm : zone == WarningZone ? members.warning : members.detection;
}

quint64 cellKey(const GridCell &cell)
{
    return (quint64(quint32(cell.row)) << 20) | quint32(cell.column);
}

GridCell cellOfKey(quint64 key)
{
    return {int((key >> 20) & 0xfffff), int(key & 0xfffff)};
}

// Rows and columns stay below 2^20 (at most 2^16 cells a side), ids take the bits above.
quint64 stayKey(quint16 id, const GridCell &cell)
{
    return (quint64(id) << 40) | cellKey(cell);
}

bool inAlarmOrWarning(Zone zone)
{
    return zone == Zone::Alarm || zone == Zone::Warning;
}
} // namespace

double formMetres(double metres)
{
    return QString::number(metres, 'f', 1).toDouble();
}

QString zoneName(int zone)
{
    static const char *const names[ZoneCount] = {"alarm", "warning", "detection"};
    return zone >= 0 && zone < ZoneCount ? QLatin1String(names[zone]) : QString();
}

ZoneDistances zoneDistances(const radarlink::WireScene &scene)
{
    return {formMetres(scene.alarmFarCm / 100.0), formMetres(scene.warningFarCm / 100.0),
            formMetres(scene.detectionFarCm / 100.0)};
}

radarlink::SceneGrid sceneGrid(const radarlink::WireScene &scene)
{
    return radarlink::SceneGrid::forRange(formMetres(scene.detectionFarCm / 100.0), scene.gridEdgeCm / 100.0);
}

SceneTimeline::SceneTimeline(const QVector<recording::Scene> &recorded)
{
    for (const recording::Scene &s : recorded)
        changes.append({s.timeMs, zoneDistances(s.scene)});
}

SceneTimeline::SceneTimeline(const radarlink::WireScene &edited)
{
    changes.append({0, zoneDistances(edited)});
}

int SceneTimeline::indexAt(qint64 timeMs) const
{
    if (changes.isEmpty())
        return -1;
    const auto after = std::upper_bound(changes.cbegin() + 1, changes.cend(), timeMs,
                                        [](qint64 t, const QPair<qint64, ZoneDistances> &c) { return t < c.first; });
    return int(after - changes.cbegin()) - 1;
}

ZoneDistances SceneTimeline::distancesAt(qint64 timeMs) const
{
    const int index = indexAt(timeMs);
    return index < 0 ? ZoneDistances() : changes.at(index).second;
}

ClassifiedFrame FrameClassifier::next(const recording::Frame &frame, const ZoneDistances &zones)
{
    ClassifiedFrame classified;
    classified.timeMs = frame.timeMs;
    classified.targets.reserve(frame.targets.size());
    for (const recording::Target &t : frame.targets) {
        const Zone zone = radarlink::zoneOf(t.xCm, t.yCm, zones.alarmFar, zones.warningFar, zones.detectionFar);
        classified.targets.append({t.id, t.xCm, t.yCm, zone});
        if (zone != Zone::None)
            membersOf(classified.members, int(zone) - int(Zone::Alarm)).append(t.id);
    }
    for (int zone = 0; zone < ZoneCount; ++zone)
        std::sort(membersOf(classified.members, zone).begin(), membersOf(classified.members, zone).end());
    return finish(std::move(classified));
}

ClassifiedFrame FrameClassifier::next(qint64 timeMs, const TargetFrame &frame, const radarlink::ZoneMembers &members)
{
    ClassifiedFrame classified;
    classified.timeMs = timeMs;
    classified.members = members;
    classified.targets.reserve(frame.size());
    auto zoneOfId = [&members](quint16 id) {
        if (members.alarm.contains(id))
            return Zone::Alarm;
        if (members.warning.contains(id))
            return Zone::Warning;
        return members.detection.contains(id) ? Zone::Detection : Zone::None;
    };
    for (auto it = frame.cbegin(); it != frame.cend(); ++it)
        classified.targets.append({it.key(), qint16(it.value().value(1)), qint16(it.value().value(2)), zoneOfId(it.key())});
    return finish(std::move(classified));
}

ClassifiedFrame FrameClassifier::finish(ClassifiedFrame frame)
{
    frame.index = count++;
    for (int zone = 0; zone < ZoneCount; ++zone) {
        const bool now = !membersOf(frame.members, zone).isEmpty();
        frame.started[zone] = now && !flags[zone];
        frame.ended[zone] = !now && flags[zone];
        flags[zone] = now;
    }
    return frame;
}

void ZoneEntryCounter::add(const ClassifiedFrame &frame)
{
    for (int zone = 0; zone < ZoneCount; ++zone) {
        ZoneTally &tally = counted.zones[zone];
        if (frame.ended[zone] && !tally.entries.isEmpty()) {
            ZoneEntry &entry = tally.entries.last();
            entry.endMs = frame.timeMs;
            entry.endFrame = frame.index;
            tally.milliseconds += entry.endMs - entry.startMs;
            open[zone] = false;
        }
        if (frame.started[zone]) {
            ZoneEntry entry;
            entry.startMs = entry.endMs = frame.timeMs;
            entry.firstFrame = entry.endFrame = frame.index;
            entry.ids = membersOf(frame.members, zone);
            tally.entries.append(entry);
            open[zone] = true;
        }
    }
    lastMs = frame.timeMs;
    lastFrame = frame.index;
}

ZoneReport ZoneEntryCounter::report() const
{
    ZoneReport report = counted;
    for (int zone = 0; zone < ZoneCount; ++zone) {
        if (!open[zone])
            continue;
        ZoneTally &tally = report.zones[zone];
        ZoneEntry &entry = tally.entries.last();
        entry.endMs = lastMs;
        entry.endFrame = lastFrame;
        tally.milliseconds += entry.endMs - entry.startMs;
    }
    return report;
}

HeatCounter::HeatCounter(const radarlink::SceneGrid &grid, HeatMode mode) : cellGrid(grid), heatMode(mode) {}

void HeatCounter::add(const ClassifiedFrame &frame)
{
    const bool startsOnly = heatMode == HeatMode::AlarmStarts;
    if (startsOnly && !frame.started[AlarmZone])
        return;
    GridCell cell;
    for (const ClassifiedTarget &t : frame.targets)
        if ((!startsOnly || t.zone == Zone::Alarm) && cellGrid.cellOfTarget(t.xCm, t.yCm, &cell))
            cells.add(cell);
}

radarlink::SceneGrid finestGrid()
{
    // Every position a 16-bit signed centimetre can give, in 0.25 m cells.
    return radarlink::SceneGrid::forRange(327.68, 0.25);
}

radarlink::CellCounts regrid(const radarlink::CellCounts &finest, const radarlink::SceneGrid &grid)
{
    const radarlink::SceneGrid fine = finestGrid();
    const int edgeCm = int(fine.edge * 100);
    radarlink::CellCounts counts;
    finest.forEach([&](const GridCell &cell, quint32 count) {
        // The near left corner lies in the fine cell, so in the one cell of grid holding it whole.
        GridCell into;
        if (grid.cellOfTarget((cell.column - fine.columnsPerSide) * edgeCm, (fine.rows - 1 - cell.row) * edgeCm, &into))
            counts.add(into, count);
    });
    return counts;
}

FixedObjectFinder::FixedObjectFinder(const radarlink::SceneGrid &grid, qint64 minimumStayMs)
    : grid(grid), minimumMs(minimumStayMs)
{
}

void FixedObjectFinder::keep(const Stay &stay)
{
    if (stay.lastMs - stay.firstMs >= minimumMs)
        longStays[cellKey(stay.cell)].append({stay.firstMs, stay.lastMs});
}

void FixedObjectFinder::add(const ClassifiedFrame &frame)
{
    const qint64 now = frame.timeMs;
    QVector<quint64> alarmCells;
    GridCell cell;
    for (const ClassifiedTarget &t : frame.targets) {
        if (!inAlarmOrWarning(t.zone) || !grid.cellOfTarget(t.xCm, t.yCm, &cell))
            continue;
        if (frame.started[AlarmZone] && t.zone == Zone::Alarm && !alarmCells.contains(cellKey(cell)))
            alarmCells.append(cellKey(cell));
        const quint64 key = stayKey(t.id, cell);
        auto stay = open.find(key);
        if (stay != open.end() && now - stay->lastMs <= StayGapMs) {
            stay->lastMs = now;
            continue;
        }
        if (stay != open.end())
            keep(*stay);
        open.insert(key, {cell, now, now});
    }
    for (quint64 key : alarmCells)
        ++alarmStarts[key];
    // Stays whose target has been gone too long are over: file them, so that the open ones
    // stay as few as the targets in view.
    if (frame.index % 64 == 0) {
        for (auto it = open.begin(); it != open.end();) {
            if (now - it->lastMs > StayGapMs) {
                keep(*it);
                it = open.erase(it);
            } else {
                ++it;
            }
        }
    }
}

QVector<FixedCell> FixedObjectFinder::cells(qint64 minimumStayMs) const
{
    const qint64 minimum = std::max(minimumStayMs, minimumMs);
    QHash<quint64, QVector<QPair<qint64, qint64>>> stays;
    auto keepIfLong = [&stays, minimum](quint64 cell, qint64 firstMs, qint64 lastMs) {
        if (lastMs - firstMs >= minimum)
            stays[cell].append({firstMs, lastMs});
    };
    for (auto it = longStays.cbegin(); it != longStays.cend(); ++it)
        for (const auto &span : it.value())
            keepIfLong(it.key(), span.first, span.second);
    for (const Stay &stay : open)
        keepIfLong(cellKey(stay.cell), stay.firstMs, stay.lastMs);

    QVector<FixedCell> found;
    for (auto it = stays.begin(); it != stays.end(); ++it) {
        QVector<QPair<qint64, qint64>> &spans = it.value();
        std::sort(spans.begin(), spans.end());
        // Two targets staying in one cell at once count the time once.
        qint64 covered = 0, start = spans.first().first, end = spans.first().second;
        for (const auto &span : spans) {
            if (span.first > end) {
                covered += end - start;
                start = span.first;
            }
            end = std::max(end, span.second);
        }
        covered += end - start;
        FixedCell fixed;
        fixed.cell = cellOfKey(it.key());
        fixed.wirePoint = grid.wirePoint(fixed.cell);
        fixed.milliseconds = covered;
        fixed.alarmEntries = alarmStarts.value(it.key(), 0);
        found.append(fixed);
    }
    std::sort(found.begin(), found.end(), [](const FixedCell &a, const FixedCell &b) {
        if (a.milliseconds != b.milliseconds)
            return a.milliseconds > b.milliseconds;
        return a.cell.row != b.cell.row ? a.cell.row < b.cell.row : a.cell.column < b.cell.column;
    });
    return found;
}

namespace {
// Feeds frames[0..lastFrame] to consume, each classified with the scene in force.
template <typename Consume>
void eachClassifiedFrame(const QVector<recording::Frame> &frames, const SceneTimeline &scenes, int lastFrame,
                         Consume consume)
{
    const int end = lastFrame < 0 ? int(frames.size()) : std::min(int(frames.size()), lastFrame + 1);
    FrameClassifier classifier;
    for (int i = 0; i < end; ++i)
        consume(classifier.next(frames.at(i), scenes.distancesAt(frames.at(i).timeMs)));
}
} // namespace

ZoneReport zoneEntries(const QVector<recording::Frame> &frames, const SceneTimeline &scenes, int lastFrame)
{
    ZoneEntryCounter counter;
    eachClassifiedFrame(frames, scenes, lastFrame, [&counter](const ClassifiedFrame &f) { counter.add(f); });
    return counter.report();
}

QVector<recording::Event> zoneEvents(const ZoneReport &report)
{
    QVector<recording::Event> events;
    for (int zone = 0; zone < ZoneCount; ++zone) {
        for (const ZoneEntry &entry : report.zones[zone].entries) {
            QStringList ids;
            for (quint16 id : entry.ids)
                ids << QString::number(id);
            events.append({entry.startMs, 0, QStringLiteral("zone_entered"), zoneName(zone), ids.join(QLatin1Char(','))});
            events.append({entry.endMs, 0, QStringLiteral("zone_left"), zoneName(zone), QString()});
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const recording::Event &a, const recording::Event &b) { return a.timeMs < b.timeMs; });
    return events;
}

radarlink::CellCounts heatMap(const QVector<recording::Frame> &frames, const SceneTimeline &scenes,
                              const radarlink::SceneGrid &grid, HeatMode mode, int lastFrame)
{
    HeatCounter counter(grid, mode);
    eachClassifiedFrame(frames, scenes, lastFrame, [&counter](const ClassifiedFrame &f) { counter.add(f); });
    return counter.counts();
}

QVector<FixedCell> fixedObjects(const QVector<recording::Frame> &frames, const SceneTimeline &scenes,
                                const radarlink::SceneGrid &grid, qint64 minimumStayMs)
{
    FixedObjectFinder finder(grid, minimumStayMs);
    eachClassifiedFrame(frames, scenes, -1, [&finder](const ClassifiedFrame &f) { finder.add(f); });
    return finder.cells();
}

} // namespace trip
