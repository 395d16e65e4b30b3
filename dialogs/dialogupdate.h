// The firmware-upgrade window: a start button, a progress bar and a status line. Pressing
// "开始" asks the main window to put the radar into its loader (updateFile); once the main
// window has handed over its serial port, the run sends the image from the upgrade set in
// "temp" packet by packet and follows the radar's report until it has flashed the image.
// Closing the window stops a run at its next look at the stop flag.
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

    bool stopRequested() const { return stopFlag; }
    bool succeeded() const { return successFlag; }

    bool hasPieceFile() const { return bool(pieceFile); }
    void closePieceFile();

signals:
    // At the start of every run; the main window sends the upgrade command inside it.
    void updateFile();
    // At every end of a run that got a serial port, however it ended.
    void endUpdate();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButtonStart_clicked();

private:
    // Everything after the hand-over: find the set, send it, follow the radar to the end.
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
    int deviceTypeCode = 1;
    upgrade::UpgradePacket packet;
};
