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
    Batch,        // radars read, applied or verified one after another, no window shown
    Refused,      // arguments no mode takes: the reason and the usage on standard error, exit 1
};

enum class BatchAction { Read, Apply, Verify };

struct Request {
    Mode mode = Mode::Window;
    QString port;      // Window: the port to connect to at start
    QStringList ports; // Batch: the radars' ports in the order given, the lists taken apart
    BatchAction batchAction = BatchAction::Read;
    QString sceneFile; // Batch: the file written (--read) or the scene file (--apply, --verify)
    bool saveToFlash = false; // Batch --apply: committed to flash after it
    bool force = false;       // Batch --apply: sent when equal, and to another device type
    QString recording; // Window: the recording to replay at start; exports: the one read
    QString output;    // exports: the CSV file written
    QString serial;    // History: one radar's entries only, when given
    QString scene;     // Analyse: the scene file tried on the recording
    bool check = false; // History: check the chains instead of printing
    bool json = false;  // Analyse, Batch: JSON instead of readable lines
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
