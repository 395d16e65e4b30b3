#include "recorder.h"

#include "scenefingerprint.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {
enum Table { Frames, Targets, IdentityRow, Scenes, SceneCells, Events, Session, TableCount };

const char *const InsertStatements[TableCount] = {
    "INSERT INTO frames (frame, time_ms, wall_ms, alarm, warning, detection) VALUES (?, ?, ?, ?, ?, ?)",
    "INSERT INTO targets (frame, id, x_cm, y_cm, class, value1, value2) VALUES (?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO identity (time_ms, wall_ms, device_type, serial_number, station) VALUES (?, ?, ?, ?, ?)",
    "INSERT INTO scenes (scene, time_ms, wall_ms, origin, detection_far_cm, angle, warning_far_cm, alarm_far_cm,"
    " left_half_m, right_half_m, grid_edge_cm, direction, type, start_cm, fingerprint)"
    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO scene_cells (scene, x_cm, y_cm) VALUES (?, ?, ?)",
    "INSERT INTO events (time_ms, wall_ms, event, zone, ids) VALUES (?, ?, ?, ?, ?)",
    "INSERT OR REPLACE INTO session (key, value) VALUES (?, ?)",
};

QString idList(const QVector<quint16> &ids)
{
    QStringList texts;
    for (quint16 id : ids)
        texts << QString::number(id);
    return texts.join(QLatin1Char(','));
}

qint64 wallNow()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

Recorder::Recorder(QObject *parent) : QObject(parent)
{
    flushTimer.setInterval(FlushIntervalMs);
    connect(&flushTimer, &QTimer::timeout, this, &Recorder::flush);
    pruneTimer.setInterval(PruneIntervalMs);
    connect(&pruneTimer, &QTimer::timeout, this, &Recorder::prune);
}

Recorder::~Recorder()
{
    end();
}

bool Recorder::begin(const QString &folder, qint64 capBytes)
{
    end();
    if (!QDir().mkpath(folder))
        return false;
    const QDateTime started = QDateTime::currentDateTime();
    QString name = recording::fileNameFor(started);
    // Two connections in the same second: the later one gets a suffix.
    for (int n = 2; QFileInfo::exists(QDir(folder).filePath(name)); ++n)
        name = recording::fileNameFor(started).replace(QStringLiteral(".sqlite"), QStringLiteral("-%1.sqlite").arg(n));
    path = QDir(folder).filePath(name);

    lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        lock.reset();
        return false;
    }
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("recording-writer-%1").arg(++serial);
    bool made = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        // Nobody else writes a recording: a file locked from outside fails the batch at once
        // instead of holding the window (and the poll) for seconds.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (db.open()) {
            QSqlQuery query(db);
            // The tables go into the main file itself, so that even a copy of it taken without
            // its journal is a recording.
            made = db.transaction();
            for (const QString &statement : recording::schemaStatements())
                made = made && query.exec(statement);
            made = made && db.commit();
            // WAL: a reader never blocks the writer. FULL: every batch is on the disk before the
            // next, one sync a second. A small page cache: a long session must not grow the
            // tool's memory.
            made = made && query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))
                   && query.exec(QStringLiteral("PRAGMA synchronous = FULL")) && query.exec(QStringLiteral("PRAGMA cache_size = -256"));
        }
        if (!made)
            db.close();
    }
    if (!made) {
        QSqlDatabase::removeDatabase(connection);
        QFile::remove(path);
        lock.reset();
        path.clear();
        return false;
    }
    connectionName = connection;
    clock.start();
    sinceCheckpoint.start();
    failing = false;
    frameNumber = 0;
    sceneNumber = 0;
    pendingFrameRows = 0;
    droppedFrames = 0;
    lastFlags = radarlink::ZoneFlags();
    lastMembers = radarlink::ZoneMembers();
    queue(Session, {QStringLiteral("started"), started.toString(Qt::ISODateWithMs)});
    queue(Session, {QStringLiteral("schema_version"), recording::SchemaVersion});
    flushTimer.start();
    folderPath = folder;
    folderCap = capBytes;
    prune();
    pruneTimer.start();
    return true;
}

void Recorder::prune()
{
    for (const QString &removed : recording::pruneFolder(folderPath, folderCap, QFileInfo(path).fileName()))
        emit recordingRemoved(removed);
}

