#include "upgradeprotocol.h"

#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cstring>

namespace upgrade {

namespace {

constexpr int SequenceOffset = 2;
constexpr int ChecksumOffset = 4;
constexpr int OffsetOffset = 8;
constexpr int LengthOffset = 12;
constexpr int TotalOffset = 16;
constexpr int MarkerOffset = 20;

quint64 readLe(const QByteArray &bytes, int offset, int width)
{
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(offset + i));
    return value;
}

void writeLe(QByteArray &bytes, int offset, int width, quint64 value)
{
    for (int i = 0; i < width; ++i) {
        bytes[offset + i] = char(value & 0xFF);
        value >>= 8;
    }
}

} // namespace

int fileBase(int deviceType)
{
    return (deviceType - 1) * FilesPerDeviceType;
}

qint32 lastPieceIndex(quint64 size)
{
    return qint32(quint32(size >> 10));
}

HeaderCheck parseSetHeader(const QByteArray &bytes, SetHeader *header)
{
    if (bytes.size() < HeaderFileSize)
        return HeaderCheck::TooShort;
    SetHeader h;
    h.seed = quint32(readLe(bytes, 0, 4));
    h.size = readLe(bytes, 8, 8);
    h.lastPiece = lastPieceIndex(h.size);
    if (header)
        *header = h;
    if (h.size == 0)
        return HeaderCheck::EmptyImage;
    // Beyond 32 bits the packets would carry another size than the header's, and n would no
    // longer count the pieces (it even turns negative).
    if (h.size > 0xFFFFFFFFull || h.lastPiece < 0)
        return HeaderCheck::TooLarge;
    return HeaderCheck::Usable;
}

QByteArray encodeSetHeader(quint64 seedWord, quint64 size)
{
    QByteArray bytes(HeaderFileSize, '\0');
    writeLe(bytes, 0, 8, seedWord);
    writeLe(bytes, 8, 8, size);
    return bytes;
}

QVector<int> pieceRanks(int lastPiece, const KeySource &drawKey)
{
    if (lastPiece < 0)
        return {};
    const int count = lastPiece + 1;
    QVector<quint64> keys;
    keys.reserve(count);
    QSet<quint64> drawn;
    drawn.reserve(count);
    for (int i = 0; i < count; ++i) {
        quint64 key = drawKey();
        while (drawn.contains(key))
            key = drawKey();
        drawn.insert(key);
        keys.append(key);
    }
    QVector<int> byKey(count);
    for (int i = 0; i < count; ++i)
        byKey[i] = i;
    std::sort(byKey.begin(), byKey.end(), [&keys](int a, int b) { return keys[a] < keys[b]; });
    QVector<int> ranks(count);
    for (int position = 0; position < count; ++position)
        ranks[byKey[position]] = position;
    return ranks;
}

QVector<int> pieceRanks(quint32 seed, int lastPiece)
{
    QRandomGenerator generator(seed);
    return pieceRanks(lastPiece, [&generator] { return generator.generate64(); });
}

UpgradePacket::UpgradePacket() : buffer(PacketSize, '\0')
{
    writeLe(buffer, 0, 2, PacketSync);
}

quint16 UpgradePacket::sequence() const { return quint16(readLe(buffer, SequenceOffset, 2)); }
void UpgradePacket::setSequence(quint16 value) { writeLe(buffer, SequenceOffset, 2, value); }
quint32 UpgradePacket::checksum() const { return quint32(readLe(buffer, ChecksumOffset, 4)); }
quint32 UpgradePacket::offset() const { return quint32(readLe(buffer, OffsetOffset, 4)); }
void UpgradePacket::setOffset(quint32 value) { writeLe(buffer, OffsetOffset, 4, value); }
quint32 UpgradePacket::length() const { return quint32(readLe(buffer, LengthOffset, 4)); }
void UpgradePacket::setLength(quint32 value) { writeLe(buffer, LengthOffset, 4, value); }
quint32 UpgradePacket::totalSize() const { return quint32(readLe(buffer, TotalOffset, 4)); }
void UpgradePacket::setTotalSize(quint32 value) { writeLe(buffer, TotalOffset, 4, value); }
quint32 UpgradePacket::marker() const { return quint32(readLe(buffer, MarkerOffset, 4)); }
void UpgradePacket::setMarker(quint32 value) { writeLe(buffer, MarkerOffset, 4, value); }

