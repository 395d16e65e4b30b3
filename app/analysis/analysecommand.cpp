#include "analysecommand.h"

#include "scenefile.h"

#include "sceneconfig.h"
#include "scenedata.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

namespace {
// The context of the texts in the catalogues.
class TripAnalysis
{
    Q_DECLARE_TR_FUNCTIONS(TripAnalysis)
};
} // namespace

namespace trip {

namespace {
// The grid combo box's edges, in its order, centimetres.
constexpr quint8 GridEdgesCm[] = {25, 50, 100, 150, 200};

// A distance as the form's spin box holds it: within its range, to a tenth of a metre.
double formValue(double metres, double low, double high)
{
    return formMetres(std::clamp(metres, low, high));
}

bool readCfg(const QString &path, SceneFile *file, QString *error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = TripAnalysis::tr("无法读取场景文件：%1").arg(path);
        return false;
    }
    const QByteArray bytes = in.read(SceneConfigSize);
    if (bytes.size() < SceneConfigSize) {
        *error = TripAnalysis::tr("场景文件不完整：%1 字节，应为 %2 字节").arg(bytes.size()).arg(SceneConfigSize);
        return false;
    }
    const SceneConfig c = decodeSceneConfig(bytes);
    if (c.gridIndex < 0 || c.gridIndex >= int(std::size(GridEdgesCm))) {
        *error = TripAnalysis::tr("场景文件的网格编号 %1 无效（应为 0 到 4）").arg(c.gridIndex);
        return false;
    }
    using namespace radarlink;
    WireScene &s = file->scene;
    s.detectionFarCm = distanceCm(formValue(c.detectionFar, 0, 65535));
    s.warningFarCm = distanceCm(formValue(c.warningFar, 0, 65535));
    s.alarmFarCm = distanceCm(formValue(c.alarmFar, 0, 65535));
    s.startCm = distanceCm(formValue(c.detectionNear, 0, 65535));
    s.leftHalfMetres = qint8(boundaryHalfMetres(formValue(c.leftBoundary, -65535, 0)));
    s.rightHalfMetres = qint8(boundaryHalfMetres(formValue(c.rightBoundary, 0, 65535)));
    s.angle = quint16(std::clamp(c.detectionAngle, 0, 120));
    s.gridEdgeCm = GridEdgesCm[c.gridIndex];
    s.direction = quint8(c.targetDirectionIndex);
    file->deviceType = -1;
    return true;
}

QJsonObject zonesJson(const ZoneReport &report)
{
    QJsonObject zones;
    for (int zone = 0; zone < ZoneCount; ++zone) {
        const ZoneTally &tally = report.zones[zone];
        zones.insert(zoneName(zone), QJsonObject{{QStringLiteral("entries"), int(tally.entries.size())},
                                                 {QStringLiteral("seconds"), tally.milliseconds / 1000.0}});
    }
    return zones;
}

QString secondsText(qint64 ms)
{
    return QString::number(ms / 1000.0, 'f', 2);
}

void printZones(QTextStream &out, const ZoneReport &report)
{
    const QString names[ZoneCount] = {TripAnalysis::tr("报警区"), TripAnalysis::tr("预警区"), TripAnalysis::tr("检测区")};
    for (int zone = 0; zone < ZoneCount; ++zone) {
        const ZoneTally &tally = report.zones[zone];
        out << "  " << TripAnalysis::tr("%1：进入 %2 次，共 %3 s").arg(names[zone]).arg(tally.entries.size()).arg(secondsText(tally.milliseconds))
            << '\n';
    }
}

struct Analysis {
    ZoneReport recorded;
    ZoneReport edited;
    bool hasEdited = false;
    QVector<FixedCell> fixedCells;
};

void printJson(QTextStream &out, const Analysis &a)
{
    QJsonObject all{{QStringLiteral("recorded"), zonesJson(a.recorded)}};
    if (a.hasEdited)
        all.insert(QStringLiteral("edited"), zonesJson(a.edited));
    QJsonArray cells;
    for (const FixedCell &f : a.fixedCells)
        cells.append(QJsonObject{{QStringLiteral("x_cm"), f.wirePoint.x()},
                                 {QStringLiteral("y_cm"), f.wirePoint.y()},
                                 {QStringLiteral("seconds"), f.milliseconds / 1000.0},
                                 {QStringLiteral("alarm_entries"), f.alarmEntries}});
    all.insert(QStringLiteral("fixed_cells"), cells);
    out << QJsonDocument(all).toJson(QJsonDocument::Indented);
}

void printText(QTextStream &out, const Analysis &a, const QString &recordingPath, const QString &scenePath)
{
    out << TripAnalysis::tr("记录：%1").arg(recordingPath) << '\n' << TripAnalysis::tr("记录的场景：") << '\n';
    printZones(out, a.recorded);
    if (a.hasEdited) {
        out << TripAnalysis::tr("场景文件 %1：").arg(scenePath) << '\n';
        printZones(out, a.edited);
    }
    out << TripAnalysis::tr("静止目标（在报警区或预警区停留至少 %1 s 的单元格）：").arg(DefaultMinimumStayMs / 1000) << '\n';
    if (a.fixedCells.isEmpty())
        out << "  " << TripAnalysis::tr("没有") << '\n';
    for (const FixedCell &f : a.fixedCells)
        out << "  "
            << TripAnalysis::tr("(%1, %2)：%3 s，引起报警 %4 次")
                   .arg(f.wirePoint.x())
                   .arg(f.wirePoint.y())
                   .arg(secondsText(f.milliseconds))
                   .arg(f.alarmEntries)
            << '\n';
}

// The recording and the scene to try on it, or the reason they cannot be analysed.
bool load(const QString &recordingPath, const QString &scenePath, RecordingRows *rows, SceneFile *scene,
          QString *error)
{
    if (!readRecording(recordingPath, rows, error))
        return false;
    if (rows->scenes.isEmpty()) {
        *error = TripAnalysis::tr("记录中没有场景参数，无法分类：%1").arg(recordingPath);
        return false;
    }
    if (scenePath.isEmpty())
        return true;
    if (!readSceneFile(scenePath, scene, error))
        return false;
    if (scene->deviceType >= 0 && rows->identityKnown && scene->deviceType != rows->identity.deviceType) {
        *error = TripAnalysis::tr("场景文件是设备类型 %1 的，记录来自设备类型 %2").arg(scene->deviceType).arg(rows->identity.deviceType);
        return false;
    }
    *error = sceneGridProblem(scene->scene);
    return error->isEmpty();
}
} // namespace

