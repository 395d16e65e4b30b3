// The session recorder: while connected, every applied detection frame, the identity and the
// scenes read back and sent, and the connection and zone events go into one SQLite file per
// connection. Rows wait in memory and are written once a second in one transaction, so a poll
// never waits on the disk and a killed tool loses at most the last second.
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
    // About two minutes of 50 targets at 20 frames a second.
    static constexpr int MaxPendingRows = 128 * 1024;

    explicit Recorder(QObject *parent = nullptr);
    ~Recorder() override;

    // Starts a recording in folder (made when missing), the oldest ones removed first when
    // the folder outgrows capBytes. False when the file cannot be made; nothing is recorded then.
    bool begin(const QString &folder, qint64 capBytes);
    // Writes what is queued and closes the file.
    void end();
    // Ends the recording and removes its file: a connection that never met a radar leaves
    // nothing to replay.
    void discard();
    bool isRecording() const { return !connectionName.isEmpty(); }
    QString filePath() const { return path; }

    void recordFrame(const TargetFrame &frame, const radarlink::ZoneFlags &flags, const radarlink::ZoneMembers &members);
    void recordIdentity(int deviceType, const QString &serialNumber, int station);
    void recordScene(const QString &origin, const radarlink::WireScene &scene);
    void recordEvent(const QString &event, const QString &zone = QString(), const QString &ids = QString());

    // Writes the queued rows now in one transaction.
    void flush();

signals:
    // A batch could not be written; said once until a batch is written again.
    void writeFailed(const QString &reason);

private:
    struct Row {
        int table;
        QVariantList values;
    };
    void queue(int table, QVariantList values);
    void noteZone(const char *zone, bool was, bool now, const QVector<quint16> &before, const QVector<quint16> &after);

    QString connectionName;
    QString path;
    std::unique_ptr<QLockFile> lock;
    QElapsedTimer clock;
    QTimer flushTimer;
    QVector<Row> pending;
    bool failing = false;
    qint64 frameNumber = 0;
    qint64 sceneNumber = 0;
    radarlink::ZoneFlags lastFlags;
    radarlink::ZoneMembers lastMembers;
};
