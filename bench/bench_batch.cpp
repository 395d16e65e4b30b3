// Ten radars commissioned in one batch run: --apply of a full scene file through the batch
// runner, each radar simulated at the pace of a 115200-baud line both ways. For each radar the
// wire time is the time its requests and replies take on the line (ten bit times a byte; the
// replies as the radar gives them, worked out by a second simulator fed the same requests);
// what a radar may cost is that plus the 3 s settle of the connection. Prints the time per
// radar against it.
//
// PASS when every radar was applied and the run took at most 1.10 times the wire time plus the
// settle. Exits 1 on FAIL.
#include "batchrunner.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "scenefile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr int Radars = 10;
constexpr double SettleMs = 3000;
constexpr double RatioLimit = 1.10;

radarlink::WireScene appliedScene()
{
    radarlink::WireScene s;
    s.detectionFarCm = 750;
    s.angle = 100;
    s.warningFarCm = 500;
    s.alarmFarCm = 250;
    s.leftHalfMetres = -2;
    s.rightHalfMetres = 2;
    s.gridEdgeCm = 50;
    s.cells = {{100, 400}, {-100, 150}, {0, 50}};
    s.type = 4;
    s.startCm = 150;
    return s;
}

sim::Identity identityOf(int k)
{
    return sim::Identity{2, 2, 0x1234, quint16(0x0100 + k)};
}

// The bytes one radar's exchanges put on the line, both ways.
qint64 wireBytes(const sim::RadarSimulator &radar, int k)
{
    sim::RadarSimulator replies;
    replies.setIdentity(identityOf(k));
    qint64 bytes = 0;
    for (const sim::ReceivedRequest &request : radar.requests())
        bytes += request.bytes.size() + replies.answer(request.bytes).size();
    return bytes;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 2;
    std::vector<std::unique_ptr<sim::RadarSimulator>> radars;
    BatchRunner::Options options;
    options.action = BatchRunner::Action::Apply;
    options.json = true;
    for (int k = 0; k < Radars; ++k) {
        auto radar = std::make_unique<sim::RadarSimulator>();
        radar->setIdentity(identityOf(k));
        radar->setTargets(0);
        radar->setPaced(true);
        radar->setInputPaced(true);
        const QString link = folder.filePath(QStringLiteral("radar-%1").arg(k));
        if (!radar->start(link)) {
            std::printf("simulator: %s\n", qPrintable(radar->errorString()));
            return 2;
        }
        options.ports << link;
        radars.push_back(std::move(radar));
    }
    options.file = folder.filePath(QStringLiteral("scene.json"));
    QString error;
    if (!radarlink::writeSceneFile(options.file, radarlink::SceneFile{2, appliedScene()}, &error)) {
        std::printf("scene file: %s\n", qPrintable(error));
        return 2;
    }

    QString printed, progress;
    QTextStream out(&printed), err(&progress);
    MainWindow window;
    window.setUnattended(true);
    BatchRunner runner(window, out, err);
    QElapsedTimer clock;
    clock.start();
    const int status = runner.run(options);
    const double totalMs = clock.nsecsElapsed() / 1e6;

    qint64 bytes = 0;
    for (int k = 0; k < Radars; ++k)
        bytes += wireBytes(*radars[k], k);
    const double wireMs = bytes * 10 * 1000.0 / 115200;
    const double allowedMs = Radars * SettleMs + wireMs;
    const double ratio = totalMs / allowedMs;
    const int applied = printed.count(QStringLiteral("\"result\":\"applied\""));
    std::printf("%d radars, %d applied, exit status %d\n", Radars, applied, status);
    std::printf("per radar: %.1f ms; wire %.1f ms (%lld bytes over the run) + settle %.0f ms = %.1f ms\n",
                totalMs / Radars, wireMs / Radars, static_cast<long long>(bytes), SettleMs, allowedMs / Radars);
    std::printf("beyond the wire and the settle: %.1f ms per radar; ratio %.3f (limit %.2f)\n",
                (totalMs - allowedMs) / Radars, ratio, RatioLimit);
    const bool pass = status == BatchRunner::AllDone && applied == Radars && ratio <= RatioLimit;
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
