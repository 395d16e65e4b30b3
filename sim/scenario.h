// The scenario of moving targets: where the targets of a detection result stand at a moment of
// the scenario's clock. Pure functions of time and of the scene the radar holds; no clock of
// their own, so the same moment always gives the same targets.
#pragma once

#include "commandradar.h"

#include <QList>
#include <QString>

namespace sim {

enum class Scenario {
    // Each target on a fixed smooth path of its own, 0.5 to 7.5 m ahead and within 2.5 m either
    // side, whatever the scene.
    Paths,
    // Targets that keep to the radar's own field (the lane between the left and right
    // boundaries, or the fan of an area scanner) and walk in and out of its alarm, warning and
    // detection zones; they follow every change of the scene.
    Field
};

// "paths" or "field"; false for any other name.
bool scenarioFromName(const QString &name, Scenario *scenario);

// The seed of the field scenario's walks: the same seed, the same walks.
constexpr quint64 FieldSeed = 20261207u;

// count targets (identifiers 1..count, classes taken in turn from classes, pedestrians when
// empty) at `seconds` on the scenario's clock.
QList<Target> pathTargets(double seconds, int count, const QList<quint16> &classes);
QList<Target> fieldTargets(double seconds, int count, const QList<quint16> &classes, const Scene &scene,
                           quint8 deviceType, quint64 seed = FieldSeed);
QList<Target> scenarioTargets(Scenario scenario, double seconds, int count, const QList<quint16> &classes,
                              const Scene &scene, quint8 deviceType);

} // namespace sim
