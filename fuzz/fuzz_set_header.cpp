// The upgrade set's header file and the piece order worked out from it.
#include "fuzz.h"
#include "upgradeprotocol.h"

#include <QVector>

using namespace upgrade;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = wire(data, size);
    SetHeader h;
    const HeaderCheck check = parseSetHeader(bytes, &h);
    MUST((check == HeaderCheck::TooShort) == (size < 16));
    if (check == HeaderCheck::TooShort)
        return 0;
    // The header written back from what was read reads the same.
    SetHeader again;
    MUST(parseSetHeader(encodeSetHeader(h.seed, h.size), &again) == check);
    MUST(again.seed == h.seed && again.size == h.size && again.lastPiece == h.lastPiece);
    if (check != HeaderCheck::Usable)
        return 0;
    MUST(h.size > 0 && h.size <= 0xFFFFFFFFull && h.lastPiece >= 0 && quint64(h.lastPiece) == h.size >> 10);
    // A real image runs to a few hundred pieces. The order of the four million a 4 GiB header
    // allows takes seconds, the tool's honest cost and not a finding; beyond 1 MiB the order is
    // the same computation at a larger size, and would only slow the search for the header's
    // own faults.
    if (h.lastPiece > 1023)
        return 0;
    // Every piece gets its own file: the ranks are 0..n, each once.
    const QVector<int> ranks = pieceRanks(h.seed, h.lastPiece);
    MUST(ranks.size() == h.lastPiece + 1);
    QVector<bool> seen(ranks.size());
    for (int r : ranks) {
        MUST(r >= 0 && r < ranks.size() && !seen[r]);
        seen[r] = true;
    }
    return 0;
}
