// A long watch of a busy radar: the tool polls a simulated radar with 50 moving targets, tracks
// drawn, for BENCH_SOAK_MINUTES minutes (10 by default), and the process's resident memory is
// read from /proc/self/status every 10 s. What a connection held for days must not do: grow
// after it has settled, or let the log grow past its bound. The log starts full of the lines
// such a session writes (a poll request and its 50-target reply, over and over), so every new
// line pushes an old one out from the first second.
//
// With --garbage[=S] (or BENCH_SOAK_GARBAGE_SECONDS=S, S = 60 by default) the line is flooded
// with noise at the full 115200-baud rate for S seconds after the first minute, while the
// polling goes on; the run then lasts one minute, the flood and half a minute more. The radar's
// own replies are not paced in that mode (the noise takes the whole wire already), so it is
// the noise that sets the pace of the line.
//
// Prints every sample, the growth after the warm-up (the first minute, or the first third of a
// shorter run; in the noise mode the minute before the noise), the log's line count, the CPU time, and PASS or FAIL against: growth below
// 2 MiB, the log at exactly LogLineLimit lines and the connection still up. Exits 1 on FAIL.
#include "activitylog.h"
#include "benchsupport.h"
#include "commandtable.h"
#include "frame.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QListWidget>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>
#include <cstring>

namespace {

constexpr int SampleIntervalS = 10;
constexpr double GrowthLimitMiB = 2.0;

long residentKiB() { return long(currentMemoryMiB() * 1024); }

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int resultQueries(const sim::RadarSimulator &radar)
{
    int n = 0;
    for (const sim::ReceivedRequest &r : radar.requests())
        n += r.functionCode == 0x06;
    return n;
}

// Bytes the allocator has handed out and not had back, over all arenas: what the program holds,
// as against what the allocator keeps mapped for it.
long heapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return long((info.uordblks + info.hblkhd) / 1024);
}

// Characters held by the log's lines: what a noisy line costs beside a clean one.
qint64 logCharacters(const QListWidget *list)
{
    qint64 n = 0;
    for (int i = 0; i < list->count(); ++i)
        n += list->item(i)->text().size();
    return n;
}

