// Why did the radar trip: pure functions over a recording's frames and a scene (Qt Core only).
// Each frame is classified with the same function as the lamps and the recorder (distances
// only: the radar's own relay logic, its filters and its non-alarm cells act inside the radar
// and are not replayed), then counted three ways: the entries into each zone, a heat map of
// the cells targets stood in, and the cells where something stayed in the alarm or warning zone.
//
// Everything is fed one frame at a time, so the window can count live frames as they arrive or
// a long recording in slices between events; the functions at the end do a whole recording
// (read with readRecording, analysecommand.h).
// docs/analysis.md tells what is counted and how.
#pragma once

#include "recordingfile.h"
#include "replies.h"
#include "scenegrid.h"
#include "targetframe.h"

#include <QHash>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

namespace trip {

// --- Scenes ----------------------------------------------------------------------------------

enum ZoneIndex { AlarmZone, WarningZone, DetectionZone, ZoneCount };
// "alarm", "warning", "detection", as the recording's events name them.
QString zoneName(int zone);

// A distance as the form's spin boxes keep it: to a tenth of a metre.
double formMetres(double metres);

// The zone radii in metres as the form holds them, which is what the lamps and the recorder
// classify with. The form keeps a tenth of a metre and a scene on the wire carries that value
// truncated to centimetres (2.3 m is sent as 229 cm), so the centimetres are rounded back.
struct ZoneDistances {
    double alarmFar = 0;
    double warningFar = 0;
    double detectionFar = 0;
};
ZoneDistances zoneDistances(const radarlink::WireScene &scene);
// The grid the plan view draws for the scene.
radarlink::SceneGrid sceneGrid(const radarlink::WireScene &scene);

// The scene each frame is classified with. A recording's own scenes: the last one recorded at
// or before the frame's time, the first one (read back at connect) for an earlier frame. An
// edited scene: that scene for every frame.
class SceneTimeline
{
public:
    explicit SceneTimeline(const QVector<recording::Scene> &recorded);
    explicit SceneTimeline(const radarlink::WireScene &edited);
    // The scene in force at timeMs, as an index into the scenes given; -1 when there are none.
    int indexAt(qint64 timeMs) const;
    ZoneDistances distancesAt(qint64 timeMs) const;

private:
    QVector<QPair<qint64, ZoneDistances>> changes;
};

// --- One frame -------------------------------------------------------------------------------

struct ClassifiedTarget {
    quint16 id = 0;
    qint16 xCm = 0;
    qint16 yCm = 0;
    radarlink::Zone zone = radarlink::Zone::None;
};

struct ClassifiedFrame {
    int index = 0;       // 0 for the first frame fed to the classifier
    qint64 timeMs = 0;
    QVector<ClassifiedTarget> targets;
    radarlink::ZoneMembers members;
    // Zones whose flag turned on, or off, on this frame, as the recorder's zone events.
    bool started[ZoneCount] = {};
    bool ended[ZoneCount] = {};
};

// Classifies frames in order, remembering the last frame's flags.
class FrameClassifier
{
public:
    // A recorded frame with the scene's distances.
    ClassifiedFrame next(const recording::Frame &frame, const ZoneDistances &zones);
    // A live frame with the members the poll found for it.
    ClassifiedFrame next(qint64 timeMs, const TargetFrame &frame, const radarlink::ZoneMembers &members);

private:
    ClassifiedFrame finish(ClassifiedFrame frame);
    int count = 0;
    bool flags[ZoneCount] = {};
};

// --- Zone entries ----------------------------------------------------------------------------

// From the frame a zone's flag turns on to the frame it turns off (or the last frame).
struct ZoneEntry {
    qint64 startMs = 0;
    qint64 endMs = 0;
    int firstFrame = 0;
    int endFrame = 0;
    QVector<quint16> ids; // inside on the first frame, ascending
};

struct ZoneTally {
    QVector<ZoneEntry> entries;
    qint64 milliseconds = 0; // the entries' lengths added up: time with a target in the zone
};

struct ZoneReport {
    ZoneTally zones[ZoneCount];
};

class ZoneEntryCounter
{
public:
    void add(const ClassifiedFrame &frame);
    // Entries still open end on the last frame added.
    ZoneReport report() const;

private:
    ZoneReport counted;
    bool open[ZoneCount] = {};
    qint64 lastMs = 0;
    int lastFrame = 0;
};

// --- Heat map --------------------------------------------------------------------------------

enum class HeatMode {
    Positions,  // every target position of every frame
    AlarmStarts // only the positions of the targets that turned the alarm flag on
};

class HeatCounter
{
public:
    explicit HeatCounter(const radarlink::SceneGrid &grid = {}, HeatMode mode = HeatMode::Positions);
    void add(const ClassifiedFrame &frame);
    const radarlink::CellCounts &counts() const { return cells; }

private:
    radarlink::SceneGrid cellGrid;
    HeatMode heatMode;
    radarlink::CellCounts cells;
};

// Counts kept for a connection or a recording whose scene may change on the way: the finest
// grid the grid box offers (0.25 m cells) over every position the wire can carry. Each grid of
// the grid box nests whole cells of it, so regrid() adds up the counts of the grid in force
// exactly, however often it changed while they were counted.
radarlink::SceneGrid finestGrid();
radarlink::CellCounts regrid(const radarlink::CellCounts &finest, const radarlink::SceneGrid &grid);

// --- Fixed objects ---------------------------------------------------------------------------

constexpr qint64 DefaultMinimumStayMs = 30000;
// Longest time a target may go unseen in its cell and still be staying there.
constexpr qint64 StayGapMs = 1000;

// A cell where a target stayed while inside the alarm or warning zone.
struct FixedCell {
    radarlink::GridCell cell;
    QPoint wirePoint;        // the cell's centre as the radar is told it, centimetres
    qint64 milliseconds = 0; // covered by stays of at least the minimum length
    int alarmEntries = 0;    // alarm entries begun by a target standing in this cell
};

// A stay: the same target id seen in the same cell, inside the alarm or warning zone, with no
// more than StayGapMs between one sighting and the next; sightings elsewhere in between do not
// end it. Its length runs from the first sighting to the last.
class FixedObjectFinder
{
public:
    explicit FixedObjectFinder(const radarlink::SceneGrid &grid = {}, qint64 minimumStayMs = DefaultMinimumStayMs);
    void add(const ClassifiedFrame &frame);
    // The cells holding a stay of at least the minimum, the longest time first.
    QVector<FixedCell> cells() const { return cells(minimumMs); }
    // The same for a longer minimum; a shorter one than the finder was made with finds what the
    // finder's own minimum finds.
    QVector<FixedCell> cells(qint64 minimumStayMs) const;
    const radarlink::SceneGrid &cellGrid() const { return grid; }

private:
    struct Stay {
        radarlink::GridCell cell;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
    };
    void keep(const Stay &stay);

    radarlink::SceneGrid grid;
    qint64 minimumMs;
    QHash<quint64, Stay> open;                        // by target id and cell
    QHash<quint64, QVector<QPair<qint64, qint64>>> longStays; // by cell
    QHash<quint64, int> alarmStarts;                  // by cell
};

// --- A whole recording -----------------------------------------------------------------------

// frames[0..lastFrame] (every frame for -1), each with the scene the timeline gives it.
ZoneReport zoneEntries(const QVector<recording::Frame> &frames, const SceneTimeline &scenes, int lastFrame = -1);
// The recorder's zone_entered and zone_left events for these entries, by time: what the
// recording's events would have been under the scene they were counted with. A zone_left names
// no ids (an entry keeps the ids of its first frame only).
QVector<recording::Event> zoneEvents(const ZoneReport &report);

radarlink::CellCounts heatMap(const QVector<recording::Frame> &frames, const SceneTimeline &scenes,
                              const radarlink::SceneGrid &grid, HeatMode mode, int lastFrame = -1);
QVector<FixedCell> fixedObjects(const QVector<recording::Frame> &frames, const SceneTimeline &scenes,
                                const radarlink::SceneGrid &grid, qint64 minimumStayMs = DefaultMinimumStayMs);

} // namespace trip
