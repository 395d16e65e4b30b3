// A session's recording on disk: the SQLite schema, its file names and the folder's size cap,
// reading a recording back (read-only, never changing a byte of it) and the CSV exports.
// docs/recording.md describes the tables for anyone querying a recording with other tools.
#pragma once

#include "scenecompare.h"

#include <QDateTime>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class QSqlQuery;

namespace recording {

// Raised whenever a table or column changes meaning; stored in PRAGMA user_version.
constexpr int SchemaVersion = 2;
// Folder size at which the oldest recordings go, unless radar-config.ini says otherwise.
constexpr qint64 DefaultFolderCapBytes = qint64(2) * 1024 * 1024 * 1024;
// However small the cap, the newest recordings (the one being started among them) stay.
constexpr int NewestKept = 3;

QString folderName();
// recordings are named after the moment the connection opened: yyyy.MM.dd-hh.mm.ss.sqlite
QString fileNameFor(const QDateTime &start);
// The statements that make an empty recording of the current version.
QStringList schemaStatements();

// A size as written in radar-config.ini: whole bytes ("2147483648") or a number and a unit
// ("2GiB", "500MB", "1.5 GB"), case-insensitive. KiB, MiB, GiB are powers of 1024; KB, MB, GB
// powers of 1000; B is bytes. False for anything else, and for zero or less.
bool parseByteSize(const QString &text, qint64 *bytes);

// The lock beside a recording names a process that still runs (or one on another machine,
// which cannot be looked at): its writer is alive. Reads the lock's contents only; the lock
// is neither taken nor removed.
bool writerAlive(const QString &recordingPath);

// Removes the oldest recordings (by the time in their names; other files are left alone) until
// the folder's recordings take at most capBytes. Never removes one of the NewestKept newest,
// one whose writer is alive, or keep. Returns the names removed.
QStringList pruneFolder(const QString &folder, qint64 capBytes, const QString &keep = QString());

// RFC 4180: a field with a comma, a quote or a line break goes in quotes, quotes doubled.
QString csvField(const QString &field);
QByteArray csvLine(const QStringList &fields);

// A time into a recording as the replay and the what-if show it: hh:mm:ss.zzz, never negative.
QString clockText(qint64 ms);

struct Target {
    quint16 id = 0;
    qint16 xCm = 0;
    qint16 yCm = 0;
    quint16 targetClass = 0;
    quint16 value1 = 0;
    quint16 value2 = 0;
    bool operator==(const Target &o) const
    {
        return id == o.id && xCm == o.xCm && yCm == o.yCm && targetClass == o.targetClass && value1 == o.value1
               && value2 == o.value2;
    }
};

struct Frame {
    qint64 number = 0;
    qint64 timeMs = 0;
    qint64 wallMs = 0;
    bool alarm = false;
    bool warning = false;
    bool detection = false;
    QVector<Target> targets;
};

struct Event {
    qint64 timeMs = 0;
    qint64 wallMs = 0;
    QString event;   // connected, disconnected, recording_stopped, line_lost, reconnected, zone_entered, zone_left
    QString zone;    // alarm, warning, detection for the zone events, empty otherwise
    QString ids;     // the targets inside, comma-separated
};

struct Identity {
    qint64 timeMs = 0;
    int deviceType = 0;
    QString serialNumber;
    int station = 0;
};

struct Scene {
    qint64 timeMs = 0;
    QString origin;  // readback or sent
    radarlink::WireScene scene;
    // The radar's scene fingerprint as the window showed it; in a version 1 file, which has
    // none, the fingerprint of the scene's values.
    QString fingerprint;
};

// One recording opened read-only. Every reading call returns false with errorString() set
// when the file is not a readable recording.
class Reader
{
public:
    Reader();
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    bool open(const QString &path);
    QString errorString() const { return error; }

    // Every frame in order; withTargets false leaves each frame's targets empty.
    bool readFrames(QVector<Frame> *frames, bool withTargets = true);
    // The targets of the frames numbered firstFrame to lastFrame, each with its frame's number,
    // in frame order and within a frame in the order received.
    bool readTargets(qint64 firstFrame, qint64 lastFrame, QVector<QPair<qint64, Target>> *rows);
    // Every target id once, in the order the ids first appear (by frame, then by id).
    bool readIdsInOrderOfAppearance(QVector<quint16> *ids);
    bool readEvents(QVector<Event> *events);
    // Every identity read during the recording, in the order read.
    bool readIdentities(QVector<Identity> *identities);
    // The first identity: the radar the recording began with.
    bool readIdentity(Identity *identity);
    bool readScenes(QVector<Scene> *scenes);
    // One row per target per frame, header time_ms,frame,id,x_cm,y_cm,class,value1,value2.
    // Neither export writes onto the recording or a file SQLite keeps beside it, nor replaces a
    // file that is not an earlier export of the same kind.
    bool exportFrames(const QString &csvPath);
    // One row per event, header time_ms,wall_time,event,zone,ids.
    bool exportEvents(const QString &csvPath);

private:
    bool fail(const QString &message);
    bool damaged();
    // Runs the select with the bound values and hands each row on; false (the file is damaged)
    // when the query fails on the way.
    bool eachRow(const QString &select, const QVariantList &bound, const std::function<void(const QSqlQuery &)> &row);
    bool mayWriteExport(const QString &csvPath, const QByteArray &header);
    QString connection;
    QString error;
    QString recordingPath;
    // The journal index SQLite had to make to read a killed writer's journal; taken away again.
    QString madeIndex;
    int version = 0;
    bool opened = false;
};

// The command line's export: 0 on success, otherwise 1 with the one-line reason in *message.
int exportRecording(bool events, const QString &recordingPath, const QString &csvPath, QString *message);

} // namespace recording
