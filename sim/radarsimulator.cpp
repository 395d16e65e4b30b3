#include "radarsimulator.h"

#include "frameparser.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr int HeaderSize = 12;
constexpr char TailByte = '\xED';
// A request that stops in the middle for this long is dropped, as the radar's receiver does.
constexpr int PartialFrameTimeoutMs = 500;
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

// The loader's packet protocol.
constexpr int PacketSize = 1048;
constexpr int PacketHeader = 24;
constexpr int PacketData = 1024;
constexpr int AckSize = 72;
// The largest command frame (write false-alarm suppression area).
constexpr int MaximumCommandFrame = 56;
constexpr quint32 StartMarker = 0x5A6B;
constexpr quint32 DataMarker = 0x1234;
constexpr quint32 LastMarker = 0x5678;
// Status values of an acknowledgement (bytes 4 and 5).
constexpr quint16 AckTaken = 0;
constexpr quint16 AckBadChecksum = 1;
constexpr quint16 AckBadSequence = 2;
constexpr quint16 AckBadOffset = 3;
constexpr quint16 AckBadFields = 4;
constexpr quint16 AckNotStarted = 5;
constexpr quint16 AckRefused = 0xEE;

quint16 u16(const QByteArray &bytes, int offset)
{
    if (offset < 0 || offset + 1 >= bytes.size())
        return 0;
    return quint16(quint8(bytes.at(offset)) | (quint8(bytes.at(offset + 1)) << 8));
}

quint8 u8(const QByteArray &bytes, int offset)
{
    return offset >= 0 && offset < bytes.size() ? quint8(bytes.at(offset)) : 0;
}

void putU16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

quint32 u32(const QByteArray &bytes, int offset)
{
    return quint32(u16(bytes, offset)) | (quint32(u16(bytes, offset + 2)) << 16);
}

void setU16(QByteArray &bytes, int offset, quint16 value)
{
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
}

void setU32(QByteArray &bytes, int offset, quint32 value)
{
    setU16(bytes, offset, quint16(value & 0xFFFF));
    setU16(bytes, offset + 2, quint16(value >> 16));
}

// The loader's 72-byte answer: 44 BB, the packet's sequence, the status, then where the image
// stands.
QByteArray acknowledgement(quint16 sequence, quint16 status, quint32 offset, quint32 length,
                           quint32 total, quint32 received)
{
    QByteArray a(AckSize, '\0');
    a[0] = '\x44';
    a[1] = '\xBB';
    setU16(a, 2, sequence);
    setU16(a, 4, status);
    setU32(a, 8, offset);
    setU32(a, 12, length);
    setU32(a, 16, total);
    setU32(a, 20, received);
    return a;
}

quint16 checksum(const QByteArray &frame)
{
    quint16 sum = 0;
    for (int i = 0; i < frame.size(); ++i)
        if (i != 4 && i != 5)
            sum = quint16(sum + quint8(frame.at(i)));
    return sum;
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

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

bool Scene::operator==(const Scene &o) const
{
    return detectionFar == o.detectionFar && detectionAngle == o.detectionAngle
        && warningFar == o.warningFar && alarmFar == o.alarmFar && leftBoundary == o.leftBoundary
        && rightBoundary == o.rightBoundary && cellCount == o.cellCount && gridEdge == o.gridEdge
        && cells == o.cells && targetDirection == o.targetDirection && targetType == o.targetType
        && startDistance == o.startDistance;
}

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

void RadarSimulator::handleFrame(const QByteArray &frame)
{
    const quint8 code = u8(frame, 8);
    bool ok;
    QByteArray reply;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ok = checksum(frame) == u16(frame, 4);
        received.append(ReceivedRequest{code, frame,
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count(), ok});
        requestArrived.notify_all();
        if (ok)
            reply = answerLocked(frame);
        if (!reply.isEmpty()) {
            FaultSpec fault;
            auto it = faults.find(code);
            FaultSpec *active = it != faults.end() ? &it.value()
                              : faultForAll.kind != Fault::None ? &faultForAll : nullptr;
            if (active) {
                fault = *active;
                if (active->remaining > 0 && --active->remaining == 0) {
                    if (it != faults.end())
                        faults.erase(it);
                    else
                        faultForAll = FaultSpec();
                }
            }
            const bool answered = fault.kind != Fault::Silent;
            const bool samplingRequest = code == 0x06 && u8(frame, HeaderSize) == 0x02;
            if (answered && samplingRequest) {
                // The stream starts with the acknowledgement: the tool's file holds it too.
                sampled.clear();
                sampledCount = 0;
                streaming = true;
                streamStart = Clock::now();
                streamProduced = 0;
                const qint64 ms = std::max<qint64>(0, qint64(u8(frame, HeaderSize + 1)) * 60000 - samplingTailMs);
                streamTotal = ms * PacedBytesPerSecond / 1000;
            }
            scheduleLocked(reply, fault, answered && samplingRequest);
            if (answered && code == 0x11) {
                // The radar restarts into its loader: from now on the line carries packets.
                upgradeMode = true;
                upgradeStarted = false;
                upgradeDone = false;
                upgradeFinalSent = false;
                upgradeBuffer.clear();
                upgradeTotal = 0;
                image.clear();
                expectedSequence = 0;
                lastTaken = -1;
                packets.clear();
                statusesSent = 0;
                dataPacketsAnswered = 0;
            }
        }
    }
    log(QStringLiteral("request  %1%2").arg(hex(frame), ok ? QString() : QStringLiteral(" (bad checksum, ignored)")));
    if (!reply.isEmpty())
        log(QStringLiteral("reply    %1").arg(hex(reply)));
}

