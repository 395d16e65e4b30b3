// The loader: after an answered upgrade command the radar takes the firmware image packet by
// packet, acknowledges each, rebuilds the image and reports erasing, programming and verifying.
#include "radarsimulator.h"

#include "frameparser.h"
#include "simwire.h"

#include <algorithm>

namespace sim {

namespace {

// The loader's packet protocol.
constexpr int PacketSize = 1048;
constexpr int PacketHeader = 24;
constexpr int PacketData = 1024;
constexpr int AckSize = 72;
// The largest command frame (write false-alarm suppression area).
constexpr int MaximumCommandFrame = 56;
constexpr quint32 StartMarker = 0x5A6B;
constexpr quint32 DataMarker = 0x1234;
constexpr quint32 LastMarker = 0x5678;
// Status values of an acknowledgement (bytes 4 and 5).
constexpr quint16 AckTaken = 0;
constexpr quint16 AckBadChecksum = 1;
constexpr quint16 AckBadSequence = 2;
constexpr quint16 AckBadOffset = 3;
constexpr quint16 AckBadFields = 4;
constexpr quint16 AckNotStarted = 5;
constexpr quint16 AckRefused = 0xEE;

// The loader's 72-byte answer: 44 BB, the packet's sequence, the status, then where the image
// stands.
QByteArray acknowledgement(quint16 sequence, quint16 status, quint32 offset, quint32 length,
                           quint32 total, quint32 received)
{
    QByteArray a(AckSize, '\0');
    a[0] = '\x44';
    a[1] = '\xBB';
    setU16(a, 2, sequence);
    setU16(a, 4, status);
    setU32(a, 8, offset);
    setU32(a, 12, length);
    setU32(a, 16, total);
    setU32(a, 20, received);
    return a;
}

} // namespace

// ---- the loader ---------------------------------------------------------------------------

UpgradeStatus UpgradeStatus::step(const QString &text)
{
    return UpgradeStatus{0, text.toLocal8Bit(), QByteArray()};
}

UpgradeStatus UpgradeStatus::keepAlive()
{
    return UpgradeStatus{1, QByteArray(), QByteArray()};
}

UpgradeStatus UpgradeStatus::error(const QString &text)
{
    return UpgradeStatus{2, text.toLocal8Bit(), QByteArray()};
}

UpgradeStatus UpgradeStatus::finished()
{
    return UpgradeStatus{3, QByteArray("OK"), QByteArray()};
}

QByteArray UpgradeStatus::bytes() const
{
    if (!raw.isEmpty())
        return raw;
    QByteArray m;
    m.append('\x44');
    m.append('\xBB');
    putU16(m, quint16(8 + text.size() + 1));
    putU16(m, 0);
    putU16(m, code);
    m.append(text);
    m.append('\0');
    return m;
}

QList<UpgradeStatus> RadarSimulator::defaultUpgradeStatusScript()
{
    return {UpgradeStatus::step(QStringLiteral("正在擦除")), UpgradeStatus::keepAlive(),
            UpgradeStatus::step(QStringLiteral("正在烧录")), UpgradeStatus::step(QStringLiteral("正在校验")),
            UpgradeStatus::finished()};
}

void RadarSimulator::enterLoaderLocked()
{
    // The radar restarts into its loader: from now on the line carries packets.
    upgradeMode = true;
    upgradeStarted = false;
    upgradeDone = false;
    upgradeFinalSent = false;
    upgradeBuffer.clear();
    upgradeTotal = 0;
    image.clear();
    expectedSequence = 0;
    lastTaken = -1;
    packets.clear();
    statusesSent = 0;
    dataPacketsAnswered = 0;
}

QByteArray RadarSimulator::upgradeInputLocked(const QByteArray &bytes, Clock::time_point readAt, QStringList *lines)
{
    // Once a hang-up is due the loader has gone: nothing more is taken.
    if (hangUpDue)
        return QByteArray();
    if (upgradeBuffer.isEmpty())
        upgradeBufferSince = readAt;
    upgradeBuffer.append(bytes);
    lastUpgradeInput = Clock::now();
    for (;;) {
        // Line up on 55 AA; a lone 55 at the end may be the start of one.
        int start = 0;
        const int size = upgradeBuffer.size();
        while (start + 1 < size && !(upgradeBuffer.at(start) == '\x55' && upgradeBuffer.at(start + 1) == '\xAA'))
            ++start;
        if (start + 1 >= size)
            start = size > 0 && upgradeBuffer.at(size - 1) == '\x55' ? size - 1 : size;
        if (start > 0)
            upgradeBuffer.remove(0, start);
        // Until the start packet the radar still knows its commands: a whole, well-formed
        // command frame hands the line back (a start packet's length field, its sequence 0,
        // never makes one).
        if (!upgradeStarted && upgradeBuffer.size() >= FrameParser::MinimumFrame) {
            const int length = u16(upgradeBuffer, 2);
            if (u8(upgradeBuffer, 0) == 0x55 && u8(upgradeBuffer, 1) == 0xAA && length >= FrameParser::MinimumFrame
                && length <= MaximumCommandFrame && upgradeBuffer.size() >= length
                && upgradeBuffer.at(length - 2) == TailByte && upgradeBuffer.at(length - 1) == TailByte
                && checksum(upgradeBuffer.left(length)) == u16(upgradeBuffer, 4)) {
                upgradeMode = false;
                *lines << QStringLiteral("upgrade  a command before the start packet: the loader gives the line back");
                const QByteArray back = upgradeBuffer;
                upgradeBuffer.clear();
                return back;
            }
        }
        if (upgradeBuffer.size() < PacketSize)
            return QByteArray();
        const QByteArray packet = upgradeBuffer.left(PacketSize);
        upgradeBuffer.remove(0, PacketSize);
        upgradePacketLocked(packet, upgradeBufferSince, lines);
        upgradeBufferSince = readAt;
        if (!upgradeMode || hangUpDue) {
            upgradeBuffer.clear();
            return QByteArray();
        }
    }
}

void RadarSimulator::upgradePacketLocked(const QByteArray &bytes, Clock::time_point firstByte, QStringList *lines)
{
    UpgradePacketRecord r;
    r.bytes = bytes;
    r.sequence = u16(bytes, 2);
    r.checksum = u32(bytes, 4);
    r.offset = u32(bytes, 8);
    r.length = u32(bytes, 12);
    r.totalSize = u32(bytes, 16);
    r.marker = u32(bytes, 20);
    quint32 sum = 0;
    const int dataLength = int(std::min<quint32>(r.length, PacketData));
    for (int i = 0; i < dataLength; ++i)
        sum += quint8(bytes.at(PacketHeader + i));
    r.checksumOk = r.length <= quint32(PacketData) && sum == r.checksum;
    r.firstByteMs = msecsSinceStart(firstByte);
    const int index = packets.size();

    QByteArray answer;
    bool lastTakenNow = false;
    PacketFault fault = PacketFault::None;
    if (r.marker == StartMarker) {
        upgradeStarted = true;
        upgradeDone = false;
        upgradeTotal = r.totalSize;
        image.clear();
        expectedSequence = 0;
        lastTaken = -1;
        r.accepted = true;
        *lines << QStringLiteral("upgrade  start packet: an image of %1 bytes").arg(r.totalSize);
        if (startSilent) {
            packets.append(r);
            return;
        }
        answer = acknowledgement(r.sequence, AckTaken, 0, 0, r.totalSize, 0);
    } else if (r.marker == DataMarker || r.marker == LastMarker) {
        auto it = packetFaults.find(r.sequence);
        if (it != packetFaults.end()) {
            fault = it->kind;
            if (--it->times <= 0)
                packetFaults.erase(it);
        }
        if (fault == PacketFault::Silent) {
            *lines << QStringLiteral("upgrade  packet %1 not answered (fault)").arg(r.sequence);
            packets.append(r);
            return;
        }
        const bool last = r.marker == LastMarker;
        const quint64 end = quint64(r.offset) + r.length;
        quint16 status = AckTaken;
        if (fault == PacketFault::Rejected)
            status = AckRefused;
        else if (!upgradeStarted)
            status = AckNotStarted;
        else if (!r.checksumOk)
            status = AckBadChecksum;
        else if (r.totalSize != upgradeTotal)
            status = AckBadFields;
        else if (lastTaken >= 0 && packets.at(lastTaken).bytes == bytes)
            r.duplicate = true;   // its answer went astray; the tool sends it again
        else if (upgradeDone || r.sequence != expectedSequence)
            status = AckBadSequence;
        else if (r.offset != quint32(image.size()))
            status = AckBadOffset;
        else if (last ? end != upgradeTotal : end >= upgradeTotal)
            status = AckBadFields;
        if (status == AckTaken && !r.duplicate) {
            image.append(bytes.mid(PacketHeader, int(r.length)));
            r.accepted = true;
            lastTaken = index;
            if (last) {
                upgradeDone = true;
                lastTakenNow = true;
            } else {
                ++expectedSequence;
            }
        }
        r.status = status;
        answer = acknowledgement(r.sequence, status, r.offset, r.length, upgradeTotal, quint32(image.size()));
        if (fault == PacketFault::LongAnswer)
            answer.append('\0');
        else if (fault == PacketFault::BadSync)
            answer[1] = '\xBC';
        else if (fault == PacketFault::Garbage)
            answer.prepend(QByteArray::fromHex("01fe02fd03fc04fb").repeated(8));
        if (status != AckTaken)
            *lines << QStringLiteral("upgrade  packet %1 refused with status %2").arg(r.sequence).arg(status);
        ++dataPacketsAnswered;
        if (hangUpAfterPackets > 0 && dataPacketsAnswered >= hangUpAfterPackets) {
            hangUpAfterPackets = 0;
            hangUpDue = true;
            hangUpAt = Clock::time_point();
        }
    } else {
        r.status = AckBadFields;
        answer = acknowledgement(r.sequence, AckBadFields, r.offset, r.length, upgradeTotal, quint32(image.size()));
    }
    r.answerSize = answer.size();
    packets.append(r);

    // The answer goes before anything the loader has planned for later (its status script).
    const auto now = Clock::now();
    QList<Chunk> pieces;
    if (fault == PacketFault::Late) {
        pieces.append(Chunk{answer, now + std::chrono::milliseconds(LateAnswerMs)});
    } else if (fault == PacketFault::Split) {
        const int third = answer.size() / 3;
        pieces.append(Chunk{answer.left(third), now});
        pieces.append(Chunk{answer.mid(third, third), now + std::chrono::milliseconds(30)});
        pieces.append(Chunk{answer.mid(2 * third), now + std::chrono::milliseconds(60)});
    } else {
        pieces.append(Chunk{answer, now});
    }
    pieces.last().answersPacket = index;
    for (const Chunk &piece : pieces) {
        auto at = output.end();
        while (at != output.begin() && std::prev(at)->notBefore > piece.notBefore)
            --at;
        output.insert(at, piece);
    }

    if (lastTakenNow) {
        *lines << QStringLiteral("upgrade  image of %1 bytes received; erasing, programming, verifying")
                      .arg(image.size());
        scheduleStatusesLocked(now);
    }
}

QByteArray RadarSimulator::statusBytesLocked(const UpgradeStatus &message)
{
    QByteArray m = message.bytes();
    if (!message.raw.isEmpty())
        return m;
    if (delivery.noClosingZero)
        m.chop(1);
    if (delivery.randomHeader) {
        for (int i = 0; i < 6; ++i) {
            headerNoise ^= headerNoise << 13;
            headerNoise ^= headerNoise >> 17;
            headerNoise ^= headerNoise << 5;
            m[i] = char(headerNoise >> 24);
        }
        const quint16 beyond = quint16(m.size() + 1 + (headerNoise & 0x7FFF) % (0xFFFF - m.size()));
        m[2] = char(beyond & 0xFF);
        m[3] = char(beyond >> 8);
    }
    return m;
}

void RadarSimulator::scheduleStatusesLocked(Clock::time_point from)
{
    QList<Chunk> writes;
    auto when = from;
    for (const UpgradeStatus &message : statusScript) {
        when += std::chrono::milliseconds(statusGapMs);
        const bool ends = message.raw.isEmpty() && message.code == 3;
        if (delivery.oneWrite && !writes.isEmpty()) {
            writes.last().bytes += statusBytesLocked(message);
            ++writes.last().statuses;
            writes.last().endsUpgrade |= ends;
            continue;
        }
        Chunk c{statusBytesLocked(message), when};
        c.statuses = 1;
        c.endsUpgrade = ends;
        writes.append(c);
    }
    for (const Chunk &c : writes) {
        if (delivery.splitAt <= 0 || delivery.splitAt >= c.bytes.size()) {
            output.push_back(c);
            continue;
        }
        Chunk second = c;
        second.bytes = c.bytes.mid(delivery.splitAt);
        second.held = delivery.splitGapMs < 0;
        second.notBefore = second.held ? Clock::time_point::max() : c.notBefore + std::chrono::milliseconds(delivery.splitGapMs);
        output.push_back(Chunk{c.bytes.left(delivery.splitAt), c.notBefore});
        output.push_back(second);
    }
}

void RadarSimulator::setUpgradeStatusDelivery(const StatusDelivery &d)
{
    std::lock_guard<std::mutex> lock(mutex);
    delivery = d;
}

bool RadarSimulator::statusPartHeld() const
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto now = Clock::now();
    for (const Chunk &c : output) {
        if (c.held)
            return true;
        if (c.notBefore > now)
            return false;
    }
    return false;
}

