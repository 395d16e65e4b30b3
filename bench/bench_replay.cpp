// Recording and replay: how much disk an hour of recording takes at 10 and at 50 targets
// (written by the recorder itself for a few minutes at 20 frames a second, then extrapolated),
// and, in a one-hour recording of 10 targets at 20 Hz, how long opening it in the window takes
// and how long a seek takes, the frame history rebuilt and the plot drawn with its tracks.
// Targets: opening within 1 s, any seek within 100 ms.
#include "benchsupport.h"
#include "mainwindow.h"
#include "recorder.h"
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
constexpr int FramesPerSecond = 20;

// Targets walking in front of the radar, ids kept as long as a target lives.
TargetFrame walkingTargets(int count, int frame)
{
    TargetFrame targets;
    for (int i = 0; i < count; ++i) {
        const double t = frame / double(FramesPerSecond) + i * 7.0;
        const quint16 id = quint16(i + 1 + count * (frame / 600 % 50));
        const qint16 x = qint16(300 * std::sin(t * 0.3 + i));
        const qint16 y = qint16(350 + 300 * std::cos(t * 0.2 + i));
        targets.insert(id, TargetReport{id, quint16(x), quint16(y), quint16(frame & 0xff), 0, quint16(1 + i % 2)});
    }
    return targets;
}

// Records frames as the window would, a batch written every second.
QString record(const QString &folder, int targets, int frames)
{
    Recorder recorder;
    if (!recorder.begin(folder, recording::DefaultFolderCapBytes))
        return QString();
    recorder.recordEvent(QStringLiteral("connected"));
    recorder.recordIdentity(1, QStringLiteral("01345678009a"), 2);
    radarlink::WireScene scene;
    scene.detectionFarCm = 750;
    scene.angle = 100;
    scene.warningFarCm = 500;
    scene.alarmFarCm = 250;
    scene.leftHalfMetres = -8;
    scene.rightHalfMetres = 8;
    scene.gridEdgeCm = 100;
    recorder.recordScene(QStringLiteral("readback"), scene);
    for (int f = 0; f < frames; ++f) {
        const TargetFrame frame = walkingTargets(targets, f);
        const radarlink::ZoneFlags flags = radarlink::classifyTargets(frame, 2.5, 5.0, 7.5);
        recorder.recordFrame(frame, flags, radarlink::zoneMembers(frame, 2.5, 5.0, 7.5));
        if (f % FramesPerSecond == FramesPerSecond - 1)
            recorder.flush();
    }
    const QString path = recorder.filePath();
    recorder.end();
    return path;
}

qint64 bytesOnDisk(const QString &path)
{
    qint64 bytes = QFileInfo(path).size();
    for (const char *suffix : {"-wal", "-shm"})
        bytes += QFileInfo(path + QLatin1String(suffix)).size();
    return bytes;
}

// The recorder writes as fast as it can here; the frames get the times a 20 Hz poll gives them.
void spaceFramesAt20Hz(const QString &path)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("retime"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("UPDATE frames SET time_ms = frame * 50 + 3000"));
        QSqlQuery(db).exec(QStringLiteral("UPDATE events SET time_ms = 0"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("retime"));
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
        const QString path = record(folder.filePath(QStringLiteral("size-%1").arg(targets)), targets,
                                    minutes * 60 * FramesPerSecond);
        const double perHour = bytesOnDisk(path) * 60.0 / minutes;
        std::printf("  %2d targets: %.1f MiB per hour (%.1f MB), written in %.1f s for %d min\n", targets,
                    perHour / (1024 * 1024), perHour / 1e6, timer.elapsed() / 1000.0, minutes);
    }

    const int hourFrames = 3600 * FramesPerSecond;
    QElapsedTimer making;
    making.start();
    const QString hour = record(folder.filePath(QStringLiteral("hour")), 10, hourFrames);
    spaceFramesAt20Hz(hour);
    std::printf("One-hour recording, 10 targets: %d frames, %.1f MiB, made in %.1f s\n", hourFrames,
                bytesOnDisk(hour) / (1024.0 * 1024.0), making.elapsed() / 1000.0);

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
        const int index = int(positions.bounded(hourFrames));
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
