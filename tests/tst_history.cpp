// 雷达历史 on disk: the entries come back in order with their fingerprints, each radar with its
// own chain, and as JSON lines; a hand edit of the file (an entry changed, deleted or inserted)
// is named at the entry where it happened by `--history --check`; a file that is not ours, is
// newer or is locked is refused and left byte for byte as it was; a write that cannot be done
// says why and leaves the chain whole.
#include "testsupport.h"

#include "historycommands.h"
#include "radarhistory.h"
#include "scenefile.h"

#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <optional>

namespace {
const QString A = QStringLiteral("0205000703"), B = QStringLiteral("0101000001");

// Another program with a connection of its own on the file, as someone with sqlite3 would have:
// it runs the statements and, when told to, keeps the write lock for as long as it lives.
struct OtherProgram {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    bool ok = false;
    OtherProgram(const QString &path, const QStringList &statements)
    {
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString &statement : statements)
            ok = ok && QSqlQuery(db).exec(statement);
    }
    ~OtherProgram()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
};

HistoryEntry entry(const QString &serial, const char *action, const char *result, quint16 alarmCm = 150,
                   const QJsonObject &details = {})
{
    HistoryEntry e;
    e.serial = serial;
    e.deviceType = 1;
    e.station = 2;
    e.action = QString::fromLatin1(action);
    e.result = QString::fromLatin1(result);
    e.details = details;
    e.setSceneAfter(radarlink::SceneFile{1, radarlink::WireScene{600, 0, 0, alarmCm, 0, 0, 100, {}, 0, 0, 0}});
    return e;
}

// Radar A: ids 1, 3, 5, 6, 7; radar B: ids 2, 4, 8.
void fill(const QString &path)
{
    RadarHistory history;
    QVERIFY(history.open(path));
    for (HistoryEntry e : {entry(A, HistoryAction::Readback, HistoryResult::Ok, 200),
                           entry(B, HistoryAction::Readback, HistoryResult::Ok, 200),
                           entry(A, HistoryAction::SceneSent, HistoryResult::Ok),
                           entry(B, HistoryAction::FlashSaved, HistoryResult::Ok, 200),
                           entry(A, HistoryAction::Accepted, HistoryResult::Ok, 150, {{"name", "王工"}, {"note", "首次验收"}}),
                           entry(A, HistoryAction::SceneSent, HistoryResult::Failed, 150, {{"step", "alarm_area"}}),
                           entry(A, HistoryAction::StationChanged, HistoryResult::Ok),
                           entry(B, HistoryAction::Verified, HistoryResult::Different, 200)})
        QVERIFY2(history.record(e), qPrintable(history.errorText()));
}

