// What a send would change on the radar, and the values of a scene that contradict each other.
// Pure functions of scenes in wire units, with the texts the operator reads: the window asks
// with them before a send, and the history window compares two entries with them.
#pragma once

#include "scenecompare.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

namespace radarlink {

struct ValueChange {
    SceneItem item;
    QString before; // as the operator reads it, with its unit
    QString after;
};

struct SceneChanges {
    // In the form's order; every value the radar stores counts, also those the form hides.
    QVector<ValueChange> values;
    // As the radar gets them: in send order, each once, ten at most.
    QVector<QPoint> cellsAdded;
    QVector<QPoint> cellsRemoved;

    bool isEmpty() const { return values.isEmpty() && cellsAdded.isEmpty() && cellsRemoved.isEmpty(); }
};

// Exactly what differs, one centimetre or one cell: two scenes without changes have the same
// fingerprint.
SceneChanges sceneChanges(const WireScene &before, const WireScene &after);

// The operator's name of an item ("探测距离") and one value of a scene as the form would show it:
// "6.00 m", "-1.0 m", "120°", "接近雷达 (1)", "静目标 (3)".
QString sceneItemName(SceneItem item);
QString valueText(SceneItem item, const WireScene &scene);
QString pointText(const QPoint &cell);

// One line a change: "探测距离：6.00 m → 7.00 m", then "新增非报警区域网格：(150, 350)" and
// "移除非报警区域网格：(-50, 50)" a cell.
QStringList changeLines(const SceneChanges &changes);
// One line a value of the scene, then its cells (or that it has none).
QStringList sceneLines(const WireScene &scene);

// Values that contradict each other. They are warned of, never refused: the radar takes them.
enum class SceneConflict {
    WarningNotBeyondAlarm,     // the warning zone is empty (types with a warning zone)
    DetectionNotBeyondWarning, // nothing is left of the detection zone beyond the warning zone
    DetectionNotBeyondAlarm,   // the same for the channel radar, whose warning zone is not used
    StartNotBeforeAlarm,       // the alarm zone is empty
    LeftNotLeftOfRight,        // the lane is empty (types with a lane)
    UnusedWarningZone,         // a channel radar's warning zone reaches beyond its alarm zone
};
QVector<SceneConflict> sceneConflicts(const WireScene &scene, int deviceType);
QString conflictText(SceneConflict conflict, const WireScene &scene);

} // namespace radarlink
