// The main window as the operator first sees it: the controls, their ranges and starting
// values, the menus, what is hidden, the lamps, and where the window lands on the screen.
// The language the window opens in is tst_language's.
#include "mainwindow.h"
#include "ui_mainwindow.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>

static QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

class TestMainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir workDir;
    QString previousDir;

private slots:
    void initTestCase()
    {
        installWarningGuard();
        // The window reads lang.cfg from the working directory; keep the tests away from any real one.
        previousDir = QDir::currentPath();
        QVERIFY(workDir.isValid());
        QDir::setCurrent(workDir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void menusInOrder()
    {
        MainWindow w;
        const QList<QAction *> menus = w.menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QStringLiteral("帮助"));
        QCOMPARE(menus[1]->text(), QStringLiteral("选项"));
        QCOMPARE(menus[2]->text(), QStringLiteral("语言(language)"));
        QCOMPARE(actionTexts(menus[0]->menu()),
                 (QStringList{"固件升级", "数据采集", "测量距离", "导出日志"}));
        QCOMPARE(actionTexts(menus[1]->menu()),
                 (QStringList{"继电器灵敏度", "Can设置", "导出配置", "导入配置", "校验雷达场景参数", "导出配置报告"}));
        QCOMPARE(actionTexts(menus[2]->menu()), (QStringList{"中文(Chinese)", "英语(English)"}));
        QCOMPARE(w.ui->actionGetData->toolTip(), QStringLiteral("数据采集"));
        QCOMPARE(w.ui->actionFrameLimt->toolTip(), QStringLiteral("继电器灵敏度"));
    }

    void sceneGroupStartsAtTheFactoryScene()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.ui;
        QCOMPARE(ui->groupBox->title(), QStringLiteral("雷达探测场景"));
        const QList<QDoubleSpinBox *> distances = {ui->spinBoxSurveyNear, ui->spinBoxSurveyFar,
                                                   ui->spinBoxWarnNear,   ui->spinBoxWarnFar,
                                                   ui->spinBoxAlarmNear,  ui->spinBoxAlarmFar};
        const QList<double> values = {0, 6, 2, 4, 0, 2};
        QCOMPARE(ui->spinBoxSurveyFar->text(), QStringLiteral("6.0"));
        for (int i = 0; i < distances.size(); ++i)
            QCOMPARE(distances[i]->value(), values[i]);
        // Values the operator cannot type: they follow other bands or come from the radar.
        const QList<bool> readOnly = {false, true, true, false, true, false};
        for (int i = 0; i < distances.size(); ++i)
            QCOMPARE(distances[i]->isReadOnly(), readOnly[i]);
        QCOMPARE(ui->spinBoxWarnNear->buttonSymbols(), QAbstractSpinBox::NoButtons);
        QCOMPARE(ui->spinBoxAlarmNear->buttonSymbols(), QAbstractSpinBox::NoButtons);

        QCOMPARE(ui->spinBoxLeft->value(), -1.0);
        QCOMPARE(ui->spinBoxRight->value(), 1.0);
        QCOMPARE(ui->spinBoxLeft->singleStep(), 0.5);
        ui->spinBoxLeft->setValue(3);
        QCOMPARE(ui->spinBoxLeft->value(), 0.0);   // the left boundary never crosses the axis
        ui->spinBoxRight->setValue(-3);
        QCOMPARE(ui->spinBoxRight->value(), 0.0);
        ui->spinBoxLeft->setValue(-70000);
        QCOMPARE(ui->spinBoxLeft->value(), -65535.0);

        QCOMPARE(ui->spinBoxSurveyAngle->value(), 120);
        ui->spinBoxSurveyAngle->setValue(121);
        QCOMPARE(ui->spinBoxSurveyAngle->value(), 120);
        ui->spinBoxSurveyAngle->setValue(-1);
        QCOMPARE(ui->spinBoxSurveyAngle->value(), 0);

        QCOMPARE(comboTexts(ui->comboBoxGrid), (QStringList{"0.25", "0.5", "1", "1.5", "2"}));
        QCOMPARE(ui->comboBoxGrid->currentText(), QStringLiteral("1"));
        QCOMPARE(comboTexts(ui->comboBoxSurveyAngle), (QStringList{"120", "90", "60"}));
        QCOMPARE(comboTexts(ui->comboBoxTargetDir), (QStringList{"不区分", "接近雷达", "远离雷达"}));
        QCOMPARE(comboTexts(ui->comboBoxTargetType), (QStringList{"不筛选目标", "只预警行人", "只预警车辆"}));
        QVERIFY(!ui->comboBoxTargetType->itemData(0).isValid());
        QVERIFY(ui->pushButtonWatch->isCheckable());
        QVERIFY(!ui->checkBoxTrack->isChecked());
        QVERIFY(!ui->checkBoxSelect->isChecked());
        for (QDoubleSpinBox *box : distances) {
            box->setValue(70000);   // every distance stops at 65535
            QCOMPARE(box->value(), 65535.0);
        }
    }

    void startsIdle()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.ui;
        QCOMPARE(w.windowTitle(), QString(QChar(0x3000)));
        QVERIFY(!w.windowIcon().isNull());
        QVERIFY(!ui->toolButtonModbusId->icon().isNull());
        QVERIFY(ui->comboBoxSerial->isEditable());
        QVERIFY(ui->comboBoxSerial->isEnabled());
        QVERIFY(!ui->pushButtonConnect->isHidden() && !ui->spinBoxSurveyAngle->isHidden());
        for (QWidget *hidden : {static_cast<QWidget *>(ui->pushButtonDisconnect), static_cast<QWidget *>(ui->pushButton),
                                static_cast<QWidget *>(ui->pushButtonWatch), static_cast<QWidget *>(ui->labelPic),
                                static_cast<QWidget *>(ui->frameLegend), static_cast<QWidget *>(ui->comboBoxSurveyAngle)})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QCOMPARE(ui->labelID->text(), QStringLiteral("000000000000"));
        QCOMPARE(ui->labelModbusId->text(), QStringLiteral("2"));
        QCOMPARE(ui->labelDevType->text(), QStringLiteral("设备类型："));
        QCOMPARE(ui->dockWidget->windowTitle(), QStringLiteral("LOG"));
        QCOMPARE(w.dockWidgetArea(ui->dockWidget), Qt::BottomDockWidgetArea);

        QVERIFY(!w.channel().port.isOpen() && !w.pollTimer.isActive() && !w.clockTimer.isActive());
        QCOMPARE(w.pollTimer.interval(), 50);
        QVERIFY(w.pollTimer.isSingleShot());
        QCOMPARE(w.clockTimer.interval(), 1000);
        for (QLabel *lamp : {ui->labelLEDAlar, ui->labelLEDWarn, ui->labelLEDSurv})
            QVERIFY2(lamp->styleSheet().contains(QStringLiteral("rgb(128, 128, 128)")),
                     qPrintable(lamp->styleSheet()));
        QCOMPARE(w.stationNumber, quint16(2));
        QCOMPARE(w.deviceType, 1);
        QCOMPARE(w.frameHeader, QByteArray(12, '\0'));
    }

    void zoneLabelsWearTheZoneColours()
    {
        MainWindow w;
        auto text = [](QWidget *label) { return label->palette().color(QPalette::WindowText); };
        QCOMPARE(text(w.ui->labelSurvey), QColor(104, 199, 242));
        QCOMPARE(text(w.ui->labelWarn), QColor(155, 155, 0));
        QCOMPARE(text(w.ui->labelAlarm), QColor(246, 187, 176));
    }

    void bandEdgesFollowEachOther()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.ui;
        ui->spinBoxSurveyNear->setValue(1.5);
        QCOMPARE(ui->spinBoxAlarmNear->value(), 1.5);
        ui->spinBoxAlarmFar->setValue(3);
        QCOMPARE(ui->spinBoxWarnNear->value(), 3.0);
        QCOMPARE(ui->spinBoxWarnFar->value(), 3.0);   // channel radar: warning band is a line
        w.deviceType = 2;
        ui->spinBoxAlarmFar->setValue(2.5);
        QCOMPARE(ui->spinBoxWarnNear->value(), 2.5);
        QCOMPARE(ui->spinBoxWarnFar->value(), 3.0);
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QRect>("window");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QRect(192, 162, 1536, 756);
        // 0.7 * 1440 lies just below 1008 in double precision and is truncated.
        QTest::newRow("2560x1440") << QSize(2560, 1440) << QRect(256, 216, 2048, 1007);
        QTest::newRow("800x600") << QSize(800, 600) << QRect(80, 90, 640, 420);
    }
    void placement()
    {
        QFETCH(QSize, screen);
        QFETCH(QRect, window);
        QCOMPARE(MainWindow::placementFor(screen), window);
    }

    void placedOnItsScreen()
    {
        MainWindow w;
        const QSize screen = w.screen()->geometry().size();
        QCOMPARE(w.geometry(), MainWindow::placementFor(screen));
    }

    // A port that cannot be opened says so and leaves the header untouched.
    void missingPortFailsWithItsLine()
    {
        MainWindow w;
        w.ui->comboBoxSerial->setEditText(QStringLiteral("/dev/no-such-radar-port"));
        QVERIFY(!w.openRadarPort());
        QCOMPARE(w.ui->listWidget->count(), 1);
        const QListWidgetItem *line = w.ui->listWidget->item(0);
        QVERIFY2(line->text().contains(QStringLiteral("无法打开串口：")), qPrintable(line->text()));
        QVERIFY(!w.channel().port.isOpen());
        QCOMPARE(w.frameHeader, QByteArray(12, '\0'));
    }
};

RADAR_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
