// 雷达历史 at the size of a large plant: 100 radars with 1,000 entries each, every entry with its
// whole scene. Times what the history window needs to open (the store opened, the radar list with
// the last acceptances, one radar's entries newest first), the window itself from its
// construction to shown with both lists filled and the first radar's chain checked, the check of
// every chain, and the cost of one more entry written to disk in its own transaction.
// Target: the window open within 300 ms.
// The store is filled in memory-backed /dev/shm where there is one (the fill only), then copied
// to the working disk for the timings. BENCH_HISTORY_RADARS / BENCH_HISTORY_ENTRIES shrink it.
// With BENCH_HISTORY_SERVER (a PostgreSQL server's options, as history/database takes them; the
// password from PGPASSWORD or PGPASSFILE) it first times the entry's write on that server:
// target at most 20 ms an entry, on the same machine.
#include "benchsupport.h"
#include "historywindow.h"
#include "radarhistory.h"
#include "scenefile.h"
#include "ui_historywindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
int setting(const char *name, int fallback)
{
    const int value = qEnvironmentVariableIntValue(name);
    return value > 0 ? value : fallback;
}

QString serialOf(int radar)
{
    return QStringLiteral("0205%1").arg(radar, 6, 10, QLatin1Char('0'));
}

HistoryEntry sampleEntry(int radar, int k)
{
    static const char *const actions[] = {HistoryAction::Readback, HistoryAction::SceneSent, HistoryAction::FlashSaved,
                                          HistoryAction::Verified, HistoryAction::Accepted};
    HistoryEntry e;
    e.serial = serialOf(radar);
    e.deviceType = 1 + radar % 3;
    e.station = 2;
    e.action = QString::fromLatin1(actions[k % 5]);
    e.result = QString::fromLatin1(HistoryResult::Ok);
    radarlink::SceneFile scene;
    scene.deviceType = e.deviceType;
    scene.scene.detectionFarCm = quint16(600 + k % 50);
    scene.scene.alarmFarCm = 200;
    scene.scene.gridEdgeCm = 50;
    for (int c = 0; c < 10; ++c)
        scene.scene.cells.append(QPoint(-225 + 50 * c, 575));
    e.setSceneAfter(scene);
    if (e.action == QLatin1String(HistoryAction::Accepted))
        e.details = QJsonObject{{QStringLiteral("name"), QStringLiteral("王工")}, {QStringLiteral("note"), QString()}};
    return e;
}

struct Stats {
    double median = 0, worst = 0;
};

template <typename Work>
Stats timed(int repeats, Work work)
{
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}
} // namespace

// 500 entries over 10 radars written one by one on the server, each its own transaction with
// the radar's lock; then the chain check of what was written.
int timeServerWrites(const QString &server)
{
    QTemporaryDir laptop;
    RadarHistory::Settings settings;
    settings.localPath = laptop.filePath(RadarHistory::defaultPath());
    settings.server = server;
    RadarHistory history;
    if (!history.open(settings) || !history.errorText().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(history.errorText()));
        return 1;
    }
    int k = 0;
    double total = 0;
    bool sent = true;
    const Stats write = timed(500, [&] {
        HistoryEntry e = sampleEntry(k % 10, k);
        ++k;
        QElapsedTimer t;
        t.start();
        sent = history.record(e) && e.id > 0 && sent;
        total += t.nsecsElapsed() / 1e6;
    });
    const bool whole = history.checkAll().whole();
    std::printf("PostgreSQL (%s): one entry written (own transaction, radar locked): median %.2f ms, mean %.2f ms,"
                " worst %.2f ms of %d (target 20 ms); %s, %s\n",
                qPrintable(history.storeText()), write.median, total / k, write.worst, k,
                sent ? "all on the server" : "SOME WAITING", whole ? "chains whole" : "CHAIN BROKEN");
    return sent && whole && total / k <= 20 ? 0 : 1;
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString server = qEnvironmentVariable("BENCH_HISTORY_SERVER");
    const int serverStatus = server.isEmpty() ? 0 : timeServerWrites(server);
    const int radars = setting("BENCH_HISTORY_RADARS", 100);
    const int perRadar = setting("BENCH_HISTORY_ENTRIES", 1000);
    QTemporaryDir fillFolder(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/bench-history-XXXXXX")
                                                                        : QString());
    QTemporaryDir diskFolder;
    const QString filled = fillFolder.filePath(RadarHistory::defaultPath());
    const QString onDisk = diskFolder.filePath(RadarHistory::defaultPath());

    QElapsedTimer fillTime;
    fillTime.start();
    {
        RadarHistory history;
        if (!history.open(filled)) {
            std::fprintf(stderr, "%s\n", qPrintable(history.errorText()));
            return 1;
        }
        for (int k = 0; k < perRadar; ++k)
            for (int r = 0; r < radars; ++r) {
                HistoryEntry e = sampleEntry(r, k);
                if (!history.record(e)) {
                    std::fprintf(stderr, "%s\n", qPrintable(history.errorText()));
                    return 1;
                }
            }
    }
    std::printf("filled %d radars x %d entries in %.1f s (%.1f MiB)\n", radars, perRadar, fillTime.elapsed() / 1000.0,
                QFileInfo(filled).size() / 1048576.0);
    if (!QFile::copy(filled, onDisk))
        return 1;

    RadarHistory history;
    const Stats open = timed(10, [&] { history.close(); history.open(onDisk); });
    int listed = 0, entries = 0;
    const Stats list = timed(20, [&] { listed = history.radars().size(); });
    const Stats one = timed(20, [&] { entries = history.entriesOf(serialOf(radars / 2)).size(); });
    const Stats window = timed(20, [&] {
        RadarHistory fresh;
        fresh.open(onDisk);
        listed = fresh.radars().size();
        entries = fresh.entriesOf(serialOf(radars / 2)).size();
    });
    int rows = 0;
    const Stats shown = timed(10, [&] {
        HistoryWindow window(onDisk);
        window.show();
        QCoreApplication::processEvents();
        rows = window.ui->tableEntries->rowCount();
    });
    bool whole = false;
    const Stats check = timed(3, [&] { whole = history.checkAll().whole(); });
    int k = perRadar;
    const Stats write = timed(200, [&] {
        HistoryEntry e = sampleEntry(k % radars, k);
        ++k;
        history.record(e);
    });

    std::printf("open: median %.1f ms, worst %.1f ms\n", open.median, open.worst);
    std::printf("radar list (%d radars, last acceptances): median %.1f ms, worst %.1f ms\n", listed, list.median,
                list.worst);
    std::printf("one radar's entries (%d, newest first): median %.1f ms, worst %.1f ms\n", entries, one.median,
                one.worst);
    std::printf("window's share, opened afresh + both lists: median %.1f ms, worst %.1f ms (target 300 ms)\n",
                window.median, window.worst);
    std::printf("history window, constructed to shown (%d radars, %d entries of the first, its chain checked): "
                "median %.1f ms, worst %.1f ms (target 300 ms)\n",
                listed, rows, shown.median, shown.worst);
    std::printf("check of every chain (%d entries): median %.0f ms, %s\n", radars * perRadar, check.median,
                whole ? "whole" : "BROKEN");
    std::printf("one entry written to disk (own transaction, synchronous): median %.2f ms, worst %.2f ms\n",
                write.median, write.worst);
    return whole && window.worst < 300 && shown.worst < 300 && serverStatus == 0 ? 0 : 1;
}
