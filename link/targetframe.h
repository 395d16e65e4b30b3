// One detection frame as the tool keeps it.
#pragma once

#include <QMap>
#include <QVector>

// One target: id, x, y, two values kept as they came, class. x and y are the 16-bit patterns
// of signed centimetres (x across the radar's axis, y along it).
using TargetReport = QVector<quint16>;
// The targets of one detection frame by id, in ascending id order.
using TargetFrame = QMap<quint16, TargetReport>;
