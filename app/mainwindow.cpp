#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "activitylog.h"
#include "eventwait.h"
#include "frame.h"
#include "historywindow.h"
#include "portaccess.h"
#include "radarhistory.h"
#include "radarview.h"
#include "replaydata.h"
#include "replaypanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QLayout>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>

QMap<int, QString> MainWindow::deviceTypeNames = {
    {1, QObject::tr("通道预警雷达")},
    {2, QObject::tr("区域安全扫描雷达")},
    {3, QObject::tr("避障雷达")},
};

const QString MainWindow::indicatorStyleTemplate = QStringLiteral(
    "min-width: 60px; min-height: 60px;max-width:60px; max-height: 60px;border-radius: 30px; "
    "background: rgb(%1, %2, %3)");
const QColor MainWindow::indicatorOffColour = QColor(QStringLiteral("gray"));

static QColor opaque(QColor colour)
{
    colour.setAlpha(255);
    return colour;
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    Q_INIT_RESOURCE(resources);
    // The catalogues live in the library too; without this the linker leaves them out.
    Q_INIT_RESOURCE(language);
    ui->setupUi(this);
    setWindowTitle(QString(QChar(0x3000)));
    setPalette(QPalette(Qt::white));
    setAutoFillBackground(true);
    ui->comboBoxSerial->installEventFilter(this);
    connect(&serialChannel.port, &QSerialPort::errorOccurred, this, &MainWindow::handlePortError);
    setUpLog();
    ui->pushButtonDisconnect->hide();

    auto colourText = [](QWidget *label, const QColor &colour) {
        QPalette palette = label->palette();
        palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(colour, Qt::SolidPattern));
        label->setPalette(palette);
    };
    colourText(ui->labelSurvey, opaque(ui->graphicsView->detectionColour));
    colourText(ui->labelWarn, QColor(155, 155, 0));
    colourText(ui->labelAlarm, opaque(ui->graphicsView->alarmColour));

    pollTimer.setInterval(50);
    pollTimer.setSingleShot(true);
    connect(&pollTimer, &QTimer::timeout, this, &MainWindow::on_pushButton_clicked);
    ui->pushButton->hide();
    ui->pushButtonWatch->hide();

    clockTimer.setInterval(1000);
    connect(&clockTimer, &QTimer::timeout, this, &MainWindow::blinkIndicators);
    resetIndicators();

    ui->labelPic->hide();
    ui->frameLegend->hide();
    ui->comboBoxSurveyAngle->hide();

    // Right-click menus: the log can be written out, the plot saved as a picture.
    ui->listWidget->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui->listWidget->addAction(ui->actionExportLog);
    ui->graphicsView->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui->graphicsView->addAction(ui->actionSavePlotImage);

    setUpLinkHealth();
    setUpRecording();
    setUpReplay();
    setUpTripWindow();
    setUpCommissioning();
    applyRememberedLanguage();
    createUpdateDialog();

    // The lamps' names in a smaller type, so that each stays about as wide as its lamp.
    for (QLabel *caption : {ui->labelLEDAlarCaption, ui->labelLEDWarnCaption, ui->labelLEDSurvCaption}) {
        QFont font = caption->font();
        font.setPointSizeF(font.pointSizeF() * 0.8);
        caption->setFont(font);
    }
    keepThreeLogLinesInSight();

    // The minimum size counts only once the style has been applied (the lamps' size, the fonts).
    ensurePolished();
    if (QScreen *screen = this->screen())
        setGeometry(placementWithin(placementFor(screen->geometry().size()), screen->availableGeometry(),
                                    openingSize(screen->availableGeometry().size())));
}

MainWindow::~MainWindow()
{
    replay->load(nullptr);
    on_pushButtonDisconnect_clicked();
    delete ui;
}

namespace {
const char HideResultQueriesKey[] = "log/hideResultQueries";
// Long enough to be read after a glance away from the screen.
constexpr int NoticeMs = 6000;
} // namespace

