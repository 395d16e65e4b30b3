// The four small tools of the menus and the station-number button: distance measurement,
// relay sensitivity, CAN output and the station (Modbus) number. Each setting the radar was
// asked to take goes into its history, taken or not.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "dialogcan.h"
#include "dialogceliang.h"
#include "dialogframelimt.h"
#include "dialogspinbox.h"
#include "frame.h"
#include "radarhistory.h"
#include "tooldata.h"

#include <QMessageBox>

using namespace radarlink;
namespace C = RadarCommands;

// Created on first use and kept; no measurement is made until the operator presses "刷新".
void MainWindow::on_actionCeliangJuli_triggered()
{
    if (!dialogCeLiang) {
        dialogCeLiang = new DialogCeLiang(this);
        connect(dialogCeLiang, &DialogCeLiang::updateData, this, &MainWindow::testCommand);
    }
    dialogCeLiang->show();
}

// One press, one test command. Like the poll it never waits for the link: a press while
// another exchange holds it is dropped without a trace.
bool MainWindow::testCommand()
{
    const QByteArray payload = QByteArray(1, char(C::TestCommand.subCommand)) + QByteArray(1, '\0');
    return runExchange(C::TestCommand, payload, [this](const QByteArray &reply) {
        quint16 centimetres = 0;
        if (dialogCeLiang && testReplyDistance(reply, &centimetres))
            dialogCeLiang->showDistance(centimetres);
        return true;
    });
}

// The relay values travel with the set-station-number command, the station left as it is.
// The values kept here are the ones the radar has: the operator's entries replace them only
// once the radar has answered, so a failed attempt followed by a cancel leaves nothing
// unconfirmed behind for the next station-number command to send.
void MainWindow::on_actionFrameLimt_triggered()
{
    DialogFrameLimt dialog(earlyWarningRelay, alarmRelay, this);
    while (dialog.exec() == QDialog::Accepted) {
        const quint8 confirmedEarly = earlyWarningRelay;
        const quint8 confirmedAlarm = alarmRelay;
        const quint8 enteredEarly = dialog.earlyWarning();
        const quint8 enteredAlarm = dialog.alarm();
        earlyWarningRelay = enteredEarly;
        alarmRelay = enteredAlarm;
        pendingStationNumber = stationNumber;
        const bool set = setStationNumber();
        recordHistory(HistoryAction::RelaySensitivitySet, set ? HistoryResult::Ok : HistoryResult::Failed,
                      radarFingerprint(),
                      {{QStringLiteral("early_warning"), int(enteredEarly)}, {QStringLiteral("alarm"), int(enteredAlarm)}});
        if (set)
            return;
        // An identity read while the command waited for the link has the last word.
        if (earlyWarningRelay == enteredEarly && alarmRelay == enteredAlarm) {
            earlyWarningRelay = confirmedEarly;
            alarmRelay = confirmedAlarm;
        }
        QMessageBox::warning(this, tr("错误"), tr("设置失败"));
    }
}

void MainWindow::on_actionCan_triggered()
{
    CanParameters block;
    DialogCan dialog(&block, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QSerialPort &port = channel().port;
    if (!port.isOpen())
        return;
    const quint64 connection = connectionId;
    bool answered = false;
    runExchange(C::CanParameters, canPayload(block), [&answered](const QByteArray &) {
        answered = true;
        return true;
    });
    // The line closed, or went to another connection, while the command waited for the link:
    // nothing went out, so there is nothing to report.
    if (!port.isOpen() || connection != connectionId)
        return;
    recordHistory(HistoryAction::CanOutputSet, answered ? HistoryResult::Ok : HistoryResult::Failed, radarFingerprint(),
                  {{QStringLiteral("block"), QString::fromLatin1(canPayload(block).toHex(' '))}});
    // These boxes read the same in every language.
    const QString title = QStringLiteral("设置Can参数");
    QMessageBox::information(this, title, answered ? QStringLiteral("Can参数设置成功")
                                                   : QStringLiteral("Can参数设置失败"));
}

// The radar takes its new number while still addressed under the old one; only its answer
// moves the tool over to the new number. The reported-station byte of the header stays as
// the last identity read left it.
void MainWindow::on_toolButtonModbusId_clicked()
{
    DialogSpinBox dialog(stationNumber, 1, 254, this);
    dialog.setWindowTitle(tr("站点号"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const quint16 chosen = quint16(dialog.value());
    const QJsonObject change{{QStringLiteral("from"), int(stationNumber)}, {QStringLiteral("to"), int(chosen)}};
    pendingStationNumber = chosen;
    if (!setStationNumber()) {
        recordHistory(HistoryAction::StationChanged, HistoryResult::Failed, radarFingerprint(), change);
        return;
    }
    frameHeader[StationOffset] = char(chosen & 0xFF);
    frameHeader[StationCopyOffset] = char(chosen & 0xFF);
    stationNumber = chosen;
    ui->labelModbusId->setText(QStringLiteral("%1").arg(chosen));
    recordHistory(HistoryAction::StationChanged, HistoryResult::Ok, radarFingerprint(), change);
}
