// The program's command line in one place: its options, the mode the arguments ask for, and
// what is refused. Nothing here needs a display, so --help, --version, the exports and every
// refusal answer on a machine without one. A new mode is one more entry in modeOptions()
// (commandline.cpp) and one more case where main() dispatches.
#pragma once

#include <QString>
#include <QStringList>

namespace commandline {

enum class Mode {
    Window,       // the window, connecting to a port or replaying a recording at start when asked
    Help,         // the usage on standard output
    Version,      // the name and version on standard output
    ExportFrames, // a recording's frames to a CSV file, no window
    ExportEvents, // a recording's events to a CSV file, no window
    History,      // the radar history as JSON lines, or its chains checked, no window
    Analyse,      // a recording's zone entries and fixed cells, no window
    Refused,      // arguments no mode takes: the reason and the usage on standard error, exit 1
};

struct Request {
    Mode mode = Mode::Window;
    QString port;      // Window: the port to connect to at start
    QString recording; // Window: the recording to replay at start; exports: the one read
    QString output;    // exports: the CSV file written
    QString serial;    // History: one radar's entries only, when given
    QString scene;     // Analyse: the scene file tried on the recording
    bool check = false; // History: check the chains instead of printing
    bool json = false;  // Analyse: one JSON object instead of readable lines
    QString reason;    // Refused: why, in one line
};

// arguments as the program got them, its own path first.
Request parse(const QStringList &arguments);

// The usage with every option; needs the application object (it names the program as started).
QString usage();

// An argument that may be one of the toolkit's own (-platform, -style, -reverse ...): only the
// window's application object takes those out of the arguments.
bool mayHoldToolkitOptions(const QStringList &arguments);

} // namespace commandline
