// The scene fingerprint: a CRC-32 over the data bytes of the five scene writes, exactly as the
// send sequence puts them on the wire. The same scene has the same fingerprint whether it was
// read back, sent, imported or typed in; any value the radar stores changes it.
// docs/fingerprint.md tells how to recompute it from a wire trace.
#pragma once

#include "scenecompare.h"

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QVector>

namespace radarlink {

// CRC-32 as zlib's crc32() computes it: polynomial 0xEDB88320 (reflected), start and final
// exclusive-or 0xFFFFFFFF.
quint32 crc32(const QByteArray &bytes);

// The cells as the tool sends its marked cells: the plot's rows from the far end, each row from
// the left, which is y descending and then x ascending; each point once, at most ten.
QVector<QPoint> cellsInSendOrder(QVector<QPoint> cells);

// The data bytes of detection area (0x02), alarm area (0x03), target filter (0x07), start
// distance (0x08) and non-alarm cells (0x04), one after the other, the cells in send order.
QByteArray sceneWritePayloads(const WireScene &scene);

quint32 sceneFingerprint(const WireScene &scene);

// Eight upper-case hexadecimal digits: "0A1B2C3D".
QString fingerprintText(quint32 fingerprint);

} // namespace radarlink
