// A lost line and the port coming back: the tool reconnects by itself when the line was lost
// under a working connection, and leaves alone what the operator ended.
#include "sessionfixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

namespace {
const QString Lost = QStringLiteral("与雷达的连接已中断：");
const QString Waiting = QStringLiteral("等待串口恢复：");
const QString Back = QStringLiteral("串口已恢复，重新连接：");
// The identity request of a fresh connection, before the radar has told its station.
const QByteArray FirstIdentityRequest = hexBytes("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed");
const QList<int> ReadBackCodes{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15};
} // namespace

class TestReconnect : public SessionFixture
{
    Q_OBJECT

    bool polling() const { return requestCodes().contains(0x06); }

    // A radar behind a fixed path in a working folder of its own, where the settings file lives;
    // a setting written there is read by a fresh window.
    void start(bool autoReconnectSetting = true, bool writeSetting = false)
    {
        startSession();
        radar->setTargets(2);
        if (!writeSetting)
            return;
        QSettings(folder->filePath(QStringLiteral("radar-config.ini")), QSettings::IniFormat)
            .setValue(QStringLiteral("link/autoReconnect"), autoReconnectSetting);
        window = std::make_unique<MainWindow>();
        ui()->comboBoxSerial->setEditText(linkPath());
    }
    void connectAndPoll()
    {
        ui()->pushButtonConnect->click();
        QVERIFY(waitUntil([this] { return polling(); }, 3000));
    }
    // The radar drops the line; returns once its fresh line is there and nothing is recorded yet.
    void hangUp()
    {
        const int before = radar->hangUps();
        radar->hangUpNow();
        QVERIFY(waitUntil([&] { return radar->hangUps() >= before + 1; }, 3000));
        radar->clearRequests();
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void cleanup() { endSession(); }

    // Lost under a polling connection, the radar back behind the same path: the tool says it
    // waits, says the port is back, and runs the whole connection again from the first
    // identity request on, then polls.
    void lostLineComesBack()
    {
        start();
        connectAndPoll();
        hangUp();
        QVERIFY(waitUntil([this] { return log().contains(Waiting + linkPath()); }, 3000));
        QVERIFY(waitUntil([this] { return log().contains(Back + linkPath()); }, 3000));
        QVERIFY(waitUntil([this] { return polling(); }, 8000));
        const QList<sim::ReceivedRequest> requests = radar->requests();
        QCOMPARE(requests.first().bytes, FirstIdentityRequest);
        QCOMPARE(requestCodes().mid(0, 6), ReadBackCodes);
        QCOMPARE(log().count(Lost + linkPath()), 1);
        // The lines come in the order the operator follows them.
        const QStringList lines = log();
        const int lost = lines.indexOf(Lost + linkPath());
        const int waiting = lines.indexOf(Waiting + linkPath());
        const int back = lines.indexOf(Back + linkPath());
        const int connected = lines.lastIndexOf(QStringLiteral("串口成功连接：") + linkPath());
        QVERIFY(lost < waiting && waiting < back && back < connected);
        QVERIFY(ui()->pushButtonConnect->isHidden());
        QVERIFY(!ui()->pushButtonDisconnect->isHidden());
        QVERIFY(!window->isWaitingForPort());
        QCOMPARE(window->linkStatistics().reconnects(), 1);
        QVERIFY(waitUntil([this] { return window->linkStatusLabel()->toolTip().contains(QStringLiteral("自动重连次数：1")); },
                          2000));
    }

    // A radar back on the line but not answering at the reconnect: the read-back gives up and
    // the watch goes on; once the radar answers, the tool is connected again.
    void failedReadBackWatchesAgain()
    {
        start();
        connectAndPoll();
        radar->setFault(0x0D, faultSpec(sim::Fault::Silent));
        hangUp();
        QVERIFY(waitUntil([this] { return log().count(Waiting + linkPath()) == 2; }, 20000));
        QVERIFY(!polling());
        const QList<int> codes = requestCodes();
        QVERIFY(!codes.isEmpty());
        QCOMPARE(codes.count(0x0D), codes.size());
        radar->clearFaults();
        QVERIFY(waitUntil([this] { return polling(); }, 8000));
        QCOMPARE(log().count(Back + linkPath()), 2);
    }

    // Pressing "断开", or typing another port into the box, while the tool waits for the port
    // ends the waiting for good.
    void anOperatorActionEndsTheWatch_data()
    {
        QTest::addColumn<bool>("disconnect");
        QTest::newRow("断开") << true;
        QTest::newRow("another port typed") << false;
    }
    void anOperatorActionEndsTheWatch()
    {
        QFETCH(bool, disconnect);
        start();
        connectAndPoll();
        hangUp();
        QVERIFY(waitUntil([this] { return log().contains(Waiting + linkPath()); }, 3000));
        QVERIFY(window->isWaitingForPort());
        QVERIFY(!ui()->pushButtonDisconnect->isHidden());
        if (disconnect)
            ui()->pushButtonDisconnect->click();
        else
            QTest::keyClick(ui()->comboBoxSerial->lineEdit(), Qt::Key_Backspace);
        QVERIFY(isIdle());
        QVERIFY(!window->isWaitingForPort());
        QTest::qWait(2500);
        QVERIFY(!log().contains(Back + linkPath()));
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(!window->channel().port.isOpen());
        QVERIFY(isIdle());
    }

    // Lines that are not resumed: the operator ended the connection, the line dropped before
    // the operator's own read-back had finished, or the setting is off.
    void notResumed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("lostLines");
        QTest::newRow("operator disconnected") << QStringLiteral("disconnect") << 0;
        QTest::newRow("lost during the operator's read-back") << QStringLiteral("readback") << 1;
        QTest::newRow("setting off") << QStringLiteral("settingOff") << 1;
    }
    void notResumed()
    {
        QFETCH(QString, how);
        start(how != QLatin1String("settingOff"), true);
        QCOMPARE(window->autoReconnectAction()->isChecked(), how != QLatin1String("settingOff"));
        if (how == QLatin1String("readback")) {
            // Pressing "连接" runs the read-back to its end; the radar drops during the settle.
            QTimer::singleShot(1000, [this] { radar->hangUpNow(); });
            ui()->pushButtonConnect->click();
            QVERIFY(waitUntil([this] { return radar->hangUps() == 1; }, 3000));
            radar->clearRequests();
        } else {
            connectAndPoll();
            if (how == QLatin1String("disconnect"))
                ui()->pushButtonDisconnect->click();
            hangUp();
        }
        QTest::qWait(2500);
        QTEST(int(log().count(Lost + linkPath())), "lostLines");
        QCOMPARE(log().filter(Waiting).size(), 0);
        QVERIFY(!window->isWaitingForPort());
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(isIdle());
    }

    // The setting is on at first, remembered in radar-config.ini beside lang.cfg, and read back
    // by the next window; lang.cfg is not touched by it.
    void settingRemembered()
    {
        start();
        QAction *action = window->autoReconnectAction();
        QVERIFY(action->isCheckable());
        QVERIFY(action->isChecked());
        QVERIFY(ui()->menu_2->actions().contains(action));
        QCOMPARE(action->text(), QStringLiteral("自动重连"));
        action->trigger();
        QVERIFY(!window->autoReconnectEnabled());
        QSettings written(folder->filePath(QStringLiteral("radar-config.ini")), QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("link/autoReconnect")).toBool(), false);
        QVERIFY(!QFile::exists(folder->filePath(QStringLiteral("lang.cfg"))));
        window = std::make_unique<MainWindow>();
        QVERIFY(!window->autoReconnectAction()->isChecked());
        window->autoReconnectAction()->trigger();
        window = std::make_unique<MainWindow>();
        QVERIFY(window->autoReconnectAction()->isChecked());
    }
};

RADAR_TEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
