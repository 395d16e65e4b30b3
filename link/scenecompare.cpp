#include "scenecompare.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace radarlink {

namespace {
QVector<QPoint> sortedPoints(QVector<QPoint> points)
{
    std::sort(points.begin(), points.end(), [](const QPoint &a, const QPoint &b) {
        return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
    });
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}
} // namespace

bool operator==(const WireScene &a, const WireScene &b)
{
    return a.detectionFarCm == b.detectionFarCm && a.angle == b.angle && a.warningFarCm == b.warningFarCm
           && a.alarmFarCm == b.alarmFarCm && a.leftHalfMetres == b.leftHalfMetres
           && a.rightHalfMetres == b.rightHalfMetres && a.gridEdgeCm == b.gridEdgeCm && a.cells == b.cells
           && a.direction == b.direction && a.type == b.type && a.startCm == b.startCm;
}

WireScene wireSceneFromReplies(const DetectionAreaReply &detection, const AlarmAreaReply &alarm,
                               const SuppressionReply &suppression, const TargetFilterReply &filter,
                               quint16 startCm)
{
    WireScene s;
    s.detectionFarCm = detection.farCm;
    s.angle = detection.angle;
    s.warningFarCm = alarm.warningFarCm;
    s.alarmFarCm = alarm.alarmFarCm;
    s.leftHalfMetres = alarm.leftHalfMetres;
    s.rightHalfMetres = alarm.rightHalfMetres;
    s.gridEdgeCm = suppression.gridEdgeCm;
    s.cells = suppression.cells;
    s.direction = filter.direction;
    s.type = filter.type;
    s.startCm = startCm;
    return s;
}

QString distanceText(quint16 cm)
{
    return QString::number(cm / 100.0, 'f', 2) + QStringLiteral(" m");
}

QString boundaryText(qint8 halfMetres)
{
    return QString::number(halfMetres * 0.5, 'f', 1) + QStringLiteral(" m");
}

QString cellsText(const QVector<QPoint> &cells)
{
    if (cells.isEmpty())
        return QStringLiteral("-");
    QStringList parts;
    for (const QPoint &p : sortedPoints(cells))
        parts << QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
    return parts.join(QStringLiteral("; "));
}

QVector<SceneDifference> compareScenes(const WireScene &tool, const WireScene &radar, SceneItems items)
{
    QVector<SceneDifference> out;
    const auto distance = [&out](SceneItem item, quint16 a, quint16 b) {
        if (std::abs(int(a) - int(b)) > 1)
            out.append({item, distanceText(a), distanceText(b)});
    };
    const auto number = [&out](SceneItem item, int a, int b, const QString &unit) {
        if (a != b)
            out.append({item, QString::number(a) + unit, QString::number(b) + unit});
    };
    distance(SceneItem::DetectionFar, tool.detectionFarCm, radar.detectionFarCm);
    distance(SceneItem::StartDistance, tool.startCm, radar.startCm);
    if (items.warning)
        distance(SceneItem::WarningFar, tool.warningFarCm, radar.warningFarCm);
    distance(SceneItem::AlarmFar, tool.alarmFarCm, radar.alarmFarCm);
    if (items.boundaries) {
        if (tool.leftHalfMetres != radar.leftHalfMetres)
            out.append({SceneItem::LeftBoundary, boundaryText(tool.leftHalfMetres), boundaryText(radar.leftHalfMetres)});
        if (tool.rightHalfMetres != radar.rightHalfMetres)
            out.append({SceneItem::RightBoundary, boundaryText(tool.rightHalfMetres), boundaryText(radar.rightHalfMetres)});
    }
    number(SceneItem::Angle, tool.angle, radar.angle, QStringLiteral("°"));
    number(SceneItem::TargetDirection, tool.direction, radar.direction, QString());
    number(SceneItem::TargetType, tool.type, radar.type, QString());
    if (tool.gridEdgeCm != radar.gridEdgeCm)
        out.append({SceneItem::GridEdge, distanceText(tool.gridEdgeCm), distanceText(radar.gridEdgeCm)});
    if (sortedPoints(tool.cells) != sortedPoints(radar.cells))
        out.append({SceneItem::Cells, cellsText(tool.cells), cellsText(radar.cells)});
    return out;
}

} // namespace radarlink
