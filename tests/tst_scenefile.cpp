// The full scene file an operator exports and imports: what is on disk (wire units a person can
// read, the fingerprint with them), that it comes back as it went out, and that every damaged,
// foreign or doctored file is refused with its own message and nothing of it taken.
#include "testsupport.h"

#include "scenefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <functional>

using namespace radarlink;

Q_DECLARE_METATYPE(std::function<void(QJsonObject &)>)

namespace {
// The ten cells of tst_fingerprint's third scene, whose fingerprint Python's zlib gives as 544B056A.
SceneFile tenCells()
{
    return {1, WireScene{600, 120, 400, 200, -2, 2, 25,
                         {{125, 300}, {-75, 575}, {-50, 575}, {-25, 575}, {0, 550}, {25, 550}, {50, 550},
                          {-100, 300}, {-75, 300}, {100, 300}},
                         0, 0, 0}};
}
} // namespace

class TestSceneFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installWarningGuard(); }

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
        const QByteArray good = encodeSceneFile(tenCells());
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
        QVERIFY(!writeSceneFile(nowhere, tenCells(), &error));
        QVERIFY2(error.startsWith(QStringLiteral("无法写入场景文件：") + nowhere), qPrintable(error));
        QVERIFY(!QFile::exists(nowhere));
    }
};

RADAR_TEST_MAIN(TestSceneFile)
#include "tst_scenefile.moc"
