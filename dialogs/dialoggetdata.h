// The data-sampling window: the radar's raw output recorded to a file for a number of minutes.
// "开始采集" sends the sampling request and writes every byte that arrives to a new file in
// the sample folder; "终止采集", enabled only during a run, stops it (after asking) and closes
// the window. Without a run the window's own close button (or Escape) closes it.
#pragma once

#include <QDialog>

namespace Ui {
class DialogGetData;
}
class QSerialPort;

class DialogGetData : public QDialog
{
    Q_OBJECT

public:
    // Works on the main window's port and frame header; owns neither.
    DialogGetData(QSerialPort *serialPort, QByteArray *frameHeader, QWidget *parent = nullptr);
    ~DialogGetData() override;

    Ui::DialogGetData *ui;

    // No run in progress (and no stop asked for one).
    bool isIdle() const { return idle; }
    // The file of the latest run; empty until a file has been made.
    QString filePath() const { return lastFile; }

public slots:
    // Escape and the window manager's close end up here: held off while a run is on.
    void reject() override;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButtonStartData_clicked();
    void on_pushButton_clicked();

private:
    void sample();
    void setRunning(bool on);

    QSerialPort *port;
    QByteArray *header;
    bool idle = true;
    bool running = false;
    QString lastFile;
};
