#include "frame.h"

namespace radarlink {

QByteArray connectHeader()
{
    static const char bytes[HeaderSize] = {'\x55', '\xAA', 0, 0, 0, 0, 0, '\xFF', 0, '\xFF', 1, 0};
    return QByteArray(bytes, HeaderSize);
}

quint16 frameChecksum(const QByteArray &frame)
{
    quint16 sum = 0;
    for (int i = 0; i < frame.size(); ++i) {
        if (i == 4 || i == 5)
            continue;
        sum = quint16(sum + quint8(frame.at(i)));
    }
    return sum;
}

QByteArray buildRequest(QByteArray &header, quint8 functionCode, const QByteArray &payload)
{
    if (header.size() != HeaderSize)
        header.resize(HeaderSize);
    const quint16 length = quint16(HeaderSize + payload.size() + TailSize);
    header[2] = char(length & 0xFF);
    header[3] = char(length >> 8);
    header[4] = 0;
    header[5] = 0;
    header[FunctionCodeOffset] = char(functionCode);

    QByteArray frame = header + payload;
    frame.append(char(TailByte));
    frame.append(char(TailByte));
    const quint16 sum = frameChecksum(frame);
    header[4] = char(sum & 0xFF);
    header[5] = char(sum >> 8);
    frame[4] = header[4];
    frame[5] = header[5];
    return frame;
}

QString toHexText(const QByteArray &bytes)
{
    static const char digits[] = "0123456789abcdef";
    QString text;
    text.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const quint8 b = quint8(c);
        text.append(QLatin1Char(digits[b >> 4]));
        text.append(QLatin1Char(digits[b & 0x0F]));
        text.append(QLatin1Char(' '));
    }
    return text;
}

quint8 readU8(const QByteArray &bytes, int offset)
{
    if (offset < 0 || offset >= bytes.size())
        return 0;
    return quint8(bytes.at(offset));
}

quint16 readU16(const QByteArray &bytes, int offset)
{
    if (offset < 0 || offset + 1 >= bytes.size())
        return 0;
    return quint16(quint8(bytes.at(offset)) | (quint8(bytes.at(offset + 1)) << 8));
}

qint16 readS16(const QByteArray &bytes, int offset)
{
    return qint16(readU16(bytes, offset));
}

void appendU16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

bool hasSync(const QByteArray &reply)
{
    return reply.size() >= 2 && quint8(reply.at(0)) == SyncByte1 && quint8(reply.at(1)) == SyncByte2;
}

quint16 replyLengthField(const QByteArray &reply)
{
    return reply.size() >= 4 ? readU16(reply, 2) : 0;
}

SizedReplyCheck checkSizedReply(const QByteArray &reply, int minimumSize)
{
    if (reply.isEmpty())
        return SizedReplyCheck::Empty;
    if (reply.size() < minimumSize)
        return SizedReplyCheck::TooShort;
    if (!hasSync(reply))
        return SizedReplyCheck::BadSync;
    return SizedReplyCheck::Valid;
}

int expectedDeadlineLength(const QByteArray &reply)
{
    // Until the length field itself has arrived, the header is the least that is owed.
    return reply.size() < 4 ? HeaderSize : int(replyLengthField(reply));
}

bool deadlineReplyComplete(const QByteArray &reply)
{
    return reply.size() >= HeaderSize && reply.size() >= int(replyLengthField(reply));
}

DeadlineReplyCheck checkDeadlineReply(const QByteArray &reply)
{
    if (reply.isEmpty())
        return DeadlineReplyCheck::Empty;
    // The sync test reads the first two bytes as one little-endian word; a single byte
    // cannot carry it.
    if (!hasSync(reply))
        return DeadlineReplyCheck::BadSync;
    if (reply.size() < expectedDeadlineLength(reply))
        return DeadlineReplyCheck::Incomplete;
    if (replyLengthField(reply) <= HeaderSize || reply.size() < HeaderSize)
        return DeadlineReplyCheck::NoData;
    return DeadlineReplyCheck::Valid;
}

} // namespace radarlink
