// Why a serial port cannot be opened, in the operator's words, with the remedy where there is
// one. On Linux a refused port is nearly always a missing group membership: the device file
// belongs to a group (typically dialout) the user is not in.
#pragma once

#include <QSerialPort>
#include <QString>

namespace radarlink {

// error: what QSerialPort reported for the failed open. deviceGroup: the group owning the
// device file (empty when unknown). fileAccessible: the user may read and write the device
// file, so a refusal means another program holds the port rather than missing rights.
QString portOpenFailureText(QSerialPort::SerialPortError error, const QString &deviceGroup, bool fileAccessible);

// The device file behind a port name as the port list and the port box give it: a path as it
// is, a name (ttyUSB0, pts/3) under /dev.
QString deviceFileOf(const QString &portName);

// The reason for the port as it stands now: a folder or a plain file is named as such, otherwise
// the device file's group and access are looked up.
QString portOpenFailureText(QSerialPort::SerialPortError error, const QString &portName);

} // namespace radarlink
