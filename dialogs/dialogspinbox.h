// A small window that asks for one whole number within a range; the station-number tool
// button uses it. It has no cancel button: the window's close button or Escape cancels.
#pragma once

#include <QDialog>

namespace Ui {
class DialogSpinBos;
}

class DialogSpinBox : public QDialog
{
    Q_OBJECT

public:
    DialogSpinBox(int value, int minimum, int maximum, QWidget *parent = nullptr);
    ~DialogSpinBox() override;

    int value() const;

    Ui::DialogSpinBos *ui;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButton_clicked();
};
