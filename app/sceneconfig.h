// The scene file: the values of ten controls of the scene group, 64 bytes big-endian as
// QDataStream writes them by default. No header, no version: radars in the field are set up
// from files written by earlier versions of the tool.
#pragma once

#include <QByteArray>
#include <QtGlobal>

struct SceneConfig {
    double detectionFar = 0;
    double detectionNear = 0;
    double warningFar = 0;
    double alarmFar = 0;
    double leftBoundary = 0;
    double rightBoundary = 0;
    qint32 detectionAngle = 0;
    qint32 gridIndex = 0;
    qint32 targetDirectionIndex = 0;
    qint32 targetTypeIndex = 0;
};

constexpr int SceneConfigSize = 64;

QByteArray encodeSceneConfig(const SceneConfig &config);

// Reads the first 64 bytes; a value beyond the end of the data, or a distance that is not a
// finite number, is taken as 0.
SceneConfig decodeSceneConfig(const QByteArray &bytes);