void RadarSimulator::scheduleLocked(QByteArray reply, const FaultSpec &fault, bool sample)
{
    const auto now = Clock::now();
    const auto first = now + std::chrono::milliseconds(std::max(0, fault.delayMs));
    QList<Chunk> chunks;
    switch (fault.kind) {
    case Fault::Silent:
        return;   // heard, never answered; not an answered exchange either
    case Fault::None:
    case Fault::Late:
        chunks.append(Chunk{reply, first});
        break;
    case Fault::Split: {
        const int pieces = qBound(1, fault.pieces, reply.size());
        const int base = reply.size() / pieces;
        int offset = 0;
        for (int i = 0; i < pieces; ++i) {
            const int size = i == pieces - 1 ? reply.size() - offset : base;
            chunks.append(Chunk{reply.mid(offset, size),
                                first + std::chrono::milliseconds(std::max(0, fault.gapMs) * i)});
            offset += size;
        }
        break;
    }
    case Fault::Short:
        // The length field still claims the whole reply.
        chunks.append(Chunk{reply.left(std::min(ShortReplyBytes, reply.size() - 1)), first});
        break;
    case Fault::BadSync:
        reply[1] = '\xAB';
        chunks.append(Chunk{reply, first});
        break;
    case Fault::GarbageBefore:
        chunks.append(Chunk{fault.garbage + reply, first});
        break;
    case Fault::GarbageAfter:
        chunks.append(Chunk{reply + fault.garbage, first});
        break;
    }
    for (Chunk &c : chunks) {
        c.sample = sample;
        output.push_back(c);
    }
    if (hangUpCountdown > 0 && --hangUpCountdown == 0)
        hangUpDue = true;
}

// ---- state ----------------------------------------------------------------------------------

Identity RadarSimulator::identity() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return ident;
}

void RadarSimulator::setIdentity(const Identity &identity)
{
    std::lock_guard<std::mutex> lock(mutex);
    ident = identity;
}

quint8 RadarSimulator::station() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return ident.station;
}

Scene RadarSimulator::scene() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return stored;
}

void RadarSimulator::setScene(const Scene &scene)
{
    std::lock_guard<std::mutex> lock(mutex);
    stored = scene;
}

int RadarSimulator::flashSaves() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return saves;
}

QByteArray RadarSimulator::canBlock() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return can;
}

void RadarSimulator::setTestDistance(quint16 cm)
{
    std::lock_guard<std::mutex> lock(mutex);
    distance = cm;
}

quint16 RadarSimulator::testDistance() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return distance;
}

void RadarSimulator::setTargets(int count, QList<quint16> classes)
{
    std::lock_guard<std::mutex> lock(mutex);
    targetCount = qBound(0, count, 255);
    targetClasses = std::move(classes);
    fixedMode = false;
    fixedTargets.clear();
}