// The log as a long session leaves it: request and reply traces of the 50-target poll.
void fillLog(sim::RadarSimulator &radar)
{
    QByteArray header = radarlink::connectHeader();
    const QByteArray request =
        radarlink::buildRequest(header, RadarCommands::ResultQuery.code, QByteArray::fromHex("0100"));
    const QByteArray reply = radar.answer(request);
    const QString requestLine = RadarCommands::ResultQuery.request() + radarlink::toHexText(request);
    const QString replyLine = RadarCommands::ResultQuery.reply() + radarlink::toHexText(reply);
    for (int i = 0; i < LogLineLimit; ++i)
        appendLog(i % 2 ? replyLine : requestLine);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int minutes = qEnvironmentVariableIsSet("BENCH_SOAK_MINUTES") ? qEnvironmentVariableIntValue("BENCH_SOAK_MINUTES") : 10;
    int garbageSeconds = qEnvironmentVariableIntValue("BENCH_SOAK_GARBAGE_SECONDS");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--garbage") == 0)
            garbageSeconds = 60;
        else if (std::strncmp(argv[i], "--garbage=", 10) == 0)
            garbageSeconds = std::atoi(argv[i] + 10);
    }
    const bool garbage = garbageSeconds > 0;
    const int totalSeconds = garbage ? 60 + garbageSeconds + 30 : qMax(1, minutes) * 60;
    const int warmUpSeconds = garbage ? 60 : qMin(60, totalSeconds / 3 / SampleIntervalS * SampleIntervalS);

    QTemporaryDir folder;
    // The session's recording (and settings) go to the working folder: keep them out of the build.
    QDir::setCurrent(folder.path());
    const QString link = folder.filePath(QStringLiteral("radar-tty"));
    sim::RadarSimulator radar;
    radar.setPaced(!garbage);
    radar.setTargets(50);
    if (!radar.start(link)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(radar.errorString()));
        return 1;
    }
    MainWindow window;
    window.show();
    window.ui->checkBoxTrack->setChecked(true);
    fillLog(radar);
    window.ui->comboBoxSerial->setEditText(link);
    window.ui->pushButtonConnect->click();
    if (!window.pollTimer.isActive()) {
        std::fprintf(stderr, "the read-back did not complete\n");
        return 1;
    }

    std::printf("soak: 50 moving targets, tracks on, %s, %d s%s\n", garbage ? "unpaced replies" : "paced 115200 baud",
                totalSeconds,
                garbage ? qPrintable(QStringLiteral(", noise at the line rate from 60 s for %1 s").arg(garbageSeconds)) : "");
    QList<long> samples;
    // The simulator runs in this process and records every request it hears: counted and
    // forgotten at each sample, so that its record does not pass for the tool's memory.
    int polls = 0;
    const double cpuStart = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (int t = 0;; t += SampleIntervalS) {
        if (garbage && t == 60)
            radar.setLineNoise(true);
        if (garbage && t == 60 + garbageSeconds)
            radar.setLineNoise(false);
        polls += resultQueries(radar);
        radar.clearRequests();
        samples << residentKiB();
        std::printf("  t=%4d s  VmRSS %7ld KiB  heap in use %7ld KiB  polls %6d  log %5d lines, %8lld characters\n",
                    t, samples.last(), heapInUseKiB(), polls, window.ui->listWidget->count(),
                    static_cast<long long>(logCharacters(window.ui->listWidget)));
        std::fflush(stdout);
        if (t >= totalSeconds)
            break;
        // Against the clock, so that the samples do not drift with the work done between them.
        MainWindow::delayWithEvents(int(qMax<qint64>(0, qint64(t + SampleIntervalS) * 1000 - clock.elapsed())));
    }
    radar.setLineNoise(false);
    const double wall = clock.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuStart;
    // Connected to the end: the connect button is still hidden behind the disconnect button.
    const bool stillWatching = window.ui->pushButtonConnect->isHidden();
    polls += resultQueries(radar);
    const int logLines = window.ui->listWidget->count();
    window.ui->pushButtonDisconnect->click();

    const int base = warmUpSeconds / SampleIntervalS;
    long peakAfter = samples.at(base);
    for (int i = base; i < samples.size(); ++i)
        peakAfter = qMax(peakAfter, samples.at(i));
    const double growthMiB = (peakAfter - samples.at(base)) / 1024.0;
    const double endGrowthMiB = (samples.last() - samples.at(base)) / 1024.0;
#ifdef RADAR_SOAK_SANITIZED
    // The sanitizers' allocator holds freed blocks in quarantine: resident memory grows whatever
    // the program does, and leaks are LeakSanitizer's to find at exit. Only the log is judged.
    const bool memoryOk = true;
    const char *memoryNote = " (not judged under the sanitizers)";
#else
    const bool memoryOk = growthMiB < GrowthLimitMiB;
    const char *memoryNote = "";
#endif
    const bool logOk = logLines == LogLineLimit;
    std::printf("growth after the first %d s: peak %+.2f MiB, end %+.2f MiB (limit < %.1f MiB)%s\n", warmUpSeconds,
                growthMiB, endGrowthMiB, GrowthLimitMiB, memoryNote);
    std::printf("log: %d lines at the end (bound %d)\n", logLines, LogLineLimit);
    std::printf("polls: %d in %.0f s (%.2f/s); still watching at the end: %s\n", polls, wall, polls / wall,
                stillWatching ? "yes" : "no");
    if (garbage)
        std::printf("noise: %lld bytes in %d s; bytes the radar's parser threw away: %d\n",
                    static_cast<long long>(radar.noiseBytesSent()), garbageSeconds, radar.discardedBytes());
    std::printf("cpu: %.1f s over %.0f s wall (%.1f %% of one core)\n", cpu, wall, 100.0 * cpu / wall);
    const bool pass = memoryOk && logOk && stillWatching;
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
