// Every phase of work with the radar against every way the radar or the line can fail it. Each
// cell (one row: phase x fault) checks what the operator is left with: the line, label or box
// that tells what happened, whether the tool is still connected, the dropped-line line exactly
// once when (and only when) the line went, that the link lock is free again (the distance test
// command goes out and is answered; only a radar loader that has taken the line keeps it until
// "断开"), and that a fresh "连接" then reads the radar back and polls.
//
// Faults: silent = the radar hears but never answers; late = the answer comes after the tool has
// stopped waiting (once); split = the answer comes in three pieces 30 ms apart; sync = the
// answer starts 55 AB (44 BC for the loader); garbage = line noise ahead of the answer (2 KiB;
// 64 bytes ahead of a loader acknowledgement; 2 KiB between two status messages); hung up = the
// line drops while the tool waits for the answer.
//
//  phase              silent        late          split        sync          garbage       hung up
//  read-back          timeout,Idle  timeout,polls polls        sync,Idle     sync,Idle     dropped,Idle
//  polling            timeout,polls timeout,polls frames land  sync,polls    sync,polls    dropped,Idle
//  send scene         fail box      fail box      ok box       ok box (1)    ok box (1)    fail box,dropped
//  flash save         timeout,polls timeout,polls ok box,Idle  ok box (1)    ok box (1)    dropped,Idle
//  save's reconnect   timeout,polls timeout,polls ok box,Idle  ok box (1)    ok box (1)    ok box (2)
//  upgrade command    串口连接失败  串口连接失败  flashed      flashed (1)   flashed (1)   dropped,Idle
//  upgrade transfer   没有回复 (3)  没有回复 (3)  flashed      resends (3)   resends (3)   dropped,Idle
//  upgrade completion 无返回 (3)    无返回 (3)    flashed (4)  flashed (5)   未知回复,flashed dropped,Idle
//  sampling           empty file    whole stream  whole stream whole stream  whole stream  prefix,dropped
//  test command       timeout,kept  timeout,kept  distance     sync,kept     sync,kept     dropped,Idle
//  CAN                fail box      fail box      ok box       ok box (1)    ok box (1)    fail box,dropped
//  station change     timeout,kept  timeout,kept  new number   new (1)       new (1)       dropped,Idle
//  relay sensitivity  设置失败      设置失败      new relays   new (1)       new (1)       设置失败,dropped
//
// (1) An acknowledgement (and the upgrade command's answer) is any byte: the radar did answer.
// (2) The radar drops the line while the tool has its port closed for the reconnect; the tool
//     reopens the same path, the fresh line behind it, and the save goes through.
// (3) The radar's loader has the line: the lock stays taken until the operator presses "断开".
// (4) The finishing message comes in two pieces; the tool joins them.
// (5) Status messages are read by position, the sync word is not looked at.
// Sampling cells compare the sample file with every byte the radar sent (a prefix of it when
// the line drops, since a hang-up throws away what was still on its way).
#include "dialogcan.h"
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialogspinbox.h"
#include "frame.h"
#include "dialoggetdata.h"
#include "maintenancefixture.h"
#include "radarview.h"
#include "linkfixture.h"
#include "ui_dialogcan.h"
#include "ui_dialogceliang.h"
#include "ui_dialogframelimt.h"
#include "ui_dialoggetdata.h"
#include "ui_dialogspinbox.h"

#include <QLineEdit>

#include <atomic>
#include <thread>

namespace {

enum FaultKind { Silent, Late, Split, BadSync, Garbage, HangUp };
const char *const FaultNames[] = {"radar silent", "reply late", "reply split", "wrong sync", "garbage flood",
                                  "line hung up"};
const QByteArray Noise = QByteArray::fromHex("01fe02fd03fc04fb").repeated(256);
const QString Lost = QStringLiteral("与雷达的连接已中断：");
const QString Flashed = QStringLiteral("升级成功，请重启设备！");
const QString Saved = QStringLiteral("保存设置成功，请重启设备！");

struct Outcome
{
    QString shown;       // a line, label or value the operator sees (starts with this); empty: none
    QStringList boxes;   // the message boxes, in order
    bool connected;      // still connected at the end
};

// One row per fault, the outcomes in the order of FaultKind.
void rows(const QList<Outcome> &outcomes)
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("connected");
    for (int f = Silent; f <= HangUp; ++f)
        QTest::newRow(FaultNames[f]) << f << outcomes.at(f).shown << outcomes.at(f).boxes << outcomes.at(f).connected;
}

} // namespace

