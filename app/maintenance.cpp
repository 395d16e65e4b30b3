// The two maintenance tools of the "帮助" menu: the firmware upgrade (the upgrade command and
// the result of a run of DialogUpdate) and data sampling (DialogGetData on the radar's port).
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "dialoggetdata.h"
#include "dialogupdate.h"
#include "frame.h"
#include "radarhistory.h"
#include "upgradeprotocol.h"

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
    connect(dialogUpdate, &DialogUpdate::updateFile, this, &MainWindow::runUpgradeCommand);
    connect(dialogUpdate, &DialogUpdate::endUpdate, this, &MainWindow::finishUpgrade);
}

void MainWindow::on_actionUpdate_triggered()
{
    createUpdateDialog();
    dialogUpdate->show();
}

// The software-upgrade command. Once the radar has answered it, its loader owns the line: the
// link lock stays taken, so no other exchange of this window touches the port, until the
// connection is dropped.
void MainWindow::runUpgradeCommand()
{
    if (!dialogUpdate)
        return;
    dialogUpdate->setDeviceType(deviceType);
    for (int step = 1; step <= PreparationSteps; ++step) {
        dialogUpdate->setProgress(step);
        delayWithEvents(PreparationStepMs);
    }
    QSerialPort &port = serialChannel.port;
    if (!port.isOpen())
        return;
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
    // No results are polled while the loader has the line, so the lamps would only show a
    // stale scene; their blink pauses would also hold up every packet by 800 ms a second.
    resetIndicators();
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
    {
        DialogGetData dialog(&serialChannel.port, &frameHeader, this);
        dialog.exec();
    }
    on_pushButtonDisconnect_clicked();
}
