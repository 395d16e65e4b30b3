// The station-number button and the relay-sensitivity tool, both carried by the
// set-station-number command, against a simulated radar: the request on the wire, what the
// tool addresses afterwards, what a silent radar leaves behind, and the relay values the
// radar has confirmed.
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialoganswerer.h"
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

sim::FaultSpec silent()
{
    sim::FaultSpec fault;
    fault.kind = sim::Fault::Silent;
    return fault;
}

ModalDriver::Action chooseStation(int station)
{
    return [station](QWidget *window) {
        auto *dialog = static_cast<DialogSpinBox *>(window);
        if (station > 0)
            dialog->ui->spinBox->setValue(station);
        dialog->ui->pushButton->click();
    };
}

ModalDriver::Action pressEscape()
{
    return [](QWidget *window) { QTest::keyClick(window, Qt::Key_Escape); };
}

ModalDriver::Action setRelays(int early, int alarm)
{
    return [early, alarm](QWidget *window) {
        Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
        ui->spinBoxFrameLimt_Early->setValue(early);
        ui->spinBoxFrameLimt_Warning->setValue(alarm);
        ui->pushButton->click();
    };
}

// Notes the two relay values on show, then cancels.
ModalDriver::Action readRelaysAndCancel(QList<int> *shown)
{
    return [shown](QWidget *window) {
        Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
        *shown << ui->spinBoxFrameLimt_Early->value() << ui->spinBoxFrameLimt_Warning->value();
        static_cast<QDialog *>(window)->reject();
    };
}

const QString stationDialog = QStringLiteral("DialogSpinBos");
const QString relayDialog = QStringLiteral("DialogFrameLimt");
} // namespace

class TestStationTools : public QObject
{
    Q_OBJECT
    std::unique_ptr<sim::RadarSimulator> radar;
    std::unique_ptr<MainWindow> window;

    MainWindow &w() { return *window; }
    QStringList log() { return logMessages(*window); }

    void readExampleRadar()
    {
        radar->setIdentity(exampleRadar());
        QVERIFY(w().readIdentity());
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
        radar->clearRequests();
        w().ui->listWidget->clear();
    }

    // Clicks the station-number button with the given windows answered in turn.
    void stationTool(ModalDriver::Action action, DialogAnswerer *answerer = nullptr)
    {
        ModalDriver driver;
        driver.expect(stationDialog, std::move(action));
        w().ui->toolButtonModbusId->click();
        QVERIFY(driver.waitDone());
        if (answerer)
            QVERIFY(answerer->waitDone());
    }

    QList<int> relaysOnShow()
    {
        QList<int> shown;
        ModalDriver driver;
        driver.expect(relayDialog, readRelaysAndCancel(&shown));
        w().ui->actionFrameLimt->trigger();
        [&] { QVERIFY(driver.waitDone()); }();
        return shown;
    }

    // The one request of the last tool run.
    QByteArray onlyRequest()
    {
        const QList<sim::ReceivedRequest> requests = radar->requests();
        if (requests.size() != 1)
            return QByteArray("requests: ") + QByteArray::number(requests.size());
        return requests.first().bytes;
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
        radar->setIdentity(exampleRadar());
        window = std::make_unique<MainWindow>();
        QVERIFY(attach(*window, *radar));
    }
    void cleanup()
    {
        window.reset();
        QTest::qWait(20);
    }

