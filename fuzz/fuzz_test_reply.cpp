// The test reply (0x06/4) and the distance the measuring dialog shows from it.
#include "frame.h"
#include "fuzz.h"
#include "tooldata.h"

using namespace radarlink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = wire(data, size);
    const DeadlineReplyCheck check = checkDeadlineReply(reply);
    MUST(check != DeadlineReplyCheck::Valid
         || (reply.size() >= HeaderSize && reply.size() >= replyLengthField(reply) && replyLengthField(reply) > HeaderSize));
    quint16 cm = 0xBEEF;
    const bool shown = testReplyDistance(reply, &cm);
    MUST(shown == (size >= 14));
    MUST(shown || cm == 0xBEEF);
    quint16 padded = 0;
    MUST(!shown || (testReplyDistance(zeroPadded(reply), &padded) && padded == cm));
    return 0;
}
