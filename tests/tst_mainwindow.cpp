// The main window as the operator first sees it: the controls and their ranges, what is
// hidden, the lamps, where the window lands on the screen and whether it fits a laptop's. The
// menus and the language are tst_language's; the factory scene is pinned by tst_session.
#include "activitylog.h"
#include "sessionfixture.h"

#include <QScreen>
#include <QStatusBar>

// What is left of a 1366 x 768 panel, or of a 1920 x 1080 one at 150 %, once the desktop's
// panel and the window's frame are taken off.
static const QSize laptopWindow(1280, 680);

class TestMainWindow : public SessionFixture
{
    Q_OBJECT

    static QString rectText(const QRect &r)
    {
        return QString("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    static bool hasIdeograph(const QString &text) { return text.contains(QRegularExpression("[\\x{4E00}-\\x{9FFF}]")); }

    // Shown, not squeezed below the size it needs, and not cut by anything it sits in: the
    // window, a group, the dock. Inside the scene group's scroll area it is first scrolled to,
    // as the operator would.
    void verifyInSight(QWidget *widget)
    {
        const QString name = widget->objectName();
        QVERIFY2(widget->isVisible(), qPrintable(name + " hidden"));
        const QSize needed = widget->minimumSizeHint();
        QVERIFY2(widget->width() >= needed.width() && widget->height() >= needed.height(),
                 qPrintable(QString("%1 is %2 x %3, needs %4 x %5").arg(name).arg(widget->width()).arg(widget->height())
                                .arg(needed.width()).arg(needed.height())));
        QScrollArea *scene = w().findChild<QScrollArea *>();
        if (scene && scene->widget()->isAncestorOf(widget)) {
            // Scrolled just far enough to bring all of it into view, from above or from below.
            QScrollBar *bar = scene->verticalScrollBar();
            const int top = widget->mapTo(scene->widget(), QPoint(0, 0)).y();
            const int bottom = top + widget->height();
            if (top < bar->value())
                bar->setValue(top);
            else if (bottom > bar->value() + scene->viewport()->height())
                bar->setValue(bottom - scene->viewport()->height());
            QCoreApplication::processEvents();
        }
        for (QWidget *holder = widget->parentWidget(); holder; holder = holder->parentWidget()) {
            const QRect inHolder(widget->mapTo(holder, QPoint(0, 0)), widget->size());
            QVERIFY2(holder->rect().contains(inHolder),
                     qPrintable(QString("%1 %2 outside %3 %4").arg(name, rectText(inHolder), holder->objectName(), rectText(holder->rect()))));
            if (holder == &w())
                break;
        }
    }

private slots:
    void initTestCase()
    {
        installWarningGuard();
        MainWindow::applyProgramFont();
    }
    void cleanup()
    {
        endSession();
        QFile::remove(QStringLiteral("lang.cfg"));   // the next window opens in Chinese again
    }

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

        // What the operator may type in the scene group and where the boxes stop.
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
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("window"); // for a window whose least size is a laptop's
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QRect(0, 0, 1920, 1080) << QRect(192, 162, 1536, 756);
        // 0.7 * 1440 lies just below 1008 in double precision and is truncated.
        QTest::newRow("2560x1440") << QSize(2560, 1440) << QRect(0, 0, 2560, 1440) << QRect(256, 216, 2048, 1007);
        QTest::newRow("1920x1080 under a top panel") << QSize(1920, 1080) << QRect(0, 32, 1920, 1048) << QRect(192, 162, 1536, 756);
        // Smaller screens: the window keeps its minimum size and moves so that all of it is on
        // the screen, clear of the panel.
        QTest::newRow("1366x768 above a bottom panel") << QSize(1366, 768) << QRect(0, 0, 1366, 740) << QRect(86, 60, 1280, 680);
        QTest::newRow("1280x720 under a top panel") << QSize(1280, 720) << QRect(0, 32, 1280, 688) << QRect(0, 40, 1280, 680);
        QTest::newRow("1600x972: smallest that takes the rule") << QSize(1600, 972) << QRect(0, 0, 1600, 972)
                                                                << QRect(160, 145, 1280, 680);
        // A screen too small even for the minimum: the window fills what there is, from its corner.
        QTest::newRow("800x600") << QSize(800, 600) << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600);
        // A second screen to the right of the first: the window opens on it, not across the seam.
        QTest::newRow("second screen") << QSize(1920, 1080) << QRect(1920, 0, 1920, 1080) << QRect(1920, 162, 1536, 756);
    }
    void placement()
    {
        QFETCH(QSize, screen);
        QFETCH(QRect, available);
        QFETCH(QRect, window);
        QCOMPARE(MainWindow::placementWithin(MainWindow::placementFor(screen), available, laptopWindow), window);
    }

