#include "scenario.h"

#include "radarsimulator.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace sim {

namespace {

constexpr double TwoPi = 6.283185307179586;
// Nobody walks closer to the radar than this (cm), unless the alarm zone is smaller still.
constexpr double NearestWalk = 30;
// Targets turn back a little short of the detection edge: they stay in the field.
constexpr double FarthestShare = 0.95;
// Share of the lane's half width, or of the fan's half angle, that the targets sway across.
constexpr double SwayShare = 0.8;
// Fastest sway across the field, cm/s: a walking pace.
constexpr double SwayPace = 100;
// Radial walk (cm) of one period at the shortest periods; a longer field gets slower periods.
constexpr double ReferenceWalk = 540;

Target makeTarget(int k, double x, double y, const QList<quint16> &classes)
{
    Target target;
    target.id = quint16(k + 1);
    // A wire coordinate is 16 bits: a huge scene walks to its edge, not round to the far side.
    target.x = qint16(qBound(-32768L, std::lround(x), 32767L));
    target.y = qint16(qBound(-32768L, std::lround(y), 32767L));
    target.a = quint16(40 + k);   // signal level
    target.b = 0;
    target.cls = classes.isEmpty() ? quint16(1) : classes.at(k % classes.size());
    return target;
}

// splitmix64: the same numbers for the same seed on every platform and library.
class Draws
{
public:
    explicit Draws(quint64 seed) : state(seed) {}
    double between(double low, double high)
    {
        state += 0x9E3779B97F4A7C15ull;
        quint64 z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return low + (high - low) * double(z >> 11) / double(1ull << 53);
    }

private:
    quint64 state;
};

// The radii a target walks between, split where the alarm and warning zones end. Each band
// takes an equal share of the walk, so that every zone is visited for a while however narrow
// the operator has made it.
std::vector<double> walkBands(const Scene &scene)
{
    const double detection = scene.detectionFar;
    const double farthest = FarthestShare * detection;
    double smallest = farthest;
    for (double edge : {double(scene.alarmFar), double(scene.warningFar)})
        if (edge > 0)
            smallest = std::min(smallest, edge);
    std::vector<double> edges{std::min(NearestWalk, smallest / 2)};
    for (double edge : {double(scene.alarmFar), double(scene.warningFar)})
        if (edge > edges.front() && edge < farthest)
            edges.push_back(edge);
    std::sort(edges.begin() + 1, edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    edges.push_back(std::max(farthest, edges.front()));
    return edges;
}

// The radius at walk position u, 0 (nearest) to 1 (farthest).
double radiusAt(const std::vector<double> &edges, double u)
{
    const int bands = int(edges.size()) - 1;
    const double position = std::min(std::max(u, 0.0), 1.0) * bands;
    const int band = std::min(int(position), bands - 1);
    return edges[size_t(band)] + (position - band) * (edges[size_t(band) + 1] - edges[size_t(band)]);
}

} // namespace

bool scenarioFromName(const QString &name, Scenario *scenario)
{
    if (name == QLatin1String("paths"))
        *scenario = Scenario::Paths;
    else if (name == QLatin1String("field"))
        *scenario = Scenario::Field;
    else
        return false;
    return true;
}

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

QList<Target> fieldTargets(double t, int count, const QList<quint16> &classes, const Scene &scene,
                           quint8 deviceType, quint64 seed)
{
    const std::vector<double> bands = walkBands(scene);
    const double walk = bands.back() - bands.front();
    const double slower = std::max(1.0, walk / ReferenceWalk);
    const bool fan = deviceType == 2;   // the area scanner watches a fan; the others a lane

    const double left = std::min(scene.leftBoundary, scene.rightBoundary) * 50.0;
    const double right = std::max(scene.leftBoundary, scene.rightBoundary) * 50.0;
    const double laneMiddle = (left + right) / 2;
    const double laneSway = SwayShare * (right - left) / 2;
    const double halfAngle = std::min(std::max(scene.detectionAngle / 2.0, 0.0), 90.0) * TwoPi / 360;
    const double fanSway = SwayShare * halfAngle;
    const double swayCm = fan ? fanSway * bands.back() : laneSway;

    Draws draws(seed);
    QList<Target> list;
    for (int k = 0; k < count; ++k) {
        // Each target in and out at a pace of its own, so that the lamps take turns.
        const double walkPeriod = draws.between(12, 20) * slower;
        const double walkPhase = draws.between(0, TwoPi);
        const double swayPeriod = std::max(draws.between(6, 11), TwoPi * swayCm / SwayPace);
        const double swayPhase = draws.between(0, TwoPi);

        const double u = 0.5 - 0.5 * std::cos(TwoPi * t / walkPeriod + walkPhase);
        const double r = radiusAt(bands, u);
        const double sway = std::sin(TwoPi * t / swayPeriod + swayPhase);
        double x;
        double y;
        if (fan) {
            const double bearing = fanSway * sway;
            x = r * std::sin(bearing);
            y = r * std::cos(bearing);
        } else {
            // Close to the radar the target keeps to the middle, so that it can still be that
            // close; always within the lane.
            x = std::max(-0.9 * r, std::min(0.9 * r, laneMiddle + laneSway * sway));
            x = std::max(left, std::min(right, x));
            y = std::sqrt(std::max(0.0, r * r - x * x));
        }
        list.append(makeTarget(k, x, y, classes));
    }
    return list;
}

QList<Target> scenarioTargets(Scenario scenario, double seconds, int count, const QList<quint16> &classes,
                              const Scene &scene, quint8 deviceType)
{
    if (scenario == Scenario::Field)
        return fieldTargets(seconds, count, classes, scene, deviceType);
    return pathTargets(seconds, count, classes);
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

void RadarSimulator::setScenario(Scenario s)
{
    std::lock_guard<std::mutex> lock(mutex);
    scenarioKind = s;
}

Scenario RadarSimulator::scenario() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return scenarioKind;
}

void RadarSimulator::pinScenarioClock(double seconds)
{
    std::lock_guard<std::mutex> lock(mutex);
    clockPinned = true;
    pinnedSeconds = seconds;
}

void RadarSimulator::releaseScenarioClock()
{
    std::lock_guard<std::mutex> lock(mutex);
    clockPinned = false;
}

QList<Target> RadarSimulator::targetsLocked() const
{
    if (fixedMode)
        return fixedTargets;
    const double t = clockPinned ? pinnedSeconds : std::chrono::duration<double>(Clock::now() - started).count();
    return scenarioTargets(scenarioKind, t, targetCount, targetClasses, stored, ident.deviceType);
}

} // namespace sim
