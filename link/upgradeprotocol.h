// The firmware upgrade as it travels and as it lies on disk: the upgrade set (a header file and
// numbered piece files per device type), the piece order worked out from the header's seed,
// the 1048-byte packets the radar's loader takes, its 72-byte acknowledgements and the status
// messages it sends while it erases, programs and verifies. Pure functions of their input: no
// port, no file, no widget, so the same code serves the tool and the upgrade-set maker.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

#include <functional>

namespace upgrade {

constexpr int PacketSize = 1048;
constexpr int PacketHeaderSize = 24;
constexpr int PacketDataSize = 1024;
constexpr int AcknowledgementSize = 72;
constexpr int HeaderFileSize = 16;
constexpr int FilesPerDeviceType = 1000;
constexpr int StatusTextOffset = 8;

constexpr quint16 PacketSync = 0xAA55;          // bytes 55 AA
constexpr quint16 AcknowledgementSync = 0xBB44; // bytes 44 BB
constexpr quint32 StartMarker = 0x5A6B;
constexpr quint32 DataMarker = 0x1234;
constexpr quint32 LastMarker = 0x5678;

// First file number of a device type's block: "0" for type 1, "1000" for type 2 and so on.
// The header file carries this number, the pieces the numbers after it.
int fileBase(int deviceType);

// The header file: seed word, then the image size, both 8 bytes little-endian.
struct SetHeader
{
    quint32 seed = 0;     // the low 32 bits of the first word; the rest is not used
    quint64 size = 0;     // all 64 bits as stored
    qint32 lastPiece = 0; // n: pieces 0..n, so n + 1 piece files
    quint32 totalSize() const { return quint32(size); } // what the packets carry
};

enum class HeaderCheck {
    Usable,
    TooShort,   // fewer than 16 bytes: no size to trust
    EmptyImage, // size 0: nothing to flash, and no progress to show
    TooLarge    // the size does not fit the packets' 32-bit fields (4 GiB and more)
};
HeaderCheck parseSetHeader(const QByteArray &bytes, SetHeader *header);
QByteArray encodeSetHeader(quint64 seedWord, quint64 size);

// n for an image size: the size shifted right by 10, as a signed 32-bit number.
qint32 lastPieceIndex(quint64 size);

// The piece order. Piece i (0..n) lies in the file base + 1 + rank[i], where rank[i] is the
// number of keys smaller than piece i's key. Keys are drawn one per piece, in piece order; a
// key already drawn is drawn again. Empty for a negative n.
using KeySource = std::function<quint64()>;
QVector<int> pieceRanks(int lastPiece, const KeySource &drawKey);
// The keys of the upgrade set: QRandomGenerator seeded with the one seed word, generate64().
QVector<int> pieceRanks(quint32 seed, int lastPiece);

// One upgrade packet, kept whole between sends: the data area is zeroed once, when the packet
// is made, and every read overwrites only the bytes it reads.
class UpgradePacket
{
public:
    UpgradePacket();

    quint16 sequence() const;
    void setSequence(quint16 value);
    quint32 checksum() const;
    quint32 offset() const;
    void setOffset(quint32 value);
    quint32 length() const;
    void setLength(quint32 value);
    quint32 totalSize() const;
    void setTotalSize(quint32 value);
    quint32 marker() const;
    void setMarker(quint32 value);

    // The 1024-byte data area.
    char *data();
    const char *data() const;

    // Stores the checksum of the first length() data bytes.
    void seal();

    const QByteArray &bytes() const { return buffer; }

private:
    QByteArray buffer;
};

// Unsigned 32-bit sum of the bytes.
quint32 dataChecksum(const char *data, int length);

// The radar took the packet: exactly 72 bytes, 44 BB at 0 and 1, zero at 4 and 5.
bool isAcceptedAcknowledgement(const QByteArray &answer);

// One status message, as one read of the port brought it.
struct StatusMessage
{
    bool understood = false; // at least the 8 bytes up to the text
    quint16 code = 0;        // 0 step text, 1 keep-alive, 2 error, 3 finished
    QByteArray text;         // from byte 8 to the first zero byte or the end
};
enum StatusCode : quint16 { StepText = 0, KeepAlive = 1, Failure = 2, Finished = 3 };
StatusMessage decodeStatusMessage(const QByteArray &bytes);

// The status messages in what the completion phase has read. Bytes 0 to 7 of a message (the
// loader's header and the code) may hold anything, zeros included, so they never end it: a
// message runs to the first zero byte at or after its offset 8, and the next one starts right
// behind that zero. Whatever follows the last complete message is held for the next poll,
// which normally brings its rest; a poll that brings nothing (arrived empty) takes the held
// bytes as they are, as the loader's last word without a closing zero. Held bytes beyond
// StatusHoldLimit are taken as they are too, so line noise without zeros cannot pile up.
constexpr int StatusHoldLimit = 64 * 1024;
struct StatusFraming
{
    QList<QByteArray> messages; // complete messages, in the order they came
    QByteArray held;            // the start of a message whose end has not come yet
};
StatusFraming frameStatusMessages(const QByteArray &held, const QByteArray &arrived);

// Progress after an acknowledged packet: 5 to 60 over the transfer.
int transferProgress(quint32 offset, quint32 total);

// Progress a step text stands for: 70 erase, 80 program, 90 verify (first match in that order),
// 0 when it names none of them. The words are the interface language's.
int stepProgress(const QString &text, const QString &eraseWord, const QString &programWord,
                 const QString &verifyWord);

// An upgrade set made from an image: the header file and the n + 1 piece files, each named by
// its decimal file number.
struct SetFile
{
    QString name;
    QByteArray content;
};
// pieceSizes, when given, cuts the image into n + 1 pieces of these sizes (in image order);
// otherwise every piece is 1024 bytes and the last one holds the rest, possibly nothing.
bool makeUpgradeSet(const QByteArray &image, int deviceType, quint32 seed,
                    const QVector<int> &pieceSizes, QVector<SetFile> *files, QString *error);

} // namespace upgrade
