#include "frameparser.h"

namespace sim {

namespace {

constexpr char Sync1 = '\x55';
constexpr char Sync2 = '\xAA';
constexpr char Tail = '\xED';

} // namespace

void FrameParser::feed(const QByteArray &bytes)
{
    buffer.append(bytes);
}

void FrameParser::drop(int count)
{
    buffer.remove(0, count);
    discarded += count;
}

void FrameParser::discardPending()
{
    drop(buffer.size());
}

QByteArray FrameParser::takePending()
{
    QByteArray pending = buffer;
    buffer.clear();
    return pending;
}

bool FrameParser::next(QByteArray *frame)
{
    for (;;) {
        // Line up on the sync bytes: drop everything before the next 55 AA. A lone 55 at the
        // very end may be the start of one, so it is kept.
        if (buffer.isEmpty())
            return false;
        if (buffer.size() >= 2 && !(buffer.at(0) == Sync1 && buffer.at(1) == Sync2)) {
            int start = -1;
            for (int i = 1; i + 1 < buffer.size(); ++i) {
                if (buffer.at(i) == Sync1 && buffer.at(i + 1) == Sync2) {
                    start = i;
                    break;
                }
            }
            if (start < 0)
                start = buffer.at(buffer.size() - 1) == Sync1 ? buffer.size() - 1 : buffer.size();
            drop(start);
            continue;
        }
        if (buffer.size() == 1 && buffer.at(0) != Sync1) {
            drop(1);
            return false;
        }
        if (buffer.size() < 4)
            return false;

        const int length = quint8(buffer.at(2)) | (quint8(buffer.at(3)) << 8);
        if (length < MinimumFrame || length > MaximumFrame) {
            drop(1);
            continue;
        }
        if (buffer.size() < length)
            return false;
        if (buffer.at(length - 2) != Tail || buffer.at(length - 1) != Tail) {
            drop(1);
            continue;
        }
        if (frame)
            *frame = buffer.left(length);
        buffer.remove(0, length);
        return true;
    }
}

} // namespace sim
