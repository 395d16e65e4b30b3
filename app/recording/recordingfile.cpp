#include "recordingfile.h"

#include "scenefingerprint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <QRegularExpression>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace recording {

namespace {
const QByteArray SqliteMagic("SQLite format 3\0", 16);
}

QString folderName()
{
    return QStringLiteral("recordings");
}

QString fileNameFor(const QDateTime &start)
{
    return start.toString(QStringLiteral("yyyy.MM.dd-hh.mm.ss")) + QStringLiteral(".sqlite");
}

QStringList schemaStatements()
{
    return {
        QStringLiteral("CREATE TABLE session (key TEXT PRIMARY KEY, value TEXT)"),
        QStringLiteral("CREATE TABLE frames (frame INTEGER PRIMARY KEY, time_ms INTEGER NOT NULL, wall_ms INTEGER NOT NULL,"
                       " alarm INTEGER NOT NULL, warning INTEGER NOT NULL, detection INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE targets (frame INTEGER NOT NULL, id INTEGER NOT NULL, x_cm INTEGER NOT NULL,"
                       " y_cm INTEGER NOT NULL, class INTEGER NOT NULL, value1 INTEGER NOT NULL, value2 INTEGER NOT NULL)"),
        QStringLiteral("CREATE INDEX targets_by_frame ON targets (frame)"),
        QStringLiteral("CREATE TABLE identity (time_ms INTEGER NOT NULL, wall_ms INTEGER NOT NULL, device_type INTEGER,"
                       " serial_number TEXT, station INTEGER)"),
        QStringLiteral("CREATE TABLE scenes (scene INTEGER PRIMARY KEY, time_ms INTEGER NOT NULL, wall_ms INTEGER NOT NULL,"
                       " origin TEXT NOT NULL, detection_far_cm INTEGER, angle INTEGER, warning_far_cm INTEGER,"
                       " alarm_far_cm INTEGER, left_half_m INTEGER, right_half_m INTEGER, grid_edge_cm INTEGER,"
                       " direction INTEGER, type INTEGER, start_cm INTEGER, fingerprint TEXT)"),
        QStringLiteral("CREATE TABLE scene_cells (scene INTEGER NOT NULL, x_cm INTEGER NOT NULL, y_cm INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE events (time_ms INTEGER NOT NULL, wall_ms INTEGER NOT NULL, event TEXT NOT NULL,"
                       " zone TEXT, ids TEXT)"),
        QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion),
    };
}

namespace {
// The files SQLite and the recorder keep beside a recording.
const char *const FilesBeside[] = {"-wal", "-shm", "-journal", ".lock"};

// A recording and the journal files beside it.
qint64 recordingBytes(const QFileInfo &file)
{
    qint64 bytes = file.size();
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        bytes += QFileInfo(file.filePath() + QLatin1String(suffix)).size();
    return bytes;
}

bool processRunning(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    // No way to look here: the writer is taken to be alive, so nothing of it is removed.
    Q_UNUSED(pid)
    return true;
#endif
}

// A recording's file name split into the sort order: the time it began, then the -2, -3 ...
// of a second connection within the same second. Empty for a file that is not a recording.
QPair<QString, int> recordingOrder(const QString &fileName)
{
    static const QRegularExpression named(
        QStringLiteral("^(\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d)(?:-(\\d+))?\\.sqlite$"));
    const QRegularExpressionMatch match = named.match(fileName);
    if (!match.hasMatch())
        return {};
    return {match.captured(1), match.captured(2).isEmpty() ? 1 : match.captured(2).toInt()};
}
} // namespace

