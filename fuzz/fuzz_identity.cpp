// The identity reply (0x0D): station, serial number, relay states.
#include "commandtable.h"
#include "fuzz.h"
#include "replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkSizedRead(wire(data, size), RadarCommands::ReadIdentity.minimumReply, radarlink::decodeIdentity,
                   [](const auto &a, const auto &b) { return sameBytes(a, b); });
    return 0;
}
