// The one link to the radar: the serial port and the lock that keeps two request/reply
// exchanges from interleaving on it. Everything runs on the GUI thread; the lock matters
// because waiting handlers pump events, so a timer or a button can start a second exchange
// while a first one is between its steps.
#pragma once

#include <QMutex>
#include <QSerialPort>

class SerialChannel
{
public:
    QSerialPort port;
    QMutex lock;

    // Operator commands: keep trying, processing events in between, until the lock is ours.
    void acquireProcessingEvents();
    // Timer-driven exchanges: one try, no wait.
    bool tryAcquireOnce();
    // Safe whether or not the lock is held: used for normal release and to force it free.
    void release();
    // Drops whatever has arrived but not been read, so a late reply to an earlier command
    // is never taken for the answer to the next one.
    void discardPendingInput();
};

// Asks the serial driver to pass every byte on as it arrives instead of holding it back for
// a batch (Linux: ASYNC_LOW_LATENCY through TIOCSSERIAL on the open port's descriptor). Drivers
// that do not take it, pseudo-terminals among them, refuse; the port then works as before.
// Returns whether the driver took it.
bool requestLowLatency(int descriptor);
