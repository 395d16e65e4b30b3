#include "scenedata.h"

#include "frame.h"

#include <cmath>
#include <limits>

namespace radarlink {

qint64 truncated(double value)
{
    if (std::isnan(value))
        return 0;
    const double t = std::trunc(value);
    if (t >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (t <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return qint64(t);
}

quint16 distanceCm(double metres)
{
    return quint16(truncated(metres * 100) & 0xffff);
}

quint8 boundaryHalfMetres(double metres)
{
    return quint8(truncated(metres * 2) & 0xff);
}

quint8 gridEdgeCm(double metres)
{
    return quint8(truncated(metres * 100) & 0xff);
}

QByteArray detectionAreaData(const WireScene &scene)
{
    QByteArray data;
    appendU16(data, scene.detectionFarCm);
    appendU16(data, scene.angle);
    appendU16(data, 0);
    return data;
}

QByteArray alarmAreaData(const WireScene &scene)
{
    QByteArray data;
    appendU16(data, scene.warningFarCm);
    appendU16(data, scene.alarmFarCm);
    data.append(char(scene.leftHalfMetres));
    data.append(char(scene.rightHalfMetres));
    return data;
}

QByteArray targetFilterData(const WireScene &scene)
{
    QByteArray data;
    data.append(char(scene.direction));
    data.append(char(scene.type));
    return data;
}

QByteArray startDistanceData(const WireScene &scene)
{
    QByteArray data;
    appendU16(data, scene.startCm);
    data.append(QByteArray(14, '\0'));
    return data;
}

QByteArray suppressionData(const WireScene &scene)
{
    const int listed = std::min<int>(scene.cells.size(), SuppressionSlots);
    QByteArray data;
    data.append(char(listed));
    data.append(char(scene.gridEdgeCm));
    for (int k = 0; k < SuppressionSlots; ++k) {
        const QPoint p = k < listed ? scene.cells.at(k) : QPoint();
        appendU16(data, quint16(p.x() & 0xffff));
        appendU16(data, quint16(p.y() & 0xffff));
    }
    return data;
}

QByteArray detectionAreaData(double farMetres, int angle)
{
    WireScene scene;
    scene.detectionFarCm = distanceCm(farMetres);
    scene.angle = quint16(angle & 0xffff);
    return detectionAreaData(scene);
}

QByteArray alarmAreaData(double warningFarMetres, double alarmFarMetres, double leftMetres, double rightMetres)
{
    WireScene scene;
    scene.warningFarCm = distanceCm(warningFarMetres);
    scene.alarmFarCm = distanceCm(alarmFarMetres);
    scene.leftHalfMetres = qint8(boundaryHalfMetres(leftMetres));
    scene.rightHalfMetres = qint8(boundaryHalfMetres(rightMetres));
    return alarmAreaData(scene);
}

QByteArray targetFilterData(int direction, int type)
{
    WireScene scene;
    scene.direction = quint8(direction & 0xff);
    scene.type = quint8(type & 0xff);
    return targetFilterData(scene);
}

QByteArray startDistanceData(double nearMetres)
{
    WireScene scene;
    scene.startCm = distanceCm(nearMetres);
    return startDistanceData(scene);
}

QByteArray suppressionData(const QVector<QPoint> &points, double gridEdgeMetres)
{
    WireScene scene;
    scene.cells = points;
    scene.gridEdgeCm = gridEdgeCm(gridEdgeMetres);
    return suppressionData(scene);
}

} // namespace radarlink
