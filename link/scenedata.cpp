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

QByteArray detectionAreaData(double farMetres, int angle)
{
    QByteArray data;
    appendU16(data, distanceCm(farMetres));
    appendU16(data, quint16(angle & 0xffff));
    appendU16(data, 0);
    return data;
}

QByteArray alarmAreaData(double warningFarMetres, double alarmFarMetres, double leftMetres, double rightMetres)
{
    QByteArray data;
    appendU16(data, distanceCm(warningFarMetres));
    appendU16(data, distanceCm(alarmFarMetres));
    data.append(char(boundaryHalfMetres(leftMetres)));
    data.append(char(boundaryHalfMetres(rightMetres)));
    return data;
}

QByteArray targetFilterData(int direction, int type)
{
    QByteArray data;
    data.append(char(direction & 0xff));
    data.append(char(type & 0xff));
    return data;
}

QByteArray startDistanceData(double nearMetres)
{
    QByteArray data;
    appendU16(data, distanceCm(nearMetres));
    data.append(QByteArray(14, '\0'));
    return data;
}

QByteArray suppressionData(const QVector<QPoint> &points, double gridEdgeMetres)
{
    const int listed = std::min<int>(points.size(), SuppressionSlots);
    QByteArray data;
    data.append(char(listed));
    data.append(char(gridEdgeCm(gridEdgeMetres)));
    for (int k = 0; k < SuppressionSlots; ++k) {
        const QPoint p = k < listed ? points.at(k) : QPoint();
        appendU16(data, quint16(p.x() & 0xffff));
        appendU16(data, quint16(p.y() & 0xffff));
    }
    return data;
}

} // namespace radarlink
