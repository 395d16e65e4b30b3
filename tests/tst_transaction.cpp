// The link against a simulated radar on a real pseudo-terminal, through the real serial port:
// every reply discipline, the log lines the operator reads, stale input and the link lock.
#include "commandtable.h"
#include "frame.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QListWidget>
#include <QThread>
#include <QTimer>

#include <memory>

using namespace radarlink;
namespace C = RadarCommands;

namespace {

QStringList logMessages(const MainWindow &w)
{
    QStringList lines;
    const QListWidget *list = w.ui->listWidget;
    for (int i = 0; i < list->count(); ++i) {
        const QString text = list->item(i)->text();
        lines << text.mid(text.indexOf(QStringLiteral("]: ")) + 3);
    }
    return lines;
}

// A reply frame as a radar forms it: header with the given length field, data, tail.
QByteArray replyFrame(quint8 code, const QByteArray &data, int declaredLength = -1)
{
    QByteArray frame = QByteArray::fromHex("55aa00000000000206020200");
    frame[FunctionCodeOffset] = char(code);
    frame += data;
    frame += QByteArray::fromHex("eded");
    const int length = declaredLength < 0 ? frame.size() : declaredLength;
    frame[2] = char(length & 0xff);
    frame[3] = char(length >> 8);
    const quint16 sum = frameChecksum(frame);
    frame[4] = char(sum & 0xff);
    frame[5] = char(sum >> 8);
    return frame;
}

// Plants bytes on the line from the radar's side once the tool's request has arrived.
class LateSender
{
public:
    LateSender(sim::RadarSimulator &radar, int requestCount, QByteArray bytes, int delayMs = 0)
    {
        thread.reset(QThread::create([&radar, requestCount, bytes, delayMs] {
            if (radar.waitForRequests(requestCount, 3000)) {
                QThread::msleep(ulong(delayMs));
                radar.sendRaw(bytes);
            }
        }));
        thread->start();
    }
    ~LateSender() { thread->wait(); }

private:
    std::unique_ptr<QThread> thread;
};

} // namespace

class TestTransaction : public QObject
{
    Q_OBJECT
    std::unique_ptr<sim::RadarSimulator> radar;
    std::unique_ptr<MainWindow> window;

    MainWindow &w() { return *window; }
    QStringList log() { return logMessages(*window); }
    void clearLog() { window->ui->listWidget->clear(); }

    // Lets bytes reach the tool's side of the line and the port's buffer.
    void settle(int ms = 60) { QTest::qWait(ms); }

private slots:
    void initTestCase()
    {
        installWarningGuard();
        radar = std::make_unique<sim::RadarSimulator>();
        QVERIFY(radar->start());
    }
    void cleanupTestCase()
    {
        window.reset();
        radar.reset();
    }

    void init()
    {
        radar->clearFaults();
        window = std::make_unique<MainWindow>();
        window->ui->comboBoxSerial->setEditText(radar->devicePath());
        QVERIFY(window->openRadarPort());
        settle();
        radar->clearRequests();
        clearLog();
    }
    void cleanup()
    {
        window.reset();
        settle(20);
    }

    void firstRequestAfterConnectingIsTheIdentityRead()
    {
        QVERIFY(w().runExchange(C::ReadIdentity, QByteArray()));
        QVERIFY(radar->waitForRequests(1, 1000));
        QCOMPARE(radar->requests().first().bytes.toHex(' '),
                 QByteArray("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed"));
        QCOMPARE(log().first(), QStringLiteral("发送读取ID命令：55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed"));
        QVERIFY(log().at(1).startsWith(QStringLiteral("读取ID返回：55 aa ")));
    }

