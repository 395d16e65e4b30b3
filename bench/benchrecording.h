// A recording as long sessions make them, for the benchmarks of replay and trip analysis:
// targets walking in front of the radar at 20 frames a second, written by the recorder itself.
#pragma once

#include "recorder.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cmath>
#include <cstdio>

constexpr int FramesPerSecond = 20;
constexpr int HourFrames = 3600 * FramesPerSecond;

// Targets walking in front of the radar, ids kept as long as a target lives.
inline TargetFrame walkingTargets(int count, int frame)
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
inline QString recordWalkingTargets(const QString &folder, int targets, int frames)
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

// The recorder writes as fast as it can here; the frames get the times a 20 Hz poll gives them.
inline void spaceFramesAt20Hz(const QString &path)
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

// The hour the replay and analysis benchmarks work on: 10 walking targets at 20 Hz in
// folder/hour, spaced as the poll spaces them. Says how long it took to make; returns its path.
inline QString recordHour(const QString &folder)
{
    QElapsedTimer making;
    making.start();
    const QString hour = recordWalkingTargets(folder + QStringLiteral("/hour"), 10, HourFrames);
    spaceFramesAt20Hz(hour);
    std::printf("One-hour recording, 10 targets at %d Hz: %d frames, made in %.1f s\n", FramesPerSecond, HourFrames,
                making.elapsed() / 1000.0);
    return hour;
}
