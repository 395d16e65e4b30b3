// The serial ports as the window sees them, with what a USB adapter tells about itself, and how
// an adapter that was lost is recognised when it comes back. The window takes the list through
// a PortLister: the system's list in the program, a hand-made one in tests (pseudo-terminals
// given the USB identity of an adapter).
#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace radarlink {

struct PortEntry
{
    QString name;           // ttyUSB0, pts/3, or a path the operator typed
    QString systemLocation; // /dev/ttyUSB0
    bool usb = false;       // vendor and product are known
    quint16 vendor = 0;
    quint16 product = 0;
    QString serialNumber;   // empty for the many cheap adapters that have none
    // Where the adapter sits on the USB tree (on Linux the resolved sysfs device of the tty, up
    // to its USB interface); the same socket gives the same path. Empty when the system gives none.
    QString usbPath;
};

using PortLister = std::function<QList<PortEntry>()>;

// The ports the system has now, from QSerialPortInfo and, on Linux, sysfs.
QList<PortEntry> systemPorts();

// The entry of the port named as the port box gives it (a name, a device path, or a symlink to
// the device); an empty entry when the list does not have it.
PortEntry portEntryFor(const QList<PortEntry> &ports, const QString &name);

// The port under which the lost adapter is back: the same vendor, product and serial number; an
// adapter without a serial number only at the same USB path, since vendor and product alone are
// shared by every adapter of its make. Empty when none is.
QString returnedAdapterPort(const QList<PortEntry> &ports, const PortEntry &lost);

} // namespace radarlink
