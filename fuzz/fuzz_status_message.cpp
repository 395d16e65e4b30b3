// The loader's status messages while it erases, programs and verifies.
#include "fuzz.h"
#include "upgradeprotocol.h"

using namespace upgrade;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = wire(data, size);
    const StatusMessage m = decodeStatusMessage(bytes);
    MUST(m.understood == (size >= 8));
    if (!m.understood) {
        MUST(m.code == 0 && m.text.isEmpty());
        return 0;
    }
    MUST(m.code == (data[6] | data[7] << 8));
    const size_t end = 8 + size_t(m.text.size());
    MUST(end <= size && (end == size || data[end] == 0));
    MUST(m.text == bytes.mid(8, m.text.size()) && !m.text.contains('\0'));
    const int step = stepProgress(QString::fromUtf8(m.text), QStringLiteral("擦除"), QStringLiteral("烧录"),
                                  QStringLiteral("校验"));
    MUST(step == 0 || step == 70 || step == 80 || step == 90);
    return 0;
}
