#include "scenefile.h"

#include "scenedata.h"
#include "scenefingerprint.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>

#include <cmath>
#include <functional>

namespace radarlink {

namespace {
// The messages, translated under "SceneFile".
struct Text {
    Q_DECLARE_TR_FUNCTIONS(SceneFile)
};

const QString FormatName = QStringLiteral("radar-scene");

// One whole-number value of the file: its key, where it lives in the scene and what the form's
// control allows (a range, or the items of a list).
struct Field {
    const char *key;
    int minimum;
    int maximum;
    QVector<int> allowed; // empty: every whole number from minimum to maximum
    std::function<int(const SceneFile &)> get;
    std::function<void(SceneFile &, int)> set;
};

// The target type box offers other codes for the channel radar than for the other two types.
QVector<int> targetTypeCodes(int deviceType)
{
    return deviceType == 1 ? QVector<int>{0, 1, 2} : QVector<int>{0, 3, 4};
}

const QVector<Field> &fields()
{
    using F = SceneFile;
    static const QVector<Field> table = {
        {"device_type", 1, 3, {}, [](const F &f) { return f.deviceType; }, [](F &f, int v) { f.deviceType = v; }},
        {"detection_far_cm", 0, 65535, {}, [](const F &f) { return int(f.scene.detectionFarCm); },
         [](F &f, int v) { f.scene.detectionFarCm = quint16(v); }},
        {"start_cm", 0, 65535, {}, [](const F &f) { return int(f.scene.startCm); },
         [](F &f, int v) { f.scene.startCm = quint16(v); }},
        {"warning_far_cm", 0, 65535, {}, [](const F &f) { return int(f.scene.warningFarCm); },
         [](F &f, int v) { f.scene.warningFarCm = quint16(v); }},
        {"alarm_far_cm", 0, 65535, {}, [](const F &f) { return int(f.scene.alarmFarCm); },
         [](F &f, int v) { f.scene.alarmFarCm = quint16(v); }},
        // The boundaries in half metres, as one signed byte each carries them.
        {"left_half_metres", -128, 0, {}, [](const F &f) { return int(f.scene.leftHalfMetres); },
         [](F &f, int v) { f.scene.leftHalfMetres = qint8(v); }},
        {"right_half_metres", 0, 127, {}, [](const F &f) { return int(f.scene.rightHalfMetres); },
         [](F &f, int v) { f.scene.rightHalfMetres = qint8(v); }},
        {"angle_deg", 0, 120, {}, [](const F &f) { return int(f.scene.angle); },
         [](F &f, int v) { f.scene.angle = quint16(v); }},
        {"grid_edge_cm", 25, 200, {25, 50, 100, 150, 200}, [](const F &f) { return int(f.scene.gridEdgeCm); },
         [](F &f, int v) { f.scene.gridEdgeCm = quint8(v); }},
        {"target_direction", 0, 2, {}, [](const F &f) { return int(f.scene.direction); },
         [](F &f, int v) { f.scene.direction = quint8(v); }},
        // Checked against the device type's codes once that is known.
        {"target_type", 0, 4, {}, [](const F &f) { return int(f.scene.type); },
         [](F &f, int v) { f.scene.type = quint8(v); }},
    };
    return table;
}

const char *const CellsKey = "cells";
const char *const FingerprintKey = "fingerprint";
const char *const CellX = "x_cm";
const char *const CellY = "y_cm";

QStringList allKeys()
{
    QStringList keys{QStringLiteral("format"), QStringLiteral("version")};
    for (const Field &field : fields())
        keys << QLatin1String(field.key);
    keys << QLatin1String(CellsKey) << QLatin1String(FingerprintKey);
    return keys;
}

QString valueText(const QJsonValue &value)
{
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    if (value.isString())
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isNull())
        return QStringLiteral("null");
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return QString::fromUtf8(document.toJson(QJsonDocument::Compact));
}

bool wholeNumber(const QJsonValue &value, int minimum, int maximum, int *out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (std::trunc(d) != d || d < minimum || d > maximum)
        return false;
    *out = int(d);
    return true;
}

QString allowedText(const Field &field, const QVector<int> &allowed)
{
    if (allowed.isEmpty())
        return Text::tr("%1 到 %2 的整数").arg(field.minimum).arg(field.maximum);
    QStringList items;
    for (int v : allowed)
        items << QString::number(v);
    return items.join(Text::tr("、"));
}

bool refuse(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool refuseValue(QString *error, const char *key, const QJsonValue &value, const QString &expected)
{
    return refuse(error, Text::tr("场景文件中 %1 的值 %2 无效，应为 %3")
                             .arg(QLatin1String(key), valueText(value), expected));
}

bool readCells(const QJsonValue &value, QVector<QPoint> *cells, QString *error)
{
    if (!value.isArray())
        return refuseValue(error, CellsKey, value, Text::tr("网格的列表"));
    const QJsonArray list = value.toArray();
    if (list.size() > SuppressionSlots)
        return refuse(error, Text::tr("场景文件中的非报警区域网格有 %1 个，最多 %2 个")
                                 .arg(list.size())
                                 .arg(SuppressionSlots));
    for (int k = 0; k < list.size(); ++k) {
        const QJsonObject cell = list.at(k).toObject();
        int x = 0, y = 0;
        if (!list.at(k).isObject() || cell.size() != 2
            || !wholeNumber(cell.value(QLatin1String(CellX)), -32768, 32767, &x)
            || !wholeNumber(cell.value(QLatin1String(CellY)), -32768, 32767, &y))
            return refuse(error,
                          Text::tr("场景文件中第 %1 个非报警区域网格无效：%2").arg(k + 1).arg(valueText(list.at(k))));
        cells->append(QPoint(x, y));
    }
    return true;
}
} // namespace

QByteArray encodeSceneFile(const SceneFile &file, SceneFileLayout layout)
{
    QJsonObject object;
    object.insert(QStringLiteral("format"), FormatName);
    object.insert(QStringLiteral("version"), SceneFileVersion);
    for (const Field &field : fields())
        object.insert(QLatin1String(field.key), field.get(file));
    QJsonArray cells;
    for (const QPoint &p : cellsInSendOrder(file.scene.cells))
        cells.append(QJsonObject{{QLatin1String(CellX), p.x()}, {QLatin1String(CellY), p.y()}});
    object.insert(QLatin1String(CellsKey), cells);
    object.insert(QLatin1String(FingerprintKey), fingerprintText(sceneFingerprint(file.scene)));
    return QJsonDocument(object).toJson(layout == SceneFileLayout::Indented ? QJsonDocument::Indented
                                                                           : QJsonDocument::Compact);
}

bool decodeSceneFile(const QByteArray &bytes, SceneFile *file, QString *error)
{
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError)
        return refuse(error, Text::tr("场景文件已损坏或不完整：不是有效的 JSON"));
    const QJsonObject object = document.object();
    if (!document.isObject() || object.value(QStringLiteral("format")).toString() != FormatName)
        return refuse(error, Text::tr("不是雷达场景文件"));
    const QJsonValue versionValue = object.value(QStringLiteral("version"));
    int version = 0;
    if (!wholeNumber(versionValue, 1, 1 << 30, &version))
        return refuse(error, Text::tr("场景文件的格式版本无效：%1").arg(valueText(versionValue)));
    if (version > SceneFileVersion)
        return refuse(error,
                      Text::tr("场景文件的格式版本 %1 比本程序新（本程序支持到 %2）").arg(version).arg(SceneFileVersion));

