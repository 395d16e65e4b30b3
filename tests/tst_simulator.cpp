// The simulated radar as the tool meets it: a peer on the other end of a pseudo-terminal. The
// test opens the slave side with plain POSIX calls, writes request frames built by hand and
// checks the bytes that come back, so a fault in the simulator shows up as wrong wire bytes.
// What the tool itself makes of the simulator's faults, hang-ups and answers is left to the
// tests of the tool (tst_transaction, tst_faultmatrix, tst_reconnect).
// The field scenario is read frame by frame: a minute of detection results whose targets keep
// to the radar's own field (its lane, or its fan) and walk in and out of each zone, so that the
// tool's alarm, warning and detection lamps each light up and go out again.
#include "frameparser.h"
#include "radarsimulator.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QHash>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cmath>
#include <cstdlib>
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

// A frame as the link carries it in either direction: 55 AA, total length, byte-sum checksum,
// 00, station, code, station, reported station, 00, data, ED ED. The simulator's replies are
// checked against frames built here, so a fault in its framing shows as wrong wire bytes.
QByteArray frame(quint8 code, const QByteArray &data, quint8 station = 0xFF, quint8 reported = 0x01)
{
    const int length = 14 + data.size();
    QByteArray f = hexBytes("55 aa") + char(length & 0xFF) + char(length >> 8) + QByteArray(3, '\0') + char(station)
                   + char(code) + char(station) + char(reported) + '\0' + data + hexBytes("ed ed");
    quint16 sum = 0;
    for (char c : f)
        sum = quint16(sum + quint8(c));
    f[4] = char(sum & 0xFF);
    f[5] = char(sum >> 8);
    return f;
}

QByteArray reply(quint8 code, const QByteArray &data, quint8 station) { return frame(code, data, station, station); }

// The tool's end of the line, opened the way a serial port is opened.
class Line
{
public:
    explicit Line(const QString &path, bool raw = true)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios tio;
        if (fd >= 0 && raw && tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Line() { ::close(fd); }
    bool isOpen() const { return fd >= 0; }
    void send(const QByteArray &bytes)
    {
        QCOMPARE(int(::write(fd, bytes.constData(), size_t(bytes.size()))), bytes.size());
    }
    // One exchange: writes the request, returns what the radar answered within the wait.
    QByteArray exchange(const QByteArray &request, int count)
    {
        send(request);
        return read(count);
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
    // The next bytes as they arrive, one entry per read, until the line is quiet for quietMs.
    QList<QByteArray> chunks(int quietMs)
    {
        QList<QByteArray> list;
        for (QByteArray in; !readSome(&in, quietMs) && !in.isEmpty(); in.clear())
            list << in;
        return list;
    }
    QByteArray drain(int quietMs = 80) { return chunks(quietMs).join(); }
    // True once the other side has dropped the line.
    bool hungUp(int timeoutMs)
    {
        pollfd p{fd, POLLIN, 0};
        char c;
        return ::poll(&p, 1, timeoutMs) > 0
               && ((p.revents & (POLLHUP | POLLERR)) || (::read(fd, &c, 1) < 0 && errno == EIO));
    }

private:
    // Waits up to timeoutMs for input and appends what is there. Returns true on hang-up.
    bool readSome(QByteArray *in, int timeoutMs)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, std::max(0, timeoutMs)) <= 0)
            return false;
        char buf[4096];
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got > 0)
            in->append(buf, int(got));
        return got < 0 && errno == EIO;
    }

    int fd = -1;
};

const QByteArray IdentityRequest = hexBytes("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed");
const QByteArray ResultQuery = frame(0x06, hexBytes("01 00"));

QByteArray le16(int value) { return QByteArray(1, char(value & 0xFF)) + char((value >> 8) & 0xFF); }
// Write detection area: far (cm), angle (degrees), two zero bytes.
QByteArray detectionArea(int far, int angle) { return frame(0x02, le16(far) + le16(angle) + le16(0)); }
// Write alarm area: warning far, alarm far (cm), left and right boundary (half metres).
QByteArray alarmArea(int warning, int alarm, int left, int right)
{
    return frame(0x03, le16(warning) + le16(alarm) + char(qint8(left)) + char(qint8(right)));
}

struct Point { int id, x, y; };

// The targets of a detection-result reply, as the 12-byte entries carry them.
QList<Point> targetsOf(const QByteArray &reply)
{
    QList<Point> points;
    for (int k = 0, at = 14; k < quint8(reply.at(13)); ++k, at += 12) {
        auto word = [&](int offset) { return qint16(quint8(reply.at(at + offset)) | (quint8(reply.at(at + offset + 1)) << 8)); };
        points.append(Point{quint16(word(0)), word(2), word(4)});
    }
    return points;
}

