// What the tests of the tool dialogs share: a main window on a simulated radar, the log as
// the operator reads it, a driver for the program's own modal windows, and a radar side that
// puts hand-made bytes on the line once the tool's request is in.
#pragma once

#include "mainwindow.h"
#include "radarsimulator.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QQueue>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

namespace tooltest {

// The log lines without their time stamps.
inline QStringList logMessages(const MainWindow &w)
{
    QStringList lines;
    const QListWidget *list = w.ui->listWidget;
    for (int i = 0; i < list->count(); ++i) {
        const QString text = list->item(i)->text();
        lines << text.mid(text.indexOf(QStringLiteral("]: ")) + 3);
    }
    return lines;
}

// A log line as the tool writes a trace: prefix and the bytes in hex, trimmed by the log.
inline QString traceLine(const QString &prefix, const QByteArray &bytes)
{
    return prefix + QString::fromLatin1(bytes.toHex(' '));
}

// Opens the tool's port on the radar's line the way the connection does, without the
// read-back, and forgets what that put on the line and in the log.
inline bool attach(MainWindow &w, sim::RadarSimulator &radar)
{
    w.ui->comboBoxSerial->setEditText(radar.devicePath());
    if (!w.openRadarPort())
        return false;
    QTest::qWait(50);
    radar.clearRequests();
    w.ui->listWidget->clear();
    return true;
}

// Answers the program's own modal windows (found as the active modal widget, by object name
// or class name) one after the other, each with its own action: set the controls, then press
// a button. A window that does not come within the time limit is rejected, so that the test
// fails instead of hanging. Qt does not fire a timer again while its own slot runs, so an
// action that opens a further window must do that from a zero-delay single shot.
class ModalDriver
{
public:
    using Action = std::function<void(QWidget *window)>;

    ModalDriver()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        clock.start();
    }

    void expect(const QString &name, Action action, int timeoutMs = 15000)
    {
        steps.enqueue({name, std::move(action), timeoutMs, clock.elapsed()});
        timer.start();
    }

    bool waitDone(int timeoutMs = 20000)
    {
        waitUntil([this] { return steps.isEmpty(); }, timeoutMs);
        return steps.isEmpty() && failures.isEmpty();
    }

    QStringList handled; // names of the windows answered, in order
    QStringList failures;

private:
    struct Step {
        QString name;
        Action action;
        int timeoutMs;
        qint64 armedAt;
    };

    void poll()
    {
        if (steps.isEmpty()) {
            timer.stop();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        const Step &step = steps.head();
        if (modal && modal->isVisible()
            && (modal->objectName() == step.name
                || QLatin1String(modal->metaObject()->className()) == step.name)) {
            const Step current = steps.dequeue();
            handled << current.name;
            current.action(modal);
            return;
        }
        if (clock.elapsed() - step.armedAt > step.timeoutMs) {
            failures << QStringLiteral("no %1 window within %2 ms").arg(step.name).arg(step.timeoutMs);
            steps.dequeue();
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
        }
    }

    QQueue<Step> steps;
    QTimer timer;
    QElapsedTimer clock;
};

// Puts bytes on the line from the radar's side once the tool's request has arrived.
class LateSender
{
public:
    LateSender(sim::RadarSimulator &radar, int requestCount, QByteArray bytes)
    {
        thread.reset(QThread::create([&radar, requestCount, bytes] {
            if (radar.waitForRequests(requestCount, 3000))
                radar.sendRaw(bytes);
        }));
        thread->start();
    }
    ~LateSender() { thread->wait(); }

private:
    std::unique_ptr<QThread> thread;
};

} // namespace tooltest