bool parseByteSize(const QString &text, qint64 *bytes)
{
    static const QRegularExpression sized(QStringLiteral("^\\s*(\\d+)(?:\\.(\\d+))?\\s*([a-z]*)\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = sized.match(text);
    static const QHash<QString, qint64> units = {
        {QString(), 1},
        {QStringLiteral("b"), 1},
        {QStringLiteral("kb"), 1000},
        {QStringLiteral("mb"), 1000 * 1000},
        {QStringLiteral("gb"), 1000 * 1000 * 1000},
        {QStringLiteral("kib"), 1024},
        {QStringLiteral("mib"), 1024 * 1024},
        {QStringLiteral("gib"), 1024 * 1024 * 1024},
    };
    const auto unit = units.constFind(match.captured(3).toLower());
    if (!match.hasMatch() || unit == units.constEnd())
        return false;
    bool whole = false;
    const qint64 integral = match.captured(1).toLongLong(&whole);
    if (!whole || integral >= std::numeric_limits<qint64>::max() / *unit)
        return false;
    qint64 value = integral * *unit;
    if (!match.captured(2).isEmpty()) {
        // The fraction of the unit, to the byte below; "0.5 B" is no size at all.
        const double fraction = QStringLiteral("0.%1").arg(match.captured(2)).toDouble();
        value += qint64(fraction * double(*unit));
    }
    if (value <= 0)
        return false;
    *bytes = value;
    return true;
}

bool writerAlive(const QString &recordingPath)
{
    const QLockFile lock(recordingPath + QStringLiteral(".lock"));
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application))
        return false;
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return true;
    return processRunning(pid);
}

QStringList pruneFolder(const QString &folder, qint64 capBytes, const QString &keep)
{
    QFileInfoList files;
    for (const QFileInfo &file : QDir(folder).entryInfoList({QStringLiteral("*.sqlite")}, QDir::Files))
        if (!recordingOrder(file.fileName()).first.isEmpty())
            files << file;
    std::sort(files.begin(), files.end(), [](const QFileInfo &a, const QFileInfo &b) {
        return recordingOrder(a.fileName()) < recordingOrder(b.fileName());
    });
    qint64 total = 0;
    for (const QFileInfo &file : files)
        total += recordingBytes(file);
    QStringList removed;
    for (int i = 0; i < files.size() - NewestKept && total > capBytes; ++i) {
        const QFileInfo &file = files.at(i);
        if (file.fileName() == keep || writerAlive(file.filePath()))
            continue;
        const qint64 bytes = recordingBytes(file);
        if (!QFile::remove(file.filePath()))
            continue;
        // Its journal and a lock its dead writer left go with it.
        for (const char *suffix : FilesBeside)
            QFile::remove(file.filePath() + QLatin1String(suffix));
        total -= bytes;
        removed << file.fileName();
    }
    return removed;
}