class TestFaultMatrix : public UpgradeFixture
{
    Q_OBJECT

    int fault = Silent;
    // The row's outcome: what the operator must be shown, the boxes in order, still connected.
    QString shown;
    QStringList boxes;
    bool connected = true;
    int lateMs = 0;
    bool quietDrop = false;   // the line drops while the tool has its port closed
    QByteArray image;
    QStringList extraShown;
    std::unique_ptr<DialogAnswerer> answers;
    std::thread watcher;
    std::atomic<bool> watching{false};

    // A radar behind a fixed path, as the operator types it in: the path stays when a dropped
    // line comes back. The port is opened the way the connection opens it, without the read-back.
    void startLinked(bool openPort)
    {
        startSession(false);
        radar = std::make_unique<sim::RadarSimulator>();
        QVERIFY2(radar->start(workDir().filePath(QStringLiteral("radar-tty"))), qPrintable(radar->errorString()));
        radar->setTargets(3);
        ui()->comboBoxSerial->setEditText(radar->symlinkPath());
        if (openPort) {
            QVERIFY(w().openRadarPort());
            QTest::qWait(30);
            radar->clearRequests();
        }
    }
    bool watchingRadar() { return ui()->pushButtonConnect->isHidden() && w().channel().port.isOpen(); }
    void connectWatching()
    {
        ui()->pushButtonConnect->click();
        QVERIFY(watchingRadar());
    }
    int requestsOf(quint8 code, int sub = -1) const
    {
        int n = 0;
        for (const sim::ReceivedRequest &r : radar->requests())
            n += r.functionCode == code && (sub < 0 || quint8(r.bytes.at(12)) == sub);
        return n;
    }

    // The radar drops the line (as on a power loss) once cond holds, looked at from a thread of
    // its own so that it is seen while the tool blocks in a wait.
    void hangUpWhen(std::function<bool()> cond)
    {
        stopWatcher();
        watching = true;
        watcher = std::thread([this, cond] {
            while (watching && !cond())
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (watching)
                radar->hangUpNow();
        });
    }
    void stopWatcher()
    {
        watching = false;
        if (watcher.joinable())
            watcher.join();
    }

    // The fault on the radar's answers to one command.
    void inject(quint8 code, int late)
    {
        lateMs = late;
        sim::FaultSpec answer = faultSpec(sim::Fault::Silent);
        switch (fault) {
        case Late:
            answer = faultSpec(sim::Fault::Late, 1);
            answer.delayMs = late;
            break;
        case Split:
            answer = faultSpec(sim::Fault::Split);
            break;
        case BadSync:
            answer = faultSpec(sim::Fault::BadSync);
            break;
        case Garbage:
            answer = faultSpec(sim::Fault::GarbageBefore);
            answer.garbage = Noise;
            break;
        case HangUp: {
            const int seen = radar->requests().size();
            hangUpWhen([this, seen, code] {
                const QList<sim::ReceivedRequest> list = radar->requests();
                for (int i = seen; i < list.size(); ++i)
                    if (list.at(i).functionCode == code)
                        return true;
                return false;
            });
            break;
        }
        }
        radar->setFault(code, answer);
    }

    QStringList shownTexts() const
    {
        QStringList texts = log() + extraShown;
        for (const DialogAnswerer::Seen &s : answers->seen)
            texts << s.text;
        if (labels)
            texts += labels->texts;
        return texts;
    }

