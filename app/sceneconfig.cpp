#include "sceneconfig.h"

#include <QDataStream>
#include <QIODevice>

#include <cmath>

QByteArray encodeSceneConfig(const SceneConfig &c)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << c.detectionFar << c.detectionNear << c.warningFar << c.alarmFar << c.leftBoundary << c.rightBoundary
        << c.detectionAngle << c.gridIndex << c.targetDirectionIndex << c.targetTypeIndex;
    return bytes;
}

SceneConfig decodeSceneConfig(const QByteArray &bytes)
{
    const QByteArray data = bytes.left(SceneConfigSize);
    QDataStream in(data);
    SceneConfig c;
    auto readDistance = [&in](double &value) {
        double v = 0;
        in >> v;
        value = in.status() == QDataStream::Ok && std::isfinite(v) ? v : 0;
    };
    auto readInteger = [&in](qint32 &value) {
        qint32 v = 0;
        in >> v;
        value = in.status() == QDataStream::Ok ? v : 0;
    };
    readDistance(c.detectionFar);
    readDistance(c.detectionNear);
    readDistance(c.warningFar);
    readDistance(c.alarmFar);
    readDistance(c.leftBoundary);
    readDistance(c.rightBoundary);
    readInteger(c.detectionAngle);
    readInteger(c.gridIndex);
    readInteger(c.targetDirectionIndex);
    readInteger(c.targetTypeIndex);
    return c;
}