    void sizedReadAssemblesAReplyInPieces()
    {
        sim::FaultSpec split;
        split.kind = sim::Fault::Split;
        split.pieces = 4;
        split.gapMs = 40;
        radar->setFault(0x0A, split);
        QByteArray applied;
        QVERIFY(w().runExchange(C::ReadDetectionArea, QByteArray(), [&](const QByteArray &reply) {
            applied = reply;
            return true;
        }));
        QVERIFY(applied.size() >= 20);
        QVERIFY(hasSync(applied));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(1), QStringLiteral("读取雷达探测区域设置信息返回：") + toHexText(applied).trimmed());
    }

    void deadlineAssemblesAReplyInPieces()
    {
        sim::FaultSpec split;
        split.kind = sim::Fault::Split;
        split.pieces = 3;
        split.gapMs = 60;
        radar->setFault(0x06, split);
        radar->setFixedTargets({{7, 100, 250, 0, 0, 1}});
        int calls = 0;
        QByteArray applied;
        QVERIFY(w().runExchange(C::ResultQuery, QByteArray::fromHex("0100"), [&](const QByteArray &reply) {
            ++calls;
            applied = reply;
            return true;
        }));
        QCOMPARE(calls, 1);
        QCOMPARE(int(replyLengthField(applied)), applied.size());
        QVERIFY(applied.size() > 12);
        QCOMPARE(log().size(), 2);
    }

    void deadlineReportsAShortReplyWithItsCounts()
    {
        sim::FaultSpec silent;
        silent.kind = sim::Fault::Silent;
        radar->setFault(0x06, silent);
        // Ten bytes of a reply that declares forty.
        LateSender sender(*radar, 1, replyFrame(0x06, QByteArray(26, '\x01')).left(10));
        bool applied = false;
        QVERIFY(w().runExchange(C::ResultQuery, QByteArray::fromHex("0100"), [&](const QByteArray &) {
            applied = true;
            return true;
        }));
        QVERIFY(!applied);
        QCOMPARE(log().size(), 3);
        QCOMPARE(log().at(2), QStringLiteral("雷达探测结果查询返回：消息长度不正确10/40"));
    }

    void deadlineReplyWithoutDataChangesNothing()
    {
        sim::FaultSpec silent;
        silent.kind = sim::Fault::Silent;
        radar->setFault(0x06, silent);
        const QByteArray empty = replyFrame(0x06, QByteArray()).left(12);
        QByteArray twelve = empty;
        twelve[2] = 12;
        LateSender sender(*radar, 1, twelve);
        bool applied = false;
        QVERIFY(w().runExchange(C::TestCommand, QByteArray::fromHex("0400"), [&](const QByteArray &) {
            applied = true;
            return true;
        }));
        QVERIFY(!applied);
        QCOMPARE(log(), (QStringList{QStringLiteral("测试命令：") + toHexText(radar->requests().first().bytes).trimmed(),
                                     QStringLiteral("测试命令返回：") + toHexText(twelve).trimmed()}));
    }

    void silentRadarGivesTheTimeoutLines_data()
    {
        QTest::addColumn<int>("commandIndex");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("lines");
        int count = 0;
        const RadarCommand *const *table = C::all(&count);
        auto index = [&](const RadarCommand &c) { return int(std::find(table, table + count, &c) - table); };
        QTest::newRow("short acknowledgement") << index(C::WriteDetectionArea) << false
            << QStringList{"雷达探测区域设置命令：超时或无返回值"};
        QTest::newRow("long acknowledgement") << index(C::SaveToFlash) << false
            << QStringList{"保存设置到flash命令：超时或无返回值"};
        QTest::newRow("sized read") << index(C::ReadAlarmArea) << false
            << QStringList{"读取雷达报警区域设置信息命令：超时或无返回值", "雷达报警区域设置信息返回：长度不正确"};
        QTest::newRow("identity read") << index(C::ReadIdentity) << false
            << QStringList{"读取ID命令：超时或无返回值"};
        QTest::newRow("deadline") << index(C::ResultQuery) << true
            << QStringList{"雷达探测结果查询命令：超时或无返回值"};
    }
    void silentRadarGivesTheTimeoutLines()
    {
        QFETCH(int, commandIndex);
        QFETCH(bool, result);
        QFETCH(QStringList, lines);
        int count = 0;
        const RadarCommand &command = *C::all(&count)[commandIndex];
        sim::FaultSpec silent;
        silent.kind = sim::Fault::Silent;
        radar->setFaultForAll(silent);
        const QByteArray payload = command.code == 0x06 ? QByteArray::fromHex("0100")
                                                        : QByteArray(command.frameLength - 14, '\0');
        QCOMPARE(w().runExchange(command, payload), result);
        QStringList expected{command.request() + toHexText(radar->requests().first().bytes).trimmed()};
        QCOMPARE(log(), expected + lines);
    }

    void wrongSyncIsReported()
    {
        sim::FaultSpec badSync;
        badSync.kind = sim::Fault::BadSync;
        radar->setFaultForAll(badSync);
        bool applied = false;
        auto apply = [&](const QByteArray &) { return applied = true; };
        QVERIFY(!w().runExchange(C::ReadTargetFilter, QByteArray(), apply));
        QCOMPARE(log().last(), QStringLiteral("读取雷达属性筛选信息：同步字不正确"));
        QVERIFY(w().runExchange(C::ResultQuery, QByteArray::fromHex("0100"), apply));
        QCOMPARE(log().last(), QStringLiteral("雷达探测结果查询返回：同步头不正确"));
        QVERIFY(!applied);
    }

    void sizedReadShorterThanItsMinimumFails()
    {
        sim::FaultSpec shortReply;
        shortReply.kind = sim::Fault::Short;
        radar->setFault(0x15, shortReply);
        bool applied = false;
        QVERIFY(!w().runExchange(C::ReadStartDistance, QByteArray(), [&](const QByteArray &) {
            return applied = true;
        }));
        QVERIFY(!applied);
        QCOMPARE(log().size(), 3);
        QVERIFY(log().at(1).startsWith(QStringLiteral("读取起始探测距离：55 aa")));
        QCOMPARE(log().at(2), QStringLiteral("读取起始探测距离：长度不正确"));
    }

    // A reply that comes too late for its own exchange must not pass as the next one's.
    void lateReplyNeverAnswersTheNextCommand_data()
    {
        QTest::addColumn<int>("commandIndex");
        int count = 0;
        const RadarCommand *const *table = C::all(&count);
        auto index = [&](const RadarCommand &c) { return int(std::find(table, table + count, &c) - table); };
        QTest::newRow("short acknowledgement") << index(C::WriteAlarmArea);
        QTest::newRow("long acknowledgement") << index(C::SetStationNumber);
        QTest::newRow("sized read") << index(C::ReadDetectionArea);
        QTest::newRow("deadline") << index(C::TestCommand);
    }
    void lateReplyNeverAnswersTheNextCommand()
    {
        QFETCH(int, commandIndex);
        int count = 0;
        const RadarCommand &command = *C::all(&count)[commandIndex];
        // The first write times out: its acknowledgement comes 300 ms late.
        sim::FaultSpec late;
        late.kind = sim::Fault::Late;
        late.delayMs = 300;
        late.remaining = 1;
        radar->setFault(0x02, late);
        QVERIFY(!w().runExchange(C::WriteDetectionArea, QByteArray(6, '\0')));
        settle(400);   // the late acknowledgement is now waiting on the tool's side

        sim::FaultSpec silent;
        silent.kind = sim::Fault::Silent;
        radar->setFault(command.code, silent);
        clearLog();
        bool applied = false;
        const QByteArray payload = command.code == 0x06 ? QByteArray::fromHex("0400")
                                                        : QByteArray(command.frameLength - 14, '\0');
        const bool result = w().runExchange(command, payload, [&](const QByteArray &) {
            return applied = true;
        });
        QVERIFY(!applied);
        QCOMPARE(result, command.discipline == ReplyDiscipline::Deadline);
        QCOMPARE(log().at(1), command.timeout());
    }

    void operatorCommandWaitsForTheLink()
    {
        QVERIFY(w().channel().lock.tryLock());
        int requestsWhileHeld = -1;
        QTimer::singleShot(200, [&] {
            requestsWhileHeld = radar->requests().size();
            w().channel().lock.unlock();
        });
        QVERIFY(w().runExchange(C::WriteTargetFilter, QByteArray(2, '\0')));
        QCOMPARE(requestsWhileHeld, 0);   // nothing went out while another exchange held the link
        QVERIFY(radar->waitForRequests(1, 1000));
        QCOMPARE(radar->requests().first().functionCode, quint8(0x07));
        QVERIFY(w().channel().lock.tryLock());   // and the link is free again
        w().channel().lock.unlock();
    }

    void timerDrivenCommandsSkipTheirTurn()
    {
        QVERIFY(w().channel().lock.tryLock());
        QVERIFY(!w().runExchange(C::ResultQuery, QByteArray::fromHex("0100")));
        QVERIFY(!w().runExchange(C::TestCommand, QByteArray::fromHex("0400")));
        w().channel().lock.unlock();
        settle(100);
        QCOMPARE(radar->requests().size(), 0);
        QCOMPARE(log(), QStringList());
    }

    void closedPortFailsSilently()
    {
        w().channel().port.close();
        QVERIFY(!w().runExchange(C::ReadIdentity, QByteArray()));
        QVERIFY(!w().runExchange(C::ResultQuery, QByteArray::fromHex("0100")));
        QCOMPARE(log(), QStringList());
    }

    void portClosedWhileWaitingForTheLink()
    {
        QVERIFY(w().channel().lock.tryLock());
        QTimer::singleShot(100, [&] {
            w().channel().port.close();
            w().channel().lock.unlock();
        });
        QVERIFY(!w().runExchange(C::WriteStartDistance, QByteArray(16, '\0')));
        QCOMPARE(log(), QStringList());
        QVERIFY(w().channel().lock.tryLock());
        w().channel().lock.unlock();
    }

    void forcedReleaseFreesTheLink()
    {
        SerialChannel &channel = w().channel();
        QVERIFY(channel.lock.tryLock());
        channel.release();
        QVERIFY(channel.lock.tryLock());
        channel.release();
        channel.release();   // releasing a free link is harmless
        QVERIFY(channel.lock.tryLock());
        channel.lock.unlock();
    }

    void requestsCarryTheHeaderStation()
    {
        w().frameHeader[StationOffset] = 5;
        w().frameHeader[StationCopyOffset] = 5;
        w().frameHeader[ReportedStationOffset] = 5;
        QVERIFY(w().runExchange(C::ResultQuery, QByteArray::fromHex("0100")));
        QVERIFY(w().runExchange(C::ReadDetectionArea, QByteArray()));
        QVERIFY(radar->waitForRequests(2, 1000));
        QCOMPARE(radar->requests().at(0).bytes.toHex(' '),
                 QByteArray("55 aa 10 00 ff 02 00 05 06 05 05 00 01 00 ed ed"));
        QCOMPARE(radar->requests().at(1).bytes.toHex(' '),
                 QByteArray("55 aa 0e 00 00 03 00 05 0a 05 05 00 ed ed"));
    }
};

RADAR_TEST_MAIN(TestTransaction)
#include "tst_transaction.moc"
