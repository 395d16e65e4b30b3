// The line: the pseudo-terminal in raw mode, the worker thread that reads requests and writes
// what is due, pacing at the wire rate, and hang-ups with a fresh line after them.
#include "radarsimulator.h"

#include "frameparser.h"
#include "simwire.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// While nobody holds the line open the master reports a hang-up at once; look again this often.
constexpr int HungUpRetryMs = 5;
constexpr int PacedChunkBytes = 16;
// Time between the last byte of the final reply and the dropped line.
constexpr int HangUpLingerMs = 100;
// Paced output may catch up this far on a late wake-up, never more.
constexpr int PacedSlackMs = 5;
// A sampling stream is produced in slices of about this length.
constexpr int SampleProductionMs = 5;
constexpr qint64 SampledOutputCap = 32 * 1024 * 1024;

bool makeRaw(int fd)
{
    termios tio;
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

RadarSimulator::RadarSimulator()
    : started(Clock::now())
{
}

RadarSimulator::~RadarSimulator()
{
    stop();
}

// ---- line -----------------------------------------------------------------------------------

bool RadarSimulator::openLine(QString *why)
{
    int master = -1;
    int slave = -1;
    char name[256] = {0};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *why = QStringLiteral("openpty failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A fresh pty is in cooked mode with echo on: every reply would come straight back to us as
    // input and the operator's port would see line editing. Raw before a single byte moves.
    if (!makeRaw(slave)) {
        *why = QStringLiteral("cannot put %1 in raw mode: %2")
                   .arg(QString::fromLocal8Bit(name), QString::fromLocal8Bit(std::strerror(errno)));
        ::close(slave);
        ::close(master);
        return false;
    }
    ::close(slave);   // only the operator's tool holds the slave from now on
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);

    const QString path = QString::fromLocal8Bit(name);
    if (!linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(linkPath);
        const QByteArray target = QFile::encodeName(path);
        ::unlink(link.constData());   // an old symlink of ours, checked by start()
        if (::symlink(target.constData(), link.constData()) != 0) {
            *why = QStringLiteral("cannot create the link %1: %2")
                       .arg(linkPath, QString::fromLocal8Bit(std::strerror(errno)));
            ::close(master);
            return false;
        }
    }
    masterFd = master;
    slavePath = path;
    return true;
}

void RadarSimulator::closeLine()
{
    if (masterFd >= 0)
        ::close(masterFd);
    masterFd = -1;
}

bool RadarSimulator::start(const QString &symlink)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (running) {
        error = QStringLiteral("already running");
        return false;
    }
    if (!symlink.isEmpty()) {
        const QFileInfo info(symlink);
        if (info.exists() && !info.isSymLink()) {
            error = QStringLiteral("%1 exists and is not a symlink; not replacing it").arg(symlink);
            return false;
        }
    }
    linkPath = symlink;
    QString why;
    if (!openLine(&why)) {
        error = why;
        linkPath.clear();
        return false;
    }
    if (pipe2(wakeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = QStringLiteral("pipe failed");
        closeLine();
        if (!linkPath.isEmpty())
            QFile::remove(linkPath);
        linkPath.clear();
        return false;
    }
    started = Clock::now();
    received.clear();
    output.clear();
    lineDown = true;
    stopping = false;
    running = true;
    worker = std::thread([this] { run(); });
    return true;
}

void RadarSimulator::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!running)
            return;
        stopping = true;
    }
    wake();
    if (worker.joinable())
        worker.join();
    std::lock_guard<std::mutex> lock(mutex);
    closeLine();
    ::close(wakeFds[0]);
    ::close(wakeFds[1]);
    wakeFds[0] = wakeFds[1] = -1;
    if (!linkPath.isEmpty()) {
        const QFileInfo info(linkPath);
        if (info.isSymLink())
            QFile::remove(linkPath);
    }
    output.clear();
    running = false;
}

void RadarSimulator::wake()
{
    int fd = -1;
    {
        std::lock_guard<std::mutex> lock(mutex);
        fd = wakeFds[1];
    }
    if (fd >= 0) {
        const char b = 1;
        ssize_t n = ::write(fd, &b, 1);
        (void)n;   // a full pipe already wakes the worker
    }
}

bool RadarSimulator::isRunning() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return running;
}

QString RadarSimulator::devicePath() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return slavePath;
}

QString RadarSimulator::symlinkPath() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return linkPath;
}

QString RadarSimulator::errorString() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return error;
}

void RadarSimulator::setLogger(std::function<void(const QString &)> l)
{
    std::lock_guard<std::mutex> lock(mutex);
    logger = std::move(l);
}

void RadarSimulator::log(const QString &line)
{
    std::function<void(const QString &)> l;
    {
        std::lock_guard<std::mutex> lock(mutex);
        l = logger;
    }
    if (l)
        l(line);
}

