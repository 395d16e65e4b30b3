#include "mainwindow.h"
#include "recordingfile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <cstring>
#include <memory>

namespace {
// An export runs without a window, so it needs no display.
bool exportRequested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--export-", 9) == 0)
            return true;
    return false;
}

int fail(const QString &message)
{
    QTextStream(stderr) << message << '\n';
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    const bool exporting = exportRequested(argc, argv);
    if (!exporting)
        MainWindow::prepareHighDpi();
    std::unique_ptr<QCoreApplication> app(exporting ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("radar-config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RADAR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("QObject", "毫米波安全雷达配置工具"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QCoreApplication::translate("QObject", "启动时选择串口 <name> 并连接。"),
                                        QStringLiteral("name"));
    parser.addOption(portOption);
    const QCommandLineOption replayOption(QStringLiteral("replay"),
                                          QCoreApplication::translate("QObject", "启动时回放记录 <recording>。"),
                                          QStringLiteral("recording"));
    parser.addOption(replayOption);
    const QCommandLineOption csvOption(QStringLiteral("export-csv"),
                                       QCoreApplication::translate("QObject", "把记录 <recording> 的检测帧写入 CSV 文件（第二个参数）后退出。"),
                                       QStringLiteral("recording"));
    parser.addOption(csvOption);
    const QCommandLineOption eventsOption(QStringLiteral("export-events"),
                                          QCoreApplication::translate("QObject", "把记录 <recording> 的事件写入 CSV 文件（第二个参数）后退出。"),
                                          QStringLiteral("recording"));
    parser.addOption(eventsOption);
    parser.addPositionalArgument(QStringLiteral("out.csv"), QCoreApplication::translate("QObject", "导出的 CSV 文件。"));
    parser.process(*app);

    if (exporting) {
        const bool events = parser.isSet(eventsOption);
        if (events == parser.isSet(csvOption))
            return fail(QCoreApplication::translate("QObject", "请只给出 --export-csv 或 --export-events 之一"));
        if (parser.positionalArguments().size() != 1)
            return fail(QCoreApplication::translate("QObject", "请给出一个记录文件和一个 CSV 文件"));
        QString message;
        const int status = recording::exportRecording(events, parser.value(events ? eventsOption : csvOption),
                                                      parser.positionalArguments().constFirst(), &message);
        return status == 0 ? 0 : fail(message);
    }

    MainWindow::applyProgramFont();
    MainWindow window;
    window.show();
    if (parser.isSet(portOption))
        window.connectAtStart(parser.value(portOption));
    else if (parser.isSet(replayOption))
        window.openRecording(parser.value(replayOption));
    return app->exec();
}
