// The distance-measurement tool against a simulated radar: the dialog kept from its first
// opening, the test command on the wire, the distance the operator reads, every failure line
// of the log, and a press that meets a busy link.
#include "dialogceliang.h"
#include "tooldialogtest.h"
#include "ui_dialogceliang.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using namespace tooltest;

namespace {
// A reply as a radar could put it on the line: header with the given length field, then data.
QByteArray radarReply(const QByteArray &data, int lengthField)
{
    QByteArray frame = QByteArray::fromHex("55aa00000000000206020200");
    frame += data;
    frame[2] = char(lengthField & 0xff);
    frame[3] = char(lengthField >> 8);
    return frame;
}

// The test command with the station bytes of a fresh connection (FF, FF, reported 01):
// length 16, checksum 0x04F2 = header 0x314 + 04 + 00 + ED + ED.
const QByteArray freshTestRequest = QByteArray::fromHex("55aa1000f20400ff06ff0100 0400eded");
} // namespace

class TestDistanceTool : public AttachedFixture
{
    Q_OBJECT
    DialogCeLiang *openTool()
    {
        w().ui->actionCeliangJuli->trigger();
        return w().dialogCeLiang;
    }
    QString shown() { return w().dialogCeLiang->ui->lineEdit->text(); }
    void press() { w().dialogCeLiang->ui->pushButton->click(); }

    // One good measurement, so that a failed one has a value to leave alone.
    void measureFirst(quint16 cm, const QString &text)
    {
        radar->setTestDistance(cm);
        press();
        QCOMPARE(shown(), text);
        radar->clearRequests();
        w().ui->listWidget->clear();
    }

private slots:
    void initTestCase() { startRadar(); }
    void cleanupTestCase() { stopRadar(); }
    void init() { attachWindow(); }
    void cleanup() { detachWindow(); }

