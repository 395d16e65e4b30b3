// The loader's status messages while it erases, programs and verifies: one message as decoded,
// and the cutting of what the completion phase read into messages.
#include "fuzz.h"
#include "upgradeprotocol.h"

#include <algorithm>

using namespace upgrade;

namespace {

void decodeOne(const uint8_t *data, size_t size)
{
    const QByteArray bytes = wire(data, size);
    const StatusMessage m = decodeStatusMessage(bytes);
    MUST(m.understood == (size >= 8));
    if (!m.understood) {
        MUST(m.code == 0 && m.text.isEmpty());
        return;
    }
    MUST(m.code == (data[6] | data[7] << 8));
    const size_t end = 8 + size_t(m.text.size());
    MUST(end <= size && (end == size || data[end] == 0));
    MUST(m.text == bytes.mid(8, m.text.size()) && !m.text.contains('\0'));
    const int step = stepProgress(QString::fromUtf8(m.text), QStringLiteral("擦除"), QStringLiteral("烧录"),
                                  QStringLiteral("校验"));
    MUST(step == 0 || step == 70 || step == 80 || step == 90);
}

// The first byte says where the rest is cut into the bytes held from the poll before and the
// bytes this poll brought.
void frameTwoReads(const uint8_t *data, size_t size)
{
    if (size == 0)
        return;
    const size_t cut = std::min<size_t>(data[0], size - 1);
    const QByteArray held = wire(data + 1, cut);
    const QByteArray arrived = wire(data + 1 + cut, size - 1 - cut);
    const StatusFraming f = frameStatusMessages(held, arrived);

    // Nothing lost, nothing doubled, nothing reordered.
    QByteArray joined;
    for (const QByteArray &m : f.messages)
        joined += m;
    MUST(joined + f.held == held + arrived);
    // A message ends at its first zero at or after byte 8; only the one taken as it stands
    // (last, when nothing came or too much is held) may lack it.
    for (int k = 0; k < f.messages.size(); ++k) {
        const QByteArray &m = f.messages.at(k);
        MUST(!m.isEmpty());
        const int zero = m.size() > 8 ? m.indexOf('\0', 8) : -1;
        const bool closed = zero == m.size() - 1;
        MUST(closed || (zero < 0 && k == f.messages.size() - 1 && f.held.isEmpty()
                        && (arrived.isEmpty() || m.size() > StatusHoldLimit)));
        decodeOne(reinterpret_cast<const uint8_t *>(m.constData()), size_t(m.size()));
    }
    MUST(f.held.size() <= 8 || f.held.indexOf('\0', 8) < 0);
    MUST(!(arrived.isEmpty() && !f.held.isEmpty()));

    // A silent poll after it takes whatever was held, as one message.
    const StatusFraming silent = frameStatusMessages(f.held, QByteArray());
    MUST(silent.held.isEmpty() && silent.messages.size() == (f.held.isEmpty() ? 0 : 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    decodeOne(data, size);
    frameTwoReads(data, size);
    return 0;
}