void RadarSimulator::setFixedTargets(QList<Target> targets)
{
    std::lock_guard<std::mutex> lock(mutex);
    fixedTargets = std::move(targets);
    while (fixedTargets.size() > 255)
        fixedTargets.removeLast();
    fixedMode = true;
}

QList<Target> RadarSimulator::currentTargets() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return targetsLocked();
}

QList<Target> RadarSimulator::targetsLocked() const
{
    if (fixedMode)
        return fixedTargets;
    // Each target walks a smooth Lissajous-like path of its own: y between 0.5 and 7.5 m ahead,
    // x within 2.5 m either side; different periods keep them from moving in lockstep.
    const double t = std::chrono::duration<double>(Clock::now() - started).count();
    const double twoPi = 6.283185307179586;
    QList<Target> list;
    for (int k = 0; k < targetCount; ++k) {
        const double py = 8.0 + 1.7 * k;
        const double px = 11.0 + 2.3 * k;
        const double y = 400.0 + 350.0 * std::sin(twoPi * t / py + 1.3 * k);
        const double x = 250.0 * std::sin(twoPi * t / px + 0.7 * k);
        Target target;
        target.id = quint16(k + 1);
        target.x = qint16(std::lround(x));
        target.y = qint16(std::lround(y));
        target.a = quint16(40 + k);   // signal level
        target.b = 0;
        target.cls = targetClasses.isEmpty() ? quint16(1) : targetClasses.at(k % targetClasses.size());
        list.append(target);
    }
    return list;
}

QList<ReceivedRequest> RadarSimulator::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return received;
}

void RadarSimulator::clearRequests()
{
    std::lock_guard<std::mutex> lock(mutex);
    received.clear();
}

bool RadarSimulator::waitForRequests(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return requestArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return received.size() >= count; });
}

int RadarSimulator::discardedBytes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return parserDiscarded;
}

void RadarSimulator::setFault(quint8 functionCode, const FaultSpec &fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (fault.kind == Fault::None)
        faults.remove(functionCode);
    else
        faults.insert(functionCode, fault);
}

void RadarSimulator::setFaultForAll(const FaultSpec &fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    faultForAll = fault;
}

void RadarSimulator::clearFaults()
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.clear();
    faultForAll = FaultSpec();
}

void RadarSimulator::setHangUpAfter(int exchanges)
{
    std::lock_guard<std::mutex> lock(mutex);
    hangUpCountdown = exchanges > 0 ? exchanges : 0;
    hangUpDue = false;
    hangUpAt = Clock::time_point();
}

int RadarSimulator::hangUps() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return hangUpCount;
}

void RadarSimulator::hangUpNow()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!running)
            return;
        output.clear();
        hangUpDue = true;
        hangUpAt = Clock::time_point();
    }
    wake();
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

// ---- the loader ---------------------------------------------------------------------------

UpgradeStatus UpgradeStatus::step(const QString &text)
{
    return UpgradeStatus{0, text.toLocal8Bit(), QByteArray()};
}

UpgradeStatus UpgradeStatus::keepAlive()
{
    return UpgradeStatus{1, QByteArray(), QByteArray()};
}

UpgradeStatus UpgradeStatus::error(const QString &text)
{
    return UpgradeStatus{2, text.toLocal8Bit(), QByteArray()};
}

UpgradeStatus UpgradeStatus::finished()
{
    return UpgradeStatus{3, QByteArray("OK"), QByteArray()};
}

QByteArray UpgradeStatus::bytes() const
{
    if (!raw.isEmpty())
        return raw;
    QByteArray m;
    m.append('\x44');
    m.append('\xBB');
    putU16(m, quint16(8 + text.size() + 1));
    putU16(m, 0);
    putU16(m, code);
    m.append(text);
    m.append('\0');
    return m;
}

QList<UpgradeStatus> RadarSimulator::defaultUpgradeStatusScript()
{
    return {UpgradeStatus::step(QStringLiteral("正在擦除")), UpgradeStatus::keepAlive(),
            UpgradeStatus::step(QStringLiteral("正在烧录")), UpgradeStatus::step(QStringLiteral("正在校验")),
            UpgradeStatus::finished()};
}

