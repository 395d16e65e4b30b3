// The trip analysis without a window: a recording read whole, a scene file to try on it, and
// the command line's report (radar-config --analyse RECORDING [--scene FILE] [--json]).
#pragma once

#include "recordingfile.h"
#include "tripanalysis.h"

class QTextStream;

namespace trip {

// A recording's rows as the analysis needs them: every frame with its targets.
struct RecordingRows {
    QVector<recording::Frame> frames;
    QVector<recording::Scene> scenes;
    QVector<recording::Event> events;
    recording::Identity identity;
    bool identityKnown = false;
};
// False with a one-line reason when the file is not a readable recording or holds no frame.
bool readRecording(const QString &path, RecordingRows *rows, QString *error);

struct SceneFile {
    radarlink::WireScene scene;
    int deviceType = -1; // the device type the file was written for; -1 when it does not say
};
// Every kind of scene file goes through here: the form's 64-byte .cfg, its distances taken as
// the form takes them (a tenth of a metre) and its grid index one of the grid combo's five edges
// (the window clamps a wrong index, here it is refused), which names no device type and holds no
// cells; and the full scene file (link/scenefile.h), with its device type and cells. False with a
// one-line reason.
bool readSceneFile(const QString &path, SceneFile *scene, QString *error);

// Why a scene cannot be laid over the tool's grid (an edge the grid combo does not offer, a
// range with no cell, more than ten non-alarm cells or one outside the grid); empty when it can.
QString sceneGridProblem(const radarlink::WireScene &scene);

} // namespace trip

// Prints the zone entries of the recorded scene and, with a scene file, of that scene, and the
// cells where something stayed; readable lines, or one JSON object with json. Returns 0, or 1
// with one line on err for bad input: a missing or unreadable file, a recording without frames
// or scenes, a scene file for another device type or one that does not fit the grid.
int analyseRecording(const QString &recording, const QString &sceneFile, bool json, QTextStream &out, QTextStream &err);
