// The loader's answer to an upgrade packet.
#include "fuzz.h"
#include "upgradeprotocol.h"

using namespace upgrade;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const bool accepted = isAcceptedAcknowledgement(wire(data, size));
    MUST(accepted == (size == 72 && data[0] == 0x44 && data[1] == 0xBB && data[4] == 0 && data[5] == 0));
    return 0;
}
