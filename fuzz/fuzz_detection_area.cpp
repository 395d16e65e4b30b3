// The detection-area read (0x0A): far edge and opening angle.
#include "commandtable.h"
#include "fuzz.h"
#include "replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkSizedRead(wire(data, size), RadarCommands::ReadDetectionArea.minimumReply, radarlink::decodeDetectionArea,
                   [](const auto &a, const auto &b) { return sameBytes(a, b); });
    return 0;
}