// ---- worker ---------------------------------------------------------------------------------

int RadarSimulator::pollTimeoutMs() const
{
    // Called with the mutex held.
    int timeout = hangUpDue ? 10 : 50;
    const auto now = Clock::now();
    auto until = [&](Clock::time_point due) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count();
        timeout = due <= now ? 0 : int(std::min<long long>(timeout, ms + 1));
    };
    if (!output.empty()) {
        const Chunk &front = output.front();
        const bool gated = paced && !front.selfPaced;
        until(std::max({front.notBefore, gated ? nextPacedWrite : Clock::time_point(), writeRetry}));
    }
    if (!input.empty())
        until(input.front().due);
    if (streaming || noisy)
        timeout = std::min(timeout, SampleProductionMs);
    return timeout;
}

void RadarSimulator::run()
{
    FrameParser parser;
    auto lastInput = Clock::now();
    bool wasDown = true;

    while (!stopping) {
        int timeout;
        int fd;
        int wakeFd;
        {
            std::lock_guard<std::mutex> lock(mutex);
            timeout = pollTimeoutMs();
            fd = masterFd;
            wakeFd = wakeFds[0];
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            break;
        if (n > 0 && (fds[1].revents & POLLIN)) {
            char sink[64];
            while (::read(wakeFd, sink, sizeof sink) > 0) {
            }
        }
        if (stopping)
            break;

        bool down = n > 0 && (fds[0].revents & (POLLHUP | POLLERR));
        if (n > 0 && (fds[0].revents & POLLIN)) {
            char buf[512];
            for (;;) {
                const ssize_t got = ::read(fd, buf, sizeof buf);
                if (got > 0) {
                    std::lock_guard<std::mutex> lock(mutex);
                    const auto now = Clock::now();
                    InputChunk chunk{QByteArray(buf, int(got)), now, now};
                    if (inputPaced) {
                        // On a real wire these bytes come in one after another, each ten bit
                        // times after the one before.
                        inputClock = std::max(inputClock, now)
                            + std::chrono::microseconds(qint64(got) * 1000000 / PacedBytesPerSecond);
                        chunk.due = inputClock;
                    }
                    input.push_back(chunk);
                    continue;
                }
                if (got < 0 && errno == EIO)
                    down = true;   // the tool has closed its port
                break;
            }
        }

        if (!down && wasDown)
            log(QStringLiteral("line opened"));
        for (;;) {
            InputChunk chunk;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (input.empty() || input.front().due > Clock::now())
                    break;
                chunk = input.front();
                input.pop_front();
            }
            takeInput(parser, chunk);
            lastInput = Clock::now();
        }
        if (parser.pendingBytes() > 0
            && Clock::now() - lastInput > std::chrono::milliseconds(PartialFrameTimeoutMs))
            parser.discardPending();
        if (down && !wasDown) {
            parser.discardPending();   // half a request from the last connection is gone
            log(QStringLiteral("line closed by the tool; waiting for the next connection"));
        }
        wasDown = down;
        {
            std::lock_guard<std::mutex> lock(mutex);
            lineDown = down;
            parserDiscarded = parser.discardedBytes();
            if (down)
                endLineSessionLocked();
            // Half a packet and then silence: the loader's receiver starts over, as for frames.
            if (!upgradeBuffer.isEmpty()
                && Clock::now() - lastUpgradeInput > std::chrono::milliseconds(PartialFrameTimeoutMs))
                upgradeBuffer.clear();
            produceSamplesLocked();
            produceNoiseLocked();
        }

        writeDue();

        bool hangUp = false;
        {
            // The last reply must have reached the tool before the line drops: a hang-up
            // throws away whatever still waits in the tool's input.
            std::lock_guard<std::mutex> lock(mutex);
            if (hangUpDue && output.empty()) {
                const auto now = Clock::now();
                if (hangUpAt == Clock::time_point())
                    hangUpAt = now + std::chrono::milliseconds(HangUpLingerMs);
                hangUp = now >= hangUpAt;
            }
        }
        if (hangUp) {
            hangUpAndReopen();
            parser.discardPending();
            {
                std::lock_guard<std::mutex> lock(mutex);
                endLineSessionLocked();
            }
            wasDown = true;
            continue;
        }

        if (down) {
            // Nobody listens: poll would report the hang-up at once, so pause briefly (waking
            // early on stop or new output).
            pollfd w = {wakeFd, POLLIN, 0};
            ::poll(&w, 1, HungUpRetryMs);
        }
    }
}

