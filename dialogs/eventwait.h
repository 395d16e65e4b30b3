// Waits of the tool dialogs that keep the interface alive: events are handled while they last,
// and the thread sleeps between events instead of spinning, so a long transfer or sampling run
// leaves the processor to the rest of the machine.
#pragma once

class QSerialPort;

namespace eventwait {

// Returns after ms milliseconds; timers, clicks and repaints are handled meanwhile. A wait of
// 0 returns at once.
void delay(int ms);

// Returns as soon as the port holds unread bytes, stop turns true, the port is closed, or ms
// milliseconds have passed, whichever comes first. Events are handled meanwhile.
void waitForInput(QSerialPort &port, int ms, const bool &stop);

} // namespace eventwait