QString csvField(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n'))
        && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QString clockText(qint64 ms)
{
    ms = std::max<qint64>(ms, 0);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

Reader::Reader()
{
    static std::atomic<int> serial{0};
    connection = QStringLiteral("recording-reader-%1").arg(++serial);
}

Reader::~Reader()
{
    if (QSqlDatabase::contains(connection)) {
        QSqlDatabase::database(connection, false).close();
        QSqlDatabase::removeDatabase(connection);
    }
    if (!madeIndex.isEmpty())
        QFile::remove(madeIndex);
}

bool Reader::fail(const QString &message)
{
    error = message;
    return false;
}

bool Reader::damaged()
{
    return fail(QCoreApplication::translate("RecordingFile", "记录文件已损坏或不完整"));
}

bool Reader::open(const QString &path)
{
    opened = false;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return fail(QCoreApplication::translate("RecordingFile", "找不到记录文件：%1").arg(path));
    if (info.size() == 0)
        return fail(QCoreApplication::translate("RecordingFile", "记录文件是空的：%1").arg(path));
    QFile raw(path);
    if (!raw.open(QIODevice::ReadOnly))
        return fail(QCoreApplication::translate("RecordingFile", "无法读取记录文件：%1").arg(path));
    const QByteArray head = raw.read(100);
    raw.close();
    if (!head.startsWith(SqliteMagic))
        return fail(QCoreApplication::translate("RecordingFile", "不是检测记录文件：%1").arg(path));
    if (head.size() < 100)
        return fail(QCoreApplication::translate("RecordingFile", "记录文件已损坏或不完整"));

    // The recorder holds this lock for as long as it writes. A lock its dead writer left stays
    // where it is: it is not the reader's to remove.
    if (writerAlive(path))
        return fail(QCoreApplication::translate("RecordingFile", "记录文件正在被另一个程序写入：%1").arg(path));
    recordingPath = path;

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    const bool journalBeside = QFileInfo::exists(path + QStringLiteral("-wal")) || QFileInfo::exists(path + QStringLiteral("-journal"));
    if (journalBeside) {
        // A killed writer's last half minute is in its journal: read through it. SQLite needs the
        // journal's index for that; one it makes here goes again when the reader closes.
        if (!QFileInfo::exists(path + QStringLiteral("-shm")))
            madeIndex = path + QStringLiteral("-shm");
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    } else {
        // A closed recording, or a copy of the main file alone: read as it is, so that SQLite
        // makes no journal files beside it.
        db.setDatabaseName(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?immutable=1"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    }
    if (!db.open())
        return fail(QCoreApplication::translate("RecordingFile", "无法读取记录文件：%1").arg(path));
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return damaged();
    version = query.value(0).toInt();
    if (version > SchemaVersion)
        return fail(QCoreApplication::translate("RecordingFile", "记录文件的格式版本 %1 比本程序新（本程序支持到 %2）").arg(version).arg(SchemaVersion));
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next())
        return damaged();
    if (query.value(0).toString() != QLatin1String("ok"))
        return fail(QCoreApplication::translate("RecordingFile", "记录文件已损坏或不完整"));
    if (version < 1 || !query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN"
                                                  " ('frames', 'targets', 'events', 'scenes', 'identity')"))
        || !query.next() || query.value(0).toInt() != 5)
        return fail(QCoreApplication::translate("RecordingFile", "不是检测记录文件：%1").arg(path));
    if (!query.exec(QStringLiteral("SELECT (SELECT count(*) FROM frames) + (SELECT count(*) FROM events)")) || !query.next())
        return damaged();
    if (query.value(0).toLongLong() == 0)
        return fail(QCoreApplication::translate("RecordingFile", "记录文件是空的：%1").arg(path));
    opened = true;
    return true;
}

namespace {
Target targetFromRow(const QSqlQuery &query, int firstColumn)
{
    Target t;
    t.id = quint16(query.value(firstColumn).toUInt());
    t.xCm = qint16(query.value(firstColumn + 1).toInt());
    t.yCm = qint16(query.value(firstColumn + 2).toInt());
    t.targetClass = quint16(query.value(firstColumn + 3).toUInt());
    t.value1 = quint16(query.value(firstColumn + 4).toUInt());
    t.value2 = quint16(query.value(firstColumn + 5).toUInt());
    return t;
}
} // namespace

bool Reader::eachRow(const QString &select, const QVariantList &bound, const std::function<void(const QSqlQuery &)> &row)
{
    if (!opened)
        return false;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(select))
        return damaged();
    for (const QVariant &value : bound)
        query.addBindValue(value);
    if (!query.exec())
        return damaged();
    while (query.next())
        row(query);
    return !query.lastError().isValid() || damaged();
}

bool Reader::readFrames(QVector<Frame> *frames, bool withTargets)
{
    frames->clear();
    QHash<qint64, int> byNumber;
    const bool read = eachRow(QStringLiteral("SELECT frame, time_ms, wall_ms, alarm, warning, detection FROM frames ORDER BY frame"),
                              {}, [&](const QSqlQuery &query) {
                                  Frame f;
                                  f.number = query.value(0).toLongLong();
                                  f.timeMs = query.value(1).toLongLong();
                                  f.wallMs = query.value(2).toLongLong();
                                  f.alarm = query.value(3).toBool();
                                  f.warning = query.value(4).toBool();
                                  f.detection = query.value(5).toBool();
                                  byNumber.insert(f.number, frames->size());
                                  frames->append(f);
                              });
    if (!read || !withTargets)
        return read;
    return eachRow(QStringLiteral("SELECT frame, id, x_cm, y_cm, class, value1, value2 FROM targets ORDER BY frame, rowid"),
                   {}, [&](const QSqlQuery &query) {
                       const auto slot = byNumber.constFind(query.value(0).toLongLong());
                       if (slot != byNumber.constEnd())
                           (*frames)[*slot].targets.append(targetFromRow(query, 1));
                   });
}

