// Why a port cannot be opened, as the log tells the operator: something that is no serial port
// at all (a folder, a plain file, /dev/null) is named for what it is, under the path the
// operator gave, and no watch starts. The tests run as root, where a port is never refused for
// rights, so only the refusals a root user meets are opened for real.
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

    void connectFailureGivesTheReason_data()
    {
        QTest::addColumn<QString>("port"); // "<folder>" and "<file>" stand for ones made here
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder") << QStringLiteral("<folder>") << QStringLiteral("这是一个文件夹，不是串口");
        QTest::newRow("plain file") << QStringLiteral("<file>") << QStringLiteral("这是一个普通文件，不是串口");
        QTest::newRow("/dev/null") << QStringLiteral("/dev/null") << QStringLiteral("串口不支持所需的设置");
        QTest::newRow("missing device") << QStringLiteral("/dev/no-such-radar-port") << QStringLiteral("串口不存在");
    }
    // "连接" on it: the line naming the port as typed, then the reason; the tool stays idle.
    void connectFailureGivesTheReason()
    {
        QFETCH(QString, port);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        if (port == QLatin1String("<folder>")) {
            port = folder.path();
        } else if (port == QLatin1String("<file>")) {
            port = folder.filePath(QStringLiteral("plain-file"));
            QVERIFY(QFile(port).open(QIODevice::WriteOnly));
        }
        MainWindow w;
        w.ui->comboBoxSerial->setEditText(port);
        w.ui->pushButtonConnect->click();
        QFETCH(QString, reason);
        QCOMPARE(logLines(w.ui->listWidget), (QStringList{QStringLiteral("无法打开串口：") + port, reason}));
        QVERIFY(!w.ui->pushButtonConnect->isHidden());
        QVERIFY(!w.isWaitingForPort());
    }
};

RADAR_TEST_MAIN(TestPortAccess)
#include "tst_portaccess.moc"
