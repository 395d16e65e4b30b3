// The data bytes of the five scene writes. The scene in wire units (a WireScene) is encoded as
// it is; the form's values in metres are first truncated toward zero with their low bits kept,
// whatever the double holds, and then go through the same encoders.
#pragma once

#include "scenecompare.h"

#include <QByteArray>
#include <QPoint>
#include <QVector>

namespace radarlink {

// trunc(value) as an integer, for any double: NaN gives 0, values beyond the 64-bit range are
// held at its ends. Only the low bits are used by the encodings below.
qint64 truncated(double value);

quint16 distanceCm(double metres);        // 16 bits of trunc(m x 100)
quint8 boundaryHalfMetres(double metres); // 8 bits of trunc(m x 2), two's complement
quint8 gridEdgeCm(double metres);         // 8 bits of trunc(m x 100)

QByteArray detectionAreaData(const WireScene &scene);
QByteArray alarmAreaData(const WireScene &scene);
QByteArray targetFilterData(const WireScene &scene);
QByteArray startDistanceData(const WireScene &scene);
// The scene's grid edge and its cells in the order given.
QByteArray suppressionData(const WireScene &scene);

QByteArray detectionAreaData(double farMetres, int angle);
QByteArray alarmAreaData(double warningFarMetres, double alarmFarMetres, double leftMetres, double rightMetres);
QByteArray targetFilterData(int direction, int type);
QByteArray startDistanceData(double nearMetres);

constexpr int SuppressionSlots = 10;
// Count byte, grid-edge byte and ten point slots; the count is the number of points listed
// (at most ten), unused slots are zero.
QByteArray suppressionData(const QVector<QPoint> &points, double gridEdgeMetres);

} // namespace radarlink
