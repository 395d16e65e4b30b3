// The link's health for the operator: reconnecting by itself when the line is lost (a USB
// adapter pulled and plugged back, a radar power-cycled), the link's figures in the status bar
// and in a window of their own, and the setting that switches the reconnecting off.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "portaccess.h"
#include "radarview.h"
#include "replaydata.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QVBoxLayout>

using namespace radarlink;

namespace {
constexpr int WatchIntervalMs = 1000;
// The figures are read by a person: twice a second is as often as they can follow.
constexpr int StatusRefreshMs = 500;

const char AutoReconnectKey[] = "link/autoReconnect";

QString settingsPath()
{
    return MainWindow::settingsFilePath();
}

// A command as the log names it (its request's prefix without the colon), with its code.
QString commandName(quint16 key)
{
    const int code = key >> 8;
    const int sub = key & 0xff;
    QString hex = QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
    if (code == 0x06)
        hex += QStringLiteral("/%1").arg(sub, 2, 16, QLatin1Char('0'));
    int count = 0;
    const RadarCommand *const *commands = RadarCommands::all(&count);
    for (int i = 0; i < count; ++i) {
        if (commands[i]->code != code || (code == 0x06 && commands[i]->subCommand != sub))
            continue;
        QString name = commands[i]->request().trimmed();
        while (name.endsWith(QChar(0xFF1A)) || name.endsWith(QLatin1Char(':')))
            name.chop(1);
        return QStringLiteral("%1 (%2)").arg(name.trimmed(), hex);
    }
    return hex;
}
} // namespace

// Every setting but the language lives in one file beside lang.cfg.
QString MainWindow::settingsFilePath()
{
    return QDir::current().absoluteFilePath(QStringLiteral("radar-config.ini"));
}

void MainWindow::setUpLinkHealth()
{
    autoReconnect = QSettings(settingsPath(), QSettings::IniFormat).value(QLatin1String(AutoReconnectKey), true).toBool();

    actionAutoReconnect = new QAction(this);
    actionAutoReconnect->setObjectName(QStringLiteral("actionAutoReconnect"));
    actionAutoReconnect->setCheckable(true);
    actionAutoReconnect->setChecked(autoReconnect);
    connect(actionAutoReconnect, &QAction::toggled, this, &MainWindow::setAutoReconnect);
    ui->menu_2->addAction(actionAutoReconnect);

    actionLinkStatistics = new QAction(this);
    actionLinkStatistics->setObjectName(QStringLiteral("actionLinkStatistics"));
    connect(actionLinkStatistics, &QAction::triggered, this, &MainWindow::showLinkStatistics);
    ui->menu->addAction(actionLinkStatistics);

    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("labelLinkStatus"));
    // Permanent: the operator's messages shown in the status bar leave it in sight.
    statusBar()->addPermanentWidget(statusLabel);
    statusTimer.setInterval(StatusRefreshMs);
    connect(&statusTimer, &QTimer::timeout, this, &MainWindow::refreshLinkStatus);

    watchTimer.setInterval(WatchIntervalMs);
    connect(&watchTimer, &QTimer::timeout, this, &MainWindow::checkWatchedPort);
    // Another port chosen or typed while waiting: the operator has moved on.
    const auto otherPortChosen = [this] {
        if (isWaitingForPort() && ui->comboBoxSerial->currentText() != watchedPort) {
            endPortWatch();
            ui->pushButtonDisconnect->hide();
        }
    };
    connect(ui->comboBoxSerial, QOverload<int>::of(&QComboBox::activated), this, otherPortChosen);
    if (QLineEdit *edit = ui->comboBoxSerial->lineEdit())
        connect(edit, &QLineEdit::textEdited, this, otherPortChosen);

    retranslateLinkHealth();
}

void MainWindow::retranslateLinkHealth()
{
    actionAutoReconnect->setText(tr("自动重连"));
    actionLinkStatistics->setText(tr("链路统计"));
    if (isWaitingForPort())
        ui->graphicsView->setWaitingText(tr("等待串口恢复"));
    if (statisticsWindow)
        statisticsWindow->setWindowTitle(tr("链路统计"));
    refreshLinkStatus();
}

void MainWindow::setAutoReconnect(bool on)
{
    autoReconnect = on;
    if (actionAutoReconnect->isChecked() != on)
        actionAutoReconnect->setChecked(on);
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(QLatin1String(AutoReconnectKey), on);
    settings.sync();
    if (!on && isWaitingForPort()) {
        endPortWatch();
        ui->pushButtonDisconnect->hide();
    }
}

void MainWindow::connectAtStart(const QString &portName)
{
    ui->comboBoxSerial->setEditText(portName);
    QTimer::singleShot(0, this, [this] { ui->pushButtonConnect->click(); });
}

void MainWindow::startPortWatch(const QString &name)
{
    watchedPort = name;
    watchedAdapter = connectedAdapter;
    // The radar of the lost connection is the one to find again, however often the watch
    // starts over before it answers.
    if (!awaitedRadar.known)
        awaitedRadar = currentIdentity();
    emit printThread(tr("等待串口恢复：") + name);
    ui->graphicsView->setWaitingText(tr("等待串口恢复"));
    // "断开" stays to end the waiting; "连接" is there for another port.
    ui->pushButtonDisconnect->show();
    watchTimer.start();
    statusTimer.start();
    refreshLinkStatus();
}

