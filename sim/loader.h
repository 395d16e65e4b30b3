// The loader's side of a firmware upgrade: what it does wrong on purpose with a packet, the
// status messages it sends after the last one, and its record of every packet it received.
#pragma once

#include <QByteArray>
#include <QString>

namespace sim {

// What the loader does with the next arrivals of one data packet (by sequence number).
enum class PacketFault {
    None,
    Silent,     // no answer at all; the packet is not taken
    Rejected,   // answered with a non-zero status at bytes 4 and 5; the packet is not taken
    LongAnswer, // taken, but answered with 73 bytes instead of 72
    Late,       // taken, answered LateAnswerMs later (past the tool's wait for an answer)
    Split,      // taken, answered in three pieces 30 ms apart
    BadSync,    // taken, answered with BC in place of BB
    Garbage     // taken, answered after 64 bytes of line noise
};

// One status message of the loader after the last packet: bytes 0-5 (44 BB, length, 0), the
// code at 6, the text from 8 with a closing zero. raw, when set, goes out instead, as it is.
struct UpgradeStatus
{
    quint16 code = 0;
    QByteArray text;
    QByteArray raw;
    static UpgradeStatus step(const QString &text);     // code 0, text in the local encoding
    static UpgradeStatus keepAlive();                   // code 1
    static UpgradeStatus error(const QString &text);    // code 2
    static UpgradeStatus finished();                    // code 3
    QByteArray bytes() const;
};

// How the loader puts its status messages on the line (all off: each message whole, in a write
// of its own, with the header above).
struct StatusDelivery
{
    bool randomHeader = false; // bytes 0-5 random, bytes 2 and 3 always beyond the message's size
    bool oneWrite = false;     // the whole script in one write
    int splitAt = 0;           // > 0: each write in two, the second from this byte on
    int splitGapMs = 40;       // between the two; < 0: the second waits for releaseStatusPart()
    bool noClosingZero = false; // the texts run to the end of their messages
};

// One 1048-byte packet as the loader received it, and what it made of it.
struct UpgradePacketRecord
{
    QByteArray bytes;
    quint16 sequence = 0;
    quint32 checksum = 0;
    quint32 offset = 0;
    quint32 length = 0;
    quint32 totalSize = 0;
    quint32 marker = 0;
    bool checksumOk = false;
    bool accepted = false;   // its data went into the image
    bool duplicate = false;  // a resend of the packet taken last, answered again, not taken twice
    quint16 status = 0;      // the status answered at bytes 4 and 5
    int answerSize = 0;      // 0: not answered
    qint64 firstByteMs = 0;  // since start(): the first byte came off the line
    qint64 answeredMs = -1;  // since start(): the last byte of the answer went out
};

} // namespace sim
