// Accepting the radar's scene: the accepting person's name (the last one offered again) and an
// optional note. The scene has been read back and found equal to the form before it opens.
#pragma once

#include <QDialog>

namespace Ui {
class DialogAcceptance;
}

class DialogAcceptance : public QDialog
{
    Q_OBJECT

public:
    DialogAcceptance(const QString &fingerprint, const QString &name, QWidget *parent = nullptr);
    ~DialogAcceptance() override;

    // Trimmed; "确定" stays off while the name is empty.
    QString name() const;
    QString note() const;

    Ui::DialogAcceptance *ui;

protected:
    void changeEvent(QEvent *event) override;

private:
    void showFingerprint();
    QString shownFingerprint;
};
