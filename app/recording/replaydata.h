// A recording opened for replay. The frames' times and zone flags, the events, the scenes and
// the identities are held in memory; the targets are fetched for the frames being shown only,
// so that an hour's recording opens at once and a seek reads no more than the plot keeps.
#pragma once

#include "recordingfile.h"
#include "targetframe.h"

class ReplayData
{
public:
    bool open(const QString &path);
    QString errorString() const { return reader.errorString(); }
    QString path() const { return filePath; }

    int frameCount() const { return frames.size(); }
    // Times and zone flags only: the frame's targets come from targetFrames().
    const recording::Frame &frame(int index) const { return frames.at(index); }
    qint64 durationMs() const { return frames.isEmpty() ? 0 : frames.last().timeMs; }
    // The last frame at or before timeMs; the first frame for an earlier time.
    int frameAt(qint64 timeMs) const;
    // The targets of frames first to last (indices, inclusive) as the plot keeps a frame;
    // an empty list when they cannot be read.
    QVector<TargetFrame> targetFrames(int first, int last);

    const QVector<recording::Event> &events() const { return eventList; }
    const QVector<recording::Scene> &scenes() const { return sceneList; }
    // The scene in force at timeMs: the last one recorded at or before it, the one read back
    // at connect for an earlier time; -1 when the recording holds none.
    int sceneAt(qint64 timeMs) const;

    // Every identity read during the recording: a reconnect may have found another radar.
    const QVector<recording::Identity> &identities() const { return identityList; }
    // The identity in force at timeMs, as sceneAt; -1 when the recording holds none.
    int identityAt(qint64 timeMs) const;
    // Every target id in the order it first appears, to give each its colour as the live plot did.
    const QVector<quint16> &idsInOrder() const { return orderedIds; }

    bool exportFrames(const QString &csvPath) { return reader.exportFrames(csvPath); }
    bool exportEvents(const QString &csvPath) { return reader.exportEvents(csvPath); }

private:
    recording::Reader reader;
    QString filePath;
    QVector<recording::Frame> frames;
    QVector<recording::Event> eventList;
    QVector<recording::Scene> sceneList;
    QVector<quint16> orderedIds;
    QVector<recording::Identity> identityList;
};