QByteArray RadarSimulator::upgradeInputLocked(const QByteArray &bytes, Clock::time_point readAt, QStringList *lines)
{
    // Once a hang-up is due the loader has gone: nothing more is taken.
    if (hangUpDue)
        return QByteArray();
    if (upgradeBuffer.isEmpty())
        upgradeBufferSince = readAt;
    upgradeBuffer.append(bytes);
    lastUpgradeInput = Clock::now();
    for (;;) {
        // Line up on 55 AA; a lone 55 at the end may be the start of one.
        int start = 0;
        const int size = upgradeBuffer.size();
        while (start + 1 < size && !(upgradeBuffer.at(start) == '\x55' && upgradeBuffer.at(start + 1) == '\xAA'))
            ++start;
        if (start + 1 >= size)
            start = size > 0 && upgradeBuffer.at(size - 1) == '\x55' ? size - 1 : size;
        if (start > 0)
            upgradeBuffer.remove(0, start);
        // Until the start packet the radar still knows its commands: a whole, well-formed
        // command frame hands the line back (a start packet's length field, its sequence 0,
        // never makes one).
        if (!upgradeStarted && upgradeBuffer.size() >= FrameParser::MinimumFrame) {
            const int length = u16(upgradeBuffer, 2);
            if (u8(upgradeBuffer, 0) == 0x55 && u8(upgradeBuffer, 1) == 0xAA && length >= FrameParser::MinimumFrame
                && length <= MaximumCommandFrame && upgradeBuffer.size() >= length
                && upgradeBuffer.at(length - 2) == TailByte && upgradeBuffer.at(length - 1) == TailByte
                && checksum(upgradeBuffer.left(length)) == u16(upgradeBuffer, 4)) {
                upgradeMode = false;
                *lines << QStringLiteral("upgrade  a command before the start packet: the loader gives the line back");
                const QByteArray back = upgradeBuffer;
                upgradeBuffer.clear();
                return back;
            }
        }
        if (upgradeBuffer.size() < PacketSize)
            return QByteArray();
        const QByteArray packet = upgradeBuffer.left(PacketSize);
        upgradeBuffer.remove(0, PacketSize);
        upgradePacketLocked(packet, upgradeBufferSince, lines);
        upgradeBufferSince = readAt;
        if (!upgradeMode || hangUpDue) {
            upgradeBuffer.clear();
            return QByteArray();
        }
    }
}