bool Reader::readTargets(qint64 firstFrame, qint64 lastFrame, QVector<QPair<qint64, Target>> *rows)
{
    rows->clear();
    return eachRow(QStringLiteral("SELECT frame, id, x_cm, y_cm, class, value1, value2 FROM targets"
                                  " WHERE frame BETWEEN ? AND ? ORDER BY frame, rowid"),
                   {firstFrame, lastFrame},
                   [&](const QSqlQuery &query) { rows->append({query.value(0).toLongLong(), targetFromRow(query, 1)}); });
}

bool Reader::readIdsInOrderOfAppearance(QVector<quint16> *ids)
{
    ids->clear();
    return eachRow(QStringLiteral("SELECT id, min(frame) AS first FROM targets GROUP BY id ORDER BY first, id"), {},
                   [&](const QSqlQuery &query) { ids->append(quint16(query.value(0).toUInt())); });
}

bool Reader::readEvents(QVector<Event> *events)
{
    events->clear();
    return eachRow(QStringLiteral("SELECT time_ms, wall_ms, event, zone, ids FROM events ORDER BY rowid"), {},
                   [&](const QSqlQuery &query) {
                       events->append({query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toString(),
                                       query.value(3).toString(), query.value(4).toString()});
                   });
}

bool Reader::readIdentities(QVector<Identity> *identities)
{
    identities->clear();
    return eachRow(QStringLiteral("SELECT time_ms, device_type, serial_number, station FROM identity ORDER BY rowid"), {},
                   [&](const QSqlQuery &query) {
                       Identity identity;
                       identity.timeMs = query.value(0).toLongLong();
                       identity.deviceType = query.value(1).toInt();
                       identity.serialNumber = query.value(2).toString();
                       identity.station = query.value(3).toInt();
                       identities->append(identity);
                   });
}

bool Reader::readIdentity(Identity *identity)
{
    QVector<Identity> identities;
    if (!readIdentities(&identities))
        return false;
    if (identities.isEmpty())
        return fail(QCoreApplication::translate("RecordingFile", "记录中没有设备信息"));
    *identity = identities.constFirst();
    return true;
}

bool Reader::readScenes(QVector<Scene> *scenes)
{
    scenes->clear();
    QHash<qint64, int> byNumber;
    const QString fingerprint = version >= 2 ? QStringLiteral("fingerprint") : QStringLiteral("NULL");
    const bool read = eachRow(
        QStringLiteral("SELECT scene, time_ms, origin, detection_far_cm, angle, warning_far_cm, alarm_far_cm,"
                       " left_half_m, right_half_m, grid_edge_cm, direction, type, start_cm, %1 FROM scenes ORDER BY scene")
            .arg(fingerprint),
        {}, [&](const QSqlQuery &query) {
            Scene s;
            byNumber.insert(query.value(0).toLongLong(), scenes->size());
            s.timeMs = query.value(1).toLongLong();
            s.origin = query.value(2).toString();
            radarlink::WireScene &w = s.scene;
            w.detectionFarCm = quint16(query.value(3).toUInt());
            w.angle = quint16(query.value(4).toUInt());
            w.warningFarCm = quint16(query.value(5).toUInt());
            w.alarmFarCm = quint16(query.value(6).toUInt());
            w.leftHalfMetres = qint8(query.value(7).toInt());
            w.rightHalfMetres = qint8(query.value(8).toInt());
            w.gridEdgeCm = quint8(query.value(9).toUInt());
            w.direction = quint8(query.value(10).toUInt());
            w.type = quint8(query.value(11).toUInt());
            w.startCm = quint16(query.value(12).toUInt());
            s.fingerprint = query.value(13).toString();
            scenes->append(s);
        });
    const bool cellsRead = read && eachRow(QStringLiteral("SELECT scene, x_cm, y_cm FROM scene_cells ORDER BY rowid"), {},
                           [&](const QSqlQuery &query) {
                               const auto slot = byNumber.constFind(query.value(0).toLongLong());
                               if (slot != byNumber.constEnd())
                                   (*scenes)[*slot].scene.cells.append(QPoint(query.value(1).toInt(), query.value(2).toInt()));
                           });
    for (Scene &scene : *scenes)
        if (scene.fingerprint.isEmpty())
            scene.fingerprint = radarlink::fingerprintText(radarlink::sceneFingerprint(scene.scene));
    return cellsRead;
}

