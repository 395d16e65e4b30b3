// Cuts the radar's request frames out of the raw byte stream coming in on the serial line.
// A frame starts with the sync bytes 55 AA, carries its own total length (header, data and
// tail) little-endian at bytes 2-3 and ends with the tail ED ED. Whatever does not fit that
// shape is thrown away until the next 55 AA, as the radar's firmware does after line noise.
// Pure byte handling: no I/O, no clock, no threads.
#pragma once

#include <QByteArray>

namespace sim {

class FrameParser
{
public:
    // Smallest frame (header and tail, no data) and the largest length taken seriously.
    static constexpr int MinimumFrame = 14;
    static constexpr int MaximumFrame = 4096;

    // Appends received bytes.
    void feed(const QByteArray &bytes);

    // Takes the next complete frame out of the stream. Returns false while none is complete;
    // the bytes of a frame still arriving stay buffered.
    bool next(QByteArray *frame);

    // Drops a partial frame (line hung up, or the sender went quiet in the middle of a frame).
    void discardPending();

    // Bytes thrown away so far: garbage, frames with a wrong tail or an absurd length field
    // (one byte per resynchronisation step), and discarded partial frames.
    int discardedBytes() const { return discarded; }

    // Hands over the buffered bytes without counting them as discarded (the line has switched
    // to another protocol and they belong to it).
    QByteArray takePending();

    // Bytes buffered that do not form a complete frame yet.
    int pendingBytes() const { return buffer.size(); }

private:
    void drop(int count);

    QByteArray buffer;
    int discarded = 0;
};

} // namespace sim
