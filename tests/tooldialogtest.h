// What the tests of the tool dialogs share: a main window on a simulated radar (linkfixture.h)
// whose modal windows and boxes a DialogAnswerer answers in turn.
#pragma once

#include "dialoganswerer.h"
#include "linkfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace tooltest {

using Action = DialogAnswerer::Action;

// The log lines without their time stamps.
inline QStringList logMessages(const MainWindow &w) { return logLines(w.ui->listWidget); }

// The answerer under the name other tests use for answering the program's own windows.
class ModalDriver : public DialogAnswerer
{
public:
    void expect(const QString &name, Action action, int timeoutMs = 15000)
    {
        answerWindow(name, std::move(action), timeoutMs);
    }
};

} // namespace tooltest
