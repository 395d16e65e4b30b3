// The alarm-area read (0x0B): warning and alarm edges, left and right boundaries.
#include "commandtable.h"
#include "fuzz.h"
#include "replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkSizedRead(wire(data, size), RadarCommands::ReadAlarmArea.minimumReply, radarlink::decodeAlarmArea,
                   [](const auto &a, const auto &b) { return sameBytes(a, b); });
    return 0;
}
