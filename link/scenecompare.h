// The scene as it travels on the wire, and the comparison of the scene the tool holds with
// the one a radar reports. Pure functions of the values; nothing here touches the form.
#pragma once

#include "replies.h"

#include <QPoint>
#include <QString>
#include <QVector>

namespace radarlink {

// One scene in wire units: centimetres, degrees, half metres, the filter codes and the cell
// centre points in centimetres.
struct WireScene {
    quint16 detectionFarCm = 0;
    quint16 angle = 0;
    quint16 warningFarCm = 0;
    quint16 alarmFarCm = 0;
    qint8 leftHalfMetres = 0;
    qint8 rightHalfMetres = 0;
    quint8 gridEdgeCm = 0;
    QVector<QPoint> cells;
    quint8 direction = 0;
    quint8 type = 0;
    quint16 startCm = 0;
};

// Exactly the same values, the cells in the same order: a scene the radar returns twice over.
bool operator==(const WireScene &a, const WireScene &b);
inline bool operator!=(const WireScene &a, const WireScene &b) { return !(a == b); }

// The same scene assembled from the five read replies.
WireScene wireSceneFromReplies(const DetectionAreaReply &detection, const AlarmAreaReply &alarm,
                               const SuppressionReply &suppression, const TargetFilterReply &filter,
                               quint16 startCm);

// The items of a scene in the order the operator reads them on the form.
enum class SceneItem {
    DetectionFar,
    StartDistance,
    WarningFar,
    AlarmFar,
    LeftBoundary,
    RightBoundary,
    Angle,
    TargetDirection,
    TargetType,
    GridEdge,
    Cells
};

struct SceneDifference {
    SceneItem item;
    QString inTool;
    QString inRadar;
};

// Which items a radar type has: the channel radar has no warning zone of its own, the area
// scanner no left and right boundaries.
struct SceneItems {
    bool warning = true;
    bool boundaries = true;
};

// Every item in which the radar's scene differs from the tool's. Distances count as equal
// within one centimetre (the tool truncates when it encodes, the radar may round); the cells
// count as a set, in any order.
QVector<SceneDifference> compareScenes(const WireScene &tool, const WireScene &radar, SceneItems items = {});

// How a value of an item reads in a difference: "6.00 m", "-1.0 m", "120°", "(150, 350)".
QString distanceText(quint16 cm);
QString boundaryText(qint8 halfMetres);
QString cellsText(const QVector<QPoint> &cells);

} // namespace radarlink
