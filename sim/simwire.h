// The byte helpers the simulator's rooms share: little-endian fields, the byte-sum checksum of
// a command frame, and how many bytes a 115200-baud line carries in a stretch of time.
// Internal to the simulator; not part of its interface.
#pragma once

#include "radarsimulator.h"

#include <QByteArray>
#include <QString>

#include <chrono>

namespace sim {

constexpr int HeaderSize = 12;
constexpr char TailByte = '\xED';
// A request that stops in the middle for this long is dropped, as the radar's receiver does.
constexpr int PartialFrameTimeoutMs = 500;

inline quint16 u16(const QByteArray &bytes, int offset)
{
    if (offset < 0 || offset + 1 >= bytes.size())
        return 0;
    return quint16(quint8(bytes.at(offset)) | (quint8(bytes.at(offset + 1)) << 8));
}

inline quint8 u8(const QByteArray &bytes, int offset)
{
    return offset >= 0 && offset < bytes.size() ? quint8(bytes.at(offset)) : 0;
}

inline void putU16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

inline quint32 u32(const QByteArray &bytes, int offset)
{
    return quint32(u16(bytes, offset)) | (quint32(u16(bytes, offset + 2)) << 16);
}

inline void setU16(QByteArray &bytes, int offset, quint16 value)
{
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
}

inline void setU32(QByteArray &bytes, int offset, quint32 value)
{
    setU16(bytes, offset, quint16(value & 0xFFFF));
    setU16(bytes, offset + 2, quint16(value >> 16));
}

inline quint16 checksum(const QByteArray &frame)
{
    quint16 sum = 0;
    for (int i = 0; i < frame.size(); ++i)
        if (i != 4 && i != 5)
            sum = quint16(sum + quint8(frame.at(i)));
    return sum;
}

inline QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

// Bytes a 115200-baud line carries from start to now.
inline qint64 pacedBytesBetween(std::chrono::steady_clock::time_point start, std::chrono::steady_clock::time_point now)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(now - start).count()
           * RadarSimulator::PacedBytesPerSecond / 1000000;
}

} // namespace sim
