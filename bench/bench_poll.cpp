// Achieved detection-result poll rate against the wire limit: the radar paces its output at
// 115200 baud, and every poll waits 50 ms after the previous one has finished, so the best any
// tool can do is one poll per 50 ms plus the wire time of the request and the reply. Then what
// recording costs the poll, what the live heat map costs it (counted every poll, drawn a few
// times a second), and what the radar history costs it: the rate with each switched off.
#include "benchsupport.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <cstdio>

namespace {
int resultQueries(const sim::RadarSimulator &radar)
{
    int n = 0;
    for (const sim::ReceivedRequest &r : radar.requests())
        n += r.functionCode == 0x06;
    return n;
}

double wireLimitPerSecond(int targets)
{
    const double bytes = 16 + 14 + 12 * targets;
    return 1.0 / (0.050 + bytes / sim::RadarSimulator::PacedBytesPerSecond);
}

// Switches: the recording, the heat map (off unless asked for) and the radar history (on unless
// switched off), as the operator would set them.
struct Switches {
    bool recording = true;
    bool heatMap = false;
    bool history = true;
};

double measure(int targets, int seconds, Switches on)
{
    QTemporaryDir folder;
    // Recordings and the setting land in the run's own folder.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    const struct Back {
        QString dir;
        ~Back() { QDir::setCurrent(dir); }
    } back{previous};
    sim::RadarSimulator radar;
    radar.setPaced(true);
    radar.setTargets(targets);
    if (!radar.start(folder.filePath(QStringLiteral("radar-tty")))) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(radar.errorString()));
        return 0;
    }
    MainWindow window;
    window.setRecordingEnabled(on.recording);
    window.ui->checkBoxHeatMap->setChecked(on.heatMap);
    if (!on.history)
        window.setHistoryPath(QString());
    window.show();
    window.ui->comboBoxSerial->setEditText(folder.filePath(QStringLiteral("radar-tty")));
    window.ui->pushButtonConnect->click();
    if (!window.pollTimer.isActive()) {
        std::fprintf(stderr, "the read-back did not complete\n");
        return 0;
    }
    // Let the poll chain get going, then count over the measuring window.
    MainWindow::delayWithEvents(1000);
    const int before = resultQueries(radar);
    QElapsedTimer clock;
    clock.start();
    MainWindow::delayWithEvents(seconds * 1000);
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const double achieved = (resultQueries(radar) - before) / elapsed;
    window.ui->pushButtonDisconnect->click();
    return achieved;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIsSet("BENCH_POLL_SECONDS") ? qEnvironmentVariableIntValue("BENCH_POLL_SECONDS") : 30;
    // The tool as shipped (recording on), then the cost of recording: the rate with it off.
    QMap<int, double> recorded;
    for (int targets : {10, 0, 50, 255}) {
        const double achieved = measure(targets, seconds, Switches{});
        recorded.insert(targets, achieved);
        const double limit = wireLimitPerSecond(targets);
        std::printf("poll rate, %3d targets, paced 115200 baud, %d s: %.2f polls/s, wire limit %.2f/s, "
                    "ratio %.3f%s\n",
                    targets, seconds, achieved, limit, achieved / limit,
                    targets == 10 ? (achieved / limit >= 0.95 ? " (target >= 0.95: ok)" : " (target >= 0.95: MISSED)") : "");
        std::fflush(stdout);
    }
    for (int targets : {10, 255}) {
        const double without = measure(targets, seconds, Switches{false, false, true});
        const double ratio = recorded.value(targets) / without;
        std::printf("recording's cost, %3d targets: %.2f polls/s recording, %.2f polls/s not recording, "
                    "ratio %.3f%s\n",
                    targets, recorded.value(targets), without, ratio,
                    ratio >= 0.98 ? " (target >= 0.98: ok)" : " (target >= 0.98: MISSED)");
        std::fflush(stdout);
    }
    // The heat map on against off, taken in turns so that a busy machine slows both alike.
    double on = 0, off = 0;
    for (int round = 0; round < 2; ++round) {
        off += measure(10, seconds, Switches{true, false, true});
        on += measure(10, seconds, Switches{true, true, true});
    }
    const double heatRatio = on / off;
    std::printf("heat map's cost, 10 targets: %.2f polls/s with the heat map, %.2f polls/s without (two runs each), "
                "ratio %.3f%s\n",
                on / 2, off / 2, heatRatio, heatRatio >= 0.98 ? " (target >= 0.98: ok)" : " (target >= 0.98: MISSED)");
    // The radar history is written at the connection's read-back and never in the poll.
    const double withoutHistory = measure(10, seconds, Switches{true, false, false});
    const double historyRatio = recorded.value(10) / withoutHistory;
    std::printf("history's cost, 10 targets: %.2f polls/s with the radar history, %.2f polls/s without, ratio %.3f%s\n",
                recorded.value(10), withoutHistory, historyRatio,
                historyRatio >= 0.98 ? " (target >= 0.98: ok)" : " (target >= 0.98: MISSED)");
    return 0;
}
