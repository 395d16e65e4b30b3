// The CAN output tool against a simulated radar: the dialog the operator fills in, the block
// it puts on the wire, the two outcome boxes, and what happens when nothing may be sent.
#include "dialogcan.h"
#include "dialoganswerer.h"
#include "tooldialogtest.h"
#include "ui_dialogcan.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

using namespace tooltest;

namespace {
QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

struct Choice {
    QString baud;
    QString output;
    QString device;
    int samplingMs;
};

// Fills the dialog as an operator would (empty fields left as they are) and presses "发送".
ModalDriver::Action fillAndSend(const Choice &choice)
{
    return [choice](QWidget *window) {
        auto *dialog = static_cast<DialogCan *>(window);
        Ui::DialogCan *ui = dialog->ui;
        if (!choice.baud.isEmpty())
            ui->comboBoxBaudRate->setCurrentIndex(ui->comboBoxBaudRate->findText(choice.baud));
        if (!choice.output.isEmpty())
            ui->comboBoxInquiry->setCurrentIndex(ui->comboBoxInquiry->findText(choice.output));
        if (!choice.device.isEmpty())
            ui->comboBoxCanDeviceId->setCurrentIndex(ui->comboBoxCanDeviceId->findText(choice.device));
        if (choice.samplingMs > 0)
            ui->spinBoxRate->setValue(choice.samplingMs);
        ui->pushButtonAccept->click();
    };
}
} // namespace

class TestCanTool : public QObject
{
    Q_OBJECT
    QTemporaryDir workDir;
    QString previousDir;
    std::unique_ptr<sim::RadarSimulator> radar;
    std::unique_ptr<MainWindow> window;

    MainWindow &w() { return *window; }
    QStringList log() { return logMessages(*window); }

    // Runs the tool once with the given dialog action and answers the box that may follow.
    void runTool(ModalDriver::Action action, DialogAnswerer *answerer = nullptr)
    {
        ModalDriver driver;
        driver.expect(QStringLiteral("DialogCan"), std::move(action));
        if (answerer)
            answerer->answerMessageBox(QMessageBox::Ok);
        w().ui->actionCan->trigger();
        QVERIFY(driver.waitDone());
        if (answerer)
            QVERIFY(answerer->waitDone());
    }

    // What the radar received from one run of the tool.
    QByteArray onlyRequest()
    {
        const QList<sim::ReceivedRequest> requests = radar->requests();
        if (requests.size() != 1)
            return QByteArray("requests: ") + QByteArray::number(requests.size());
        return requests.first().bytes;
    }

private slots:
    void initTestCase()
    {
        installWarningGuard();
        // Switching the language writes lang.cfg into the working directory.
        previousDir = QDir::currentPath();
        QVERIFY(workDir.isValid());
        QDir::setCurrent(workDir.path());
        radar = std::make_unique<sim::RadarSimulator>();
        QVERIFY(radar->start());
    }
    void cleanupTestCase()
    {
        window.reset();
        radar.reset();
        QDir::setCurrent(previousDir);
    }
    void init()
    {
        radar->clearFaults();
        window = std::make_unique<MainWindow>();
        QVERIFY(attach(*window, *radar));
    }
    void cleanup()
    {
        window.reset();
        QTest::qWait(20);
    }