    // The tool opens without measuring, stays one window for the whole run, and keeps the
    // last value when it is closed and opened again.
    void dialogIsKeptAndMeasuresOnlyOnPress()
    {
        QVERIFY(!w().dialogCeLiang);
        DialogCeLiang *dialog = openTool();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal() && !QApplication::activeModalWidget());
        QCOMPARE(dialog->parentWidget(), static_cast<QWidget *>(window.get()));
        QCOMPARE((QStringList{dialog->windowTitle(), dialog->ui->label->text(), dialog->ui->label_2->text(),
                              dialog->ui->pushButton->text(), shown()}),
                 (QStringList{"测量距离", "测量距离：", "m", "刷新", ""}));
        QVERIFY(dialog->ui->lineEdit->isReadOnly());
        QTest::qWait(150);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());

        radar->setTestDistance(250);
        press();
        QCOMPARE(shown(), QStringLiteral("2.5"));
        dialog->close();
        QVERIFY(!dialog->isVisible());
        radar->clearRequests();

        QCOMPARE(openTool(), dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(shown(), QStringLiteral("2.5"));
        QTest::qWait(150);
        QVERIFY(radar->requests().isEmpty());
    }

    void distanceShownInMetres_data()
    {
        QTest::addColumn<int>("centimetres");
        QTest::addColumn<QString>("text");
        QTest::newRow("1234") << 1234 << QStringLiteral("12.34");
        QTest::newRow("500") << 500 << QStringLiteral("5");
        QTest::newRow("0") << 0 << QStringLiteral("0");
        QTest::newRow("7") << 7 << QStringLiteral("0.07");
        QTest::newRow("65535") << 65535 << QStringLiteral("655.35");
    }
    // One press: the 16-byte test command on the wire, both traces in the log, the distance
    // in metres in the box.
    void distanceShownInMetres()
    {
        QFETCH(int, centimetres);
        QFETCH(QString, text);
        openTool();
        radar->setTestDistance(quint16(centimetres));
        press();
        QCOMPARE(shown(), text);
        QCOMPARE(onlyRequest(*radar), freshTestRequest);
        const QStringList lines = log();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), traceLine(QStringLiteral("测试命令："), freshTestRequest));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("测试命令返回：55 aa 10 00 ")));
        QVERIFY(lines.at(1).endsWith(QStringLiteral(" ed ed")));
    }

    void badRepliesLeaveTheValue_data()
    {
        QTest::addColumn<int>("kind");     // 0 silent, 1 bad sync, 2 raw bytes from the radar
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QStringList>("after"); // log lines after the request trace; "*" = reply trace
        const QByteArray twelve = radarReply(QByteArray(), 12);
        const QByteArray shortOne = radarReply(QByteArray::fromHex("d204"), 20);
        const QByteArray halfDistance = radarReply(QByteArray::fromHex("d2"), 13);
        QTest::newRow("no reply") << 0 << QByteArray()
                                  << QStringList{QStringLiteral("测试命令：超时或无返回值")};
        QTest::newRow("wrong sync") << 1 << QByteArray()
                                    << QStringList{QStringLiteral("*"), QStringLiteral("测试命令：同步头不正确")};
        QTest::newRow("length 12")
            << 2 << twelve << QStringList{traceLine(QStringLiteral("测试命令返回："), twelve)};
        QTest::newRow("14 of 20")
            << 2 << shortOne
            << QStringList{traceLine(QStringLiteral("测试命令返回："), shortOne),
                           QStringLiteral("测试命令：消息长度不正确14/20")};
        QTest::newRow("half a distance")
            << 2 << halfDistance << QStringList{traceLine(QStringLiteral("测试命令返回："), halfDistance)};
    }
    // A reply the tool cannot use is logged the way the operator is told and never touches
    // the value on show.
    void badRepliesLeaveTheValue()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, raw);
        QFETCH(QStringList, after);
        openTool();
        measureFirst(777, QStringLiteral("7.77"));

        radar->setFault(0x06, faultSpec(kind == 1 ? sim::Fault::BadSync : sim::Fault::Silent));
        std::unique_ptr<LateSender> sender;
        if (kind == 2)
            sender = std::make_unique<LateSender>(*radar, 1, raw);
        press();
        sender.reset();

        QCOMPARE(shown(), QStringLiteral("7.77"));
        QStringList lines = log();
        QCOMPARE(lines.size(), 1 + after.size());
        QCOMPARE(lines.takeFirst(), traceLine(QStringLiteral("测试命令："), freshTestRequest));
        if (after.first() == QLatin1String("*")) {
            QVERIFY2(lines.first().startsWith(QStringLiteral("测试命令返回：55 ab ")), qPrintable(lines.first()));
            lines.removeFirst();
            after.removeFirst();
        }
        QCOMPARE(lines, after);
    }

    // The identity read of a radar of unknown type holds the link while its warning is open;
    // a press in that time neither sends nor logs, and the link is free again afterwards.
    void pressWhileTheLinkIsHeldIsDropped()
    {
        openTool();
        measureFirst(321, QStringLiteral("3.21"));
        sim::Identity unknown = radar->identity();
        const sim::Identity kept = unknown;
        unknown.deviceType = 4;
        radar->setIdentity(unknown);
        radar->setTestDistance(999);

        int requestsDuringWarning = -1;
        QStringList logDuringWarning;
        QString warning;
        DialogAnswerer driver;
        driver.answerWindow(QStringLiteral("QMessageBox"), [&](QWidget *modal) {
            auto *box = static_cast<QMessageBox *>(modal);
            warning = box->text();
            press();
            QTest::qWait(150);
            requestsDuringWarning = radar->requests().size();
            logDuringWarning = log();
            box->button(QMessageBox::Ok)->click();
        });
        QVERIFY(!w().readIdentity());
        QVERIFY(driver.waitDone());
        radar->setIdentity(kept);

        QCOMPARE(warning, QStringLiteral("未知设备ID"));
        QCOMPARE(requestsDuringWarning, 1);
        QCOMPARE(radar->requests().first().functionCode, quint8(0x0D));
        QCOMPARE(logDuringWarning.size(), 2); // the identity request and its reply
        QCOMPARE(logDuringWarning, log());
        QCOMPARE(shown(), QStringLiteral("3.21"));

        press();
        QCOMPARE(shown(), QStringLiteral("9.99"));
    }

    void closedPortDoesNothing()
    {
        openTool();
        w().ui->pushButtonDisconnect->click();
        w().ui->listWidget->clear();
        radar->clearRequests();
        press();
        QTest::qWait(150);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
        QCOMPARE(shown(), QString());
    }
};

RADAR_TEST_MAIN(TestDistanceTool)
#include "tst_dialog_distance.moc"
