// Connecting to a radar: the read-back of identity and scene over the real line, what the form
// and the plot show afterwards, retries, and connections the operator abandons half-way. What
// a silent, late, garbled or hung-up radar does to the identity read is tst_faultmatrix's; what
// the operator is told when the identity is never read is here.
#include "sessionfixture.h"

#include "recordingfile.h"

#include <QStatusBar>

class TestReadBack : public SessionFixture
{
    Q_OBJECT

    // The log without the traces of the bytes sent and received.
    QStringList messages() const
    {
        return log().filter(QRegularExpression(QStringLiteral("^(?!.*：[0-9a-f]{2}( [0-9a-f]{2})*$)")));
    }

    // The read-back ends with the fingerprint of the scene read, as the window shows it.
    QString fingerprintLine() const
    {
        return QStringLiteral("雷达场景指纹：") + shownFingerprint();
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void readBackFillsTheFormAndThePlot_data()
    {
        QTest::addColumn<int>("deviceType");
        QTest::newRow("channel radar") << 1;
        QTest::newRow("area scanner") << 2;
        QTest::newRow("obstacle radar") << 3;
    }
    void readBackFillsTheFormAndThePlot()
    {
        QFETCH(int, deviceType);
        radar->setIdentity({5, quint8(deviceType), 0x05, 0x00ab, 3});   // the serial in lower-case hex
        sim::Scene scene = commissionedScene();
        // Four listed cells on a half-metre grid: one twice and one far outside the grid, so two
        // are marked.
        scene.cellCount = 4;
        scene.gridEdge = 50;
        scene.cells = {{{150, 350}, {5000, 5000}, {-50, 50}, {150, 350}}};
        scene.targetType = deviceType == 1 ? 2 : 4;
        radar->setScene(scene);
        radar->setTargets(0);
        pressConnect();
        QVERIFY2(isWatching(), qPrintable(log().join("\n")));

        // The six reads in order, the first under the connect header, the rest and the poll
        // under the station read back.
        QVERIFY(waitUntil([&] { return radar->requests().size() >= 7; }, 2000));
        const QList<sim::ReceivedRequest> requests = radar->requests();
        QCOMPARE(requestCodes().mid(0, 7), (QList<int>{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15, 0x06}));
        QCOMPARE(requests.at(0).bytes.mid(7, 4).toHex(' '), QByteArray("ff 0d ff 01"));
        for (int i = 1; i < requests.size(); ++i)
            QCOMPARE(requests.at(i).bytes.mid(7, 4).toHex(' '), QByteArray("05 ") + requests.at(i).bytes.mid(8, 1).toHex() + " 05 05");
        QCOMPARE(messages(), (QStringList{QStringLiteral("串口成功连接：") + linkPath(), fingerprintLine()}));

        // Identity.
        const QString names[] = {QString(), "通道预警雷达", "区域安全扫描雷达", "避障雷达"};
        QCOMPARE(radarInfo(), (QStringList{"设备类型：" + names[deviceType], QStringLiteral("0%1").arg(deviceType) + "0500ab0003", "5"}));
        QVERIFY(!ui()->labelPic->isHidden() && !ui()->labelPic->pixmap(Qt::ReturnByValue).isNull());
        // What each type hides: the legend (obstacle) or the other type's part of it, the warning
        // band (channel), the lane (area scanner), the direction (all but the channel radar).
        const QList<bool> hidden{ui()->frameLegend->isHidden(), ui()->label_legend1->isHidden(), ui()->label_legend3->isHidden(),
                                 ui()->spinBoxWarnFar->isHidden(), ui()->labelWarn_2->isHidden(), ui()->spinBoxLeft->isHidden(),
                                 ui()->labelLeftRight->isHidden(), ui()->comboBoxTargetDir->isHidden()};
        const bool channel = deviceType == 1, scanner = deviceType == 2;
        QCOMPARE(hidden, (QList<bool>{deviceType == 3, scanner, channel, channel, channel, scanner, scanner, !channel}));
        QCOMPARE(view()->shapeByType, deviceType != 3);
        QCOMPARE(comboTexts(ui()->comboBoxTargetType).join('|'), channel ? "不筛选目标|行人|车辆" : "不筛选目标|静目标|动目标");

        // The scene in the form: detection, alarm and warning band (a channel radar's warning band
        // collapses onto the alarm distance), the start distance and the near edges it sets, the lane.
        const double warn = channel ? 2.5 : 5.0;
        QCOMPARE((QList<double>{ui()->spinBoxSurveyFar->value(), double(ui()->spinBoxSurveyAngle->value()),
                                ui()->spinBoxAlarmFar->value(), ui()->spinBoxWarnNear->value(), ui()->spinBoxWarnFar->value(),
                                ui()->spinBoxSurveyNear->value(), ui()->spinBoxAlarmNear->value(), ui()->spinBoxLeft->value(),
                                ui()->spinBoxRight->value()}),
                 (QList<double>{7.5, 100, 2.5, 2.5, warn, 1.5, 1.5, scanner ? -1.0 : -2.0, scanner ? 1.0 : 3.0}));
        // And in the plot. An area scanner keeps the form's lane and draws no lane of its own.
        QCOMPARE((QList<double>{view()->detectionFar, view()->detectionAngle, view()->alarmFar, view()->warningFar,
                                view()->detectionNear, view()->leftBoundary, view()->rightBoundary}),
                 (QList<double>{7.5, 100, 2.5, warn, 1.5, scanner ? -128.0 : -2.0, scanner ? 128.0 : 3.0}));

        // Non-alarm cells on a 0.5 m grid of 15 cells a side.
        QCOMPARE(ui()->comboBoxGrid->currentText(), QStringLiteral("0.5"));
        QCOMPARE(view()->nonAlarmCount, 2);
        QCOMPARE(view()->SuppressionGrid.setCells(), (QVector<GridCell>{{7, 17}, {13, 13}}));

        // Target filter: the direction, and the type by its place in the type's list.
        QCOMPARE((QList<int>{ui()->comboBoxTargetDir->currentIndex(), ui()->comboBoxTargetType->currentIndex(),
                             ui()->comboBoxTargetType->currentData().toInt()}), (QList<int>{1, 2, channel ? 2 : 4}));
    }

    // A read that fails is tried again after a pause, three times in all; then the tool gives up
    // and goes Idle.
    void failedReadsAreRetried_data()
    {
        QTest::addColumn<int>("fault");   // on the detection-area reads: all, or one when the tool gets through
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("watching");
        const QString areaTimeout = QStringLiteral("读取雷达探测区域设置信息命令：超时或无返回值");
        const QString areaLength = QStringLiteral("读取雷达探测区域设置信息返回：长度不正确");
        QTest::newRow("detection area silent") << int(sim::Fault::Silent) << 1 << QList<int>{0x0D, 0x0A, 0x0A, 0x0A}
            << QStringList{areaTimeout, areaLength, areaTimeout, areaLength, areaTimeout, areaLength} << false;
        QTest::newRow("unknown device type") << int(sim::Fault::None) << 4 << QList<int>{0x0D, 0x0D, 0x0D}
            << QStringList{QStringLiteral("连接失败：端口 %1 上的设备没有给出可用的身份信息（站号 0x02）")} << false;
        QTest::newRow("one short reply") << int(sim::Fault::Short) << 1
            << QList<int>{0x0D, 0x0A, 0x0A, 0x0B, 0x0C, 0x14, 0x15} << QStringList{areaLength} << true;
    }
    void failedReadsAreRetried()
    {
        QFETCH(int, fault);
        QFETCH(int, deviceType);
        QFETCH(QList<int>, codes);
        QFETCH(QStringList, lines);
        QFETCH(bool, watching);
        radar->setFault(0x0A, faultSpec(sim::Fault(fault), watching ? 1 : -1));
        radar->setIdentity({2, quint8(deviceType)});
        radar->setTargets(0);
        // A type the tool does not know is refused with a box at each attempt.
        DialogAnswerer answers;
        for (int i = 0; deviceType == 4 && i < 3; ++i)
            answers.answerMessageBox(QMessageBox::Ok, 30000);
        pressConnect();
        QVERIFY(answers.waitDone());
        QCOMPARE(answers.seen.size(), deviceType == 4 ? 3 : 0);
        for (const DialogAnswerer::Seen &box : answers.seen)
            QVERIFY(box.title == "错误" && box.text == "未知设备ID" && box.icon == QMessageBox::Warning);
        QCOMPARE(isWatching(), watching);
        QCOMPARE(watching ? requestCodes().mid(0, codes.size()) : requestCodes(), codes);
        lines.replaceInStrings(QStringLiteral("%1"), linkPath());
        QCOMPARE(messages(), QStringList{QStringLiteral("串口成功连接：") + linkPath()} + lines
                                 + (watching ? QStringList{fingerprintLine()} : QStringList()));
        if (watching) {
            // The bad reply changed nothing; the good one that followed set the plot.
            QCOMPARE(view()->detectionFar, 6.0);
            return;
        }
        QVERIFY(isIdle() && !w().pollTimer.isActive() && !w().channel().port.isOpen());
        // Only a known type read back shows its name and picture.
        QCOMPARE((QStringList{ui()->labelModbusId->text(), ui()->labelDevType->text()}),
                 (QStringList{"2", deviceType == 1 ? "设备类型：通道预警雷达" : "设备类型："}));
        QCOMPARE(ui()->labelPic->isHidden(), deviceType != 1);
    }

    // "断开" and "连接" again while the first read-back waits before a retry: the first
    // sequence must neither send nor disconnect anything on the second connection.
    // No identity after three tries: back to "未连接", with the port and the station byte tried
    // in the log and the status bar, said as it was (nothing came back, or something that was
    // no identity), and no recording kept of a connection that never met a radar.
    void anUnreadIdentityIsExplained_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("said");
        QTest::newRow("nothing answers") << int(sim::Fault::Silent) << "连接失败：端口 %1 上没有雷达应答（站号 0xff）";
        QTest::newRow("wrong sync") << int(sim::Fault::BadSync) << "连接失败：端口 %1 上的设备没有给出可用的身份信息（站号 0xff）";
    }
    void anUnreadIdentityIsExplained()
    {
        QFETCH(int, fault);
        QFETCH(QString, said);
        radar->setFault(0x0D, faultSpec(sim::Fault(fault)));
        const QStringList before = radarInfo();
        // While the identity is being read, the radar information says so.
        QStringList whileReading;
        QTimer::singleShot(1000, this, [&] { whileReading = radarInfo(); });
        pressConnect();
        QCOMPARE(whileReading, (QStringList{"设备类型：正在读取…", "正在读取…", "…"}));
        // None came: the radar information shows what it showed before.
        QCOMPARE(radarInfo(), before);
        QVERIFY(isIdle());
        QCOMPARE(requestCodes(), (QList<int>{0x0D, 0x0D, 0x0D}));
        const QString line = said.arg(linkPath());
        QVERIFY2(log().contains(line), qPrintable(log().join('\n')));
        QCOMPARE(w().statusBar()->currentMessage(), line);
        QCOMPARE(w().linkStatusLabel()->text(), QStringLiteral("未连接"));
        const QDir recordings(QDir::current().filePath(recording::folderName()));
        QCOMPARE(recordings.entryList(QDir::Files), QStringList());
    }

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
        QTest::qWait(2500);
        QVERIFY(isWatching());
        const QList<int> codes = requestCodes();
        QCOMPARE(codes.mid(0, 6), (QList<int>{0x0D, 0x0A, 0x0B, 0x0C, 0x14, 0x15}));
        QCOMPARE(codes.mid(6).count(0x06), codes.size() - 6);
    }

    // Poll ticks and operator commands fired while the read-back pumps events wait their turn:
    // on the wire every request is followed by its reply before the next request goes out.
    void commandsDuringTheReadBackNeverInterleave()
    {
        // One silent detection-area read adds a 2000 ms retry pause to the settle delay.
        radar->setFault(0x0A, faultSpec(sim::Fault::Silent, 1));
        radar->setTargets(2);
        QTimer noise;
        int fired = 0;
        connect(&noise, &QTimer::timeout, this, [&] {
            if (++fired % 2)
                ui()->pushButton->click();   // a poll tick
            else
                w().readTargetFilter();
        });
        noise.start(40);
        pressConnect();
        noise.stop();
        QVERIFY(isWatching());
        QVERIFY(fired > 20);
        // The log as a string of requests (q) and what answered them (r): never two requests in a row.
        const QRegularExpression request(QStringLiteral("^(发送|雷达探测结果查询命令：55)"));
        const QRegularExpression answer(QStringLiteral("返回|超时|^(读取雷达属性筛选信息|读取起始探测距离)：55"));
        QString order;
        for (const QString &line : log())
            order += line.contains(request) ? QStringLiteral("q") : line.contains(answer) ? QStringLiteral("r") : QString();
        QVERIFY2(!order.contains(QStringLiteral("qq")), qPrintable(log().join('\n')));
        QVERIFY(order.count('q') > 20);
        QCOMPARE(order.count('q'), radar->requests().size());
        QCOMPARE(ui()->spinBoxSurveyFar->value(), 6.0);
    }
};

RADAR_TEST_MAIN(TestReadBack)
#include "tst_readback.moc"
