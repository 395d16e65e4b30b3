#include "radarhistory.h"

#include "scenefile.h"
#include "scenefingerprint.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

#include <atomic>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

// Everything that differs between the databases the history can live in. SQLite, one file in
// the working folder, is the only one today; a shared server's driver becomes a second Dialect.
struct Dialect {
    enum class Fault { Locked, Damaged, Other };

    QString driver;
    QString connectOptions;
    QString idColumn;      // the entry's id, handed out by the database in the order of writing
    QString bigInteger;
    QStringList setup;     // on every opening, once the file is known to be a history
    QString beginWrite;    // a transaction that holds the write lock from its first statement
    QString listTables;
    Fault (*classify)(const QSqlError &error);
};

Dialect::Fault sqliteFault(const QSqlError &error)
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return Dialect::Fault::Locked;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return Dialect::Fault::Damaged;
    default:
        return Dialect::Fault::Other;
    }
}

const Dialect &dialect()
{
    // A write waits at most a second for another program's transaction: the window's poll
    // must never stall longer on the history.
    static const Dialect sqlite{QStringLiteral("QSQLITE"),
                                QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"),
                                QStringLiteral("INTEGER PRIMARY KEY"),
                                QStringLiteral("INTEGER"),
                                {QStringLiteral("PRAGMA journal_mode = WAL"),
                                 QStringLiteral("PRAGMA synchronous = FULL")},
                                QStringLiteral("BEGIN IMMEDIATE"),
                                QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"),
                                sqliteFault};
    return sqlite;
}

const QString SchemaName = QStringLiteral("radar-history");
const QByteArray SqliteMagic("SQLite format 3\0", 16);

// The schema of SchemaVersion. Portable SQL; the driver's own parts come from the dialect.
QStringList schemaStatements(const Dialect &d)
{
    return {
        QStringLiteral("CREATE TABLE history_meta (name TEXT PRIMARY KEY, value TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE entries (id %1, time_ms %2 NOT NULL, local_time TEXT NOT NULL,"
                       " user_name TEXT NOT NULL, computer TEXT NOT NULL, serial TEXT NOT NULL,"
                       " device_type INTEGER NOT NULL, station INTEGER NOT NULL, action TEXT NOT NULL,"
                       " fingerprint_before TEXT NOT NULL, fingerprint_after TEXT NOT NULL,"
                       " scene_after TEXT NOT NULL, result TEXT NOT NULL, details TEXT NOT NULL,"
                       " previous_hash TEXT NOT NULL, hash TEXT NOT NULL)")
            .arg(d.idColumn, d.bigInteger),
        QStringLiteral("CREATE INDEX entries_by_radar ON entries (serial, id)"),
        QStringLiteral("CREATE TABLE radars (serial TEXT PRIMARY KEY, last_entry %1 NOT NULL,"
                       " last_hash TEXT NOT NULL, entry_count %1 NOT NULL, last_acceptance %1)")
            .arg(d.bigInteger),
        QStringLiteral("INSERT INTO history_meta (name, value) VALUES ('schema', '%1')").arg(SchemaName),
        QStringLiteral("INSERT INTO history_meta (name, value) VALUES ('version', '%1')")
            .arg(RadarHistory::SchemaVersion),
    };
}

// The columns every read takes, in this order.
const QString EntryColumns = QStringLiteral(
    "id, time_ms, local_time, user_name, computer, serial, device_type, station, action, fingerprint_before,"
    " fingerprint_after, scene_after, result, details, previous_hash, hash");
enum Column { Id, TimeMs, LocalTime, User, Computer, Serial, DeviceType, Station, Action, FingerprintBefore,
              FingerprintAfter, SceneAfter, Result, Details, PreviousHash, Hash };

// What an entry's hash covers, in this order: everything but its id and the hash itself.
const char *const ChainFields[] = {"time_ms", "local_time", "user_name", "computer", "serial", "device_type", "station",
                                   "action", "fingerprint_before", "fingerprint_after", "scene_after", "result",
                                   "details", "previous_hash"};

QString detailsText(const QJsonObject &details)
{
    return QString::fromUtf8(QJsonDocument(details).toJson(QJsonDocument::Compact));
}

