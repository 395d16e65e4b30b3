#include "analysecommand.h"
#include "batchrunner.h"
#include "commandline.h"
#include "historycommands.h"
#include "radarhistory.h"
#include "mainwindow.h"
#include "programend.h"
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

// A batch drives a window that is never shown, so it needs the widgets' application object
// but no display. It always takes the offscreen platform, whatever the caller's environment
// says: nothing is ever drawn on a screen, and a platform named for a display that is not there
// (xcb without an X server, say) would end the program before its first radar.
bool runsBatch(const QStringList &arguments)
{
    return commandline::parse(arguments).mode == commandline::Mode::Batch;
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

int runBatch(const commandline::Request &request)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    MainWindow window;
    window.setUnattended(true);
    BatchRunner runner(window, out, err);
    BatchRunner::Options options;
    options.action = request.batchAction == commandline::BatchAction::Read    ? BatchRunner::Action::Read
                     : request.batchAction == commandline::BatchAction::Apply ? BatchRunner::Action::Apply
                                                                              : BatchRunner::Action::Verify;
    options.ports = request.ports;
    options.file = request.sceneFile;
    options.saveToFlash = request.saveToFlash;
    options.force = request.force;
    options.json = request.json;
    return runner.run(options);
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

int runRequest(const commandline::Request &request, QCoreApplication &app)
{
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
    case commandline::Mode::Batch:
        return runBatch(request);
    case commandline::Mode::Window:
        break;
    }
    return runWindow(request, app);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("radar-config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RADAR_VERSION));
    const QStringList raw = rawArguments(argc, argv);
    const bool window = needsWindow(raw);
    const bool batch = runsBatch(raw);
    if (window)
        MainWindow::prepareHighDpi();
    if (batch)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(window || batch ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));

    const int status = runRequest(commandline::parse(app->arguments()), *app);
    waitForPooledThreads();
    return status;
}
