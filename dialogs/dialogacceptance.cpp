#include "dialogacceptance.h"
#include "ui_dialogacceptance.h"

#include <QEvent>
#include <QPushButton>

DialogAcceptance::DialogAcceptance(const QString &fingerprint, const QString &name, QWidget *parent)
    : QDialog(parent), ui(new Ui::DialogAcceptance), shownFingerprint(fingerprint)
{
    ui->setupUi(this);
    showFingerprint();
    ui->lineEditName->setText(name);
    QPushButton *ok = ui->buttonBox->button(QDialogButtonBox::Ok);
    ok->setEnabled(!this->name().isEmpty());
    connect(ui->lineEditName, &QLineEdit::textChanged, this, [this, ok] { ok->setEnabled(!this->name().isEmpty()); });
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DialogAcceptance::~DialogAcceptance()
{
    delete ui;
}

QString DialogAcceptance::name() const
{
    return ui->lineEditName->text().trimmed();
}

QString DialogAcceptance::note() const
{
    return ui->plainTextEditNote->toPlainText().trimmed();
}

void DialogAcceptance::showFingerprint()
{
    ui->labelFingerprint->setText(tr("雷达中的场景与表单一致，场景指纹：%1").arg(shownFingerprint));
}

void DialogAcceptance::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showFingerprint();
    }
    QDialog::changeEvent(event);
}
