#include "portaccess.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace radarlink {

QString portOpenFailureText(QSerialPort::SerialPortError error, const QString &deviceGroup, bool fileAccessible)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QCoreApplication::translate("MainWindow", "串口不存在");
    case QSerialPort::OpenError:
        return QCoreApplication::translate("MainWindow", "串口已被其他程序占用");
    case QSerialPort::PermissionError:
        // The port's lock or exclusive mode held by another program comes back as a permission
        // error too; only a file the user may not touch is a question of rights.
        if (fileAccessible)
            return QCoreApplication::translate("MainWindow", "串口已被其他程序占用");
        if (deviceGroup.isEmpty())
            return QCoreApplication::translate("MainWindow", "没有权限打开串口");
        return QCoreApplication::translate("MainWindow", "没有权限打开串口：请将当前用户加入“%1”组（sudo usermod -aG %1 $USER），然后重新登录").arg(deviceGroup);
    case QSerialPort::UnsupportedOperationError:
        return QCoreApplication::translate("MainWindow", "串口不支持所需的设置");
    default:
        return QCoreApplication::translate("MainWindow", "串口无法使用");
    }
}

QString deviceFileOf(const QString &portName)
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}

QString portOpenFailureText(QSerialPort::SerialPortError error, const QString &portName)
{
    const QFileInfo file(deviceFileOf(portName));
    // A path typed wrong names something that is no device at all; saying so beats any reason
    // QSerialPort gives for it.
    if (file.isDir())
        return QCoreApplication::translate("MainWindow", "这是一个文件夹，不是串口");
    if (file.isFile())
        return QCoreApplication::translate("MainWindow", "这是一个普通文件，不是串口");
    return portOpenFailureText(error, file.exists() ? file.group() : QString(),
                               file.exists() && file.isReadable() && file.isWritable());
}

} // namespace radarlink
