// radar-sim: a simulated radar on a pseudo-terminal, for trying the tool without a device.
// Prints the device to open in the tool and serves until interrupted.
#include "radarsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

namespace {

bool parseNumber(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 0);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

void fail(const QString &message)
{
    std::fprintf(stderr, "radar-sim: %s\n", qPrintable(message));
    std::exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    // Block the stop signals before any thread starts, so that only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("radar-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated millimetre-wave safety radar on a pseudo-terminal. Open the printed device "
        "(or the link) in the configuration tool. Stop with Ctrl+C."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
        QStringLiteral("Also make PATH a symlink to the device (an old symlink is replaced)."),
        QStringLiteral("PATH"));
    const QCommandLineOption station(QStringLiteral("station"),
        QStringLiteral("Station (Modbus) number, 0-255 (default 2)."), QStringLiteral("N"));
    const QCommandLineOption deviceType(QStringLiteral("device-type"),
        QStringLiteral("Device type code: 1 channel early-warning, 2 area scanning, "
                       "3 obstacle avoidance, others unknown (default 1)."),
        QStringLiteral("N"));
    const QCommandLineOption targets(QStringLiteral("targets"),
        QStringLiteral("Number of moving targets, 0-255 (default 3)."), QStringLiteral("N"));
    const QCommandLineOption classes(QStringLiteral("classes"),
        QStringLiteral("Target classes taken in turn, e.g. 1,2,3,4 (default: pedestrians)."),
        QStringLiteral("LIST"));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
        QStringLiteral("How the targets move: paths (fixed paths, the default) or field (within the "
                       "radar's own lane or fan, in and out of its alarm and warning zones)."),
        QStringLiteral("NAME"));
    const QCommandLineOption paced(QStringLiteral("paced"),
        QStringLiteral("Send and receive at the pace of a real 115200-baud line."));
    const QCommandLineOption testDistance(QStringLiteral("test-distance"),
        QStringLiteral("Distance returned by the distance test, cm (default 1234)."),
        QStringLiteral("CM"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
        QStringLiteral("Print every request and reply."));
    parser.addOptions({link, station, deviceType, targets, classes, scenario, paced, testDistance, verbose});
    parser.process(app);

    sim::RadarSimulator radar;
    sim::Identity identity = radar.identity();
    int value = 0;
    if (parser.isSet(station)) {
        if (!parseNumber(parser.value(station), 0, 255, &value))
            fail(QStringLiteral("--station wants a number from 0 to 255"));
        identity.station = quint8(value);
    }
    if (parser.isSet(deviceType)) {
        if (!parseNumber(parser.value(deviceType), 0, 255, &value))
            fail(QStringLiteral("--device-type wants a number from 0 to 255"));
        identity.deviceType = quint8(value);
    }
    radar.setIdentity(identity);

    int targetCount = 3;
    if (parser.isSet(targets) && !parseNumber(parser.value(targets), 0, 255, &targetCount))
        fail(QStringLiteral("--targets wants a number from 0 to 255"));
    QList<quint16> classList;
    if (parser.isSet(classes)) {
        for (const QString &c : parser.value(classes).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!parseNumber(c.trimmed(), 0, 255, &value))
                fail(QStringLiteral("--classes wants numbers from 0 to 255, separated by commas"));
            classList << quint16(value);
        }
    }
    radar.setTargets(targetCount, classList);
    sim::Scenario moves = sim::Scenario::Paths;
    if (parser.isSet(scenario) && !sim::scenarioFromName(parser.value(scenario), &moves))
        fail(QStringLiteral("--scenario wants paths or field"));
    radar.setScenario(moves);

    int distance = 1234;
    if (parser.isSet(testDistance) && !parseNumber(parser.value(testDistance), 0, 65535, &distance))
        fail(QStringLiteral("--test-distance wants centimetres from 0 to 65535"));
    radar.setTestDistance(quint16(distance));
    radar.setPaced(parser.isSet(paced));
    radar.setInputPaced(parser.isSet(paced));

    const bool talk = parser.isSet(verbose);
    radar.setLogger([talk](const QString &line) {
        // Line changes are always worth a word; the traffic only when asked for.
        const bool traffic = line.startsWith(QLatin1String("request")) || line.startsWith(QLatin1String("reply"));
        if (talk || !traffic) {
            std::printf("radar-sim: %s\n", qPrintable(line));
            std::fflush(stdout);
        }
    });

    if (!radar.start(parser.value(link)))
        fail(radar.errorString());
    const QString linkText = parser.isSet(link) ? parser.value(link) : QStringLiteral("none");
    std::printf("radar-sim: serving a radar on %s (link: %s)\n", qPrintable(radar.devicePath()),
                qPrintable(linkText));
    std::fflush(stdout);

    int caught = 0;
    sigwait(&stopSignals, &caught);
    radar.stop();
    std::printf("radar-sim: stopped\n");
    return 0;
}
