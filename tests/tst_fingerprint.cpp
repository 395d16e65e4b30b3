// A scene's values as they leave the tool. The fingerprint, as anyone recomputes it from a wire
// trace: a zlib CRC-32 over the data bytes of the five scene writes; the expected figures come
// from Python's zlib.crc32 over bytes written out by hand, and the form's own encoders (metres
// in) must give the same bytes, so that a scene typed in, sent, read back or loaded from a file
// has one fingerprint. The full scene file an operator exports and imports (CTest entry
// tst_scenefile): what is on disk (wire units a person can read, the fingerprint with them),
// that it comes back as it went out, and that every damaged, foreign or doctored file is refused
// with its own message and nothing of it taken. What the operator is told before a send and when
// two history entries are compared (tst_scenechanges): exactly the values that differ, old → new
// with their units and the filters by name, the cells added and removed as the radar gets them;
// and the values of a scene that contradict each other, by device type.
#include "testsupport.h"

#include "scenechanges.h"
#include "scenedata.h"
#include "scenefile.h"
#include "scenefingerprint.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <functional>

using namespace radarlink;

Q_DECLARE_METATYPE(radarlink::WireScene)
Q_DECLARE_METATYPE(std::function<void(radarlink::WireScene &)>)
Q_DECLARE_METATYPE(std::function<void(QJsonObject &)>)

namespace {
// Ten cell centres of a 0.25 m grid in the order the tool sends them: far row first, left first.
const QVector<QPoint> TenCells{{-75, 575}, {-50, 575}, {-25, 575}, {0, 550},   {25, 550},
                               {50, 550},  {-100, 300}, {-75, 300}, {100, 300}, {125, 300}};

// A scene of the default ranges on a 0.25 m grid. Fields in WireScene's order: far, angle,
// warning, alarm, left, right (half metres), grid edge, cells, direction, type, start.
WireScene onQuarterGrid(const QVector<QPoint> &cells = TenCells) { return WireScene{600, 120, 400, 200, -2, 2, 25, cells, 0, 0, 0}; }
// The form's writes of that scene but for its cell list.
QByteArray defaultFormWrites()
{
    return detectionAreaData(6.0, 120) + alarmAreaData(4.0, 2.0, -1.0, 1.0) + targetFilterData(0, 0) + startDistanceData(0.0);
}

// The scene a radar holds, on a 1 m grid with two cells, and copies of it with one edit.
const WireScene Radar{600, 120, 400, 200, -2, 2, 100, {{150, 350}, {-50, 50}}, 0, 0, 0};

WireScene with(void (*edit)(WireScene &))
{
    WireScene s = Radar;
    edit(s);
    return s;
}
} // namespace

