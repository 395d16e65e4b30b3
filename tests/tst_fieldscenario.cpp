// The field scenario as the operator meets it: a minute of detection results, read from the
// reply bytes the radar sends, with the scenario's clock driven frame by frame. The targets must
// keep to the radar's own field (its lane, or its fan) and walk in and out of each zone, so that
// the tool's alarm, warning and detection lamps each light up and go out again.
#include "radarsimulator.h"
#include "testsupport.h"

#include <QHash>
#include <QtTest>

#include <cmath>
#include <cstdlib>

using sim::RadarSimulator;

namespace {

// A request frame as the tool writes it: 55 AA, length, byte-sum checksum, 00, station, code,
// station, 01, 00, data, ED ED.
QByteArray frame(quint8 code, const QByteArray &data)
{
    const int length = 14 + data.size();
    QByteArray f = hexBytes("55 aa") + char(length & 0xFF) + char(length >> 8) + QByteArray(3, '\0') + char(0xFF)
                   + char(code) + char(0xFF) + char(0x01) + '\0' + data + hexBytes("ed ed");
    quint16 sum = 0;
    for (char c : f)
        sum = quint16(sum + quint8(c));
    f[4] = char(sum & 0xFF);
    f[5] = char(sum >> 8);
    return f;
}

QByteArray le16(int value) { return QByteArray(1, char(value & 0xFF)) + char((value >> 8) & 0xFF); }

// Write detection area: far (cm), angle (degrees), two zero bytes.
QByteArray detectionArea(int far, int angle) { return frame(0x02, le16(far) + le16(angle) + le16(0)); }
// Write alarm area: warning far, alarm far (cm), left and right boundary (half metres).
QByteArray alarmArea(int warning, int alarm, int left, int right)
{
    return frame(0x03, le16(warning) + le16(alarm) + char(qint8(left)) + char(qint8(right)));
}

const QByteArray ResultQuery = frame(0x06, hexBytes("01 00"));

struct Point
{
    int id;
    int x;
    int y;
};

// The targets of a detection-result reply, as the 12-byte entries carry them.
QList<Point> targetsOf(const QByteArray &reply)
{
    QList<Point> points;
    const int count = quint8(reply.at(13));
    for (int k = 0; k < count; ++k) {
        const int at = 14 + 12 * k;
        auto word = [&](int offset) { return qint16(quint8(reply.at(at + offset)) | (quint8(reply.at(at + offset + 1)) << 8)); };
        points.append(Point{quint16(word(0)), word(2), word(4)});
    }
    return points;
}

enum Zone { Alarm, Warning, Detection, Outside, ZoneCount };

// The tool's rule: a target counts for the innermost zone it is strictly inside.
Zone zoneOf(const Point &p, qint64 alarm, qint64 warning, qint64 detection)
{
    const qint64 r2 = qint64(p.x) * p.x + qint64(p.y) * p.y;
    if (r2 < alarm * alarm)
        return Alarm;
    if (r2 < warning * warning)
        return Warning;
    if (r2 < detection * detection)
        return Detection;
    return Outside;
}

const char *const ZoneNames[] = {"alarm", "warning", "detection", "outside"};

} // namespace

