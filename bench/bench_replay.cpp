// Recording and replay: how much disk an hour of recording takes at 10 and at 50 targets
// (written by the recorder itself for a few minutes at 20 frames a second, then extrapolated),
// and, in a one-hour recording of 10 targets at 20 Hz, how long opening it in the window takes
// and how long a seek takes, the frame history rebuilt and the plot drawn with its tracks.
// Targets: opening within 1 s, any seek within 100 ms.
#include "benchrecording.h"
#include "benchsupport.h"
#include "mainwindow.h"
#include "replaydata.h"
#include "replaypanel.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
qint64 bytesOnDisk(const QString &path)
{
    qint64 bytes = QFileInfo(path).size();
    for (const char *suffix : {"-wal", "-shm"})
        bytes += QFileInfo(path + QLatin1String(suffix)).size();
    return bytes;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const int minutes = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    std::printf("Recording size (recorder, %d min at %d Hz, extrapolated to one hour):\n", minutes, FramesPerSecond);
    for (int targets : {10, 50}) {
        QElapsedTimer timer;
        timer.start();
        const QString path = recordWalkingTargets(folder.filePath(QStringLiteral("size-%1").arg(targets)), targets,
                                    minutes * 60 * FramesPerSecond);
        const double perHour = bytesOnDisk(path) * 60.0 / minutes;
        std::printf("  %2d targets: %.1f MiB per hour (%.1f MB), written in %.1f s for %d min\n", targets,
                    perHour / (1024 * 1024), perHour / 1e6, timer.elapsed() / 1000.0, minutes);
    }

    const QString hour = recordHour(folder.path());
    std::printf("  on disk: %.1f MiB\n", bytesOnDisk(hour) / (1024.0 * 1024.0));

    MainWindow window;
    window.resize(MainWindow::comfortableSize);
    window.show();
    window.ui->checkBoxTrack->setChecked(true);
    QCoreApplication::processEvents();

    double worstOpen = 0, sumOpen = 0;
    const int opens = 5;
    for (int i = 0; i < opens; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!window.openRecording(hour)) {
            std::printf("could not open the recording\n");
            return 1;
        }
        const double ms = timer.nsecsElapsed() / 1e6;
        worstOpen = std::max(worstOpen, ms);
        sumOpen += ms;
        window.leaveReplay();
    }
    std::printf("Opening it in the window (scene, identity, events, first frame): mean %.1f ms, worst %.1f ms"
                " (target 1000 ms)\n", sumOpen / opens, worstOpen);

    window.openRecording(hour);
    ReplayPanel *panel = window.replayPanel();
    QRandomGenerator positions(20261207u);
    QVector<double> seeks;
    for (int i = 0; i < 100; ++i) {
        const int index = int(positions.bounded(HourFrames));
        QElapsedTimer timer;
        timer.start();
        panel->seekToFrame(index);
        window.ui->graphicsView->viewport()->repaint();
        seeks << timer.nsecsElapsed() / 1e6;
    }
    std::sort(seeks.begin(), seeks.end());
    double sum = 0;
    for (double s : seeks)
        sum += s;
    std::printf("Seek to a random position, history of %d frames rebuilt, plot painted with tracks:\n"
                "  mean %.1f ms, median %.1f ms, worst %.1f ms over %d seeks (target 100 ms)\n",
                RadarView::HistorySize, sum / seeks.size(), seeks.at(seeks.size() / 2), seeks.last(),
                int(seeks.size()));
    std::printf("Peak memory: %.1f MiB\n", peakMemoryMiB());
    return 0;
}