QStringList chainValues(const HistoryEntry &e)
{
    return {QString::number(e.timeMs), e.localTime, e.user, e.computer, e.serial, QString::number(e.deviceType),
            QString::number(e.station), e.action, e.fingerprintBefore, e.fingerprintAfter, e.sceneAfter, e.result,
            detailsText(e.details), e.previousHash};
}

// The same from a stored row, its texts taken as stored.
QStringList chainValues(const QSqlQuery &q)
{
    QStringList values;
    for (int column = TimeMs; column <= PreviousHash; ++column) {
        const bool number = column == TimeMs || column == DeviceType || column == Station;
        values << (number ? QString::number(q.value(column).toLongLong()) : q.value(column).toString());
    }
    return values;
}

// Each field as "name:length:value" and a line feed, the length in bytes of the UTF-8 value.
QString hashOf(const QStringList &values)
{
    QByteArray content;
    for (int k = 0; k < values.size(); ++k) {
        const QByteArray value = values.at(k).toUtf8();
        content += QByteArray(ChainFields[k]) + ':' + QByteArray::number(value.size()) + ':' + value + '\n';
    }
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

HistoryEntry entryFromRow(const QSqlQuery &q)
{
    HistoryEntry e;
    e.id = q.value(Id).toLongLong();
    e.timeMs = q.value(TimeMs).toLongLong();
    e.localTime = q.value(LocalTime).toString();
    e.user = q.value(User).toString();
    e.computer = q.value(Computer).toString();
    e.serial = q.value(Serial).toString();
    e.deviceType = q.value(DeviceType).toInt();
    e.station = q.value(Station).toInt();
    e.action = q.value(Action).toString();
    e.fingerprintBefore = q.value(FingerprintBefore).toString();
    e.fingerprintAfter = q.value(FingerprintAfter).toString();
    e.sceneAfter = q.value(SceneAfter).toString();
    e.result = q.value(Result).toString();
    e.details = QJsonDocument::fromJson(q.value(Details).toString().toUtf8()).object();
    e.previousHash = q.value(PreviousHash).toString();
    e.hash = q.value(Hash).toString();
    return e;
}

QString localTimeText(qint64 utcMs)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(utcMs);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString computerUser()
{
    for (const char *name : {"USER", "USERNAME", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(name);
        if (!user.isEmpty())
            return user;
    }
#ifdef Q_OS_UNIX
    // Started by a service or a script that set none of them.
    if (const passwd *account = getpwuid(geteuid()))
        return QString::fromLocal8Bit(account->pw_name);
#endif
    return QStringLiteral("?");
}

// An empty file is an empty database; anything else must start as SQLite files do.
bool looksLikeSqlite(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(SqliteMagic.size());
    return head.isEmpty() || head == SqliteMagic;
}
} // namespace

void HistoryEntry::setSceneAfter(const radarlink::SceneFile &scene)
{
    sceneAfter = QString::fromUtf8(radarlink::encodeSceneFile(scene, radarlink::SceneFileLayout::Compact));
    fingerprintAfter = radarlink::fingerprintText(radarlink::sceneFingerprint(scene.scene));
}

QString ChainCheck::text() const
{
    switch (fault) {
    case None:
        return RadarHistory::tr("雷达历史完整：已检查 %1 条记录").arg(checkedEntries);
    case ContentChanged:
        return RadarHistory::tr("雷达 %1 的记录 #%2 被改动过：内容与其哈希不符").arg(serial).arg(entryId);
    case LinkBroken:
        return RadarHistory::tr("雷达 %1 的记录链在记录 #%2 处断开：之前有记录被删除，或这一条是后来插入的")
            .arg(serial)
            .arg(entryId);
    case AddedAtEnd:
        return RadarHistory::tr("雷达 %1 的记录 #%2 是在最后一条记录之后另外加入的").arg(serial).arg(entryId);
    case EndMissing:
        return RadarHistory::tr("雷达 %1 的最后一条记录 #%2 被删除了").arg(serial).arg(entryId);
    case Unreadable:
        break;
    }
    return RadarHistory::tr("无法读取雷达历史");
}

RadarHistory::RadarHistory()
{
    static std::atomic<int> serial{0};
    connection = QStringLiteral("radar-history-%1").arg(++serial);
}

RadarHistory::~RadarHistory()
{
    close();
}

QString RadarHistory::defaultPath()
{
    return QStringLiteral("radar-history.sqlite");
}

void RadarHistory::close()
{
    opened = false;
    if (!QSqlDatabase::contains(connection))
        return;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

bool RadarHistory::fail(const QString &message)
{
    error = message;
    return false;
}

bool RadarHistory::failed(const QSqlError &sqlError)
{
    switch (dialect().classify(sqlError)) {
    case Dialect::Fault::Locked:
        return fail(tr("雷达历史文件正被另一个程序锁定：%1").arg(path));
    case Dialect::Fault::Damaged:
        return fail(tr("雷达历史文件已损坏：%1（%2）").arg(path, sqlError.text()));
    case Dialect::Fault::Other:
        break;
    }
    return fail(tr("雷达历史文件无法读写：%1（%2）").arg(path, sqlError.text()));
}

bool RadarHistory::run(QSqlQuery &query, const QString &statement, const QVariantList &bound)
{
    if (!query.prepare(statement))
        return failed(query.lastError());
    // A null text would be stored as NULL: every text column holds a text, perhaps empty.
    for (const QVariant &value : bound) {
        const bool nullText = value.userType() == QMetaType::QString && value.toString().isNull();
        query.addBindValue(nullText ? QVariant(QStringLiteral("")) : value);
    }
    return query.exec() || failed(query.lastError());
}

bool RadarHistory::open(const QString &filePath, Missing missing)
{
    close();
    error.clear();
    path = filePath;
    const QFileInfo info(path);
    if (!info.exists() && missing == Missing::Refuse)
        return fail(tr("找不到雷达历史文件：%1").arg(path));
    if (info.exists() && (!info.isFile() || !looksLikeSqlite(path)))
        return fail(tr("不是雷达历史文件：%1").arg(path));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(dialect().driver, connection);
        db.setDatabaseName(path);
        db.setConnectOptions(dialect().connectOptions);
        if (!db.open())
            fail(tr("无法打开雷达历史文件：%1（%2）").arg(path, db.lastError().text()));
        else
            opened = inspect();
    }
    if (!opened)
        close();
    return opened;
}

// Reads what the file holds before anything is written to it: a history of this version or
// older is opened, an empty file gets the schema, anything else is left as it is.
bool RadarHistory::inspect()
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    if (!run(query, dialect().listTables))
        return false;
    QStringList tables;
    while (query.next())
        tables << query.value(0).toString();
    if (tables.isEmpty())
        return createSchema();
    if (!tables.contains(QStringLiteral("history_meta")))
        return fail(tr("不是雷达历史文件：%1").arg(path));
    if (!run(query, QStringLiteral("SELECT name, value FROM history_meta")))
        return false;
    QHash<QString, QString> meta;
    while (query.next())
        meta.insert(query.value(0).toString(), query.value(1).toString());
    if (meta.value(QStringLiteral("schema")) != SchemaName)
        return fail(tr("不是雷达历史文件：%1").arg(path));
    bool number = false;
    const int version = meta.value(QStringLiteral("version")).toInt(&number);
    if (version > SchemaVersion)
        return fail(tr("雷达历史文件的格式版本 %1 比本程序新（本程序支持到 %2）：%3")
                        .arg(version)
                        .arg(SchemaVersion)
                        .arg(path));
    if (!number || version < 1 || !tables.contains(QStringLiteral("entries"))
        || !tables.contains(QStringLiteral("radars")))
        return fail(tr("雷达历史文件已损坏：%1（%2）").arg(path, tr("缺少表或版本")));
    for (const QString &statement : dialect().setup)
        if (!run(query, statement))
            return false;
    // Every later write needs the write lock: a program that holds it now makes the history
    // unusable for this window, better said at once than at the first send.
    if (!run(query, dialect().beginWrite))
        return false;
    return run(query, QStringLiteral("ROLLBACK"));
}

