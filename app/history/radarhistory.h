// 雷达历史: every action that changed or proved a radar's state (read back at connect, scene
// sent, saved to flash, verified, accepted, station changed, relay sensitivity and CAN output
// set, firmware upgraded), one entry each, kept in one SQLite file for the working folder or, when
// radar-config.ini names one, in a PostgreSQL database the whole team shares. Entries that cannot
// reach that server wait in the local file and are sent, in order and once each, when it is back.
// The rest of the program speaks in entries; the SQL stays in this class.
//
// Each entry carries a SHA-256 over its own content and the hash of the radar's entry before
// it, so that an entry edited, inserted or deleted by hand breaks that radar's chain there.
// docs/history.md describes the schema and the chain.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <optional>

class QSqlError;
class QSqlQuery;
struct HistoryDialect;

namespace radarlink {
struct SceneFile;
}

// What an entry records; the texts are stored as they are.
namespace HistoryAction {
constexpr const char Readback[] = "readback";
constexpr const char SceneSent[] = "scene_sent";
constexpr const char FlashSaved[] = "flash_saved";
constexpr const char Verified[] = "verified";
constexpr const char Accepted[] = "accepted";
constexpr const char StationChanged[] = "station_changed";
constexpr const char RelaySensitivitySet[] = "relay_sensitivity_set";
constexpr const char CanOutputSet[] = "can_output_set";
constexpr const char FirmwareUpgraded[] = "firmware_upgraded";
} // namespace HistoryAction

namespace HistoryResult {
constexpr const char Ok[] = "ok";
constexpr const char Failed[] = "failed";
constexpr const char Equal[] = "equal";
constexpr const char Different[] = "different";
} // namespace HistoryResult

struct HistoryEntry {
    qint64 id = 0;          // the entry's place in the store, set when recorded; 0 while it waits
    QString uid;            // unique over every store and laptop: a waiting entry is sent once
    qint64 timeMs = 0;      // UTC, ms since 1970; 0: now, when recorded
    QString localTime;      // ISO 8601 with the offset; filled from timeMs when empty
    QString user;           // the computer user; filled when empty
    QString computer;       // the computer's name; filled when empty
    QString serial;         // as the window shows it
    int deviceType = 0;
    int station = 0;
    QString action;         // one of HistoryAction
    QString fingerprintBefore; // eight hex digits, or empty when not known
    QString fingerprintAfter;
    QString sceneAfter;     // the scene file's compact JSON, or empty
    QString result;         // one of HistoryResult
    QJsonObject details;    // name and note of an acceptance, the failed step, the firmware set ...
    QString previousHash;   // set when recorded
    QString hash;

    // Sets sceneAfter and fingerprintAfter from a scene.
    void setSceneAfter(const radarlink::SceneFile &scene);
};

struct RadarSummary {
    QString serial;
    int deviceType = 0;     // of the radar's last entry
    int station = 0;
    qint64 entries = 0;
    qint64 lastTimeMs = 0;
    std::optional<HistoryEntry> lastAcceptance;
};

// The first place where a radar's chain does not hold.
struct ChainCheck {
    enum Fault {
        None,
        ContentChanged, // the entry's content no longer gives its hash
        LinkBroken,     // the entry does not follow the one before it: one deleted or this one inserted
        AddedAtEnd,     // the entry came after the radar's last recorded entry
        EndMissing,     // the radar's last recorded entry (entryId) is gone
        Unreadable,     // the store could not be read
    };
    Fault fault = None;
    qint64 entryId = 0;
    QString serial;
    qint64 checkedEntries = 0;

    bool whole() const { return fault == None; }
    // One line for the operator, naming the entry.
    QString text() const;
};

class RadarHistory
{
    Q_DECLARE_TR_FUNCTIONS(RadarHistory)

public:
    static constexpr int SchemaVersion = 2;
    static constexpr qint64 RetryAfterMs = 30000;

    // Where the history lives.
    struct Settings {
        QString localPath = defaultPath(); // the history, or with a server the entries waiting for it
        QString server;                    // a postgresql:// URL or libpq's key=value options; empty: none

        // history/database of radar-config.ini (MainWindow::settingsFilePath()).
        static Settings fromIni(const QString &iniPath);
    };

