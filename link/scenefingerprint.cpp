#include "scenefingerprint.h"

#include "scenedata.h"

#include <algorithm>
#include <array>

namespace radarlink {

namespace {
std::array<quint32, 256> crcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
} // namespace

quint32 crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = crcTable();
    quint32 c = 0xFFFFFFFFu;
    for (const char byte : bytes)
        c = table[(c ^ quint8(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QVector<QPoint> cellsInSendOrder(QVector<QPoint> cells)
{
    std::sort(cells.begin(), cells.end(), [](const QPoint &a, const QPoint &b) {
        return a.y() != b.y() ? a.y() > b.y() : a.x() < b.x();
    });
    // The form holds a cell once, however often a list names it.
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    if (cells.size() > SuppressionSlots)
        cells.resize(SuppressionSlots);
    return cells;
}

QByteArray sceneWritePayloads(const WireScene &scene)
{
    WireScene sent = scene;
    sent.cells = cellsInSendOrder(scene.cells);
    return detectionAreaData(sent) + alarmAreaData(sent) + targetFilterData(sent) + startDistanceData(sent)
           + suppressionData(sent);
}

quint32 sceneFingerprint(const WireScene &scene)
{
    return crc32(sceneWritePayloads(scene));
}

QString fingerprintText(quint32 fingerprint)
{
    return QStringLiteral("%1").arg(fingerprint, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace radarlink
