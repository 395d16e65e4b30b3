// The distance-measurement tool: one distance the radar measures, read on each press of
// "刷新". The main window owns the exchange; this window only asks and shows.
#pragma once

#include <QDialog>

namespace Ui {
class DialogCeLiang;
}

class DialogCeLiang : public QDialog
{
    Q_OBJECT

public:
    explicit DialogCeLiang(QWidget *parent = nullptr);
    ~DialogCeLiang() override;

    // Shows a distance given in hundredths of a metre, in metres: 1234 as 12.34, 500 as 5.
    void showDistance(quint16 centimetres);

    Ui::DialogCeLiang *ui;

signals:
    // The operator wants a new measurement.
    void updateData();

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButton_clicked();
};
