// A radar on a pseudo-terminal. The simulator holds the master side of a pty and answers the
// requests the tool writes on the slave side the way one of our radars answers them: identity,
// scene reads and writes, station number, flash save, detection results from moving targets,
// the distance test and the CAN parameters. After the upgrade command its loader takes the
// firmware image packet by packet and reports erasing, programming and verifying; a sampling
// request makes it stream raw output at the wire rate. Faults of a bad line or a misbehaving radar can be
// injected per command. It serves one connection after another: while nobody holds the slave
// open the line is hung up, and the simulator waits for the next opener.
//
// All public members are thread-safe; the line is served by one worker thread.
//
// The class is spread over one file per concern, all sharing the one mutex:
//   simline.cpp         the pseudo-terminal, raw mode, the worker, pacing, hang-ups
//   frameparser.*       request frames cut out of the incoming bytes
//   commandradar.*      the device state, the record of requests, the reply to each command
//   scenario.*          the moving targets of the detection results
//   loader.*            the firmware upgrade: packets, acknowledgements, status script
//   samplingstream.cpp  the raw output stream after a sampling request
//   faults.*            injected faults, dropped lines and line noise
//   simwire.h           the byte helpers they share
#pragma once

#include "commandradar.h"
#include "faults.h"
#include "loader.h"
#include "scenario.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sim {

class FrameParser;

class RadarSimulator
{
public:
    // Bytes a Short reply carries: the header up to the length field and a little more.
    static constexpr int ShortReplyBytes = 10;
    // 115200 baud, 8N1: ten bit times per byte.
    static constexpr int PacedBytesPerSecond = 11520;
    // How late a PacketFault::Late answer comes.
    static constexpr int LateAnswerMs = 6000;

    RadarSimulator();
    ~RadarSimulator();
    RadarSimulator(const RadarSimulator &) = delete;
    RadarSimulator &operator=(const RadarSimulator &) = delete;

    // Opens the pty (raw mode before any byte moves), keeps only the master, optionally points
    // a symlink at the slave (an old symlink there is replaced; any other file is left alone and
    // start fails) and starts serving. False with errorString() on failure.
    bool start(const QString &symlinkPath = QString());
    // Stops serving, closes the line, removes the symlink. Safe to call more than once.
    void stop();
    bool isRunning() const;
    QString devicePath() const;    // the slave device (changes after a hang-up, see below)
    QString symlinkPath() const;
    QString errorString() const;

    // Optional progress lines (requests, replies, hang-ups); called on the worker thread.
    void setLogger(std::function<void(const QString &)> logger);

    // Device state.
    Identity identity() const;
    void setIdentity(const Identity &identity);
    quint8 station() const;
    Scene scene() const;
    void setScene(const Scene &scene);
    int flashSaves() const;
    QByteArray canBlock() const;   // the 8 bytes after the header of the last CAN request
    void setTestDistance(quint16 cm);
    quint16 testDistance() const;

    // Detection results. setTargets: count targets moving smoothly as the scenario has them
    // (by default on fixed paths within 0..8 m ahead and +-3 m across), identifiers 1..count,
    // classes taken in turn from classes (pedestrians when empty). setFixedTargets: exactly
    // these targets in every frame.
    void setTargets(int count, QList<quint16> classes = {});
    void setFixedTargets(QList<Target> targets);
    // What a result query sent now would carry.
    QList<Target> currentTargets() const;
    // How the targets of setTargets move; Scenario::Paths unless set.
    void setScenario(Scenario scenario);
    Scenario scenario() const;
    // The scenario's clock runs from start(); pinned, the targets stand where they are at that
    // many seconds until the clock is pinned elsewhere or released to run on again.
    void pinScenarioClock(double seconds);
    void releaseScenarioClock();

    // Every request received since start() or clearRequests(), in arrival order.
    QList<ReceivedRequest> requests() const;
    void clearRequests();
    bool waitForRequests(int count, int timeoutMs) const;
    int discardedBytes() const;   // line noise thrown away by the frame parser