class TestFieldScenario : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }

    void targetsKeepToTheFieldAndWalkThroughEveryZone_data()
    {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<QList<QByteArray>>("writes");   // what the tool sends before the minute
        QTest::addColumn<bool>("fan");
        QTest::addColumn<int>("left");      // cm
        QTest::addColumn<int>("right");     // cm
        QTest::addColumn<int>("angle");     // degrees, whole fan
        QTest::addColumn<int>("alarm");     // cm
        QTest::addColumn<int>("warning");   // cm
        QTest::addColumn<int>("detection"); // cm

        QTest::newRow("channel radar, the scene it starts with")
            << 1 << QList<QByteArray>() << false << -100 << 100 << 120 << 200 << 400 << 600;
        QTest::newRow("channel radar, an off-centre lane and distances sent by the tool")
            << 1 << QList<QByteArray>{alarmArea(350, 150, -1, 3), detectionArea(500, 120)}
            << false << -50 << 150 << 120 << 150 << 350 << 500;
        QTest::newRow("obstacle radar, a narrow lane")
            << 3 << QList<QByteArray>{alarmArea(250, 100, 0, 1), detectionArea(450, 90)}
            << false << 0 << 50 << 90 << 100 << 250 << 450;
        QTest::newRow("obstacle radar, a lane off to one side")
            << 3 << QList<QByteArray>{alarmArea(300, 150, 1, 4), detectionArea(500, 120)}
            << false << 50 << 200 << 120 << 150 << 300 << 500;
        QTest::newRow("area scanner, the scene it starts with")
            << 2 << QList<QByteArray>() << true << 0 << 0 << 120 << 200 << 400 << 600;
        QTest::newRow("area scanner, a narrow long fan sent by the tool")
            << 2 << QList<QByteArray>{detectionArea(900, 60), alarmArea(600, 300, -2, 2)}
            << true << 0 << 0 << 60 << 300 << 600 << 900;
    }

    void targetsKeepToTheFieldAndWalkThroughEveryZone()
    {
        QFETCH(int, deviceType);
        QFETCH(QList<QByteArray>, writes);
        QFETCH(bool, fan);
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(int, angle);
        QFETCH(int, alarm);
        QFETCH(int, warning);
        QFETCH(int, detection);

        // Two radars set up alike: the field scenario is the same walk every time.
        RadarSimulator radar;
        RadarSimulator twin;
        for (RadarSimulator *r : {&radar, &twin}) {
            sim::Identity identity = r->identity();
            identity.deviceType = quint8(deviceType);
            r->setIdentity(identity);
            r->setTargets(3);
            r->setScenario(sim::Scenario::Field);
            for (const QByteArray &write : writes)
                QVERIFY(!r->answer(write).isEmpty());
        }

        QHash<int, Zone> zoneOfTarget;
        QHash<int, Point> lastPoint;
        int entered[ZoneCount][4] = {};   // per zone, per target identifier 1..3
        int leftZone[ZoneCount][4] = {};
        bool lampWas[ZoneCount] = {};
        int lampLit[ZoneCount] = {};
        int lampOut[ZoneCount] = {};

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
                const QString where = QStringLiteral("target %1 at (%2, %3) cm after %4 s")
                                          .arg(p.id).arg(p.x).arg(p.y).arg(seconds);
                QVERIFY2(p.id >= 1 && p.id <= 3, qPrintable(where));
                QVERIFY2(p.y >= 0, qPrintable(where + QStringLiteral(" is behind the radar")));
                if (fan) {
                    const double bearing = std::atan2(double(p.x), double(p.y)) * 180 / M_PI;
                    QVERIFY2(std::fabs(bearing) <= angle / 2.0,
                             qPrintable(where + QStringLiteral(" is outside the fan")));
                } else {
                    QVERIFY2(p.x >= left && p.x <= right, qPrintable(where + QStringLiteral(" is outside the lane")));
                }
                const Zone zone = zoneOf(p, alarm, warning, detection);
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
            for (int id = 1; id <= 3; ++id) {
                QVERIFY2(entered[z][id] > 0 && leftZone[z][id] > 0,
                         qPrintable(QStringLiteral("target %1 entered the %2 zone %3 times and left it %4 times")
                                        .arg(id).arg(QLatin1String(ZoneNames[z])).arg(entered[z][id]).arg(leftZone[z][id])));
            }
            // The lamps take turns: each one lights up and goes out again, more than once.
            QVERIFY2(lampLit[z] >= 2 && lampOut[z] >= 2,
                     qPrintable(QStringLiteral("the %1 lamp lit %2 times and went out %3 times")
                                    .arg(QLatin1String(ZoneNames[z])).arg(lampLit[z]).arg(lampOut[z])));
        }
    }
};

QTEST_GUILESS_MAIN(TestFieldScenario)
#include "tst_fieldscenario.moc"