void MainWindow::endPortWatch()
{
    if (!watchTimer.isActive())
        return;
    recordingThroughDrop = false;
    stopRecordingUnlessResuming();
    watchTimer.stop();
    watchedPort.clear();
    watchedAdapter = PortEntry();
    awaitedRadar = RadarIdentity();
    radarSceneKnown = false;
    showPlotLive();
    statusTimer.stop();
    refreshLinkStatus();
}

// The wait is over, one way or the other: the greyed frames of the lost line go.
void MainWindow::showPlotLive()
{
    RadarView *view = ui->graphicsView;
    view->setWaitingText(QString());
    view->clearHistory();
    view->redrawScene();
}

QString MainWindow::returnedPortName() const
{
    const QList<PortEntry> ports = portLister();
    for (const PortEntry &entry : ports)
        if (entry.name == watchedPort || entry.systemLocation == watchedPort)
            return watchedPort;
    // A path typed by the operator (a symlink to the adapter, say) is not in the system's list.
    if (QFileInfo::exists(deviceFileOf(watchedPort)))
        return watchedPort;
    return returnedAdapterPort(ports, watchedAdapter);
}

void MainWindow::checkWatchedPort()
{
    const QString name = returnedPortName();
    if (name.isEmpty() || !openPortNamed(name, true))
        return;
    watchTimer.stop();
    watchedPort.clear();
    showPlotLive();
    if (ui->comboBoxSerial->currentText() != name)
        ui->comboBoxSerial->setEditText(name);
    resumable = true;
    showConnecting();
    readBackAndPoll(true);
}

QString MainWindow::linkStatusText() const
{
    // The counts run on through a reconnect: the time-outs that preceded a drop stay in sight.
    const QString counts = tr("超时：%1    错误回复：%2    重连：%3")
                               .arg(linkStats.timeouts())
                               .arg(linkStats.badReplies())
                               .arg(linkStats.reconnects());
    if (isWaitingForPort())
        return tr("等待串口恢复：") + watchedPort + QStringLiteral("    ") + counts;
    if (inReplay())
        return tr("回放记录：%1").arg(QFileInfo(replayData->path()).fileName());
    if (!serialChannel.port.isOpen())
        return tr("未连接");
    if (loaderWaiting())
        return tr("雷达在升级程序中等待：%1").arg(serialChannel.port.portName());
    const double median = linkStats.medianReplyMs();
    return tr("串口：%1    轮询：%2 次/秒    回复时间：%3 ms")
               .arg(serialChannel.port.portName())
               .arg(linkStats.pollsPerSecond(connectionClock.elapsed()), 0, 'f', 1)
               .arg(median < 0 ? QStringLiteral("-") : QString::number(median, 'f', 0))
        + QStringLiteral("    ") + counts;
}

QString MainWindow::linkStatisticsText() const
{
    QStringList lines;
    lines << linkStatusText();
    lines << tr("请求/回复（按命令）：");
    const auto &commands = linkStats.perCommand();
    for (auto it = commands.begin(); it != commands.end(); ++it)
        lines << QStringLiteral("  %1: %2/%3").arg(commandName(it.key())).arg(it->requests).arg(it->replies);
    lines << tr("超时：%1").arg(linkStats.timeouts());
    lines << tr("同步字错误：%1").arg(linkStats.wrongSync());
    lines << tr("回复过短：%1").arg(linkStats.shortReplies());
    lines << tr("回复不完整：%1").arg(linkStats.incomplete());
    lines << tr("发送字节：%1").arg(linkStats.bytesSent());
    lines << tr("接收字节：%1").arg(linkStats.bytesReceived());
    lines << tr("最长回复时间：%1 ms").arg(linkStats.longestReplyMs());
    lines << tr("自动重连次数：%1").arg(linkStats.reconnects());
    return lines.join(QLatin1Char('\n'));
}

void MainWindow::refreshLinkStatus()
{
    if (!statusLabel)
        return;
    statusLabel->setText(linkStatusText());
    const QString all = linkStatisticsText();
    statusLabel->setToolTip(all);
    if (statisticsWindow && statisticsWindow->isVisible())
        statisticsText->setText(all);
}

void MainWindow::showLinkStatistics()
{
    if (!statisticsWindow) {
        statisticsWindow = new QDialog(this);
        statisticsWindow->setObjectName(QStringLiteral("dialogLinkStatistics"));
        statisticsWindow->setWindowTitle(tr("链路统计"));
        statisticsText = new QLabel;
        statisticsText->setTextInteractionFlags(Qt::TextSelectableByMouse);
        statisticsText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // A long list of commands scrolls inside the window instead of growing it off the screen.
        auto *scroll = new QScrollArea(statisticsWindow);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(statisticsText);
        auto *layout = new QVBoxLayout(statisticsWindow);
        layout->addWidget(scroll);
    }
    // The figures are in before the window is sized and placed, so it does not grow afterwards.
    refreshLinkStatus();
    statisticsText->setText(linkStatisticsText());
    statisticsText->adjustSize();
    QSize wanted = statisticsText->sizeHint() + QSize(48, 48);
    if (QScreen *screen = this->screen()) {
        const QRect free = screen->availableGeometry();
        wanted = wanted.boundedTo(QSize(free.width() * 9 / 10, free.height() * 8 / 10));
        statisticsWindow->resize(wanted);
        statisticsWindow->setGeometry(placementWithin(QRect(statisticsWindow->geometry().topLeft(), wanted), free, wanted));
    } else {
        statisticsWindow->resize(wanted);
    }
    statisticsWindow->show();
    statisticsWindow->raise();
}