void RadarSimulator::upgradePacketLocked(const QByteArray &bytes, Clock::time_point firstByte, QStringList *lines)
{
    UpgradePacketRecord r;
    r.bytes = bytes;
    r.sequence = u16(bytes, 2);
    r.checksum = u32(bytes, 4);
    r.offset = u32(bytes, 8);
    r.length = u32(bytes, 12);
    r.totalSize = u32(bytes, 16);
    r.marker = u32(bytes, 20);
    quint32 sum = 0;
    const int dataLength = int(std::min<quint32>(r.length, PacketData));
    for (int i = 0; i < dataLength; ++i)
        sum += quint8(bytes.at(PacketHeader + i));
    r.checksumOk = r.length <= quint32(PacketData) && sum == r.checksum;
    r.firstByteMs = msecsSinceStart(firstByte);
    const int index = packets.size();

    QByteArray answer;
    bool lastTakenNow = false;
    PacketFault fault = PacketFault::None;
    if (r.marker == StartMarker) {
        upgradeStarted = true;
        upgradeDone = false;
        upgradeTotal = r.totalSize;
        image.clear();
        expectedSequence = 0;
        lastTaken = -1;
        r.accepted = true;
        *lines << QStringLiteral("upgrade  start packet: an image of %1 bytes").arg(r.totalSize);
        if (startSilent) {
            packets.append(r);
            return;
        }
        answer = acknowledgement(r.sequence, AckTaken, 0, 0, r.totalSize, 0);
    } else if (r.marker == DataMarker || r.marker == LastMarker) {
        auto it = packetFaults.find(r.sequence);
        if (it != packetFaults.end()) {
            fault = it->kind;
            if (--it->times <= 0)
                packetFaults.erase(it);
        }
        if (fault == PacketFault::Silent) {
            *lines << QStringLiteral("upgrade  packet %1 not answered (fault)").arg(r.sequence);
            packets.append(r);
            return;
        }
        const bool last = r.marker == LastMarker;
        const quint64 end = quint64(r.offset) + r.length;
        quint16 status = AckTaken;
        if (fault == PacketFault::Rejected)
            status = AckRefused;
        else if (!upgradeStarted)
            status = AckNotStarted;
        else if (!r.checksumOk)
            status = AckBadChecksum;
        else if (r.totalSize != upgradeTotal)
            status = AckBadFields;
        else if (lastTaken >= 0 && packets.at(lastTaken).bytes == bytes)
            r.duplicate = true;   // its answer went astray; the tool sends it again
        else if (upgradeDone || r.sequence != expectedSequence)
            status = AckBadSequence;
        else if (r.offset != quint32(image.size()))
            status = AckBadOffset;
        else if (last ? end != upgradeTotal : end >= upgradeTotal)
            status = AckBadFields;
        if (status == AckTaken && !r.duplicate) {
            image.append(bytes.mid(PacketHeader, int(r.length)));
            r.accepted = true;
            lastTaken = index;
            if (last) {
                upgradeDone = true;
                lastTakenNow = true;
            } else {
                ++expectedSequence;
            }
        }
        r.status = status;
        answer = acknowledgement(r.sequence, status, r.offset, r.length, upgradeTotal, quint32(image.size()));
        if (fault == PacketFault::LongAnswer)
            answer.append('\0');
        else if (fault == PacketFault::BadSync)
            answer[1] = '\xBC';
        else if (fault == PacketFault::Garbage)
            answer.prepend(QByteArray::fromHex("01fe02fd03fc04fb").repeated(8));
        if (status != AckTaken)
            *lines << QStringLiteral("upgrade  packet %1 refused with status %2").arg(r.sequence).arg(status);
        ++dataPacketsAnswered;
        if (hangUpAfterPackets > 0 && dataPacketsAnswered >= hangUpAfterPackets) {
            hangUpAfterPackets = 0;
            hangUpDue = true;
            hangUpAt = Clock::time_point();
        }
    } else {
        r.status = AckBadFields;
        answer = acknowledgement(r.sequence, AckBadFields, r.offset, r.length, upgradeTotal, quint32(image.size()));
    }
    r.answerSize = answer.size();
    packets.append(r);

    // The answer goes before anything the loader has planned for later (its status script).
    const auto now = Clock::now();
    QList<Chunk> pieces;
    if (fault == PacketFault::Late) {
        pieces.append(Chunk{answer, now + std::chrono::milliseconds(LateAnswerMs)});
    } else if (fault == PacketFault::Split) {
        const int third = answer.size() / 3;
        pieces.append(Chunk{answer.left(third), now});
        pieces.append(Chunk{answer.mid(third, third), now + std::chrono::milliseconds(30)});
        pieces.append(Chunk{answer.mid(2 * third), now + std::chrono::milliseconds(60)});
    } else {
        pieces.append(Chunk{answer, now});
    }
    pieces.last().answersPacket = index;
    for (const Chunk &piece : pieces) {
        auto at = output.end();
        while (at != output.begin() && std::prev(at)->notBefore > piece.notBefore)
            --at;
        output.insert(at, piece);
    }

    if (lastTakenNow) {
        *lines << QStringLiteral("upgrade  image of %1 bytes received; erasing, programming, verifying")
                      .arg(image.size());
        scheduleStatusesLocked(now);
    }
}

QByteArray RadarSimulator::statusBytesLocked(const UpgradeStatus &message)
{
    QByteArray m = message.bytes();
    if (!message.raw.isEmpty())
        return m;
    if (delivery.noClosingZero)
        m.chop(1);
    if (delivery.randomHeader) {
        for (int i = 0; i < 6; ++i) {
            headerNoise ^= headerNoise << 13;
            headerNoise ^= headerNoise >> 17;
            headerNoise ^= headerNoise << 5;
            m[i] = char(headerNoise >> 24);
        }
        const quint16 beyond = quint16(m.size() + 1 + (headerNoise & 0x7FFF) % (0xFFFF - m.size()));
        m[2] = char(beyond & 0xFF);
        m[3] = char(beyond >> 8);
    }
    return m;
}

