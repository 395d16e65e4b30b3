// The detection-result reply (0x06/1) and the targets it carries.
#include "frame.h"
#include "fuzz.h"
#include "replies.h"

using namespace radarlink;

// The frame as the radar would send it: header, count byte at 13, 12 bytes per target.
static QByteArray encoded(const TargetFrame &frame)
{
    QByteArray reply = connectHeader();
    reply.append('\0');
    reply.append(char(frame.size()));
    for (const TargetReport &t : frame) {
        for (int k = 0; k < 5; ++k)
            appendU16(reply, t.at(k));
        reply.append(char(t.at(5)));
        reply.append('\0');
    }
    return reply;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = wire(data, size);
    const DeadlineReplyCheck check = checkDeadlineReply(reply);
    MUST(check != DeadlineReplyCheck::Valid || deadlineReplyComplete(reply));
    const TargetFrame frame = decodeTargetFrame(reply);
    const int room = size < 14 ? 0 : int(size - 14) / 12;
    MUST(frame.size() <= room && frame.size() <= readU8(reply, 13));
    for (auto it = frame.cbegin(); it != frame.cend(); ++it)
        MUST(it.value().size() == 6 && it.value().at(0) == it.key() && it.value().at(5) <= 0xFF);
    MUST(decodeTargetFrame(encoded(frame)) == frame);
    classifyTargets(frame, 1.5, 3.0, 10.0);
    return 0;
}