    // What the operator finds in the dialog each time it opens.
    void dialogOpensWithItsStartingChoices()
    {
        for (int opening = 0; opening < 2; ++opening) {
            QString title;
            QStringList rates, outputs, devices, labels;
            QString current, buttons, rate;
            int minimum = 0, maximum = 0, pointSize = 0;
            bool arrows = true;
            runTool([&](QWidget *window) {
                auto *dialog = static_cast<DialogCan *>(window);
                Ui::DialogCan *ui = dialog->ui;
                title = dialog->windowTitle();
                pointSize = dialog->font().pointSize();
                labels = QStringList{ui->label->text(), ui->label_2->text(), ui->label_3->text(), ui->label_4->text()};
                rates = itemTexts(ui->comboBoxBaudRate);
                outputs = itemTexts(ui->comboBoxInquiry);
                devices = itemTexts(ui->comboBoxCanDeviceId);
                current = QStringList{ui->comboBoxBaudRate->currentText(), ui->comboBoxInquiry->currentText(),
                                      ui->comboBoxCanDeviceId->currentText()}.join(QLatin1Char(','));
                rate = ui->spinBoxRate->text();
                minimum = ui->spinBoxRate->minimum();
                maximum = ui->spinBoxRate->maximum();
                arrows = ui->spinBoxRate->buttonSymbols() != QAbstractSpinBox::NoButtons;
                buttons = ui->pushButtonAccept->text() + QLatin1Char('/') + ui->pushButtonReject->text();
                // Change everything, then cancel: the next opening starts afresh.
                ui->comboBoxBaudRate->setCurrentIndex(2);
                ui->comboBoxInquiry->setCurrentIndex(2);
                ui->comboBoxCanDeviceId->setCurrentIndex(8);
                ui->spinBoxRate->setValue(5000);
                ui->pushButtonReject->click();
            });
            QCOMPARE(title, QStringLiteral("Can设置"));
            QCOMPARE(pointSize, 15);
            QCOMPARE(labels, (QStringList{"波特率：", "输出类型：", "设备号：", "采样时间："}));
            QCOMPARE(rates, (QStringList{"250k", "500k", "1M"}));
            QCOMPARE(outputs, (QStringList{"航迹", "点迹", "距离"}));
            QCOMPARE(devices, (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
            QCOMPARE(current, QStringLiteral("250k,航迹,0"));
            QCOMPARE(rate, QStringLiteral("100ms"));
            QCOMPARE(minimum, 50);
            QCOMPARE(maximum, 65535);
            QVERIFY(!arrows);
            QCOMPARE(buttons, QStringLiteral("发送/取消"));
        }
    }

    void choicesOnTheWire_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("samplingMs");
        QTest::addColumn<QByteArray>("block");
        QTest::newRow("unchanged") << QString() << QString() << QString() << 0
                                   << QByteArray::fromHex("010101006400eded");
        QTest::newRow("500k distance 3 200ms") << "500k" << "距离" << "3" << 200
                                               << QByteArray::fromHex("02010403c800eded");
        QTest::newRow("1M points 8 65535ms") << "1M" << "点迹" << "8" << 65535
                                             << QByteArray::fromHex("03010208ffffeded");
        QTest::newRow("250k tracks 0 50ms") << "250k" << "航迹" << "0" << 50
                                            << QByteArray::fromHex("010101003200eded");
    }
    // "发送": the 20-byte request with the block after the header, both traces in the log,
    // and the success box.
    void choicesOnTheWire()
    {
        QFETCH(QString, baud);
        QFETCH(QString, output);
        QFETCH(QString, device);
        QFETCH(int, samplingMs);
        QFETCH(QByteArray, block);
        DialogAnswerer answerer;
        runTool(fillAndSend({baud, output, device, samplingMs}), &answerer);

        const QByteArray request = onlyRequest();
        QCOMPARE(request.size(), 20);
        QCOMPARE(request.left(4), QByteArray::fromHex("55aa1400"));
        QCOMPARE(request.mid(6, 6), QByteArray::fromHex("00ff09ff0100"));
        QCOMPARE(request.mid(12), block);
        QVERIFY(radar->requests().first().checksumOk);
        QCOMPARE(radar->canBlock(), block);

        const QStringList lines = log();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), traceLine(QStringLiteral("发送CAN参数设置命令："), request));
        QVERIFY2(lines.at(1).startsWith(QStringLiteral("CAN参数设置返回：55 aa ")), qPrintable(lines.at(1)));

        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().title, QStringLiteral("设置Can参数"));
        QCOMPARE(answerer.seen.first().text, QStringLiteral("Can参数设置成功"));
        QCOMPARE(answerer.seen.first().icon, QMessageBox::Information);
    }

    void cancelSendsNothing()
    {
        runTool([](QWidget *window) { static_cast<DialogCan *>(window)->ui->pushButtonReject->click(); });
        QTest::qWait(150);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void silentRadarGivesTheFailureBox()
    {
        sim::FaultSpec silent;
        silent.kind = sim::Fault::Silent;
        radar->setFault(0x09, silent);
        DialogAnswerer answerer;
        runTool(fillAndSend({}), &answerer);
        const QByteArray request = onlyRequest();
        QCOMPARE(request.mid(12), QByteArray::fromHex("010101006400eded"));
        QCOMPARE(log(), (QStringList{traceLine(QStringLiteral("发送CAN参数设置命令："), request),
                                     QStringLiteral("CAN参数设置命令：超时或无返回值")}));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().title, QStringLiteral("设置Can参数"));
        QCOMPARE(answerer.seen.first().text, QStringLiteral("Can参数设置失败"));
    }

    // The answer's content is not examined: a frame with broken sync still means success.
    void anyAnswerIsSuccess()
    {
        sim::FaultSpec broken;
        broken.kind = sim::Fault::BadSync;
        radar->setFault(0x09, broken);
        DialogAnswerer answerer;
        runTool(fillAndSend({QStringLiteral("1M"), QString(), QString(), 0}), &answerer);
        QCOMPARE(radar->canBlock(), QByteArray::fromHex("030101006400eded"));
        QCOMPARE(log().size(), 2);
        QVERIFY(log().at(1).startsWith(QStringLiteral("CAN参数设置返回：55 ab ")));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().text, QStringLiteral("Can参数设置成功"));
    }

    // Accepted without a connection: nothing goes out and nothing is shown.
    void closedPortSendsAndShowsNothing()
    {
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        radar->clearRequests();
        bool boxSeen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                boxSeen = true;
        });
        watch.start(10);
        runTool(fillAndSend({QStringLiteral("500k"), QString(), QString(), 0}));
        QTest::qWait(200);
        QVERIFY(!boxSeen);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
    }

    // The identity read of a radar of unknown type holds the link while its warning is open.
    // A CAN command accepted in that time waits for the link; when the line is dropped before
    // it gets it, nothing goes out and no outcome box is shown.
    void lineDroppedWhileWaitingForTheLink()
    {
        const sim::Identity kept = radar->identity();
        sim::Identity unknown = kept;
        unknown.deviceType = 4;
        radar->setIdentity(unknown);

        QStringList warnings;
        QStringList canBoxes;
        QTimer watch; // answers any CAN outcome box, so that a wrong one fails instead of hanging
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->windowTitle() == QStringLiteral("设置Can参数")) {
                canBoxes << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        watch.start(10);
        ModalDriver driver;
        driver.expect(QStringLiteral("QMessageBox"), [&](QWidget *window) {
            auto *box = static_cast<QMessageBox *>(window);
            warnings << box->text();
            // From the warning's own event loop: the driver answers the windows that follow.
            QTimer::singleShot(0, box, [this, box] {
                w().ui->actionCan->trigger();
                box->button(QMessageBox::Ok)->click();
            });
        });
        driver.expect(QStringLiteral("DialogCan"), fillAndSend({QStringLiteral("1M"), QString(), QString(), 0}));
        // Back under the warning, while the CAN command waits for the link: "断开".
        driver.expect(QStringLiteral("QMessageBox"), [&](QWidget *) { w().ui->pushButtonDisconnect->click(); });
        QVERIFY(!w().readIdentity());
        QVERIFY(driver.waitDone());
        QTest::qWait(150);
        radar->setIdentity(kept);

        QCOMPARE(driver.handled, (QStringList{"QMessageBox", "DialogCan", "QMessageBox"}));
        QCOMPARE(warnings, QStringList{QStringLiteral("未知设备ID")});
        QVERIFY(canBoxes.isEmpty());
        QCOMPARE(radar->requests().size(), 1);
        QCOMPARE(radar->requests().first().functionCode, quint8(0x0D));
        for (const QString &line : log())
            QVERIFY2(!line.contains(QStringLiteral("CAN")), qPrintable(line));
    }

    // The dialog and its boxes read the same once the interface is in English.
    void staysChineseInEnglish()
    {
        w().ui->action_English->trigger();
        QStringList texts;
        DialogAnswerer answerer;
        runTool([&](QWidget *window) {
            auto *dialog = static_cast<DialogCan *>(window);
            Ui::DialogCan *ui = dialog->ui;
            texts << dialog->windowTitle() << ui->label->text() << ui->label_2->text() << ui->label_3->text()
                  << ui->label_4->text() << itemTexts(ui->comboBoxInquiry) << ui->pushButtonAccept->text()
                  << ui->pushButtonReject->text();
            fillAndSend({QStringLiteral("500k"), QStringLiteral("距离"), QStringLiteral("3"), 200})(window);
        }, &answerer);
        w().ui->action_Chinese->trigger();
        QCOMPARE(texts, (QStringList{"Can设置", "波特率：", "输出类型：", "设备号：", "采样时间：", "航迹", "点迹",
                                     "距离", "发送", "取消"}));
        QCOMPARE(radar->canBlock(), QByteArray::fromHex("02010403c800eded"));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().title, QStringLiteral("设置Can参数"));
        QCOMPARE(answerer.seen.first().text, QStringLiteral("Can参数设置成功"));
    }
};

RADAR_TEST_MAIN(TestCanTool)
#include "tst_dialog_can.moc"
