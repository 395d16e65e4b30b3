// Sending the edited scene to the radar: the five writes byte for byte and in order, what a
// failure stops, the plot and the marked cells afterwards, a round trip through the radar, and
// scene files carried from one radar to another.
#include "sessionfixture.h"

#include "dialoganswerer.h"
#include "frame.h"

#include <QComboBox>
#include <QFile>
#include <QTimer>

namespace {
QByteArray hex(const char *text) { return hexBytes(text); }
QByteArray dataOf(const sim::ReceivedRequest &r)
{
    return r.bytes.mid(12, r.bytes.size() - 14);
}
} // namespace

class TestSceneSend : public SessionFixture
{
    Q_OBJECT

    // Connects to a radar of the given type at station 5 with the factory scene stored.
    void connectTo(int deviceType)
    {
        sim::Identity id;
        id.station = 5;
        id.deviceType = quint8(deviceType);
        radar->setIdentity(id);
        radar->setTargets(0);
        pressConnect();
        QVERIFY(isWatching());
        radar->clearRequests();
    }
    QList<sim::ReceivedRequest> writes()
    {
        QList<sim::ReceivedRequest> list;
        for (const sim::ReceivedRequest &r : radar->requests())
            if (r.functionCode != 0x06)
                list << r;
        return list;
    }
    QList<int> writeCodes()
    {
        QList<int> codes = requestCodes();
        codes.removeAll(0x06);
        return codes;
    }
    // Presses "发送雷达场景参数" and answers its box; returns the box's text ("" for none).
    QString send()
    {
        DialogAnswerer answers;
        answers.answerMessageBox(QMessageBox::Ok, 4000);
        ui()->pushButtonSendPar->click();
        answers.waitDone(6000);
        return answers.seen.isEmpty() ? QString() : answers.seen.first().text;
    }
    sim::ReceivedRequest lastWrite(int code)
    {
        const QList<sim::ReceivedRequest> list = writes();
        for (int i = list.size() - 1; i >= 0; --i)
            if (list.at(i).functionCode == code)
                return list.at(i);
        return {};
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void theFiveWritesGoOutInOrderByteForByte()
    {
        connectTo(2);
        ui()->spinBoxSurveyNear->setValue(2.3);
        ui()->comboBoxTargetType->setCurrentIndex(2);   // "动目标", item data 4
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(writeCodes(), (QList<int>{0x02, 0x03, 0x07, 0x08, 0x04}));
        const QList<sim::ReceivedRequest> sent = writes();
        QCOMPARE(sent.at(0).bytes, hex("55 aa 14 00 d0 03 00 05 02 05 05 00 58 02 78 00 00 00 ed ed"));
        QCOMPARE(dataOf(sent.at(1)), hex("90 01 c8 00 fe 02"));
        QCOMPARE(dataOf(sent.at(2)), hex("00 04"));
        QCOMPARE(sent.at(3).bytes.size(), 30);
        QCOMPARE(dataOf(sent.at(3)).left(2), hex("e5 00"));   // 2.3 m goes out as 229 cm
        QCOMPARE(sent.at(4).bytes.size(), 56);
        QCOMPARE(dataOf(sent.at(4)).left(2), hex("00 64"));
        QVERIFY(log().contains(QStringLiteral("发送发送雷达虚警抑制区域命令：") + radarlink::toHexText(sent.at(4).bytes).trimmed()));
        QVERIFY(!w().pollingPaused);
        QVERIFY(w().pollTimer.isActive());
        QCOMPARE(view()->detectionNear, 2.3);
        // The radar stored what was sent.
        QCOMPARE(radar->scene().startDistance, quint16(229));
        QCOMPARE(radar->scene().targetType, quint8(4));
    }

    void onlyTheFirstTenMarkedCellsAreListed()
    {
        connectTo(1);
        CellGrid &cells = view()->SuppressionGrid;
        for (int k = 0; k < 12; ++k)
            cells.setFlag(k / 6, 3 + k % 6, true);
        view()->nonAlarmCount = cells.setCount();
        ui()->comboBoxGrid->blockSignals(true);
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        const QByteArray data = dataOf(lastWrite(0x04));
        QCOMPARE(data.left(2), hex("0a 64"));
        // Row 0 from column 3, then row 1: (-250, 550) first, (50, 450) tenth.
        QCOMPARE(data.mid(2, 4), hex("06 ff 26 02"));
        QCOMPARE(data.mid(38, 4), hex("32 00 c2 01"));
    }

    void aFailedWriteStopsTheSequence_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("sent");
        QTest::newRow("detection area") << 0x02 << "雷达探测区域设置失败" << 1;
        QTest::newRow("alarm area") << 0x03 << "雷达报警区域设置失败" << 2;
        QTest::newRow("target filter") << 0x07 << "发送雷达目标属性筛选消息失败" << 3;
        QTest::newRow("start distance") << 0x08 << "起始探测距离设置失败" << 4;
    }
    void aFailedWriteStopsTheSequence()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(int, sent);
        connectTo(1);
        radar->setFault(quint8(code), faultSpec(sim::Fault::Silent));
        ui()->spinBoxSurveyFar->setValue(8);
        ui()->spinBoxAlarmFar->setValue(3);
        QCOMPARE(send(), message);
        QCOMPARE(writeCodes(), (QList<int>{0x02, 0x03, 0x07, 0x08}).mid(0, sent));
        // The plot keeps the scene the radar had.
        QCOMPARE(view()->detectionFar, 6.0);
        QCOMPARE(view()->alarmFar, 2.0);
        // Polling stays suspended: one query may go out, then the chain ends.
        QVERIFY(w().pollingPaused);
        QTest::qWait(300);
        QVERIFY(!w().pollTimer.isActive());
        const int polls = requestCodes().count(0x06);
        QTest::qWait(300);
        QCOMPARE(requestCodes().count(0x06), polls);
        QVERIFY(ui()->pushButtonSendPar->isEnabled());
    }

    void anUnansweredCellWriteStillEndsInSuccess()
    {
        connectTo(1);
        radar->setFault(0x04, faultSpec(sim::Fault::Silent));
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        QVERIFY(log().contains(QStringLiteral("发送雷达虚警抑制区域命令：超时或无返回值")));
        QVERIFY(!w().pollingPaused);
    }

    void aConnectionEndingMidwayShowsNoMessage()
    {
        connectTo(1);
        // The operator presses "断开" while the first write waits for the link.
        w().channel().lock.lock();
        QTimer::singleShot(200, this, [&] { ui()->pushButtonDisconnect->click(); });
        QCOMPARE(send(), QString());
        QVERIFY(isIdle());
        QCOMPARE(writeCodes(), QList<int>());
        QVERIFY(ui()->pushButtonSendPar->isEnabled());
        QVERIFY(w().channel().lock.tryLock(0));
        w().channel().lock.unlock();
    }

    // Marked cells keep their ground when the range changes: the grid grows or shrinks at its
    // far end and on both sides.
    void markedCellsFollowTheRange()
    {
        connectTo(1);
        CellGrid &cells = view()->SuppressionGrid;
        cells.setFlag(1, 4, true);   // (-150, 450)
        cells.setFlag(2, 5, true);   // (-50, 350)
        cells.setFlag(5, 0, true);   // (-550, 50), beside the radar at the far left
        view()->nonAlarmCount = 3;
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        const QByteArray before = dataOf(lastWrite(0x04));

        ui()->spinBoxSurveyFar->setValue(7);
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(cells.setCells(), (QVector<GridCell>{{2, 5}, {3, 6}, {6, 1}}));
        QCOMPARE(view()->nonAlarmCount, 3);
        QCOMPARE(dataOf(lastWrite(0x04)), before);   // the radar hears the same ground

        ui()->spinBoxSurveyFar->setValue(6.5);       // still 7 cells a side: nothing moves
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(cells.setCells(), (QVector<GridCell>{{2, 5}, {3, 6}, {6, 1}}));

        // 4 cells a side and 4 rows: (-150, 450) lies beyond the range, (-550, 50) off the side.
        ui()->spinBoxSurveyFar->setValue(4);
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(cells.setCells(), (QVector<GridCell>{{0, 3}}));
        QCOMPARE(view()->nonAlarmCount, 1);
        QCOMPARE(dataOf(lastWrite(0x04)).left(6), hex("01 64 ce ff 5e 01"));

        ui()->spinBoxSurveyNear->setValue(1);        // the far edge unchanged: no shift
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(cells.setCells(), (QVector<GridCell>{{0, 3}}));
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
        ui()->comboBoxGrid->setCurrentIndex(gridIndex);
        ui()->spinBoxSurveyFar->setValue(9.3);
        ui()->spinBoxSurveyNear->setValue(0.7);
        ui()->spinBoxWarnFar->setValue(5.1);
        ui()->spinBoxAlarmFar->setValue(2.3);
        ui()->spinBoxLeft->setValue(-2.5);
        ui()->spinBoxRight->setValue(3.5);
        ui()->spinBoxSurveyAngle->setValue(90);
        ui()->comboBoxTargetDir->setCurrentIndex(2);
        ui()->comboBoxTargetType->setCurrentIndex(1);
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        // Two cells near the axis, marked on the grid just sent, then sent again.
        const int n = view()->columnsPerSide(), m = view()->rowCount();
        view()->SuppressionGrid.setFlag(m - 1, n, true);
        view()->SuppressionGrid.setFlag(m - 2, n - 1, true);
        view()->nonAlarmCount = 2;
        QCOMPARE(send(), QStringLiteral("雷达场景参数设置成功"));
        const QVector<GridCell> marked = view()->SuppressionGrid.setCells();
        const double warn = ui()->spinBoxWarnFar->value();

        // A fresh tool reads the scene back from the same radar.
        ui()->pushButtonDisconnect->click();
        window = std::make_unique<MainWindow>();
        ui()->comboBoxSerial->setEditText(linkPath());
        pressConnect();
        QVERIFY(isWatching());
        QCOMPARE(ui()->comboBoxGrid->currentIndex(), gridIndex);
        QCOMPARE(ui()->spinBoxSurveyFar->value(), 9.3);
        QCOMPARE(ui()->spinBoxSurveyNear->value(), 0.7);
        QCOMPARE(ui()->spinBoxWarnFar->value(), warn);
        QCOMPARE(ui()->spinBoxAlarmFar->value(), 2.3);
        if (deviceType != 2) {
            QCOMPARE(ui()->spinBoxLeft->value(), -2.5);
            QCOMPARE(ui()->spinBoxRight->value(), 3.5);
        }
        QCOMPARE(ui()->spinBoxSurveyAngle->value(), 90);
        QCOMPARE(ui()->comboBoxTargetType->currentIndex(), 1);
        if (deviceType == 1)
            QCOMPARE(ui()->comboBoxTargetDir->currentIndex(), 2);
        QCOMPARE(view()->SuppressionGrid.setCells(), marked);
        QCOMPARE(view()->nonAlarmCount, 2);
    }

    void sceneFilesCarryTheSceneGroup()
    {
        const QString path = folder->filePath(QStringLiteral("scene.cfg"));
        {
            DialogAnswerer answers;
            answers.answerFileDialog(path);
            w().findChild<QAction *>(QStringLiteral("actionExportCfg"))->trigger();
            QVERIFY(answers.waitDone());
            QCOMPARE(answers.seen.first().title, QStringLiteral("配置信息"));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toHex(' '),
                 QByteArray("40 18 00 00 00 00 00 00 00 00 00 00 00 00 00 00 40 10 00 00 00 00 00 00 "
                            "40 00 00 00 00 00 00 00 bf f0 00 00 00 00 00 00 3f f0 00 00 00 00 00 00 "
                            "00 00 00 78 00 00 00 02 00 00 00 00 00 00 00 00"));
        file.close();

        // A file made with a channel radar (type index 1, "行人") imported with an area scanner
        // connected selects by index: "静目标", data 3, is sent.
        SceneConfig c = w().sceneFromForm();
        c.detectionFar = 7;
        c.warningFar = 5;
        c.alarmFar = 3;
        c.targetTypeIndex = 1;
        c.gridIndex = 9;   // beyond the items: the last one, "2"
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(encodeSceneConfig(c) + QByteArray(20, '\x55'));
        file.close();
        connectTo(2);
        DialogAnswerer answers;
        answers.answerFileDialog(path);
        answers.answerMessageBox(QMessageBox::Ok);
        w().findChild<QAction *>(QStringLiteral("actionImportCfg"))->trigger();
        QVERIFY(answers.waitDone());
        QCOMPARE(answers.seen.last().text, QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(ui()->comboBoxGrid->currentText(), QStringLiteral("2"));
        QCOMPARE(dataOf(lastWrite(0x07)), hex("00 03"));
        QCOMPARE(dataOf(lastWrite(0x03)).left(4), hex("f4 01 2c 01"));   // 5 m and 3 m
        QCOMPARE(view()->detectionFar, 7.0);
    }

    void importFillsTheFormAsTheOperatorWould()
    {
        const QString path = folder->filePath(QStringLiteral("scene.cfg"));
        SceneConfig c = w().sceneFromForm();
        c.warningFar = 5;
        c.alarmFar = 3;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(encodeSceneConfig(c));
        file.close();
        // Without a radar: the form is filled, the first write fails silently, no box.
        DialogAnswerer answers;
        answers.answerFileDialog(path);
        w().findChild<QAction *>(QStringLiteral("actionImportCfg"))->trigger();
        QVERIFY(answers.waitDone());
        QCOMPARE(answers.seen.size(), 1);
        QTest::qWait(100);
        QVERIFY(!QApplication::activeModalWidget());
        // A channel radar's warning distance follows the alarm distance.
        QCOMPARE(ui()->spinBoxAlarmFar->value(), 3.0);
        QCOMPARE(ui()->spinBoxWarnFar->value(), 3.0);
        QCOMPARE(ui()->spinBoxWarnNear->value(), 3.0);

        // An empty file: every distance and the angle 0, every list at its first item.
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.close();
        answers.answerFileDialog(path);
        w().findChild<QAction *>(QStringLiteral("actionImportCfg"))->trigger();
        QVERIFY(answers.waitDone());
        QCOMPARE(ui()->spinBoxSurveyFar->value(), 0.0);
        QCOMPARE(ui()->spinBoxSurveyAngle->value(), 0);
        QCOMPARE(ui()->comboBoxGrid->currentIndex(), 0);
        QCOMPARE(ui()->spinBoxLeft->value(), 0.0);
    }

    void anUnwritableFileIsReported()
    {
        DialogAnswerer answers;
        answers.answerFileDialog(folder->filePath(QStringLiteral("no-such-folder/scene.cfg")));
        answers.answerMessageBox(QMessageBox::Ok);
        w().findChild<QAction *>(QStringLiteral("actionExportCfg"))->trigger();
        QVERIFY(answers.waitDone());
        QCOMPARE(answers.seen.size(), 2);
        QCOMPARE(answers.seen.at(1).title, QStringLiteral("错误"));
        QCOMPARE(answers.seen.at(1).text, QStringLiteral("文件无法写入"));
        QCOMPARE(answers.seen.at(1).icon, QMessageBox::Warning);
    }

};

RADAR_TEST_MAIN(TestSceneSend)
#include "tst_scenesend.moc"
