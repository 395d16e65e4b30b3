// The link against a simulated radar on a real pseudo-terminal, through the real serial port:
// every reply discipline, the log lines the operator reads, stale input and the link lock.
#include "commandtable.h"
#include "frame.h"
#include "linkfixture.h"

#include <QTimer>

#include <optional>

using namespace radarlink;
namespace C = RadarCommands;
Q_DECLARE_METATYPE(const RadarCommand *)

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
    // the station the header was given, each with its own checksum.
    void requestsCarryTheHeaderStation()
    {
        QVERIFY(w().runExchange(C::ReadIdentity, QByteArray()));
        for (int at : {StationOffset, StationCopyOffset, ReportedStationOffset})
            w().frameHeader[at] = 5;
        QVERIFY(w().runExchange(C::ResultQuery, hexBytes("01 00")));
        QVERIFY(w().runExchange(C::ReadDetectionArea, QByteArray()));
        QVERIFY(radar->waitForRequests(3, 1000));
        QCOMPARE(sent(0), QStringLiteral("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed"));
        QCOMPARE(sent(1), QStringLiteral("55 aa 10 00 ff 02 00 05 06 05 05 00 01 00 ed ed"));
        QCOMPARE(sent(2), QStringLiteral("55 aa 0e 00 00 03 00 05 0a 05 05 00 ed ed"));
        QCOMPARE(log().first(), QStringLiteral("发送读取ID命令：") + sent());
        QVERIFY(log().at(1).startsWith(QStringLiteral("读取ID返回：55 aa ")));
    }

    // Each way of awaiting a reply, with the late answer to an earlier command already waiting
    // on the line: those stale bytes are never taken. A reply in pieces is put together, and one
    // longer than needed is taken, and either is applied once, whole; one the tool cannot use
    // is traced, said why and never applied; silence gives the timeout lines.
    void eachDisciplineOnTheLine_data()
    {
        QTest::addColumn<const RadarCommand *>("command");
        QTest::addColumn<bool>("split");          // the radar's own reply in pieces; else it is silent
        QTest::addColumn<QString>("request");     // the request's trace, as the log shows it
        QTest::addColumn<QString>("reply");       // the reply's trace, empty when nothing came; the
                                                  // radar silent, these bytes are put on the line
        QTest::addColumn<bool>("applies");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("lines");   // after the request and the reply's trace
        // The requests go out under the connect header (stations FF, FF, 01) with zero payloads.
        const QString readDetectionArea = "55 aa 0e 00 f0 04 00 ff 0a ff 01 00 ed ed";
        const QString resultQuery = "55 aa 10 00 ef 04 00 ff 06 ff 01 00 01 00 ed ed";
        const QString testCommand = "55 aa 10 00 f2 04 00 ff 06 ff 01 00 04 00 ed ed";
        // The radar's own replies: the detection area it was just given (all zero), and one
        // target, id 7 at x 100, y 250 cm, class 1.
        QTest::newRow("sized read in pieces") << &C::ReadDetectionArea << true << readDetectionArea
            << "55 aa 14 00 fd 02 00 02 0a 02 02 00 00 00 00 00 00 00 ed ed" << true << true << QStringList();
        QTest::newRow("deadline in pieces") << &C::ResultQuery << true << resultQuery
            << "55 aa 1c 00 69 04 00 02 06 02 02 00 01 01 07 00 64 00 fa 00 00 00 00 00 01 00 ed ed" << true << true
            << QStringList();
        QTest::newRow("sized read, longer than needed") << &C::ReadTargetFilter << false << "55 aa 0e 00 fa 04 00 ff 14 ff 01 00 ed ed"
            << "55 aa 14 00 00 00 00 02 14 02 02 00 01 04 00 00 00 00 ed ed" << true << true << QStringList();
        QTest::newRow("short acknowledgement, silent") << &C::WriteAlarmArea << false
            << "55 aa 14 00 ef 04 00 ff 03 ff 01 00 00 00 00 00 00 00 ed ed" << "" << false << false
            << QStringList{"雷达报警区域设置命令：超时或无返回值"};
        QTest::newRow("long acknowledgement, silent") << &C::SaveToFlash << false << "55 aa 0e 00 f6 04 00 ff 10 ff 01 00 ed ed" << ""
            << false << false << QStringList{"保存设置到flash命令：超时或无返回值"};
        QTest::newRow("sized read, silent") << &C::ReadAlarmArea << false << "55 aa 0e 00 f1 04 00 ff 0b ff 01 00 ed ed" << ""
            << false << false << QStringList{"读取雷达报警区域设置信息命令：超时或无返回值", "雷达报警区域设置信息返回：长度不正确"};
        // The identity read is the one sized read whose silence gives the timeout line alone.
        QTest::newRow("identity read, silent") << &C::ReadIdentity << false << "55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed" << ""
            << false << false << QStringList{"读取ID命令：超时或无返回值"};
        QTest::newRow("sized read, short") << &C::ReadStartDistance << false << "55 aa 0e 00 fb 04 00 ff 15 ff 01 00 ed ed"
            << "55 aa 1e 00 00 00 00 02 15 02" << false << false << QStringList{"读取起始探测距离：长度不正确"};
        QTest::newRow("deadline, silent") << &C::TestCommand << false << testCommand << "" << false << true
            << QStringList{"测试命令：超时或无返回值"};
        QTest::newRow("deadline, 10 bytes of 40") << &C::ResultQuery << false << resultQuery << "55 aa 28 00 00 00 00 02 06 02"
            << false << true << QStringList{"雷达探测结果查询返回：消息长度不正确10/40"};
        QTest::newRow("deadline, a bare header") << &C::TestCommand << false << testCommand << "55 aa 0c 00 00 00 00 02 06 02 02 00"
            << false << true << QStringList();
        QTest::newRow("deadline, wrong sync") << &C::ResultQuery << false << resultQuery
            << "55 ab 10 00 00 00 00 02 06 02 02 00 01 00 ed ed" << false << true << QStringList{"雷达探测结果查询返回：同步头不正确"};
    }
    void eachDisciplineOnTheLine()
    {
        QFETCH(const RadarCommand *, command);
        QFETCH(bool, split);
        QFETCH(QString, request);
        QFETCH(QString, reply);
        QFETCH(bool, applies);
        QFETCH(QStringList, lines);
        const QByteArray replyBytes = hexBytes(reply.toLatin1().constData());
        sim::FaultSpec late = faultSpec(sim::Fault::Late, 1);
        late.delayMs = 300;
        radar->setFault(0x02, late);
        QVERIFY(!w().runExchange(C::WriteDetectionArea, QByteArray(6, '\0')));
        QTest::qWait(400);   // the late acknowledgement is now waiting on the tool's side
        forget();

        sim::FaultSpec answer = faultSpec(split ? sim::Fault::Split : sim::Fault::Silent);
        answer.pieces = 4;
        answer.gapMs = 50;
        radar->setFault(command->code, answer);
        radar->setFixedTargets({{7, 100, 250, 0, 0, 1}});
        QByteArray payload(command->frameLength - 14, '\0');
        if (command->code == 0x06)
            payload[0] = char(command->subCommand);
        int calls = 0;
        QByteArray applied;
        std::optional<LateSender> sender;
        if (!split && !reply.isEmpty())
            sender.emplace(*radar, 1, replyBytes);
        const bool answered = w().runExchange(*command, payload, [&](const QByteArray &reply) {
            ++calls;
            applied = reply;
            return true;
        });
        QTEST(answered, "result");
        QCOMPARE(calls, applies ? 1 : 0);
        if (applies)
            QCOMPARE(applied, replyBytes);
        QCOMPARE(onlyRequest(*radar), hexBytes(request.toLatin1().constData()));
        QStringList expected{command->request() + request};
        if (!reply.isEmpty())
            expected << command->reply() + reply;
        QCOMPARE(log(), expected + lines);
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

        forget();
        QVERIFY(channel.lock.tryLock());   // free again after the exchange
        QVERIFY(!w().runExchange(C::ResultQuery, hexBytes("01 00")));
        QVERIFY(!w().runExchange(C::TestCommand, hexBytes("04 00")));
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
