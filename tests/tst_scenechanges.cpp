// What the operator is told before a send and when two history entries are compared: exactly the
// values that differ, old → new with their units and the filters by name, the cells added and
// removed as the radar gets them; and the values of a scene that contradict each other, by
// device type. Pure functions, no window.
#include "testsupport.h"

#include "scenechanges.h"

using namespace radarlink;

Q_DECLARE_METATYPE(radarlink::WireScene)

namespace {
// Far, angle, warning, alarm, left, right (half metres), grid edge, cells, direction, type, start.
const WireScene Radar{600, 120, 400, 200, -2, 2, 100, {{150, 350}, {-50, 50}}, 0, 0, 0};

WireScene with(void (*edit)(WireScene &))
{
    WireScene s = Radar;
    edit(s);
    return s;
}
} // namespace

class TestSceneChanges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

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

RADAR_TEST_MAIN(TestSceneChanges)
#include "tst_scenechanges.moc"
