// The link against a simulated radar on a real pseudo-terminal, through the real serial port:
// every reply discipline, the log lines the operator reads, stale input and the link lock.
#include "commandtable.h"
#include "frame.h"
#include "linkfixture.h"

#include <QTimer>

using namespace radarlink;
namespace C = RadarCommands;

namespace {
// A reply frame as a radar forms it: header with the given length field, data, tail.
QByteArray replyFrame(quint8 code, const QByteArray &data)
{
    QByteArray frame = QByteArray::fromHex("55aa00000000000206020200");
    frame[FunctionCodeOffset] = char(code);
    frame += data;
    frame += QByteArray::fromHex("eded");
    frame[2] = char(frame.size() & 0xff);
    frame[3] = char(frame.size() >> 8);
    const quint16 sum = frameChecksum(frame);
    frame[4] = char(sum & 0xff);
    frame[5] = char(sum >> 8);
    return frame;
}

// Commands travel through the test tables by their place in the command table.
int indexOf(const RadarCommand &c)
{
    int count = 0;
    const RadarCommand *const *table = C::all(&count);
    return int(std::find(table, table + count, &c) - table);
}
const RadarCommand &commandAt(int index)
{
    int count = 0;
    return *C::all(&count)[index];
}
QByteArray payloadFor(const RadarCommand &c, const char *query = "0100")
{
    return c.code == 0x06 ? QByteArray::fromHex(query) : QByteArray(c.frameLength - 14, '\0');
}
} // namespace

class TestTransaction : public AttachedFixture
{
    Q_OBJECT
    QString sent(int i = 0) { return toHexText(radar->requests().at(i).bytes).trimmed(); }

private slots:
    void initTestCase() { startRadar(); }
    void cleanupTestCase() { stopRadar(); }
    void init() { attachWindow(); }
    void cleanup() { detachWindow(); }

    // The first request after connecting goes out under the connect header; later ones carry
    // the station the header was given.
    void requestsCarryTheHeaderStation()
    {
        QVERIFY(w().runExchange(C::ReadIdentity, QByteArray()));
        QVERIFY(radar->waitForRequests(1, 1000));
        QCOMPARE(sent(), QStringLiteral("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed"));
        QCOMPARE(log().first(), QStringLiteral("发送读取ID命令：") + sent());
        QVERIFY(log().at(1).startsWith(QStringLiteral("读取ID返回：55 aa ")));

        w().frameHeader[StationOffset] = 5;
        w().frameHeader[StationCopyOffset] = 5;
        w().frameHeader[ReportedStationOffset] = 5;
        QVERIFY(w().runExchange(C::ResultQuery, QByteArray::fromHex("0100")));
        QVERIFY(w().runExchange(C::ReadDetectionArea, QByteArray()));
        QVERIFY(radar->waitForRequests(3, 1000));
        QCOMPARE(sent(1), QStringLiteral("55 aa 10 00 ff 02 00 05 06 05 05 00 01 00 ed ed"));
        QCOMPARE(sent(2), QStringLiteral("55 aa 0e 00 00 03 00 05 0a 05 05 00 ed ed"));
    }