    // What the operator is left with: the row's outcome.
    void verifyOutcome()
    {
        QVERIFY2(answers->waitDone(30000), qPrintable(answers->failures.join(QLatin1Char('\n'))));
        QStringList boxTexts;
        for (const DialogAnswerer::Seen &s : answers->seen)
            boxTexts << s.text;
        QCOMPARE(boxTexts, boxes);
        if (!shown.isEmpty()) {
            const auto found = [&] {
                const QStringList texts = shownTexts();
                return std::any_of(texts.begin(), texts.end(), [&](const QString &t) { return t.startsWith(shown); });
            };
            QVERIFY2(waitUntil(found, 3000),
                     qPrintable(QStringLiteral("no \"%1\" in:\n").arg(shown) + shownTexts().join(QLatin1Char('\n'))));
        }
        if (connected)
            QVERIFY(w().channel().port.isOpen());
        else
            QVERIFY(waitUntil([this] { return isDisconnected(); }, 3000));
        QCOMPARE(int(log().filter(QRegularExpression(QStringLiteral("^") + Lost)).size()),
                 fault == HangUp && !quietDrop ? 1 : 0);
    }

    // The lock is free (or held by the radar's loader, on purpose), and a fresh connection works.
    void verifyRecovery(bool loaderHoldsTheLine = false)
    {
        stopWatcher();
        radar->clearFaults();
        // The late answer comes in, and so does the one of a poll cut short by a pause (it goes
        // out and stops waiting at once, by design); the next command drops them as stale.
        QTest::qWait(fault == Late ? qMin(lateMs, 1500) + 200 : 150);
        if (fault == HangUp)
            QVERIFY(waitUntil([this] { return radar->hangUps() == 1; }, 3000));
        if (w().channel().port.isOpen()) {
            if (loaderHoldsTheLine) {
                QVERIFY(!w().channel().tryAcquireOnce());
            } else {
                const int before = requestsOf(0x06, 0x04);
                QVERIFY(w().testCommand());
                QVERIFY(waitUntil([&] { return requestsOf(0x06, 0x04) == before + 1; }, 1000));
                QVERIFY2(log().last().startsWith(QStringLiteral("测试命令返回：55 aa 10 00")), qPrintable(log().mid(log().size() - 8).join(QLatin1Char('\n'))));
            }
            ui()->pushButtonDisconnect->click();
            QVERIFY(isDisconnected());
        }
        radar->clearRequests();
        ui()->pushButtonConnect->click();
        QVERIFY(watchingRadar());
        QCOMPARE(requestCodes().mid(0, 6), (QList<int>{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15}));
        ui()->pushButtonDisconnect->click();
        QVERIFY(isDisconnected());
    }

    void expectBoxes()
    {
        for (int i = 0; i < boxes.size(); ++i)
            answers->answerMessageBox(QMessageBox::Ok, 30000);
    }

