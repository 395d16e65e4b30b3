// Answers the program's modal message boxes, file dialogs and its own modal windows from inside
// a test, one after the other in the order armed, recording what each box said. Arm it before the action that opens the dialog: it polls every few tens
// of milliseconds, so it also catches a box opened inside the program's own event-pumping
// delays, and gives up after a hard timeout by closing whatever modal window is open (the
// test then fails instead of hanging).
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QQueue>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class DialogAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen {
        QString kind; // "message" or "file"
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    explicit DialogAnswerer(QObject *parent = nullptr);

    // Next message box: press this button.
    void answerMessageBox(QMessageBox::StandardButton button = QMessageBox::Ok, int timeoutMs = 15000);
    // Next file dialog: choose this path (empty = cancel).
    void answerFileDialog(const QString &path, int timeoutMs = 15000);
    // Next modal window of this object or class name: run the action on it (set the controls,
    // press a button). Timers do not fire again while their own slot runs, so an action that
    // opens a further window must do that from a zero-delay single shot.
    using Action = std::function<void(QWidget *window)>;
    void answerWindow(const QString &name, Action action, int timeoutMs = 15000);

    // Spins events until every armed answer has been given or has timed out.
    bool waitDone(int timeoutMs = 20000);
    bool pending() const { return !queue.isEmpty(); }

    QList<Seen> seen;        // the boxes and file dialogs answered
    QStringList handled;     // the names of the windows answered
    QStringList failures;

private:
    struct Expectation {
        QString kind;            // "message", "file" or a window's name
        QMessageBox::StandardButton button;
        QString path;
        Action action;
        int timeoutMs;
        qint64 armedAt;
    };
    void poll();
    bool answer(const Expectation &e, QWidget *dialog);

    QQueue<Expectation> queue;
    QTimer pollTimer;
    QElapsedTimer clock;
};