    // Fault injection. A fault set for a function code wins over the fault for all commands.
    void setFault(quint8 functionCode, const FaultSpec &fault);
    void setFaultForAll(const FaultSpec &fault);
    void clearFaults();
    // After the next n answered requests the radar drops the line: the master is closed (the
    // tool's port sees the hang-up) and a fresh pty is opened; devicePath() then names the new
    // slave and the symlink, if any, is moved to it. n <= 0 cancels.
    void setHangUpAfter(int exchanges);
    // Hang-ups done so far; a hang-up counts once the fresh line can be opened.
    int hangUps() const;
    // Drops the line at once, as a radar that loses its power: what it still meant to send is
    // gone, and the line is hung up and served afresh as after setHangUpAfter.
    void hangUpNow();
    // Sends all output at the pace of a 115200-baud line.
    void setPaced(bool paced);

    // Pushes bytes onto the line as they are, outside any exchange.
    void sendRaw(const QByteArray &bytes);

    // ---- firmware upgrade ----------------------------------------------------------------
    // An answered upgrade command (0x11) switches the line to the loader's packet protocol; the
    // loader checks every packet's sync, checksum, sequence, offset, length and marker, answers
    // 72-byte acknowledgements and rebuilds the image. After the last packet it sends the status
    // script; the final message (code 3) hands the line back to the command protocol, and so
    // does a closed line.
    void setUpgradeStartSilent(bool silent);   // the start packet gets no answer
    void setUpgradePacketFault(quint16 sequence, PacketFault fault, int times = 1);
    // Sent after the last packet, gapMs apart; empty: the loader keeps quiet.
    void setUpgradeStatusScript(const QList<UpgradeStatus> &script);
    static QList<UpgradeStatus> defaultUpgradeStatusScript();
    void setUpgradeStatusGapMs(int gapMs);
    void setUpgradeStatusDelivery(const StatusDelivery &delivery);
    // A second part waits, and everything ahead of it is due (its first part may be on the way).
    bool statusPartHeld() const;
    void releaseStatusPart();
    // After answering the n-th data packet the loader ignores the line and hangs it up.
    void setHangUpAfterUpgradePackets(int packets);

    bool inUpgradeMode() const;
    // The packets of the latest upgrade (since its command was answered), in arrival order.
    QList<UpgradePacketRecord> upgradePackets() const;
    // The image as rebuilt so far from the accepted packets.
    QByteArray upgradedImage() const;
    quint32 upgradeTotalSize() const;
    // The whole image arrived and the final status went out.
    bool upgradeCompleted() const;
    int upgradeStatusesSent() const;

    // ---- data sampling ------------------------------------------------------------------
    // A sampling request (0x06, 02, minutes) is acknowledged and followed by samplePattern at
    // 11,520 bytes a second, ending tailMs before the requested minutes are up (so that the
    // last bytes are in before the tool's own clock ends the run), on stopSampling, or when the
    // line closes.
    void setSamplingTailMs(int tailMs);
    void stopSampling();
    bool isSampling() const;
    // Every byte written to the line since the latest sampling request, acknowledgement first
    // (the first 32 MiB; sampledBytesSent() counts on).
    QByteArray sampledOutput() const;
    qint64 sampledBytesSent() const;
    // The stream after the acknowledgement: count bytes from position offset.
    static QByteArray samplePattern(qint64 offset, int count);

    // ---- line noise -----------------------------------------------------------------------
    // Random bytes at 11,520 a second mixed in with the replies until switched off, as from a
    // damaged cable or a second talker on the line; made on the radar's own thread.
    void setLineNoise(bool on);
    qint64 noiseBytesSent() const;

    // Takes the tool's bytes in at the pace of a 115200-baud line: a request is handled when
    // its last byte would have arrived on a real wire.
    void setInputPaced(bool paced);

    // What the radar answers to one whole request frame, without any fault; empty when it
    // keeps quiet (bad frame or checksum, unknown code). Like a request on the line, a write
    // or a station change updates the radar's state; nothing is recorded or sent.
    QByteArray answer(const QByteArray &request);

private:
    using Clock = std::chrono::steady_clock;
    struct Chunk
    {
        QByteArray bytes;
        Clock::time_point notBefore;
        bool selfPaced = false;   // already produced at the line rate: not paced again
        bool sample = false;      // part of the sampling output
        int answersPacket = -1;   // index of the upgrade packet record it answers
        int statuses = 0;         // status messages this chunk completes
        bool held = false;        // waits for releaseStatusPart()
        bool endsUpgrade = false; // the loader's final status message
    };
    struct InputChunk
    {
        QByteArray bytes;
        Clock::time_point due;
        Clock::time_point readAt;
    };

