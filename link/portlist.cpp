#include "portlist.h"

#include "portaccess.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace radarlink {

namespace {
// /sys/class/tty/<name>/device leads to the USB interface (ttyACM) or to the tty below it
// (ttyUSB); the interface is the place that stays when the port comes back under another name.
QString usbPathOf(const QString &portName)
{
    const QString device = QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath();
    if (device.isEmpty() || !device.contains(QLatin1String("/usb")))
        return QString();
    const QFileInfo resolved(device);
    return resolved.fileName() == portName ? resolved.absolutePath() : device;
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}
} // namespace

QList<PortEntry> systemPorts()
{
    QList<PortEntry> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        PortEntry entry;
        entry.name = info.portName();
        entry.systemLocation = info.systemLocation();
        entry.usb = info.hasVendorIdentifier() && info.hasProductIdentifier();
        entry.vendor = info.vendorIdentifier();
        entry.product = info.productIdentifier();
        entry.serialNumber = info.serialNumber();
        entry.usbPath = usbPathOf(info.portName());
        ports << entry;
    }
    return ports;
}

PortEntry portEntryFor(const QList<PortEntry> &ports, const QString &name)
{
    const QString device = deviceFileOf(name);
    const QString resolved = canonical(device);
    for (const PortEntry &entry : ports)
        if (entry.name == name || entry.systemLocation == device
            || (!resolved.isEmpty() && canonical(entry.systemLocation) == resolved))
            return entry;
    return PortEntry();
}

QString returnedAdapterPort(const QList<PortEntry> &ports, const PortEntry &lost)
{
    if (!lost.usb)
        return QString();
    for (const PortEntry &entry : ports) {
        if (!entry.usb || entry.vendor != lost.vendor || entry.product != lost.product)
            continue;
        const bool sameAdapter = lost.serialNumber.isEmpty()
                                     ? !lost.usbPath.isEmpty() && entry.serialNumber.isEmpty() && entry.usbPath == lost.usbPath
                                     : entry.serialNumber == lost.serialNumber;
        if (sameAdapter)
            return entry.name;
    }
    return QString();
}

} // namespace radarlink