void RadarSimulator::releaseStatusPart()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (Chunk &c : output) {
            if (c.held) {
                c.held = false;
                c.notBefore = Clock::now();
                break;
            }
        }
    }
    wake();
}

void RadarSimulator::setUpgradeStartSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(mutex);
    startSilent = silent;
}

void RadarSimulator::setUpgradePacketFault(quint16 sequence, PacketFault fault, int times)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (fault == PacketFault::None || times <= 0)
        packetFaults.remove(sequence);
    else
        packetFaults.insert(sequence, PendingFault{fault, times});
}

void RadarSimulator::setUpgradeStatusScript(const QList<UpgradeStatus> &script)
{
    std::lock_guard<std::mutex> lock(mutex);
    statusScript = script;
}

void RadarSimulator::setUpgradeStatusGapMs(int gapMs)
{
    std::lock_guard<std::mutex> lock(mutex);
    statusGapMs = std::max(0, gapMs);
}

void RadarSimulator::setHangUpAfterUpgradePackets(int count)
{
    std::lock_guard<std::mutex> lock(mutex);
    hangUpAfterPackets = std::max(0, count);
}

bool RadarSimulator::inUpgradeMode() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return upgradeMode;
}

QList<UpgradePacketRecord> RadarSimulator::upgradePackets() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return packets;
}

QByteArray RadarSimulator::upgradedImage() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return image;
}

quint32 RadarSimulator::upgradeTotalSize() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return upgradeTotal;
}

bool RadarSimulator::upgradeCompleted() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return upgradeDone && upgradeFinalSent;
}

int RadarSimulator::upgradeStatusesSent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return statusesSent;
}

} // namespace sim