class TestSceneValues : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

    // ---- the fingerprint -----------------------------------------------------------------

    // Each scene as the form holds it (metres, the combo boxes' codes) and in wire units.
    void fingerprintIsTheCrcOfTheWrites_data()
    {
        QTest::addColumn<WireScene>("wire");
        QTest::addColumn<QByteArray>("formWrites");
        QTest::addColumn<QString>("fingerprint");
        QTest::newRow("default form") << WireScene{600, 120, 400, 200, -2, 2, 100, {}, 0, 0, 0}
                                      << defaultFormWrites() + suppressionData({}, 1.0) << "3796A644";
        QTest::newRow("lane, boundaries, vehicles approaching")
            << WireScene{1250, 90, 800, 350, -5, 6, 50, {}, 1, 2, 150}
            << detectionAreaData(12.5, 90) + alarmAreaData(8.0, 3.5, -2.5, 3.0) + targetFilterData(1, 2)
                   + startDistanceData(1.5) + suppressionData({}, 0.5)
            << "5A0D17E0";
        // The tool sends what its plot can hold: each cell once, the ten farthest.
        QVector<QPoint> shuffled = TenCells;
        std::reverse(shuffled.begin(), shuffled.end());
        std::swap(shuffled[2], shuffled[7]);
        const QByteArray tenCellWrites = defaultFormWrites() + suppressionData(TenCells, 0.25);
        QTest::newRow("ten cells on a 0.25 m grid, listed in any order") << onQuarterGrid(shuffled) << tenCellWrites << "544B056A";
        QTest::newRow("a cell listed twice") << onQuarterGrid(TenCells + shuffled) << tenCellWrites << "544B056A";
        QTest::newRow("an eleventh cell, nearer than the others")
            << onQuarterGrid(TenCells + QVector<QPoint>{{0, 100}}) << tenCellWrites << "544B056A";
    }
    void fingerprintIsTheCrcOfTheWrites()
    {
        QFETCH(WireScene, wire);
        QFETCH(QByteArray, formWrites);
        QFETCH(QString, fingerprint);
        QCOMPARE(sceneWritePayloads(wire).toHex(' '), formWrites.toHex(' '));
        QCOMPARE(fingerprintText(sceneFingerprint(wire)), fingerprint);
    }

    void everyValueChangesIt_data()
    {
        using Change = std::function<void(WireScene &)>;
        QTest::addColumn<Change>("change");
        QTest::newRow("detection far") << Change([](WireScene &s) { s.detectionFarCm += 1; });
        QTest::newRow("angle") << Change([](WireScene &s) { s.angle = 90; });
        QTest::newRow("warning far, hidden on a channel radar") << Change([](WireScene &s) { s.warningFarCm -= 1; });
        QTest::newRow("alarm far") << Change([](WireScene &s) { s.alarmFarCm += 10; });
        QTest::newRow("left boundary") << Change([](WireScene &s) { s.leftHalfMetres = -3; });
        QTest::newRow("right boundary, hidden on an area scanner") << Change([](WireScene &s) { s.rightHalfMetres = 3; });
        QTest::newRow("start distance") << Change([](WireScene &s) { s.startCm = 50; });
        QTest::newRow("grid edge") << Change([](WireScene &s) { s.gridEdgeCm = 50; });
        QTest::newRow("target direction") << Change([](WireScene &s) { s.direction = 2; });
        QTest::newRow("target type") << Change([](WireScene &s) { s.type = 1; });
        QTest::newRow("a cell moved by 1 cm") << Change([](WireScene &s) { s.cells[9].rx() += 1; });
        QTest::newRow("a cell removed") << Change([](WireScene &s) { s.cells.removeAt(3); });
    }
    void everyValueChangesIt()
    {
        QFETCH(std::function<void(WireScene &)>, change);
        WireScene changed = onQuarterGrid();
        change(changed);
        QVERIFY(sceneFingerprint(changed) != sceneFingerprint(onQuarterGrid()));
    }

    // ---- the scene file ------------------------------------------------------------------

    // An area scanner's scene on disk and back: every value under its own name in wire units,
    // the direction code too, which such a radar does not show but is still sent.
    void roundTrip()
    {
        QTemporaryDir folder;
        const SceneFile out{2, WireScene{750, 100, 500, 250, -8, 12, 100, {{150, 350}}, 1, 3, 150}};
        const QString path = folder.filePath(QStringLiteral("lane.json"));
        QString error;
        QVERIFY2(writeSceneFile(path, out, &error), qPrintable(error));
        const QJsonObject expected{
            {"format", "radar-scene"}, {"version", 1}, {"device_type", 2}, {"detection_far_cm", 750},
            {"angle_deg", 100}, {"warning_far_cm", 500}, {"alarm_far_cm", 250}, {"left_half_metres", -8},
            {"right_half_metres", 12}, {"grid_edge_cm", 100}, {"target_direction", 1}, {"target_type", 3},
            {"start_cm", 150}, {"cells", QJsonArray{QJsonObject{{"x_cm", 150}, {"y_cm", 350}}}},
            {"fingerprint", "F17DC31C"}};
        QCOMPARE(QJsonDocument::fromJson(fileBytes(path)).object(), expected);
        QVERIFY(fileBytes(path).count('\n') > 15); // one value a line
        SceneFile in;
        QVERIFY2(readSceneFile(path, &in, &error), qPrintable(error));
        QCOMPARE(encodeSceneFile(in), encodeSceneFile(out));
    }

    void badFilesAreRefused_data()
    {
        using Edit = std::function<void(QJsonObject &)>;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray good = encodeSceneFile(SceneFile{1, onQuarterGrid()});
        const auto edited = [&good](const Edit &edit) {
            QJsonObject o = QJsonDocument::fromJson(good).object();
            edit(o);
            return QJsonDocument(o).toJson();
        };
        const auto set = [&edited](const char *key, const QJsonValue &value) {
            return edited([=](QJsonObject &o) { o.insert(QLatin1String(key), value); });
        };
        QTest::newRow("empty") << QByteArray() << "场景文件已损坏或不完整：不是有效的 JSON";
        QTest::newRow("cut short") << good.left(good.indexOf("cells")) << "场景文件已损坏或不完整：不是有效的 JSON";
        QTest::newRow("a 64-byte .cfg") << QByteArray(64, '\x40') << "场景文件已损坏或不完整：不是有效的 JSON";
        QTest::newRow("a list") << QByteArray("[1, 2]") << "不是雷达场景文件";
        QTest::newRow("another format") << set("format", "radar-recording") << "不是雷达场景文件";
        QTest::newRow("newer version") << set("version", 2) << "场景文件的格式版本 2 比本程序新（本程序支持到 1）";
        QTest::newRow("unknown key") << set("colour", "red") << "场景文件含有未知的项：colour";
        QTest::newRow("missing key") << edited([](QJsonObject &o) { o.remove("start_cm"); }) << "场景文件缺少项：start_cm";
        QTest::newRow("angle above the box") << set("angle_deg", 121) << "场景文件中 angle_deg 的值 121 无效，应为 0 到 120 的整数";
        QTest::newRow("distance beyond 16 bits") << set("alarm_far_cm", 65536)
                                                 << "场景文件中 alarm_far_cm 的值 65536 无效，应为 0 到 65535 的整数";
        QTest::newRow("left boundary right of the radar") << set("left_half_metres", 1)
                                                          << "场景文件中 left_half_metres 的值 1 无效，应为 -128 到 0 的整数";
        QTest::newRow("fraction") << set("start_cm", 2.5) << "场景文件中 start_cm 的值 2.5 无效，应为 0 到 65535 的整数";
        QTest::newRow("number as text") << set("detection_far_cm", "600")
                                        << "场景文件中 detection_far_cm 的值 \"600\" 无效，应为 0 到 65535 的整数";
        QTest::newRow("grid edge not in the list") << set("grid_edge_cm", 75)
                                                   << "场景文件中 grid_edge_cm 的值 75 无效，应为 25、50、100、150、200";
        QTest::newRow("area scanner's type code on a channel radar")
            << set("target_type", 3) << "场景文件中 target_type 的值 3 无效，应为 0、1、2";
        QTest::newRow("unknown device type") << set("device_type", 4) << "场景文件中 device_type 的值 4 无效，应为 1 到 3 的整数";
        QTest::newRow("eleven cells") << edited([](QJsonObject &o) {
            QJsonArray cells = o.value("cells").toArray();
            cells.append(QJsonObject{{"x_cm", 0}, {"y_cm", 100}});
            o.insert("cells", cells);
        }) << "场景文件中的非报警区域网格有 11 个，最多 10 个";
        QTest::newRow("a cell without y") << edited([](QJsonObject &o) {
            QJsonArray cells = o.value("cells").toArray();
            cells.replace(1, QJsonObject{{"x_cm", 150}});
            o.insert("cells", cells);
        }) << "场景文件中第 2 个非报警区域网格无效：{\"x_cm\":150}";
        QTest::newRow("value changed, fingerprint kept")
            << set("alarm_far_cm", 199) << "场景文件记录的指纹 544B056A 与其中的参数不符（按参数计算为 EDADB02D）";
        QTest::newRow("fingerprint not hexadecimal") << set("fingerprint", "544B056G")
                                                     << "场景文件中 fingerprint 的值 \"544B056G\" 无效，应为 8 位十六进制数";
    }
    void badFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        SceneFile kept;
        kept.deviceType = 3;
        QString error;
        QVERIFY(!decodeSceneFile(bytes, &kept, &error));
        QTEST(error, "message");
        QCOMPARE(encodeSceneFile(kept), encodeSceneFile(SceneFile{3, {}}));
    }

    void filesThatCannotBeReadOrWritten()
    {
        QTemporaryDir folder;
        SceneFile file;
        QString error;
        const QString missing = folder.filePath(QStringLiteral("none.json"));
        QVERIFY(!readSceneFile(missing, &file, &error));
        QCOMPARE(error, QStringLiteral("无法读取场景文件：") + missing);
        const QString big = folder.filePath(QStringLiteral("big.json"));
        QVERIFY(writeFile(big, QByteArray(SceneFileMaxBytes + 1, ' ')));
        QVERIFY(!readSceneFile(big, &file, &error));
        QCOMPARE(error, QStringLiteral("文件过大，不是雷达场景文件：") + big);
        const QString nowhere = folder.filePath(QStringLiteral("no-folder/a.json"));
        QVERIFY(!writeSceneFile(nowhere, SceneFile{1, onQuarterGrid()}, &error));
        QVERIFY2(error.startsWith(QStringLiteral("无法写入场景文件：") + nowhere), qPrintable(error));
        QVERIFY(!QFile::exists(nowhere));
    }

    // ---- what changes and what contradicts -----------------------------------------------

    void changesAreListedExactly_data()
    {
        QTest::addColumn<WireScene>("form");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("same scene, cells in another order and twice")
            << with([](WireScene &s) { s.cells = {{-50, 50}, {150, 350}, {-50, 50}}; }) << QStringList();
        QTest::newRow("one centimetre") << with([](WireScene &s) { s.startCm = 1; })
                                        << QStringList{"起始探测距离：0.00 m → 0.01 m"};
        QTest::newRow("lane, angle, filters")
            << with([](WireScene &s) { s.leftHalfMetres = -3; s.angle = 90; s.direction = 1; s.type = 3; })
            << QStringList{"左边界：-1.0 m → -1.5 m", "探测角度：120° → 90°", "目标方向：不区分 (0) → 接近雷达 (1)",
                           "目标类型：不筛选目标 (0) → 静目标 (3)"};
        QTest::newRow("cells added and removed")
            << with([](WireScene &s) { s.cells = {{-50, 50}, {250, 550}, {-250, 550}}; })
            << QStringList{"新增非报警区域网格：(-250, 550)", "新增非报警区域网格：(250, 550)", "移除非报警区域网格：(150, 350)"};
    }
    void changesAreListedExactly()
    {
        QFETCH(WireScene, form);
        QTEST(changeLines(sceneChanges(Radar, form)), "lines");
    }

    void contradictionsFollowTheDeviceType_data()
    {
        QTest::addColumn<WireScene>("scene");
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("sound scene") << Radar << 2 << QStringList();
        QTest::newRow("warning limit 0 m, alarm 2 m") << with([](WireScene &s) { s.warningFarCm = 0; }) << 3
                                                      << QStringList{"预警距离 0.00 m 不大于报警距离 2.00 m：没有预警区"};
        QTest::newRow("channel radar: warning zone left open, lane empty, start at the alarm")
            << with([](WireScene &s) { s.leftHalfMetres = 2; s.startCm = 200; }) << 1
            << QStringList{"通道预警雷达不使用预警区，但预警距离 4.00 m 大于报警距离 2.00 m",
                           "起始探测距离 2.00 m 不小于报警距离 2.00 m：没有报警区",
                           "左边界 1.0 m 不在右边界 1.0 m 的左侧：通道为空"};
        QTest::newRow("area scanner: no lane to check, detection inside the warning zone")
            << with([](WireScene &s) { s.leftHalfMetres = 2; s.detectionFarCm = 400; }) << 2
            << QStringList{"探测距离 4.00 m 不大于预警距离 4.00 m：预警区外没有探测区"};
    }
    void contradictionsFollowTheDeviceType()
    {
        QFETCH(WireScene, scene);
        QFETCH(int, deviceType);
        QStringList warnings;
        for (SceneConflict conflict : sceneConflicts(scene, deviceType))
            warnings << conflictText(conflict, scene);
        QTEST(warnings, "warnings");
    }
};

RADAR_TEST_MAIN(TestSceneValues)
#include "tst_fingerprint.moc"
