#include "serialchannel.h"

#include <QCoreApplication>
#include <QThread>

void SerialChannel::acquireProcessingEvents()
{
    while (!lock.tryLock(0)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // A short nap keeps the wait from burning a core while another exchange runs.
        QThread::msleep(1);
    }
}

bool SerialChannel::tryAcquireOnce()
{
    return lock.tryLock(0);
}

void SerialChannel::release()
{
    lock.tryLock(0);
    lock.unlock();
}

void SerialChannel::discardPendingInput()
{
    if (!port.isOpen())
        return;
    port.readAll();
    port.clear(QSerialPort::Input);
}
