#include "tooldata.h"

#include "frame.h"

#include <QMap>

namespace radarlink {

namespace {
// Built once at start-up and kept for the whole run.
const QMap<QString, quint8> baudCodes = {
    {QStringLiteral("250k"), 1},
    {QStringLiteral("500k"), 2},
    {QStringLiteral("1M"), 3},
};
const QMap<QString, quint8> outputTypes = {
    {QStringLiteral("航迹"), 1},
    {QStringLiteral("点迹"), 2},
    {QStringLiteral("距离"), 4},
};
} // namespace

quint8 canBaudCode(const QString &text)
{
    return baudCodes.value(text, 0);
}

quint8 canOutputType(const QString &text)
{
    return outputTypes.value(text, 0);
}

quint8 canDeviceNumber(const QString &text)
{
    return quint8(text.toUInt() & 0xFF);
}

QByteArray canPayload(const CanParameters &block)
{
    QByteArray bytes;
    bytes.append(char(block.baudCode));
    bytes.append(char(block.fixed));
    bytes.append(char(block.outputType));
    bytes.append(char(block.deviceNumber));
    appendU16(bytes, block.samplingTimeMs);
    return bytes;
}

QByteArray canBlockBytes(const CanParameters &block)
{
    QByteArray bytes = canPayload(block);
    bytes.append(char(block.tail[0]));
    bytes.append(char(block.tail[1]));
    return bytes;
}

bool testReplyDistance(const QByteArray &reply, quint16 *centimetres)
{
    constexpr int offset = HeaderSize;
    if (reply.size() < offset + 2)
        return false;
    *centimetres = readU16(reply, offset);
    return true;
}

} // namespace radarlink
