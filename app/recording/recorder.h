// The session recorder: while connected, every applied detection frame, the identity and the
// scenes read back and sent, and the connection and zone events go into one SQLite file per
// connection. Rows wait in memory and are written once a second in one transaction, each made
// durable before the next, so a poll never waits on the disk and a killed tool or a machine
// losing power loses at most the last second.
#pragma once

#include "recordingfile.h"
#include "replies.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVariant>

#include <memory>

class QLockFile;

class Recorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int FlushIntervalMs = 1000;
    // The journal is copied into the main file this often, so that the main file alone (a copy
    // taken without its journal) holds all but the last half minute.
    static constexpr int CheckpointIntervalMs = 30 * 1000;
    // A session that runs for days keeps the folder under its cap.
    static constexpr int PruneIntervalMs = 10 * 60 * 1000;
    // Frame and target rows held while the file cannot be written: about two minutes of 50
    // targets at 20 frames a second. Frames beyond it are not recorded; the other rows always are.
    static constexpr int MaxPendingRows = 128 * 1024;

    explicit Recorder(QObject *parent = nullptr);
    ~Recorder() override;

    // Starts a recording in folder (made when missing), then removes the oldest ones while the
    // folder outgrows capBytes (recording::pruneFolder), now and every PruneIntervalMs.
    // False when the file cannot be made; nothing is recorded then.
    bool begin(const QString &folder, qint64 capBytes);
    // Leaves the zones still entered (a zone_left each), records closingEvent when given, writes
    // what is queued and closes the file, its journal folded in: a closed recording is one file.
    void end(const QString &closingEvent = QString());
    // Ends the recording and removes its file: a connection that never met a radar leaves
    // nothing to replay.
    void discard();
    bool isRecording() const { return !connectionName.isEmpty(); }
    QString filePath() const { return path; }

    void recordFrame(const TargetFrame &frame, const radarlink::ZoneFlags &flags, const radarlink::ZoneMembers &members);
    void recordIdentity(int deviceType, const QString &serialNumber, int station);
    // The scene as the plot shows it, and the radar's scene fingerprint as the window shows it
    // (when not given, the fingerprint of the scene recorded).
    void recordScene(const QString &origin, const radarlink::WireScene &scene, const QString &fingerprint = QString());
    void recordEvent(const QString &event, const QString &zone = QString(), const QString &ids = QString());

    // Writes the queued rows now in one transaction.
    void flush();

signals:
    // A batch could not be written; said once until a batch is written again.
    void writeFailed(const QString &reason);
    // An earlier recording removed to keep the folder under its cap.
    void recordingRemoved(const QString &fileName);
    // Frames not recorded because too many rows were held; said once, when writing resumes
    // or the recording ends.
    void framesDropped(qint64 count);

private:
    struct Row {
        int table;
        QVariantList values;
    };
    void queue(int table, QVariantList values);
    void noteZone(const char *zone, bool was, bool now, const QVector<quint16> &before, const QVector<quint16> &after);
    void noteZones(const radarlink::ZoneFlags &flags, const radarlink::ZoneMembers &members);
    void prune();
    void reportDropped();
    // Runs a PRAGMA on the recording; false when SQLite refused it.
    bool pragma(const QString &statement);
    void close();

    QString connectionName;
    QString path;
    QString folderPath;
    qint64 folderCap = 0;
    std::unique_ptr<QLockFile> lock;
    QElapsedTimer clock;
    QElapsedTimer sinceCheckpoint;
    QTimer flushTimer;
    QTimer pruneTimer;
    QVector<Row> pending;
    int pendingFrameRows = 0;
    qint64 droppedFrames = 0;
    bool failing = false;
    qint64 frameNumber = 0;
    qint64 sceneNumber = 0;
    radarlink::ZoneFlags lastFlags;
    radarlink::ZoneMembers lastMembers;
};
