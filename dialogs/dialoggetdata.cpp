#include "dialoggetdata.h"
#include "ui_dialoggetdata.h"

#include "eventwait.h"
#include "sampling.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSerialPort>

namespace {
constexpr int PreparationDelayMs = 1000;
constexpr int ReadWaitMs = 1000;
constexpr qint64 MinuteMs = 60000;
} // namespace

DialogGetData::DialogGetData(QSerialPort *serialPort, QByteArray *frameHeader, QWidget *parent)
    : QDialog(parent), ui(new Ui::DialogGetData), port(serialPort), header(frameHeader)
{
    ui->setupUi(this);
    // The window's own close button closes it while no run is on (reject() holds it off during
    // a run); "终止采集" acts only while there is a run to stop.
    ui->pushButton->setEnabled(false);
}

DialogGetData::~DialogGetData()
{
    delete ui;
}

void DialogGetData::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}

void DialogGetData::reject()
{
    if (!idle)
        return;
    QDialog::reject();
}

void DialogGetData::setRunning(bool on)
{
    // While a run is on, "终止采集" is the one control that acts.
    running = on;
    ui->pushButtonStartData->setEnabled(!on);
    ui->spinBox->setEnabled(!on);
    ui->pushButton->setEnabled(on);
}

void DialogGetData::on_pushButtonStartData_clicked()
{
    if (running)
        return;
    setRunning(true);
    sample();
    setRunning(false);
}

void DialogGetData::sample()
{
    idle = false;
    if (!port || !port->isOpen()) {
        QMessageBox::warning(nullptr, tr("错误"), tr("串口已关闭"));
        idle = true;
        return;
    }
    eventwait::delay(PreparationDelayMs);
    // Stopped, or the line dropped, while the radar was given its moment: nothing is sent.
    if (idle)
        return;
    if (!port->isOpen()) {
        QMessageBox::warning(nullptr, tr("错误"), tr("串口已关闭"));
        idle = true;
        return;
    }

    const int minutes = ui->spinBox->value();
    const QByteArray request = sampling::samplingRequest(*header, minutes);
    // What waited before the request is not part of the sample.
    port->readAll();
    port->clear(QSerialPort::Input);
    port->write(request);
    port->flush();

    const QString folder = QDir::currentPath() + tr("/采样数据");
    if (!QDir(folder).exists())
        QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + sampling::sampleFileName(QDateTime::currentDateTime());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QMessageBox::warning(nullptr, tr("错误"), tr("无法创建文件：") + path);
        idle = true;
        return;
    }
    lastFile = path;
    // A dropped line is closed by the main window from the event loop, perhaps while this loop
    // waits; what the port still holds at that moment arrived from the radar and belongs here.
    const QMetaObject::Connection drainOnClose = connect(port, &QIODevice::aboutToClose, this,
        [this, &file] {
            // Exactly what is buffered: reading further would ask the closed line for more.
            const qint64 held = port->bytesAvailable();
            if (file.isOpen() && held > 0)
                file.write(port->read(held));
        });
    const auto stopDraining = qScopeGuard([drainOnClose] { disconnect(drainOnClose); });

    // Elapsed time, not the clock: a run across midnight or a clock change lasts its minutes.
    const qint64 duration = minutes * MinuteMs;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 elapsed = clock.elapsed();
        if (elapsed >= duration) {
            ui->progressBar->setValue(100);
            file.close();
            QMessageBox::information(nullptr, tr("成功"), tr("数据采集成功：") + path);
            idle = true;
            return;
        }
        eventwait::waitForInput(*port, int(qMin<qint64>(ReadWaitMs, duration - elapsed)), idle);
        if (idle) {
            // Stopped: what the port took in while the operator was asked arrived before the
            // stop and belongs in the file too.
            if (port->isOpen())
                file.write(port->readAll());
            file.close();
            return;
        }
        if (port->isOpen())
            file.write(port->readAll());
        ui->progressBar->setValue(sampling::samplingProgress(clock.elapsed(), duration));
        if (!port->isOpen()) {
            file.close();
            idle = true;
            return;
        }
    }
}

void DialogGetData::on_pushButton_clicked()
{
    if (!idle) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, tr("提示"), tr("是否确定终止采集并保存当前数据？"), QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    idle = true;
    close();
}
