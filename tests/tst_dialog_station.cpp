// The station-number button and the relay-sensitivity tool, both carried by the
// set-station-number command, against a simulated radar: the request on the wire, what the
// tool addresses afterwards, what a silent radar leaves behind, and the relay values the
// radar has confirmed.
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialogspinbox.h"
#include "tooldialogtest.h"
#include "ui_dialogceliang.h"
#include "ui_dialogframelimt.h"
#include "ui_dialogspinbox.h"

#include <QPushButton>
#include <QSpinBox>

using namespace tooltest;

namespace {
// The radar of the identity example: station 5, serial 0205 0007 03, type 2, relays 10 and 11.
sim::Identity exampleRadar()
{
    sim::Identity id;
    id.station = 5;
    id.deviceType = 2;
    id.serialWord1 = 0x0205;
    id.serialWord2 = 0x0007;
    id.serialByte3 = 0x03;
    id.earlyWarningRelay = 10;
    id.alarmRelay = 11;
    return id;
}

// Sets the number (0: leaves it) and presses the button; or presses Escape for -1.
Action chooseStation(int station)
{
    return [station](QWidget *window) {
        auto *dialog = static_cast<DialogSpinBox *>(window);
        if (station < 0)
            return QTest::keyClick(window, Qt::Key_Escape);
        if (station > 0)
            dialog->ui->spinBox->setValue(station);
        dialog->ui->pushButton->click();
    };
}

// Sets both relay values and presses "设置"; or notes the values on show and cancels.
Action setRelays(int early, int alarm)
{
    return [early, alarm](QWidget *window) {
        Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
        ui->spinBoxFrameLimt_Early->setValue(early);
        ui->spinBoxFrameLimt_Warning->setValue(alarm);
        ui->pushButton->click();
    };
}
Action readRelaysAndCancel(QList<int> *shown)
{
    return [shown](QWidget *window) {
        Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
        *shown << ui->spinBoxFrameLimt_Early->value() << ui->spinBoxFrameLimt_Warning->value();
        static_cast<QDialog *>(window)->reject();
    };
}

const QString stationDialog = QStringLiteral("DialogSpinBos");
const QString relayDialog = QStringLiteral("DialogFrameLimt");
const QString timeoutLine = QStringLiteral("设置ID命令：超时或无返回值");
} // namespace

class TestStationTools : public AttachedFixture
{
    Q_OBJECT
    QByteArray onlyRequest() { return ::onlyRequest(*radar); }

    void readExampleRadar()
    {
        QVERIFY(w().readIdentity());
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
        radar->clearRequests();
        w().ui->listWidget->clear();
    }

    // Runs one tool: its windows answered in turn by the actions, boxes by the answerer.
    void runTool(QAction *trigger, QAbstractButton *button, const QString &name,
                 QList<Action> actions, DialogAnswerer *answerer = nullptr)
    {
        DialogAnswerer own;
        DialogAnswerer &answers = answerer ? *answerer : own;
        for (int i = 0; i < actions.size(); ++i) {
            if (i > 0)
                answers.answerMessageBox(QMessageBox::Ok);
            answers.answerWindow(name, actions[i]);
        }
        if (trigger)
            trigger->trigger();
        else
            button->click();
        QVERIFY(answers.waitDone());
    }
    void stationTool(Action action)
    {
        runTool(nullptr, w().ui->toolButtonModbusId, stationDialog, {std::move(action)});
    }
    void relayTool(QList<Action> actions, DialogAnswerer *answerer = nullptr)
    {
        runTool(w().ui->actionFrameLimt, nullptr, relayDialog, std::move(actions), answerer);
    }
    QList<int> relaysOnShow()
    {
        QList<int> shown;
        relayTool({readRelaysAndCancel(&shown)});
        return shown;
    }

    // The station bytes (7, 9, 10) of the next request, sent with the distance tool's refresh.
    QByteArray nextRequestStations(QString *replyLine)
    {
        radar->clearRequests();
        w().ui->listWidget->clear();
        w().ui->actionCeliangJuli->trigger();
        w().dialogCeLiang->ui->pushButton->click();
        const QByteArray request = onlyRequest();
        *replyLine = log().value(1);
        return QByteArray() + request.mid(7, 1) + request.mid(9, 2);
    }

private slots:
    void initTestCase() { startRadar(); }
    void cleanupTestCase() { stopRadar(); }
    void init()
    {
        radar->setIdentity(exampleRadar());
        attachWindow();
    }
    void cleanup() { detachWindow(); }

