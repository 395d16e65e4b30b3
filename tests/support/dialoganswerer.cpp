#include "dialoganswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QThread>

DialogAnswerer::DialogAnswerer(QObject *parent) : QObject(parent)
{
    clock.start();
    pollTimer.setInterval(20);
    connect(&pollTimer, &QTimer::timeout, this, &DialogAnswerer::poll);
}

void DialogAnswerer::answerMessageBox(QMessageBox::StandardButton button, int timeoutMs)
{
    queue.enqueue({QStringLiteral("message"), button, QString(), {}, timeoutMs, clock.elapsed()});
    pollTimer.start();
}

void DialogAnswerer::answerFileDialog(const QString &path, int timeoutMs)
{
    queue.enqueue({QStringLiteral("file"), QMessageBox::NoButton, path, {}, timeoutMs, clock.elapsed()});
    pollTimer.start();
}

void DialogAnswerer::answerWindow(const QString &name, Action action, int timeoutMs)
{
    queue.enqueue({name, QMessageBox::NoButton, QString(), std::move(action), timeoutMs, clock.elapsed()});
    pollTimer.start();
}

bool DialogAnswerer::waitDone(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!queue.isEmpty() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return queue.isEmpty() && failures.isEmpty();
}

static QWidget *openDialogOfKind(const QString &kind)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (w->isVisible() && ((kind == QLatin1String("message") && qobject_cast<QMessageBox *>(w))
                               || (kind == QLatin1String("file") && qobject_cast<QFileDialog *>(w))))
            return w;
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible()
        && (modal->objectName() == kind || QLatin1String(modal->metaObject()->className()) == kind))
        return modal;
    return nullptr;
}

void DialogAnswerer::poll()
{
    if (queue.isEmpty()) {
        pollTimer.stop();
        return;
    }
    const Expectation e = queue.head();
    if (QWidget *dialog = openDialogOfKind(e.kind)) {
        queue.dequeue();
        if (e.action) {
            handled << e.kind;
            e.action(dialog);
        } else if (!answer(e, dialog))
            failures << QStringLiteral("could not answer the %1 dialog").arg(e.kind);
        return;
    }
    if (clock.elapsed() - e.armedAt > e.timeoutMs) {
        queue.dequeue();
        failures << QStringLiteral("no %1 dialog within %2 ms").arg(e.kind).arg(e.timeoutMs);
        if (QWidget *modal = QApplication::activeModalWidget()) {
            if (auto *d = qobject_cast<QDialog *>(modal))
                d->reject();
            else
                modal->close();
        }
    }
}

bool DialogAnswerer::answer(const Expectation &e, QWidget *dialog)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        seen << Seen{e.kind, box->windowTitle(), box->text(), box->icon()};
        QAbstractButton *button = box->button(e.button);
        if (!button) {
            failures << QStringLiteral("message box \"%1\" has no such button").arg(box->text());
            box->reject();
            return false;
        }
        button->click();
        return true;
    }
    if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
        seen << Seen{e.kind, files->windowTitle(), files->nameFilters().join(QLatin1Char(';')), QMessageBox::NoIcon};
        if (e.path.isEmpty()) {
            files->reject();
            return true;
        }
        files->selectFile(e.path);
        if (auto *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            edit->setText(e.path);
        static_cast<QDialog *>(files)->accept(); // QFileDialog::accept is protected; it still runs
        return true;
    }
    return false;
}
