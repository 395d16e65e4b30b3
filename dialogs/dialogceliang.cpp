#include "dialogceliang.h"
#include "ui_dialogceliang.h"

#include <QEvent>

DialogCeLiang::DialogCeLiang(QWidget *parent) : QDialog(parent), ui(new Ui::DialogCeLiang)
{
    ui->setupUi(this);
}

DialogCeLiang::~DialogCeLiang()
{
    delete ui;
}

void DialogCeLiang::showDistance(quint16 centimetres)
{
    ui->lineEdit->setText(QStringLiteral("%1").arg(centimetres / 100.0, 0, 'g', -1));
}

void DialogCeLiang::on_pushButton_clicked()
{
    emit updateData();
}

void DialogCeLiang::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
