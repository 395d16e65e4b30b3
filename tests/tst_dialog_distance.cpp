// The distance-measurement tool against a simulated radar: the dialog kept from its first
// opening, the test command on the wire, the distance the operator reads, the replies it
// cannot use, and the presses that send nothing. A silent radar, a late, split or wrong-sync
// answer and a dropped line are cells of tst_faultmatrix.
#include "dialogceliang.h"
#include "dialoganswerer.h"
#include "linkfixture.h"
#include "ui_dialogceliang.h"

namespace {
// The test command with the station bytes of a fresh connection (FF, FF, reported 01):
// length 16, checksum 0x04F2 = header 0x314 + 04 + 00 + ED + ED.
const QByteArray freshTestRequest = hexBytes("55aa1000f20400ff06ff0100 0400eded");
const QString requestLine = traceLine(QStringLiteral("测试命令："), freshTestRequest);
const QString replyPrefix = QStringLiteral("测试命令返回：");
} // namespace

class TestDistanceTool : public AttachedFixture
{
    Q_OBJECT
    DialogCeLiang *dialog() { return w().dialogCeLiang; }
    QString shown() { return dialog()->ui->lineEdit->text(); }
    void press() { dialog()->ui->pushButton->click(); }

private slots:
    void initTestCase() { startRadar(); }
    void cleanupTestCase() { stopRadar(); }
    void init()
    {
        attachWindow();
        w().ui->actionCeliangJuli->trigger();
    }
    void cleanup() { detachWindow(); }

    // The tool opens without measuring, beside the main window and not blocking it; it stays
    // one window, keeping the last value when closed and opened again. A press with the port
    // closed does nothing.
    void dialogIsKeptAndMeasuresOnlyOnPress()
    {
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
};

RADAR_TEST_MAIN(TestDistanceTool)
#include "tst_dialog_distance.moc"
