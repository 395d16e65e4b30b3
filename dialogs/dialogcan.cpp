#include "dialogcan.h"
#include "ui_dialogcan.h"

#include "frame.h"

#include <QEvent>

using namespace radarlink;

DialogCan::DialogCan(CanParameters *block, QWidget *parent)
    : QDialog(parent), ui(new Ui::DialogCan), block(block)
{
    ui->setupUi(this);
    for (int device = 0; device <= 8; ++device)
        ui->comboBoxCanDeviceId->addItem(QString::number(device));
}

DialogCan::~DialogCan()
{
    delete ui;
}

void DialogCan::on_pushButtonAccept_clicked()
{
    block->baudCode = canBaudCode(ui->comboBoxBaudRate->currentText());
    block->fixed = 1;
    block->outputType = canOutputType(ui->comboBoxInquiry->currentText());
    block->deviceNumber = canDeviceNumber(ui->comboBoxCanDeviceId->currentText());
    block->samplingTimeMs = quint16(ui->spinBoxRate->value());
    block->tail[0] = TailByte;
    block->tail[1] = TailByte;
    accept();
}

void DialogCan::on_pushButtonReject_clicked()
{
    reject();
}

void DialogCan::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