void RadarSimulator::scheduleStatusesLocked(Clock::time_point from)
{
    QList<Chunk> writes;
    auto when = from;
    for (const UpgradeStatus &message : statusScript) {
        when += std::chrono::milliseconds(statusGapMs);
        const bool ends = message.raw.isEmpty() && message.code == 3;
        if (delivery.oneWrite && !writes.isEmpty()) {
            writes.last().bytes += statusBytesLocked(message);
            ++writes.last().statuses;
            writes.last().endsUpgrade |= ends;
            continue;
        }
        Chunk c{statusBytesLocked(message), when};
        c.statuses = 1;
        c.endsUpgrade = ends;
        writes.append(c);
    }
    for (const Chunk &c : writes) {
        if (delivery.splitAt <= 0 || delivery.splitAt >= c.bytes.size()) {
            output.push_back(c);
            continue;
        }
        Chunk second = c;
        second.bytes = c.bytes.mid(delivery.splitAt);
        second.held = delivery.splitGapMs < 0;
        second.notBefore = second.held ? Clock::time_point::max() : c.notBefore + std::chrono::milliseconds(delivery.splitGapMs);
        output.push_back(Chunk{c.bytes.left(delivery.splitAt), c.notBefore});
        output.push_back(second);
    }
}

void RadarSimulator::setUpgradeStatusDelivery(const StatusDelivery &d)
{
    std::lock_guard<std::mutex> lock(mutex);
    delivery = d;
}

bool RadarSimulator::statusPartHeld() const
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto now = Clock::now();
    for (const Chunk &c : output) {
        if (c.held)
            return true;
        if (c.notBefore > now)
            return false;
    }
    return false;
}

void RadarSimulator::releaseStatusPart()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (Chunk &c : output) {
            if (c.held) {
                c.held = false;
                c.notBefore = Clock::now();
                break;
            }
        }
    }
    wake();
}

void RadarSimulator::setUpgradeStartSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(mutex);
    startSilent = silent;
}

void RadarSimulator::setUpgradePacketFault(quint16 sequence, PacketFault fault, int times)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (fault == PacketFault::None || times <= 0)
        packetFaults.remove(sequence);
    else
        packetFaults.insert(sequence, PendingFault{fault, times});
}

void RadarSimulator::setUpgradeStatusScript(const QList<UpgradeStatus> &script)
{
    std::lock_guard<std::mutex> lock(mutex);
    statusScript = script;
}

void RadarSimulator::setUpgradeStatusGapMs(int gapMs)
{
    std::lock_guard<std::mutex> lock(mutex);
    statusGapMs = std::max(0, gapMs);
}

void RadarSimulator::setHangUpAfterUpgradePackets(int count)
{
    std::lock_guard<std::mutex> lock(mutex);
    hangUpAfterPackets = std::max(0, count);
}

bool RadarSimulator::inUpgradeMode() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return upgradeMode;
}

QList<UpgradePacketRecord> RadarSimulator::upgradePackets() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return packets;
}

QByteArray RadarSimulator::upgradedImage() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return image;
}

quint32 RadarSimulator::upgradeTotalSize() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return upgradeTotal;
}

bool RadarSimulator::upgradeCompleted() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return upgradeDone && upgradeFinalSent;
}

int RadarSimulator::upgradeStatusesSent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return statusesSent;
}

// ---- sampling -------------------------------------------------------------------------------

QByteArray RadarSimulator::samplePattern(qint64 offset, int count)
{
    // Every byte value turns up, 55 AA and line ends included, and no short period repeats:
    // a byte dropped, doubled or translated anywhere shows.
    QByteArray bytes(std::max(0, count), '\0');
    for (int i = 0; i < bytes.size(); ++i) {
        const quint64 k = quint64(offset + i);
        const quint64 x = k * 0x9E3779B97F4A7C15ull;
        bytes[i] = char(quint8(x >> 56) ^ quint8(k));
    }
    return bytes;
}

namespace {
// Bytes a 115200-baud line carries from start to now.
qint64 pacedBytesBetween(std::chrono::steady_clock::time_point start, std::chrono::steady_clock::time_point now)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(now - start).count()
           * RadarSimulator::PacedBytesPerSecond / 1000000;
}
} // namespace

