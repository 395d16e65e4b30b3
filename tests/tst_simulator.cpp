// The simulated radar as the tool meets it: a peer on the other end of a pseudo-terminal. The
// test opens the slave side with plain POSIX calls, writes request frames built by hand and
// checks the bytes that come back, so a fault in the simulator shows up as wrong wire bytes.
#include "frameparser.h"
#include "radarsimulator.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

using sim::Fault;
using sim::FaultSpec;
using sim::FrameParser;
using sim::RadarSimulator;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

quint16 le16(const QByteArray &b, int offset)
{
    return quint16(quint8(b.at(offset)) | (quint8(b.at(offset + 1)) << 8));
}

// A frame as the link carries it in either direction: 55 AA, total length, byte-sum checksum,
// 00, station, code, station, reported station, 00, data, ED ED.
QByteArray frame(quint8 code, const QByteArray &data, quint8 station = 0xFF, quint8 reported = 0x01)
{
    QByteArray f;
    const int length = 14 + data.size();
    f.append('\x55').append('\xAA').append(char(length & 0xFF)).append(char(length >> 8));
    f.append('\0').append('\0').append('\0').append(char(station)).append(char(code));
    f.append(char(station)).append(char(reported)).append('\0');
    f.append(data).append('\xED').append('\xED');
    quint16 sum = 0;
    for (char c : f)
        sum = quint16(sum + quint8(c));
    f[4] = char(sum & 0xFF);
    f[5] = char(sum >> 8);
    return f;
}

QByteArray reply(quint8 code, const QByteArray &data, quint8 station)
{
    return frame(code, data, station, station);
}

// The tool's end of the line, opened the way a serial port is opened.
class Line
{
public:
    explicit Line(const QString &path, bool raw = true)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0 && raw) {
            termios tio;
            tcgetattr(fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Line()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool isOpen() const { return fd >= 0; }

    void send(const QByteArray &bytes)
    {
        QCOMPARE(int(::write(fd, bytes.constData(), size_t(bytes.size()))), bytes.size());
    }

    // Collects bytes until count have arrived or timeoutMs has passed.
    QByteArray read(int count, int timeoutMs = 1000)
    {
        QByteArray in;
        QElapsedTimer t;
        t.start();
        while (in.size() < count && t.elapsed() < timeoutMs && !readSome(&in, int(timeoutMs - t.elapsed()))) {
        }
        return in;
    }

    // Collects everything until the line has been quiet for quietMs.
    QByteArray drain(int quietMs = 80)
    {
        QByteArray in;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 3000 && readSome(&in, quietMs) == false && lastGot > 0) {
        }
        return in;
    }

    // Arrival of the next bytes: the chunks as read with their times, until quiet for quietMs.
    QList<QPair<qint64, QByteArray>> chunks(int quietMs)
    {
        QList<QPair<qint64, QByteArray>> list;
        QElapsedTimer t;
        t.start();
        for (;;) {
            QByteArray in;
            readSome(&in, quietMs);
            if (in.isEmpty())
                return list;
            list.append({t.elapsed(), in});
        }
    }

    // True once the other side has dropped the line.
    bool hungUp(int timeoutMs)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        if (p.revents & (POLLHUP | POLLERR))
            return true;
        char c;
        return ::read(fd, &c, 1) < 0 && errno == EIO;
    }

private:
    // Waits up to timeoutMs for input and appends what is there. Returns true on hang-up.
    bool readSome(QByteArray *in, int timeoutMs)
    {
        lastGot = 0;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, std::max(0, timeoutMs)) <= 0)
            return false;
        char buf[4096];
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got > 0) {
            in->append(buf, int(got));
            lastGot = int(got);
            return false;
        }
        return got < 0 && errno == EIO;
    }

    int fd = -1;
    int lastGot = 0;
};

const QByteArray IdentityRequest = hex("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed");

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT
    std::unique_ptr<RadarSimulator> radar;
    std::unique_ptr<Line> line;

    // One exchange: writes the request, returns what the radar answered within the wait.
    QByteArray exchange(const QByteArray &request, int expectedBytes)
    {
        line->send(request);
        return line->read(expectedBytes);
    }

