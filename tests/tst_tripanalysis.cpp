// Why did it trip: the analysis of recordings. It protects what an engineer reads off a night's
// recording: the heat map's counts per cell (targets on cell lines and outside the grid
// included, and the alarm-start mode), zone entries that agree with the recorder's own zone
// events frame by frame across a scene sent mid-session, a shorter alarm distance moving a
// parked target's alarm entries into the warning zone, the one cell where something stood for
// 40 s, and --analyse's report, JSON keys and numbers, and its refusals of bad input.
#include "sessionfixture.h"

#include "analysecommand.h"
#include "recorder.h"
#include "scenefile.h"

namespace {
using radarlink::GridCell;

radarlink::WireScene scene(quint16 detectionCm, quint16 warningCm, quint16 alarmCm, quint8 edgeCm)
{
    return {detectionCm, 120, warningCm, alarmCm, 0, 0, edgeCm, {}, 0, 0, 0};
}

struct Spot {
    quint16 id;
    qint16 x, y;
};

TargetFrame frameOf(const QVector<Spot> &spots)
{
    TargetFrame frame;
    for (const Spot &s : spots)
        frame.insert(s.id, TargetReport{s.id, quint16(s.x), quint16(s.y), 0, 0, 1});
    return frame;
}

// Frames written by the recorder as the window writes them (its zone events included), then
// given the times of a 20 Hz poll: frame n at n x 50 ms, the scene from the start.
QString recordFrames(const QString &folder, const radarlink::WireScene &s, const QVector<TargetFrame> &frames)
{
    QString path;
    {
        Recorder recorder;
        if (!recorder.begin(folder, recording::DefaultFolderCapBytes))
            return QString();
        recorder.recordIdentity(1, QStringLiteral("0134567800aa"), 1);
        recorder.recordScene(QStringLiteral("readback"), s);
        for (const TargetFrame &frame : frames) {
            const radarlink::ZoneMembers members =
                radarlink::zoneMembers(frame, s.alarmFarCm / 100.0, s.warningFarCm / 100.0, s.detectionFarCm / 100.0);
            recorder.recordFrame(frame, radarlink::zoneFlags(members), members);
        }
        path = recorder.filePath();
    }
    const bool retimed =
        SqliteByHand(path, {QStringLiteral("UPDATE frames SET time_ms = frame * 50"), QStringLiteral("UPDATE scenes SET time_ms = 0")}).ok;
    return retimed ? path : QString();
}

// One minute at 20 Hz: target 7 parked at (50, 150) (1.58 m out, cell (4, 6) of a 1 m grid) from
// 5 s to 45 s, unseen for dropout frames from 15 s; target 1 crossing at 3 m from 10 s to 20 s;
// target 2 walking in at x = -50 from 5.5 m to 0.2 m between 50 s and 58 s.
QVector<TargetFrame> parkedAndPassing(int dropout)
{
    QVector<TargetFrame> frames;
    for (int f = 0; f < 1200; ++f) {
        QVector<Spot> spots;
        if (f >= 100 && f <= 900 && !(f >= 300 && f < 300 + dropout))
            spots.append({7, 50, 150});
        if (f >= 200 && f <= 400)
            spots.append({1, qint16(-500 + 5 * (f - 200)), 300});
        if (f >= 1000 && f <= 1160)
            spots.append({2, -50, qint16(550 - 530 * (f - 1000) / 160)});
        frames.append(frameOf(spots));
    }
    return frames;
}

const radarlink::WireScene ParkedScene = scene(600, 400, 250, 100);

QByteArray cfg(double alarmFar, qint32 gridIndex = 2, double detectionFar = 6)
{
    SceneConfig c;
    c.detectionFar = detectionFar;
    c.warningFar = 4;
    c.alarmFar = alarmFar;
    c.gridIndex = gridIndex;
    return encodeSceneConfig(c);
}

// What `radar-config --analyse` prints, and its exit status.
ProgramRun analyse(const QString &recording, const QString &sceneFile, bool json)
{
    ProgramRun p;
    QTextStream out(&p.out), err(&p.err);
    p.exitCode = analyseRecording(recording, sceneFile, json, out, err);
    return p;
}

// The recording's rows; no frames when it cannot be read.
trip::RecordingRows rowsOf(const QString &path)
{
    trip::RecordingRows rows;
    QString error;
    if (!trip::readRecording(path, &rows, &error))
        qWarning("%s", qPrintable(error));
    return rows;
}

QString cellsText(const radarlink::CellCounts &counts)
{
    QStringList texts;
    for (const auto &e : counts.entries())
        texts << QStringLiteral("(%1,%2)x%3").arg(e.cell.row).arg(e.cell.column).arg(e.count);
    return texts.join(QLatin1Char(' '));
}
} // namespace

