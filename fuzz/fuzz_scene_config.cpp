// The 64-byte scene file an operator loads to set up a radar.
#include "fuzz.h"
#include "sceneconfig.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = wire(data, size);
    const SceneConfig c = decodeSceneConfig(bytes);
    for (double d : {c.detectionFar, c.detectionNear, c.warningFar, c.alarmFar, c.leftBoundary, c.rightBoundary})
        MUST(std::isfinite(d));
    // Saving what was loaded gives the file's own bytes for every value that was whole in it
    // (and, for the six distances, finite), zeros for the others; and it loads the same.
    const QByteArray saved = encodeSceneConfig(c);
    MUST(saved.size() == SceneConfigSize);
    for (int at = 0; at < SceneConfigSize; at += at < 48 ? 8 : 4) {
        const int width = at < 48 ? 8 : 4;
        const bool whole = size_t(at + width) <= size;
        const bool finite = at >= 48 || !whole || (data[at] & 0x7F) != 0x7F || (data[at + 1] & 0xF0) != 0xF0;
        MUST(saved.mid(at, width) == (whole && finite ? bytes.mid(at, width) : QByteArray(width, '\0')));
    }
    const SceneConfig back = decodeSceneConfig(saved);
    MUST(std::memcmp(&back, &c, sizeof c) == 0);
    return 0;
}