bool readRecording(const QString &path, RecordingRows *rows, QString *error)
{
    recording::Reader reader;
    if (!reader.open(path) || !reader.readFrames(&rows->frames) || !reader.readScenes(&rows->scenes)
        || !reader.readEvents(&rows->events)) {
        *error = reader.errorString();
        return false;
    }
    rows->identityKnown = reader.readIdentity(&rows->identity);
    if (rows->frames.isEmpty()) {
        *error = TripAnalysis::tr("记录中没有检测帧：%1").arg(path);
        return false;
    }
    return true;
}

bool readSceneFile(const QString &path, SceneFile *scene, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        *error = TripAnalysis::tr("找不到场景文件：%1").arg(path);
        return false;
    }
    if (QFileInfo(path).suffix().compare(QLatin1String("cfg"), Qt::CaseInsensitive) == 0)
        return readCfg(path, scene, error);
    // Anything else must be the full scene file, which names its device type and holds the cells.
    radarlink::SceneFile file;
    if (!radarlink::readSceneFile(path, &file, error))
        return false;
    scene->scene = file.scene;
    scene->deviceType = file.deviceType;
    return true;
}

QString sceneGridProblem(const radarlink::WireScene &scene)
{
    if (std::find(std::begin(GridEdgesCm), std::end(GridEdgesCm), scene.gridEdgeCm) == std::end(GridEdgesCm))
        return TripAnalysis::tr("场景的网格边长 %1 cm 不是本工具的网格（0.25、0.5、1、1.5 或 2 m）").arg(scene.gridEdgeCm);
    const radarlink::SceneGrid grid = sceneGrid(scene);
    if (grid.rows == 0)
        return TripAnalysis::tr("场景的检测距离为 0，网格中没有单元格");
    if (scene.cells.size() > radarlink::MaxNonAlarmCells)
        return TripAnalysis::tr("场景有 %1 个非报警单元格，最多 %2 个").arg(scene.cells.size()).arg(radarlink::MaxNonAlarmCells);
    for (const QPoint &point : scene.cells)
        if (!grid.contains(grid.cellOfWirePoint(point.x(), point.y())))
            return TripAnalysis::tr("非报警单元格 (%1, %2) 不在场景的网格内").arg(point.x()).arg(point.y());
    return QString();
}

} // namespace trip

int analyseRecording(const QString &recording, const QString &sceneFile, bool json, QTextStream &out, QTextStream &err)
{
    using namespace trip;
    RecordingRows rows;
    SceneFile scene;
    QString error;
    if (!load(recording, sceneFile, &rows, &scene, &error)) {
        err << error << '\n';
        err.flush();
        return 1;
    }
    const SceneTimeline recorded(rows.scenes);
    const recording::Scene &last = rows.scenes.at(recorded.indexAt(rows.frames.last().timeMs));
    Analysis a;
    a.recorded = zoneEntries(rows.frames, recorded);
    a.hasEdited = !sceneFile.isEmpty();
    if (a.hasEdited)
        a.edited = zoneEntries(rows.frames, SceneTimeline(scene.scene));
    // The cells are those of the scene being tried, or the one in force at the end; where a
    // target stayed is judged by the zones the radar had.
    a.fixedCells = fixedObjects(rows.frames, recorded, sceneGrid(a.hasEdited ? scene.scene : last.scene));
    if (json)
        printJson(out, a);
    else
        printText(out, a, recording, sceneFile);
    out.flush();
    return 0;
}
