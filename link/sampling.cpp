#include "sampling.h"

#include "frame.h"

namespace sampling {

QByteArray samplingRequest(QByteArray &frameHeader, int minutes)
{
    QByteArray payload;
    payload.append(char(SamplingSubCommand));
    payload.append(char(quint8(minutes)));
    return radarlink::buildRequest(frameHeader, 0x06, payload);
}

QString sampleFileName(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy.MM.dd-hh.mm.ss")) + QStringLiteral(".dat");
}

int samplingProgress(qint64 elapsedMs, qint64 durationMs)
{
    if (durationMs <= 0)
        return 99;
    const int percent = int(elapsedMs * 100.0 / durationMs);
    return qBound(0, percent, 99);
}

} // namespace sampling