class TestTripAnalysis : public SessionFixture
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> scratch;
    QString file(const QString &name) const { return scratch->filePath(name); }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { scratch = std::make_unique<QTemporaryDir>(); }
    void cleanup()
    {
        endSession();
        scratch.reset();
    }

    // Cells are closed on the left and near lines and open on the right and far ones; the grid
    // spans the detection range; alarm starts count only the targets that turned the alarm on.
    void heatMapCountsPositionsPerCell()
    {
        const QVector<TargetFrame> edges{
            frameOf({{1, 50, 50}, {2, 0, 100}, {3, -1, 99}, {4, -600, 0}, {5, 599, 599}}),
            frameOf({{1, 50, 50}, {2, 600, 300}, {3, 0, 600}, {4, 0, -1}, {5, -601, 10}}),
        };
        const QVector<TargetFrame> alarms{
            frameOf({{1, 50, 50}}),                           // the alarm turns on: counted
            frameOf({{1, 50, 60}}),                           // still on
            frameOf({{1, 300, 300}}),                         // warning only: off
            frameOf({{1, -100, 100}, {2, 120, 120}, {3, 0, 350}}), // on again: 1 and 2, not 3 (warning)
        };
        const struct Case {
            const char *name;
            const QVector<TargetFrame> &frames;
            quint8 edgeCm;
            trip::HeatMode mode;
            int lastFrame;
            const char *expected; // (row,column)xcount
        } cases[] = {
            {"1 m cells, lines and outside", edges, 100, trip::HeatMode::Positions, -1, "(0,11)x1 (4,6)x1 (5,0)x1 (5,5)x1 (5,6)x2"},
            {"up to the first frame", edges, 100, trip::HeatMode::Positions, 0, "(0,11)x1 (4,6)x1 (5,0)x1 (5,5)x1 (5,6)x1"},
            {"0.5 m cells", edges, 50, trip::HeatMode::Positions, -1, "(0,23)x1 (9,12)x1 (10,11)x1 (10,13)x2 (11,0)x1"},
            {"every position", alarms, 100, trip::HeatMode::Positions, -1, "(2,6)x1 (2,9)x1 (4,5)x1 (4,7)x1 (5,6)x2"},
            {"alarm starts only", alarms, 100, trip::HeatMode::AlarmStarts, -1, "(4,5)x1 (4,7)x1 (5,6)x1"},
        };
        for (const Case &c : cases) {
            const trip::RecordingRows rows = rowsOf(recordFrames(scratch->path(), scene(600, 400, 250, c.edgeCm), c.frames));
            QVERIFY(!rows.frames.isEmpty());
            const radarlink::CellCounts counts = trip::heatMap(rows.frames, trip::SceneTimeline(rows.scenes),
                                                               trip::sceneGrid(rows.scenes.first().scene), c.mode, c.lastFrame);
            QVERIFY2(cellsText(counts) == QLatin1String(c.expected), qPrintable(c.name + (": " + cellsText(counts))));
        }
    }

    // A live session against the simulator, a scene with a shorter alarm distance sent in its
    // middle: the entries of the recorded scene are the recorder's own zone events, ids and
    // times; the same frames held to the first scene count differently.
    void recordedEntriesAreTheRecordersEvents()
    {
        startSession();
        radar->setIdentity(sim::Identity{2, 2}); // an area scanner: a warning zone of its own
        radar->setScene(commissionedScene());    // alarm 2.5 m, warning 5 m, detection 7.5 m
        auto hold = [this](QList<sim::Target> targets, int frames) {
            radar->setFixedTargets(targets);
            return framesPass(frames);
        };
        radar->setFixedTargets({{1, 50, 100, 0, 0, 1}, {4, 0, 600, 0, 0, 1}});
        pressConnect();
        QVERIFY(hold({{1, 50, 100, 0, 0, 1}, {4, 0, 600, 0, 0, 1}}, 15));
        QVERIFY(hold({{2, 0, 300, 0, 0, 1}, {3, -150, 150, 0, 0, 1}}, 15));
        QVERIFY(hold({}, 10));
        QVERIFY(hold({{3, -150, 150, 0, 0, 1}}, 10));
        // 2.3 m goes on the wire (and into the recording) as 229 cm; the lamps use 2.3 m.
        ui()->spinBoxAlarmFar->setValue(2.3);
        QCOMPARE(sendScene().value(1), QStringLiteral("雷达场景参数设置成功"));
        QVERIFY(hold({{3, 0, 240, 0, 0, 1}}, 10)); // alarm under the first scene, warning now
        QVERIFY(hold({{3, 30, 228, 0, 0, 1}}, 10)); // 2.2996 m: alarm again, as under 2.3 m
        const QString path = w().recordingPath();
        ui()->pushButtonDisconnect->click();

        const trip::RecordingRows rows = rowsOf(path);
        QCOMPARE(rows.scenes.size(), 2);
        const trip::ZoneReport report = trip::zoneEntries(rows.frames, trip::SceneTimeline(rows.scenes));
        for (int zone = 0; zone < trip::ZoneCount; ++zone) {
            QStringList events, entries;
            for (const recording::Event &e : rows.events)
                if (e.zone == trip::zoneName(zone))
                    events << e.event + QLatin1Char(' ') + e.ids;
            for (const trip::ZoneEntry &e : report.zones[zone].entries) {
                QStringList ids;
                for (quint16 id : e.ids)
                    ids << QString::number(id);
                entries << QStringLiteral("zone_entered ") + ids.join(QLatin1Char(','));
                const auto entered = std::find_if(rows.events.cbegin(), rows.events.cend(), [&](const recording::Event &ev) {
                    return ev.zone == trip::zoneName(zone) && ev.event == QLatin1String("zone_entered")
                           && std::abs(ev.timeMs - e.startMs) <= 1;
                });
                QVERIFY2(entered != rows.events.cend(), qPrintable(trip::zoneName(zone)));
            }
            QCOMPARE(events.filter(QStringLiteral("zone_entered")), entries);
            QVERIFY2(!entries.isEmpty(), qPrintable(trip::zoneName(zone)));
        }
        const trip::ZoneReport firstSceneOnly = trip::zoneEntries(rows.frames, trip::SceneTimeline(rows.scenes.first().scene));
        QVERIFY(firstSceneOnly.zones[trip::AlarmZone].entries.size() < report.zones[trip::AlarmZone].entries.size());
    }

    // Where something stood: a stay survives a gap of up to a second, not more; two stays of one
    // cell add up; passers-by stay nowhere long enough.
    void fixedObjectsAreWhereSomethingStayed()
    {
        const struct Case {
            const char *name;
            int dropoutFrames;
            qint64 minimumMs;
            QStringList expected; // x_cm,y_cm ms alarm entries
        } cases[] = {
            {"40 s parked, 0.5 s unseen", 10, trip::DefaultMinimumStayMs, {"50,150 40000 ms 2"}},
            {"parked, 1.5 s unseen", 30, trip::DefaultMinimumStayMs, {}},
            {"parked, 1.5 s unseen, 5 s enough", 30, 5000, {"50,150 38450 ms 2"}}, // 9.95 s + 28.5 s
        };
        for (const Case &c : cases) {
            const trip::RecordingRows rows = rowsOf(recordFrames(scratch->path(), ParkedScene, parkedAndPassing(c.dropoutFrames)));
            QVERIFY(!rows.frames.isEmpty());
            QStringList found;
            for (const trip::FixedCell &f : trip::fixedObjects(rows.frames, trip::SceneTimeline(rows.scenes),
                                                               trip::sceneGrid(ParkedScene), c.minimumMs))
                found << QStringLiteral("%1,%2 %3 ms %4").arg(f.wirePoint.x()).arg(f.wirePoint.y()).arg(f.milliseconds).arg(f.alarmEntries);
            QVERIFY2(found == c.expected, qPrintable(c.name + (": " + found.join(QLatin1Char('|')))));
        }
    }

    // --analyse --json on the parked recording, with a scene that moves the alarm to 1.5 m: the
    // parked target's two alarm entries become warning, target 2's stays (shorter); the recorded
    // counts are the recording's own events.
    void analyseReportsBothScenesAndTheParkedCell()
    {
        const QString path = recordFrames(scratch->path(), ParkedScene, parkedAndPassing(10));
        QVERIFY(writeFile(file(QStringLiteral("shorter.cfg")), cfg(1.5)));
        const ProgramRun json = analyse(path, file(QStringLiteral("shorter.cfg")), true);
        QCOMPARE(json.exitCode, 0);
        QCOMPARE(json.err, QString());
        const QJsonObject all = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(all.keys(), (QStringList{"edited", "fixed_cells", "recorded"}));
        for (const char *which : {"recorded", "edited"})
            for (const char *zone : {"alarm", "warning", "detection"})
                QCOMPARE(all[which][zone].toObject().keys(), (QStringList{"entries", "seconds"}));
        // Alarm: parked 5 s to 15 s and 15.5 s to 45.05 s, target 2 from 54.65 s (2.47 m) to 58.05 s.
        QCOMPARE(all["recorded"]["alarm"]["entries"].toInt(), 3);
        QCOMPARE(all["recorded"]["alarm"]["seconds"].toDouble(), 42.95);
        // With 1.5 m only target 2 from 56.2 s (1.49 m) to 58.05 s.
        QCOMPARE(all["edited"]["alarm"]["entries"].toInt(), 1);
        QCOMPARE(all["edited"]["alarm"]["seconds"].toDouble(), 1.85);
        QCOMPARE(all["fixed_cells"].toArray().size(), 1);
        QCOMPARE(all["fixed_cells"][0].toObject(),
                 (QJsonObject{{"x_cm", 50}, {"y_cm", 150}, {"seconds", 40.0}, {"alarm_entries", 2}}));

        const trip::RecordingRows rows = rowsOf(path);
        for (int zone = 0; zone < trip::ZoneCount; ++zone) {
            const int entered = int(std::count_if(rows.events.cbegin(), rows.events.cend(), [&](const recording::Event &e) {
                return e.event == QLatin1String("zone_entered") && e.zone == trip::zoneName(zone);
            }));
            QCOMPARE(all["recorded"][trip::zoneName(zone)]["entries"].toInt(), entered);
        }

        const ProgramRun text = analyse(path, QString(), false);
        QCOMPARE(text.exitCode, 0);
        QVERIFY2(text.out.contains(QStringLiteral("报警区：进入 3 次，共 42.95 s")), qPrintable(text.out));
        QVERIFY2(text.out.contains(QStringLiteral("(50, 150)：40.00 s，引起报警 2 次")), qPrintable(text.out));
        QVERIFY(!text.out.contains(QStringLiteral("场景文件")));
    }

    // Bad input: one line saying why, status 1, nothing printed on the report's stream.
    void badInputIsRefused()
    {
        const QString good = recordFrames(scratch->path(), ParkedScene, parkedAndPassing(10));
        QString empty;
        {
            Recorder recorder;
            QVERIFY(recorder.begin(file(QStringLiteral("empty")), recording::DefaultFolderCapBytes));
            recorder.recordScene(QStringLiteral("readback"), ParkedScene);
            recorder.recordEvent(QStringLiteral("connected"));
            empty = recorder.filePath();
        }
        QVERIFY(writeFile(file(QStringLiteral("short.cfg")), cfg(1.5).left(40)));
        QVERIFY(writeFile(file(QStringLiteral("grid.cfg")), cfg(1.5, 7)));
        QVERIFY(writeFile(file(QStringLiteral("nothing.cfg")), cfg(1.5, 2, 0)));
        QVERIFY(writeFile(file(QStringLiteral("scene.txt")), cfg(1.5)));
        QVERIFY(writeFile(file(QStringLiteral("scanner.json")), radarlink::encodeSceneFile({2, ParkedScene})));
        const struct Case {
            QString recording, scene, message;
        } cases[] = {
            {file(QStringLiteral("none.sqlite")), QString(), QStringLiteral("找不到记录文件")},
            {empty, QString(), QStringLiteral("记录中没有检测帧")},
            {good, file(QStringLiteral("none.cfg")), QStringLiteral("找不到场景文件")},
            {good, file(QStringLiteral("short.cfg")), QStringLiteral("场景文件不完整：40 字节，应为 64 字节")},
            {good, file(QStringLiteral("grid.cfg")), QStringLiteral("网格编号 7 无效")},
            {good, file(QStringLiteral("nothing.cfg")), QStringLiteral("网格中没有单元格")},
            {good, file(QStringLiteral("scene.txt")), QStringLiteral("不是有效的 JSON")},
            {good, file(QStringLiteral("scanner.json")), QStringLiteral("场景文件是设备类型 2 的，记录来自设备类型 1")},
        };
        for (const Case &c : cases)
            for (bool json : {false, true}) {
                const ProgramRun p = analyse(c.recording, c.scene, json);
                QVERIFY2(p.exitCode == 1 && p.out.isEmpty() && p.err.count(QLatin1Char('\n')) == 1 && p.err.contains(c.message),
                         qPrintable(QStringLiteral("%1: %2 / %3").arg(c.message).arg(p.exitCode).arg(p.err)));
            }

        // What a full scene file will bring: cells off the grid, too many cells, an odd edge.
        radarlink::WireScene cells = ParkedScene;
        cells.cells = {{150, 350}, {650, 50}};
        QCOMPARE(trip::sceneGridProblem(cells), QStringLiteral("非报警单元格 (650, 50) 不在场景的网格内"));
        cells.cells = QVector<QPoint>(11, QPoint(50, 50));
        QVERIFY(trip::sceneGridProblem(cells).contains(QStringLiteral("最多 10 个")));
        QVERIFY(trip::sceneGridProblem(scene(600, 400, 250, 30)).contains(QStringLiteral("网格边长 30 cm")));
        cells.cells = {{150, 350}, {-550, 550}};
        QCOMPARE(trip::sceneGridProblem(cells), QString());
    }
};

RADAR_TEST_MAIN(TestTripAnalysis)
#include "tst_tripanalysis.moc"
