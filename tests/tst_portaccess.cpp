// Why a port cannot be opened, as the log tells the operator. The tests run as root, where a
// port is never refused for rights, so the refusal is checked through the text it maps to.
#include "mainwindow.h"
#include "portaccess.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QTemporaryDir>

using namespace radarlink;

class TestPortAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }

    void reasonText_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("text");
        const int noRights = int(QSerialPort::PermissionError);
        const QString dialout = QStringLiteral("dialout");
        QTest::newRow("no rights, dialout") << noRights << dialout << false
            << QStringLiteral("没有权限打开串口：请将当前用户加入“dialout”组（sudo usermod -aG dialout $USER），然后重新登录");
        QTest::newRow("no rights, uucp") << noRights << QStringLiteral("uucp") << false
            << QStringLiteral("没有权限打开串口：请将当前用户加入“uucp”组（sudo usermod -aG uucp $USER），然后重新登录");
        QTest::newRow("no rights, group unknown") << noRights << QString() << false << QStringLiteral("没有权限打开串口");
        // The file is ours to use, so the refusal is another program's lock on the port.
        QTest::newRow("locked by another program") << noRights << dialout << true << QStringLiteral("串口已被其他程序占用");
        QTest::newRow("already open") << int(QSerialPort::OpenError) << dialout << true << QStringLiteral("串口已被其他程序占用");
        QTest::newRow("not found") << int(QSerialPort::DeviceNotFoundError) << QString() << false << QStringLiteral("串口不存在");
        QTest::newRow("unsupported") << int(QSerialPort::UnsupportedOperationError) << dialout << true
                                     << QStringLiteral("串口不支持所需的设置");
        QTest::newRow("anything else") << int(QSerialPort::ResourceError) << dialout << true << QStringLiteral("串口无法使用");
    }
    void reasonText()
    {
        QFETCH(int, error);
        QFETCH(QString, group);
        QFETCH(bool, accessible);
        QTEST(portOpenFailureText(QSerialPort::SerialPortError(error), group, accessible), "text");
    }

    void deviceFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("usb adapter") << QStringLiteral("ttyUSB0") << QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("pseudo-terminal") << QStringLiteral("pts/3") << QStringLiteral("/dev/pts/3");
        QTest::newRow("path") << QStringLiteral("/tmp/x/radar-tty") << QStringLiteral("/tmp/x/radar-tty");
    }
    void deviceFile()
    {
        QFETCH(QString, name);
        QTEST(deviceFileOf(name), "file");
    }

    // A connect to a plain file, which takes no line settings: the line after the failure
    // names that reason, and no watch starts.
    void connectFailureGivesTheReason()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("plain-file"));
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        MainWindow w;
        w.ui->comboBoxSerial->setEditText(path);
        w.ui->pushButtonConnect->click();
        QCOMPARE(logLines(w.ui->listWidget), (QStringList{QStringLiteral("无法打开串口：") + path, QStringLiteral("串口不支持所需的设置")}));
        QVERIFY(!w.ui->pushButtonConnect->isHidden());
        QVERIFY(!w.isWaitingForPort());
    }
};

RADAR_TEST_MAIN(TestPortAccess)
#include "tst_portaccess.moc"