void MainWindow::setUpLog()
{
    setLogTarget(ui->listWidget);
    connect(this, &MainWindow::printThread, this, [this](QString info) {
        appendLog(info);
        // A line the operator must act on would scroll away among the poll's lines at once: the
        // status bar holds it for a few seconds, beside the link's figures.
        const QString message = info.trimmed();
        if (needsOperator(message))
            statusBar()->showMessage(message, NoticeMs);
    });
    // The message takes the room left of the link's figures, which are cut short at their end
    // while it shows: the figures come back in full a moment later, the message would not.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString &message) {
        if (!statusLabel)
            return;
        const QFontMetrics metrics(statusBar()->font());
        // The status bar's own margins and its size grip take some of the width as well, and the
        // history's store keeps the least it shows.
        int taken = statusBar()->isSizeGripEnabled() ? style()->pixelMetric(QStyle::PM_SizeGripSize) : 0;
        if (historyStatusLabel && historyStatusLabel->isVisible())
            taken += historyStatusLabel->minimumSizeHint().width();
        const int room = statusBar()->width() - metrics.horizontalAdvance(message + QStringLiteral("    ")) - taken - 8;
        statusLabel->setMaximumWidth(message.isEmpty() ? QWIDGETSIZE_MAX : std::max(room, statusBar()->width() / 3));
    });
    logFilterBar = new LogFilterBar(ui->dockWidgetContents);
    ui->gridLayout_5->addWidget(logFilterBar, 1, 0);
    QCheckBox *hide = logFilterBar->hideResultQueries();
    hide->setChecked(QSettings(settingsFilePath(), QSettings::IniFormat).value(QLatin1String(HideResultQueriesKey), false).toBool());
    connect(hide, &QCheckBox::toggled, this, [](bool on) {
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        settings.setValue(QLatin1String(HideResultQueriesKey), on);
        settings.sync();
    });
}

QRect MainWindow::placementFor(const QSize &screen)
{
    const double w = screen.width();
    const double h = screen.height();
    return QRect(int(0.1 * w), int(0.15 * h), int(0.8 * w), int(0.7 * h));
}

QRect MainWindow::placementWithin(const QRect &wanted, const QRect &available, const QSize &minimum)
{
    const QSize size = wanted.size().expandedTo(minimum).boundedTo(available.size());
    const int x = qBound(available.left(), wanted.left(), available.left() + available.width() - size.width());
    const int y = qBound(available.top(), wanted.top(), available.top() + available.height() - size.height());
    return QRect(QPoint(x, y), size);
}

void MainWindow::prepareHighDpi()
{
    // Qt 6 always scales and always takes the @2x pictures; there the two switches are gone.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
}

void MainWindow::applyProgramFont()
{
    QFont font = QApplication::font();
    font.setPointSize(15);
    QApplication::setFont(font);
}

QSize MainWindow::openingSize(const QSize &available)
{
    // The placement's share of a large screen is kept as it is; on a screen where that share
    // falls short of a laptop-sized window, the window opens at that size, as far as it fits.
    // Where the screen has the height, the window also takes what the scene group needs to show
    // whole, without scrolling.
    const QSize least = minimumSizeHint().expandedTo(comfortableSize);
    return least.expandedTo(QSize(0, qMin(heightShowingWholeScene(least), available.height())));
}

int MainWindow::heightShowingWholeScene(const QSize &from)
{
    // Laid out at the given size, the window needs as much more height as the scene group's
    // values lack in its frame.
    resize(from);
    layout()->activate();
    const QScrollArea *scroll = ui->scrollAreaScene;
    return height() + qMax(0, scroll->widget()->sizeHint().height() - scroll->viewport()->height());
}

