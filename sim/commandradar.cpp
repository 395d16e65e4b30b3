// The command radar: the device state (identity, scene, station, flash saves, CAN block,
// distance test), the record of every request, and the reply each command gets.
#include "radarsimulator.h"

#include "simwire.h"

#include <algorithm>

namespace sim {

bool Scene::operator==(const Scene &o) const
{
    return detectionFar == o.detectionFar && detectionAngle == o.detectionAngle
        && warningFar == o.warningFar && alarmFar == o.alarmFar && leftBoundary == o.leftBoundary
        && rightBoundary == o.rightBoundary && cellCount == o.cellCount && gridEdge == o.gridEdge
        && cells == o.cells && targetDirection == o.targetDirection && targetType == o.targetType
        && startDistance == o.startDistance;
}

void RadarSimulator::handleFrame(const QByteArray &frame)
{
    const quint8 code = u8(frame, 8);
    bool ok;
    QByteArray reply;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ok = checksum(frame) == u16(frame, 4);
        received.append(ReceivedRequest{code, frame,
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count(), ok});
        requestArrived.notify_all();
        if (ok)
            reply = answerLocked(frame);
        if (!reply.isEmpty()) {
            const FaultSpec fault = takeFaultLocked(code);
            const bool answered = fault.kind != Fault::Silent;
            const bool samplingRequest = code == 0x06 && u8(frame, HeaderSize) == 0x02;
            if (answered && samplingRequest)
                startSamplingLocked(u8(frame, HeaderSize + 1));
            scheduleLocked(reply, fault, answered && samplingRequest);
            if (answered && code == 0x11)
                enterLoaderLocked();
        }
    }
    log(QStringLiteral("request  %1%2").arg(hex(frame), ok ? QString() : QStringLiteral(" (bad checksum, ignored)")));
    if (!reply.isEmpty())
        log(QStringLiteral("reply    %1").arg(hex(reply)));
}

// ---- state ----------------------------------------------------------------------------------

Identity RadarSimulator::identity() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return ident;
}

void RadarSimulator::setIdentity(const Identity &identity)
{
    std::lock_guard<std::mutex> lock(mutex);
    ident = identity;
}

quint8 RadarSimulator::station() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return ident.station;
}

Scene RadarSimulator::scene() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return stored;
}

void RadarSimulator::setScene(const Scene &scene)
{
    std::lock_guard<std::mutex> lock(mutex);
    stored = scene;
}

int RadarSimulator::flashSaves() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return saves;
}

QByteArray RadarSimulator::canBlock() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return can;
}

void RadarSimulator::setTestDistance(quint16 cm)
{
    std::lock_guard<std::mutex> lock(mutex);
    distance = cm;
}

quint16 RadarSimulator::testDistance() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return distance;
}

QList<ReceivedRequest> RadarSimulator::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return received;
}

void RadarSimulator::clearRequests()
{
    std::lock_guard<std::mutex> lock(mutex);
    received.clear();
}

bool RadarSimulator::waitForRequests(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return requestArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return received.size() >= count; });
}

int RadarSimulator::discardedBytes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return parserDiscarded;
}

// ---- the radar's answers --------------------------------------------------------------------

QByteArray RadarSimulator::answer(const QByteArray &request)
{
    std::lock_guard<std::mutex> lock(mutex);
    return answerLocked(request);
}

QByteArray RadarSimulator::replyFrame(quint8 code, const QByteArray &data) const
{
    const quint8 st = ident.station;
    QByteArray frame;
    frame.reserve(HeaderSize + data.size() + 2);
    frame.append('\x55');
    frame.append('\xAA');
    putU16(frame, quint16(HeaderSize + data.size() + 2));
    putU16(frame, 0);
    frame.append('\0');
    frame.append(char(st));
    frame.append(char(code));
    frame.append(char(st));
    frame.append(char(st));
    frame.append('\0');
    frame.append(data);
    frame.append(TailByte);
    frame.append(TailByte);
    const quint16 sum = checksum(frame);
    frame[4] = char(sum & 0xFF);
    frame[5] = char(sum >> 8);
    return frame;
}

