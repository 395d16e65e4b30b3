#include "replies.h"

#include "frame.h"

namespace radarlink {

namespace {
constexpr int DataOffset = HeaderSize;
constexpr int TargetCountOffset = 13;
constexpr int FirstTargetOffset = 14;
constexpr int TargetEntrySize = 12;
}

IdentityReply decodeIdentity(const QByteArray &reply)
{
    IdentityReply id;
    id.station = readU8(reply, 12);
    id.serialByte3 = readU8(reply, 13);
    id.serialWord1 = readU16(reply, 14);
    id.serialWord2 = readU16(reply, 16);
    id.earlyWarningRelay = readU8(reply, 18);
    id.alarmRelay = readU8(reply, 19);
    return id;
}

DetectionAreaReply decodeDetectionArea(const QByteArray &reply)
{
    return {readU16(reply, DataOffset), readU16(reply, DataOffset + 2)};
}

AlarmAreaReply decodeAlarmArea(const QByteArray &reply)
{
    return {readU16(reply, DataOffset), readU16(reply, DataOffset + 2), qint8(readU8(reply, DataOffset + 4)),
            qint8(readU8(reply, DataOffset + 5))};
}

SuppressionReply decodeSuppression(const QByteArray &reply)
{
    SuppressionReply s;
    s.count = std::min<int>(readU8(reply, DataOffset), MaxNonAlarmCells);
    s.gridEdgeCm = readU8(reply, DataOffset + 1);
    for (int k = 0; k < s.count; ++k)
        s.cells.append(QPoint(readS16(reply, 14 + 4 * k), readS16(reply, 16 + 4 * k)));
    return s;
}

TargetFilterReply decodeTargetFilter(const QByteArray &reply)
{
    return {readU8(reply, DataOffset), readU8(reply, DataOffset + 1)};
}

quint16 decodeStartDistance(const QByteArray &reply)
{
    return readU16(reply, DataOffset);
}

QString gridEdgeText(quint8 edgeCm)
{
    return QString::number(edgeCm / 100.0, 'g', 6);
}

TargetFrame decodeTargetFrame(const QByteArray &reply)
{
    TargetFrame frame;
    const int claimed = readU8(reply, TargetCountOffset);
    const int present = std::max(0, (int(reply.size()) - FirstTargetOffset) / TargetEntrySize);
    const int count = std::min(claimed, present);
    for (int k = 0; k < count; ++k) {
        const int at = FirstTargetOffset + TargetEntrySize * k;
        const quint16 id = readU16(reply, at);
        frame.insert(id, TargetReport{id, readU16(reply, at + 2), readU16(reply, at + 4), readU16(reply, at + 6),
                                      readU16(reply, at + 8), readU8(reply, at + 10)});
    }
    return frame;
}

Zone zoneOf(qint16 xCm, qint16 yCm, double alarmFar, double warningFar, double detectionFar)
{
    const qint64 x = xCm;
    const qint64 y = yCm;
    const double r2 = double(x * x + y * y);
    if (alarmFar * alarmFar * 10000 > r2)
        return Zone::Alarm;
    if (warningFar * warningFar * 10000 > r2)
        return Zone::Warning;
    if (detectionFar * detectionFar * 10000 > r2)
        return Zone::Detection;
    return Zone::None;
}

ZoneFlags classifyTargets(const TargetFrame &frame, double alarmFar, double warningFar, double detectionFar)
{
    return zoneFlags(zoneMembers(frame, alarmFar, warningFar, detectionFar));
}

ZoneFlags zoneFlags(const ZoneMembers &members)
{
    ZoneFlags flags;
    flags.alarm = !members.alarm.isEmpty();
    flags.warning = !members.warning.isEmpty();
    flags.detection = !members.detection.isEmpty();
    return flags;
}

ZoneMembers zoneMembers(const TargetFrame &frame, double alarmFar, double warningFar, double detectionFar)
{
    ZoneMembers members;
    for (auto it = frame.begin(); it != frame.end(); ++it) {
        switch (zoneOf(qint16(it.value().value(1)), qint16(it.value().value(2)), alarmFar, warningFar, detectionFar)) {
        case Zone::Alarm: members.alarm.append(it.key()); break;
        case Zone::Warning: members.warning.append(it.key()); break;
        case Zone::Detection: members.detection.append(it.key()); break;
        case Zone::None: break;
        }
    }
    return members;
}

} // namespace radarlink
