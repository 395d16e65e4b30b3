// Decoding of the radar's replies: identity, the five scene reads and the detection frame.
// Pure functions of the bytes received; every offset beyond the received bytes reads as 0, and
// a count that claims more entries than arrived never reads past the data.
#pragma once

#include "targetframe.h"

#include <QByteArray>
#include <QPoint>
#include <QVector>

namespace radarlink {

struct IdentityReply {
    quint8 station = 0;
    quint8 serialByte3 = 0;
    quint16 serialWord1 = 0; // its high byte is the device type
    quint16 serialWord2 = 0;
    quint8 earlyWarningRelay = 0;
    quint8 alarmRelay = 0;
    int deviceType() const { return serialWord1 >> 8; }
};
IdentityReply decodeIdentity(const QByteArray &reply);

struct DetectionAreaReply {
    quint16 farCm = 0;
    quint16 angle = 0;
};
DetectionAreaReply decodeDetectionArea(const QByteArray &reply);

struct AlarmAreaReply {
    quint16 warningFarCm = 0;
    quint16 alarmFarCm = 0;
    qint8 leftHalfMetres = 0;
    qint8 rightHalfMetres = 0;
};
AlarmAreaReply decodeAlarmArea(const QByteArray &reply);

constexpr int MaxNonAlarmCells = 10;

struct SuppressionReply {
    int count = 0;         // cells listed, at most 10
    quint8 gridEdgeCm = 0;
    QVector<QPoint> cells; // the first count points, centimetres
};
SuppressionReply decodeSuppression(const QByteArray &reply);

struct TargetFilterReply {
    quint8 direction = 0;
    quint8 type = 0;
    // The combo index that shows the type: the item lists hold data 0, 1, 2 or 0, 3, 4.
    int typeIndex() const { return type > 2 ? type - 2 : type; }
};
TargetFilterReply decodeTargetFilter(const QByteArray &reply);

quint16 decodeStartDistance(const QByteArray &reply);

// The grid-edge text of the combo box for an edge in centimetres: 25 -> "0.25", 100 -> "1".
QString gridEdgeText(quint8 edgeCm);

// The targets of a detection-result reply. Entries beyond the bytes received are dropped;
// a later entry with the same id replaces an earlier one.
TargetFrame decodeTargetFrame(const QByteArray &reply);

struct ZoneFlags {
    bool alarm = false;
    bool warning = false;
    bool detection = false;
};
enum class Zone { None, Alarm, Warning, Detection };
// The innermost zone a target at x, y centimetres is strictly inside; distances in metres.
// The lamps, the recorder and the trip analysis all classify with this one function.
Zone zoneOf(qint16 xCm, qint16 yCm, double alarmFar, double warningFar, double detectionFar);

// Which zones hold a target, each target counted for the innermost zone it is strictly inside.
// Distances in metres.
ZoneFlags classifyTargets(const TargetFrame &frame, double alarmFar, double warningFar, double detectionFar);

// The same classification by target: the ids inside each zone, in ascending order.
struct ZoneMembers {
    QVector<quint16> alarm;
    QVector<quint16> warning;
    QVector<quint16> detection;
};
ZoneMembers zoneMembers(const TargetFrame &frame, double alarmFar, double warningFar, double detectionFar);
// The flags of a frame whose members are known.
ZoneFlags zoneFlags(const ZoneMembers &members);

} // namespace radarlink
