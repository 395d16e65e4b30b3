// The sampling stream: after a sampling request the radar sends its raw output at the wire
// rate for the requested minutes.
#include "radarsimulator.h"

#include "simwire.h"

#include <algorithm>

namespace sim {

QByteArray RadarSimulator::samplePattern(qint64 offset, int count)
{
    // Every byte value turns up, 55 AA and line ends included, and no short period repeats:
    // a byte dropped, doubled or translated anywhere shows.
    QByteArray bytes(std::max(0, count), '\0');
    for (int i = 0; i < bytes.size(); ++i) {
        const quint64 k = quint64(offset + i);
        const quint64 x = k * 0x9E3779B97F4A7C15ull;
        bytes[i] = char(quint8(x >> 56) ^ quint8(k));
    }
    return bytes;
}

void RadarSimulator::startSamplingLocked(quint8 minutes)
{
    // The stream starts with the acknowledgement: the tool's file holds it too.
    sampled.clear();
    sampledCount = 0;
    streaming = true;
    streamStart = Clock::now();
    streamProduced = 0;
    const qint64 ms = std::max<qint64>(0, qint64(minutes) * 60000 - samplingTailMs);
    streamTotal = ms * PacedBytesPerSecond / 1000;
}

void RadarSimulator::produceSamplesLocked()
{
    if (!streaming)
        return;
    if (lineDown) {
        streaming = false;
        return;
    }
    const auto now = Clock::now();
    const qint64 due = std::min(streamTotal, pacedBytesBetween(streamStart, now));
    if (due > streamProduced) {
        Chunk c{samplePattern(streamProduced, int(due - streamProduced)), now};
        c.selfPaced = true;
        c.sample = true;
        output.push_back(c);
        streamProduced = due;
    }
    if (streamProduced >= streamTotal)
        streaming = false;
}

void RadarSimulator::setSamplingTailMs(int tailMs)
{
    std::lock_guard<std::mutex> lock(mutex);
    samplingTailMs = std::max(0, tailMs);
}

void RadarSimulator::stopSampling()
{
    std::lock_guard<std::mutex> lock(mutex);
    streaming = false;
}

bool RadarSimulator::isSampling() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return streaming;
}

QByteArray RadarSimulator::sampledOutput() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sampled;
}

qint64 RadarSimulator::sampledBytesSent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sampledCount;
}

} // namespace sim