QByteArray RadarSimulator::answerLocked(const QByteArray &request)
{
    const int length = u16(request, 2);
    if (request.size() < 14 || length != request.size() || u8(request, 0) != 0x55
        || u8(request, 1) != 0xAA || request.at(length - 2) != TailByte
        || request.at(length - 1) != TailByte || checksum(request) != u16(request, 4))
        return QByteArray();
    const quint8 code = u8(request, 8);
    const QByteArray data = request.mid(HeaderSize, request.size() - HeaderSize - 2);
    const QByteArray ack;   // a plain acknowledgement carries no data
    QByteArray reply;

    switch (code) {
    case 0x02:   // write detection area: far, angle, two zero bytes
        if (data.size() >= 4) {
            stored.detectionFar = u16(data, 0);
            stored.detectionAngle = u16(data, 2);
        }
        return replyFrame(code, ack);
    case 0x03:   // write alarm area: warning far, alarm far, left, right
        if (data.size() >= 6) {
            stored.warningFar = u16(data, 0);
            stored.alarmFar = u16(data, 2);
            stored.leftBoundary = qint8(u8(data, 4));
            stored.rightBoundary = qint8(u8(data, 5));
        }
        return replyFrame(code, ack);
    case 0x04:   // write non-alarm cells: count, grid edge, ten (x, y) slots
        if (data.size() >= 2) {
            stored.cellCount = u8(data, 0);
            stored.gridEdge = u8(data, 1);
            for (int k = 0; k < 10; ++k) {
                stored.cells[size_t(k)].x = qint16(u16(data, 2 + 4 * k));
                stored.cells[size_t(k)].y = qint16(u16(data, 4 + 4 * k));
            }
        }
        return replyFrame(code, ack);
    case 0x06: {
        const quint8 sub = u8(data, 0);
        if (sub == 0x01) {   // detection result: sub-command, count, 12-byte entries
            const QList<Target> list = targetsLocked();
            QByteArray d;
            d.append(char(sub));
            d.append(char(list.size()));
            for (const Target &t : list) {
                putU16(d, t.id);
                putU16(d, quint16(t.x));
                putU16(d, quint16(t.y));
                putU16(d, t.a);
                putU16(d, t.b);
                d.append(char(t.cls & 0xFF));
                d.append('\0');
            }
            return replyFrame(code, d);
        }
        if (sub == 0x04) {   // distance test: measured distance in cm
            QByteArray d;
            putU16(d, distance);
            return replyFrame(code, d);
        }
        return replyFrame(code, ack);   // sampling start and anything else: acknowledged
    }
    case 0x07:   // write target attribute filter: direction, type
        if (data.size() >= 2) {
            stored.targetDirection = u8(data, 0);
            stored.targetType = u8(data, 1);
        }
        return replyFrame(code, ack);
    case 0x08:   // write start detection distance (14 reserved bytes follow)
        if (data.size() >= 2)
            stored.startDistance = u16(data, 0);
        return replyFrame(code, ack);
    case 0x09:   // CAN output: the block after the header, tail included
        can = request.mid(HeaderSize, 8);
        return replyFrame(code, ack);
    case 0x0A: {
        QByteArray d;
        putU16(d, stored.detectionFar);
        putU16(d, stored.detectionAngle);
        putU16(d, 0);
        return replyFrame(code, d);
    }
    case 0x0B: {
        QByteArray d;
        putU16(d, stored.warningFar);
        putU16(d, stored.alarmFar);
        d.append(char(stored.leftBoundary));
        d.append(char(stored.rightBoundary));
        return replyFrame(code, d);
    }
    case 0x0C: {
        QByteArray d;
        d.append(char(stored.cellCount));
        d.append(char(stored.gridEdge));
        for (const CellPoint &p : stored.cells) {
            putU16(d, quint16(p.x));
            putU16(d, quint16(p.y));
        }
        return replyFrame(code, d);
    }
    case 0x0D: {   // identity: station, serial byte 3, serial word 1 (type high), word 2, relays
        QByteArray d;
        d.append(char(ident.station));
        d.append(char(ident.serialByte3));
        putU16(d, quint16((ident.deviceType << 8) | (ident.serialWord1 & 0xFF)));
        putU16(d, ident.serialWord2);
        d.append(char(ident.earlyWarningRelay));
        d.append(char(ident.alarmRelay));
        return replyFrame(code, d);
    }
    case 0x0E:   // new station, old station, serial words, relays; acknowledged as the new one
        if (data.size() >= 8) {
            ident.station = u8(data, 0);
            ident.earlyWarningRelay = u8(data, 6);
            ident.alarmRelay = u8(data, 7);
        }
        return replyFrame(code, ack);
    case 0x10:
        ++saves;
        return replyFrame(code, ack);
    case 0x11:   // firmware upgrade: acknowledged, then the loader takes over the line
        return replyFrame(code, ack);
    case 0x14: {
        QByteArray d;
        d.append(char(stored.targetDirection));
        d.append(char(stored.targetType));
        return replyFrame(code, d);
    }
    case 0x15: {
        QByteArray d;
        putU16(d, stored.startDistance);
        d.append(QByteArray(14, '\0'));
        return replyFrame(code, d);
    }
    default:
        return reply;   // not a command of ours: the radar keeps quiet
    }
}

} // namespace sim