    // The request of the identity example to station 9, byte for byte, the new number on the
    // label, and every later request addressed to it (the reported-station byte keeps the 5 of
    // the identity read) and answered under it; the dialog then opens at the new number.
    void stationChangeOnTheWireAndAfter()
    {
        readExampleRadar();
        QString title;
        int minimum = 0, maximum = 0, value = 0;
        stationTool([&](QWidget *window) {
            QSpinBox *box = static_cast<DialogSpinBox *>(window)->ui->spinBox;
            title = window->windowTitle();
            minimum = box->minimum();
            maximum = box->maximum();
            value = box->value();
            chooseStation(9)(window);
        });
        QCOMPARE(title, QStringLiteral("站点号"));
        QCOMPARE(QList<int>() << value << minimum << maximum, (QList<int>{5, 1, 254}));
        const QByteArray request = onlyRequest();
        QCOMPARE(request.toHex(' '),
                 QByteArray("55 aa 16 00 3d 03 00 05 0e 05 05 00 09 05 05 02 07 00 0a 0b ed ed"));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(0), traceLine(QStringLiteral("发送设置ID命令："), request));
        QVERIFY(log().at(1).startsWith(QStringLiteral("设置ID返回：55 aa ")));
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("9"));
        QCOMPARE(radar->station(), quint8(9));

        radar->setTestDistance(1234);
        QString reply;
        QCOMPARE(nextRequestStations(&reply).toHex(' '), QByteArray("09 09 05"));
        QVERIFY2(reply.startsWith(QStringLiteral("测试命令返回：55 aa 10 00 ")), qPrintable(reply));
        QCOMPARE(reply.mid(reply.indexOf(QStringLiteral("：")) + 1).split(QLatin1Char(' ')).mid(7, 4),
                 (QStringList{"09", "06", "09", "09"}));
        QCOMPARE(w().dialogCeLiang->ui->lineEdit->text(), QStringLiteral("12.34"));
        stationTool([&](QWidget *window) {
            value = static_cast<DialogSpinBox *>(window)->value();
            chooseStation(-1)(window);
        });
        QCOMPARE(value, 9);
    }

    // A radar that does not answer keeps the tool on the old number, without a message.
    void silentRadarKeepsTheOldNumber()
    {
        readExampleRadar();
        radar->setFault(0x0E, faultSpec(sim::Fault::Silent));
        bool boxSeen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout,
                         [&] { boxSeen |= bool(qobject_cast<QMessageBox *>(QApplication::activeModalWidget())); });
        watch.start(10);
        stationTool(chooseStation(17));
        QCOMPARE(onlyRequest().at(12), char(17));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(1), timeoutLine);
        QVERIFY(!boxSeen);
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));

        radar->clearFaults();
        QString reply;
        QCOMPARE(nextRequestStations(&reply).toHex(' '), QByteArray("05 05 05"));
    }

    // Escape sends nothing, nor does anything with the port closed; accepting the number
    // unchanged still sends it.
    void whatSendsAndWhatDoesNot()
    {
        readExampleRadar();
        stationTool(chooseStation(-1));
        QTest::qWait(100);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());

        stationTool(chooseStation(0));
        QCOMPARE(onlyRequest().mid(12, 2).toHex(' '), QByteArray("05 05"));

        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        radar->clearRequests();
        stationTool(chooseStation(17));
        QTest::qWait(100);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
        QCOMPARE(w().stationNumber, quint16(5));
    }

    // The relay tool opens with the values of the last identity read (0 and 0 before any) and
    // sends nothing when cancelled.
    void relayDialogShowsTheRadarsValues()
    {
        QCOMPARE(relaysOnShow(), (QList<int>{0, 0}));
        readExampleRadar();
        QString title, hint;
        QList<int> ranges, shown;
        relayTool({[&](QWidget *window) {
            Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
            title = window->windowTitle();
            hint = ui->label_3->text();
            ranges << ui->spinBoxFrameLimt_Early->minimum() << ui->spinBoxFrameLimt_Early->maximum()
                   << ui->spinBoxFrameLimt_Warning->minimum() << ui->spinBoxFrameLimt_Warning->maximum();
            readRelaysAndCancel(&shown)(window);
        }});
        QCOMPARE(title, QStringLiteral("继电器灵敏度"));
        QCOMPARE(hint, QStringLiteral("数值越小，灵敏度越高"));
        QCOMPARE(ranges, (QList<int>{0, 255, 0, 255}));
        QCOMPARE(shown, (QList<int>{10, 11}));
        QTest::qWait(100);
        QVERIFY(radar->requests().isEmpty());
    }

    // 0 and 255 go out as data bytes 6 and 7, the station unchanged; the radar's answer makes
    // them the values the tool keeps.
    void relayValuesOnTheWire()
    {
        readExampleRadar();
        relayTool({setRelays(0, 255)});
        QCOMPARE(onlyRequest().toHex(' '),
                 QByteArray("55 aa 16 00 23 04 00 05 0e 05 05 00 05 05 05 02 07 00 00 ff ed ed"));
        QCOMPARE(log().at(0), traceLine(QStringLiteral("发送设置ID命令："), onlyRequest()));
        QCOMPARE(radar->identity().alarmRelay, quint8(255));
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
        QCOMPARE(relaysOnShow(), (QList<int>{0, 255}));
    }

    // A failed attempt warns and offers the operator's entries again; cancelling then leaves
    // the radar's confirmed values in place, so the next station-number command carries them
    // and not the entries the radar never took.
    void failedAttemptThenCancelKeepsTheConfirmedValues()
    {
        readExampleRadar();
        radar->setFault(0x0E, faultSpec(sim::Fault::Silent));
        DialogAnswerer answerer;
        QList<int> offeredAgain;
        relayTool({setRelays(0, 255), readRelaysAndCancel(&offeredAgain)}, &answerer);
        QCOMPARE(onlyRequest().mid(18, 2).toHex(' '), QByteArray("00 ff"));
        QCOMPARE(log(), (QStringList{traceLine(QStringLiteral("发送设置ID命令："), onlyRequest()), timeoutLine}));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().title, QStringLiteral("错误"));
        QCOMPARE(answerer.seen.first().text, QStringLiteral("设置失败"));
        QCOMPARE(answerer.seen.first().icon, QMessageBox::Warning);
        QCOMPARE(offeredAgain, (QList<int>{0, 255}));

        radar->clearFaults();
        radar->clearRequests();
        QCOMPARE(relaysOnShow(), (QList<int>{10, 11}));
        stationTool(chooseStation(0));
        QCOMPARE(onlyRequest().mid(12, 8).toHex(' '), QByteArray("05 05 05 02 07 00 0a 0b"));
    }

    // A second press after a failure that the radar answers stores the new values.
    void secondAttemptAfterAFailure()
    {
        readExampleRadar();
        radar->setFault(0x0E, faultSpec(sim::Fault::Silent, 1));
        DialogAnswerer answerer;
        relayTool({setRelays(20, 30), [](QWidget *window) {
                       static_cast<DialogFrameLimt *>(window)->ui->pushButton->click();
                   }},
                  &answerer);
        QCOMPARE(radar->requests().size(), 2);
        QCOMPARE(radar->requests().at(1).bytes.mid(18, 2).toHex(' '), QByteArray("14 1e"));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(relaysOnShow(), (QList<int>{20, 30}));
    }

    // Without a connection every press of "设置" warns and shows the dialog again; only
    // cancelling ends the tool, and nothing goes out.
    void withoutAConnectionOnlyCancelEnds()
    {
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        DialogAnswerer answerer;
        QList<int> offered;
        relayTool({setRelays(1, 2), setRelays(3, 4), readRelaysAndCancel(&offered)}, &answerer);
        QCOMPARE(answerer.seen.size(), 2);
        for (const DialogAnswerer::Seen &box : answerer.seen)
            QCOMPARE(box.text, QStringLiteral("设置失败"));
        QCOMPARE(offered, (QList<int>{3, 4}));
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
        QCOMPARE(relaysOnShow(), (QList<int>{0, 0}));
    }
};

RADAR_TEST_MAIN(TestStationTools)
#include "tst_dialog_station.moc"