    // The request of the identity example to station 9, byte for byte, and the new number
    // on the label; no box either way.
    void stationChangeOnTheWire()
    {
        readExampleRadar();
        QString title;
        int minimum = 0, maximum = 0, value = 0, belowRange = 0, aboveRange = 0;
        stationTool([&](QWidget *window) {
            auto *dialog = static_cast<DialogSpinBox *>(window);
            QSpinBox *box = dialog->ui->spinBox;
            title = dialog->windowTitle();
            minimum = box->minimum();
            maximum = box->maximum();
            value = box->value();
            box->setValue(0);
            belowRange = box->value();
            box->setValue(255);
            aboveRange = box->value();
            chooseStation(9)(window);
        });
        QCOMPARE(title, QStringLiteral("站点号"));
        QCOMPARE(value, 5);
        QCOMPARE(minimum, 1);
        QCOMPARE(maximum, 254);
        QCOMPARE(belowRange, 1);
        QCOMPARE(aboveRange, 254);

        const QByteArray request = onlyRequest();
        QCOMPARE(request.toHex(' '),
                 QByteArray("55 aa 16 00 3d 03 00 05 0e 05 05 00 09 05 05 02 07 00 0a 0b ed ed"));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(0), traceLine(QStringLiteral("发送设置ID命令："), request));
        QVERIFY(log().at(1).startsWith(QStringLiteral("设置ID返回：55 aa ")));
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("9"));
        QCOMPARE(w().stationNumber, quint16(9));
        QCOMPARE(radar->station(), quint8(9));
    }

    // After the change to 17 every request is addressed to 17 (the reported-station byte keeps
    // the 5 of the identity read) and the radar answers under 17.
    void laterRequestsGoToTheNewNumber()
    {
        readExampleRadar();
        radar->setTestDistance(1234);
        stationTool(chooseStation(17));
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("17"));

        QString reply;
        QCOMPARE(nextRequestStations(&reply).toHex(' '), QByteArray("11 11 05"));
        QVERIFY2(reply.startsWith(QStringLiteral("测试命令返回：55 aa 10 00 ")), qPrintable(reply));
        QCOMPARE(reply.mid(reply.indexOf(QStringLiteral("：")) + 1).split(QLatin1Char(' ')).mid(7, 4),
                 (QStringList{"11", "06", "11", "11"}));
        QCOMPARE(w().dialogCeLiang->ui->lineEdit->text(), QStringLiteral("12.34"));

        // The dialog opens at the number now in use.
        int value = 0;
        stationTool([&](QWidget *window) {
            value = static_cast<DialogSpinBox *>(window)->value();
            QTest::keyClick(window, Qt::Key_Escape);
        });
        QCOMPARE(value, 17);
    }

    // A radar that does not answer keeps the tool on the old number, without a message.
    void silentRadarKeepsTheOldNumber()
    {
        readExampleRadar();
        radar->setFault(0x0E, silent());
        bool boxSeen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                boxSeen = true;
        });
        watch.start(10);
        stationTool(chooseStation(17));
        QCOMPARE(onlyRequest().at(12), char(17));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(1), QStringLiteral("设置ID命令：超时或无返回值"));
        QVERIFY(!boxSeen);
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
        QCOMPARE(w().stationNumber, quint16(5));

        radar->clearFaults();
        QString reply;
        QCOMPARE(nextRequestStations(&reply).toHex(' '), QByteArray("05 05 05"));
    }

    // Escape sends nothing; accepting the number unchanged still sends it.
    void escapeSendsNothingUnchangedStillSends()
    {
        readExampleRadar();
        stationTool(pressEscape());
        QTest::qWait(100);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());

        stationTool(chooseStation(0));
        QCOMPARE(onlyRequest().mid(12, 2).toHex(' '), QByteArray("05 05"));
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
    }

    void closedPortChangesNothing()
    {
        readExampleRadar();
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        stationTool(chooseStation(17));
        QTest::qWait(100);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
        QCOMPARE(w().ui->labelModbusId->text(), QStringLiteral("5"));
        QCOMPARE(w().stationNumber, quint16(5));
    }

    // The relay tool opens with the values of the last identity read; 0 and 0 before any.
    void relayDialogShowsTheRadarsValues()
    {
        QCOMPARE(relaysOnShow(), (QList<int>{0, 0}));
        sim::Identity id = exampleRadar();
        id.earlyWarningRelay = 5;
        id.alarmRelay = 9;
        radar->setIdentity(id);
        QVERIFY(w().readIdentity());
        radar->clearRequests();

        QString title, hint;
        QList<int> ranges;
        QList<int> shown;
        ModalDriver driver;
        driver.expect(relayDialog, [&](QWidget *window) {
            Ui::DialogFrameLimt *ui = static_cast<DialogFrameLimt *>(window)->ui;
            title = window->windowTitle();
            hint = ui->label_3->text();
            ranges << ui->spinBoxFrameLimt_Early->minimum() << ui->spinBoxFrameLimt_Early->maximum()
                   << ui->spinBoxFrameLimt_Warning->minimum() << ui->spinBoxFrameLimt_Warning->maximum();
            readRelaysAndCancel(&shown)(window);
        });
        w().ui->actionFrameLimt->trigger();
        QVERIFY(driver.waitDone());
        QCOMPARE(title, QStringLiteral("继电器灵敏度"));
        QCOMPARE(hint, QStringLiteral("数值越小，灵敏度越高"));
        QCOMPARE(ranges, (QList<int>{0, 255, 0, 255}));
        QCOMPARE(shown, (QList<int>{5, 9}));
        QTest::qWait(100);
        QVERIFY(radar->requests().isEmpty());
    }

    // 0 and 255 go out as data bytes 6 and 7, the station unchanged; the radar's answer makes
    // them the values the tool keeps.
    void relayValuesOnTheWire()
    {
        readExampleRadar();
        ModalDriver driver;
        driver.expect(relayDialog, setRelays(0, 255));
        w().ui->actionFrameLimt->trigger();
        QVERIFY(driver.waitDone());
        QCOMPARE(onlyRequest().toHex(' '),
                 QByteArray("55 aa 16 00 23 04 00 05 0e 05 05 00 05 05 05 02 07 00 00 ff ed ed"));
        QCOMPARE(log().at(0), traceLine(QStringLiteral("发送设置ID命令："), onlyRequest()));
        QCOMPARE(radar->identity().earlyWarningRelay, quint8(0));
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
        radar->setFault(0x0E, silent());
        DialogAnswerer answerer;
        QList<int> offeredAgain;
        ModalDriver driver;
        driver.expect(relayDialog, setRelays(0, 255));
        answerer.answerMessageBox(QMessageBox::Ok);
        driver.expect(relayDialog, readRelaysAndCancel(&offeredAgain));
        w().ui->actionFrameLimt->trigger();
        QVERIFY(driver.waitDone());
        QVERIFY(answerer.waitDone());

        QCOMPARE(onlyRequest().mid(18, 2).toHex(' '), QByteArray("00 ff"));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(1), QStringLiteral("设置ID命令：超时或无返回值"));
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
        sim::FaultSpec once = silent();
        once.remaining = 1;
        radar->setFault(0x0E, once);
        DialogAnswerer answerer;
        ModalDriver driver;
        driver.expect(relayDialog, setRelays(20, 30));
        answerer.answerMessageBox(QMessageBox::Ok);
        driver.expect(relayDialog, [](QWidget *window) {
            static_cast<DialogFrameLimt *>(window)->ui->pushButton->click();
        });
        w().ui->actionFrameLimt->trigger();
        QVERIFY(driver.waitDone());
        QVERIFY(answerer.waitDone());
        QCOMPARE(radar->requests().size(), 2);
        QCOMPARE(radar->requests().at(1).bytes.mid(18, 2).toHex(' '), QByteArray("14 1e"));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(radar->identity().earlyWarningRelay, quint8(20));
        QCOMPARE(relaysOnShow(), (QList<int>{20, 30}));
    }

    // Without a connection every press of "设置" warns and shows the dialog again; only
    // cancelling ends the tool, and nothing goes out.
    void withoutAConnectionOnlyCancelEnds()
    {
        DialogAnswerer answerer;
        ModalDriver driver;
        driver.expect(relayDialog, setRelays(1, 2));
        answerer.answerMessageBox(QMessageBox::Ok);
        driver.expect(relayDialog, setRelays(3, 4));
        answerer.answerMessageBox(QMessageBox::Ok);
        QList<int> offered;
        driver.expect(relayDialog, readRelaysAndCancel(&offered));
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        w().ui->actionFrameLimt->trigger();
        QVERIFY(driver.waitDone());
        QVERIFY(answerer.waitDone());
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
