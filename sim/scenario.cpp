#include "scenario.h"

#include "radarsimulator.h"

#include <cmath>
#include <mutex>

namespace sim {

namespace {

constexpr double TwoPi = 6.283185307179586;

Target makeTarget(int k, double x, double y, const QList<quint16> &classes)
{
    Target target;
    target.id = quint16(k + 1);
    target.x = qint16(std::lround(x));
    target.y = qint16(std::lround(y));
    target.a = quint16(40 + k);   // signal level
    target.b = 0;
    target.cls = classes.isEmpty() ? quint16(1) : classes.at(k % classes.size());
    return target;
}

} // namespace

QList<Target> pathTargets(double t, int count, const QList<quint16> &classes)
{
    // Each target walks a smooth Lissajous-like path of its own: y between 0.5 and 7.5 m ahead,
    // x within 2.5 m either side; different periods keep them from moving in lockstep.
    QList<Target> list;
    for (int k = 0; k < count; ++k) {
        const double py = 8.0 + 1.7 * k;
        const double px = 11.0 + 2.3 * k;
        const double y = 400.0 + 350.0 * std::sin(TwoPi * t / py + 1.3 * k);
        const double x = 250.0 * std::sin(TwoPi * t / px + 0.7 * k);
        list.append(makeTarget(k, x, y, classes));
    }
    return list;
}

// ---- the simulator's targets ----------------------------------------------------------------

void RadarSimulator::setTargets(int count, QList<quint16> classes)
{
    std::lock_guard<std::mutex> lock(mutex);
    targetCount = qBound(0, count, 255);
    targetClasses = std::move(classes);
    fixedMode = false;
    fixedTargets.clear();
}

void RadarSimulator::setFixedTargets(QList<Target> targets)
{
    std::lock_guard<std::mutex> lock(mutex);
    fixedTargets = std::move(targets);
    while (fixedTargets.size() > 255)
        fixedTargets.removeLast();
    fixedMode = true;
}

QList<Target> RadarSimulator::currentTargets() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return targetsLocked();
}

QList<Target> RadarSimulator::targetsLocked() const
{
    if (fixedMode)
        return fixedTargets;
    const double t = std::chrono::duration<double>(Clock::now() - started).count();
    return pathTargets(t, targetCount, targetClasses);
}

} // namespace sim
