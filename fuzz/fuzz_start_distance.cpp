// The start-distance read (0x15): where detection begins.
#include "commandtable.h"
#include "fuzz.h"
#include "replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkSizedRead(wire(data, size), RadarCommands::ReadStartDistance.minimumReply, radarlink::decodeStartDistance,
                   [](const auto &a, const auto &b) { return sameBytes(a, b); });
    return 0;
}