    // A reply in pieces is put together, by its size or by its deadline, and applied once.
    void repliesInPiecesAreAssembled_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("replyPrefix");
        QTest::newRow("sized read") << indexOf(C::ReadDetectionArea) << "读取雷达探测区域设置信息返回：";
        QTest::newRow("deadline") << indexOf(C::ResultQuery) << "雷达探测结果查询返回：";
    }
    void repliesInPiecesAreAssembled()
    {
        QFETCH(int, command);
        QFETCH(QString, replyPrefix);
        const RadarCommand &c = commandAt(command);
        sim::FaultSpec split = faultSpec(sim::Fault::Split);
        split.pieces = 4;
        split.gapMs = 50;
        radar->setFault(c.code, split);
        radar->setFixedTargets({{7, 100, 250, 0, 0, 1}});
        int calls = 0;
        QByteArray applied;
        QVERIFY(w().runExchange(c, payloadFor(c), [&](const QByteArray &reply) {
            ++calls;
            applied = reply;
            return true;
        }));
        QCOMPARE(calls, 1);
        QVERIFY(hasSync(applied));
        QCOMPARE(int(replyLengthField(applied)), applied.size());
        QCOMPARE(log(), (QStringList{c.request() + sent(), replyPrefix + toHexText(applied).trimmed()}));
    }

    // Ten bytes of a reply that declares forty are reported with their counts; a reply of a
    // bare header is traced and applies nothing.
    void deadlineRepliesThatCannotBeUsed()
    {
        radar->setFault(0x06, faultSpec(sim::Fault::Silent));
        bool applied = false;
        auto apply = [&](const QByteArray &) { return applied = true; };
        {
            LateSender sender(*radar, 1, replyFrame(0x06, QByteArray(26, '\x01')).left(10));
            QVERIFY(w().runExchange(C::ResultQuery, QByteArray::fromHex("0100"), apply));
        }
        QCOMPARE(log().size(), 3);
        QCOMPARE(log().at(2), QStringLiteral("雷达探测结果查询返回：消息长度不正确10/40"));

        QByteArray twelve = replyFrame(0x06, QByteArray()).left(12);
        twelve[2] = 12;
        radar->clearRequests();
        window->ui->listWidget->clear();
        {
            LateSender sender(*radar, 1, twelve);
            QVERIFY(w().runExchange(C::TestCommand, QByteArray::fromHex("0400"), apply));
        }
        QVERIFY(!applied);
        QCOMPARE(log(), (QStringList{QStringLiteral("测试命令：") + sent(),
                                     QStringLiteral("测试命令返回：") + toHexText(twelve).trimmed()}));
    }

    void silentRadarGivesTheTimeoutLines_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("short acknowledgement") << indexOf(C::WriteDetectionArea) << false
            << QStringList{"雷达探测区域设置命令：超时或无返回值"};
        QTest::newRow("long acknowledgement") << indexOf(C::SaveToFlash) << false
            << QStringList{"保存设置到flash命令：超时或无返回值"};
        QTest::newRow("sized read") << indexOf(C::ReadAlarmArea) << false
            << QStringList{"读取雷达报警区域设置信息命令：超时或无返回值", "雷达报警区域设置信息返回：长度不正确"};
        QTest::newRow("identity read") << indexOf(C::ReadIdentity) << false
            << QStringList{"读取ID命令：超时或无返回值"};
        QTest::newRow("deadline") << indexOf(C::ResultQuery) << true
            << QStringList{"雷达探测结果查询命令：超时或无返回值"};
    }
    void silentRadarGivesTheTimeoutLines()
    {
        QFETCH(int, command);
        QFETCH(bool, result);
        QFETCH(QStringList, lines);
        const RadarCommand &c = commandAt(command);
        radar->setFaultForAll(faultSpec(sim::Fault::Silent));
        QCOMPARE(w().runExchange(c, payloadFor(c)), result);
        QCOMPARE(log(), QStringList{c.request() + sent()} + lines);
    }

    // A wrong sync and a sized reply short of its minimum are reported and never applied.
    void badRepliesAreReported()
    {
        bool applied = false;
        auto apply = [&](const QByteArray &) { return applied = true; };
        radar->setFaultForAll(faultSpec(sim::Fault::BadSync));
        QVERIFY(!w().runExchange(C::ReadTargetFilter, QByteArray(), apply));
        QCOMPARE(log().last(), QStringLiteral("读取雷达属性筛选信息：同步字不正确"));
        QVERIFY(w().runExchange(C::ResultQuery, QByteArray::fromHex("0100"), apply));
        QCOMPARE(log().last(), QStringLiteral("雷达探测结果查询返回：同步头不正确"));

        radar->clearFaults();
        radar->setFault(0x15, faultSpec(sim::Fault::Short));
        window->ui->listWidget->clear();
        QVERIFY(!w().runExchange(C::ReadStartDistance, QByteArray(), apply));
        QVERIFY(!applied);
        QCOMPARE(log().size(), 3);
        QVERIFY(log().at(1).startsWith(QStringLiteral("读取起始探测距离：55 aa")));
        QCOMPARE(log().at(2), QStringLiteral("读取起始探测距离：长度不正确"));
    }

    // A reply that comes too late for its own exchange must not pass as the next one's.
    void lateReplyNeverAnswersTheNextCommand_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("short acknowledgement") << indexOf(C::WriteAlarmArea);
        QTest::newRow("long acknowledgement") << indexOf(C::SetStationNumber);
        QTest::newRow("sized read") << indexOf(C::ReadDetectionArea);
        QTest::newRow("deadline") << indexOf(C::TestCommand);
    }
    void lateReplyNeverAnswersTheNextCommand()
    {
        QFETCH(int, command);
        const RadarCommand &c = commandAt(command);
        sim::FaultSpec late = faultSpec(sim::Fault::Late, 1);
        late.delayMs = 300;
        radar->setFault(0x02, late);
        QVERIFY(!w().runExchange(C::WriteDetectionArea, QByteArray(6, '\0')));
        QTest::qWait(400);   // the late acknowledgement is now waiting on the tool's side

        radar->setFault(c.code, faultSpec(sim::Fault::Silent));
        window->ui->listWidget->clear();
        bool applied = false;
        const bool result = w().runExchange(c, payloadFor(c, "0400"), [&](const QByteArray &) {
            return applied = true;
        });
        QVERIFY(!applied);
        QCOMPARE(result, c.discipline == ReplyDiscipline::Deadline);
        QCOMPARE(log().at(1), c.timeout());
    }

    // An operator command waits while another exchange holds the link, then goes out; a
    // timer-driven one skips its turn silently; a port closed meanwhile fails silently.
    void theLinkLock()
    {
        SerialChannel &channel = w().channel();
        QVERIFY(channel.lock.tryLock());
        int requestsWhileHeld = -1;
        QTimer::singleShot(200, [&] {
            requestsWhileHeld = radar->requests().size();
            channel.lock.unlock();
        });
        QVERIFY(w().runExchange(C::WriteTargetFilter, QByteArray(2, '\0')));
        QCOMPARE(requestsWhileHeld, 0);
        QVERIFY(radar->waitForRequests(1, 1000));
        QCOMPARE(radar->requests().first().functionCode, quint8(0x07));

        radar->clearRequests();
        window->ui->listWidget->clear();
        QVERIFY(channel.lock.tryLock());   // free again after the exchange
        QVERIFY(!w().runExchange(C::ResultQuery, QByteArray::fromHex("0100")));
        QVERIFY(!w().runExchange(C::TestCommand, QByteArray::fromHex("0400")));
        QTimer::singleShot(100, [&] {
            channel.port.close();
            channel.lock.unlock();
        });
        QVERIFY(!w().runExchange(C::WriteStartDistance, QByteArray(16, '\0')));
        QVERIFY(!w().runExchange(C::ReadIdentity, QByteArray()));
        QTest::qWait(100);
        QCOMPARE(radar->requests().size(), 0);
        QCOMPARE(log(), QStringList());

        // A forced release frees the link, and releasing a free link is harmless.
        QVERIFY(channel.lock.tryLock());
        channel.release();
        channel.release();
        QVERIFY(channel.lock.tryLock());
        channel.lock.unlock();
    }
};

RADAR_TEST_MAIN(TestTransaction)
#include "tst_transaction.moc"
