// The full scene file an operator imports: JSON that may be cut short, foreign or edited by hand.
#include "fuzz.h"
#include "scenedata.h"
#include "scenefile.h"
#include "scenefingerprint.h"

#include <QString>

using namespace radarlink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SceneFile file;
    file.deviceType = 0; // no file gives this: a refused one must leave it
    QString error;
    const bool read = decodeSceneFile(wire(data, size), &file, &error);
    MUST(read == error.isEmpty());
    if (!read) {
        MUST(file.deviceType == 0 && file.scene.cells.isEmpty());
        return 0;
    }
    // What is taken fits the form: its device types, the angle box, the boundaries' sides, the
    // grid list, ten cells at most, in the order they are sent.
    const WireScene &s = file.scene;
    MUST(file.deviceType >= 1 && file.deviceType <= 3);
    MUST(s.angle <= 120 && s.leftHalfMetres <= 0 && s.rightHalfMetres >= 0 && s.direction <= 2 && s.type <= 4);
    MUST(QVector<int>({25, 50, 100, 150, 200}).contains(s.gridEdgeCm));
    MUST(s.cells.size() <= SuppressionSlots && s.cells == cellsInSendOrder(s.cells));
    // Written out again, it reads back as the same scene with the same fingerprint.
    const QByteArray again = encodeSceneFile(file, SceneFileLayout::Compact);
    SceneFile back;
    MUST(decodeSceneFile(again, &back, &error));
    MUST(encodeSceneFile(back, SceneFileLayout::Compact) == again);
    MUST(sceneFingerprint(back.scene) == sceneFingerprint(s));
    return 0;
}
