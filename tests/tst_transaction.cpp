// The link against a simulated radar on a real pseudo-terminal, through the real serial port:
// every reply discipline, the log lines the operator reads, stale input and the link lock. Its
// figures against a radar that misbehaves on purpose: every injected fault shows up once in its
// own counter and in the status bar, and the poll rate and reply time of a paced line come out
// as the wire allows. And why a port cannot be opened, as the log tells the operator: something
// that is no serial port at all (a folder, a plain file, /dev/null) is named for what it is,
// under the path the operator gave, and no watch starts. The tests run as root, where a port is
// never refused for rights, so only the refusals a root user meets are opened for real.
#include "commandtable.h"
#include "frame.h"
#include "linkfixture.h"
#include "portaccess.h"

#include <QDialog>
#include <QScreen>
#include <QTemporaryDir>

#include <optional>

using namespace radarlink;
namespace C = RadarCommands;
Q_DECLARE_METATYPE(const RadarCommand *)

// A fault put on one command's replies, the number of times the command runs, and what the
// figures must count: timeouts, wrong sync words, short and incomplete replies.
struct Counted
{
    int code;
    sim::Fault fault;
    int times, timeouts, wrongSync, shortOnes, incomplete;
};
Q_DECLARE_METATYPE(Counted)

class TestTransaction : public AttachedFixture
{
    Q_OBJECT
    QString sent(int i = 0) { return toHexText(radar->requests().at(i).bytes).trimmed(); }
    QString statusText() { return w().linkStatusLabel()->text(); }

    // One figure of the status bar, read as the operator reads it.
    double shown(const QString &pattern)
    {
        const QRegularExpressionMatch m = QRegularExpression(pattern).match(statusText());
        return m.hasMatch() ? m.captured(1).toDouble() : -1;
    }

private slots:
    void initTestCase() { startRadar(); }
    void cleanupTestCase() { stopRadar(); }
    void init() { attachWindow(); }
    void cleanup()
    {
        radar->setPaced(false);
        detachWindow();
    }

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
        // The late acknowledgement is now waiting on the tool's side (however loaded the machine).
        QVERIFY(waitUntil([this] { return w().channel().port.bytesAvailable() > 0; }, 3000));
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
        // A read: its reply may take its time on a loaded machine, where a write's 50 ms for the
        // acknowledgement may not be met.
        QVERIFY(w().runExchange(C::ReadTargetFilter, QByteArray()));
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

    void countsInjectedFaults_data()
    {
        QTest::addColumn<Counted>("c");
        QTest::newRow("answered polls") << Counted{0x06, sim::Fault::None, 5, 0, 0, 0, 0};
        QTest::newRow("silent polls") << Counted{0x06, sim::Fault::Silent, 3, 3, 0, 0, 0};
        QTest::newRow("wrong-sync polls") << Counted{0x06, sim::Fault::BadSync, 4, 0, 4, 0, 0};
        // Ten bytes against a twelve-byte header: less than the reply owes.
        QTest::newRow("cut-off polls") << Counted{0x06, sim::Fault::Short, 3, 0, 0, 0, 3};
        QTest::newRow("short area reads") << Counted{0x0A, sim::Fault::Short, 3, 0, 0, 3, 0};
        QTest::newRow("wrong-sync area reads") << Counted{0x0A, sim::Fault::BadSync, 2, 0, 2, 0, 0};
        QTest::newRow("silent identity reads") << Counted{0x0D, sim::Fault::Silent, 2, 2, 0, 0, 0};
    }
    void countsInjectedFaults()
    {
        QFETCH(Counted, c);
        const int code = c.code, times = c.times, timeouts = c.timeouts;
        if (c.fault != sim::Fault::None)
            radar->setFault(quint8(code), faultSpec(c.fault));
        for (int i = 0; i < times; ++i)
            code == 0x06 ? w().queryResults() : code == 0x0A ? w().readDetectionArea() : w().readIdentity();

        // The radar saw each request once; the figures count exactly those.
        QVERIFY(radar->waitForRequests(times, 1000));
        QCOMPARE(radar->requests().size(), times);
        const LinkStatistics &stats = w().linkStatistics();
        const quint16 key = LinkStatistics::commandKey(quint8(code), code == 0x06 ? 1 : 0);
        QCOMPARE(stats.perCommand().size(), 1);
        QCOMPARE(stats.perCommand().value(key).requests, times);
        QCOMPARE(stats.perCommand().value(key).replies, times - timeouts);
        QCOMPARE(stats.bytesSent(), qint64(times) * (code == 0x06 ? 16 : 14));
        QVERIFY((stats.bytesReceived() == 0) == (timeouts == times));

        // What the status bar shows within its next refresh: each count by itself, in full.
        const QString sentLine = QStringLiteral("发送字节：%1").arg(stats.bytesSent());
        QVERIFY2(waitUntil([&] { return w().linkStatusLabel()->toolTip().contains(sentLine); }, 1500),
                 qPrintable(w().linkStatusLabel()->toolTip()));
        QCOMPARE(shown(QStringLiteral("超时：(\\d+)")), double(timeouts));
        QCOMPARE(shown(QStringLiteral("错误回复：(\\d+)")), double(c.wrongSync + c.shortOnes + c.incomplete));
        const QStringList all = w().linkStatusLabel()->toolTip().split(QLatin1Char('\n'));
        for (const QString &line : {QStringLiteral("同步字错误：%1").arg(c.wrongSync), QStringLiteral("回复过短：%1").arg(c.shortOnes),
                                    QStringLiteral("回复不完整：%1").arg(c.incomplete)})
            QVERIFY2(all.contains(line), qPrintable(all.join(QLatin1Char('\n'))));
    }