bool RadarHistory::createSchema()
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    for (const QString &statement : dialect().setup)
        if (!run(query, statement))
            return false;
    if (!run(query, dialect().beginWrite))
        return false;
    for (const QString &statement : schemaStatements(dialect()))
        if (!run(query, statement)) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    return run(query, QStringLiteral("COMMIT"));
}

bool RadarHistory::record(HistoryEntry &entry)
{
    if (!opened)
        return fail(tr("雷达历史没有打开"));
    HistoryEntry filled = entry;
    if (filled.timeMs == 0)
        filled.timeMs = QDateTime::currentMSecsSinceEpoch();
    if (filled.localTime.isEmpty())
        filled.localTime = localTimeText(filled.timeMs);
    if (filled.user.isEmpty())
        filled.user = computerUser();
    if (filled.computer.isEmpty())
        filled.computer = QSysInfo::machineHostName();

    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    if (!run(query, dialect().beginWrite))
        return false;
    if (!store(filled) || !run(query, QStringLiteral("COMMIT"))) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    entry = filled;
    return true;
}

// Within the write transaction: the entry chained to its radar's last one, and the radar's row.
bool RadarHistory::store(HistoryEntry &entry)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    if (!run(query, QStringLiteral("SELECT last_hash FROM radars WHERE serial = ?"), {entry.serial}))
        return false;
    entry.previousHash = query.next() ? query.value(0).toString() : QString();
    entry.hash = hashOf(chainValues(entry));
    if (!run(query,
             QStringLiteral("INSERT INTO entries (time_ms, local_time, user_name, computer, serial, device_type,"
                            " station, action, fingerprint_before, fingerprint_after, scene_after, result, details,"
                            " previous_hash, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {entry.timeMs, entry.localTime, entry.user, entry.computer, entry.serial, entry.deviceType,
              entry.station, entry.action, entry.fingerprintBefore, entry.fingerprintAfter, entry.sceneAfter,
              entry.result, detailsText(entry.details), entry.previousHash, entry.hash}))
        return false;
    entry.id = query.lastInsertId().toLongLong();
    const bool accepted = entry.action == QLatin1String(HistoryAction::Accepted);
    return run(query,
               QStringLiteral("INSERT INTO radars (serial, last_entry, last_hash, entry_count, last_acceptance)"
                              " VALUES (?, ?, ?, 1, ?) ON CONFLICT (serial) DO UPDATE SET"
                              " last_entry = excluded.last_entry, last_hash = excluded.last_hash,"
                              " entry_count = radars.entry_count + 1,"
                              " last_acceptance = COALESCE(excluded.last_acceptance, radars.last_acceptance)"),
               {entry.serial, entry.id, entry.hash, accepted ? QVariant(entry.id) : QVariant()});
}