void RadarSimulator::takeInput(FrameParser &parser, const InputChunk &chunk)
{
    QStringList lines;
    QByteArray pending = chunk.bytes;
    while (!pending.isEmpty()) {
        bool toLoader;
        {
            std::lock_guard<std::mutex> lock(mutex);
            toLoader = upgradeMode;
            if (toLoader)
                pending = upgradeInputLocked(pending, chunk.readAt, &lines);
        }
        if (toLoader)
            continue;   // what the loader handed back is a command again
        parser.feed(pending);
        pending.clear();
        QByteArray frame;
        while (parser.next(&frame)) {
            handleFrame(frame);
            std::lock_guard<std::mutex> lock(mutex);
            if (upgradeMode) {
                // The loader has the line from here on: what follows the command is its input.
                pending = parser.takePending();
                break;
            }
        }
    }
    for (const QString &line : lines)
        log(line);
}

void RadarSimulator::endLineSessionLocked()
{
    // Nobody holds the line: the loader and a sampling run end with the connection.
    upgradeMode = false;
    upgradeBuffer.clear();
    streaming = false;
    input.clear();
    inputClock = Clock::time_point();
    // A status part held back goes into the dropped line: it must not stand in front of the
    // answers of the next connection.
    for (Chunk &c : output) {
        if (c.held) {
            c.held = false;
            c.notBefore = Clock::now();
        }
    }
}

qint64 RadarSimulator::msecsSinceStart(Clock::time_point t) const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t - started).count();
}

void RadarSimulator::writeDue()
{
    for (;;) {
        QByteArray bytes;
        int fd;
        bool gated;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (output.empty())
                return;
            const auto now = Clock::now();
            Chunk &front = output.front();
            gated = paced && !front.selfPaced;
            if (front.notBefore > now || (gated && nextPacedWrite > now) || writeRetry > now)
                return;
            if (lineDown) {
                // Bytes sent into a hung-up line reach nobody.
                output.pop_front();
                continue;
            }
            bytes = gated ? front.bytes.left(PacedChunkBytes) : front.bytes;
            fd = masterFd;
        }
        const ssize_t sent = ::write(fd, bytes.constData(), size_t(bytes.size()));
        std::lock_guard<std::mutex> lock(mutex);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                // The tool is not reading and the line's buffer is full: try again shortly.
                writeRetry = Clock::now() + std::chrono::milliseconds(2);
                return;
            }
            output.pop_front();   // line gone
            continue;
        }
        const auto now = Clock::now();
        Chunk &front = output.front();
        if (front.sample) {
            sampledCount += sent;
            const qint64 room = SampledOutputCap - sampled.size();
            if (room > 0)
                sampled.append(bytes.constData(), int(std::min<qint64>(room, sent)));
        }
        front.bytes.remove(0, int(sent));
        if (gated) {
            // The next bytes are due one line time after these, counted from when these were
            // due, so that late wake-ups do not slow the line below its rate.
            const auto slack = std::chrono::milliseconds(PacedSlackMs);
            const auto from = nextPacedWrite > now - slack ? nextPacedWrite : now;
            nextPacedWrite = from + std::chrono::microseconds(qint64(sent) * 1000000 / PacedBytesPerSecond);
        }
        if (front.bytes.isEmpty()) {
            if (front.answersPacket >= 0 && front.answersPacket < packets.size())
                packets[front.answersPacket].answeredMs = msecsSinceStart(now);
            statusesSent += front.statuses;
            if (front.endsUpgrade) {
                // Flashed and verified: the radar is itself again and takes commands.
                upgradeMode = false;
                upgradeFinalSent = true;
            }
            output.pop_front();
        }
        if (sent < bytes.size())
            return;
    }
}

void RadarSimulator::hangUpAndReopen()
{
    QString oldPath;
    {
        std::lock_guard<std::mutex> lock(mutex);
        oldPath = slavePath;
        hangUpDue = false;
        hangUpAt = Clock::time_point();
        closeLine();
    }
    log(QStringLiteral("hanging up %1").arg(oldPath));
    // Give the tool a moment to notice the dropped line before the new one appears.
    for (int i = 0; i < 6 && !stopping; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    QString why;
    bool ok;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ok = openLine(&why);
        if (ok)
            ++hangUpCount;   // counted once the new line is there to be opened
        else
            error = why;
        lineDown = true;
        output.clear();
    }
    if (ok)
        log(QStringLiteral("serving again on %1").arg(devicePath()));
    else
        log(QStringLiteral("cannot reopen the line: %1").arg(why));
    if (!ok)
        stopping = true;
}

void RadarSimulator::setPaced(bool on)
{
    std::lock_guard<std::mutex> lock(mutex);
    paced = on;
}

void RadarSimulator::sendRaw(const QByteArray &bytes)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!running || bytes.isEmpty())
            return;
        // A private copy: the caller's array stays the caller's alone.
        output.push_back(Chunk{QByteArray(bytes.constData(), bytes.size()), Clock::now()});
    }
    wake();
}

void RadarSimulator::setInputPaced(bool on)
{
    std::lock_guard<std::mutex> lock(mutex);
    inputPaced = on;
}

} // namespace sim
