// The link's health as the exchanges see it: what went out and came back per command, what went
// wrong with the replies, how long the radar took to answer and how often the result poll ran.
// Pure bookkeeping: times come in from the caller as milliseconds since the connection opened.
#pragma once

#include <QMap>
#include <QVector>
#include <QtGlobal>

namespace radarlink {

// How one exchange ended, as far as the link is concerned.
enum class ExchangeOutcome {
    Answered,   // a reply that passed the checks of its command
    TimedOut,   // not one byte came back
    WrongSync,  // the reply did not start with 55 aa
    Short,      // fewer bytes than the command's least reply
    Incomplete  // fewer bytes than the reply's own length field
};

struct CommandCounts
{
    int requests = 0;
    int replies = 0; // exchanges that got at least one byte back
};

class LinkStatistics
{
public:
    static constexpr int ReplyTimesKept = 100;
    static constexpr qint64 PollWindowMs = 5000;

    // A connection the operator asked for: every figure starts again. An automatic one resumes
    // the lost connection: the figures run on (the caller's clock with them) and it counts as a
    // reconnect.
    void startConnection(bool automatic);

    // One exchange: the command (function code and, for 0x06, its sub-command), the bytes
    // that went out and came back, how it ended, and when it started and got its reply.
    void recordExchange(quint16 commandKey, int bytesSent, int bytesReceived, ExchangeOutcome outcome,
                        qint64 startedMs, qint64 replyMs);
    // The result poll of the radar went out at atMs.
    void recordResultPoll(qint64 atMs);

    static quint16 commandKey(quint8 code, quint8 subCommand) { return quint16(code << 8 | subCommand); }

    // Result polls per second over the last PollWindowMs before nowMs (or since the connection
    // when it is younger).
    double pollsPerSecond(qint64 nowMs) const;
    // Median of the last ReplyTimesKept reply times, -1 before the first reply.
    double medianReplyMs() const;
    qint64 longestReplyMs() const { return longestReply; }

    int timeouts() const { return timeoutCount; }
    int wrongSync() const { return wrongSyncCount; }
    int shortReplies() const { return shortCount; }
    int incomplete() const { return incompleteCount; }
    // Wrong sync, short and incomplete together.
    int badReplies() const { return wrongSyncCount + shortCount + incompleteCount; }
    qint64 bytesSent() const { return sent; }
    qint64 bytesReceived() const { return received; }
    int reconnects() const { return reconnectCount; }
    // Per command key, in key order.
    const QMap<quint16, CommandCounts> &perCommand() const { return commands; }

private:
    QMap<quint16, CommandCounts> commands;
    QVector<qint64> replyTimes; // ring of the last ReplyTimesKept
    int nextReplySlot = 0;
    QVector<qint64> pollTimes;  // the polls inside the window, oldest first
    qint64 longestReply = 0;
    int timeoutCount = 0;
    int wrongSyncCount = 0;
    int shortCount = 0;
    int incompleteCount = 0;
    qint64 sent = 0;
    qint64 received = 0;
    int reconnectCount = 0;
};

} // namespace radarlink