QVector<HistoryEntry> RadarHistory::select(const QString &condition, const QVariantList &bound, const QString &order)
{
    QVector<HistoryEntry> entries;
    if (!opened)
        return entries;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    const QString where = condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
    if (!run(query, QStringLiteral("SELECT %1 FROM entries%2 ORDER BY %3").arg(EntryColumns, where, order), bound))
        return entries;
    while (query.next())
        entries.append(entryFromRow(query));
    return entries;
}

QVector<RadarSummary> RadarHistory::radars()
{
    QVector<RadarSummary> list;
    if (!opened)
        return list;
    QHash<qint64, HistoryEntry> acceptances;
    for (const HistoryEntry &e : select(QStringLiteral("id IN (SELECT last_acceptance FROM radars)"), {},
                                        QStringLiteral("id")))
        acceptances.insert(e.id, e);
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    if (!run(query, QStringLiteral("SELECT r.serial, r.entry_count, r.last_acceptance, e.time_ms, e.device_type,"
                                   " e.station FROM radars r LEFT JOIN entries e ON e.id = r.last_entry"
                                   " ORDER BY r.serial")))
        return list;
    while (query.next()) {
        RadarSummary radar;
        radar.serial = query.value(0).toString();
        radar.entries = query.value(1).toLongLong();
        const auto accepted = acceptances.constFind(query.value(2).toLongLong());
        if (!query.value(2).isNull() && accepted != acceptances.constEnd())
            radar.lastAcceptance = *accepted;
        radar.lastTimeMs = query.value(3).toLongLong();
        radar.deviceType = query.value(4).toInt();
        radar.station = query.value(5).toInt();
        list.append(radar);
    }
    return list;
}

QVector<HistoryEntry> RadarHistory::entriesOf(const QString &serial)
{
    return select(QStringLiteral("serial = ?"), {serial}, QStringLiteral("id DESC"));
}

