// Sending the edited scene to the radar: the five writes byte for byte and in order, what a
// failure stops, the plot and the marked cells afterwards, a round trip through the radar, and
// scene files carried from one radar to another. What a late, garbled or hung-up radar does to
// the send is tst_faultmatrix's.
#include "sessionfixture.h"

#include "frame.h"


class TestSceneSend : public SessionFixture
{
    Q_OBJECT
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
        // A paused poll sends one more query and ends (tst_polling); a sent scene lets it go on.
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

RADAR_TEST_MAIN(TestSceneSend)
#include "tst_scenesend.moc"
