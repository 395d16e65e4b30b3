// The relay-sensitivity tool: the two relay sensitivities of the radar (0 to 255, smaller is
// more sensitive), for the early-warning region and the alarm region.
#pragma once

#include <QDialog>

namespace Ui {
class DialogFrameLimt;
}

class DialogFrameLimt : public QDialog
{
    Q_OBJECT

public:
    DialogFrameLimt(quint8 earlyWarning, quint8 alarm, QWidget *parent = nullptr);
    ~DialogFrameLimt() override;

    // The values taken from the spin boxes when "设置" was last pressed.
    quint8 earlyWarning() const { return earlyWarningValue; }
    quint8 alarm() const { return alarmValue; }

    Ui::DialogFrameLimt *ui;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButton_clicked();

private:
    quint8 earlyWarningValue;
    quint8 alarmValue;
};