void RadarSimulator::produceSamplesLocked()
{
    if (!streaming)
        return;
    if (lineDown) {
        streaming = false;
        return;
    }
    const auto now = Clock::now();
    const qint64 due = std::min(streamTotal, pacedBytesBetween(streamStart, now));
    if (due > streamProduced) {
        Chunk c{samplePattern(streamProduced, int(due - streamProduced)), now};
        c.selfPaced = true;
        c.sample = true;
        output.push_back(c);
        streamProduced = due;
    }
    if (streamProduced >= streamTotal)
        streaming = false;
}

void RadarSimulator::setLineNoise(bool on)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (on && !noisy) {
        noiseStart = Clock::now();
        noiseProduced = 0;
    }
    noisy = on;
}

qint64 RadarSimulator::noiseBytesSent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return noiseTotal;
}

void RadarSimulator::produceNoiseLocked()
{
    if (!noisy || lineDown)
        return;
    const auto now = Clock::now();
    const qint64 due = pacedBytesBetween(noiseStart, now);
    if (due <= noiseProduced)
        return;
    Chunk c{QByteArray(int(due - noiseProduced), '\0'), now};
    for (char &b : c.bytes) {
        // xorshift: cheap, and every byte value comes up
        noiseState ^= noiseState << 13;
        noiseState ^= noiseState >> 17;
        noiseState ^= noiseState << 5;
        b = char(noiseState >> 24);
    }
    c.selfPaced = true;
    output.push_back(c);
    noiseTotal += due - noiseProduced;
    noiseProduced = due;
}

void RadarSimulator::setSamplingTailMs(int tailMs)
{
    std::lock_guard<std::mutex> lock(mutex);
    samplingTailMs = std::max(0, tailMs);
}

void RadarSimulator::stopSampling()
{
    std::lock_guard<std::mutex> lock(mutex);
    streaming = false;
}

bool RadarSimulator::isSampling() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return streaming;
}

QByteArray RadarSimulator::sampledOutput() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sampled;
}

qint64 RadarSimulator::sampledBytesSent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sampledCount;
}

void RadarSimulator::setInputPaced(bool on)
{
    std::lock_guard<std::mutex> lock(mutex);
    inputPaced = on;
}

// ---- the radar's answers --------------------------------------------------------------------

QByteArray RadarSimulator::answer(const QByteArray &request)
{
    std::lock_guard<std::mutex> lock(mutex);
    return answerLocked(request);
}

QByteArray RadarSimulator::replyFrame(quint8 code, const QByteArray &data) const
{
    const quint8 st = ident.station;
    QByteArray frame;
    frame.reserve(HeaderSize + data.size() + 2);
    frame.append('\x55');
    frame.append('\xAA');
    putU16(frame, quint16(HeaderSize + data.size() + 2));
    putU16(frame, 0);
    frame.append('\0');
    frame.append(char(st));
    frame.append(char(code));
    frame.append(char(st));
    frame.append(char(st));
    frame.append('\0');
    frame.append(data);
    frame.append(TailByte);
    frame.append(TailByte);
    const quint16 sum = checksum(frame);
    frame[4] = char(sum & 0xFF);
    frame[5] = char(sum >> 8);
    return frame;
}