void Recorder::end(const QString &closingEvent)
{
    if (!isRecording())
        return;
    flushTimer.stop();
    pruneTimer.stop();
    noteZones(radarlink::ZoneFlags(), radarlink::ZoneMembers());
    if (!closingEvent.isEmpty())
        recordEvent(closingEvent);
    queue(Session, {QStringLiteral("ended"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs)});
    flush();
    reportDropped();
    // The journal folded into the main file and given up: what is left is one closed file,
    // which readers open without making journal files beside it.
    pragma(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    pragma(QStringLiteral("PRAGMA journal_mode = DELETE"));
    close();
}

// The file let go, whatever was still held for it thrown away.
void Recorder::close()
{
    flushTimer.stop();
    pruneTimer.stop();
    pending.clear();
    pendingFrameRows = 0;
    QSqlDatabase::database(connectionName, false).close();
    QSqlDatabase::removeDatabase(connectionName);
    connectionName.clear();
    lock.reset();
}

bool Recorder::pragma(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    return query.exec(statement);
}

void Recorder::discard()
{
    if (!isRecording())
        return;
    close();
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(path + suffix);
    path.clear();
}

void Recorder::queue(int table, QVariantList values)
{
    if (table == Frames || table == Targets)
        ++pendingFrameRows;
    pending.append({table, std::move(values)});
}

void Recorder::recordFrame(const TargetFrame &frame, const radarlink::ZoneFlags &flags,
                           const radarlink::ZoneMembers &members)
{
    if (!isRecording())
        return;
    const qint64 number = frameNumber++;
    // A frame is kept whole or not at all; its zone events are kept either way.
    if (pendingFrameRows + 1 + frame.size() > MaxPendingRows) {
        ++droppedFrames;
    } else {
        queue(Frames, {number, clock.elapsed(), wallNow(), flags.alarm, flags.warning, flags.detection});
        for (const TargetReport &t : frame)
            queue(Targets, {number, t.value(0), qint16(t.value(1)), qint16(t.value(2)), t.value(5), t.value(3), t.value(4)});
    }
    noteZones(flags, members);
}

void Recorder::noteZones(const radarlink::ZoneFlags &flags, const radarlink::ZoneMembers &members)
{
    noteZone("alarm", lastFlags.alarm, flags.alarm, lastMembers.alarm, members.alarm);
    noteZone("warning", lastFlags.warning, flags.warning, lastMembers.warning, members.warning);
    noteZone("detection", lastFlags.detection, flags.detection, lastMembers.detection, members.detection);
    lastFlags = flags;
    lastMembers = members;
}

void Recorder::reportDropped()
{
    if (droppedFrames == 0)
        return;
    emit framesDropped(droppedFrames);
    droppedFrames = 0;
}

void Recorder::noteZone(const char *zone, bool was, bool now, const QVector<quint16> &before,
                        const QVector<quint16> &after)
{
    if (was == now)
        return;
    recordEvent(now ? QStringLiteral("zone_entered") : QStringLiteral("zone_left"), QLatin1String(zone),
                idList(now ? after : before));
}

void Recorder::recordIdentity(int deviceType, const QString &serialNumber, int station)
{
    if (isRecording())
        queue(IdentityRow, {clock.elapsed(), wallNow(), deviceType, serialNumber, station});
}

void Recorder::recordScene(const QString &origin, const radarlink::WireScene &s, const QString &fingerprint)
{
    if (!isRecording())
        return;
    const qint64 number = sceneNumber++;
    queue(Scenes, {number, clock.elapsed(), wallNow(), origin, s.detectionFarCm, s.angle, s.warningFarCm, s.alarmFarCm,
                   s.leftHalfMetres, s.rightHalfMetres, s.gridEdgeCm, s.direction, s.type, s.startCm,
                   fingerprint.isEmpty() ? radarlink::fingerprintText(radarlink::sceneFingerprint(s)) : fingerprint});
    for (const QPoint &cell : s.cells)
        queue(SceneCells, {number, cell.x(), cell.y()});
}

void Recorder::recordEvent(const QString &event, const QString &zone, const QString &ids)
{
    if (isRecording())
        queue(Events, {clock.elapsed(), wallNow(), event, zone, ids});
}

void Recorder::flush()
{
    if (!isRecording() || pending.isEmpty())
        return;
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    QSqlQuery inserts[TableCount] = {QSqlQuery(db), QSqlQuery(db), QSqlQuery(db), QSqlQuery(db),
                                     QSqlQuery(db), QSqlQuery(db), QSqlQuery(db)};
    bool prepared[TableCount] = {};
    bool written = db.transaction();
    QString failure = db.lastError().text();
    for (const Row &row : pending) {
        if (!written)
            break;
        QSqlQuery &insert = inserts[row.table];
        if (!prepared[row.table]) {
            written = insert.prepare(QLatin1String(InsertStatements[row.table]));
            prepared[row.table] = true;
        }
        for (int i = 0; written && i < row.values.size(); ++i)
            insert.bindValue(i, row.values.at(i));
        written = written && insert.exec();
        if (!written)
            failure = insert.lastError().text();
    }
    if (written && !db.commit()) {
        written = false;
        failure = db.lastError().text();
    }
    if (written) {
        pending.clear();
        pendingFrameRows = 0;
        failing = false;
        reportDropped();
        if (sinceCheckpoint.elapsed() >= CheckpointIntervalMs) {
            pragma(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
            sinceCheckpoint.start();
        }
        return;
    }
    db.rollback();
    // The rows wait for the next batch; recordFrame keeps them within MaxPendingRows.
    if (!failing)
        emit writeFailed(failure);
    failing = true;
}
