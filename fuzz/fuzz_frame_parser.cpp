// The simulated radar's cutting of request frames out of the serial byte stream. The first
// byte of the input picks the chunk sizes the stream arrives in.
#include "frameparser.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int chunk = 1 + data[0] % 64;
    const QByteArray stream = wire(data + 1, size - 1);
    sim::FrameParser parser;
    int framed = 0;
    QByteArray frame;
    for (int at = 0; at < stream.size(); at += chunk) {
        parser.feed(stream.mid(at, chunk));
        while (parser.next(&frame)) {
            MUST(frame.size() >= sim::FrameParser::MinimumFrame && frame.size() <= sim::FrameParser::MaximumFrame);
            MUST(frame.startsWith("\x55\xAA") && frame.endsWith("\xED\xED"));
            MUST((quint8(frame.at(2)) | quint8(frame.at(3)) << 8) == frame.size());
            framed += frame.size();
        }
        // Every byte is in a frame, thrown away or still waiting.
        MUST(framed + parser.discardedBytes() + parser.pendingBytes() == std::min<int>(at + chunk, stream.size()));
        MUST(parser.pendingBytes() < sim::FrameParser::MaximumFrame);
    }
    const int pending = parser.pendingBytes();
    MUST(parser.takePending().size() == pending && parser.pendingBytes() == 0 && !parser.next(&frame));
    return 0;
}
