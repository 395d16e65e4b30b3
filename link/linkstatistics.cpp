#include "linkstatistics.h"

#include <algorithm>

namespace radarlink {

void LinkStatistics::startConnection(bool automatic)
{
    if (automatic)
        ++reconnectCount;
    else
        *this = LinkStatistics();
}

void LinkStatistics::recordExchange(quint16 commandKey, int bytesSent, int bytesReceived, ExchangeOutcome outcome,
                                    qint64 startedMs, qint64 replyMs)
{
    CommandCounts &counts = commands[commandKey];
    ++counts.requests;
    sent += bytesSent;
    received += bytesReceived;
    if (bytesReceived > 0) {
        ++counts.replies;
        const qint64 took = qMax<qint64>(0, replyMs - startedMs);
        if (replyTimes.size() < ReplyTimesKept)
            replyTimes.append(took);
        else
            replyTimes[nextReplySlot] = took;
        nextReplySlot = (nextReplySlot + 1) % ReplyTimesKept;
        longestReply = qMax(longestReply, took);
    }
    switch (outcome) {
    case ExchangeOutcome::Answered:
        break;
    case ExchangeOutcome::TimedOut:
        ++timeoutCount;
        break;
    case ExchangeOutcome::WrongSync:
        ++wrongSyncCount;
        break;
    case ExchangeOutcome::Short:
        ++shortCount;
        break;
    case ExchangeOutcome::Incomplete:
        ++incompleteCount;
        break;
    }
}

void LinkStatistics::recordResultPoll(qint64 atMs)
{
    pollTimes.append(atMs);
    // Keep only what the window can still see; the list stays as short as one window of polls.
    const auto firstInWindow = std::upper_bound(pollTimes.begin(), pollTimes.end(), atMs - PollWindowMs);
    pollTimes.erase(pollTimes.begin(), firstInWindow);
}

double LinkStatistics::pollsPerSecond(qint64 nowMs) const
{
    const qint64 windowStart = nowMs - PollWindowMs;
    const auto inWindow = std::count_if(pollTimes.begin(), pollTimes.end(),
                                        [&](qint64 t) { return t > windowStart && t <= nowMs; });
    const qint64 span = qMin(PollWindowMs, nowMs);
    return span > 0 ? inWindow * 1000.0 / double(span) : 0.0;
}

double LinkStatistics::medianReplyMs() const
{
    if (replyTimes.isEmpty())
        return -1;
    QVector<qint64> sorted = replyTimes;
    std::sort(sorted.begin(), sorted.end());
    const int n = sorted.size();
    return n % 2 ? double(sorted[n / 2]) : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

} // namespace radarlink