    // A two-packet set in "temp" and the upgrade window open; success answered when it comes.
    void prepareUpgrade()
    {
        image = firmwareImage(1500, 5);
        QCOMPARE(makeSet(image, 1, 4242), 0);
        openUpgradeWindow();
        expectBoxes();
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init()
    {
        QFETCH(int, fault);
        QFETCH(QString, shown);
        QFETCH(QStringList, boxes);
        QFETCH(bool, connected);
        this->fault = fault;
        this->shown = shown;
        this->boxes = boxes;
        this->connected = connected;
        lateMs = 0;
        quietDrop = false;
        extraShown.clear();
        answers = std::make_unique<DialogAnswerer>();
    }
    void cleanup()
    {
        stopWatcher();
        answers.reset();
        endSession();
    }

    void readBack_data()
    {
        const QString timeout = QStringLiteral("读取ID命令：超时或无返回值");
        const QString sync = QStringLiteral("读取ID返回：同步字不正确");
        rows({{timeout, {}, false}, {timeout, {}, true}, {{}, {}, true}, {sync, {}, false}, {sync, {}, false},
              {Lost, {}, false}});
    }
    void readBack()
    {
        startLinked(false);
        inject(0x0D, 1500);
        ui()->pushButtonConnect->click();
        verifyOutcome();
        if (connected)
            QVERIFY(watchingRadar());
        verifyRecovery();
    }

    void polling_data()
    {
        const QString timeout = QStringLiteral("雷达探测结果查询命令：超时或无返回值");
        const QString sync = QStringLiteral("雷达探测结果查询返回：同步头不正确");
        rows({{timeout, {}, true}, {timeout, {}, true}, {{}, {}, true}, {sync, {}, true}, {sync, {}, true},
              {Lost, {}, false}});
    }
    void polling()
    {
        startLinked(false);
        connectWatching();
        const int frames = ui()->graphicsView->frameIndex;
        inject(0x06, 1500);
        if (shown.isEmpty())
            QTest::qWait(1500);
        else
            QVERIFY(waitUntil([&] { return !shownTexts().filter(shown).isEmpty(); }, 5000));
        verifyOutcome();
        if (shown.isEmpty())
            QVERIFY2(ui()->graphicsView->frameIndex >= frames + 5, qPrintable(QString::number(ui()->graphicsView->frameIndex - frames)));
        if (connected) {
            // The poll goes on; with the radar well again its frames land again.
            radar->clearFaults();
            QTest::qWait(1700);
            const int now = ui()->graphicsView->frameIndex;
            QVERIFY(waitUntil([&] { return ui()->graphicsView->frameIndex >= now + 3; }, 3000));
        }
        verifyRecovery();
    }

    void sendScene_data()
    {
        const QStringList failed{QStringLiteral("雷达探测区域设置失败")};
        const QStringList sent{QStringLiteral("雷达场景参数设置成功")};
        const QString timeout = QStringLiteral("雷达探测区域设置命令：超时或无返回值");
        rows({{timeout, failed, true}, {timeout, failed, true}, {{}, sent, true}, {{}, sent, true}, {{}, sent, true},
              {Lost, failed, false}});
    }
    void sendScene()
    {
        startLinked(false);
        connectWatching();
        ui()->spinBoxSurveyFar->setValue(5.5);
        inject(0x02, 300);
        expectBoxes();
        ui()->pushButtonSendPar->click();
        verifyOutcome();
        if (boxes.first() == QStringLiteral("雷达场景参数设置成功"))
            QCOMPARE(int(radar->scene().detectionFar), 550);
        verifyRecovery();
    }

    void flashSave_data()
    {
        const QString timeout = QStringLiteral("保存设置到flash命令：超时或无返回值");
        rows({{timeout, {}, true}, {timeout, {}, true}, {{}, {Saved}, false}, {{}, {Saved}, false},
              {{}, {Saved}, false}, {Lost, {}, false}});
    }
    void flashSave()
    {
        startLinked(false);
        connectWatching();
        inject(0x10, 1500);
        expectBoxes();
        ui()->pushButtonSaveConfig->click();
        verifyOutcome();
        // The radar heard the one save, whatever became of its answer.
        QCOMPARE(radar->flashSaves(), 1);
        verifyRecovery();
    }

    // The fault holds for every answer from the reconnect on: the save and the poll it resumes.
    void saveReconnect_data()
    {
        const QString timeout = QStringLiteral("保存设置到flash命令：超时或无返回值");
        rows({{timeout, {}, true}, {timeout, {}, true}, {{}, {Saved}, false}, {{}, {Saved}, false},
              {{}, {Saved}, false}, {QStringLiteral("重连"), {Saved}, false}});
    }
    void saveReconnect()
    {
        startLinked(false);
        connectWatching();
        Driver driver;
        if (fault == HangUp) {
            quietDrop = true;
            driver.when(QStringLiteral("port closed for the reconnect"),
                        [this] { return log().contains(QStringLiteral("断开")); }, [this] { radar->hangUpNow(); });
        } else {
            lateMs = 1500;
            sim::FaultSpec all = faultSpec(fault == Late ? sim::Fault::Late : fault == Split ? sim::Fault::Split
                                           : fault == BadSync ? sim::Fault::BadSync
                                           : fault == Garbage ? sim::Fault::GarbageBefore : sim::Fault::Silent);
            all.delayMs = fault == Late ? 1500 : 0;
            all.garbage = Noise;
            radar->setFaultForAll(all);
        }
        expectBoxes();
        const int polls = requestsOf(0x06);
        ui()->pushButtonSaveConfig->click();
        if (connected)
            QVERIFY(waitUntil([&] { return requestsOf(0x06) >= polls + 2; }, 5000));   // the poll resumed
        verifyOutcome();
        QVERIFY(driver.done());
        QCOMPARE(radar->flashSaves(), 1);
        verifyRecovery();
    }

    void upgradeCommand_data()
    {
        const QString failed = QStringLiteral("串口连接失败");
        rows({{failed, {}, true}, {failed, {}, true}, {{}, {Flashed}, false}, {{}, {Flashed}, false},
              {{}, {Flashed}, false}, {Lost, {}, false}});
    }
    void upgradeCommand()
    {
        startLinked(true);
        prepareUpgrade();
        inject(0x11, 10500);
        runUpgrade();
        verifyOutcome();
        if (!boxes.isEmpty())
            QCOMPARE(radar->upgradedImage(), image);
        else
            QVERIFY(radar->upgradedImage().isEmpty());
        if (fault == HangUp)
            QCOMPARE(label(), QStringLiteral("串口连接失败"));
        verifyRecovery();
    }

    void upgradeTransfer_data()
    {
        const QString unanswered = QStringLiteral("升级命令没有回复");
        const QString resends = QStringLiteral("重发请求超过3次");
        rows({{unanswered, {}, true}, {unanswered, {}, true}, {{}, {Flashed}, false}, {resends, {}, true},
              {resends, {}, true}, {unanswered, {}, false}});
    }
    void upgradeTransfer()
    {
        startLinked(true);
        prepareUpgrade();
        const sim::PacketFault faults[] = {sim::PacketFault::Silent, sim::PacketFault::Late, sim::PacketFault::Split,
                                           sim::PacketFault::BadSync, sim::PacketFault::Garbage};
        if (fault == HangUp)
            radar->setHangUpAfterUpgradePackets(1);
        else
            radar->setUpgradePacketFault(1, faults[fault], 3);
        runUpgrade();
        verifyOutcome();
        // Only an unanswered packet is one the radar did not take.
        QCOMPARE(radar->upgradedImage(), fault == Silent || fault == HangUp ? image.left(1024) : image);
        verifyRecovery(connected);
    }

    void upgradeCompletion_data()
    {
        const QString quiet = QStringLiteral("后续处理无返回");
        rows({{quiet, {}, true}, {quiet, {}, true}, {{}, {Flashed}, false},
              {QStringLiteral("正在校验"), {Flashed}, false}, {QStringLiteral("未知回复"), {Flashed}, false},
              {quiet, {}, false}});
    }
    void upgradeCompletion()
    {
        startLinked(true);
        const QByteArray finished = sim::UpgradeStatus::finished().bytes();
        QByteArray badSync = sim::UpgradeStatus::step(QStringLiteral("正在校验")).bytes();
        badSync[1] = '\xBC';
        switch (fault) {
        case Silent:
            radar->setUpgradeStatusScript({});
            break;
        case Late:
            radar->setUpgradeStatusGapMs(10500);
            radar->setUpgradeStatusScript({sim::UpgradeStatus::finished()});
            break;
        case Split:
            radar->setUpgradeStatusGapMs(60);
            radar->setUpgradeStatusScript({{0, {}, finished.left(5)}, {0, {}, finished.mid(5)}});
            break;
        case BadSync:
            radar->setUpgradeStatusScript({{0, {}, badSync}, sim::UpgradeStatus::finished()});
            break;
        case Garbage:
            radar->setUpgradeStatusScript({{0, {}, Noise}, sim::UpgradeStatus::finished()});
            break;
        case HangUp:
            hangUpWhen([this] { return radar->upgradeStatusesSent() >= 1; });
            break;
        }
        prepareUpgrade();
        runUpgrade();
        verifyOutcome();
        QCOMPARE(radar->upgradedImage(), image);
        verifyRecovery(connected);
    }

    // One minute asked for; stopped by the operator once the stream is under way (at once when
    // nothing comes), the radar falling quiet while the question is open.
    void sampling_data()
    {
        const QString asked = QStringLiteral("是否确定终止采集并保存当前数据？");
        rows({{asked, {}, false}, {asked, {}, false}, {asked, {}, false}, {asked, {}, false}, {asked, {}, false},
              {Lost, {}, false}});
    }
    void sampling()
    {
        startLinked(true);
        if (fault == HangUp)
            hangUpWhen([this] { return radar->sampledBytesSent() > 4000; });
        else
            inject(0x06, 1500);
        Driver driver;
        DialogGetData *dialog = nullptr;
        QElapsedTimer clock;
        qint64 sentWhenAsked = 0, quietSince = 0;
        driver.rescue = [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
            if (dialog)
                QTimer::singleShot(0, dialog, [dialog] { dialog->ui->pushButton->click(); });
        };
        driver.when(QStringLiteral("window open"), [&] {
            dialog = w().findChild<DialogGetData *>();
            return dialog && dialog->isVisible();
        }, [&] {
            clock.start();
            dialog->ui->pushButtonStartData->click();
        });
        if (fault == HangUp) {
            driver.when(QStringLiteral("run over"), [&] { return dialog->isIdle() && dialog->ui->pushButtonStartData->isEnabled(); },
                        [&] { dialog->ui->pushButton->click(); });
        } else {
            driver.when(QStringLiteral("stream under way"), [&] {
                return fault == Silent ? clock.elapsed() > 2500 : radar->sampledBytesSent() > 3000;
            }, [&] { dialog->ui->pushButton->click(); });
            driver.when(QStringLiteral("asked"), [] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); },
                        [&] {
                            extraShown << static_cast<QMessageBox *>(QApplication::activeModalWidget())->text();
                            sentWhenAsked = radar->sampledBytesSent();
                        });
            driver.when(QStringLiteral("more in while asking"), [&] {
                return fault == Silent || radar->sampledBytesSent() > sentWhenAsked + 1500;
            }, [&] {
                radar->stopSampling();
                quietSince = clock.elapsed();
            });
            driver.when(QStringLiteral("line quiet"), [&] { return clock.elapsed() > quietSince + 300; }, [] {
                static_cast<QMessageBox *>(QApplication::activeModalWidget())->button(QMessageBox::Yes)->click();
            });
        }
        ui()->actionGetData->trigger();
        QVERIFY2(driver.failures.isEmpty(), qPrintable(driver.failures.join(QLatin1Char('\n'))));
        verifyOutcome();
        const QStringList files = sampleFiles();
        QCOMPARE(files.size(), 1);
        const QByteArray content = fileContent(files.first());
        const QByteArray sent = radar->sampledOutput();
        if (fault == HangUp) {
            QVERIFY(content.size() > 3000);
            QVERIFY(content == sent.left(content.size()));
        } else {
            // Every byte the radar sent is in the file, those taken in while the question was open too.
            QCOMPARE(content.size(), sent.size());
            QVERIFY(content == sent);
            QCOMPARE(content.isEmpty(), fault == Silent);
        }
        verifyRecovery();
    }

    void testCommand_data()
    {
        const QString timeout = QStringLiteral("测试命令：超时或无返回值");
        const QString sync = QStringLiteral("测试命令：同步头不正确");
        rows({{timeout, {}, true}, {timeout, {}, true}, {QStringLiteral("4.56"), {}, true}, {sync, {}, true},
              {sync, {}, true}, {Lost, {}, false}});
    }
    void testCommand()
    {
        startLinked(true);
        ui()->actionCeliangJuli->trigger();
        QLineEdit *value = w().dialogCeLiang->ui->lineEdit;
        radar->setTestDistance(321);
        w().dialogCeLiang->ui->pushButton->click();
        QCOMPARE(value->text(), QStringLiteral("3.21"));
        radar->setTestDistance(456);
        inject(0x06, 1500);
        w().dialogCeLiang->ui->pushButton->click();
        extraShown << value->text();
        verifyOutcome();
        // A failed measurement leaves the last good value on show.
        QCOMPARE(value->text(), fault == Split ? QStringLiteral("4.56") : QStringLiteral("3.21"));
        verifyRecovery();
    }

    void can_data()
    {
        const QStringList failed{QStringLiteral("Can参数设置失败")};
        const QStringList set{QStringLiteral("Can参数设置成功")};
        const QString timeout = QStringLiteral("CAN参数设置命令：超时或无返回值");
        rows({{timeout, failed, true}, {timeout, failed, true}, {{}, set, true}, {{}, set, true}, {{}, set, true},
              {Lost, failed, false}});
    }
    void can()
    {
        startLinked(true);
        inject(0x09, 300);
        answers->answerWindow(QStringLiteral("DialogCan"),
                       [](QWidget *window) { static_cast<DialogCan *>(window)->ui->pushButtonAccept->click(); });
        expectBoxes();
        ui()->actionCan->trigger();
        verifyOutcome();
        QCOMPARE(requestsOf(0x09), 1);
        QCOMPARE(radar->canBlock().size(), 8);
        verifyRecovery();
    }

    void stationChange_data()
    {
        const QString timeout = QStringLiteral("设置ID命令：超时或无返回值");
        rows({{timeout, {}, true}, {timeout, {}, true}, {{}, {}, true}, {{}, {}, true}, {{}, {}, true},
              {Lost, {}, false}});
    }
    void stationChange()
    {
        startLinked(true);
        const QString before = ui()->labelModbusId->text();
        inject(0x0E, 1500);
        answers->answerWindow(QStringLiteral("DialogSpinBos"), [](QWidget *window) {
            Ui::DialogSpinBos *form = static_cast<DialogSpinBox *>(window)->ui;
            form->spinBox->setValue(7);
            form->pushButton->click();
        });
        ui()->toolButtonModbusId->click();
        verifyOutcome();
        // Only the radar's answer moves the tool over to the new number.
        const bool answered = fault == Split || fault == BadSync || fault == Garbage;
        QCOMPARE(ui()->labelModbusId->text(), answered ? QStringLiteral("7") : before);
        QCOMPARE(int(quint8(w().frameHeader.at(radarlink::StationOffset))), answered ? 7 : 0xFF);
        verifyRecovery();
    }

    void relaySensitivity_data()
    {
        const QStringList failed{QStringLiteral("设置失败")};
        const QString timeout = QStringLiteral("设置ID命令：超时或无返回值");
        rows({{timeout, failed, true}, {timeout, failed, true}, {{}, {}, true}, {{}, {}, true}, {{}, {}, true},
              {Lost, failed, false}});
    }
    void relaySensitivity()
    {
        startLinked(true);
        inject(0x0E, 1500);
        answers->answerWindow(QStringLiteral("DialogFrameLimt"), [](QWidget *window) {
            Ui::DialogFrameLimt *form = static_cast<DialogFrameLimt *>(window)->ui;
            form->spinBoxFrameLimt_Early->setValue(20);
            form->spinBoxFrameLimt_Warning->setValue(30);
            form->pushButton->click();
        });
        // After the warning the window comes back for another try: the operator cancels.
        if (!boxes.isEmpty()) {
            expectBoxes();
            answers->answerWindow(QStringLiteral("DialogFrameLimt"),
                                  [](QWidget *window) { static_cast<QDialog *>(window)->reject(); });
        }
        ui()->actionFrameLimt->trigger();
        verifyOutcome();
        // The tool keeps the values the radar confirmed.
        QCOMPARE(int(w().earlyWarningRelay), boxes.isEmpty() ? 20 : 0);
        QCOMPARE(int(w().alarmRelay), boxes.isEmpty() ? 30 : 0);
        verifyRecovery();
    }
};

RADAR_TEST_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
