// The full scene file: everything the fingerprint covers (the marked cells included), the device
// type the scene was made for and its fingerprint, as JSON a person can read. Values are in wire
// units. docs/fingerprint.md describes the format; the 64-byte .cfg file stays as it is.
#pragma once

#include "scenecompare.h"

#include <QByteArray>
#include <QString>

namespace radarlink {

constexpr int SceneFileVersion = 1;
// Larger files are refused before they are parsed.
constexpr qint64 SceneFileMaxBytes = 64 * 1024;

struct SceneFile {
    int deviceType = 1;
    WireScene scene;
};

enum class SceneFileLayout { Indented, Compact };

// The file's text; its cells in send order, with the scene's fingerprint.
QByteArray encodeSceneFile(const SceneFile &file, SceneFileLayout layout = SceneFileLayout::Indented);

// Reads and checks a scene file. On success fills *file; on failure leaves it untouched and
// puts the reason, ready for the operator, in *error.
bool decodeSceneFile(const QByteArray &bytes, SceneFile *file, QString *error);

// The same for a file on disk; writing goes to a temporary file renamed over the old one only
// when complete.
bool readSceneFile(const QString &path, SceneFile *file, QString *error);
bool writeSceneFile(const QString &path, const SceneFile &file, QString *error);

} // namespace radarlink