void MainWindow::keepWithinScreen()
{
    // A radar's picture and legend, or longer texts, widen the form; a shown window that grew past
    // the screen's edge moves back, as long as the screen can hold it at all.
    QScreen *screen = this->screen();
    if (!isVisible() || !screen)
        return;
    layout()->activate();
    const QRect available = screen->availableGeometry();
    if (width() <= available.width() && height() <= available.height())
        setGeometry(placementWithin(geometry(), available, size()));
}

void MainWindow::keepThreeLogLinesInSight()
{
    // The height of one line as this style draws it, measured on a line of the log's own kind
    // in a list that is never shown.
    QListWidget *list = ui->listWidget;
    QListWidget probe;
    probe.setFont(list->font());
    probe.addItem(QStringLiteral("[00:00:00]: 0"));
    const int line = probe.sizeHintForRow(0);
    // Long replies bring up the sideways scroll bar, which must not cover the third line.
    const int bar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list->horizontalScrollBar());
    list->setMinimumHeight(3 * line + bar + 2 * list->frameWidth());
    // It opens a line taller than that; the rest of the height goes to the scene and the plot.
    resizeDocks({ui->dockWidget}, {ui->dockWidget->minimumSizeHint().height() + line}, Qt::Vertical);
}

void MainWindow::setUnattended(bool on)
{
    unattended = on;
    // Only for this run: radar-config.ini keeps the operator's setting.
    if (on)
        recordingOn = false;
}