private slots:
    void initTestCase() { installWarningGuard(); }

    void init()
    {
        radar = std::make_unique<RadarSimulator>();
        QVERIFY2(radar->start(), qPrintable(radar->errorString()));
        line = std::make_unique<Line>(radar->devicePath());
        QVERIFY(line->isOpen());
    }
    void cleanup()
    {
        line.reset();
        radar.reset();
    }

    // ---- frame parser -----------------------------------------------------------------------

    void parserFindsFramesInTheStream()
    {
        const QByteArray a = frame(0x0D, QByteArray());
        const QByteArray b = frame(0x06, hex("01 00"));
        QByteArray out;

        // Two frames in one read, garbage in front: both come out, only the garbage is dropped.
        FrameParser p;
        p.feed(hex("01 02 fe") + a + b);
        QVERIFY(p.next(&out));
        QCOMPARE(out, a);
        QVERIFY(p.next(&out));
        QCOMPARE(out, b);
        QVERIFY(!p.next(&out));
        QCOMPARE(p.discardedBytes(), 3);

        // Byte by byte: nothing until the last byte, and nothing is thrown away meanwhile.
        FrameParser q;
        for (int i = 0; i < b.size() - 1; ++i) {
            q.feed(b.mid(i, 1));
            QVERIFY(!q.next(&out));
        }
        q.feed(b.right(1));
        QVERIFY(q.next(&out));
        QCOMPARE(out, b);
        QCOMPARE(q.discardedBytes(), 0);
        QCOMPARE(q.pendingBytes(), 0);

        // A 55 at the very end of garbage may start the sync; the AA in the next read completes it.
        FrameParser r;
        r.feed(hex("00 13 55"));
        QVERIFY(!r.next(&out));
        r.feed(a.mid(1));
        QVERIFY(r.next(&out));
        QCOMPARE(out, a);
        QCOMPARE(r.discardedBytes(), 2);
    }

    void parserResynchronisesAfterBrokenFrames_data()
    {
        QTest::addColumn<QByteArray>("broken");
        QByteArray badTail = frame(0x0A, QByteArray());
        badTail[13] = '\x00';
        QTest::newRow("wrong tail") << badTail;
        QTest::newRow("length below a header") << hex("55 aa 05 00 00 00");
        QTest::newRow("length beyond reason") << hex("55 aa 88 13 00 00 00 00");
        QTest::newRow("sync without length") << hex("55 aa");
        QTest::newRow("noise with a stray 55") << hex("55 00 55 55 ff");
    }
    void parserResynchronisesAfterBrokenFrames()
    {
        QFETCH(QByteArray, broken);
        const QByteArray good = frame(0x14, QByteArray(), 5, 5);
        FrameParser p;
        p.feed(broken + good);
        QByteArray out;
        QVERIFY(p.next(&out));
        QCOMPARE(out, good);
        QVERIFY(!p.next(&out));
        QCOMPARE(p.discardedBytes(), broken.size());
    }

    void parserWaitsForALengthItHasNotSeen()
    {
        // A plausible header claiming 40 bytes: the parser must wait, not read past the data,
        // and give the bytes up only when told the sender stopped.
        QByteArray partial = frame(0x04, QByteArray(26, '\x11')).left(25);
        FrameParser p;
        p.feed(partial);
        QByteArray out;
        QVERIFY(!p.next(&out));
        QCOMPARE(p.pendingBytes(), 25);
        p.discardPending();
        QCOMPARE(p.discardedBytes(), 25);
        QCOMPARE(p.pendingBytes(), 0);
    }

    // ---- answers ----------------------------------------------------------------------------

    void identityReplyAndRecording()
    {
        const QByteArray got = exchange(IdentityRequest, 22);
        QCOMPARE(got.toHex(' '),
                 QByteArray("55 aa 16 00 a7 04 00 02 0d 02 02 00 02 9a 34 01 78 56 03 03 ed ed"));
        QVERIFY(radar->waitForRequests(1, 1000));
        const QList<sim::ReceivedRequest> seen = radar->requests();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(int(seen.first().functionCode), 0x0D);
        QCOMPARE(seen.first().bytes, IdentityRequest);
        QVERIFY(seen.first().checksumOk);
        QVERIFY(seen.first().msecsSinceStart >= 0);
        // Nothing else comes back: no echo of the request, no second reply.
        QCOMPARE(line->drain(100), QByteArray());
        QCOMPARE(radar->requests().size(), 1);

        // The identity a radar of type 2 with station 5 reports.
        sim::Identity id;
        id.station = 5;
        id.serialByte3 = 3;
        id.deviceType = 2;
        id.serialWord1 = 0x0005;
        id.serialWord2 = 0x0007;
        id.earlyWarningRelay = 10;
        id.alarmRelay = 11;
        radar->setIdentity(id);
        QCOMPARE(exchange(IdentityRequest, 22), reply(0x0D, hex("05 03 05 02 07 00 0a 0b"), 5));

        radar->clearRequests();
        QCOMPARE(radar->requests().size(), 0);
        QVERIFY(!radar->waitForRequests(1, 50));
    }

    void sceneWritesAreReadBack()
    {
        const quint8 st = 2;
        // Acknowledgements: header and tail, under the radar's station.
        QCOMPARE(exchange(frame(0x02, hex("bc 02 5a 00 00 00"), st, st), 14), reply(0x02, {}, st));
        QCOMPARE(exchange(frame(0x03, hex("c2 01 e5 00 fe 03"), st, st), 14), reply(0x03, {}, st));
        const QByteArray cells = hex("02 32 32 00 32 00 de fd 26 02") + QByteArray(32, '\0');
        QCOMPARE(exchange(frame(0x04, cells, st, st), 14), reply(0x04, {}, st));
        QCOMPARE(exchange(frame(0x07, hex("01 04"), st, st), 14), reply(0x07, {}, st));
        QCOMPARE(exchange(frame(0x08, hex("96 00") + QByteArray(14, '\0'), st, st), 14), reply(0x08, {}, st));

        // Each read mirrors its write in the layout and length the tool waits for.
        QCOMPARE(exchange(frame(0x0A, {}, st, st), 20), reply(0x0A, hex("bc 02 5a 00 00 00"), st));
        QCOMPARE(exchange(frame(0x0B, {}, st, st), 20), reply(0x0B, hex("c2 01 e5 00 fe 03"), st));
        const QByteArray suppression = exchange(frame(0x0C, {}, st, st), 56);
        QCOMPARE(suppression.size(), 56);
        QCOMPARE(suppression, reply(0x0C, cells, st));
        QCOMPARE(exchange(frame(0x14, {}, st, st), 16), reply(0x14, hex("01 04"), st));
        const QByteArray start = exchange(frame(0x15, {}, st, st), 30);
        QCOMPARE(start.size(), 30);
        QCOMPARE(le16(start, 2), quint16(30));
        QCOMPARE(le16(start, 12), quint16(150));

        const sim::Scene s = radar->scene();
        QCOMPARE(int(s.detectionFar), 700);
        QCOMPARE(int(s.detectionAngle), 90);
        QCOMPARE(int(s.warningFar), 450);
        QCOMPARE(int(s.alarmFar), 229);
        QCOMPARE(int(s.leftBoundary), -2);
        QCOMPARE(int(s.rightBoundary), 3);
        QCOMPARE(int(s.cellCount), 2);
        QCOMPARE(int(s.gridEdge), 50);
        QCOMPARE(s.cells[0], (sim::CellPoint{50, 50}));
        QCOMPARE(s.cells[1], (sim::CellPoint{-546, 550}));
        QCOMPARE(int(s.targetDirection), 1);
        QCOMPARE(int(s.targetType), 4);
        QCOMPARE(int(s.startDistance), 150);

        // A scene set through the API is what the radar reports.
        sim::Scene other;
        other.detectionFar = 1000;
        other.detectionAngle = 180;
        radar->setScene(other);
        QCOMPARE(exchange(frame(0x0A, {}, st, st), 20), reply(0x0A, hex("e8 03 b4 00 00 00"), st));
    }

    void stationChangeIsAnsweredUnderTheNewNumber()
    {
        // New station 9, old 2, serial words, relays 0a 0b.
        const QByteArray set = frame(0x0E, hex("09 02 34 01 78 56 0a 0b"), 2, 2);
        QCOMPARE(exchange(set, 14), reply(0x0E, {}, 9));
        QCOMPARE(int(radar->station()), 9);
        QCOMPARE(exchange(frame(0x0D, {}, 9, 2), 22), reply(0x0D, hex("09 9a 34 01 78 56 0a 0b"), 9));
        QCOMPARE(exchange(frame(0x0A, {}, 9, 2), 20).mid(7, 4), hex("09 0a 09 09"));
    }

    void flashSaveCanAndPlainAcknowledgements()
    {
        QCOMPARE(radar->flashSaves(), 0);
        QCOMPARE(exchange(frame(0x10, {}, 2, 2), 14), reply(0x10, {}, 2));
        QCOMPARE(exchange(frame(0x10, {}, 2, 2), 14), reply(0x10, {}, 2));
        QCOMPARE(radar->flashSaves(), 2);

        const QByteArray can = hex("02 01 04 03 64 00");
        QCOMPARE(exchange(frame(0x09, can, 2, 2), 14), reply(0x09, {}, 2));
        QCOMPARE(radar->canBlock(), can + hex("ed ed"));

        QCOMPARE(exchange(frame(0x11, {}, 2, 2), 14), reply(0x11, {}, 2));
        QCOMPARE(exchange(frame(0x06, hex("02 05"), 2, 2), 14), reply(0x06, {}, 2));
    }

    void requestsTheRadarIgnores()
    {
        QByteArray badSum = frame(0x0D, {});
        badSum[4] = char(badSum.at(4) + 1);
        line->send(badSum);
        line->send(frame(0x30, {}));   // no such command
        QVERIFY(radar->waitForRequests(2, 1000));
        QCOMPARE(line->drain(150), QByteArray());
        const QList<sim::ReceivedRequest> seen = radar->requests();
        QVERIFY(!seen.at(0).checksumOk);
        QCOMPARE(int(seen.at(1).functionCode), 0x30);
        QVERIFY(seen.at(1).checksumOk);
    }

    void noiseAndPiecesOnTheWireAreRiddenOut()
    {
        line->send(hex("00 ff 55 13"));
        for (int i = 0; i < IdentityRequest.size(); i += 5) {
            line->send(IdentityRequest.mid(i, 5));
            QTest::qSleep(20);
        }
        QCOMPARE(line->read(22).size(), 22);
        QCOMPARE(line->drain(60), QByteArray());
        QCOMPARE(radar->requests().size(), 1);
        QCOMPARE(radar->discardedBytes(), 4);
    }

    void resultQueryCarriesTheTargets()
    {
        const QByteArray query = frame(0x06, hex("01 00"), 2, 2);

        // No targets: count 0 and nothing after it.
        QCOMPARE(exchange(query, 16), reply(0x06, hex("01 00"), 2));

        // Fixed targets go out entry by entry, class in byte 10, byte 11 zero.
        radar->setFixedTargets({{16, -200, 200, 5, 6, 2}, {7, 100, 250, 0, 0, 1}});
        QCOMPARE(exchange(query, 40),
                 reply(0x06, hex("01 02 1000 38ff c800 0500 0600 02 00 0700 6400 fa00 0000 0000 01 00"), 2));

        // A scenario: stable identifiers, the classes in turn, positions inside the field, moving.
        radar->setTargets(3, {2, 3});
        const QByteArray first = exchange(query, 14 + 36 + 2);
        QCOMPARE(first.size(), 52);
        QCOMPARE(int(le16(first, 2)), 52);
        QCOMPARE(int(quint8(first.at(13))), 3);
        const int classes[] = {2, 3, 2};
        for (int k = 0; k < 3; ++k) {
            const int e = 14 + 12 * k;
            QCOMPARE(int(le16(first, e)), k + 1);
            const int x = qint16(le16(first, e + 2));
            const int y = qint16(le16(first, e + 4));
            QVERIFY2(x >= -300 && x <= 300 && y >= 0 && y <= 800, qPrintable(QString("%1,%2").arg(x).arg(y)));
            QCOMPARE(int(quint8(first.at(e + 10))), classes[k]);
        }
        QTest::qSleep(300);
        const QByteArray later = exchange(query, 52);
        QCOMPARE(later.size(), 52);
        QCOMPARE(later.mid(14, 2), first.mid(14, 2));
        QVERIFY(later.mid(14) != first.mid(14));

        radar->setTargets(0);
        QCOMPARE(exchange(query, 16), reply(0x06, hex("01 00"), 2));
    }

    void testCommandReturnsTheDistance()
    {
        radar->setTestDistance(1234);
        QCOMPARE(exchange(frame(0x06, hex("04 00"), 2, 2), 16), reply(0x06, hex("d2 04"), 2));
    }

    // ---- faults -----------------------------------------------------------------------------

    void faultsShapeTheReply_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray normal = reply(0x0A, hex("58 02 78 00 00 00"), 2);
        QByteArray badSync = normal;
        badSync[1] = '\xAB';
        QTest::newRow("short") << int(Fault::Short) << normal.left(10);
        QTest::newRow("bad sync") << int(Fault::BadSync) << badSync;
        QTest::newRow("garbage before") << int(Fault::GarbageBefore) << hex("01 02 fe") + normal;
        QTest::newRow("garbage after") << int(Fault::GarbageAfter) << normal + hex("01 02 fe");
        QTest::newRow("silent") << int(Fault::Silent) << QByteArray();
    }
    void faultsShapeTheReply()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, expected);
        FaultSpec f;
        f.kind = Fault(kind);
        f.remaining = 1;
        radar->setFault(0x0A, f);
        const QByteArray request = frame(0x0A, {}, 2, 2);
        line->send(request);
        QCOMPARE(line->drain(150), expected);
        if (Fault(kind) == Fault::Short)
            QCOMPARE(int(le16(expected, 2)), 20);   // the length field still claims the whole reply
        // Used up: the next reply is whole again.
        QCOMPARE(exchange(request, 20), reply(0x0A, hex("58 02 78 00 00 00"), 2));
    }

    void lateAndSplitRepliesKeepTheirTiming()
    {
        const QByteArray request = frame(0x0B, {}, 2, 2);
        const QByteArray normal = reply(0x0B, hex("90 01 c8 00 fe 02"), 2);

        FaultSpec late;
        late.kind = Fault::Late;
        late.delayMs = 250;
        late.remaining = 1;
        radar->setFault(0x0B, late);
        line->send(request);
        QCOMPARE(line->read(1, 120), QByteArray());   // not yet
        QCOMPARE(line->read(20, 1000), normal);

        FaultSpec split;
        split.kind = Fault::Split;
        split.pieces = 4;
        split.gapMs = 60;
        split.remaining = 1;
        radar->setFault(0x0B, split);
        line->send(request);
        const auto pieces = line->chunks(200);
        QByteArray joined;
        for (const auto &p : pieces)
            joined += p.second;
        QCOMPARE(joined, normal);
        QCOMPARE(pieces.size(), 4);
        QCOMPARE(pieces.first().second, normal.left(5));
        QVERIFY(pieces.last().first - pieces.first().first >= 150);
    }

    void faultForAllYieldsToACommandsOwn()
    {
        FaultSpec silent;
        silent.kind = Fault::Silent;
        radar->setFaultForAll(silent);
        FaultSpec noisy;
        noisy.kind = Fault::GarbageAfter;
        noisy.garbage = hex("aa");
        radar->setFault(0x14, noisy);
        line->send(IdentityRequest);
        QCOMPARE(line->drain(150), QByteArray());
        line->send(frame(0x14, {}, 2, 2));
        QCOMPARE(line->drain(150), reply(0x14, hex("00 00"), 2) + hex("aa"));
        radar->clearFaults();
        QCOMPARE(exchange(IdentityRequest, 22).size(), 22);
    }

    void pacedOutputRunsAtTheLineRate()
    {
        radar->setPaced(true);
        QByteArray block(1152, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 7);
        QElapsedTimer t;
        t.start();
        radar->sendRaw(block);
        const QByteArray got = line->read(block.size(), 3000);
        // 1152 bytes take 100 ms at 11,520 bytes a second; allow for timer slack downwards only.
        QVERIFY2(t.elapsed() >= 80, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(got, block);
        QCOMPARE(exchange(IdentityRequest, 22).size(), 22);
    }

    // ---- the line ---------------------------------------------------------------------------

    void aFreshLineIsRawBeforeTheFirstByte()
    {
        // The tool's first open of a new radar, before it has configured anything: no echo, no
        // line editing, no newline translation, or the radar's replies would come back to it as
        // requests. Bytes 0a and 0d in both directions show any translation.
        RadarSimulator fresh;
        QVERIFY(fresh.start());
        Line tool(fresh.devicePath(), false);
        QVERIFY(tool.isOpen());
        sim::Identity id;
        id.station = 0x0a;
        id.serialByte3 = 0x0d;
        id.serialWord1 = 0x010a;
        id.deviceType = 0x01;
        id.serialWord2 = 0x0a0d;
        id.earlyWarningRelay = 0x0a;
        id.alarmRelay = 0x0a;
        fresh.setIdentity(id);
        const QByteArray request = frame(0x0D, QByteArray(), 0x0a, 0x0a);
        tool.send(request);
        QCOMPARE(tool.read(22), reply(0x0D, hex("0a 0d 0a 01 0d 0a 0a 0a"), 0x0a));
        QCOMPARE(tool.drain(60), QByteArray());
        QCOMPARE(fresh.requests().size(), 1);
        QCOMPARE(fresh.requests().first().bytes, request);
    }

    void servesOneConnectionAfterAnother()
    {
        QCOMPARE(exchange(IdentityRequest, 22).size(), 22);
        const QString path = radar->devicePath();
        for (int round = 0; round < 3; ++round) {
            line.reset();   // the tool closes its port: the radar sees a hang-up
            QTest::qSleep(30);
            // Reopened without touching the line settings: they must still be raw, or the
            // reply would be held back for a newline and echoed back into the radar.
            line = std::make_unique<Line>(path, false);
            QVERIFY(line->isOpen());
            radar->clearRequests();
            QCOMPARE(exchange(IdentityRequest, 22), reply(0x0D, hex("02 9a 34 01 78 56 03 03"), 2));
            QCOMPARE(line->drain(60), QByteArray());
            QCOMPARE(radar->requests().size(), 1);
        }
        QCOMPARE(radar->devicePath(), path);
    }

    void hangsUpAndComesBackOnAFreshLine()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("radar"));
        RadarSimulator linked;
        QVERIFY2(linked.start(link), qPrintable(linked.errorString()));
        QCOMPARE(QFileInfo(link).symLinkTarget(), linked.devicePath());

        linked.setHangUpAfter(1);
        {
            Line tool(link);
            tool.send(IdentityRequest);
            QCOMPARE(tool.read(22).size(), 22);
            QVERIFY(tool.hungUp(1000));
        }
        QTRY_COMPARE(linked.hangUps(), 1);
        QTRY_COMPARE(QFileInfo(link).symLinkTarget(), linked.devicePath());
        {
            Line tool(link);
            QVERIFY(tool.isOpen());
            tool.send(IdentityRequest);
            QCOMPARE(tool.read(22).size(), 22);
            tool.send(IdentityRequest);   // the hang-up happened once
            QCOMPARE(tool.read(22).size(), 22);
        }
        linked.stop();
        QVERIFY(!QFileInfo(link).isSymLink());
        linked.stop();   // a second stop changes nothing

        // A file that is not our link is never replaced.
        QFile plain(link);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        RadarSimulator refused;
        QVERIFY(!refused.start(link));
        QVERIFY(QFileInfo(link).isFile());
    }
};

RADAR_TEST_MAIN(TestSimulator)
#include "tst_simulator.moc"
