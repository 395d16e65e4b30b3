// Byte-level pieces of the radar link: request frames, checksum, hex trace and the checks a
// reply must pass. Pure functions of their input: no port, no widget.
#pragma once

#include <QByteArray>
#include <QString>

namespace radarlink {

constexpr int HeaderSize = 12;
constexpr int TailSize = 2;
constexpr quint8 SyncByte1 = 0x55;
constexpr quint8 SyncByte2 = 0xAA;
constexpr quint8 TailByte = 0xED;

// Header bytes written at every connection: both station bytes 0xFF, reported station 0x01.
QByteArray connectHeader();

// Station bytes of the header.
constexpr int StationOffset = 7;
constexpr int FunctionCodeOffset = 8;
constexpr int StationCopyOffset = 9;
constexpr int ReportedStationOffset = 10;

// 16-bit byte sum of the whole frame, the two checksum bytes (offsets 4 and 5) counted as zero.
quint16 frameChecksum(const QByteArray &frame);

// Patches length, function code and checksum into the 12-byte header and returns the whole
// request: header, payload, tail ED ED. The header is changed in place as the radar expects
// every later request to start from it.
QByteArray buildRequest(QByteArray &header, quint8 functionCode, const QByteArray &payload);

// "55 aa 0e 00 " - two lower-case hex digits and a space per byte.
QString toHexText(const QByteArray &bytes);

// Little-endian readers that never read past the data; out-of-range offsets give 0.
quint16 readU16(const QByteArray &bytes, int offset);
qint16 readS16(const QByteArray &bytes, int offset);
quint8 readU8(const QByteArray &bytes, int offset);

void appendU16(QByteArray &bytes, quint16 value);

bool hasSync(const QByteArray &reply);
// The reply's own length field (offset 2), 0 when fewer than 4 bytes arrived.
quint16 replyLengthField(const QByteArray &reply);

enum class SizedReplyCheck { Empty, TooShort, BadSync, Valid };
SizedReplyCheck checkSizedReply(const QByteArray &reply, int minimumSize);

// Bytes a deadline reply owes: its length field, or the header while that has not arrived.
int expectedDeadlineLength(const QByteArray &reply);

// A deadline reply is complete once it holds the header and at least its own length field.
bool deadlineReplyComplete(const QByteArray &reply);

enum class DeadlineReplyCheck { Empty, BadSync, Incomplete, NoData, Valid };
DeadlineReplyCheck checkDeadlineReply(const QByteArray &reply);

} // namespace radarlink