    // And a window opens on its own screen: along each direction in which its minimum size fits
    // there, all of it is on the free area; along one in which it does not, it starts at the
    // area's edge, where the menus and the connect button are.
    void opensOnItsScreen()
    {
        MainWindow w;
        const QRect available = w.screen()->availableGeometry();
        const QRect window = w.geometry();
        const QSize minimum = w.minimumSizeHint();
        QVERIFY(minimum.width() > 0 && minimum.height() > 0);
        const QString where = rectText(window) + " on " + rectText(available);
        if (minimum.width() <= available.width())
            QVERIFY2(window.left() >= available.left() && window.right() <= available.right()
                         && window.width() >= minimum.width(), qPrintable(where));
        else
            QCOMPARE(window.left(), available.left());
        if (minimum.height() <= available.height())
            QVERIFY2(window.top() >= available.top() && window.bottom() <= available.bottom()
                         && window.height() >= minimum.height(), qPrintable(where));
        else
            QCOMPARE(window.top(), available.top());
    }

    // The window at 1280 x 680, and squeezed to its least size, in either language, idle and
    // with each kind of radar: the lamps under their captions, the buttons the operator presses
    // and three lines of the log are on the window, whole; the scene group's at least after
    // scrolling the group. The plot takes what is left.
    void fitsALaptopScreen_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<int>("deviceType");   // 0: no radar connected
        for (bool english : {false, true})
            for (int type : {0, 1, 2, 3})
                QTest::newRow(qPrintable(QString("%1, %2").arg(english ? "English" : "Chinese",
                                                              type ? QString("type %1").arg(type) : QString("idle"))))
                    << english << type;
    }
    void fitsALaptopScreen()
    {
        QFETCH(bool, english);
        QFETCH(int, deviceType);
        startSession();
        if (english)
            ui()->action_English->trigger();
        if (deviceType) {
            sim::Identity identity;
            identity.deviceType = quint8(deviceType);
            radar->setIdentity(identity);
            radar->setTargets(0);
            pressConnect();
            QVERIFY2(isWatching(), qPrintable(log().join('\n')));
            QVERIFY(!ui()->labelPic->isHidden());
        }
        for (int i = log().size(); i < 3; ++i)
            appendLog(QStringLiteral("line %1").arg(i));
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        const QSize minimum = w().minimumSizeHint().expandedTo(w().minimumSize());
        QVERIFY2(minimum.width() <= laptopWindow.width() && minimum.height() < laptopWindow.height(),
                 qPrintable(QString("minimum %1 x %2").arg(minimum.width()).arg(minimum.height())));

        const QList<QLabel *> lamps{ui()->labelLEDAlar, ui()->labelLEDWarn, ui()->labelLEDSurv};
        const QList<QLabel *> captions{ui()->labelLEDAlarCaption, ui()->labelLEDWarnCaption, ui()->labelLEDSurvCaption};
        const QStringList captionTexts = english ? QStringList{"Alarm", "Warning", "Detection"} : QStringList{"报警", "预警", "探测"};
        QListWidget *list = ui()->listWidget;
        for (const bool squeezed : {false, true}) {
            w().resize(squeezed ? QSize(1, 1) : laptopWindow);   // squeezed, it is held at its minimum
            if (!squeezed)
                QTRY_COMPARE(w().size(), laptopWindow);
            QCoreApplication::processEvents();
            QVERIFY2(w().width() <= laptopWindow.width() && w().height() <= laptopWindow.height(),
                     qPrintable(QString("%1 x %2").arg(w().width()).arg(w().height())));
            for (int i = 0; i < 3; ++i) {
                QLabel *lamp = lamps[i], *caption = captions[i];
                QCOMPARE(lamp->size(), QSize(60, 60));
                QVERIFY(lamp->styleSheet().contains(QStringLiteral("border-radius: 30px")));
                QCOMPARE(caption->text(), captionTexts[i]);
                verifyInSight(lamp);
                verifyInSight(caption);
                QVERIFY(caption->width() >= caption->fontMetrics().horizontalAdvance(caption->text()));
                // Beneath its own lamp, centred on it; both tell the same, in the window's language.
                const QRect lampRect(lamp->mapTo(&w(), QPoint(0, 0)), lamp->size());
                const QRect captionRect(caption->mapTo(&w(), QPoint(0, 0)), caption->size());
                QVERIFY2(captionRect.top() >= lampRect.bottom(), qPrintable(rectText(lampRect) + " " + rectText(captionRect)));
                QVERIFY(qAbs(captionRect.center().x() - lampRect.center().x()) <= 1);
                QVERIFY(!lamp->toolTip().isEmpty() && lamp->toolTip() == caption->toolTip());
                QVERIFY(lamp->toolTip() != lamps[(i + 1) % 3]->toolTip());
                QCOMPARE(hasIdeograph(lamp->toolTip()), !english);
            }
            for (QWidget *needed : QList<QWidget *>{ui()->pushButtonSendPar, ui()->pushButtonSaveConfig, list,
                                                    deviceType ? ui()->pushButtonDisconnect : ui()->pushButtonConnect})
                verifyInSight(needed);
            // The commands never scroll away with the scene group's values.
            for (QWidget *command : QList<QWidget *>{ui()->pushButtonSendPar, ui()->pushButtonSaveConfig, ui()->checkBoxSelect,
                                                     ui()->checkBoxTrack, ui()->checkBoxHeatMap}) {
                QVERIFY2(!ui()->scrollAreaScene->isAncestorOf(command), qPrintable(command->objectName()));
                verifyInSight(command);
            }
            list->scrollToTop();
            const QRect third = list->visualItemRect(list->item(2));
            QVERIFY2(third.top() >= 0 && third.bottom() <= list->viewport()->rect().bottom(),
                     qPrintable(rectText(third) + " in " + rectText(list->viewport()->rect())));
            if (squeezed)
                break;

            for (QWidget *needed : QList<QWidget *>{ui()->comboBoxSerial, ui()->labelDevType, ui()->labelID,
                                                    ui()->labelModbusId, ui()->toolButtonModbusId, ui()->spinBoxSurveyFar})
                verifyInSight(needed);
            // The device type: whole in Chinese; in English it may be cut short, and then its
            // tooltip tells it in full.
            ElidingLabel *type = dynamic_cast<ElidingLabel *>(ui()->labelDevType);
            QVERIFY2(type && (english || !type->isCut()), qPrintable(ui()->labelDevType->text()));
            if (type->isCut()) {
                QVERIFY(type->shownText().endsWith(QChar(0x2026)));
                QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), type->mapToGlobal(QPoint(5, 5)));
                QApplication::sendEvent(type, &help);
                QTRY_COMPARE(QToolTip::text(), type->text());
            }
            // The link's figures stand whole in the status bar once no message shows, or the
            // history's store has given way to them down to its least.
            if (deviceType) {
                w().statusBar()->clearMessage();
                QCoreApplication::processEvents();
                QLabel *figures = w().linkStatusLabel();
                auto *store = dynamic_cast<ElidingLabel *>(w().findChild<QLabel *>("labelHistoryStore"));
                QVERIFY(store && store->isVisible());
                QVERIFY2(figures->width() >= figures->fontMetrics().horizontalAdvance(figures->text())
                             || store->width() <= store->minimumSizeHint().width(),
                         qPrintable(QString("%1 %2 %3").arg(figures->width()).arg(store->width()).arg(store->minimumSizeHint().width())));
            }
            // And the plot takes what is left: it stays the largest thing on the window.
            const QSize plot = ui()->graphicsView->size();
            QVERIFY2(plot.width() >= laptopWindow.width() / 3 && plot.height() >= laptopWindow.height() / 3,
                     qPrintable(QString("plot %1 x %2").arg(plot.width()).arg(plot.height())));
        }
        // Given the height it asks for, which a 1920 x 1080 screen has, the scene group shows every
        // value without scrolling.
        const int whole = w().heightShowingWholeScene(QSize(1536, 756));
        QVERIFY2(whole <= 1000, qPrintable(QString::number(whole)));
        w().resize(1536, whole);
        QCoreApplication::processEvents();
        QCOMPARE(ui()->scrollAreaScene->verticalScrollBar()->maximum(), 0);
    }
    // A device-type line squeezed to its least width ends in "…", and hovering over it shows the
    // whole line; given its full width it shows all and offers no tooltip.
    void deviceTypeCutShortTellsAllInItsTooltip()
    {
        ElidingLabel label;
        label.setText(QStringLiteral("Device Type: Channel Early-warning Radar"));
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        label.resize(label.minimumSizeHint());
        QVERIFY(label.minimumSizeHint().width() < label.sizeHint().width());
        QVERIFY(label.isCut());
        QVERIFY(label.shownText().startsWith(QStringLiteral("Device Type: ")) && label.shownText().endsWith(QChar(0x2026)));
        QVERIFY(label.fontMetrics().horizontalAdvance(label.shownText()) <= label.contentsRect().width());
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), label.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&label, &help);
        QTRY_COMPARE(QToolTip::text(), label.text());

        QToolTip::hideText();
        label.resize(label.sizeHint());
        QVERIFY(!label.isCut());
        QApplication::sendEvent(&label, &help);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    // A port that cannot be opened says so, and why, and leaves the header untouched.
    void missingPortFailsWithItsLine()
    {
        MainWindow w;
        w.ui->comboBoxSerial->setEditText(QStringLiteral("/dev/no-such-radar-port"));
        QVERIFY(!w.openRadarPort());
        QCOMPARE(logLines(w.ui->listWidget),
                 (QStringList{QStringLiteral("无法打开串口：/dev/no-such-radar-port"), QStringLiteral("串口不存在")}));
        QVERIFY(!w.channel().port.isOpen());
        QCOMPARE(w.frameHeader, QByteArray(12, '\0'));
    }
};

RADAR_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
