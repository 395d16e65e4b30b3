// The station-number button and the relay-sensitivity tool, both carried by the
// set-station-number command, against a simulated radar: the request on the wire, what the
// tool addresses afterwards, and the relay values the radar has confirmed. A radar that does
// not answer, or answers late, in pieces or badly, is a cell of tst_faultmatrix.
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialogspinbox.h"
#include "dialoganswerer.h"
#include "linkfixture.h"
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
} // namespace

class TestStationTools : public AttachedFixture
{
    Q_OBJECT
    QStringList boxes; // every box shown between two windows of a tool: title|text|icon

    // Runs one tool: its windows answered in turn by the actions, the box between two with OK.
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
    // What a tool opens with, then cancelled: the station number, or the two relay values.
    QList<int> onShow(bool relays)
    {
        QList<int> shown;
        runTool(relays, {relays ? relayWindow({}, &shown) : stationWindow(-1, &shown)});
        return shown;
    }

private slots:
    void initTestCase() { startRadar(); }
    void cleanupTestCase() { stopRadar(); }
    // The radar of the identity example: station 5, serial 0205 0007 03, type 2, relays 10 and 11.
    void init()
    {
        radar->setIdentity(sim::Identity{5, 2, 0x0205, 0x0007, 0x03, 10, 11});
        attachWindow();
        QVERIFY(w().readIdentity());
        forget();
        boxes.clear();
    }
    void cleanup() { detachWindow(); }

    // The request of the identity example to station 9, byte for byte, and the new number on
    // the label. Every later request goes to 9 (the reported-station byte keeps the 5 of the
    // identity read) and is answered; the dialog then opens at 9, and Escape sends nothing.
    void stationChangeOnTheWireAndAfter()
    {
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
};

RADAR_TEST_MAIN(TestStationTools)
#include "tst_dialog_station.moc"
