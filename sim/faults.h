// How a reply can go wrong on the way to the tool: one fault for one command or for all.
#pragma once

#include <QByteArray>

namespace sim {

enum class Fault { None, Silent, Late, Split, Short, BadSync, GarbageBefore, GarbageAfter };

struct FaultSpec
{
    Fault kind = Fault::None;
    int delayMs = 0;      // Late: delay before the reply; other kinds: added before their first byte
    int pieces = 3;       // Split
    int gapMs = 30;       // Split: pause between pieces
    int remaining = -1;   // -1: every reply; n: the next n replies, then the fault is gone
    QByteArray garbage = QByteArray::fromHex("0102fe");   // GarbageBefore / GarbageAfter
};

} // namespace sim