char *UpgradePacket::data()
{
    return buffer.data() + PacketHeaderSize;
}

const char *UpgradePacket::data() const
{
    return buffer.constData() + PacketHeaderSize;
}

void UpgradePacket::seal()
{
    const int length = int(std::min<quint32>(this->length(), PacketDataSize));
    writeLe(buffer, ChecksumOffset, 4, dataChecksum(data(), length));
}

quint32 dataChecksum(const char *data, int length)
{
    quint32 sum = 0;
    for (int i = 0; i < length; ++i)
        sum += quint8(data[i]);
    return sum;
}

bool isAcceptedAcknowledgement(const QByteArray &answer)
{
    return answer.size() == AcknowledgementSize && readLe(answer, 0, 2) == AcknowledgementSync
        && readLe(answer, 4, 2) == 0;
}

StatusMessage decodeStatusMessage(const QByteArray &bytes)
{
    StatusMessage message;
    if (bytes.size() < StatusTextOffset)
        return message;
    message.understood = true;
    message.code = quint16(readLe(bytes, 6, 2));
    QByteArray text = bytes.mid(StatusTextOffset);
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    message.text = text;
    return message;
}

StatusFraming frameStatusMessages(const QByteArray &held, const QByteArray &arrived)
{
    StatusFraming framing;
    const QByteArray bytes = held + arrived;
    int start = 0;
    while (bytes.size() - start > StatusTextOffset) {
        const int zero = bytes.indexOf('\0', start + StatusTextOffset);
        if (zero < 0)
            break;
        framing.messages.append(bytes.mid(start, zero + 1 - start));
        start = zero + 1;
    }
    QByteArray rest = bytes.mid(start);
    if (!rest.isEmpty() && (arrived.isEmpty() || rest.size() > StatusHoldLimit))
        framing.messages.append(rest);
    else
        framing.held = rest;
    return framing;
}

int transferProgress(quint32 offset, quint32 total)
{
    if (total == 0)
        return 60;
    return int(offset * 55.0 / total + 5.0);
}

int stepProgress(const QString &text, const QString &eraseWord, const QString &programWord,
                 const QString &verifyWord)
{
    if (text.contains(eraseWord, Qt::CaseSensitive))
        return 70;
    if (text.contains(programWord, Qt::CaseSensitive))
        return 80;
    if (text.contains(verifyWord, Qt::CaseSensitive))
        return 90;
    return 0;
}

bool makeUpgradeSet(const QByteArray &image, int deviceType, quint32 seed,
                    const QVector<int> &pieceSizes, QVector<SetFile> *files, QString *error)
{
    const quint64 size = quint64(image.size());
    const qint32 n = lastPieceIndex(size);
    if (size == 0) {
        *error = QStringLiteral("the image is empty");
        return false;
    }
    QVector<int> sizes = pieceSizes;
    if (sizes.isEmpty()) {
        for (int i = 0; i <= n; ++i)
            sizes.append(int(std::min<qint64>(PacketDataSize, qint64(size) - qint64(i) * PacketDataSize)));
    } else {
        if (sizes.size() != n + 1) {
            *error = QStringLiteral("an image of %1 bytes takes %2 pieces, not %3")
                         .arg(size).arg(n + 1).arg(sizes.size());
            return false;
        }
        qint64 sum = 0;
        for (int s : sizes) {
            if (s < 0) {
                *error = QStringLiteral("a piece cannot have a negative size");
                return false;
            }
            sum += s;
        }
        if (sum != qint64(size)) {
            *error = QStringLiteral("the pieces hold %1 bytes, the image %2").arg(sum).arg(size);
            return false;
        }
    }

    const int base = fileBase(deviceType);
    const QVector<int> ranks = pieceRanks(seed, n);
    files->clear();
    files->append(SetFile{QString::number(base), encodeSetHeader(seed, size)});
    QVector<SetFile> pieces(n + 1);
    int at = 0;
    for (int i = 0; i <= n; ++i) {
        pieces[ranks[i]] = SetFile{QString::number(base + 1 + ranks[i]), image.mid(at, sizes[i])};
        at += sizes[i];
    }
    files->append(pieces);
    return true;
}

} // namespace upgrade
