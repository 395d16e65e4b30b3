// The small tool dialogs against a simulated radar, each opened on a window attached to it. A
// radar that does not answer, or answers late, in pieces or badly, and a dropped line are cells
// of tst_faultmatrix.
// - Station number and relay sensitivity, both carried by the set-station-number command: the
//   request on the wire, what the tool addresses afterwards, and the relay values the radar has
//   confirmed.
// - Distance measurement: the dialog kept from its first opening, the test command on the wire,
//   the distance the operator reads, the replies it cannot use, and the presses that send nothing.
// - CAN output: the dialog the operator fills in, the block it puts on the wire, the two outcome
//   boxes, and what happens when nothing may be sent.
#include "dialogcan.h"
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialogspinbox.h"
#include "dialoganswerer.h"
#include "linkfixture.h"
#include "ui_dialogcan.h"
#include "ui_dialogceliang.h"
#include "ui_dialogframelimt.h"
#include "ui_dialogspinbox.h"

using Action = DialogAnswerer::Action;

namespace {
// Notes the number on show (when asked), sets the given one (0: leaves it) and presses the
// button; or presses Escape for -1.
Action stationWindow(int station, QList<int> *shown = nullptr)
{
    return [station, shown](QWidget *window) {
        auto *dialog = static_cast<DialogSpinBox *>(window);
        if (shown)
            *shown << dialog->value();
        if (station < 0)
            return QTest::keyClick(window, Qt::Key_Escape);
        if (station > 0)
            dialog->ui->spinBox->setValue(station);
        dialog->ui->pushButton->click();
    };
}

// Notes the relay values on show (when asked), enters the given two and presses "设置";
// cancels when given none.
Action relayWindow(QList<int> entries, QList<int> *shown = nullptr)
{
    return [entries, shown](QWidget *window) {
        Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
        if (shown)
            *shown << ui->spinBoxFrameLimt_Early->value() << ui->spinBoxFrameLimt_Warning->value();
        if (entries.isEmpty())
            return static_cast<QDialog *>(window)->reject();
        ui->spinBoxFrameLimt_Early->setValue(entries.at(0));
        ui->spinBoxFrameLimt_Warning->setValue(entries.at(1));
        ui->pushButton->click();
    };
}

const QString sendPrefix = QStringLiteral("发送设置ID命令：");
const QString failedBox = QStringLiteral("错误|设置失败|%1").arg(int(QMessageBox::Warning));

// Picks the bit rate, output type and device number by their texts (empty: left as they
// are), sets the sampling time (0: left) and presses "发送", or "取消" when not to send.
Action fillAndSend(const QStringList &choices, int samplingMs = 0, bool send = true)
{
    return [choices, samplingMs, send](QWidget *window) {
        Ui::DialogCan *ui = static_cast<DialogCan *>(window)->ui;
        const QList<QComboBox *> lists{ui->comboBoxBaudRate, ui->comboBoxInquiry, ui->comboBoxCanDeviceId};
        for (int i = 0; i < choices.size(); ++i)
            if (!choices[i].isEmpty())
                lists[i]->setCurrentIndex(lists[i]->findText(choices[i]));
        if (samplingMs > 0)
            ui->spinBoxRate->setValue(samplingMs);
        send ? ui->pushButtonAccept->click() : ui->pushButtonReject->click();
    };
}

// The two outcome boxes as the operator sees them: title|text|icon.
const QString successBox = QStringLiteral("设置Can参数|Can参数设置成功|%1").arg(int(QMessageBox::Information));
const QString failureBox = QStringLiteral("设置Can参数|Can参数设置失败|%1").arg(int(QMessageBox::Information));
const QString unknownType = QStringLiteral("未知设备ID");

// The test command with the station bytes of a fresh connection (FF, FF, reported 01):
// length 16, checksum 0x04F2 = header 0x314 + 04 + 00 + ED + ED.
const QByteArray freshTestRequest = hexBytes("55aa1000f20400ff06ff0100 0400eded");
const QString requestLine = traceLine(QStringLiteral("测试命令："), freshTestRequest);
const QString replyPrefix = QStringLiteral("测试命令返回：");
} // namespace

