#include "dialogspinbox.h"
#include "ui_dialogspinbox.h"

#include <QEvent>

DialogSpinBox::DialogSpinBox(int value, int minimum, int maximum, QWidget *parent)
    : QDialog(parent), ui(new Ui::DialogSpinBos)
{
    ui->setupUi(this);
    // The range first, so that a value outside the spin box's default 0..99 is not clipped.
    ui->spinBox->setMinimum(minimum);
    ui->spinBox->setMaximum(maximum);
    ui->spinBox->setValue(value);
}

DialogSpinBox::~DialogSpinBox()
{
    delete ui;
}

int DialogSpinBox::value() const
{
    return ui->spinBox->value();
}

void DialogSpinBox::on_pushButton_clicked()
{
    accept();
}

void DialogSpinBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
