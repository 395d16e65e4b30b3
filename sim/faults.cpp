// Fault injection: replies that come late, in pieces, short, with a broken sync or wrapped in
// garbage, or not at all; dropped lines; and random line noise mixed in with the replies.
#include "radarsimulator.h"

#include "simwire.h"

#include <algorithm>

namespace sim {

FaultSpec RadarSimulator::takeFaultLocked(quint8 code)
{
    // A fault set for the command wins over the fault for all; a counted one wears off.
    FaultSpec fault;
    auto it = faults.find(code);
    FaultSpec *active = it != faults.end() ? &it.value()
                      : faultForAll.kind != Fault::None ? &faultForAll : nullptr;
    if (active) {
        fault = *active;
        if (active->remaining > 0 && --active->remaining == 0) {
            if (it != faults.end())
                faults.erase(it);
            else
                faultForAll = FaultSpec();
        }
    }
    return fault;
}

void RadarSimulator::scheduleLocked(QByteArray reply, const FaultSpec &fault, bool sample)
{
    const auto now = Clock::now();
    const auto first = now + std::chrono::milliseconds(std::max(0, fault.delayMs));
    QList<Chunk> chunks;
    switch (fault.kind) {
    case Fault::Silent:
        return;   // heard, never answered; not an answered exchange either
    case Fault::None:
    case Fault::Late:
        chunks.append(Chunk{reply, first});
        break;
    case Fault::Split: {
        const int pieces = qBound(1, fault.pieces, reply.size());
        const int base = reply.size() / pieces;
        int offset = 0;
        for (int i = 0; i < pieces; ++i) {
            const int size = i == pieces - 1 ? reply.size() - offset : base;
            chunks.append(Chunk{reply.mid(offset, size),
                                first + std::chrono::milliseconds(std::max(0, fault.gapMs) * i)});
            offset += size;
        }
        break;
    }
    case Fault::Short:
        // The length field still claims the whole reply.
        chunks.append(Chunk{reply.left(std::min(ShortReplyBytes, int(reply.size()) - 1)), first});
        break;
    case Fault::BadSync:
        reply[1] = '\xAB';
        chunks.append(Chunk{reply, first});
        break;
    case Fault::GarbageBefore:
        chunks.append(Chunk{fault.garbage + reply, first});
        break;
    case Fault::GarbageAfter:
        chunks.append(Chunk{reply + fault.garbage, first});
        break;
    }
    for (Chunk &c : chunks) {
        c.sample = sample;
        output.push_back(c);
    }
    if (hangUpCountdown > 0 && --hangUpCountdown == 0)
        hangUpDue = true;
}

void RadarSimulator::setFault(quint8 functionCode, const FaultSpec &fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (fault.kind == Fault::None)
        faults.remove(functionCode);
    else
        faults.insert(functionCode, fault);
}

void RadarSimulator::setFaultForAll(const FaultSpec &fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    faultForAll = fault;
}

void RadarSimulator::clearFaults()
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.clear();
    faultForAll = FaultSpec();
}

void RadarSimulator::setHangUpAfter(int exchanges)
{
    std::lock_guard<std::mutex> lock(mutex);
    hangUpCountdown = exchanges > 0 ? exchanges : 0;
    hangUpDue = false;
    hangUpAt = Clock::time_point();
}

int RadarSimulator::hangUps() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return hangUpCount;
}

void RadarSimulator::hangUpNow()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!running)
            return;
        output.clear();
        hangUpDue = true;
        hangUpAt = Clock::time_point();
    }
    wake();
}

void RadarSimulator::setLineNoise(bool on)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (on && !noisy) {
        noiseStart = Clock::now();
        noiseProduced = 0;
    }
    noisy = on;
}

qint64 RadarSimulator::noiseBytesSent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return noiseTotal;
}

void RadarSimulator::produceNoiseLocked()
{
    if (!noisy || lineDown)
        return;
    const auto now = Clock::now();
    const qint64 due = pacedBytesBetween(noiseStart, now);
    if (due <= noiseProduced)
        return;
    Chunk c{QByteArray(int(due - noiseProduced), '\0'), now};
    for (char &b : c.bytes) {
        // xorshift: cheap, and every byte value comes up
        noiseState ^= noiseState << 13;
        noiseState ^= noiseState >> 17;
        noiseState ^= noiseState << 5;
        b = char(noiseState >> 24);
    }
    c.selfPaced = true;
    output.push_back(c);
    noiseTotal += due - noiseProduced;
    noiseProduced = due;
}

} // namespace sim
