#include "eventwait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

namespace eventwait {

namespace {

// Handles events until done() holds or ms have passed. A precise single-shot timer wakes the
// event loop at the deadline, so the loop can block while nothing happens.
template <typename Done>
void processUntil(int ms, Done done)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0 || done())
            return;
        wake.start(int(left));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

} // namespace

void delay(int ms)
{
    processUntil(ms, [] { return false; });
}

void waitForInput(QSerialPort &port, int ms, const bool &stop)
{
    processUntil(ms, [&] { return stop || !port.isOpen() || port.bytesAvailable() > 0; });
}

} // namespace eventwait
