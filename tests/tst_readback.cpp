// Connecting to a radar: the read-back of identity and scene over the real line, what the form
// and the plot show afterwards, retries, and connections the operator abandons half-way.
#include "sessionfixture.h"

#include "dialoganswerer.h"

#include <QComboBox>
#include <QTimer>

namespace {
sim::Scene storedScene(int deviceType)
{
    sim::Scene s = commissionedScene();
    // Four listed cells on a half-metre grid: one twice and one far outside the grid, so two
    // are marked.
    s.cellCount = 4;
    s.gridEdge = 50;
    s.cells[0] = {150, 350};
    s.cells[1] = {5000, 5000};
    s.cells[2] = {-50, 50};
    s.cells[3] = {150, 350};
    s.targetType = deviceType == 1 ? 2 : 4;
    return s;
}
} // namespace

class TestReadBack : public SessionFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void readBackFillsTheFormAndThePlot_data()
    {
        QTest::addColumn<int>("deviceType");
        QTest::newRow("channel radar") << 1;
        QTest::newRow("area scanner, station 5") << 2;
        QTest::newRow("obstacle radar") << 3;
    }
    void readBackFillsTheFormAndThePlot()
    {
        QFETCH(int, deviceType);
        sim::Identity id;
        id.station = 5;
        id.deviceType = quint8(deviceType);
        id.serialWord1 = 0x05;
        id.serialWord2 = 0x00ab;   // the serial in lower-case hex
        id.serialByte3 = 3;
        radar->setIdentity(id);
        radar->setScene(storedScene(deviceType));
        radar->setTargets(0);

        pressConnect();
        QVERIFY(isWatching());
        QVERIFY(w().clockTimer.isActive());
        QVERIFY(!w().pollingPaused);

        // The six reads in order, the first under the connect header, the rest under station 5.
        const QList<sim::ReceivedRequest> requests = radar->requests();
        QVERIFY(requests.size() >= 6);
        QCOMPARE(requestCodes().mid(0, 6), (QList<int>{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15}));
        QCOMPARE(requests.at(0).bytes.toHex(' '), QByteArray("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed"));
        for (int i = 1; i < requests.size(); ++i)
            QCOMPARE(requests.at(i).bytes.mid(7, 4).toHex(' '), QByteArray("05 ") + requests.at(i).bytes.mid(8, 1).toHex() + " 05 05");
        QVERIFY(log().contains(QStringLiteral("串口成功连接：") + linkPath()));

        // Identity.
        QCOMPARE(ui()->labelModbusId->text(), QStringLiteral("5"));
        QCOMPARE(ui()->labelID->text(), QStringLiteral("0%1").arg(deviceType) + QStringLiteral("0500ab0003"));
        const QString names[] = {QString(), "通道预警雷达", "区域安全扫描雷达", "避障雷达"};
        QCOMPARE(ui()->labelDevType->text(), QStringLiteral("设备类型：") + names[deviceType]);
        QVERIFY(!ui()->labelPic->isHidden());
        QVERIFY(!ui()->labelPic->pixmap(Qt::ReturnByValue).isNull());
        // What each type hides: the legend (obstacle), the warning band (channel), the lane
        // (area scanner), the direction (all but the channel radar).
        const QList<bool> hidden{ui()->frameLegend->isHidden(), ui()->spinBoxWarnFar->isHidden(),
                                 ui()->labelWarn_2->isHidden(), ui()->spinBoxLeft->isHidden(),
                                 ui()->labelLeftRight->isHidden(), ui()->comboBoxTargetDir->isHidden()};
        QCOMPARE(hidden, (QList<bool>{deviceType == 3, deviceType == 1, deviceType == 1, deviceType == 2,
                                      deviceType == 2, deviceType != 1}));
        QCOMPARE(view()->shapeByType, deviceType != 3);
        if (deviceType != 3) {
            QCOMPARE(ui()->label_legend1->isHidden(), deviceType != 1);
            QCOMPARE(ui()->label_legend3->isHidden(), deviceType != 2);
        }
        const QStringList types = deviceType == 1 ? QStringList{"不筛选目标", "行人", "车辆"}
                                                  : QStringList{"不筛选目标", "静目标", "动目标"};
        QCOMPARE(comboTexts(ui()->comboBoxTargetType), types);

        // Detection area: the spin box and the plot.
        QCOMPARE(ui()->spinBoxSurveyFar->value(), 7.5);
        QCOMPARE(ui()->spinBoxSurveyAngle->value(), 100);
        QCOMPARE(view()->detectionFar, 7.5);
        QCOMPARE(view()->detectionAngle, 100.0);

        // Alarm area: a channel radar's warning band collapses onto the alarm distance.
        QCOMPARE(ui()->spinBoxAlarmFar->value(), 2.5);
        QCOMPARE(ui()->spinBoxWarnNear->value(), 2.5);
        QCOMPARE(ui()->spinBoxWarnFar->value(), deviceType == 1 ? 2.5 : 5.0);
        QCOMPARE(view()->warningFar, deviceType == 1 ? 2.5 : 5.0);
        QCOMPARE(view()->alarmFar, 2.5);
        if (deviceType == 2) {
            QCOMPARE(ui()->spinBoxLeft->value(), -1.0);
            QCOMPARE(view()->leftBoundary, -128.0);
            QCOMPARE(view()->rightBoundary, 128.0);
        } else {
            QCOMPARE(ui()->spinBoxLeft->value(), -2.0);
            QCOMPARE(ui()->spinBoxRight->value(), 3.0);
            QCOMPARE(view()->leftBoundary, -2.0);
            QCOMPARE(view()->rightBoundary, 3.0);
        }

        // Non-alarm cells on a 0.5 m grid of 15 cells a side.
        QCOMPARE(ui()->comboBoxGrid->currentText(), QStringLiteral("0.5"));
        QCOMPARE(view()->gridEdge, 0.5);
        QCOMPARE(view()->nonAlarmCount, 2);
        QVERIFY(view()->SuppressionGrid.isSet(7, 17));
        QVERIFY(view()->SuppressionGrid.isSet(13, 13));
        QCOMPARE(view()->SuppressionGrid.setCount(), 2);

        // Target filter and start distance.
        QCOMPARE(ui()->comboBoxTargetDir->currentIndex(), 1);
        QCOMPARE(ui()->comboBoxTargetType->currentIndex(), 2);
        QCOMPARE(ui()->comboBoxTargetType->currentData().toInt(), deviceType == 1 ? 2 : 4);
        QCOMPARE(ui()->spinBoxSurveyNear->value(), 1.5);
        QCOMPARE(ui()->spinBoxAlarmNear->value(), 1.5);
        QCOMPARE(view()->detectionNear, 1.5);

        // Then the poll, under the station read back.
        QVERIFY(waitUntil([&] { return radar->requests().size() >= 7; }, 2000));
        QCOMPARE(radar->requests().at(6).bytes.toHex(' '),
                 QByteArray("55 aa 10 00 ff 02 00 05 06 05 05 00 01 00 ed ed"));
    }

    void unansweredDetectionAreaIsTriedThreeTimes()
    {
        radar->setFault(0x0A, faultSpec(sim::Fault::Silent));
        pressConnect();
        QVERIFY(isIdle());
        QCOMPARE(requestCodes(), (QList<int>{0x0D, 0x0A, 0x0A, 0x0A}));
        QCOMPARE(logCount(QStringLiteral("读取雷达探测区域设置信息命令：超时或无返回值")), 3);
        QCOMPARE(logCount(QStringLiteral("读取雷达探测区域设置信息返回：长度不正确")), 3);
        QVERIFY(!w().pollTimer.isActive());
        QVERIFY(!w().channel().port.isOpen());
    }

    void silentRadarGivesUpAfterThreeIdentityAttempts()
    {
        radar->setFaultForAll(faultSpec(sim::Fault::Silent));
        QElapsedTimer clock;
        clock.start();
        pressConnect();
        // 3000 ms to settle, then three attempts each followed by its 2000 ms pause.
        QVERIFY2(clock.elapsed() >= 9000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(isIdle());
        QCOMPARE(requestCodes(), (QList<int>{0x0D, 0x0D, 0x0D}));
        // An identity read that hears nothing says so once, without a length line.
        QCOMPARE(logCount(QStringLiteral("读取ID命令：超时或无返回值")), 3);
        QCOMPARE(logCount(QStringLiteral("读取ID返回：长度不正确")), 0);
        QCOMPARE(ui()->labelModbusId->text(), QStringLiteral("2"));
    }

    void unknownDeviceTypeIsRefused()
    {
        sim::Identity id;
        id.deviceType = 4;
        radar->setIdentity(id);
        DialogAnswerer answers;
        for (int i = 0; i < 3; ++i)
            answers.answerMessageBox(QMessageBox::Ok, 30000);
        pressConnect();
        QVERIFY(answers.waitDone());
        QVERIFY2(answers.failures.isEmpty(), qPrintable(answers.failures.join('\n')));
        QCOMPARE(answers.seen.size(), 3);
        QCOMPARE(answers.seen.first().title, QStringLiteral("错误"));
        QCOMPARE(answers.seen.first().text, QStringLiteral("未知设备ID"));
        QCOMPARE(answers.seen.first().icon, QMessageBox::Warning);
        QVERIFY(isIdle());
        QCOMPARE(requestCodes(), (QList<int>{0x0D, 0x0D, 0x0D}));
        QCOMPARE(ui()->labelDevType->text(), QStringLiteral("设备类型："));
        QVERIFY(ui()->labelPic->isHidden());
        QCOMPARE(w().deviceType, 4);
    }

    void badRepliesAreLoggedAndRetried_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("line");
        QTest::newRow("short") << int(sim::Fault::Short) << "读取雷达探测区域设置信息返回：长度不正确";
        QTest::newRow("wrong sync") << int(sim::Fault::BadSync) << "读取雷达探测区域设置信息返回：同步字不正确";
    }
    void badRepliesAreLoggedAndRetried()
    {
        QFETCH(int, fault);
        QFETCH(QString, line);
        radar->setFault(0x0A, faultSpec(sim::Fault(fault), 1));
        radar->setTargets(0);
        pressConnect();
        QVERIFY(isWatching());
        QCOMPARE(logCount(line), 1);
        QCOMPARE(requestCodes().mid(0, 7), (QList<int>{0x0D, 0x0A, 0x0A, 0x0B, 0x0C, 0x14, 0x15}));
        // The bad reply changed nothing; the good one that followed set the plot.
        QCOMPARE(view()->detectionFar, 6.0);
    }

    // "断开" and "连接" again while the first read-back waits before a retry: the first
    // sequence must neither send nor disconnect anything on the second connection.
    void abandonedReadBackLeavesTheNextConnectionAlone()
    {
        radar->setFault(0x0A, faultSpec(sim::Fault::Silent, 1));
        radar->setTargets(0);
        bool reconnected = false;
        QTimer::singleShot(5000, this, [&] {
            // The first sequence is now in its 2000 ms pause after the silent read.
            QCOMPARE(requestCodes(), (QList<int>{0x0D, 0x0A}));
            ui()->pushButtonDisconnect->click();
            radar->clearRequests();
            pressConnect();
            reconnected = true;
        });
        pressConnect();
        QVERIFY(reconnected);
        QVERIFY(isWatching());
        QTest::qWait(2500);
        QVERIFY(isWatching());
        const QList<int> codes = requestCodes();
        QCOMPARE(codes.mid(0, 6), (QList<int>{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15}));
        for (int code : codes.mid(6))
            QCOMPARE(code, 0x06);
    }

    // Poll ticks and operator commands fired while the read-back pumps events wait their turn:
    // on the wire every request is followed by its reply before the next request goes out.
    void commandsDuringTheReadBackNeverInterleave()
    {
        // One silent detection-area read adds a 2000 ms retry pause to the settle delay.
        radar->setFault(0x0A, faultSpec(sim::Fault::Silent, 1));
        radar->setTargets(2);
        QTimer noise;
        noise.setInterval(40);
        int fired = 0;
        connect(&noise, &QTimer::timeout, this, [&] {
            ++fired;
            if (fired % 2)
                ui()->pushButton->click();   // a poll tick
            else
                w().readTargetFilter();
        });
        noise.start();
        pressConnect();
        noise.stop();
        QVERIFY(isWatching());
        QVERIFY(fired > 20);
        const QStringList lines = log();
        bool awaitingReply = false;
        int requests = 0;
        for (const QString &line : lines) {
            const bool request = line.startsWith(QStringLiteral("发送"))
                                 || line.startsWith(QStringLiteral("雷达探测结果查询命令：55"));
            if (request) {
                QVERIFY2(!awaitingReply, qPrintable(lines.join('\n')));
                awaitingReply = true;
                ++requests;
            } else if (line.contains(QStringLiteral("返回")) || line.contains(QStringLiteral("超时"))
                       || line.startsWith(QStringLiteral("读取雷达属性筛选信息：55"))
                       || line.startsWith(QStringLiteral("读取起始探测距离：55"))) {
                awaitingReply = false;
            }
        }
        QVERIFY(requests > 20);
        QCOMPARE(radar->requests().size(), requests);
        QCOMPARE(ui()->spinBoxSurveyFar->value(), 6.0);
    }
};

RADAR_TEST_MAIN(TestReadBack)
#include "tst_readback.moc"