void MainWindow::showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    if (unattended) {
        emit unattendedText(UnattendedText::Message, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool MainWindow::askYesNo(QWidget *parent, const QString &title, const QString &text,
                          QMessageBox::StandardButton defaultButton)
{
    if (unattended) {
        emit unattendedText(UnattendedText::Question, text);
        return true;
    }
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultButton);
    return box.exec() == QMessageBox::Yes;
}

void MainWindow::delayWithEvents(int ms)
{
    eventwait::delay(ms);
}

bool MainWindow::eventFilter(QObject *obj, QEvent *event)
{
    // A greyed box belongs to a connection: a click on it must neither probe the ports (ours among
    // them) nor put another name in it.
    if (obj == ui->comboBoxSerial && event->type() == QEvent::MouseButtonPress && ui->comboBoxSerial->isEnabled()
        && !serialChannel.port.isOpen())
        refreshPortList();
    return QMainWindow::eventFilter(obj, event);
}

void MainWindow::refreshPortList()
{
    QStringList names;
    const QList<radarlink::PortEntry> ports = portLister();
    for (const radarlink::PortEntry &entry : ports) {
        QSerialPort probe;
        probe.setPortName(entry.systemLocation);
        if (probe.open(QIODevice::ReadWrite)) {
            names << entry.name;
            probe.close();
        } else {
            emit printThread(tr("串口%1不可用，未列出：%2")
                                 .arg(entry.name, radarlink::portOpenFailureText(probe.error(), entry.systemLocation)));
        }
    }
    // The port the box names stays named, listed or not: the list is there to choose from, and a
    // refresh must not choose for the operator.
    const QString chosen = ui->comboBoxSerial->currentText();
    ui->comboBoxSerial->clear();
    ui->comboBoxSerial->addItems(names);
    if (!chosen.isEmpty())
        ui->comboBoxSerial->setEditText(chosen);
}

bool MainWindow::openRadarPort()
{
    return openPortNamed(ui->comboBoxSerial->currentText(), false);
}

bool MainWindow::openPortNamed(const QString &name, bool automatic)
{
    QSerialPort &port = serialChannel.port;
    port.setPortName(name);
    port.setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.clearError();
    if (!port.open(QIODevice::ReadWrite)) {
        // The watch tries once a second; a port that is there but not yet usable stays quiet.
        // The name as the operator gave it: QSerialPort drops the /dev/ of a path.
        if (!automatic) {
            emit printThread(tr("无法打开串口：") + name + QLatin1Char('\n'));
            emit printThread(radarlink::portOpenFailureText(port.error(), name));
        }
        return false;
    }
    if (automatic)
        emit printThread(tr("串口已恢复，重新连接：") + port.portName());
    connectedAdapter = radarlink::portEntryFor(portLister(), name);
    // Replies then arrive without the driver's batching delay; a refusal changes nothing.
    requestLowLatency(int(port.handle()));
    emit printThread(tr("串口成功连接：") + port.portName() + QLatin1Char('\n'));
    frameHeader = radarlink::connectHeader();
    stationNumber = 255;
    ++connectionId;
    // A reconnect resumes the connection: its figures and their clock run on.
    linkStats.startConnection(automatic);
    startRecording(automatic);
    if (!automatic || !connectionClock.isValid())
        connectionClock.start();
    startLiveCounts(automatic);
    statusTimer.start();
    refreshLinkStatus();
    return true;
}

void MainWindow::setLamp(QLabel *lamp, const QColor &colour)
{
    lamp->setStyleSheet(indicatorStyleTemplate.arg(colour.red()).arg(colour.green()).arg(colour.blue()));
}

void MainWindow::resetIndicators()
{
    inAlarm = false;
    inWarn = false;
    inSurvey = false;
    clockTimer.stop();
    setLamp(ui->labelLEDAlar, indicatorOffColour);
    setLamp(ui->labelLEDWarn, indicatorOffColour);
    setLamp(ui->labelLEDSurv, indicatorOffColour);
}

void MainWindow::blinkIndicators()
{
    const RadarView *view = ui->graphicsView;
    setLamp(ui->labelLEDAlar, inAlarm ? view->alarmColour : indicatorOffColour);
    setLamp(ui->labelLEDWarn, inWarn ? view->warningColour : indicatorOffColour);
    setLamp(ui->labelLEDSurv, inSurvey ? view->detectionColour : indicatorOffColour);
    delayWithEvents(800);
    setLamp(ui->labelLEDAlar, indicatorOffColour);
    setLamp(ui->labelLEDWarn, indicatorOffColour);
    setLamp(ui->labelLEDSurv, indicatorOffColour);
}

QString MainWindow::serialNumberText() const
{
    return serialNumberOf(serialWord1, serialWord2, serialByte3);
}

QString MainWindow::serialNumberOf(quint16 serialWord1, quint16 serialWord2, quint8 serialByte3)
{
    return QStringLiteral("%1%2%3")
        .arg(serialWord1, 4, 16, QLatin1Char('0'))
        .arg(serialWord2, 4, 16, QLatin1Char('0'))
        .arg(serialByte3, 4, 16, QLatin1Char('0'));
}

void MainWindow::refreshDeviceTexts()
{
    QCoreApplication::installTranslator(&translator);
    ui->retranslateUi(this);
    retranslateLinkHealth();
    retranslateRecording();
    retranslateReplay();
    retranslateTripWindow();
    // Re-texting the legend labels took their pictures away; the next paint draws them again,
    // even when the names read as before.
    for (QLabel *legend : {ui->label_legend1, ui->label_legend2, ui->label_legend3, ui->label_legend4})
        legend->setProperty("legendKey", QVariant());
    update();
    deviceTypeNames = {
        {1, QObject::tr("通道预警雷达")},
        {2, QObject::tr("区域安全扫描雷达")},
        {3, QObject::tr("避障雷达")},
    };
    ui->labelDevType->setText(tr("设备类型：") + deviceTypeNames.value(deviceType));
    ui->labelID->setText(serialNumberText());
    if (identityPending)
        showIdentityPending();
    refreshFingerprint();
    refreshHistoryStatus();
    keepWithinScreen();

    QComboBox *types = ui->comboBoxTargetType;
    const int kept = types->currentIndex();
    if (deviceType == 1) {
        types->setVisible(true);
        types->clear();
        types->addItem(tr("不筛选目标"), 0);
        types->addItem(tr("行人"), 1);
        types->addItem(tr("车辆"), 2);
    } else if (deviceType == 2 || deviceType == 3) {
        types->setVisible(true);
        types->clear();
        types->addItem(tr("不筛选目标"), 0);
        types->addItem(tr("静目标"), 3);
        types->addItem(tr("动目标"), 4);
    } else {
        return;
    }
    types->setCurrentIndex(kept);
}

void MainWindow::applyQtTexts(bool chinese)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    const QString folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
    QCoreApplication::removeTranslator(&qtTranslator);
    // Without Qt's catalogue installed on the machine its buttons stay English: nothing to report.
    if (chinese && (!qtTranslator.isEmpty() || qtTranslator.load(QStringLiteral("qtbase_zh_CN"), folder)))
        QCoreApplication::installTranslator(&qtTranslator);
}