std::optional<HistoryEntry> RadarHistory::lastAcceptance(const QString &serial)
{
    const QVector<HistoryEntry> found = select(QStringLiteral("serial = ? AND action = ?"),
                                               {serial, QString::fromLatin1(HistoryAction::Accepted)},
                                               QStringLiteral("id DESC LIMIT 1"));
    if (found.isEmpty())
        return std::nullopt;
    return found.constFirst();
}

bool RadarHistory::forEachEntry(const std::function<void(const HistoryEntry &)> &visit, const QString &serial)
{
    if (!opened)
        return fail(tr("雷达历史没有打开"));
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    const QString where = serial.isNull() ? QString() : QStringLiteral(" WHERE serial = ?");
    if (!run(query, QStringLiteral("SELECT %1 FROM entries%2 ORDER BY id").arg(EntryColumns, where),
             serial.isNull() ? QVariantList() : QVariantList{serial}))
        return false;
    while (query.next())
        visit(entryFromRow(query));
    return query.lastError().type() == QSqlError::NoError || failed(query.lastError());
}

ChainCheck RadarHistory::checkChain(const QString &serial)
{
    return walkChains(serial.isNull() ? QStringLiteral("") : serial);
}

ChainCheck RadarHistory::checkAll()
{
    return walkChains(QString());
}

// Walks the entries in the order written, each radar's chain on its own; stops at the first
// entry that breaks one. A null serial walks every radar.
ChainCheck RadarHistory::walkChains(const QString &serial)
{
    ChainCheck check;
    check.serial = serial;
    if (!opened) {
        check.fault = ChainCheck::Unreadable;
        return check;
    }
    const QString where = serial.isNull() ? QString() : QStringLiteral(" WHERE serial = ?");
    const QVariantList bound = serial.isNull() ? QVariantList() : QVariantList{serial};
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);

    struct Chain {
        qint64 lastEntry = -1; // as the radar's row says; -1: the radar has no row
        QString lastHash;
        QString previous;      // the hash of the entry walked last
        bool ended = false;    // the last recorded entry has been walked
    };
    QHash<QString, Chain> chains;
    if (!run(query, QStringLiteral("SELECT serial, last_entry, last_hash FROM radars") + where, bound)) {
        check.fault = ChainCheck::Unreadable;
        return check;
    }
    while (query.next())
        chains[query.value(0).toString()] = {query.value(1).toLongLong(), query.value(2).toString(), {}, false};

    if (!run(query, QStringLiteral("SELECT %1 FROM entries%2 ORDER BY id").arg(EntryColumns, where), bound)) {
        check.fault = ChainCheck::Unreadable;
        return check;
    }
    while (check.whole() && query.next()) {
        const qint64 id = query.value(Id).toLongLong();
        const QString hash = query.value(Hash).toString();
        Chain &chain = chains[query.value(Serial).toString()];
        ++check.checkedEntries;
        if (chain.lastEntry < 0 || chain.ended)
            check.fault = ChainCheck::AddedAtEnd;
        else if (query.value(PreviousHash).toString() != chain.previous)
            check.fault = ChainCheck::LinkBroken;
        else if (hashOf(chainValues(query)) != hash || (id == chain.lastEntry && hash != chain.lastHash))
            check.fault = ChainCheck::ContentChanged;
        if (!check.whole()) {
            check.entryId = id;
            check.serial = query.value(Serial).toString();
            break;
        }
        chain.previous = hash;
        if (id == chain.lastEntry)
            chain.ended = true;
    }
    if (query.lastError().type() != QSqlError::NoError) {
        failed(query.lastError());
        check.fault = ChainCheck::Unreadable;
        return check;
    }
    // A radar whose last recorded entry was never reached lost it, unless a fault found earlier
    // in the walk comes first.
    for (auto it = chains.constBegin(); it != chains.constEnd(); ++it) {
        const Chain &chain = it.value();
        if (chain.lastEntry < 0 || chain.ended || (!check.whole() && chain.lastEntry > check.entryId))
            continue;
        if (check.whole() || chain.lastEntry < check.entryId) {
            check.fault = ChainCheck::EndMissing;
            check.entryId = chain.lastEntry;
            check.serial = it.key();
        }
    }
    return check;
}