class TestDialogs : public AttachedFixture
{
    Q_OBJECT
    // Every box a tool showed, as title|text|icon: the station tools' between two of their
    // windows; the CAN tool's outcome boxes, noted and closed with OK by boxWatch (all but the
    // unknown-type warning) while it runs.
    QStringList boxes;
    QTimer boxWatch;

    // Runs a station tool: its windows answered in turn by the actions, the box between two with OK.
    void runTool(bool relays, QList<Action> actions)
    {
        DialogAnswerer answers;
        for (int i = 0; i < actions.size(); ++i) {
            if (i > 0)
                answers.answerMessageBox(QMessageBox::Ok);
            answers.answerWindow(relays ? QStringLiteral("DialogFrameLimt") : QStringLiteral("DialogSpinBos"), actions[i]);
        }
        relays ? w().ui->actionFrameLimt->trigger() : w().ui->toolButtonModbusId->click();
        QVERIFY(answers.waitDone());
        for (const DialogAnswerer::Seen &box : answers.seen)
            boxes << box.title + QLatin1Char('|') + box.text + QLatin1Char('|') + QString::number(int(box.icon));
    }
    // What a station tool opens with, then cancelled: the station number, or the two relay values.
    QList<int> onShow(bool relays)
    {
        QList<int> values;
        runTool(relays, {relays ? relayWindow({}, &values) : stationWindow(-1, &values)});
        return values;
    }
    // The radar of the identity example, read: station 5, serial 0205 0007 03, type 2, relays 10 and 11.
    bool identified()
    {
        radar->setIdentity(sim::Identity{5, 2, 0x0205, 0x0007, 0x03, 10, 11});
        if (!w().readIdentity())
            return false;
        forget();
        return true;
    }

    void runCanTool(Action action)
    {
        DialogAnswerer answers;
        answers.answerWindow(QStringLiteral("DialogCan"), std::move(action));
        w().ui->actionCan->trigger();
        QVERIFY(answers.waitDone());
    }

