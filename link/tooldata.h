// Bytes of the small tools: the CAN output block and the distance in the test reply.
// Pure functions of their input: no port, no widget.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace radarlink {

// The CAN output settings as they follow the header of a 0x09 request: six payload bytes
// (bit-rate code, a fixed 1, output type, device number, sampling time little-endian) and
// the tail ED ED.
struct CanParameters {
    quint8 baudCode = 0;
    quint8 fixed = 1;
    quint8 outputType = 0;
    quint8 deviceNumber = 0;
    quint16 samplingTimeMs = 0;
    quint8 tail[2] = {0xED, 0xED};
};

// Bit-rate text of the dialog to its code: "250k" 1, "500k" 2, "1M" 3; anything else 0.
quint8 canBaudCode(const QString &text);
// Output-type text to its code: "航迹" 1, "点迹" 2, "距离" 4 (there is no 3); anything else 0.
quint8 canOutputType(const QString &text);
// A device-number text read as a decimal number, low 8 bits; not a number gives 0.
quint8 canDeviceNumber(const QString &text);

// The eight bytes of the block in wire order, tail included.
QByteArray canBlockBytes(const CanParameters &block);
// The block without its tail: the payload a request frame carries before its own tail.
QByteArray canPayload(const CanParameters &block);

// The measured distance of a test reply (u16 at offset 12, hundredths of a metre). False when
// the reply does not hold both bytes of it: a half-arrived distance is never shown.
bool testReplyDistance(const QByteArray &reply, quint16 *centimetres);

} // namespace radarlink
