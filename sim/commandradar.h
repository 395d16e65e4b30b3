// What the command radar holds and what travels in its replies: its identity, its scene in
// wire units, the targets of a detection frame, and the record of a request as it arrived.
#pragma once

#include <QByteArray>

#include <array>

namespace sim {

// What the radar tells about itself in its identity reply (function code 0x0D).
struct Identity
{
    quint8 station = 2;
    // Goes out as the high byte of serial word 1; only the low byte of serialWord1 is sent.
    quint8 deviceType = 1;
    quint16 serialWord1 = 0x1234;
    quint16 serialWord2 = 0x5678;
    quint8 serialByte3 = 0x9a;
    quint8 earlyWarningRelay = 3;
    quint8 alarmRelay = 3;
};

// One non-alarm cell as it travels: a point in the radar plane, centimetres.
struct CellPoint
{
    qint16 x = 0;
    qint16 y = 0;
    bool operator==(const CellPoint &o) const { return x == o.x && y == o.y; }
};

// The stored scene, in wire units. Writes store exactly what arrived, reads send it back.
struct Scene
{
    quint16 detectionFar = 600;     // cm (0x02 / 0x0A)
    quint16 detectionAngle = 120;   // degrees
    quint16 warningFar = 400;       // cm (0x03 / 0x0B)
    quint16 alarmFar = 200;         // cm
    qint8 leftBoundary = -2;        // half metres
    qint8 rightBoundary = 2;        // half metres
    quint8 cellCount = 0;           // as written, may exceed 10 (0x04 / 0x0C)
    quint8 gridEdge = 100;          // cm
    std::array<CellPoint, 10> cells{};
    quint8 targetDirection = 0;     // 0 either, 1 approaching, 2 moving away (0x07 / 0x14)
    quint8 targetType = 0;          // item data: 0 no filter, 1 pedestrian ... 4 moving target
    quint16 startDistance = 0;      // cm, near edge of the detection zone (0x08 / 0x15)

    bool operator==(const Scene &o) const;
    bool operator!=(const Scene &o) const { return !(*this == o); }
};

// One target of a detection frame, as the 12-byte entry carries it (class: low byte on the wire).
struct Target
{
    quint16 id;
    qint16 x;
    qint16 y;
    quint16 a;
    quint16 b;
    quint16 cls;
};

struct ReceivedRequest
{
    quint8 functionCode;
    QByteArray bytes;        // the whole frame as it arrived
    qint64 msecsSinceStart;
    bool checksumOk;         // frames with a wrong checksum are recorded but not answered
};

} // namespace sim
