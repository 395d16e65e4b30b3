// The CAN output settings: bit rate, kind of output, device number and sampling time. On
// "发送" the choices are packed into the caller's parameter block; on "取消" it stays as it was.
// The dialog keeps nothing: it opens with its starting values every time.
#pragma once

#include "tooldata.h"

#include <QDialog>

namespace Ui {
class DialogCan;
}

class DialogCan : public QDialog
{
    Q_OBJECT

public:
    DialogCan(radarlink::CanParameters *block, QWidget *parent = nullptr);
    ~DialogCan() override;

    Ui::DialogCan *ui;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButtonAccept_clicked();
    void on_pushButtonReject_clicked();

private:
    radarlink::CanParameters *block;
};
