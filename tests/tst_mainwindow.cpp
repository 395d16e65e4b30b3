// The main window as the operator first sees it: the controls and their ranges, what is
// hidden, the lamps, and where the window lands on the screen. The menus and the language the
// window opens in are tst_language's; the factory scene is pinned by the scene file
// tst_scenesend exports from a fresh window.
#include "mainwindow.h"
#include "ui_mainwindow.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QListWidget>
#include <QScreen>
#include <QTemporaryDir>

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

    void startsIdle()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.ui;
        QVERIFY(!w.windowIcon().isNull() && !ui->toolButtonModbusId->icon().isNull());
        QVERIFY(ui->comboBoxSerial->isEditable() && ui->comboBoxSerial->isEnabled());
        QVERIFY(!ui->pushButtonConnect->isHidden() && !ui->spinBoxSurveyAngle->isHidden());
        for (QWidget *hidden : QList<QWidget *>{ui->pushButtonDisconnect, ui->pushButton, ui->pushButtonWatch, ui->labelPic,
                                                ui->frameLegend, ui->comboBoxSurveyAngle})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QCOMPARE((QStringList{ui->labelID->text(), ui->labelModbusId->text(), ui->labelDevType->text()}),
                 (QStringList{"000000000000", "2", "设备类型："}));
        QCOMPARE(ui->dockWidget->windowTitle(), QStringLiteral("LOG"));
        QCOMPARE(w.dockWidgetArea(ui->dockWidget), Qt::BottomDockWidgetArea);
        QCOMPARE((QStringList{ui->actionGetData->toolTip(), ui->actionFrameLimt->toolTip()}), (QStringList{"数据采集", "继电器灵敏度"}));
        QCOMPARE(comboTexts(ui->comboBoxTargetType), (QStringList{"不筛选目标", "只预警行人", "只预警车辆"}));
        QVERIFY(!ui->checkBoxTrack->isChecked() && !ui->checkBoxSelect->isChecked());

        // Nothing on the line; the poll, once started, goes out once and is started again by
        // its own end, 50 ms after the query finished.
        QVERIFY(!w.channel().port.isOpen() && !w.pollTimer.isActive() && !w.clockTimer.isActive());
        QVERIFY(w.pollTimer.isSingleShot() && w.pollTimer.interval() == 50);
        for (QLabel *lamp : {ui->labelLEDAlar, ui->labelLEDWarn, ui->labelLEDSurv})
            QVERIFY2(lamp->styleSheet().contains(QStringLiteral("rgb(128, 128, 128)")), qPrintable(lamp->styleSheet()));
        auto ink = [](QWidget *label) { return label->palette().color(QPalette::WindowText); };
        QCOMPARE((QList<QColor>{ink(ui->labelSurvey), ink(ui->labelWarn), ink(ui->labelAlarm)}),
                 (QList<QColor>{QColor(104, 199, 242), QColor(155, 155, 0), QColor(246, 187, 176)}));
    }

    // What the operator may type and where the boxes stop.
    void sceneGroupControls()
    {
        MainWindow w;
        Ui::MainWindow *ui = w.ui;
        QCOMPARE(ui->spinBoxSurveyFar->text(), QStringLiteral("6.0"));   // distances in metres to one decimal
        // Values the operator cannot type: they follow other bands or come from the radar.
        const QList<QDoubleSpinBox *> readOnly{ui->spinBoxSurveyFar, ui->spinBoxWarnNear, ui->spinBoxAlarmNear};
        for (QDoubleSpinBox *box : {ui->spinBoxSurveyNear, ui->spinBoxSurveyFar, ui->spinBoxWarnNear,
                                    ui->spinBoxWarnFar, ui->spinBoxAlarmNear, ui->spinBoxAlarmFar})
            QCOMPARE(box->isReadOnly(), readOnly.contains(box));
        QVERIFY(ui->spinBoxWarnNear->buttonSymbols() == QAbstractSpinBox::NoButtons
                && ui->spinBoxAlarmNear->buttonSymbols() == QAbstractSpinBox::NoButtons);
        QCOMPARE(ui->spinBoxLeft->singleStep(), 0.5);   // the radar takes the lane in half metres
        // Neither lane boundary crosses the axis.
        ui->spinBoxLeft->setValue(3);
        ui->spinBoxRight->setValue(-3);
        QCOMPARE((QList<double>{ui->spinBoxLeft->value(), ui->spinBoxRight->value()}), (QList<double>{0, 0}));
        ui->spinBoxSurveyAngle->setValue(121);   // the radar's fan is 120 degrees at most
        QCOMPARE(ui->spinBoxSurveyAngle->value(), 120);
        QCOMPARE(comboTexts(ui->comboBoxGrid), (QStringList{"0.25", "0.5", "1", "1.5", "2"}));
        QCOMPARE(ui->comboBoxGrid->currentText(), QStringLiteral("1"));
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
        // And a window opens where the rule puts it on its own screen.
        MainWindow w;
        QCOMPARE(w.geometry(), MainWindow::placementFor(w.screen()->geometry().size()));
    }

    // A port that cannot be opened says so, and why, and leaves the header untouched.
    void missingPortFailsWithItsLine()
    {
        MainWindow w;
        w.ui->comboBoxSerial->setEditText(QStringLiteral("/dev/no-such-radar-port"));
        QVERIFY(!w.openRadarPort());
        QCOMPARE(logLines(w.ui->listWidget),
                 (QStringList{QStringLiteral("无法打开串口：no-such-radar-port"), QStringLiteral("串口不存在")}));
        QVERIFY(!w.channel().port.isOpen());
        QCOMPARE(w.frameHeader, QByteArray(12, '\0'));
    }
};

RADAR_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
