#include "historycommands.h"

#include "radarhistory.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

namespace historycommands {

QJsonObject entryObject(const HistoryEntry &entry)
{
    const QJsonDocument scene = QJsonDocument::fromJson(entry.sceneAfter.toUtf8());
    return {
        {QStringLiteral("id"), entry.id},
        {QStringLiteral("time"), QDateTime::fromMSecsSinceEpoch(entry.timeMs, Qt::UTC).toString(Qt::ISODateWithMs)},
        {QStringLiteral("local_time"), entry.localTime},
        {QStringLiteral("user"), entry.user},
        {QStringLiteral("computer"), entry.computer},
        {QStringLiteral("serial"), entry.serial},
        {QStringLiteral("device_type"), entry.deviceType},
        {QStringLiteral("station"), entry.station},
        {QStringLiteral("action"), entry.action},
        {QStringLiteral("fingerprint_before"), entry.fingerprintBefore},
        {QStringLiteral("fingerprint"), entry.fingerprintAfter},
        {QStringLiteral("result"), entry.result},
        {QStringLiteral("details"), entry.details},
        {QStringLiteral("scene"), scene.isObject() ? QJsonValue(scene.object()) : QJsonValue()},
        {QStringLiteral("previous_hash"), entry.previousHash},
        {QStringLiteral("hash"), entry.hash},
    };
}

int printHistory(RadarHistory &history, const QString &serial, QTextStream &out, QTextStream &err)
{
    const bool read = history.forEachEntry(
        [&out](const HistoryEntry &entry) {
            out << QJsonDocument(entryObject(entry)).toJson(QJsonDocument::Compact) << '\n';
        },
        serial.isEmpty() ? QString() : serial);
    out.flush();
    if (read)
        return Done;
    err << history.errorText() << '\n';
    return CannotRead;
}

int checkHistory(RadarHistory &history, const QString &serial, QTextStream &out, QTextStream &err)
{
    const ChainCheck check = serial.isEmpty() ? history.checkAll() : history.checkChain(serial);
    if (check.fault == ChainCheck::Unreadable) {
        err << history.errorText() << '\n';
        return CannotRead;
    }
    (check.whole() ? out : err) << check.text() << '\n';
    return check.whole() ? Done : ChainBroken;
}

int runHistoryCommand(const RadarHistory::Settings &settings, const QString &serial, bool check, QTextStream &out,
                      QTextStream &err)
{
    // No history yet: nothing to print, and nothing that could be broken.
    if (settings.server.isEmpty() && !QFileInfo::exists(settings.localPath)) {
        if (check)
            out << ChainCheck().text() << '\n';
        return Done;
    }
    RadarHistory history;
    if (!history.open(settings, RadarHistory::Missing::Refuse)) {
        err << history.errorText() << '\n';
        return CannotRead;
    }
    return check ? checkHistory(history, serial, out, err) : printHistory(history, serial, out, err);
}

int runHistoryCommand(const QString &path, const QString &serial, bool check, QTextStream &out, QTextStream &err)
{
    RadarHistory::Settings settings;
    settings.localPath = path;
    return runHistoryCommand(settings, serial, check, out, err);
}

} // namespace historycommands
