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
// The outcome of each cell is in cells(). Why some of them are what they are:
// - An acknowledgement (and the upgrade command's answer) is any byte: the radar did answer.
// - Save's reconnect, hung up: the radar drops the line while the tool has its port closed for
//   the reconnect; the tool reopens the same path, the fresh line behind it, and the save goes
//   through.
// - A failed upgrade transfer or completion leaves the radar's loader with the line: the lock
//   stays taken until the operator presses "断开".
// - Upgrade completion, split: the finishing message comes in two pieces, cut inside its header,
//   60 ms apart: the tool holds the first piece, which has no closing zero past byte 8 yet, and
//   joins the second to it; the header's own bytes (the length at 2 and 3 among them) are never
//   read. Wrong sync: status messages are read by position, the sync word is not looked at.
// - Sampling cells compare the sample file with every byte the radar sent (a prefix of it when
//   the line drops, since a hang-up throws away what was still on its way).
#include "dialogcan.h"
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialogspinbox.h"
#include "frame.h"
#include "dialoggetdata.h"
#include "maintenancefixture.h"
#include "ui_dialogcan.h"
#include "ui_dialogceliang.h"
#include "ui_dialogframelimt.h"
#include "ui_dialoggetdata.h"
#include "ui_dialogspinbox.h"

#include <QLineEdit>

namespace {

struct Outcome
{
    QString shown;       // a line, label or value the operator sees (starts with this); empty: none
    QStringList boxes;   // the message boxes, in order
    bool connected;      // still connected at the end
};

enum FaultKind { Silent, Late, Split, BadSync, Garbage, HangUp };
const char *const FaultNames[] = {"radar silent", "reply late", "reply split", "wrong sync", "garbage flood",
                                  "line hung up"};
// How the radar's answer to a command goes wrong, per fault; a hang-up leaves the command
// unanswered, so that the tool is waiting when the line drops.
const sim::Fault AnswerFaults[] = {sim::Fault::Silent, sim::Fault::Late, sim::Fault::Split, sim::Fault::BadSync,
                                   sim::Fault::GarbageBefore, sim::Fault::Silent};
const QByteArray Noise = QByteArray::fromHex("01fe02fd03fc04fb").repeated(256);
const QString Lost = QStringLiteral("与雷达的连接已中断：");
const QString Flashed = QStringLiteral("升级成功，请重启设备！");
const QString Saved = QStringLiteral("保存设置成功，请重启设备！");

// The cells of the table above: per phase, the outcome of each fault in the order of FaultKind.
QList<Outcome> cells(const QString &phase)
{
    const auto timeout = [](const char *command) { return QString::fromUtf8(command) + QStringLiteral("：超时或无返回值"); };
    // The common shape: no answer (silent, late), an answer all the same (split, sync, garbage), the line gone.
    const auto usual = [](const Outcome &unanswered, const Outcome &answered, const Outcome &hungUp) {
        return QList<Outcome>{unanswered, unanswered, answered, answered, answered, hungUp};
    };
    const QString readBackSync = QStringLiteral("读取ID返回：同步字不正确");
    const QString pollSync = QStringLiteral("雷达探测结果查询返回：同步头不正确");
    const QString testSync = QStringLiteral("测试命令：同步头不正确");
    const QString unanswered = QStringLiteral("升级命令没有回复"), resends = QStringLiteral("重发请求超过3次");
    const QString quiet = QStringLiteral("后续处理无返回"), asked = QStringLiteral("是否确定终止采集并保存当前数据？");
    const QStringList sceneFailed{QStringLiteral("雷达探测区域设置失败")}, canFailed{QStringLiteral("Can参数设置失败")};
    const QHash<QString, QList<Outcome>> table{
        {"readBack", {{timeout("读取ID命令"), {}, false}, {timeout("读取ID命令"), {}, true}, {{}, {}, true},
                      {readBackSync, {}, false}, {readBackSync, {}, false}, {Lost, {}, false}}},
        {"polling", {{timeout("雷达探测结果查询命令"), {}, true}, {timeout("雷达探测结果查询命令"), {}, true}, {{}, {}, true},
                     {pollSync, {}, true}, {pollSync, {}, true}, {Lost, {}, false}}},
        {"sendScene", usual({timeout("雷达探测区域设置命令"), sceneFailed, true},
                            {{}, {QStringLiteral("雷达场景参数设置成功")}, true}, {Lost, sceneFailed, false})},
        {"flashSave", usual({timeout("保存设置到flash命令"), {}, true}, {{}, {Saved}, false}, {Lost, {}, false})},
        {"saveReconnect", usual({timeout("保存设置到flash命令"), {}, true}, {{}, {Saved}, false},
                                {QStringLiteral("重连"), {Saved}, false})},
        {"upgradeCommand", usual({QStringLiteral("串口连接失败"), {}, true}, {{}, {Flashed}, false}, {Lost, {}, false})},
        {"upgradeTransfer", {{unanswered, {}, true}, {unanswered, {}, true}, {{}, {Flashed}, false},
                             {resends, {}, true}, {resends, {}, true}, {unanswered, {}, false}}},
        {"upgradeCompletion", {{quiet, {}, true}, {quiet, {}, true}, {{}, {Flashed}, false},
                               {QStringLiteral("正在校验"), {Flashed}, false},
                               {QStringLiteral("未知回复"), {Flashed}, false}, {quiet, {}, false}}},
        {"sampling", usual({asked, {}, false}, {asked, {}, false}, {Lost, {}, false})},
        {"testCommand", {{timeout("测试命令"), {}, true}, {timeout("测试命令"), {}, true}, {QStringLiteral("4.56"), {}, true},
                         {testSync, {}, true}, {testSync, {}, true}, {Lost, {}, false}}},
        {"can", usual({timeout("CAN参数设置命令"), canFailed, true}, {{}, {QStringLiteral("Can参数设置成功")}, true},
                      {Lost, canFailed, false})},
        {"stationChange", usual({timeout("设置ID命令"), {}, true}, {{}, {}, true}, {Lost, {}, false})},
        {"relaySensitivity", usual({timeout("设置ID命令"), {QStringLiteral("设置失败")}, true}, {{}, {}, true},
                                   {Lost, {QStringLiteral("设置失败")}, false})},
    };
    return table.value(phase);
}

} // namespace

