// The two maintenance tools of the "帮助" menu: the firmware upgrade (the upgrade command and
// the result of a run of DialogUpdate) and data sampling (DialogGetData on the radar's port).
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "dialoggetdata.h"
#include "dialogupdate.h"
#include "frame.h"
#include "radarview.h"
#include "radarhistory.h"
#include "upgradeprotocol.h"

#include <QDir>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>

using namespace radarlink;
namespace C = RadarCommands;

namespace {

constexpr int PreparationSteps = 5;
constexpr int PreparationStepMs = 300;
constexpr int CommandAnswerWaitMs = 10000;
constexpr int CommandSettleMs = 100;

// The upgrade window has no parent, so that it is a window of its own beside the main window.
// This keeper, a child of the main window, ties it to the main window all the same: closing the
// main window closes it (a running upgrade stops at its next check), and destroying the main
// window destroys it.
class UpgradeWindowKeeper : public QObject
{
public:
    UpgradeWindowKeeper(QWidget *mainWindow, DialogUpdate *window)
        : QObject(mainWindow), dialog(window)
    {
        mainWindow->installEventFilter(this);
    }
    ~UpgradeWindowKeeper() override { delete dialog.data(); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close && watched == parent() && dialog)
            dialog->close();
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<DialogUpdate> dialog;
};

} // namespace

void MainWindow::createUpdateDialog()
{
    if (dialogUpdate)
        return;
    dialogUpdate = new DialogUpdate(nullptr);
    new UpgradeWindowKeeper(this, dialogUpdate);
    connect(dialogUpdate, &DialogUpdate::aboutToStart, this, [this] {
        dialogUpdate->setDeviceType(deviceType);
        dialogUpdate->setRadarConnected(linkUsable());
    });
    connect(dialogUpdate, &DialogUpdate::updateFile, this, &MainWindow::runUpgradeCommand);
    connect(dialogUpdate, &DialogUpdate::endUpdate, this, &MainWindow::finishUpgrade);
}

void MainWindow::on_actionUpdate_triggered()
{
    createUpdateDialog();
    dialogUpdate->show();
}

bool MainWindow::loaderHasLine() const
{
    return loaderConnection != 0 && loaderConnection == connectionId && serialChannel.port.isOpen();
}

bool MainWindow::loaderWaiting() const
{
    return loaderHasLine() && !(dialogUpdate && dialogUpdate->isRunning());
}

// The software-upgrade command. Once the radar has answered it, its loader owns the line: the
// link lock stays taken, so no other exchange of this window touches the port, until the
// connection is dropped.
void MainWindow::runUpgradeCommand()
{
    if (!dialogUpdate)
        return;
    dialogUpdate->setDeviceType(deviceType);
    for (int step = 1; step <= PreparationSteps && !dialogUpdate->stopRequested(); ++step) {
        dialogUpdate->setProgress(step);
        delayWithEvents(PreparationStepMs);
    }
    QSerialPort &port = serialChannel.port;
    // Closed while it was being prepared: the operator has changed their mind before the radar
    // was asked.
    if (!port.isOpen() || dialogUpdate->stopRequested())
        return;
    if (loaderHasLine()) {
        // A run before this one left the radar in its loader, which still holds the line and
        // would take an upgrade command for the start of a packet: the set goes straight to it.
        emit printThread(tr("雷达仍在升级程序中：不再发送升级命令，重新发送升级文件"));
        dialogUpdate->setSerialPort(&port);
        return;
    }
    // The wait for the link pumps events: a connection dropped (or replaced) meanwhile is not
    // the one the operator meant to upgrade.
    const quint64 connection = connectionId;
    serialChannel.acquireProcessingEvents();
    if (!port.isOpen() || connection != connectionId) {
        serialChannel.release();
        return;
    }

    const RadarCommand &command = C::SoftwareUpgrade;
    const QByteArray request = buildRequest(frameHeader, command.code, QByteArray());
    emit printThread(command.request() + toHexText(request));
    port.waitForReadyRead(1);
    const QByteArray residue = port.readAll();
    emit printThread(QStringLiteral("串口残留：") + toHexText(residue));

    port.write(request);
    port.flush();
    port.waitForReadyRead(CommandAnswerWaitMs);
    delayWithEvents(CommandSettleMs);
    const QByteArray reply = port.isOpen() ? port.readAll() : QByteArray();
    if (reply.isEmpty()) {
        emit printThread(command.timeout());
        serialChannel.release();
        return;
    }
    emit printThread(command.reply() + toHexText(reply));
    loaderConnection = connectionId;
    // No results are polled while the loader has the line, so the lamps and the plot would only
    // show a stale scene as if it were live; the lamps' blink pauses would also hold up every
    // packet by 800 ms a second.
    resetIndicators();
    ui->graphicsView->clearHistory();
    ui->graphicsView->redrawScene();
    dialogUpdate->setSerialPort(&port);
}

void MainWindow::finishUpgrade()
{
    if (!dialogUpdate)
        return;
    const bool upgraded = serialChannel.port.isOpen() && dialogUpdate->succeeded() && !dialogUpdate->stopRequested();
    recordHistory(HistoryAction::FirmwareUpgraded, upgraded ? HistoryResult::Ok : HistoryResult::Failed,
                  radarFingerprint(),
                  {{QStringLiteral("set"), QStringLiteral("temp/%1").arg(upgrade::fileBase(deviceType))}});
    if (upgraded) {
        dialogUpdate->accept();
        emit printThread(tr("升级成功"));
        QMessageBox::information(this, tr("升级成功"), tr("升级成功，请重启设备！"), QMessageBox::Ok);
        on_pushButtonDisconnect_clicked();
    } else if (dialogUpdate->serialPort()) {
        emit printThread(tr("升级失败，雷达在升级程序中等待：请重启雷达后重新连接，或再次运行升级"));
        refreshLinkStatus();
    }
    dialogUpdate->closePieceFile();
}

// Sampling takes the port without the link lock: the poll is stopped first, and the window is
// modal, so nothing else of this window starts an exchange while it is open.
void MainWindow::on_actionGetData_triggered()
{
    pollingPaused = true;
    pollTimer.stop();
    // The lamps would show the last polled scene, and their 800 ms blink pauses would hold up
    // the sampling loop's reads.
    resetIndicators();
    QString saved;
    {
        DialogGetData dialog(&serialChannel.port, &frameHeader, this);
        dialog.exec();
        saved = dialog.filePath();
    }
    if (!saved.isEmpty())
        emit printThread(tr("采样数据已保存：") + QDir::toNativeSeparators(saved));
    // The radar may still be streaming its samples: the connection ends here, and says so.
    const bool connected = serialChannel.port.isOpen();
    const QString port = serialChannel.port.portName();
    on_pushButtonDisconnect_clicked();
    if (connected)
        emit printThread(tr("已断开与雷达的连接：") + port);
}
