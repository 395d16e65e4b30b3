// The scenario of moving targets: where the targets of a detection result stand at a moment of
// the scenario's clock. Pure functions of time; no clock of their own, so the same moment
// always gives the same targets.
#pragma once

#include "commandradar.h"

#include <QList>

namespace sim {

// count targets (identifiers 1..count, classes taken in turn from classes, pedestrians when
// empty) at `seconds` on the scenario's clock.
QList<Target> pathTargets(double seconds, int count, const QList<quint16> &classes);

} // namespace sim
