// 雷达历史 on disk: the entries come back in order with their fingerprints, each radar with its
// own chain; a hand edit of the file (an entry changed, deleted or inserted) is named at the
// entry where it happened, by the store and by `--history --check`; a file that is not ours,
// is newer or is locked is refused and left byte for byte as it was; a write that cannot be
// done says why and leaves the chain whole.
#include "testsupport.h"

#include "historycommands.h"
#include "radarhistory.h"
#include "scenefile.h"

#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

namespace {
// Runs statements on the file through a connection of its own, as someone with sqlite3 would.
void tamper(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("tamper"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString &statement : statements)
            QVERIFY2(QSqlQuery(db).exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("tamper"));
}

// Another program holding the history's write lock for as long as it lives.
struct Locker {
    QSqlDatabase db;
    bool locked = false;
    explicit Locker(const QString &path) : db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker")))
    {
        db.setDatabaseName(path);
        locked = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~Locker()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    }
};

HistoryEntry entry(const char *serial, const char *action, const char *result, quint16 alarmCm = 200)
{
    HistoryEntry e;
    e.serial = QString::fromLatin1(serial);
    e.deviceType = 1;
    e.station = 2;
    e.action = QString::fromLatin1(action);
    e.result = QString::fromLatin1(result);
    radarlink::SceneFile scene;
    scene.scene.detectionFarCm = 600;
    scene.scene.alarmFarCm = alarmCm;
    scene.scene.gridEdgeCm = 100;
    e.setSceneAfter(scene);
    return e;
}

// Radar A: ids 1, 3, 5, 6, 7; radar B: ids 2, 4, 8.
void fill(RadarHistory &history)
{
    HistoryEntry accepted = entry("0205000703", HistoryAction::Accepted, HistoryResult::Ok, 150);
    accepted.details = QJsonObject{{"name", "王工"}, {"note", "首次验收"}};
    HistoryEntry failed = entry("0205000703", HistoryAction::SceneSent, HistoryResult::Failed, 150);
    failed.details = QJsonObject{{"step", "alarm_area"}};
    for (HistoryEntry e : {entry("0205000703", HistoryAction::Readback, HistoryResult::Ok),
                           entry("0101000001", HistoryAction::Readback, HistoryResult::Ok),
                           entry("0205000703", HistoryAction::SceneSent, HistoryResult::Ok, 150),
                           entry("0101000001", HistoryAction::FlashSaved, HistoryResult::Ok), accepted, failed,
                           entry("0205000703", HistoryAction::StationChanged, HistoryResult::Ok, 150),
                           entry("0101000001", HistoryAction::Verified, HistoryResult::Different)})
        QVERIFY2(history.record(e), qPrintable(history.errorText()));
}

QString checked(RadarHistory &history, int *status)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    *status = historycommands::checkHistory(history, QString(), o, e);
    o.flush();
    e.flush();
    return out + err;
}
} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    QString path() const { return folder.filePath(RadarHistory::defaultPath()); }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { QFile::remove(path()); QFile::remove(path() + "-wal"); QFile::remove(path() + "-shm"); }

    void entriesComeBackInOrderPerRadar()
    {
        {
            RadarHistory history;
            QVERIFY2(history.open(path()), qPrintable(history.errorText()));
            fill(history);
        }
        RadarHistory history;
        QVERIFY(history.open(path(), RadarHistory::Missing::Refuse));
        QStringList actions, fingerprints;
        for (const HistoryEntry &e : history.entriesOf(QStringLiteral("0205000703")))
            actions << QString::number(e.id) + e.action + e.result, fingerprints << e.fingerprintAfter;
        QCOMPARE(actions, QStringList({"7station_changedok", "6scene_sentfailed", "5acceptedok", "3scene_sentok",
                                       "1readbackok"}));
        // Alarm at 1.50 m and at 2.00 m, as Python's zlib gives them over the five writes.
        QCOMPARE(fingerprints, QStringList({"F7D99E48", "F7D99E48", "F7D99E48", "F7D99E48", "4B492830"}));
        const QVector<RadarSummary> radars = history.radars();
        QCOMPARE(radars.size(), 2);
        QCOMPARE(radars[0].serial + radars[1].serial, QStringLiteral("01010000010205000703"));
        QVERIFY(!radars[0].lastAcceptance);
        QCOMPARE(radars[1].lastAcceptance->details.value("name").toString(), QStringLiteral("王工"));
        QCOMPARE(history.lastAcceptance(QStringLiteral("0205000703"))->id, 5);
        // Radar B's chain starts afresh although A's entries lie between.
        QVERIFY(history.entriesOf(QStringLiteral("0101000001")).constLast().previousHash.isEmpty());
        int status = -1;
        QCOMPARE(checked(history, &status), QStringLiteral("雷达历史完整：已检查 8 条记录\n"));
        QCOMPARE(status, 0);
    }

    void printsJsonLines()
    {
        RadarHistory history;
        QVERIFY(history.open(path()));
        fill(history);
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(historycommands::printHistory(history, QStringLiteral("0101000001"), o, e), 0);
        const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QJsonObject last = QJsonDocument::fromJson(lines.constLast().toUtf8()).object();
        for (const char *key : {"time", "user", "action", "serial", "station", "device_type", "fingerprint", "result"})
            QVERIFY2(last.contains(QLatin1String(key)), key);
        QCOMPARE(last.value("action").toString() + last.value("result").toString(), QStringLiteral("verifieddifferent"));
        QCOMPARE(last.value("serial").toString(), QStringLiteral("0101000001"));
        QCOMPARE(last.value("scene").toObject().value("alarm_far_cm").toInt(), 200);
        QVERIFY(last.value("time").toString().endsWith('Z'));
    }

    void handEditsAreNamed_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("named");
        QTest::newRow("an entry's scene changed")
            << QStringList{"UPDATE entries SET scene_after = replace(scene_after, '\"alarm_far_cm\":150', "
                           "'\"alarm_far_cm\":250') WHERE id = 5"}
            << "雷达 0205000703 的记录 #5 被改动过：内容与其哈希不符";
        QTest::newRow("an entry deleted") << QStringList{"DELETE FROM entries WHERE id = 3"}
                                          << "雷达 0205000703 的记录链在记录 #5 处断开：之前有记录被删除，或这一条是后来插入的";
        QTest::newRow("an entry inserted")
            << QStringList{"INSERT INTO entries (time_ms, local_time, user_name, computer, serial, device_type, station,"
                           " action, fingerprint_before, fingerprint_after, scene_after, result, details, previous_hash,"
                           " hash) SELECT time_ms + 1, local_time, user_name, computer, serial, device_type, station,"
                           " 'accepted', fingerprint_before, fingerprint_after, scene_after, result, details,"
                           " previous_hash, hash FROM entries WHERE id = 7"}
            << "雷达 0205000703 的记录 #9 是在最后一条记录之后另外加入的";
        QTest::newRow("the last entry deleted") << QStringList{"DELETE FROM entries WHERE id = 8"}
                                                << "雷达 0101000001 的最后一条记录 #8 被删除了";
    }
    void handEditsAreNamed()
    {
        QFETCH(QStringList, statements);
        {
            RadarHistory history;
            QVERIFY(history.open(path()));
            fill(history);
        }
        tamper(path(), statements);
        RadarHistory history;
        QVERIFY(history.open(path()));
        int status = -1;
        QTEST(checked(history, &status).trimmed(), "named");
        QCOMPARE(status, 3);
        // The other radar's chain still holds.
        QCOMPARE(int(history.checkChain(QStringLiteral("0205000703")).whole())
                     + int(history.checkChain(QStringLiteral("0101000001")).whole()),
                 1);
    }

    void foreignNewerAndLockedFilesAreLeftAlone_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("message");
        QTest::newRow("text") << QStringList() << "不是雷达历史文件：%1";
        QTest::newRow("a recording") << QStringList{"CREATE TABLE frames (frame INTEGER)"} << "不是雷达历史文件：%1";
        QTest::newRow("newer schema") << QStringList{"@history", "UPDATE history_meta SET value = '2' WHERE name = 'version'"}
                                      << "雷达历史文件的格式版本 2 比本程序新（本程序支持到 1）：%1";
        QTest::newRow("locked") << QStringList{"@history", "@lock"} << "雷达历史文件正被另一个程序锁定：%1";
    }
    void foreignNewerAndLockedFilesAreLeftAlone()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, message);
        if (statements.isEmpty()) {
            QFile text(path());
            QVERIFY(text.open(QIODevice::WriteOnly) && text.write("radar,station\n0205000703,2\n") > 0);
        }
        if (statements.value(0) == QLatin1String("@history")) {
            RadarHistory made;
            QVERIFY(made.open(path()));
            fill(made);
            statements.removeFirst();
        }
        std::unique_ptr<Locker> locker;
        if (statements.value(0) == QLatin1String("@lock")) {
            locker = std::make_unique<Locker>(path());
            QVERIFY(locker->locked);
        } else if (!statements.isEmpty()) {
            tamper(path(), statements);
        }
        const QByteArray before = fileBytes(path());
        RadarHistory history;
        QVERIFY(!history.open(path()));
        QCOMPARE(history.errorText(), message.arg(path()));
        QCOMPARE(fileBytes(path()), before);
    }

    // Another program holding the write lock makes one write fail with the reason; the next
    // one, after it let go, is chained as if nothing had happened.
    void aFailedWriteSaysWhyAndKeepsTheChain()
    {
        RadarHistory history;
        QVERIFY(history.open(path()));
        HistoryEntry first = entry("0205000703", HistoryAction::Readback, HistoryResult::Ok);
        QVERIFY(history.record(first));
        {
            Locker locker(path());
            QVERIFY(locker.locked);
            HistoryEntry blocked = entry("0205000703", HistoryAction::SceneSent, HistoryResult::Ok);
            QVERIFY(!history.record(blocked));
            QCOMPARE(history.errorText(), QStringLiteral("雷达历史文件正被另一个程序锁定：") + path());
            QCOMPARE(blocked.id, 0);
        }
        HistoryEntry next = entry("0205000703", HistoryAction::SceneSent, HistoryResult::Ok);
        QVERIFY2(history.record(next), qPrintable(history.errorText()));
        QCOMPARE(next.previousHash, first.hash);
        QCOMPARE(history.entriesOf(QStringLiteral("0205000703")).size(), 2);
        QVERIFY(history.checkAll().whole());
    }
};

RADAR_TEST_MAIN(TestHistory)
#include "tst_history.moc"