    void openDistanceTool() { w().ui->actionCeliangJuli->trigger(); }
    DialogCeLiang *dialog() { return w().dialogCeLiang; }
    QString shown() { return dialog()->ui->lineEdit->text(); }
    void press() { dialog()->ui->pushButton->click(); }

private slots:
    void initTestCase()
    {
        startRadar();
        connect(&boxWatch, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->text() != unknownType) {
                boxes << box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|')
                             + QString::number(int(box->icon()));
                box->button(QMessageBox::Ok)->click();
            }
        });
    }
    void cleanupTestCase() { stopRadar(); }
    void init()
    {
        radar->setIdentity(sim::Identity());
        attachWindow();
        boxes.clear();
    }
    void cleanup()
    {
        boxWatch.stop();
        detachWindow();
    }

    // The request of the identity example to station 9, byte for byte, and the new number on
    // the label. Every later request goes to 9 (the reported-station byte keeps the 5 of the
    // identity read) and is answered; the dialog then opens at 9, and Escape sends nothing.
    void stationChangeOnTheWireAndAfter()
    {
        QVERIFY(identified());
        QStringList opened;
        runTool(false, {[&opened](QWidget *window) {
            QSpinBox *box = static_cast<DialogSpinBox *>(window)->ui->spinBox;
            opened << window->windowTitle()
                   << QStringLiteral("%1 in %2-%3").arg(box->value()).arg(box->minimum()).arg(box->maximum());
            stationWindow(9)(window);
        }});
        QCOMPARE(opened, (QStringList{"站点号", "5 in 1-254"}));
        const QByteArray request = onlyRequest(*radar);
        QCOMPARE(request.toHex(' '), QByteArray("55 aa 16 00 3d 03 00 05 0e 05 05 00 09 05 05 02 07 00 0a 0b ed ed"));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(0), traceLine(sendPrefix, request));
        QVERIFY(log().at(1).startsWith(QStringLiteral("设置ID返回：55 aa ")));
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("9"));

        // The distance tool's request, bytes 7 to 10: station, command, station, reported station.
        forget();
        radar->setTestDistance(1234);
        w().ui->actionCeliangJuli->trigger();
        w().dialogCeLiang->ui->pushButton->click();
        QCOMPARE(onlyRequest(*radar).mid(7, 4).toHex(' '), QByteArray("09 06 09 05"));
        QCOMPARE(w().dialogCeLiang->ui->lineEdit->text(), QStringLiteral("12.34"));
        forget();
        QCOMPARE(onShow(false), QList<int>{9});
        verifyNothingSent();
    }

    void relaySetting_data()
    {
        QTest::addColumn<int>("unanswered");  // presses the radar leaves unanswered (-1: all)
        QTest::addColumn<QList<int>>("kept"); // the values the tool opens with afterwards
        QTest::newRow("answered") << 0 << QList<int>{0, 255};
        QTest::newRow("second press answered") << 1 << QList<int>{0, 255};
        QTest::newRow("cancelled after a failure") << -1 << QList<int>{10, 11};
    }
    // 0 and 255 go out as data bytes 6 and 7, the station unchanged, at every press of "设置".
    // An unanswered one warns and offers the operator's entries again; the tool keeps only what
    // the radar has confirmed.
    void relaySetting()
    {
        QVERIFY(identified());
        QFETCH(int, unanswered);
        if (unanswered)
            radar->setFault(0x0E, {sim::Fault::Silent});
        QList<int> offered;
        QList<Action> actions{relayWindow({0, 255})};
        if (unanswered)
            actions << [this, unanswered, &offered](QWidget *window) {
                if (unanswered > 0)
                    radar->clearFaults(); // it answers the second press
                relayWindow(unanswered > 0 ? QList<int>{0, 255} : QList<int>(), &offered)(window);
            };
        runTool(true, actions);
        const QByteArray sent = hexBytes("55aa1600 2304 00 05 0e 05 05 00 05 05 0502 0700 00 ff eded");
        QCOMPARE(radar->requests().size(), unanswered > 0 ? 2 : 1);
        for (const sim::ReceivedRequest &r : radar->requests())
            QCOMPARE(r.bytes, sent);
        QCOMPARE(boxes, unanswered ? QStringList(failedBox) : QStringList());
        QCOMPARE(offered, unanswered ? (QList<int>{0, 255}) : QList<int>());
        QTEST(onShow(true), "kept");
    }

    // The relay tool opens with the values of the identity read, in its limits, and sends
    // nothing when cancelled; a station number accepted unchanged goes out with those values.
    // Without a connection neither tool sends anything: the number stays, and every press of
    // "设置" warns and offers the entries again until the operator cancels.
    void identityValuesAndWhatSendsNothing()
    {
        QVERIFY(identified());
        QStringList opened;
        runTool(true, {[&opened](QWidget *window) {
            Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
            opened << window->windowTitle() << ui->label_3->text();
            for (const QSpinBox *box : {ui->spinBoxFrameLimt_Early, ui->spinBoxFrameLimt_Warning})
                opened << QStringLiteral("%1 in %2-%3").arg(box->value()).arg(box->minimum()).arg(box->maximum());
            static_cast<QDialog *>(window)->reject();
        }});
        QCOMPARE(opened, (QStringList{"继电器灵敏度", "数值越小，灵敏度越高", "10 in 0-255", "11 in 0-255"}));
        verifyNothingSent();
        runTool(false, {stationWindow(0)});
        QCOMPARE(onlyRequest(*radar).mid(12, 8).toHex(' '), QByteArray("05 05 05 02 07 00 0a 0b"));

        w().ui->pushButtonDisconnect->click();
        forget();
        runTool(false, {stationWindow(17)});
        QList<int> offered;
        runTool(true, {relayWindow({1, 2}), relayWindow({3, 4}), relayWindow({}, &offered)});
        QCOMPARE(boxes, QStringList({failedBox, failedBox}));
        QCOMPARE(offered, (QList<int>{3, 4}));
        verifyNothingSent();
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
        QCOMPARE(onShow(false), QList<int>{5});
        QCOMPARE(onShow(true), (QList<int>{10, 11}));
    }

    // The tool opens without measuring, beside the main window and not blocking it; it stays
    // one window, keeping the last value when closed and opened again. A press with the port
    // closed does nothing.
    void dialogIsKeptAndMeasuresOnlyOnPress()
    {
        openDistanceTool();
        DialogCeLiang *first = dialog();
        QVERIFY(first && first->isVisible() && !first->isModal() && !QApplication::activeModalWidget());
        QCOMPARE(first->parentWidget(), static_cast<QWidget *>(window.get()));
        QCOMPARE((QStringList{first->windowTitle(), first->ui->label->text(), first->ui->label_2->text(),
                              first->ui->pushButton->text(), shown()}),
                 (QStringList{"测量距离", "测量距离：", "m", "刷新", ""}));
        QVERIFY(first->ui->lineEdit->isReadOnly());
        verifyNothingSent();

        radar->setTestDistance(250);
        press();
        QCOMPARE(shown(), QStringLiteral("2.5"));
        first->close();
        forget();
        w().ui->actionCeliangJuli->trigger();
        QVERIFY(dialog() == first && first->isVisible());
        QCOMPARE(shown(), QStringLiteral("2.5"));
        // Neither the second opening nor a press with the port closed measures.
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        press();
        verifyNothingSent();
        QCOMPARE(shown(), QStringLiteral("2.5"));
    }

    void whatAPressShows_data()
    {
        QTest::addColumn<QByteArray>("reply");      // the radar's answer; bytes 2 and 3 its length
        QTest::addColumn<QString>("text");          // on show afterwards; 7.77 from the press before
        QTest::addColumn<QStringList>("complaint"); // the log lines after the reply's trace
        QTest::newRow("1234") << hexBytes("55aa1000 cb03 0002 06 0202 00 d204 eded") << "12.34" << QStringList();
        QTest::newRow("500") << hexBytes("55aa1000 ea03 0002 06 0202 00 f401 eded") << "5" << QStringList();
        QTest::newRow("7") << hexBytes("55aa1000 fc02 0002 06 0202 00 0700 eded") << "0.07" << QStringList();
        QTest::newRow("65535") << hexBytes("55aa1000 f304 0002 06 0202 00 ffff eded") << "655.35" << QStringList();
        QTest::newRow("length 12") << hexBytes("55aa0c00 0000 0002 06 0202 00") << "7.77" << QStringList();
        QTest::newRow("14 of 20") << hexBytes("55aa1400 0000 0002 06 0202 00 d204") << "7.77"
                                  << QStringList{QStringLiteral("测试命令：消息长度不正确14/20")};
        QTest::newRow("half a distance") << hexBytes("55aa0d00 0000 0002 06 0202 00 d2") << "7.77" << QStringList();
    }
    // One press: the 16-byte test command on the wire, both traces in the log, the distance in
    // metres in the box. A reply without a whole distance never touches the value on show.
    void whatAPressShows()
    {
        openDistanceTool();
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, complaint);
        radar->setTestDistance(777);
        press();
        forget();
        radar->setFault(0x06, {sim::Fault::Silent});
        {
            LateSender sender(*radar, 1, reply);
            press();
        }
        QTEST(shown(), "text");
        QCOMPARE(onlyRequest(*radar), freshTestRequest);
        QCOMPARE(log(), QStringList({requestLine, traceLine(replyPrefix, reply)}) + complaint);
    }

    // A scene send whose first write goes unanswered leaves polling paused; a press afterwards
    // still waits for the radar's answer and shows its distance, as if no send had failed.
    void pressAfterAFailedSendShowsTheDistance()
    {
        openDistanceTool();
        radar->setTestDistance(321);
        radar->setFault(0x02, faultSpec(sim::Fault::Silent));
        DialogAnswerer answerer;
        answerer.answerMessageBox(QMessageBox::Yes);
        answerer.answerMessageBox();
        w().ui->pushButtonSendPar->click();
        QVERIFY(answerer.waitDone());
        QCOMPARE(answerer.seen.value(1).text, QStringLiteral("雷达探测区域设置失败"));
        QVERIFY(w().pollingPaused);
        w().ui->listWidget->clear();
        press();
        QCOMPARE(shown(), QStringLiteral("3.21"));
        QVERIFY(!log().contains(QStringLiteral("测试命令：超时或无返回值")));
    }

    // The identity read of a radar of unknown type holds the link while its warning is open;
    // a press in that time neither sends nor logs, now or later, and the link is free again
    // afterwards.
    void pressWhileTheLinkIsHeldIsDropped()
    {
        openDistanceTool();
        radar->setIdentity(sim::Identity{2, 4}); // station 2, a type the tool does not know
        radar->setTestDistance(999);
        QStringList during; // the warning, the requests the radar has, the log
        DialogAnswerer driver;
        driver.answerWindow(QStringLiteral("QMessageBox"), [&](QWidget *modal) {
            auto *box = static_cast<QMessageBox *>(modal);
            press();
            QTest::qWait(150);
            during << box->text() << QString::number(radar->requests().size()) << log();
            box->button(QMessageBox::Ok)->click();
        });
        QVERIFY(!w().readIdentity());
        QVERIFY(driver.waitDone());
        radar->setIdentity(sim::Identity());
        QTest::qWait(100);
        // The identity request alone, its trace and its reply's; nothing more after the warning.
        QCOMPARE(log().size(), 2);
        QCOMPARE(during, QStringList({QStringLiteral("未知设备ID"), QStringLiteral("1")}) + log());
        QCOMPARE(radar->requests().size(), 1);
        QCOMPARE(shown(), QString());

        press();
        QCOMPARE(shown(), QStringLiteral("9.99"));
    }

    // What the operator finds in the dialog each time it opens: cancelling sends nothing and
    // the next opening starts afresh. Accepted with the port closed, nothing goes out and
    // nothing is shown.
    void nothingGoesOutUnlessSent()
    {
        boxWatch.start(10);
        for (int opening = 0; opening < 2; ++opening) {
            QStringList seen;
            runCanTool([&](QWidget *window) {
                Ui::DialogCan *ui = static_cast<DialogCan *>(window)->ui;
                seen << window->windowTitle() << QString::number(window->font().pointSize()) << ui->label->text()
                     << ui->label_2->text() << ui->label_3->text() << ui->label_4->text()
                     << ui->pushButtonAccept->text() + QLatin1Char('/') + ui->pushButtonReject->text()
                     << comboTexts(ui->comboBoxBaudRate).join(',') << comboTexts(ui->comboBoxInquiry).join(',')
                     << comboTexts(ui->comboBoxCanDeviceId).join(',') << ui->comboBoxBaudRate->currentText()
                     << ui->comboBoxInquiry->currentText() << ui->comboBoxCanDeviceId->currentText() << ui->spinBoxRate->text()
                     << QStringLiteral("%1-%2").arg(ui->spinBoxRate->minimum()).arg(ui->spinBoxRate->maximum())
                     << QString::number(ui->spinBoxRate->buttonSymbols() == QAbstractSpinBox::NoButtons);
                fillAndSend({QStringLiteral("1M"), QStringLiteral("距离"), QStringLiteral("8")}, 5000, false)(window);
            });
            QCOMPARE(seen, (QStringList{"Can设置", "15", "波特率：", "输出类型：", "设备号：", "采样时间：", "发送/取消",
                                        "250k,500k,1M", "航迹,点迹,距离", "0,1,2,3,4,5,6,7,8",
                                        "250k", "航迹", "0", "100ms", "50-65535", "1"}));
        }
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        runCanTool(fillAndSend({QStringLiteral("500k")}));
        verifyNothingSent();
        QVERIFY(boxes.isEmpty());
    }

    void choicesOnTheWire_data()
    {
        QTest::addColumn<QStringList>("choices"); // bit rate, output type, device number
        QTest::addColumn<int>("samplingMs");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<bool>("silent"); // the radar hears the command but never answers
        QTest::newRow("unchanged") << QStringList() << 0 << hexBytes("010101006400eded") << false;
        QTest::newRow("500k distance 3 200ms") << QStringList{"500k", "距离", "3"} << 200 << hexBytes("02010403c800eded") << false;
        QTest::newRow("1M points 8 65535ms") << QStringList{"1M", "点迹", "8"} << 65535 << hexBytes("03010208ffffeded") << false;
        QTest::newRow("250k tracks 0 50ms") << QStringList{"250k", "航迹", "0"} << 50 << hexBytes("010101003200eded") << false;
        QTest::newRow("1M, radar silent") << QStringList{"1M"} << 0 << hexBytes("030101006400eded") << true;
    }
    // "发送": the 20-byte request with the block after the header, both traces in the log, and
    // the outcome box: success for any answer at all, failure for none.
    void choicesOnTheWire()
    {
        boxWatch.start(10);
        QFETCH(QStringList, choices);
        QFETCH(int, samplingMs);
        QFETCH(QByteArray, block);
        QFETCH(bool, silent);
        if (silent)
            radar->setFault(0x09, {sim::Fault::Silent});
        runCanTool(fillAndSend(choices, samplingMs));
        const QByteArray request = onlyRequest(*radar);
        QCOMPARE(request, hexBytes("55aa1400") + request.mid(4, 2) + hexBytes("00ff09ff0100") + block);
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(0), traceLine(QStringLiteral("发送CAN参数设置命令："), request));
        QVERIFY2(log().at(1).startsWith(silent ? QStringLiteral("CAN参数设置命令：超时或无返回值")
                                               : QStringLiteral("CAN参数设置返回：55 aa ")), qPrintable(log().at(1)));
        QCOMPARE(boxes, QStringList(silent ? failureBox : successBox));
    }

    // The identity read of a radar of unknown type holds the link while its warning is open.
    // A CAN command accepted in that time waits for the link; when the line is dropped before
    // it gets it, nothing goes out and no outcome box is shown.
    void lineDroppedWhileWaitingForTheLink()
    {
        boxWatch.start(10);
        radar->setIdentity(sim::Identity{2, 4}); // station 2, a type the tool does not know
        DialogAnswerer driver;
        driver.answerWindow(QStringLiteral("QMessageBox"), [this](QWidget *window) {
            auto *box = static_cast<QMessageBox *>(window);
            // From the warning's own event loop: the driver answers the windows that follow.
            QTimer::singleShot(0, box, [this, box] {
                w().ui->actionCan->trigger();
                box->button(QMessageBox::Ok)->click();
            });
        });
        driver.answerWindow(QStringLiteral("DialogCan"), fillAndSend({QStringLiteral("1M")}));
        // Back under the warning, while the CAN command waits for the link: "断开".
        driver.answerWindow(QStringLiteral("QMessageBox"), [this](QWidget *) { w().ui->pushButtonDisconnect->click(); });
        QVERIFY(!w().readIdentity());
        QVERIFY(driver.waitDone());
        QTest::qWait(150);
        radar->setIdentity(sim::Identity());

        QCOMPARE(driver.handled, (QStringList{"QMessageBox", "DialogCan", "QMessageBox"}));
        QVERIFY(boxes.isEmpty());
        QCOMPARE(radar->requests().size(), 1); // the identity read's
        QCOMPARE(log().filter(QStringLiteral("CAN")), QStringList());
    }

    // The tool works the same once the interface is in English, and its box stays Chinese.
    void staysChineseInEnglish()
    {
        boxWatch.start(10);
        w().ui->action_English->trigger();
        runCanTool(fillAndSend({QStringLiteral("500k"), QStringLiteral("距离"), QStringLiteral("3")}, 200));
        w().ui->action_Chinese->trigger();
        QCOMPARE(radar->canBlock(), hexBytes("02010403c800eded"));
        QCOMPARE(boxes, QStringList(successBox));
    }
};

RADAR_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