    const QStringList known = allKeys();
    QStringList unknown, missing;
    for (const QString &key : object.keys())
        if (!known.contains(key))
            unknown << key;
    for (const QString &key : known)
        if (!object.contains(key))
            missing << key;
    if (!unknown.isEmpty())
        return refuse(error, Text::tr("场景文件含有未知的项：%1").arg(unknown.join(QStringLiteral(", "))));
    if (!missing.isEmpty())
        return refuse(error, Text::tr("场景文件缺少项：%1").arg(missing.join(QStringLiteral(", "))));

    SceneFile read;
    for (const Field &field : fields()) {
        const QJsonValue value = object.value(QLatin1String(field.key));
        const QVector<int> allowed =
            qstrcmp(field.key, "target_type") == 0 ? targetTypeCodes(read.deviceType) : field.allowed;
        int v = 0;
        if (!wholeNumber(value, field.minimum, field.maximum, &v) || (!allowed.isEmpty() && !allowed.contains(v)))
            return refuseValue(error, field.key, value, allowedText(field, allowed));
        field.set(read, v);
    }
    if (!readCells(object.value(QLatin1String(CellsKey)), &read.scene.cells, error))
        return false;

    const QJsonValue stored = object.value(QLatin1String(FingerprintKey));
    bool hex = false;
    const QString storedText = stored.toString();
    const quint32 storedValue = storedText.toUInt(&hex, 16);
    if (!stored.isString() || storedText.size() != 8 || !hex)
        return refuseValue(error, FingerprintKey, stored, Text::tr("8 位十六进制数"));
    const quint32 computed = sceneFingerprint(read.scene);
    if (storedValue != computed)
        return refuse(error, Text::tr("场景文件记录的指纹 %1 与其中的参数不符（按参数计算为 %2）")
                                 .arg(storedText, fingerprintText(computed)));
    read.scene.cells = cellsInSendOrder(read.scene.cells);
    *file = read;
    return true;
}

bool readSceneFile(const QString &path, SceneFile *file, QString *error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return refuse(error, Text::tr("无法读取场景文件：%1").arg(path));
    // A device or a pipe reports no size: what is read is what counts.
    const QByteArray bytes = in.read(SceneFileMaxBytes + 1);
    if (bytes.size() > SceneFileMaxBytes)
        return refuse(error, Text::tr("文件过大，不是雷达场景文件：%1").arg(path));
    return decodeSceneFile(bytes, file, error);
}

bool writeSceneFile(const QString &path, const SceneFile &file, QString *error)
{
    const QByteArray bytes = encodeSceneFile(file);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        return refuse(error, Text::tr("无法写入场景文件：%1（%2）").arg(path, reason));
    }
    return true;
}

} // namespace radarlink