    // The line (simline.cpp).
    bool openLine(QString *error);
    void closeLine();
    void run();
    void wake();
    void takeInput(FrameParser &parser, const InputChunk &chunk);
    void endLineSessionLocked();
    qint64 msecsSinceStart(Clock::time_point t) const;
    void writeDue();
    int pollTimeoutMs() const;
    void hangUpAndReopen();
    void log(const QString &line);
    // The command radar (commandradar.cpp).
    void handleFrame(const QByteArray &frame);
    QByteArray answerLocked(const QByteArray &request);
    QByteArray replyFrame(quint8 code, const QByteArray &data) const;
    // The scenario of moving targets (scenario.cpp).
    QList<Target> targetsLocked() const;
    // Faults and line noise (faults.cpp).
    FaultSpec takeFaultLocked(quint8 code);
    void scheduleLocked(QByteArray reply, const FaultSpec &fault, bool sample = false);
    void produceNoiseLocked();
    // The loader (loader.cpp).
    void enterLoaderLocked();
    QByteArray upgradeInputLocked(const QByteArray &bytes, Clock::time_point readAt, QStringList *lines);
    void upgradePacketLocked(const QByteArray &bytes, Clock::time_point firstByte, QStringList *lines);
    // The sampling stream (samplingstream.cpp).
    void startSamplingLocked(quint8 minutes);
    void produceSamplesLocked();

    mutable std::mutex mutex;
    mutable std::condition_variable requestArrived;
    std::thread worker;
    std::atomic<bool> stopping{false};
    bool running = false;
    int masterFd = -1;
    int wakeFds[2] = {-1, -1};
    QString slavePath;
    QString linkPath;
    QString error;
    std::function<void(const QString &)> logger;
    Clock::time_point started;

    Identity ident;
    Scene stored;
    int saves = 0;
    QByteArray can;
    quint16 distance = 0;
    int targetCount = 0;
    QList<quint16> targetClasses;
    bool fixedMode = false;
    QList<Target> fixedTargets;
    Scenario scenarioKind = Scenario::Paths;
    bool clockPinned = false;
    double pinnedSeconds = 0;

    QList<ReceivedRequest> received;
    int parserDiscarded = 0;
    QHash<quint8, FaultSpec> faults;
    FaultSpec faultForAll;
    int hangUpCountdown = 0;
    bool hangUpDue = false;
    Clock::time_point hangUpAt;
    int hangUpCount = 0;
    bool paced = false;

    // Output waiting for its time on the line (guarded by the mutex like everything above).
    std::deque<Chunk> output;
    Clock::time_point nextPacedWrite;
    Clock::time_point writeRetry;
    bool lineDown = true;

    // Input waiting for its time on the line (paced input) and its pace.
    std::deque<InputChunk> input;
    bool inputPaced = false;
    Clock::time_point inputClock;

    // The loader.
    bool upgradeMode = false;
    bool upgradeStarted = false;
    bool upgradeDone = false;
    bool upgradeFinalSent = false;
    QByteArray upgradeBuffer;
    Clock::time_point upgradeBufferSince;
    Clock::time_point lastUpgradeInput;
    quint32 upgradeTotal = 0;
    QByteArray image;
    quint16 expectedSequence = 0;
    int lastTaken = -1;   // record index of the packet taken last
    QList<UpgradePacketRecord> packets;
    bool startSilent = false;
    struct PendingFault
    {
        PacketFault kind;
        int times;
    };
    QHash<quint16, PendingFault> packetFaults;
    QList<UpgradeStatus> statusScript = defaultUpgradeStatusScript();
    int statusGapMs = 300;
    StatusDelivery delivery;
    quint32 headerNoise = 0x2545F491u;
    QByteArray statusBytesLocked(const UpgradeStatus &message);
    void scheduleStatusesLocked(Clock::time_point from);
    int statusesSent = 0;
    int hangUpAfterPackets = 0;
    int dataPacketsAnswered = 0;

    // Sampling.
    bool streaming = false;
    Clock::time_point streamStart;
    qint64 streamTotal = 0;
    qint64 streamProduced = 0;
    int samplingTailMs = 250;
    QByteArray sampled;
    qint64 sampledCount = 0;

    // Line noise.
    bool noisy = false;
    Clock::time_point noiseStart;
    qint64 noiseProduced = 0;
    qint64 noiseTotal = 0;
    quint32 noiseState = 20261207u;
};

} // namespace sim
