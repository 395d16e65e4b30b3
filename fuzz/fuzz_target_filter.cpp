// The target-filter read (0x14): direction and type.
#include "commandtable.h"
#include "fuzz.h"
#include "replies.h"

using namespace radarlink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkSizedRead(wire(data, size), RadarCommands::ReadTargetFilter.minimumReply, decodeTargetFilter,
                   [](const TargetFilterReply &a, const TargetFilterReply &b) { return sameBytes(a, b); });
    // Types 0..4 land on the three combo items.
    const TargetFilterReply f = decodeTargetFilter(wire(data, size));
    MUST(f.type > 4 || (f.typeIndex() >= 0 && f.typeIndex() <= 2));
    return 0;
}