    // The "链路统计" entry of the help menu opens a window that lists every figure by the
    // commands' names, kept up to date while it is open, and placed whole on the screen at its
    // final size.
    void statisticsWindowFollowsTheLink()
    {
        QAction *action = w().linkStatisticsAction();
        QVERIFY(w().ui->menu->actions().contains(action));
        action->trigger();
        auto *window = w().findChild<QDialog *>(QStringLiteral("dialogLinkStatistics"));
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("链路统计"));
        auto *text = window->findChild<QLabel *>();
        QVERIFY(text);
        QVERIFY2(text->text().contains(QStringLiteral("超时：0")), qPrintable(text->text()));
        radar->setFault(0x06, faultSpec(sim::Fault::Silent));
        w().queryResults();
        QVERIFY2(waitUntil([&] { return text->text().contains(QStringLiteral("超时：1")); }, 1500), qPrintable(text->text()));
        QVERIFY2(text->text().contains(QStringLiteral("  雷达探测结果查询命令 (0x06/01): 1/0")), qPrintable(text->text()));
        QCOMPARE(text->text(), w().linkStatusLabel()->toolTip());
        const QRect placed = window->frameGeometry();
        QVERIFY2(window->screen()->availableGeometry().contains(placed), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y()).arg(placed.width()).arg(placed.height())));
        QTest::qWait(600);
        QCOMPARE(window->frameGeometry(), placed);
    }

    // On a paced line a poll takes the 50 ms pause plus the reply's time on the wire; the
    // status bar's rate and reply time come out accordingly.
    void pacedPollFigures()
    {
        radar->setFixedTargets({{1, 100, 300, 0, 0, 1}, {2, -100, 500, 0, 0, 1}, {3, 0, 700, 0, 0, 2},
                                {4, 50, 200, 0, 0, 1}, {5, -50, 600, 0, 0, 2}});
        radar->setPaced(true);
        const QByteArray query = buildRequest(w().frameHeader, 0x06, QByteArray::fromHex("0100"));
        const int replyBytes = radar->answer(query).size();
        QVERIFY(replyBytes > 60);
        const double wireMs = replyBytes * 1000.0 / sim::RadarSimulator::PacedBytesPerSecond;
        const double fastestRate = 1000.0 / (50 + wireMs);

        w().pollingPaused = false;
        w().pollTimer.start();
        QTest::qWait(6000);
        const double rate = shown(QStringLiteral("轮询：([\\d.]+) 次/秒"));
        const double replyMs = shown(QStringLiteral("回复时间：(\\d+) ms"));
        w().pollingPaused = true;
        w().pollTimer.stop();
        const QString why = QStringLiteral("%1 (wire %2 ms, at most %3 polls/s)").arg(statusText()).arg(wireMs).arg(fastestRate);
        QVERIFY2(rate <= fastestRate * 1.05 && rate >= fastestRate * 0.6, qPrintable(why));
        QVERIFY2(replyMs >= qFloor(wireMs) - 1 && replyMs <= wireMs + 30, qPrintable(why));
        QCOMPARE(w().linkStatistics().timeouts(), 0);
        QCOMPARE(w().linkStatistics().badReplies(), 0);
    }

    void deviceFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("usb adapter") << QStringLiteral("ttyUSB0") << QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("pseudo-terminal") << QStringLiteral("pts/3") << QStringLiteral("/dev/pts/3");
        QTest::newRow("path") << QStringLiteral("/tmp/x/radar-tty") << QStringLiteral("/tmp/x/radar-tty");
    }
    void deviceFile()
    {
        QFETCH(QString, name);
        QTEST(deviceFileOf(name), "file");
    }

    void connectFailureGivesTheReason_data()
    {
        QTest::addColumn<QString>("port"); // "<folder>" and "<file>" stand for ones made here
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder") << QStringLiteral("<folder>") << QStringLiteral("这是一个文件夹，不是串口");
        QTest::newRow("plain file") << QStringLiteral("<file>") << QStringLiteral("这是一个普通文件，不是串口");
        QTest::newRow("/dev/null") << QStringLiteral("/dev/null") << QStringLiteral("串口不支持所需的设置");
        QTest::newRow("missing device") << QStringLiteral("/dev/no-such-radar-port") << QStringLiteral("串口不存在");
    }
    // "连接" on it: the line naming the port as typed, then the reason; the tool stays idle.
    void connectFailureGivesTheReason()
    {
        QFETCH(QString, port);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        if (port == QLatin1String("<folder>")) {
            port = folder.path();
        } else if (port == QLatin1String("<file>")) {
            port = folder.filePath(QStringLiteral("plain-file"));
            QVERIFY(QFile(port).open(QIODevice::WriteOnly));
        }
        MainWindow unattached;
        unattached.ui->comboBoxSerial->setEditText(port);
        unattached.ui->pushButtonConnect->click();
        QFETCH(QString, reason);
        QCOMPARE(logLines(unattached.ui->listWidget), (QStringList{QStringLiteral("无法打开串口：") + port, reason}));
        QVERIFY(!unattached.ui->pushButtonConnect->isHidden());
        QVERIFY(!unattached.isWaitingForPort());
    }
};

RADAR_TEST_MAIN(TestTransaction)
#include "tst_transaction.moc"