// What `radar-config --history [--check] [SERIAL]` prints, both streams, and its exit status.
QPair<int, QString> command(const QString &path, bool check, const QString &serial = QString())
{
    QString printed;
    QTextStream out(&printed), err(&printed);
    const int status = historycommands::runHistoryCommand(path, serial, check, out, err);
    out.flush();
    err.flush();
    return {status, printed};
}
} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    QString path() const { return folder.filePath(RadarHistory::defaultPath()); }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init()
    {
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(path() + QLatin1String(suffix));
    }

    void entriesComeBackInOrderPerRadar()
    {
        fill(path());
        RadarHistory history;
        QVERIFY(history.open(path(), RadarHistory::Missing::Refuse));
        QStringList actions, fingerprints;
        for (const HistoryEntry &e : history.entriesOf(A))
            actions << QString::number(e.id) + e.action + e.result, fingerprints << e.fingerprintAfter;
        QCOMPARE(actions, QStringList({"7station_changedok", "6scene_sentfailed", "5acceptedok", "3scene_sentok",
                                       "1readbackok"}));
        // Alarm at 1.50 m and at 2.00 m, as Python's zlib gives them over the five writes.
        QCOMPARE(fingerprints, QStringList({"F7D99E48", "F7D99E48", "F7D99E48", "F7D99E48", "4B492830"}));
        const QVector<RadarSummary> radars = history.radars();
        QCOMPARE(radars.size(), 2);
        QCOMPARE(radars[0].serial + radars[1].serial, B + A);
        QVERIFY(!radars[0].lastAcceptance);
        QCOMPARE(radars[1].lastAcceptance->details.value("name").toString(), QStringLiteral("王工"));
        QCOMPARE(history.lastAcceptance(A)->id, qint64(5));
        // Radar B's chain starts afresh although A's entries lie between.
        QVERIFY(history.entriesOf(B).constLast().previousHash.isEmpty());
        QCOMPARE(command(path(), true), qMakePair(0, QStringLiteral("雷达历史完整：已检查 8 条记录\n")));

        const QPair<int, QString> printed = command(path(), false, B);
        QCOMPARE(printed.first, 0);
        const QStringList lines = printed.second.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QJsonObject last = QJsonDocument::fromJson(lines.constLast().toUtf8()).object();
        for (const char *key : {"time", "user", "action", "serial", "station", "device_type", "fingerprint", "result"})
            QVERIFY2(last.contains(QLatin1String(key)), key);
        QCOMPARE(last.value("action").toString() + last.value("result").toString() + last.value("serial").toString()
                     + last.value("fingerprint").toString(),
                 "verifieddifferent" + B + "4B492830");
        QCOMPARE(last.value("scene").toObject().value("alarm_far_cm").toInt(), 200);
    }

    void handEditsAreNamed_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("named");
        QTest::newRow("an entry's scene changed")
            << "UPDATE entries SET scene_after = replace(scene_after, '\"alarm_far_cm\":150', '\"alarm_far_cm\":250')"
               " WHERE id = 5"
            << "雷达 0205000703 的记录 #5 被改动过：内容与其哈希不符";
        QTest::newRow("an entry deleted") << "DELETE FROM entries WHERE id = 3"
                                          << "雷达 0205000703 的记录链在记录 #5 处断开：之前有记录被删除，或这一条是后来插入的";
        QTest::newRow("an entry inserted")
            << "INSERT INTO entries (time_ms, local_time, user_name, computer, serial, device_type, station, action,"
               " fingerprint_before, fingerprint_after, scene_after, result, details, previous_hash, hash)"
               " SELECT time_ms + 1, local_time, user_name, computer, serial, device_type, station, 'accepted',"
               " fingerprint_before, fingerprint_after, scene_after, result, details, previous_hash, hash"
               " FROM entries WHERE id = 7"
            << "雷达 0205000703 的记录 #9 是在最后一条记录之后另外加入的";
        QTest::newRow("the last entry deleted") << "DELETE FROM entries WHERE id = 8"
                                                << "雷达 0101000001 的最后一条记录 #8 被删除了";
    }
    void handEditsAreNamed()
    {
        QFETCH(QString, statement);
        QFETCH(QString, named);
        fill(path());
        QVERIFY(OtherProgram(path(), {statement}).ok);
        QCOMPARE(command(path(), true), qMakePair(3, named + '\n'));
        // The other radar's chain still holds.
        QCOMPARE(command(path(), true, named.contains(A) ? B : A).first, 0);
    }

    void foreignNewerAndLockedFilesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("message");
        QTest::newRow("text") << QString() << "不是雷达历史文件：%1";
        QTest::newRow("a recording") << "CREATE TABLE frames (frame INTEGER)" << "不是雷达历史文件：%1";
        QTest::newRow("newer schema") << "UPDATE history_meta SET value = '2' WHERE name = 'version'"
                                      << "雷达历史文件的格式版本 2 比本程序新（本程序支持到 1）：%1";
        QTest::newRow("locked") << "BEGIN EXCLUSIVE" << "雷达历史文件正被另一个程序锁定：%1";
    }
    void foreignNewerAndLockedFilesAreLeftAlone()
    {
        QFETCH(QString, statement);
        QFETCH(QString, message);
        QFile file(path());
        if (statement.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("radar,station\n0205000703,2\n") > 0);
        else if (!statement.contains(QLatin1String("frames")))
            fill(path());
        file.close();
        std::optional<OtherProgram> other;
        if (!statement.isEmpty())
            QVERIFY(other.emplace(path(), QStringList{statement}).ok);
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
        HistoryEntry first = entry(A, HistoryAction::Readback, HistoryResult::Ok);
        QVERIFY(history.record(first));
        {
            const OtherProgram locker(path(), {QStringLiteral("BEGIN EXCLUSIVE")});
            QVERIFY(locker.ok);
            HistoryEntry blocked = entry(A, HistoryAction::SceneSent, HistoryResult::Ok);
            QVERIFY(!history.record(blocked));
            QCOMPARE(history.errorText(), QStringLiteral("雷达历史文件正被另一个程序锁定：") + path());
            QCOMPARE(blocked.id, qint64(0));
        }
        HistoryEntry next = entry(A, HistoryAction::SceneSent, HistoryResult::Ok);
        QVERIFY2(history.record(next), qPrintable(history.errorText()));
        QCOMPARE(next.previousHash, first.hash);
        QCOMPARE(history.entriesOf(A).size(), 2);
        QVERIFY(history.checkAll().whole());
    }
};

RADAR_TEST_MAIN(TestHistory)
#include "tst_history.moc"
