// A lost line and the port coming back: the tool reconnects by itself when the line was lost
// under a working connection, and leaves alone what the operator ended. It never resumes on
// another radar (an adapter of the same make without a serial number, or another radar on the
// same line), the operator's unsent edits outlive the reconnect, and the link's figures go on.
#include "sessionfixture.h"

#include <QLineEdit>

namespace {
const QString Lost = QStringLiteral("与雷达的连接已中断：");
const QString Waiting = QStringLiteral("等待串口恢复：");
const QString Back = QStringLiteral("串口已恢复，重新连接：");
// The identity request of a fresh connection, before the radar has told its station.
const QByteArray FirstIdentityRequest = hexBytes("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed");
const QList<int> ReadBackCodes{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15};

// A USB adapter of a common make without a serial number, in the given socket.
radarlink::PortEntry adapterWithoutSerial(const QString &path, const QString &socket)
{
    return radarlink::PortEntry{path, path, true, 0x1a86, 0x7523, QString(), QStringLiteral("/sys/devices/usb1/") + socket};
}
} // namespace

class TestReconnect : public SessionFixture
{
    Q_OBJECT

    bool polling() const { return requestCodes().contains(0x06); }

    // A count in the status bar, as the operator reads it; -1 when it is not shown.
    int shownCount(const QString &name)
    {
        const auto m = QRegularExpression(name + QStringLiteral("：(\\d+)")).match(window->linkStatusLabel()->text());
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

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
    // identity request on, then polls. The time-outs that came before the drop stay counted in
    // the status bar, beside the reconnect.
    void lostLineComesBack()
    {
        start();
        connectAndPoll();
        radar->setFault(0x06, faultSpec(sim::Fault::Silent, 2));
        QVERIFY(waitUntil([this] { return w().linkStatistics().timeouts() >= 2; }, 5000));
        const int timeouts = w().linkStatistics().timeouts();
        hangUp();
        QVERIFY(waitUntil([this] { return log().contains(Waiting + linkPath()); }, 3000));
        // While the tool waits, the plot says so over the last frame, which stays greyed in sight.
        QCOMPARE(view()->waitingText(), QStringLiteral("等待串口恢复"));
        QVERIFY(!view()->frameHistory.at((view()->frameIndex + RadarView::HistorySize - 1) % RadarView::HistorySize).isEmpty());
        QVERIFY(waitUntil([this] { return log().contains(Back + linkPath()); }, 3000));
        QCOMPARE(view()->waitingText(), QString());
        QVERIFY(waitUntil([this] { return polling(); }, 8000));
        QCOMPARE(radar->requests().first().bytes, FirstIdentityRequest);
        QCOMPARE(requestCodes().mid(0, 6), ReadBackCodes);
        QCOMPARE(log().count(Lost + linkPath()), 1);
        // The lines come in the order the operator follows them.
        const QStringList lines = log();
        const int lost = lines.indexOf(Lost + linkPath());
        const int waiting = lines.indexOf(Waiting + linkPath());
        const int back = lines.indexOf(Back + linkPath());
        const int connected = lines.lastIndexOf(QStringLiteral("串口成功连接：") + linkPath());
        QVERIFY(lost < waiting && waiting < back && back < connected);
        QVERIFY(ui()->pushButtonConnect->isHidden() && !ui()->pushButtonDisconnect->isHidden() && !window->isWaitingForPort());
        QVERIFY2(waitUntil([&] { return shownCount(QStringLiteral("重连")) == 1 && shownCount(QStringLiteral("超时")) >= timeouts; }, 2000),
                 qPrintable(window->linkStatusLabel()->text()));

        // Lost again, the radar back on the line but not answering at the reconnect: the
        // read-back gives up and the watch goes on; once the radar answers, the tool is
        // connected again.
        radar->setFault(0x0D, faultSpec(sim::Fault::Silent));
        hangUp();
        QVERIFY(waitUntil([this] { return log().count(Waiting + linkPath()) == 3; }, 20000));
        QVERIFY(!polling());
        const QList<int> codes = requestCodes();
        QVERIFY(!codes.isEmpty());
        QCOMPARE(codes.count(0x0D), codes.size());
        radar->clearFaults();
        QVERIFY(waitUntil([this] { return polling(); }, 8000));
        QCOMPARE(log().count(Back + linkPath()), 3);
    }

    // A click on the greyed port box of a connection neither lists the ports nor chooses one of
    // them; after the disconnect a click lists them and keeps the port the operator named.
    void portBoxKeepsItsPort()
    {
        start();
        sim::RadarSimulator other;
        QVERIFY(other.start());
        w().setPortLister([&other] {
            return QList<radarlink::PortEntry>{radarlink::PortEntry{QStringLiteral("ttyS0"), other.devicePath(), false, 0, 0, QString(), QString()}};
        });
        connectAndPoll();
        QTest::mouseClick(ui()->comboBoxSerial, Qt::LeftButton);
        QCOMPARE(ui()->comboBoxSerial->currentText(), linkPath());
        QCOMPARE(ui()->comboBoxSerial->count(), 0);
        ui()->pushButtonDisconnect->click();
        QTest::mousePress(ui()->comboBoxSerial, Qt::LeftButton);
        QCOMPARE(comboTexts(ui()->comboBoxSerial), QStringList{QStringLiteral("ttyS0")});
        QCOMPARE(ui()->comboBoxSerial->currentText(), linkPath());
    }

    // Two adapters of one make without serial numbers, radar A on one, radar C on the other.
    // A is unplugged: the tool never takes C for it; A plugged back into its socket comes back
    // under another name and is taken again.
    void adapterWithoutSerialNumber_data()
    {
        QTest::addColumn<bool>("backInItsSocket");
        QTest::newRow("the other adapter alone") << false;
        QTest::newRow("back in its socket under another name") << true;
    }
    void adapterWithoutSerialNumber()
    {
        QFETCH(bool, backInItsSocket);
        start();
        sim::RadarSimulator c;
        QVERIFY(c.start(folder->filePath(QStringLiteral("radar-c"))));
        c.setIdentity(sim::Identity{7, 2});
        // The list outlives the test function in the window's hands.
        const auto ports = std::make_shared<QList<radarlink::PortEntry>>(QList<radarlink::PortEntry>{
            adapterWithoutSerial(linkPath(), QStringLiteral("1-1")), adapterWithoutSerial(c.symlinkPath(), QStringLiteral("1-2"))});
        w().setPortLister([ports] { return *ports; });
        connectAndPoll();
        radar->stop();
        ports->removeFirst();
        const QString again = folder->filePath(QStringLiteral("radar-again"));
        if (backInItsSocket) {
            radar = std::make_unique<sim::RadarSimulator>();
            QVERIFY(radar->start(again));
            *ports << adapterWithoutSerial(again, QStringLiteral("1-1"));
        }
        QVERIFY(waitUntil([this] { return log().contains(Waiting + linkPath()); }, 3000));
        if (backInItsSocket) {
            QVERIFY(waitUntil([this] { return polling(); }, 8000));
            QVERIFY(log().contains(Back + again));
        } else {
            QTest::qWait(3000);
            QVERIFY(w().isWaitingForPort());
        }
        QVERIFY(c.requests().isEmpty());
    }

    // The radar that answers the reconnect is another one (another serial number or type, here
    // on the same line): the session ends with a line and a box naming both, nothing of the
    // other radar is shown or recorded, and the recording ends.
    void anotherRadarEndsTheSession_data()
    {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<int>("serialWord2");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("typeName");
        QTest::newRow("other serial number") << 1 << 0x9999 << "01349999009a" << "通道预警雷达";
        QTest::newRow("other device type") << 2 << 0x5678 << "02345678009a" << "区域安全扫描雷达";
    }
    void anotherRadarEndsTheSession()
    {
        QFETCH(int, deviceType);
        QFETCH(int, serialWord2);
        QFETCH(QString, serial);
        QFETCH(QString, typeName);
        start();
        connectAndPoll();
        const QString recording = w().recordingPath();
        radar->setIdentity(sim::Identity{7, quint8(deviceType), 0x1234, quint16(serialWord2)});
        DialogAnswerer answerer;
        answerer.answerMessageBox(QMessageBox::Ok);
        hangUp();
        QVERIFY(answerer.waitDone());
        const QString line = QStringLiteral("重连后应答的不是断线前的雷达：找到%1（序列号 %2，站点号 7），断线前是通道预警雷达"
                                            "（序列号 01345678009a，站点号 2）。已断开连接，不再等待串口恢复。").arg(typeName, serial);
        QCOMPARE(answerer.seen.value(0).text, line);
        QCOMPARE(log().count(line), 1);
        QTest::qWait(1500);
        QVERIFY(isIdle() && !w().isWaitingForPort());
        QCOMPARE(requestCodes(), QList<int>{0x0D});
        QCOMPARE(radarInfo(), (QStringList{"设备类型：通道预警雷达", "01345678009a", "2"}));
        // The recording has ended and holds the lost radar alone.
        QVERIFY(w().recordingPath().isEmpty());
        const QByteArray written = fileBytes(recording) + fileBytes(recording + QStringLiteral("-wal"));
        QVERIFY(written.contains("01345678009a") && !written.contains(serial.toLatin1()));
    }

    // The detection distance edited from 6 to 4.5 m and a cell marked, not sent, when the line
    // drops. The reconnect's read-back leaves them in the form; when the radar's scene changed
    // during the drop the operator is asked first. The plot's zones are the radar's either way.
    void unsentEditsSurviveAReconnect_data()
    {
        QTest::addColumn<bool>("changedMeanwhile"); // the radar set to 7 m during the drop
        QTest::addColumn<bool>("keep");             // the operator's answer when asked
        QTest::newRow("radar unchanged") << false << true;
        QTest::newRow("radar changed, edits kept") << true << true;
        QTest::newRow("radar changed, radar's scene taken") << true << false;
    }
    void unsentEditsSurviveAReconnect()
    {
        QFETCH(bool, changedMeanwhile);
        QFETCH(bool, keep);
        start();
        connectAndPoll();
        ui()->spinBoxSurveyFar->setValue(4.5);
        QVERIFY(view()->SuppressionGrid.setFlag(1, 4, true));
        view()->nonAlarmCount = 1;
        const QVector<QPoint> marked = w().markedCellPoints();
        DialogAnswerer answerer;
        answerer.answerMessageBox(keep ? QMessageBox::Yes : QMessageBox::No, 12000);
        hangUp();
        sim::Scene scene = radar->scene();
        scene.detectionFar = changedMeanwhile ? 700 : scene.detectionFar;
        radar->setScene(scene);
        const QString line = keep ? QStringLiteral("重连后保留了未发送的修改") : QStringLiteral("重连后采用了雷达中的场景参数");
        QVERIFY(waitUntil([&] { return log().contains(line); }, 12000));
        QCOMPARE(answerer.seen.size(), changedMeanwhile ? 1 : 0);
        QCOMPARE(ui()->spinBoxSurveyFar->value(), keep ? 4.5 : 7.0);
        QCOMPARE(w().markedCellPoints(), keep ? marked : QVector<QPoint>());
        QCOMPARE(view()->detectionFar, changedMeanwhile ? 7.0 : 6.0);
    }

    // Lines that are not resumed: the operator ended the connection, the line dropped before
    // the operator's own read-back had finished, or the setting is off. Pressing "断开", or
    // typing another port into the box, while the tool waits for the port ends the waiting for good.
    void notResumed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("lostLines");
        QTest::addColumn<int>("waitingLines");
        QTest::newRow("operator disconnected") << QStringLiteral("disconnect") << 0 << 0;
        QTest::newRow("lost during the operator's read-back") << QStringLiteral("readback") << 1 << 0;
        QTest::newRow("setting off") << QStringLiteral("settingOff") << 1 << 0;
        QTest::newRow("断开 while waiting") << QStringLiteral("waitDisconnect") << 1 << 1;
        QTest::newRow("another port typed while waiting") << QStringLiteral("waitTyped") << 1 << 1;
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
        if (how.startsWith(QLatin1String("wait"))) {
            QVERIFY(waitUntil([this] { return log().contains(Waiting + linkPath()); }, 3000));
            QVERIFY(window->isWaitingForPort());
            QVERIFY(!ui()->pushButtonDisconnect->isHidden());
            if (how == QLatin1String("waitDisconnect"))
                ui()->pushButtonDisconnect->click();
            else
                QTest::keyClick(ui()->comboBoxSerial->lineEdit(), Qt::Key_Backspace);
            QVERIFY(isIdle());
        }
        QCOMPARE(log().contains(QStringLiteral("已停止等待串口恢复：") + linkPath()), how == QLatin1String("waitDisconnect"));
        QTest::qWait(2500);
        QTEST(int(log().count(Lost + linkPath())), "lostLines");
        QTEST(int(log().count(Waiting + linkPath())), "waitingLines");
        QVERIFY(!log().contains(Back + linkPath()));
        QVERIFY(!window->isWaitingForPort());
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(!window->channel().port.isOpen());
        QVERIFY(isIdle());
    }

    // The setting is on at first, remembered in radar-config.ini beside lang.cfg, and read back
    // by the next window; lang.cfg is not touched by it.
    void settingRemembered()
    {
        start();
        QAction *action = window->autoReconnectAction();
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
