// The request/reply exchange every command goes through: take the link, build and log the
// request, drop stale input, write, await the reply the command's way, log and check it.
#include "mainwindow.h"

#include "commandtable.h"
#include "frame.h"
#include "linkstatistics.h"

#include <QElapsedTimer>

using namespace radarlink;

namespace {

// A hung-up or unplugged line: every wait fails at once, so waiting on would only spin.
bool lineFailed(const QSerialPort &port)
{
    const QSerialPort::SerialPortError error = port.error();
    return !port.isOpen() || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError);
}

QByteArray awaitAcknowledgement(QSerialPort &port, int waitMs)
{
    port.waitForReadyRead(waitMs);
    QByteArray reply = port.readAll();
    // An acknowledgement that comes in pieces is read to its own end while its pieces keep
    // coming: its tail would otherwise meet the next command as the start of that one's reply.
    for (int attempt = 0; attempt < 10 && hasSync(reply) && !deadlineReplyComplete(reply) && !lineFailed(port);
         ++attempt) {
        if (!port.waitForReadyRead(100))
            break;
        reply += port.readAll();
    }
    return reply;
}

QByteArray awaitSizedReply(QSerialPort &port, int minimumSize)
{
    QByteArray reply;
    for (int attempt = 0; attempt < 10 && reply.size() < minimumSize && !lineFailed(port); ++attempt) {
        port.waitForReadyRead(100);
        reply += port.readAll();
    }
    return reply;
}

QByteArray awaitDeadlineReply(QSerialPort &port, const bool &cutShort)
{
    QByteArray reply;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000 && !cutShort && !lineFailed(port)) {
        port.waitForReadyRead(50);
        reply += port.readAll();
        if (deadlineReplyComplete(reply))
            break;
    }
    return reply;
}

} // namespace

bool MainWindow::runExchange(const RadarCommand &command, const QByteArray &payload,
                             const ReplyHandler &applyReply)
{
    QSerialPort &port = serialChannel.port;
    if (!port.isOpen())
        return false;
    // Waiting for the lock pumps events: the operator may end this connection, and even open
    // another, before the lock is ours. A command of an ended connection sends nothing.
    const quint64 connection = connectionId;
    if (command.triesLockOnce) {
        if (!serialChannel.tryAcquireOnce())
            return false;
    } else {
        serialChannel.acquireProcessingEvents();
    }
    if (!port.isOpen() || connection != connectionId) {
        serialChannel.release();
        return false;
    }

    const QByteArray request = buildRequest(frameHeader, command.code, payload);
    emit printThread(command.request() + toHexText(request));
    serialChannel.discardPendingInput();
    const qint64 startedMs = connectionClock.elapsed();
    port.write(request);
    port.flush();

    QByteArray reply;
    switch (command.discipline) {
    case ReplyDiscipline::ShortAck:
        reply = awaitAcknowledgement(port, 50);
        break;
    case ReplyDiscipline::LongAck:
        reply = awaitAcknowledgement(port, 1000);
        break;
    case ReplyDiscipline::SizedRead:
        reply = awaitSizedReply(port, command.minimumReply);
        break;
    case ReplyDiscipline::Deadline:
    case ReplyDiscipline::Own:
        // A running scene send cuts any other wait short. The poll's wait ends on a pause as
        // well (a failed send leaves one, the sampling tool sets one before it takes the port);
        // the distance test, asked for by the operator, waits for its answer once no send runs.
        reply = awaitDeadlineReply(port, &command == &RadarCommands::ResultQuery ? pollingPaused : sceneSendRunning);
        break;
    }

    const qint64 replyMs = connectionClock.elapsed();
    if (&command == &RadarCommands::ResultQuery)
        linkStats.recordResultPoll(startedMs);
    const auto count = [&](ExchangeOutcome outcome) {
        linkStats.recordExchange(LinkStatistics::commandKey(command.code, command.subCommand), request.size(),
                                 reply.size(), outcome, startedMs, replyMs);
    };

    const bool deadline = command.discipline == ReplyDiscipline::Deadline;
    if (reply.isEmpty()) {
        count(ExchangeOutcome::TimedOut);
        emit printThread(command.timeout());
        if (command.silentGivesLengthLine)
            emit printThread(command.length());
        serialChannel.release();
        return deadline;
    }
    emit printThread(command.reply() + toHexText(reply));

    bool result = true;
    if (command.discipline == ReplyDiscipline::SizedRead) {
        switch (checkSizedReply(reply, command.minimumReply)) {
        case SizedReplyCheck::Empty:
        case SizedReplyCheck::TooShort:
            count(ExchangeOutcome::Short);
            emit printThread(command.length());
            result = false;
            break;
        case SizedReplyCheck::BadSync:
            count(ExchangeOutcome::WrongSync);
            emit printThread(command.sync());
            result = false;
            break;
        case SizedReplyCheck::Valid:
            count(ExchangeOutcome::Answered);
            result = applyReply ? applyReply(reply) : true;
            break;
        }
    } else if (deadline) {
        switch (checkDeadlineReply(reply)) {
        case DeadlineReplyCheck::BadSync:
            count(ExchangeOutcome::WrongSync);
            emit printThread(command.sync());
            break;
        case DeadlineReplyCheck::Incomplete:
            count(ExchangeOutcome::Incomplete);
            emit printThread(command.length().arg(reply.size()).arg(expectedDeadlineLength(reply)));
            break;
        case DeadlineReplyCheck::Valid:
            count(ExchangeOutcome::Answered);
            if (applyReply)
                applyReply(reply);
            break;
        case DeadlineReplyCheck::Empty:
        case DeadlineReplyCheck::NoData:
            count(ExchangeOutcome::Answered);
            break;
        }
    } else {
        // An acknowledgement's content is not examined: any byte back is an answer.
        count(ExchangeOutcome::Answered);
        if (applyReply)
            result = applyReply(reply);
    }
    serialChannel.release();
    return result;
}
