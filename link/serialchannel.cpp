#include "serialchannel.h"

#include <QCoreApplication>
#include <QThread>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

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

bool requestLowLatency(int descriptor)
{
#ifdef Q_OS_LINUX
    if (descriptor < 0)
        return false;
    serial_struct settings{};
    if (::ioctl(descriptor, TIOCGSERIAL, &settings) != 0)
        return false;
    settings.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(descriptor, TIOCSSERIAL, &settings) == 0;
#else
    Q_UNUSED(descriptor);
    return false;
#endif
}