namespace {
bool writeCsv(QSaveFile &file, const QString &path, QString *error)
{
    if (!file.commit()) {
        *error = QCoreApplication::translate("RecordingFile", "无法写入文件：%1").arg(path);
        return false;
    }
    return true;
}

QByteArray framesHeader()
{
    return csvLine({QStringLiteral("time_ms"), QStringLiteral("frame"), QStringLiteral("id"), QStringLiteral("x_cm"),
                    QStringLiteral("y_cm"), QStringLiteral("class"), QStringLiteral("value1"), QStringLiteral("value2")});
}

QByteArray eventsHeader()
{
    return csvLine({QStringLiteral("time_ms"), QStringLiteral("wall_time"), QStringLiteral("event"), QStringLiteral("zone"),
                    QStringLiteral("ids")});
}

// The file a path names, symbolic links and other spellings resolved; for a file not yet made,
// its resolved folder and its name.
QString resolvedPath(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}
} // namespace

bool Reader::mayWriteExport(const QString &csvPath, const QByteArray &header)
{
    // SQLite keeps the journal beside the file a link points to, so both spellings count.
    QStringList recordingFiles;
    for (const QString &base : {resolvedPath(recordingPath), QFileInfo(recordingPath).absoluteFilePath()}) {
        recordingFiles << resolvedPath(base);
        for (const char *suffix : FilesBeside)
            recordingFiles << resolvedPath(base + QLatin1String(suffix));
    }
    if (recordingFiles.contains(resolvedPath(csvPath)))
        return fail(QCoreApplication::translate("RecordingFile", "导出文件不能是记录文件本身，也不能是它旁边的日志或锁文件：%1").arg(csvPath));
    if (QFileInfo::exists(csvPath)) {
        QFile earlier(csvPath);
        if (!earlier.open(QIODevice::ReadOnly) || earlier.read(header.size()) != header)
            return fail(QCoreApplication::translate("RecordingFile", "文件已存在，且不是同类的导出文件，没有覆盖：%1").arg(csvPath));
    }
    return true;
}

bool Reader::exportFrames(const QString &csvPath)
{
    if (!opened || !mayWriteExport(csvPath, framesHeader()))
        return false;
    QSaveFile out(csvPath);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QCoreApplication::translate("RecordingFile", "无法写入文件：%1").arg(csvPath));
    out.write(framesHeader());
    const bool read = eachRow(QStringLiteral("SELECT f.time_ms, f.frame, t.id, t.x_cm, t.y_cm, t.class, t.value1, t.value2"
                                             " FROM frames f JOIN targets t ON t.frame = f.frame ORDER BY f.frame, t.rowid"),
                              {}, [&](const QSqlQuery &query) {
                                  QStringList fields;
                                  for (int column = 0; column < 8; ++column)
                                      fields << query.value(column).toString();
                                  out.write(csvLine(fields));
                              });
    if (!read) {
        out.cancelWriting();
        return false;
    }
    return writeCsv(out, csvPath, &error);
}

bool Reader::exportEvents(const QString &csvPath)
{
    QVector<Event> events;
    if (!readEvents(&events) || !mayWriteExport(csvPath, eventsHeader()))
        return false;
    QSaveFile out(csvPath);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QCoreApplication::translate("RecordingFile", "无法写入文件：%1").arg(csvPath));
    out.write(eventsHeader());
    for (const Event &e : events) {
        const QString wall = QDateTime::fromMSecsSinceEpoch(e.wallMs).toString(Qt::ISODateWithMs);
        out.write(csvLine({QString::number(e.timeMs), wall, e.event, e.zone, e.ids}));
    }
    return writeCsv(out, csvPath, &error);
}

int exportRecording(bool events, const QString &recordingPath, const QString &csvPath, QString *message)
{
    Reader reader;
    const bool done = reader.open(recordingPath)
                      && (events ? reader.exportEvents(csvPath) : reader.exportFrames(csvPath));
    if (!done)
        *message = reader.errorString();
    return done ? 0 : 1;
}

} // namespace recording
