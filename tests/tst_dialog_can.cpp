// The CAN output tool against a simulated radar: the dialog the operator fills in, the block
// it puts on the wire, the two outcome boxes, and what happens when nothing may be sent. A
// late, split, wrong-sync or noisy answer and a dropped line are cells of tst_faultmatrix.
#include "dialogcan.h"
#include "dialoganswerer.h"
#include "linkfixture.h"
#include "ui_dialogcan.h"

#include <QDir>
#include <QTemporaryDir>

using Action = DialogAnswerer::Action;

namespace {
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
} // namespace

class TestCanTool : public AttachedFixture
{
    Q_OBJECT
    QTemporaryDir workDir;
    QString previousDir;
    // Notes every box but the unknown-type warning as title|text|icon, and presses OK.
    QTimer boxWatch;
    QStringList boxes;

    void runTool(Action action)
    {
        DialogAnswerer answers;
        answers.answerWindow(QStringLiteral("DialogCan"), std::move(action));
        w().ui->actionCan->trigger();
        QVERIFY(answers.waitDone());
    }

private slots:
    void initTestCase()
    {
        // Switching the language writes lang.cfg into the working directory.
        previousDir = QDir::currentPath();
        QVERIFY(workDir.isValid());
        QDir::setCurrent(workDir.path());
        startRadar();
        connect(&boxWatch, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->text() != unknownType) {
                boxes << box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|')
                             + QString::number(int(box->icon()));
                box->button(QMessageBox::Ok)->click();
            }
        });
        boxWatch.start(10);
    }
    void cleanupTestCase()
    {
        stopRadar();
        QDir::setCurrent(previousDir);
    }
    void init()
    {
        boxes.clear();
        attachWindow();
    }
    void cleanup() { detachWindow(); }

    // What the operator finds in the dialog each time it opens: cancelling sends nothing and
    // the next opening starts afresh. Accepted with the port closed, nothing goes out and
    // nothing is shown.
    void nothingGoesOutUnlessSent()
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
        runTool(fillAndSend({QStringLiteral("500k")}));
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
        QFETCH(QStringList, choices);
        QFETCH(int, samplingMs);
        QFETCH(QByteArray, block);
        QFETCH(bool, silent);
        if (silent)
            radar->setFault(0x09, {sim::Fault::Silent});
        runTool(fillAndSend(choices, samplingMs));
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
        w().ui->action_English->trigger();
        runTool(fillAndSend({QStringLiteral("500k"), QStringLiteral("距离"), QStringLiteral("3")}, 200));
        w().ui->action_Chinese->trigger();
        QCOMPARE(radar->canBlock(), hexBytes("02010403c800eded"));
        QCOMPARE(boxes, QStringList(successBox));
    }
};

RADAR_TEST_MAIN(TestCanTool)
#include "tst_dialog_can.moc"
