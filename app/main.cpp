#include "analysecommand.h"
#include "commandline.h"
#include "historycommands.h"
#include "radarhistory.h"
#include "mainwindow.h"
#include "recordingfile.h"

#include <QApplication>
#include <QTextStream>

#include <memory>

namespace {
// The arguments before any application object exists, decoded as Qt decodes them on Unix; they
// only choose which application object to make, which then gives the arguments for real.
QStringList rawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Only the window needs a display. Arguments refused only because they hold one of the
// toolkit's own options are looked at again once the window's application object has taken
// those out.
bool needsWindow(const QStringList &arguments)
{
    const commandline::Mode mode = commandline::parse(arguments).mode;
    return mode == commandline::Mode::Window
           || (mode == commandline::Mode::Refused && commandline::mayHoldToolkitOptions(arguments));
}

int say(FILE *stream, const QString &text, int status)
{
    QTextStream(stream) << text << (text.endsWith(QLatin1Char('\n')) ? "" : "\n");
    return status;
}

int exportRecording(const commandline::Request &request)
{
    QString message;
    const bool events = request.mode == commandline::Mode::ExportEvents;
    if (recording::exportRecording(events, request.recording, request.output, &message) != 0)
        return say(stderr, message, 1);
    return 0;
}

int runHistory(const commandline::Request &request)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The team's server when radar-config.ini names one, else the working folder's file.
    const RadarHistory::Settings settings = RadarHistory::Settings::fromIni(MainWindow::settingsFilePath());
    return historycommands::runHistoryCommand(settings, request.serial, request.check, out, err);
}

int runAnalysis(const commandline::Request &request)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return analyseRecording(request.recording, request.scene, request.json, out, err);
}

int runWindow(const commandline::Request &request, QCoreApplication &app)
{
    MainWindow::applyProgramFont();
    MainWindow window;
    window.show();
    if (!request.port.isEmpty())
        window.connectAtStart(request.port);
    else if (!request.recording.isEmpty())
        window.openRecording(request.recording);
    return app.exec();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("radar-config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RADAR_VERSION));
    const bool window = needsWindow(rawArguments(argc, argv));
    if (window)
        MainWindow::prepareHighDpi();
    std::unique_ptr<QCoreApplication> app(window ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));

    const commandline::Request request = commandline::parse(app->arguments());
    switch (request.mode) {
    case commandline::Mode::Help:
        return say(stdout, commandline::usage(), 0);
    case commandline::Mode::Version:
        return say(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion(), 0);
    case commandline::Mode::Refused:
        return say(stderr, request.reason + QStringLiteral("\n\n") + commandline::usage(), 1);
    case commandline::Mode::ExportFrames:
    case commandline::Mode::ExportEvents:
        return exportRecording(request);
    case commandline::Mode::History:
        return runHistory(request);
    case commandline::Mode::Analyse:
        return runAnalysis(request);
    case commandline::Mode::Window:
        break;
    }
    return runWindow(request, *app);
}
