// The CAN output tool against a simulated radar: the dialog the operator fills in, the block
// it puts on the wire, the two outcome boxes, and what happens when nothing may be sent.
#include "dialogcan.h"
#include "tooldialogtest.h"
#include "ui_dialogcan.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

using namespace tooltest;

namespace {
struct Choice {
    QString baud;
    QString output;
    QString device;
    int samplingMs;
};

// Fills the dialog as an operator would (empty fields left as they are) and presses "发送".
Action fillAndSend(const Choice &choice)
{
    return [choice](QWidget *window) {
        Ui::DialogCan *ui = static_cast<DialogCan *>(window)->ui;
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

const QString sendPrefix = QStringLiteral("发送CAN参数设置命令：");
} // namespace

class TestCanTool : public AttachedFixture
{
    Q_OBJECT
    QTemporaryDir workDir;
    QString previousDir;

    // Runs the tool once with the given dialog action and answers the box that may follow.
    void runTool(Action action, DialogAnswerer *answerer = nullptr)
    {
        DialogAnswerer own;
        DialogAnswerer &answers = answerer ? *answerer : own;
        answers.answerWindow(QStringLiteral("DialogCan"), std::move(action));
        if (answerer)
            answers.answerMessageBox(QMessageBox::Ok);
        w().ui->actionCan->trigger();
        QVERIFY(answers.waitDone());
    }

    // The one outcome box of a run: title, text and icon.
    static QString box(const DialogAnswerer &answerer)
    {
        if (answerer.seen.size() != 1)
            return QStringLiteral("%1 boxes").arg(answerer.seen.size());
        const DialogAnswerer::Seen &s = answerer.seen.first();
        return s.title + QLatin1Char('|') + s.text + QLatin1Char('|') + QString::number(int(s.icon));
    }

private slots:
    void initTestCase()
    {
        // Switching the language writes lang.cfg into the working directory.
        previousDir = QDir::currentPath();
        QVERIFY(workDir.isValid());
        QDir::setCurrent(workDir.path());
        startRadar();
    }
    void cleanupTestCase()
    {
        stopRadar();
        QDir::setCurrent(previousDir);
    }
    void init() { attachWindow(); }
    void cleanup() { detachWindow(); }

    // What the operator finds in the dialog each time it opens; cancelling sends nothing and
    // the next opening starts afresh.
    void dialogOpensWithItsStartingChoices()
    {
        for (int opening = 0; opening < 2; ++opening) {
            QStringList seen;
            runTool([&](QWidget *window) {
                Ui::DialogCan *ui = static_cast<DialogCan *>(window)->ui;
                seen << window->windowTitle() << QString::number(window->font().pointSize()) << ui->label->text()
                     << ui->label_2->text() << ui->label_3->text() << ui->label_4->text()
                     << ui->pushButtonAccept->text() + QLatin1Char('/') + ui->pushButtonReject->text()
                     << comboTexts(ui->comboBoxBaudRate).join(',') << comboTexts(ui->comboBoxInquiry).join(',')
                     << comboTexts(ui->comboBoxCanDeviceId).join(',') << ui->comboBoxBaudRate->currentText()
                     << ui->comboBoxInquiry->currentText() << ui->comboBoxCanDeviceId->currentText()
                     << ui->spinBoxRate->text()
                     << QStringLiteral("%1-%2").arg(ui->spinBoxRate->minimum()).arg(ui->spinBoxRate->maximum())
                     << QString::number(ui->spinBoxRate->buttonSymbols() == QAbstractSpinBox::NoButtons);
                ui->comboBoxBaudRate->setCurrentIndex(2);
                ui->comboBoxInquiry->setCurrentIndex(2);
                ui->comboBoxCanDeviceId->setCurrentIndex(8);
                ui->spinBoxRate->setValue(5000);
                ui->pushButtonReject->click();
            });
            QCOMPARE(seen, (QStringList{"Can设置", "15", "波特率：", "输出类型：", "设备号：", "采样时间：", "发送/取消",
                                        "250k,500k,1M", "航迹,点迹,距离", "0,1,2,3,4,5,6,7,8",
                                        "250k", "航迹", "0", "100ms", "50-65535", "1"}));
        }
        QTest::qWait(150);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
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
        const QByteArray request = onlyRequest(*radar);
        QCOMPARE(request, QByteArray::fromHex("55aa1400") + request.mid(4, 2) + QByteArray::fromHex("00ff09ff0100") + block);
        QVERIFY(radar->requests().first().checksumOk);
        QCOMPARE(radar->canBlock(), block);
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(0), traceLine(sendPrefix, request));
        QVERIFY2(log().at(1).startsWith(QStringLiteral("CAN参数设置返回：55 aa ")), qPrintable(log().at(1)));
        QCOMPARE(box(answerer), QStringLiteral("设置Can参数|Can参数设置成功|%1").arg(int(QMessageBox::Information)));
    }

    // A silent radar gives the failure box; any answer at all, even one with broken sync, is
    // success: its content is not examined.
    void theAnswerDecidesTheBox_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("second");   // the log line after the request trace, or its start
        QTest::addColumn<QString>("text");
        QTest::newRow("silent") << int(sim::Fault::Silent) << "CAN参数设置命令：超时或无返回值" << "Can参数设置失败";
        QTest::newRow("bad sync") << int(sim::Fault::BadSync) << "CAN参数设置返回：55 ab " << "Can参数设置成功";
    }
    void theAnswerDecidesTheBox()
    {
        QFETCH(int, fault);
        QFETCH(QString, second);
        QFETCH(QString, text);
        radar->setFault(0x09, faultSpec(sim::Fault(fault)));
        DialogAnswerer answerer;
        runTool(fillAndSend({QStringLiteral("1M"), QString(), QString(), 0}), &answerer);
        const QByteArray request = onlyRequest(*radar);
        QCOMPARE(request.mid(12), QByteArray::fromHex("030101006400eded"));
        QCOMPARE(log().size(), 2);
        QCOMPARE(log().at(0), traceLine(sendPrefix, request));
        QVERIFY2(log().at(1).startsWith(second), qPrintable(log().at(1)));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().title, QStringLiteral("设置Can参数"));
        QCOMPARE(answerer.seen.first().text, text);
    }

    // Accepted without a connection: nothing goes out and nothing is shown.
    void closedPortSendsAndShowsNothing()
    {
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        radar->clearRequests();
        bool boxSeen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout,
                         [&] { boxSeen |= bool(qobject_cast<QMessageBox *>(QApplication::activeModalWidget())); });
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
        DialogAnswerer driver;
        driver.answerWindow(QStringLiteral("QMessageBox"), [&](QWidget *window) {
            auto *box = static_cast<QMessageBox *>(window);
            warnings << box->text();
            // From the warning's own event loop: the driver answers the windows that follow.
            QTimer::singleShot(0, box, [this, box] {
                w().ui->actionCan->trigger();
                box->button(QMessageBox::Ok)->click();
            });
        });
        driver.answerWindow(QStringLiteral("DialogCan"), fillAndSend({QStringLiteral("1M"), QString(), QString(), 0}));
        // Back under the warning, while the CAN command waits for the link: "断开".
        driver.answerWindow(QStringLiteral("QMessageBox"), [&](QWidget *) { w().ui->pushButtonDisconnect->click(); });
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

    // The tool works the same once the interface is in English, and its box stays Chinese.
    void staysChineseInEnglish()
    {
        w().ui->action_English->trigger();
        DialogAnswerer answerer;
        runTool(fillAndSend({QStringLiteral("500k"), QStringLiteral("距离"), QStringLiteral("3"), 200}), &answerer);
        w().ui->action_Chinese->trigger();
        QCOMPARE(radar->canBlock(), QByteArray::fromHex("02010403c800eded"));
        QCOMPARE(box(answerer), QStringLiteral("设置Can参数|Can参数设置成功|%1").arg(int(QMessageBox::Information)));
    }
};

RADAR_TEST_MAIN(TestCanTool)
#include "tst_dialog_can.moc"