// A radar's field as the tool set it up: the writes it sent before the minute, then the lane
// (left and right, cm) or the fan (whole angle, degrees), and the alarm, warning and detection
// distances (cm).
struct Field { int deviceType; QList<QByteArray> writes; bool fan; int left, right, angle; qint64 edges[3]; };

enum Zone { Alarm, Warning, Detection, Outside, ZoneCount };
const char *const ZoneNames[] = {"alarm", "warning", "detection", "outside"};

// The tool's rule: a target counts for the innermost zone it is strictly inside.
Zone zoneOf(const Point &p, const qint64 (&edges)[3])
{
    const qint64 r2 = qint64(p.x) * p.x + qint64(p.y) * p.y;
    int zone = Alarm;
    while (zone < Outside && r2 >= edges[zone] * edges[zone])
        ++zone;
    return Zone(zone);
}

} // namespace

Q_DECLARE_METATYPE(Field)

class TestSimulator : public QObject
{
    Q_OBJECT
    std::unique_ptr<RadarSimulator> radar;
    std::unique_ptr<Line> line;

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

    // Whatever stands before a good frame is dropped, and only that; the good frames come out
    // whole, whether the bytes arrive at once, one by one (a 55 ending a read may start the
    // sync) or in fives.
    void parserResynchronisesAfterBrokenFrames_data()
    {
        QTest::addColumn<QByteArray>("broken");
        QByteArray badTail = frame(0x0A, QByteArray());
        badTail[13] = '\x00';
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("garbage") << hexBytes("01 02 fe");
        QTest::newRow("wrong tail") << badTail;
        QTest::newRow("length below a header") << hexBytes("55 aa 05 00 00 00");
        QTest::newRow("length beyond reason") << hexBytes("55 aa 88 13 00 00 00 00");
        QTest::newRow("sync without length") << hexBytes("55 aa");
        QTest::newRow("noise with a stray 55") << hexBytes("55 00 55 55 ff");
    }
    void parserResynchronisesAfterBrokenFrames()
    {
        QFETCH(QByteArray, broken);
        const QByteArray good = frame(0x14, QByteArray(), 5, 5);
        const QByteArray second = frame(0x06, hexBytes("01 00"));
        const QByteArray all = broken + good + second;
        for (int step : {int(all.size()), 1, 5}) {
            FrameParser p;
            QList<QByteArray> frames;
            for (int i = 0; i < all.size(); i += step) {
                p.feed(all.mid(i, step));
                for (QByteArray out; p.next(&out);)
                    frames << out;
            }
            QCOMPARE(frames, (QList<QByteArray>{good, second}));
            QCOMPARE(p.discardedBytes(), broken.size());
            QCOMPARE(p.pendingBytes(), 0);
        }
        // A plausible header claiming more is waited for until the sender is given up.
        FrameParser p;
        QByteArray out;
        p.feed(frame(0x04, QByteArray(26, '\x11')).left(25));
        QVERIFY(!p.next(&out));
        QCOMPARE(p.pendingBytes(), 25);
        p.discardPending();
        QCOMPARE(p.discardedBytes(), 25);
        QCOMPARE(p.pendingBytes(), 0);
    }

    // ---- answers ----------------------------------------------------------------------------

    // The identity reply byte for byte and the request as recorded; no echo, no second reply.
    // Noise and a request in pieces are ridden out; a bad checksum or an unknown command is
    // recorded but never answered.
    void answersAndRecordedRequests()
    {
        QCOMPARE(line->exchange(IdentityRequest, 22).toHex(' '),
                 QByteArray("55 aa 16 00 a7 04 00 02 0d 02 02 00 02 9a 34 01 78 56 03 03 ed ed"));
        QVERIFY(radar->waitForRequests(1, 1000));
        QCOMPARE(radar->requests().size(), 1);
        QCOMPARE(radar->requests().first().bytes, IdentityRequest);
        QVERIFY(radar->requests().first().checksumOk);
        QCOMPARE(line->drain(100), QByteArray());
        radar->clearRequests();

        line->send(hexBytes("00 ff 55 13"));
        for (int i = 0; i < IdentityRequest.size(); i += 5) {
            line->send(IdentityRequest.mid(i, 5));
            QTest::qSleep(20);
        }
        QCOMPARE(line->read(22).size(), 22);
        QCOMPARE(radar->discardedBytes(), 4);

        QByteArray badSum = frame(0x0D, {});
        badSum[4] = char(badSum.at(4) + 1);
        line->send(badSum);
        line->send(frame(0x30, {}));
        QVERIFY(radar->waitForRequests(3, 1000));
        QCOMPARE(line->drain(150), QByteArray());
        QVERIFY(!radar->requests().at(1).checksumOk);
        QCOMPARE(int(radar->requests().at(2).functionCode), 0x30);
    }

