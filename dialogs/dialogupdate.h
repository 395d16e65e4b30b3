// The firmware-upgrade window: a start button, a progress bar and a status line. Pressing
// "开始" first asks the main window for the radar's device type and link (aboutToStart) and
// looks for that type's upgrade set in "temp"; only a complete set lets the run ask the main
// window to put the radar into its loader (updateFile), a step the radar does not undo by
// itself. Once the main window has handed over its serial port, the run sends the image packet
// by packet and follows the radar's report until it has flashed the image. Closing the window
// stops a run at its next look at the stop flag.
#pragma once

#include "upgradeprotocol.h"

#include <QDialog>

#include <memory>

namespace Ui {
class DialogUpdate;
}
class QFile;
class QSerialPort;

class DialogUpdate : public QDialog
{
    Q_OBJECT

public:
    explicit DialogUpdate(QWidget *parent = nullptr);
    ~DialogUpdate() override;

    Ui::DialogUpdate *ui;

    void setProgress(int value);

    // Set by the main window once the radar has accepted the upgrade command; null otherwise.
    QSerialPort *serialPort() const { return port; }
    void setSerialPort(QSerialPort *serialPort) { port = serialPort; }

    // The radar's device type picks its upgrade set in "temp".
    int deviceType() const { return deviceTypeCode; }
    void setDeviceType(int type) { deviceTypeCode = type; }
    // Whether a radar is connected to take the upgrade; asked for at the start of every run.
    void setRadarConnected(bool connected) { radarConnected = connected; }

    bool isRunning() const { return runActive; }

    bool stopRequested() const { return stopFlag; }
    bool succeeded() const { return successFlag; }

    bool hasPieceFile() const { return bool(pieceFile); }
    void closePieceFile();

signals:
    // At the start of every run, before the set is looked for: the main window sets the device
    // type and whether a radar is connected.
    void aboutToStart();
    // Once the set is complete; the main window sends the upgrade command inside it.
    void updateFile();
    // At every end of a run that got a serial port, however it ended.
    void endUpdate();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButtonStart_clicked();

private:
    // Looks for the device type's set: the folder, the header (read and checked), every piece
    // file. Empty when the set is complete, else the line the operator reads, naming what is
    // missing; keeps the header and the piece order for the transfer.
    QString checkSet();
    // Everything after the hand-over: send the set, follow the radar to the end.
    void transfer();
    // Sends the packet as it stands and collects the answer; false when nothing came back.
    bool sendPacket(QByteArray *answer);
    // One status message of the completion phase; true when the radar reports it has finished.
    bool takeStatus(const QByteArray &message);
    QByteArray readWaiting();

    QSerialPort *port = nullptr;
    std::unique_ptr<QFile> pieceFile;
    bool stopFlag = false;
    bool successFlag = false;
    bool runActive = false;
    bool radarConnected = false;
    int deviceTypeCode = 1;
    upgrade::UpgradePacket packet;
    // The set found by checkSet.
    QString setPrefix;
    upgrade::SetHeader setHeader;
    QVector<int> pieceOrder;
};