void MainWindow::switchLanguage(const QString &catalogue, const QByteArray &tag)
{
    // A catalogue that fails to load leaves the texts as they are: nothing to report.
    static_cast<void>(translator.load(catalogue));
    refreshDeviceTexts();
    applyQtTexts(tag != "lang_en");
    QFile file(QStringLiteral("lang.cfg"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(tag);
        file.close();
    }
}

void MainWindow::applyRememberedLanguage()
{
    QFile file(QStringLiteral("lang.cfg"));
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        applyQtTexts(true);
        return;
    }
    QByteArray content = file.readAll();
    file.close();
    const int zero = content.indexOf('\0');
    if (zero >= 0)
        content.truncate(zero);
    if (QString::fromUtf8(content).contains(QLatin1String("lang_en")))
        on_action_English_triggered();
    else
        applyQtTexts(true);
}

void MainWindow::on_action_Chinese_triggered()
{
    switchLanguage(QStringLiteral(":/res/language/lang_zh_CN.qm"), "lang_zh_CN");
}

void MainWindow::on_action_English_triggered()
{
    switchLanguage(QStringLiteral(":/res/language/lang_en.qm"), "lang_en");
}

void MainWindow::on_spinBoxSurveyNear_valueChanged(double arg1)
{
    ui->spinBoxAlarmNear->setValue(arg1);
}

void MainWindow::on_spinBoxAlarmFar_valueChanged(double arg1)
{
    ui->spinBoxWarnNear->setValue(arg1);
    if (deviceType == 1)
        ui->spinBoxWarnFar->setValue(arg1);
}

// The boundary boxes only take the operator's value; it goes to the radar with the scene.
void MainWindow::on_spinBoxLeft_valueChanged(double) {}
void MainWindow::on_spinBoxRight_valueChanged(double) {}

void MainWindow::on_checkBoxSelect_toggled(bool checked)
{
    ui->graphicsView->selectMode = checked;
    ui->graphicsView->redrawScene();
}

void MainWindow::on_checkBoxTrack_toggled(bool checked)
{
    ui->graphicsView->showTrack = checked;
    ui->graphicsView->redrawScene();
}

void MainWindow::on_pushButtonWatch_toggled(bool checked)
{
    ui->graphicsView->showDetectionArea = checked;
    ui->graphicsView->redrawScene();
}

void MainWindow::on_comboBoxGrid_currentTextChanged(const QString &arg1)
{
    ui->graphicsView->setGridEdgeText(arg1);
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    QMainWindow::paintEvent(event);
    QLabel *const labels[] = {ui->label_legend1, ui->label_legend2, ui->label_legend3, ui->label_legend4};
    const QString names[] = {tr("行人"), tr("车辆"), tr("静目标"), tr("动目标")};
    for (int kind = 0; kind < 4; ++kind) {
        // Setting a label's picture schedules another paint; only a changed picture is set,
        // so painting never feeds itself.
        const QString key = names[kind] + labels[kind]->font().key();
        if (labels[kind]->property("legendKey").toString() == key)
            continue;
        labels[kind]->setProperty("legendKey", key);
        labels[kind]->setPixmap(RadarView::legendPicture(kind, names[kind], labels[kind]->font()));
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
}
