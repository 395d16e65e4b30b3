#include "mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    MainWindow::prepareHighDpi();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("radar-config"));
    QApplication::setApplicationVersion(QStringLiteral(RADAR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("QObject", "毫米波安全雷达配置工具"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QCoreApplication::translate("QObject", "启动时选择串口 <name> 并连接。"),
                                        QStringLiteral("name"));
    parser.addOption(portOption);
    parser.process(app);

    MainWindow::applyProgramFont();
    MainWindow window;
    window.show();
    if (parser.isSet(portOption))
        window.connectAtStart(parser.value(portOption));
    return app.exec();
}