    RadarHistory();
    ~RadarHistory();
    RadarHistory(const RadarHistory &) = delete;
    RadarHistory &operator=(const RadarHistory &) = delete;

    // radar-history.sqlite, in the working folder beside recordings/.
    static QString defaultPath();

    enum class Missing { Create, Refuse };
    // Opens the history, creating it on first use. A file that is not a history, of a newer
    // schema, damaged or locked by another program is refused with errorText() and left as it is.
    bool open(const QString &path, Missing missing = Missing::Create);
    // The same, or with a server named: opens the local file if there is one (it holds the
    // waiting entries; made when the first has to wait) and connects. A server that cannot be
    // reached or refuses is no failure: errorText() says why, and the entries wait.
    bool open(const Settings &settings, Missing missing = Missing::Create);
    bool isOpen() const { return opened; }
    void close();
    QString errorText() const { return error; }

    // Which store is in use, for the window: the file, or the server without its password.
    QString storeText() const;
    bool usesServer() const { return !server.connection.isEmpty(); }

    // Stores the entry in one transaction, chained to the radar's last one; fills the entry's
    // uid, id, time, user, computer and hashes. With a server, the waiting entries go first;
    // when the server cannot take it, the entry waits in the local file (its id stays 0) and
    // errorText() says why. A server that failed less than RetryAfterMs ago is not asked again
    // here. False, with errorText(), only when the entry could be kept nowhere.
    bool record(HistoryEntry &entry);

    // Entries waiting in the local file for the server.
    int waitingCount();
    // Sends the waiting entries in the order recorded, asking the server whenever called (the
    // window's timer); true when none waits any more.
    bool flushWaiting();

    QVector<RadarSummary> radars();
    QVector<HistoryEntry> entriesOf(const QString &serial); // newest first
    std::optional<HistoryEntry> lastAcceptance(const QString &serial);
    // Every entry in the order recorded, or one radar's; false when the store could not be read.
    bool forEachEntry(const std::function<void(const HistoryEntry &)> &visit, const QString &serial = QString());

    ChainCheck checkChain(const QString &serial);
    // The first bad entry of all radars' chains.
    ChainCheck checkAll();

private:
    // One database the history uses: the local file or the server.
    struct Store {
        QString connection;              // the QSqlDatabase's name; empty when not used
        const HistoryDialect *dialect = nullptr;
        QString place;                   // for messages: the file's path, or the server without password
        bool ready = false;              // open, and known to hold the schema
    };

    bool fail(const QString &message);
    bool failed(const Store &store, const QSqlError &sqlError);
    static void forget(Store &store);
    bool openFile(Missing missing);
    bool connectServer();
    void dropServer();
    bool ensureHistory();
    Store &history() { return usesServer() ? server : local; }
    bool inspect(Store &store);
    bool createSchema(Store &store);
    bool upgradeSchema(Store &store);
    bool run(const Store &store, QSqlQuery &query, const QString &statement, const QVariantList &bound = {});
    bool runAll(const Store &store, QSqlQuery &query, const QStringList &statements);
    bool inWriteTransaction(Store &store, const std::function<bool(QSqlQuery &)> &body);
    // Within a write transaction: waits for another program creating or upgrading the tables.
    bool lockSchema(const Store &store, QSqlQuery &query);
    bool write(Store &store, HistoryEntry &entry);
    bool insertChained(Store &store, QSqlQuery &query, HistoryEntry &entry);
    bool send(HistoryEntry &entry);
    bool sendAfterWaiting(HistoryEntry &entry);
    bool keepWaiting(const HistoryEntry &entry);
    bool readWaiting(QVector<HistoryEntry> *entries);
    // The entries matching condition in the order given; false when the store could not be read.
    bool eachEntry(const QString &condition, const QVariantList &bound, const QString &order,
                   const std::function<void(const HistoryEntry &)> &visit);
    QVector<HistoryEntry> select(const QString &condition, const QVariantList &bound, const QString &order);
    ChainCheck walkChains(const QString &serial);

    QString name;          // of this object's connections
    Store local;
    Store server;
    QString settingProblem; // history/database could not be read
    QString serverProblem;  // why the server could not be used, the last time it could not
    QElapsedTimer lastRefusal; // since then; invalid while the server answers
    QString error;
    bool opened = false;
};