    // ---- faults -----------------------------------------------------------------------------

    // The reply as the line carries it, read by read, for the faults whose exact bytes no test of
    // the tool looks at (silence, a late answer, a wrong sync word and noise ahead of the answer
    // are cells of the fault matrix, short replies rows of tst_transaction).
    void faultsShapeTheReply_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<QByteArray>>("expected");
        const QByteArray normal = reply(0x0A, hexBytes("58 02 78 00 00 00"), 2);
        QTest::newRow("garbage after") << int(Fault::GarbageAfter) << QList<QByteArray>{normal + hexBytes("01 02 fe")};
        QTest::newRow("split in four") << int(Fault::Split)
                                       << QList<QByteArray>{normal.left(5), normal.mid(5, 5), normal.mid(10, 5), normal.mid(15)};
    }
    void faultsShapeTheReply()
    {
        QFETCH(int, kind);
        radar->setFault(0x0A, FaultSpec{Fault(kind), 0, 4, 60, 1});
        const QByteArray request = frame(0x0A, {}, 2, 2);
        line->send(request);
        QTEST(line->chunks(250), "expected");
        // Used up: the next reply is whole again.
        QCOMPARE(line->exchange(request, 20), reply(0x0A, hexBytes("58 02 78 00 00 00"), 2));
    }

    void faultForAllYieldsToACommandsOwn()
    {
        radar->setFaultForAll(FaultSpec{Fault::Silent});
        radar->setFault(0x14, FaultSpec{Fault::GarbageAfter, 0, 3, 30, -1, hexBytes("aa")});
        line->send(IdentityRequest);
        QCOMPARE(line->drain(150), QByteArray());
        line->send(frame(0x14, {}, 2, 2));
        QCOMPARE(line->drain(150), reply(0x14, hexBytes("00 00"), 2) + hexBytes("aa"));
        radar->clearFaults();
        QCOMPARE(line->exchange(IdentityRequest, 22).size(), 22);
    }

    // ---- the line ---------------------------------------------------------------------------

    // The tool's first open of a new radar, and every reopen, without configuring anything: no
    // echo, no line editing, no newline translation, or the radar's replies would come back to
    // it as requests. Bytes 0a and 0d in both directions show any translation.
    void theLineIsRawOnEveryOpen()
    {
        // Station, device type, serial words 1 and 2, serial byte 3, relays.
        const sim::Identity id{0x0a, 0x01, 0x010a, 0x0a0d, 0x0d, 0x0a, 0x0a};
        RadarSimulator fresh;
        QVERIFY(fresh.start());
        fresh.setIdentity(id);
        const QByteArray request = frame(0x0D, QByteArray(), 0x0a, 0x0a);
        for (int round = 0; round < 2; ++round) {
            Line tool(fresh.devicePath(), false);   // closing it is a hang-up the radar must survive
            QVERIFY(tool.isOpen());
            fresh.clearRequests();
            QCOMPARE(tool.exchange(request, 22), reply(0x0D, hexBytes("0a 0d 0a 01 0d 0a 0a 0a"), 0x0a));
            QCOMPARE(tool.drain(60), QByteArray());
            QCOMPARE(fresh.requests().size(), 1);
            QCOMPARE(fresh.requests().first().bytes, request);
        }
    }

    // The hang-up as the tool's side of the line sees it, and the link that follows the fresh
    // line (the tool reconnecting through it is tst_reconnect's); a file that is not the link is
    // never replaced.
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
            QCOMPARE(tool.exchange(IdentityRequest, 22).size(), 22);
            QVERIFY(tool.hungUp(1000));
        }
        QTRY_COMPARE(linked.hangUps(), 1);
        QTRY_COMPARE(QFileInfo(link).symLinkTarget(), linked.devicePath());
        linked.stop();
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(writeFile(link, QByteArray()));
        RadarSimulator refused;
        QVERIFY(!refused.start(link));
        QVERIFY(QFileInfo(link).isFile());
    }

    // ---- the field scenario -----------------------------------------------------------------

    void targetsKeepToTheFieldAndWalkThroughEveryZone_data()
    {
        QTest::addColumn<Field>("field");
        QTest::newRow("channel radar, the scene it starts with") << Field{1, {}, false, -100, 100, 120, {200, 400, 600}};
        QTest::newRow("channel radar, an off-centre lane and distances sent by the tool")
            << Field{1, {alarmArea(350, 150, -1, 3), detectionArea(500, 120)}, false, -50, 150, 120, {150, 350, 500}};
        QTest::newRow("obstacle radar, a narrow lane")
            << Field{3, {alarmArea(250, 100, 0, 1), detectionArea(450, 90)}, false, 0, 50, 90, {100, 250, 450}};
        QTest::newRow("obstacle radar, a lane off to one side")
            << Field{3, {alarmArea(300, 150, 1, 4), detectionArea(500, 120)}, false, 50, 200, 120, {150, 300, 500}};
        QTest::newRow("area scanner, the scene it starts with") << Field{2, {}, true, 0, 0, 120, {200, 400, 600}};
        QTest::newRow("area scanner, a narrow long fan sent by the tool")
            << Field{2, {detectionArea(900, 60), alarmArea(600, 300, -2, 2)}, true, 0, 0, 60, {300, 600, 900}};
    }
    void targetsKeepToTheFieldAndWalkThroughEveryZone()
    {
        QFETCH(Field, field);
        // Two radars set up alike: the field scenario is the same walk every time.
        RadarSimulator radar, twin;
        for (RadarSimulator *r : {&radar, &twin}) {
            r->setIdentity({r->identity().station, quint8(field.deviceType)});
            r->setTargets(3);
            r->setScenario(sim::Scenario::Field);
            for (const QByteArray &write : field.writes)
                QVERIFY(!r->answer(write).isEmpty());
        }

        QHash<int, Zone> zoneOfTarget;
        QHash<int, Point> lastPoint;
        int entered[ZoneCount][4] = {}, leftZone[ZoneCount][4] = {};   // per zone, per target identifier 1..3
        bool lampWas[ZoneCount] = {};
        int lampLit[ZoneCount] = {}, lampOut[ZoneCount] = {};

        // A minute of the tool's polls, one every 50 ms.
        for (int frameNo = 0; frameNo <= 1200; ++frameNo) {
            const double seconds = frameNo * 0.05;
            radar.pinScenarioClock(seconds);
            twin.pinScenarioClock(seconds);
            const QByteArray reply = radar.answer(ResultQuery);
            QCOMPARE(twin.answer(ResultQuery), reply);
            const QList<Point> points = targetsOf(reply);
            QCOMPARE(points.size(), 3);

            bool lamp[ZoneCount] = {};
            for (const Point &p : points) {
                const QString where = QStringLiteral("target %1 at (%2, %3) cm after %4 s").arg(p.id).arg(p.x).arg(p.y).arg(seconds);
                QVERIFY2(p.id >= 1 && p.id <= 3, qPrintable(where));
                QVERIFY2(p.y >= 0, qPrintable(where + QStringLiteral(" is behind the radar")));
                if (field.fan)
                    QVERIFY2(std::fabs(std::atan2(double(p.x), double(p.y)) * 180 / M_PI) <= field.angle / 2.0,
                             qPrintable(where + QStringLiteral(" is outside the fan")));
                else
                    QVERIFY2(p.x >= field.left && p.x <= field.right, qPrintable(where + QStringLiteral(" is outside the lane")));
                const Zone zone = zoneOf(p, field.edges);
                QVERIFY2(zone != Outside, qPrintable(where + QStringLiteral(" is beyond the detection zone")));
                lamp[zone] = true;
                if (lastPoint.contains(p.id)) {
                    // A walk, not a jump: at most 20 cm between two polls (4 m/s).
                    const Point before = lastPoint.value(p.id);
                    QVERIFY2(std::abs(p.x - before.x) <= 20 && std::abs(p.y - before.y) <= 20,
                             qPrintable(where + QStringLiteral(" jumped from (%1, %2)").arg(before.x).arg(before.y)));
                    const Zone was = zoneOfTarget.value(p.id);
                    if (was != zone) {
                        ++leftZone[was][p.id];
                        ++entered[zone][p.id];
                    }
                }
                lastPoint.insert(p.id, p);
                zoneOfTarget.insert(p.id, zone);
            }
            for (int z = Alarm; z <= Detection; ++z) {
                if (frameNo > 0 && lamp[z] != lampWas[z])
                    ++(lamp[z] ? lampLit[z] : lampOut[z]);
                lampWas[z] = lamp[z];
            }
        }

        for (int z = Alarm; z <= Detection; ++z) {
            for (int id = 1; id <= 3; ++id)
                QVERIFY2(entered[z][id] > 0 && leftZone[z][id] > 0,
                         qPrintable(QStringLiteral("target %1 entered the %2 zone %3 times and left it %4 times")
                                        .arg(id).arg(QLatin1String(ZoneNames[z])).arg(entered[z][id]).arg(leftZone[z][id])));
            // The lamps take turns: each one lights up and goes out again, more than once.
            QVERIFY2(lampLit[z] >= 2 && lampOut[z] >= 2,
                     qPrintable(QStringLiteral("the %1 lamp lit %2 times and went out %3 times")
                                    .arg(QLatin1String(ZoneNames[z])).arg(lampLit[z]).arg(lampOut[z])));
        }
    }
};

RADAR_TEST_MAIN(TestSimulator)
#include "tst_simulator.moc"