QByteArray RadarSimulator::answerLocked(const QByteArray &request)
{
    const int length = u16(request, 2);
    if (request.size() < 14 || length != request.size() || u8(request, 0) != 0x55
        || u8(request, 1) != 0xAA || request.at(length - 2) != TailByte
        || request.at(length - 1) != TailByte || checksum(request) != u16(request, 4))
        return QByteArray();
    const quint8 code = u8(request, 8);
    const QByteArray data = request.mid(HeaderSize, request.size() - HeaderSize - 2);
    const QByteArray ack;   // a plain acknowledgement carries no data
    QByteArray reply;

    switch (code) {
    case 0x02:   // write detection area: far, angle, two zero bytes
        if (data.size() >= 4) {
            stored.detectionFar = u16(data, 0);
            stored.detectionAngle = u16(data, 2);
        }
        return replyFrame(code, ack);
    case 0x03:   // write alarm area: warning far, alarm far, left, right
        if (data.size() >= 6) {
            stored.warningFar = u16(data, 0);
            stored.alarmFar = u16(data, 2);
            stored.leftBoundary = qint8(u8(data, 4));
            stored.rightBoundary = qint8(u8(data, 5));
        }
        return replyFrame(code, ack);
    case 0x04:   // write non-alarm cells: count, grid edge, ten (x, y) slots
        if (data.size() >= 2) {
            stored.cellCount = u8(data, 0);
            stored.gridEdge = u8(data, 1);
            for (int k = 0; k < 10; ++k) {
                stored.cells[size_t(k)].x = qint16(u16(data, 2 + 4 * k));
                stored.cells[size_t(k)].y = qint16(u16(data, 4 + 4 * k));
            }
        }
        return replyFrame(code, ack);
    case 0x06: {
        const quint8 sub = u8(data, 0);
        if (sub == 0x01) {   // detection result: sub-command, count, 12-byte entries
            const QList<Target> list = targetsLocked();
            QByteArray d;
            d.append(char(sub));
            d.append(char(list.size()));
            for (const Target &t : list) {
                putU16(d, t.id);
                putU16(d, quint16(t.x));
                putU16(d, quint16(t.y));
                putU16(d, t.a);
                putU16(d, t.b);
                d.append(char(t.cls & 0xFF));
                d.append('\0');
            }
            return replyFrame(code, d);
        }
        if (sub == 0x04) {   // distance test: measured distance in cm
            QByteArray d;
            putU16(d, distance);
            return replyFrame(code, d);
        }
        return replyFrame(code, ack);   // sampling start and anything else: acknowledged
    }
    case 0x07:   // write target attribute filter: direction, type
        if (data.size() >= 2) {
            stored.targetDirection = u8(data, 0);
            stored.targetType = u8(data, 1);
        }
        return replyFrame(code, ack);
    case 0x08:   // write start detection distance (14 reserved bytes follow)
        if (data.size() >= 2)
            stored.startDistance = u16(data, 0);
        return replyFrame(code, ack);
    case 0x09:   // CAN output: the block after the header, tail included
        can = request.mid(HeaderSize, 8);
        return replyFrame(code, ack);
    case 0x0A: {
        QByteArray d;
        putU16(d, stored.detectionFar);
        putU16(d, stored.detectionAngle);
        putU16(d, 0);
        return replyFrame(code, d);
    }
    case 0x0B: {
        QByteArray d;
        putU16(d, stored.warningFar);
        putU16(d, stored.alarmFar);
        d.append(char(stored.leftBoundary));
        d.append(char(stored.rightBoundary));
        return replyFrame(code, d);
    }
    case 0x0C: {
        QByteArray d;
        d.append(char(stored.cellCount));
        d.append(char(stored.gridEdge));
        for (const CellPoint &p : stored.cells) {
            putU16(d, quint16(p.x));
            putU16(d, quint16(p.y));
        }
        return replyFrame(code, d);
    }
    case 0x0D: {   // identity: station, serial byte 3, serial word 1 (type high), word 2, relays
        QByteArray d;
        d.append(char(ident.station));
        d.append(char(ident.serialByte3));
        putU16(d, quint16((ident.deviceType << 8) | (ident.serialWord1 & 0xFF)));
        putU16(d, ident.serialWord2);
        d.append(char(ident.earlyWarningRelay));
        d.append(char(ident.alarmRelay));
        return replyFrame(code, d);
    }
    case 0x0E:   // new station, old station, serial words, relays; acknowledged as the new one
        if (data.size() >= 8) {
            ident.station = u8(data, 0);
            ident.earlyWarningRelay = u8(data, 6);
            ident.alarmRelay = u8(data, 7);
        }
        return replyFrame(code, ack);
    case 0x10:
        ++saves;
        return replyFrame(code, ack);
    case 0x11:   // firmware upgrade: acknowledged, then the loader takes over the line
        return replyFrame(code, ack);
    case 0x14: {
        QByteArray d;
        d.append(char(stored.targetDirection));
        d.append(char(stored.targetType));
        return replyFrame(code, d);
    }
    case 0x15: {
        QByteArray d;
        putU16(d, stored.startDistance);
        d.append(QByteArray(14, '\0'));
        return replyFrame(code, d);
    }
    default:
        return reply;   // not a command of ours: the radar keeps quiet
    }
}

} // namespace sim
