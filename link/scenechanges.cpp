#include "scenechanges.h"

#include "scenefingerprint.h"

#include <QCoreApplication>

namespace radarlink {

namespace {
// The window shows these texts; they are its catalogue's, the filter names those of its boxes.
QString text(const char *source)
{
    return QCoreApplication::translate("MainWindow", source);
}

QString directionName(int code)
{
    static const char *const names[] = {QT_TRANSLATE_NOOP("MainWindow", "不区分"),
                                        QT_TRANSLATE_NOOP("MainWindow", "接近雷达"),
                                        QT_TRANSLATE_NOOP("MainWindow", "远离雷达")};
    return code >= 0 && code < 3 ? text(names[code]) : QString();
}

QString typeName(int code)
{
    static const char *const names[] = {QT_TRANSLATE_NOOP("MainWindow", "不筛选目标"),
                                        QT_TRANSLATE_NOOP("MainWindow", "行人"), QT_TRANSLATE_NOOP("MainWindow", "车辆"),
                                        QT_TRANSLATE_NOOP("MainWindow", "静目标"),
                                        QT_TRANSLATE_NOOP("MainWindow", "动目标")};
    return code >= 0 && code < 5 ? text(names[code]) : QString();
}

QString codeText(const QString &name, int code)
{
    return name.isEmpty() ? QString::number(code) : QStringLiteral("%1 (%2)").arg(name).arg(code);
}

const SceneItem ValueItems[] = {SceneItem::DetectionFar, SceneItem::StartDistance, SceneItem::WarningFar,
                                SceneItem::AlarmFar,     SceneItem::LeftBoundary,  SceneItem::RightBoundary,
                                SceneItem::Angle,        SceneItem::TargetDirection, SceneItem::TargetType,
                                SceneItem::GridEdge};

// The cells of a that b does not have, in send order.
QVector<QPoint> cellsMissingFrom(const QVector<QPoint> &a, const QVector<QPoint> &b)
{
    QVector<QPoint> missing;
    for (const QPoint &cell : a)
        if (!b.contains(cell))
            missing.append(cell);
    return missing;
}

bool hasWarningZone(int deviceType)
{
    return deviceType != 1;
}

bool hasLane(int deviceType)
{
    return deviceType == 1 || deviceType == 3;
}
} // namespace

QString sceneItemName(SceneItem item)
{
    switch (item) {
    case SceneItem::DetectionFar: return text(QT_TRANSLATE_NOOP("MainWindow", "探测距离"));
    case SceneItem::StartDistance: return text(QT_TRANSLATE_NOOP("MainWindow", "起始探测距离"));
    case SceneItem::WarningFar: return text(QT_TRANSLATE_NOOP("MainWindow", "预警距离"));
    case SceneItem::AlarmFar: return text(QT_TRANSLATE_NOOP("MainWindow", "报警距离"));
    case SceneItem::LeftBoundary: return text(QT_TRANSLATE_NOOP("MainWindow", "左边界"));
    case SceneItem::RightBoundary: return text(QT_TRANSLATE_NOOP("MainWindow", "右边界"));
    case SceneItem::Angle: return text(QT_TRANSLATE_NOOP("MainWindow", "探测角度"));
    case SceneItem::TargetDirection: return text(QT_TRANSLATE_NOOP("MainWindow", "目标方向"));
    case SceneItem::TargetType: return text(QT_TRANSLATE_NOOP("MainWindow", "目标类型"));
    case SceneItem::GridEdge: return text(QT_TRANSLATE_NOOP("MainWindow", "网格边长"));
    case SceneItem::Cells: return text(QT_TRANSLATE_NOOP("MainWindow", "非报警区域网格"));
    }
    return QString();
}

QString pointText(const QPoint &cell)
{
    return QStringLiteral("(%1, %2)").arg(cell.x()).arg(cell.y());
}

QString valueText(SceneItem item, const WireScene &s)
{
    switch (item) {
    case SceneItem::DetectionFar: return distanceText(s.detectionFarCm);
    case SceneItem::StartDistance: return distanceText(s.startCm);
    case SceneItem::WarningFar: return distanceText(s.warningFarCm);
    case SceneItem::AlarmFar: return distanceText(s.alarmFarCm);
    case SceneItem::LeftBoundary: return boundaryText(s.leftHalfMetres);
    case SceneItem::RightBoundary: return boundaryText(s.rightHalfMetres);
    case SceneItem::Angle: return QString::number(s.angle) + QStringLiteral("°");
    case SceneItem::TargetDirection: return codeText(directionName(s.direction), s.direction);
    case SceneItem::TargetType: return codeText(typeName(s.type), s.type);
    case SceneItem::GridEdge: return distanceText(s.gridEdgeCm);
    case SceneItem::Cells: return cellsText(s.cells);
    }
    return QString();
}

SceneChanges sceneChanges(const WireScene &before, const WireScene &after)
{
    SceneChanges changes;
    for (SceneItem item : ValueItems) {
        const QString was = valueText(item, before), now = valueText(item, after);
        // Each text shows its value to the unit the radar stores: texts differ where values do.
        if (was != now)
            changes.values.append({item, was, now});
    }
    const QVector<QPoint> was = cellsInSendOrder(before.cells), now = cellsInSendOrder(after.cells);
    changes.cellsAdded = cellsMissingFrom(now, was);
    changes.cellsRemoved = cellsMissingFrom(was, now);
    return changes;
}

QStringList changeLines(const SceneChanges &changes)
{
    QStringList lines;
    for (const ValueChange &change : changes.values)
        lines << text(QT_TRANSLATE_NOOP("MainWindow", "%1：%2 → %3"))
                     .arg(sceneItemName(change.item), change.before, change.after);
    for (const QPoint &cell : changes.cellsAdded)
        lines << text(QT_TRANSLATE_NOOP("MainWindow", "新增非报警区域网格：%1")).arg(pointText(cell));
    for (const QPoint &cell : changes.cellsRemoved)
        lines << text(QT_TRANSLATE_NOOP("MainWindow", "移除非报警区域网格：%1")).arg(pointText(cell));
    return lines;
}

QStringList sceneLines(const WireScene &scene)
{
    QStringList lines;
    for (SceneItem item : ValueItems)
        lines << text(QT_TRANSLATE_NOOP("MainWindow", "%1：%2")).arg(sceneItemName(item), valueText(item, scene));
    const QVector<QPoint> cells = cellsInSendOrder(scene.cells);
    QStringList points;
    for (const QPoint &cell : cells)
        points << pointText(cell);
    lines << text(QT_TRANSLATE_NOOP("MainWindow", "%1：%2"))
                 .arg(sceneItemName(SceneItem::Cells),
                      points.isEmpty() ? text(QT_TRANSLATE_NOOP("MainWindow", "无")) : points.join(QStringLiteral("; ")));
    return lines;
}

QVector<SceneConflict> sceneConflicts(const WireScene &s, int deviceType)
{
    QVector<SceneConflict> found;
    if (hasWarningZone(deviceType)) {
        if (s.warningFarCm <= s.alarmFarCm)
            found << SceneConflict::WarningNotBeyondAlarm;
        if (s.detectionFarCm <= s.warningFarCm)
            found << SceneConflict::DetectionNotBeyondWarning;
    } else {
        if (s.detectionFarCm <= s.alarmFarCm)
            found << SceneConflict::DetectionNotBeyondAlarm;
        if (s.warningFarCm > s.alarmFarCm)
            found << SceneConflict::UnusedWarningZone;
    }
    if (s.startCm >= s.alarmFarCm)
        found << SceneConflict::StartNotBeforeAlarm;
    if (hasLane(deviceType) && s.leftHalfMetres >= s.rightHalfMetres)
        found << SceneConflict::LeftNotLeftOfRight;
    return found;
}

QString conflictText(SceneConflict conflict, const WireScene &s)
{
    const QString detection = distanceText(s.detectionFarCm), warning = distanceText(s.warningFarCm),
                  alarm = distanceText(s.alarmFarCm);
    switch (conflict) {
    case SceneConflict::WarningNotBeyondAlarm:
        return text(QT_TRANSLATE_NOOP("MainWindow", "预警距离 %1 不大于报警距离 %2：没有预警区")).arg(warning, alarm);
    case SceneConflict::DetectionNotBeyondWarning:
        return text(QT_TRANSLATE_NOOP("MainWindow", "探测距离 %1 不大于预警距离 %2：预警区外没有探测区"))
            .arg(detection, warning);
    case SceneConflict::DetectionNotBeyondAlarm:
        return text(QT_TRANSLATE_NOOP("MainWindow", "探测距离 %1 不大于报警距离 %2：报警区外没有探测区"))
            .arg(detection, alarm);
    case SceneConflict::StartNotBeforeAlarm:
        return text(QT_TRANSLATE_NOOP("MainWindow", "起始探测距离 %1 不小于报警距离 %2：没有报警区"))
            .arg(distanceText(s.startCm), alarm);
    case SceneConflict::LeftNotLeftOfRight:
        return text(QT_TRANSLATE_NOOP("MainWindow", "左边界 %1 不在右边界 %2 的左侧：通道为空"))
            .arg(boundaryText(s.leftHalfMetres), boundaryText(s.rightHalfMetres));
    case SceneConflict::UnusedWarningZone:
        return text(QT_TRANSLATE_NOOP("MainWindow", "通道预警雷达不使用预警区，但预警距离 %1 大于报警距离 %2"))
            .arg(warning, alarm);
    }
    return QString();
}

} // namespace radarlink
