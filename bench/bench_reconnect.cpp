// Twenty lost lines in a row: the radar drops the line while the tool polls, its port comes
// back at once behind the same path, and the tool reconnects by itself. For each cycle: the time
// from the port's return to the tool's first result poll on the fresh line (the watch's
// once-a-second look, the 3 s settle and the read-back). Memory is read after the first cycle
// and after the last. BENCH_RECONNECT_CYCLES sets the count (20 by default).
//
// PASS when every cycle came back and resident memory grew by less than 2 MiB from the first
// cycle to the last. Exits 1 on FAIL.
#include "benchsupport.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr double GrowthLimitMiB = 2.0;
using Clock = std::chrono::steady_clock;

bool hasPoll(const sim::RadarSimulator &radar)
{
    const QList<sim::ReceivedRequest> requests = radar.requests();
    return std::any_of(requests.begin(), requests.end(), [](const sim::ReceivedRequest &r) { return r.functionCode == 0x06; });
}

template <typename Pred>
bool spinUntil(Pred pred, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int logCount(const QListWidget *list, const QString &text)
{
    int n = 0;
    for (int i = 0; i < list->count(); ++i)
        n += list->item(i)->text().contains(text);
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int cycles = qEnvironmentVariableIsSet("BENCH_RECONNECT_CYCLES") ? qEnvironmentVariableIntValue("BENCH_RECONNECT_CYCLES") : 20;
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 2;
    sim::RadarSimulator radar;
    const QString link = folder.filePath(QStringLiteral("radar-tty"));
    if (!radar.start(link)) {
        std::printf("simulator: %s\n", qPrintable(radar.errorString()));
        return 2;
    }
    radar.setTargets(3);
    radar.setPaced(true);
    MainWindow window;
    window.show();
    window.ui->comboBoxSerial->setEditText(link);
    window.ui->pushButtonConnect->click();
    if (!spinUntil([&] { return hasPoll(radar); }, 10000)) {
        std::printf("FAIL: no first connection\n");
        return 1;
    }

    QVector<double> backToPollMs;
    double firstCycleMiB = 0;
    bool allBack = true;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const int before = radar.hangUps();
        std::atomic<bool> done{false};
        Clock::time_point returned, polled;
        // Watched from a thread of its own: the tool's thread blocks in its waits.
        std::thread watcher([&] {
            const Clock::time_point limit = Clock::now() + std::chrono::seconds(20);
            while (radar.hangUps() == before && Clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            returned = Clock::now();
            radar.clearRequests();
            while (!hasPoll(radar) && Clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            polled = Clock::now();
            done = true;
        });
        radar.hangUpNow();
        spinUntil([&] { return done.load(); }, 25000);
        watcher.join();
        const bool back = hasPoll(radar);
        allBack = allBack && back;
        const double ms = std::chrono::duration<double, std::milli>(polled - returned).count();
        if (back)
            backToPollMs << ms;
        // Let the window settle into polling before memory is read.
        spinUntil([] { return false; }, 300);
        const double mib = currentMemoryMiB();
        if (cycle == 1)
            firstCycleMiB = mib;
        std::printf("cycle %2d: %s, port back -> first poll %.0f ms, resident %.2f MiB\n", cycle,
                    back ? "polling again" : "NOT BACK", ms, mib);
        std::fflush(stdout);
    }
    const double lastMiB = currentMemoryMiB();
    std::sort(backToPollMs.begin(), backToPollMs.end());
    const int reconnectLines = logCount(window.ui->listWidget, QStringLiteral("串口已恢复，重新连接："));
    const double growth = lastMiB - firstCycleMiB;
    std::printf("cycles %d, came back %d, reconnect lines in the log %d, reconnects counted %d\n", cycles,
                int(backToPollMs.size()), reconnectLines, window.linkStatistics().reconnects());
    if (!backToPollMs.isEmpty())
        std::printf("port back -> first poll: min %.0f ms, median %.0f ms, max %.0f ms\n", backToPollMs.first(),
                    backToPollMs.at(backToPollMs.size() / 2), backToPollMs.last());
    std::printf("resident after cycle 1: %.2f MiB, after cycle %d: %.2f MiB (%+.2f MiB)\n", firstCycleMiB, cycles,
                lastMiB, growth);
    const bool pass = allBack && reconnectLines == cycles && window.linkStatistics().reconnects() == cycles
                      && growth < GrowthLimitMiB;
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
