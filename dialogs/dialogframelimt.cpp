#include "dialogframelimt.h"
#include "ui_dialogframelimt.h"

#include <QEvent>

DialogFrameLimt::DialogFrameLimt(quint8 earlyWarning, quint8 alarm, QWidget *parent)
    : QDialog(parent), ui(new Ui::DialogFrameLimt), earlyWarningValue(earlyWarning), alarmValue(alarm)
{
    ui->setupUi(this);
    ui->spinBoxFrameLimt_Early->setValue(earlyWarning);
    ui->spinBoxFrameLimt_Warning->setValue(alarm);
}

DialogFrameLimt::~DialogFrameLimt()
{
    delete ui;
}

void DialogFrameLimt::on_pushButton_clicked()
{
    earlyWarningValue = quint8(ui->spinBoxFrameLimt_Early->value());
    alarmValue = quint8(ui->spinBoxFrameLimt_Warning->value());
    accept();
}

void DialogFrameLimt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
