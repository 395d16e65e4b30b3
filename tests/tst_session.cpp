// A connected radar through the main window, over the real line. What a silent, late, garbled
// or hung-up radar does to each of these is tst_faultmatrix's.
// - Connecting: the read-back of identity and scene, what the form and the plot show
//   afterwards, retries, connections the operator abandons half-way, and what the operator is
//   told when the identity is never read.
// - Watching: the result poll, the frame ring, the zone lamps, what ends the poll chain, and the
//   flash save that ends a session.
// - Sending the edited scene: the five writes byte for byte and in order, what a failure stops,
//   the plot and the marked cells afterwards, a round trip through the radar, and scene files
//   carried from one radar to another.
#include "sessionfixture.h"

#include "frame.h"
#include "recordingfile.h"

#include <QStatusBar>

class TestSession : public SessionFixture
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

    void connectWatching()
    {
        pressConnect();
        QVERIFY(isWatching());
    }
    int polls() { return requestCodes().count(0x06); }
    // No further query reaches the radar: the poll chain has ended.
    void verifyPollStopped()
    {
        const int stopped = polls();
        QTest::qWait(300);
        QCOMPARE(polls(), stopped);
    }

    const QString Sent = QStringLiteral("雷达场景参数设置成功");

    // Connects to a radar of the given type at station 5 with the factory scene stored.
    void connectTo(int deviceType)
    {
        radar->setIdentity({5, quint8(deviceType)});
        radar->setTargets(0);
        pressConnect();
        QVERIFY(isWatching());
        radar->clearRequests();
    }
    QList<int> writeCodes()
    {
        QList<int> codes = requestCodes();
        codes.removeAll(0x06);
        return codes;
    }
    // What the last frame of this command the radar got carried between header and tail.
    QByteArray lastData(int code) { return lastRequest(code).mid(12, lastRequest(code).size() - 14); }
    // Presses "发送雷达场景参数"; returns the box's text ("" for none).
    QString send() { return sendScene().value(1); }
    QString sceneFile(const SceneConfig &c)
    {
        const QString path = folder->filePath(QStringLiteral("made.cfg"));
        return writeFile(path, encodeSceneConfig(c) + QByteArray(20, '\x55')) ? path : QString();
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

    void framesLandInTheRingAndLightTheLamps()
    {
        // One target on the alarm edge (counts as warning), one inside the detection zone.
        radar->setFixedTargets({{3, 200, 0, 0, 0, 2}, {9, 0, 450, 0, 0, 4}});
        connectWatching();
        QVERIFY(waitUntil([&] { return view()->frameIndex >= 5; }, 3000));
        const TargetFrame &frame = view()->frameHistory.at((view()->frameIndex + 399) % 400);
        QCOMPARE(frame.keys(), (QList<quint16>{3, 9}));
        QCOMPARE(frame.value(9), (TargetReport{9, 0, 450, 0, 0, 4}));

        // The lamps light in the zone colours and go off between blinks; the alarm lamp stays off.
        // The blink pumps events inside its own delay, so a timer looks at them.
        const QString OffLamp = QStringLiteral("background: rgb(128, 128, 128)");
        QStringList warnSeen, surveySeen, alarmSeen;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            warnSeen << ui()->labelLEDWarn->styleSheet();
            surveySeen << ui()->labelLEDSurv->styleSheet();
            alarmSeen << ui()->labelLEDAlar->styleSheet();
        });
        sampler.start(20);
        QTest::qWait(2200);
        sampler.stop();
        QVERIFY(!warnSeen.filter(QStringLiteral("rgb(247, 241, 130)")).isEmpty() && !warnSeen.filter(OffLamp).isEmpty());
        QVERIFY(!surveySeen.filter(QStringLiteral("rgb(104, 199, 242)")).isEmpty());
        QCOMPARE(alarmSeen.filter(OffLamp).size(), alarmSeen.size());

        // "断开": lamps off, ring empty, next frame into slot 0, lock free, no more queries.
        ui()->pushButtonDisconnect->click();
        QVERIFY(isIdle());
        QCOMPARE(view()->frameIndex, 0);
        QVERIFY(view()->frameHistory == QVector<TargetFrame>(RadarView::HistorySize));
        QVERIFY(ui()->labelLEDSurv->styleSheet().contains(OffLamp));
        QVERIFY(w().channel().lock.tryLock(0));
        w().channel().lock.unlock();
        verifyPollStopped();
    }

    void theFourHundredAndFirstFrameOverwritesSlotZero()
    {
        radar->setFixedTargets({{1, 10, 100, 0, 0, 1}});
        connectWatching();
        w().pollTimer.stop();
        QTest::qWait(100);   // a query under way ends and starts the timer again
        w().pollTimer.stop();
        const int start = view()->frameIndex;
        for (int i = 0; i < 400; ++i)
            QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, start);
        radar->setFixedTargets({{2, -10, 300, 0, 0, 1}});
        QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, (start + 1) % 400);
        QCOMPARE(view()->frameHistory.at(start).keys(), (QList<quint16>{2}));
        // An empty frame still takes its slot and clears the flags.
        radar->setFixedTargets({});
        w().inAlarm = true;
        QVERIFY(w().queryResults());
        QCOMPARE(view()->frameIndex, (start + 2) % 400);
        QVERIFY(view()->frameHistory.at((start + 1) % 400).isEmpty() && !w().inAlarm);
    }

    // The poll paces itself: the next query is started only by the end of the last one, and
    // never while somebody else holds the link or the poll is paused.
    void aBusyLinkOrAPauseEndsThePollChain()
    {
        radar->setTargets(3);
        connectWatching();
        // Somebody else holds the link: the next tick gives up its turn, silently, for good.
        w().channel().lock.lock();
        QTest::qWait(200);
        QVERIFY(!w().pollTimer.isActive());
        const int lines = ui()->listWidget->count();
        w().channel().lock.unlock();
        const int stopped = polls();
        verifyPollStopped();
        QCOMPARE(ui()->listWidget->count(), lines);

        // Paused polling: one more query goes out, its wait ends at once, the chain ends.
        w().pollingPaused = true;
        w().pollTimer.start();
        QTest::qWait(400);
        QCOMPARE(polls(), stopped + 1);
        QCOMPARE(log().last(), QStringLiteral("雷达探测结果查询命令：超时或无返回值"));
        QVERIFY(!w().pollTimer.isActive());
    }

    // "保存设置": the port is closed and opened again, the save goes out on the fresh line, the
    // radar commits it, and the session ends for the restart the box asks for.
    void saveCommitsToFlashAndEndsTheSession()
    {
        connectWatching();
        DialogAnswerer answers;
        answers.answerMessageBox(QMessageBox::Ok, 10000);
        ui()->pushButtonSaveConfig->click();
        QVERIFY(answers.waitDone());
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.first().title, QStringLiteral("保存设置"));
        QCOMPARE(radar->flashSaves(), 1);
        QVERIFY(isIdle() && !w().channel().port.isOpen() && ui()->pushButtonSaveConfig->isEnabled());
        const QStringList lines = log();
        const int cut = int(lines.indexOf(QStringLiteral("断开")));
        QCOMPARE(lines.mid(cut, 2), (QStringList{"断开", "重连"}));
        QVERIFY(lines.value(cut + 2).startsWith(QStringLiteral("发送保存设置到flash命令：55 aa 0e 00")));
        QVERIFY(lines.value(cut + 3).startsWith(QStringLiteral("保存设置到flash返回：55 aa")));
        verifyPollStopped();
    }

    void saveThatCannotReopenThePortSaysSoAndGoesIdle()
    {
        connectWatching();
        // The adapter is gone by the time the port is reopened.
        w().channel().port.setPortName(folder->filePath(QStringLiteral("gone")));
        ui()->pushButtonSaveConfig->click();
        QVERIFY(log().contains(QStringLiteral("无法打开串口：") + folder->filePath(QStringLiteral("gone"))));
        QVERIFY(isIdle());
        QVERIFY(!w().pollTimer.isActive());
        QCOMPARE(radar->flashSaves(), 0);
    }

    // Of twelve marked cells the first ten are listed, row by row.
    void theFiveWritesGoOutInOrderByteForByte()
    {
        connectTo(2);
        ui()->spinBoxSurveyNear->setValue(2.3);
        ui()->comboBoxTargetType->setCurrentIndex(2);   // "动目标", item data 4
        for (int k = 0; k < 12; ++k)
            view()->SuppressionGrid.setFlag(k / 6, 3 + k % 6, true);
        view()->nonAlarmCount = 12;
        QCOMPARE(send(), Sent);
        QCOMPARE(writeCodes(), (QList<int>{0x02, 0x03, 0x07, 0x08, 0x04}));
        QCOMPARE(lastRequest(0x02), hexBytes("55 aa 14 00 d0 03 00 05 02 05 05 00 58 02 78 00 00 00 ed ed"));
        QCOMPARE(lastData(0x03), hexBytes("90 01 c8 00 fe 02"));
        QCOMPARE(lastData(0x07), hexBytes("00 04"));
        QCOMPARE(lastData(0x08), hexBytes("e5 00") + QByteArray(14, '\0'));   // 2.3 m goes out as 229 cm
        QCOMPARE(lastData(0x04), hexBytes("0a 64 06 ff 26 02 6a ff 26 02 ce ff 26 02 32 00 26 02 96 00 26 02 fa 00 26 02 "
                                          "06 ff c2 01 6a ff c2 01 ce ff c2 01 32 00 c2 01"));
        QVERIFY(log().contains(QStringLiteral("发送发送雷达虚警抑制区域命令：") + radarlink::toHexText(lastRequest(0x04)).trimmed()));
        QVERIFY(isWatching() && !w().pollingPaused);
        QCOMPARE(view()->detectionNear, 2.3);
        // The radar stored what was sent.
        QCOMPARE((QList<int>{radar->scene().startDistance, radar->scene().targetType}), (QList<int>{229, 4}));
    }

    // An unanswered write ends the sequence with its box: nothing after it goes out, the plot
    // keeps the scene the radar had and the poll stays suspended. The cells go out last; left
    // unanswered the scene still counts as sent.
    void anUnansweredWriteStopsTheSequence_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("sent");
        QTest::newRow("detection area") << 0x02 << "雷达探测区域设置失败" << 1;
        QTest::newRow("alarm area") << 0x03 << "雷达报警区域设置失败" << 2;
        QTest::newRow("target filter") << 0x07 << "发送雷达目标属性筛选消息失败" << 3;
        QTest::newRow("start distance") << 0x08 << "起始探测距离设置失败" << 4;
        QTest::newRow("cells") << 0x04 << Sent << 5;
    }
    void anUnansweredWriteStopsTheSequence()
    {
        QFETCH(int, code);
        QFETCH(int, sent);
        connectTo(1);
        radar->setFault(quint8(code), faultSpec(sim::Fault::Silent));
        ui()->spinBoxSurveyFar->setValue(8);
        ui()->spinBoxAlarmFar->setValue(3);
        QTEST(send(), "message");
        QCOMPARE(writeCodes(), (QList<int>{0x02, 0x03, 0x07, 0x08, 0x04}).mid(0, sent));
        QVERIFY(ui()->pushButtonSendPar->isEnabled());
        const bool failed = sent < 5;
        QCOMPARE((QList<double>{view()->detectionFar, view()->alarmFar}), (failed ? QList<double>{6, 2} : QList<double>{8, 3}));
        // A paused poll sends one more query and ends (as above); a sent scene lets it go on.
        QCOMPARE(w().pollingPaused, failed);
        if (!failed)
            QVERIFY(log().contains(QStringLiteral("发送雷达虚警抑制区域命令：超时或无返回值")));
    }

    // Marked cells keep their ground when the range changes: the grid grows or shrinks at its
    // far end and on both sides, and the radar hears the same points. Then a connection ends
    // in the middle of a send.
    void markedCellsFollowTheRange()
    {
        connectTo(1);
        CellGrid &cells = view()->SuppressionGrid;
        cells.setFlag(1, 4, true);   // (-150, 450)
        cells.setFlag(2, 5, true);   // (-50, 350)
        cells.setFlag(5, 0, true);   // (-550, 50), beside the radar at the far left
        view()->nonAlarmCount = 3;
        const QByteArray three = hexBytes("03 64 6a ff c2 01 ce ff 5e 01 da fd 32 00");
        const struct { QDoubleSpinBox *box; double value; QVector<GridCell> marked; QByteArray data; } steps[] = {
            {ui()->spinBoxSurveyFar, 6, {{1, 4}, {2, 5}, {5, 0}}, three},
            {ui()->spinBoxSurveyFar, 7, {{2, 5}, {3, 6}, {6, 1}}, three},
            {ui()->spinBoxSurveyFar, 6.5, {{2, 5}, {3, 6}, {6, 1}}, three},   // still 7 cells a side
            // 4 cells a side and 4 rows: (-150, 450) lies beyond the range, (-550, 50) off the side.
            {ui()->spinBoxSurveyFar, 4, {{0, 3}}, hexBytes("01 64 ce ff 5e 01")},
            {ui()->spinBoxSurveyNear, 1, {{0, 3}}, hexBytes("01 64 ce ff 5e 01")},   // the far edge unchanged
        };
        for (const auto &step : steps) {
            step.box->setValue(step.value);
            QCOMPARE(send(), Sent);
            QCOMPARE(cells.setCells(), step.marked);
            QCOMPARE(view()->nonAlarmCount, step.marked.size());
            QCOMPARE(lastData(0x04).left(step.data.size()), step.data);
        }
        // The log says where each cell went when the grid changed with the range.
        for (const char *line : {"(-150, 450) → (-150, 450)", "(-150, 450) → 超出网格，已移除", "(-550, 50) → 超出网格，已移除"})
            QVERIFY2(log().contains(QString::fromUtf8(line)), line);

        // The operator presses "断开" while the first write of a send waits for the link: the
        // send ends without a message and with nothing on the wire.
        radar->clearRequests();
        w().channel().lock.lock();
        QTimer::singleShot(200, this, [&] { ui()->pushButtonDisconnect->click(); });
        QCOMPARE(send(), QString());
        QVERIFY(isIdle());
        QCOMPARE(writeCodes(), QList<int>());
        QVERIFY(ui()->pushButtonSendPar->isEnabled());
        QVERIFY(w().channel().lock.tryLock(0));
        w().channel().lock.unlock();
    }

    void sceneSurvivesARoundTripThroughTheRadar_data()
    {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<int>("gridIndex");
        QTest::newRow("channel radar, 0.25 m") << 1 << 0;
        QTest::newRow("area scanner, 0.5 m") << 2 << 1;
        QTest::newRow("obstacle radar, 1 m") << 3 << 2;
        QTest::newRow("channel radar, 1.5 m") << 1 << 3;
        QTest::newRow("area scanner, 2 m") << 2 << 4;
    }
    void sceneSurvivesARoundTripThroughTheRadar()
    {
        QFETCH(int, deviceType);
        QFETCH(int, gridIndex);
        connectTo(deviceType);
        const auto form = [this] {
            return QList<double>{ui()->spinBoxSurveyFar->value(), ui()->spinBoxSurveyNear->value(), ui()->spinBoxWarnFar->value(),
                                 ui()->spinBoxAlarmFar->value(), ui()->spinBoxLeft->value(), ui()->spinBoxRight->value(),
                                 double(ui()->spinBoxSurveyAngle->value()), double(ui()->comboBoxGrid->currentIndex()),
                                 double(ui()->comboBoxTargetDir->currentIndex()), double(ui()->comboBoxTargetType->currentIndex())};
        };
        // The scene comes in from a file, which sends it; two cells near the axis are marked on its
        // grid and it is sent again.
        const SceneConfig c{9.3, 0.7, 5.1, 2.3, -2.5, 3.5, 90, gridIndex, 2, 1};
        QCOMPARE(answered([this] { ui()->actionImportCfg->trigger(); }, sceneFile(c), {QMessageBox::Yes, QMessageBox::Ok}).value(2).text, Sent);
        const int n = view()->columnsPerSide(), m = view()->rowCount();
        view()->SuppressionGrid.setFlag(m - 1, n, true);
        view()->SuppressionGrid.setFlag(m - 2, n - 1, true);
        view()->nonAlarmCount = 2;
        QCOMPARE(send(), Sent);
        const QVector<GridCell> marked = view()->SuppressionGrid.setCells();
        QList<double> sent = form();
        if (deviceType == 2)
            sent = sent.mid(0, 4) + QList<double>{-1, 1} + sent.mid(6);   // an area scanner has no lane: the form's stays

        // A fresh tool reads the scene back from the same radar.
        ui()->pushButtonDisconnect->click();
        window = std::make_unique<MainWindow>();
        ui()->comboBoxSerial->setEditText(linkPath());
        pressConnect();
        QVERIFY(isWatching());
        QCOMPARE(form(), sent);
        QCOMPARE(view()->SuppressionGrid.setCells(), marked);
        QCOMPARE(view()->nonAlarmCount, 2);
    }

    // "导出配置" writes the scene group as 64 bytes; "导入配置" fills the form in the order an
    // operator would, each box's handler running, and sends the scene at once.
    void sceneFilesCarryTheSceneGroup()
    {
        const QString path = folder->filePath(QStringLiteral("scene.cfg"));
        QCOMPARE(answered([this] { ui()->actionExportCfg->trigger(); }, path).value(0).title, QStringLiteral("配置信息"));
        QCOMPARE(fileBytes(path).toHex(' '),
                 QByteArray("40 18 00 00 00 00 00 00 00 00 00 00 00 00 00 00 40 10 00 00 00 00 00 00 "
                            "40 00 00 00 00 00 00 00 bf f0 00 00 00 00 00 00 3f f0 00 00 00 00 00 00 "
                            "00 00 00 78 00 00 00 02 00 00 00 00 00 00 00 00"));

        // Without a radar: the form is filled, the first write fails silently, no box. A channel
        // radar's warning distance follows the alarm distance set after it.
        SceneConfig c = w().sceneFromForm();
        c.warningFar = 5;
        c.alarmFar = 3;
        QCOMPARE(answered([this] { ui()->actionImportCfg->trigger(); }, sceneFile(c)).size(), 1);
        QCOMPARE((QList<double>{ui()->spinBoxAlarmFar->value(), ui()->spinBoxWarnFar->value(), ui()->spinBoxWarnNear->value()}),
                 (QList<double>{3, 3, 3}));

        // A file made with a channel radar (type index 1, "行人") imported with an area scanner
        // connected selects by index: "静目标", data 3, is sent.
        c.detectionFar = 7;
        c.targetTypeIndex = 1;
        c.gridIndex = 9;   // beyond the items: the last one, "2"
        connectTo(2);
        QCOMPARE(answered([this] { ui()->actionImportCfg->trigger(); }, sceneFile(c), {QMessageBox::Yes, QMessageBox::Ok}).value(2).text, Sent);
        QCOMPARE(ui()->comboBoxGrid->currentText(), QStringLiteral("2"));
        QCOMPARE(lastData(0x07), hexBytes("00 03"));
        QCOMPARE(lastData(0x03).left(4), hexBytes("f4 01 2c 01"));   // 5 m and 3 m
        QCOMPARE(view()->detectionFar, 7.0);

        const DialogAnswerer::Seen refused = answered([this] { ui()->actionExportCfg->trigger(); },
                                                      folder->filePath(QStringLiteral("no-such-folder/scene.cfg"))).value(1);
        QCOMPARE((QStringList{refused.title, refused.text}), (QStringList{"错误", "文件无法写入"}));
        QCOMPARE(refused.icon, QMessageBox::Warning);
    }
};

RADAR_TEST_MAIN(TestSession)
#include "tst_session.moc"
