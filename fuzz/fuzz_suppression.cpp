// The non-alarm cells read (0x0C): count, grid edge and up to ten cells.
#include "commandtable.h"
#include "fuzz.h"
#include "replies.h"
#include "scenedata.h"

using namespace radarlink;

static bool same(const SuppressionReply &a, const SuppressionReply &b)
{
    return a.count == b.count && a.gridEdgeCm == b.gridEdgeCm && a.cells == b.cells;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = wire(data, size);
    const int minimum = RadarCommands::ReadSuppressionArea.minimumReply;
    checkSizedRead(reply, minimum, decodeSuppression, same);
    const SuppressionReply s = decodeSuppression(reply);
    MUST(s.count >= 0 && s.count <= MaxNonAlarmCells && s.count <= readU8(reply, HeaderSize));
    MUST(s.cells.size() == s.count);
    // A reply long enough for the command holds every cell it lists.
    MUST(checkSizedReply(reply, minimum) != SizedReplyCheck::Valid || HeaderSize + 2 + 4 * s.count <= reply.size());
    // The cells written back as the write command's data read back as the same cells.
    const SuppressionReply back = decodeSuppression(connectHeader() + suppressionData(s.cells, 0));
    MUST(back.count == s.count && back.cells == s.cells);
    return 0;
}