class TestFaultMatrix : public UpgradeFixture
{
    Q_OBJECT

    int fault = Silent;
    Outcome want;   // the row's outcome
    int lateMs = 0;
    bool quietDrop = false;   // the line drops while the tool has its port closed
    QByteArray image;
    QStringList extraShown;
    std::unique_ptr<DialogAnswerer> answers;
    std::thread watcher;
    std::atomic<bool> watching{false};

    // A radar with targets behind a fixed path; the port closed, opened the way the connection
    // opens it (without the read-back), or connected by the operator.
    enum Start { Closed, PortOpen, Connected };
    void startLinked(Start how)
    {
        startSession(how == PortOpen);
        // Each row looks at what one connection makes of its fault; a lost line stays lost.
        w().setAutoReconnect(false);
        radar->setTargets(3);
        if (how == Connected)
            connectWatching();
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

    // The row's fault on the radar's answers, a late one coming `late` ms late (`lateTimes` of them).
    sim::FaultSpec answerFault(int late, int lateTimes)
    {
        lateMs = late;
        sim::FaultSpec answer = faultSpec(AnswerFaults[fault], fault == Late ? lateTimes : -1);
        answer.delayMs = fault == Late ? late : 0;
        answer.garbage = Noise;
        return answer;
    }
    // The fault on the radar's answers to one command; a hang-up comes once the command is in.
    void inject(quint8 code, int late)
    {
        radar->setFault(code, answerFault(late, 1));
        if (fault != HangUp)
            return;
        const int seen = radar->requests().size();
        hangUpWhen([this, seen, code] {
            const QList<sim::ReceivedRequest> list = radar->requests();
            return std::any_of(list.begin() + qMin(seen, list.size()), list.end(),
                               [code](const sim::ReceivedRequest &r) { return r.functionCode == code; });
        });
    }

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const DialogAnswerer::Seen &s : answers->seen)
            if (s.title != QStringLiteral("发送雷达场景参数"))
                texts << s.text;
        return texts;
    }
    QStringList shownTexts() const { return log() + extraShown + boxTexts() + (labels ? labels->texts : QStringList()); }

    // What the operator is left with: the row's outcome.
    void verifyOutcome()
    {
        QVERIFY2(answers->waitDone(30000), qPrintable(answers->failures.join(QLatin1Char('\n'))));
        QCOMPARE(boxTexts(), want.boxes);
        const auto found = [&] {
            const QStringList texts = shownTexts();
            return std::any_of(texts.begin(), texts.end(), [&](const QString &t) { return t.startsWith(want.shown); });
        };
        if (!want.shown.isEmpty())
            QVERIFY2(waitUntil(found, 3000),
                     qPrintable(QStringLiteral("no \"%1\" in:\n").arg(want.shown) + shownTexts().join(QLatin1Char('\n'))));
        if (want.connected)
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
                QVERIFY(!linkFree());
            } else {
                const int before = requestsOf(0x06, 0x04);
                QVERIFY(w().testCommand());
                QVERIFY(waitUntil([&] { return requestsOf(0x06, 0x04) == before + 1; }, 1000));
                // Polling left paused by a failed scene send does not keep the answer away.
                QVERIFY2(log().last().startsWith(QStringLiteral("测试命令返回：55 aa 10 00")),
                         qPrintable(log().mid(log().size() - 8).join(QLatin1Char('\n'))));
            }
            ui()->pushButtonDisconnect->click();
            QVERIFY(isDisconnected());
        }
        radar->clearRequests();
        connectWatching();
        QCOMPARE(requestCodes().mid(0, 6), (QList<int>{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15}));
        ui()->pushButtonDisconnect->click();
        QVERIFY(isDisconnected());
    }

    // The row's message boxes are answered with OK as they come.
    void expectBoxes()
    {
        for (int i = 0; i < want.boxes.size(); ++i)
            answers->answerMessageBox(QMessageBox::Ok, 30000);
    }
    // The row's fault on the answers to one command; the operator acts, the boxes are answered,
    // and what they are left with is the row's outcome.
    void operate(quint8 code, int late, const std::function<void()> &action)
    {
        inject(code, late);
        expectBoxes();
        action();
        verifyOutcome();
    }
    // The next window of that name, one of the tool's own: the operator fills it in (act).
    template <class Dialog, class Act> void answerWindow(const char *name, Act act)
    {
        answers->answerWindow(QLatin1String(name), [act](QWidget *window) { act(static_cast<Dialog *>(window)); });
    }

    // The port open, a two-packet set in "temp" and the upgrade window open; success answered
    // when it comes.
    void prepareUpgrade()
    {
        startLinked(PortOpen);
        image = firmwareImage(1500, 5);
        QCOMPARE(makeSet(image, 1, 4242), 0);
        openUpgradeWindow();
        expectBoxes();
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    // Every phase runs once per fault; the phase's cells give the outcome.
    void initTestCase_data()
    {
        QTest::addColumn<int>("fault");
        for (int f = Silent; f <= HangUp; ++f)
            QTest::newRow(FaultNames[f]) << f;
    }
    void init()
    {
        QFETCH_GLOBAL(int, fault);
        this->fault = fault;
        const QList<Outcome> outcomes = cells(QString::fromLatin1(QTest::currentTestFunction()));
        QCOMPARE(outcomes.size(), HangUp + 1);
        want = outcomes.at(fault);
        lateMs = 0;
        quietDrop = false;
        extraShown.clear();
        answers = std::make_unique<DialogAnswerer>();
    }
    void cleanup() { stopWatcher(); answers.reset(); endSession(); }

    void readBack()
    {
        startLinked(Closed);
        operate(0x0D, 1500, [this] { ui()->pushButtonConnect->click(); });
        if (want.connected)
            QVERIFY(watchingRadar());
        verifyRecovery();
    }

    void polling()
    {
        startLinked(Connected);
        const int frames = ui()->graphicsView->frameIndex;
        inject(0x06, 1500);
        if (want.shown.isEmpty())
            QTest::qWait(1500);
        else
            QVERIFY(waitUntil([&] { return !shownTexts().filter(want.shown).isEmpty(); }, 5000));
        verifyOutcome();
        if (want.shown.isEmpty())
            QVERIFY2(ui()->graphicsView->frameIndex >= frames + 5, qPrintable(QString::number(ui()->graphicsView->frameIndex - frames)));
        if (want.connected) {
            // The poll goes on; with the radar well again its frames land again.
            radar->clearFaults();
            QTest::qWait(1700);
            const int now = ui()->graphicsView->frameIndex;
            QVERIFY(waitUntil([&] { return ui()->graphicsView->frameIndex >= now + 3; }, 3000));
        }
        verifyRecovery();
    }

    void sendScene()
    {
        startLinked(Connected);
        ui()->spinBoxSurveyFar->setValue(5.5);
        // The question before the send is answered first; the row's boxes are those after it.
        answers->answerMessageBox(QMessageBox::Yes, 30000);
        operate(0x02, 300, [this] { ui()->pushButtonSendPar->click(); });
        if (want.boxes.first() == QStringLiteral("雷达场景参数设置成功"))
            QCOMPARE(int(radar->scene().detectionFar), 550);
        verifyRecovery();
    }

    void flashSave()
    {
        startLinked(Connected);
        operate(0x10, 1500, [this] { ui()->pushButtonSaveConfig->click(); });
        // The radar heard the one save, whatever became of its answer.
        QCOMPARE(radar->flashSaves(), 1);
        verifyRecovery();
    }

    // The fault holds for every answer from the reconnect on: the save and the poll it resumes.
    void saveReconnect()
    {
        startLinked(Connected);
        Driver driver;
        if (fault == HangUp) {
            quietDrop = true;
            driver.when(QStringLiteral("port closed for the reconnect"),
                        [this] { return log().contains(QStringLiteral("断开")); }, [this] { radar->hangUpNow(); });
        } else {
            radar->setFaultForAll(answerFault(1500, -1));
        }
        expectBoxes();
        const int polls = requestsOf(0x06);
        ui()->pushButtonSaveConfig->click();
        if (want.connected)
            QVERIFY(waitUntil([&] { return requestsOf(0x06) >= polls + 2; }, 5000));   // the poll resumed
        verifyOutcome();
        QVERIFY(driver.done());
        QCOMPARE(radar->flashSaves(), 1);
        verifyRecovery();
    }

    void upgradeCommand()
    {
        prepareUpgrade();
        inject(0x11, 10500);
        runUpgrade();
        verifyOutcome();
        QCOMPARE(radar->upgradedImage(), want.boxes.isEmpty() ? QByteArray() : image);
        if (fault == HangUp)
            QCOMPARE(label(), QStringLiteral("串口连接失败"));
        verifyRecovery();
    }

    void upgradeTransfer()
    {
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
        verifyRecovery(want.connected);
    }

    void upgradeCompletion()
    {
        prepareUpgrade();
        const sim::UpgradeStatus done = sim::UpgradeStatus::finished();
        QByteArray badSync = sim::UpgradeStatus::step(QStringLiteral("正在校验")).bytes();
        badSync[1] = '\xBC';
        // What the loader sends after the last packet, per fault; the late and split ones spaced out.
        const QList<sim::UpgradeStatus> scripts[] = {
            {}, {done}, {{0, {}, done.bytes().left(5)}, {0, {}, done.bytes().mid(5)}}, {{0, {}, badSync}, done},
            {{0, {}, Noise}, done}};
        if (fault == Late || fault == Split)
            radar->setUpgradeStatusGapMs(fault == Late ? 10500 : 60);
        if (fault == HangUp)
            hangUpWhen([this] { return radar->upgradeStatusesSent() >= 1; });
        else
            radar->setUpgradeStatusScript(scripts[fault]);
        runUpgrade();
        verifyOutcome();
        QCOMPARE(radar->upgradedImage(), image);
        verifyRecovery(want.connected);
    }

    // One minute asked for; stopped by the operator once the stream is under way (at once when
    // nothing comes), the radar falling quiet while the question is open.
    void sampling()
    {
        startLinked(PortOpen);
        if (fault == HangUp)
            hangUpWhen([this] { return radar->sampledBytesSent() > 4000; });
        else
            inject(0x06, 1500);
        Driver driver;
        DialogGetData *dialog = nullptr;
        QElapsedTimer clock;
        qint64 sentWhenAsked = 0, quietSince = 0;
        const auto question = [] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); };
        const auto stop = [&] { dialog->ui->pushButton->click(); };
        driver.rescue = [&] {
            if (question())
                question()->button(QMessageBox::Yes)->click();
            if (dialog)
                QTimer::singleShot(0, dialog, [&] { dialog->ui->pushButton->isEnabled() ? stop() : static_cast<void>(dialog->close()); });
        };
        driver.when(QStringLiteral("window open"),
                    [&] { return (dialog = w().findChild<DialogGetData *>()) && dialog->isVisible(); },
                    [&] { clock.start(); dialog->ui->pushButtonStartData->click(); });
        if (fault == HangUp) {
            driver.when(QStringLiteral("run over"), [&] { return dialog->isIdle() && dialog->ui->pushButtonStartData->isEnabled(); },
                        [&] { dialog->close(); });
        } else {
            driver.when(QStringLiteral("stream under way"),
                        [&] { return fault == Silent ? clock.elapsed() > 2500 : radar->sampledBytesSent() > 3000; }, stop);
            driver.when(QStringLiteral("asked"), question,
                        [&] { extraShown << question()->text(); sentWhenAsked = radar->sampledBytesSent(); });
            driver.when(QStringLiteral("more in while asking"),
                        [&] { return fault == Silent || radar->sampledBytesSent() > sentWhenAsked + 1500; },
                        [&] { radar->stopSampling(); quietSince = clock.elapsed(); });
            driver.when(QStringLiteral("line quiet"), [&] { return clock.elapsed() > quietSince + 300; },
                        [&] { question()->button(QMessageBox::Yes)->click(); });
        }
        ui()->actionGetData->trigger();
        QVERIFY2(driver.failures.isEmpty(), qPrintable(driver.failures.join(QLatin1Char('\n'))));
        verifyOutcome();
        const QStringList files = sampleFiles();
        QCOMPARE(files.size(), 1);
        const QByteArray content = fileBytes(files.first());
        const QByteArray sent = radar->sampledOutput();
        // Every byte the radar sent is in the file, those taken in while the question was open too;
        // after a hang-up, a good part of them from the start.
        QCOMPARE(content.size(), fault == HangUp ? qMin(content.size(), sent.size()) : sent.size());
        QVERIFY(content == sent.left(content.size()));
        QVERIFY(fault == HangUp ? content.size() > 3000 : content.isEmpty() == (fault == Silent));
        verifyRecovery();
    }

    void testCommand()
    {
        startLinked(PortOpen);
        ui()->actionCeliangJuli->trigger();
        QLineEdit *value = w().dialogCeLiang->ui->lineEdit;
        radar->setTestDistance(321);
        w().dialogCeLiang->ui->pushButton->click();
        QCOMPARE(value->text(), QStringLiteral("3.21"));
        radar->setTestDistance(456);
        operate(0x06, 1500, [&] {
            w().dialogCeLiang->ui->pushButton->click();
            extraShown << value->text();
        });
        // A failed measurement leaves the last good value on show.
        QCOMPARE(value->text(), fault == Split ? QStringLiteral("4.56") : QStringLiteral("3.21"));
        verifyRecovery();
    }

    void can()
    {
        startLinked(PortOpen);
        answerWindow<DialogCan>("DialogCan", [](DialogCan *can) { can->ui->pushButtonAccept->click(); });
        operate(0x09, 300, [this] { ui()->actionCan->trigger(); });
        QCOMPARE(requestsOf(0x09), 1);
        QCOMPARE(radar->canBlock().size(), 8);
        verifyRecovery();
    }

    void stationChange()
    {
        startLinked(PortOpen);
        const QString before = ui()->labelModbusId->text();
        answerWindow<DialogSpinBox>("DialogSpinBos", [](DialogSpinBox *box) {
            box->ui->spinBox->setValue(7);
            box->ui->pushButton->click();
        });
        operate(0x0E, 1500, [this] { ui()->toolButtonModbusId->click(); });
        // Only the radar's answer moves the tool over to the new number.
        const bool answered = fault == Split || fault == BadSync || fault == Garbage;
        QCOMPARE(ui()->labelModbusId->text(), answered ? QStringLiteral("7") : before);
        QCOMPARE(int(quint8(w().frameHeader.at(radarlink::StationOffset))), answered ? 7 : 0xFF);
        verifyRecovery();
    }

    void relaySensitivity()
    {
        startLinked(PortOpen);
        inject(0x0E, 1500);
        answerWindow<DialogFrameLimt>("DialogFrameLimt", [](DialogFrameLimt *relays) {
            relays->ui->spinBoxFrameLimt_Early->setValue(20);
            relays->ui->spinBoxFrameLimt_Warning->setValue(30);
            relays->ui->pushButton->click();
        });
        // After the warning the window comes back for another try: the operator cancels.
        if (!want.boxes.isEmpty()) {
            expectBoxes();
            answerWindow<QDialog>("DialogFrameLimt", [](QDialog *relays) { relays->reject(); });
        }
        ui()->actionFrameLimt->trigger();
        verifyOutcome();
        // The tool keeps the values the radar confirmed.
        QCOMPARE(int(w().earlyWarningRelay), want.boxes.isEmpty() ? 20 : 0);
        QCOMPARE(int(w().alarmRelay), want.boxes.isEmpty() ? 30 : 0);
        verifyRecovery();
    }
};

RADAR_TEST_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
