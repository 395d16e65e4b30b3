// Cost of one activity-log line after 0, 10,000 and 100,000 lines, and the memory once the
// list is full: a connection held for days must neither slow the appends nor grow. Then the
// poll's own lines (request and reply) with the filter that hides them, against the same lines
// shown: a hidden line must cost no more than a shown one.
#include "activitylog.h"
#include "benchsupport.h"

#include <QApplication>
#include <QListWidget>
#include <cstdio>

namespace {
void fill(int lines)
{
    for (int i = 0; i < lines; ++i)
        appendLog(QStringLiteral("发送：55 aa 0e 00 f3 04 00 02 19 ff 01 00 f7 ed %1").arg(i));
}

double pollLineCost()
{
    return meanMicroseconds(2000, [](int i) {
        appendLog(i % 2 ? QStringLiteral("雷达探测结果查询返回：55 aa 86 00 7b 04 00 02 19 ff 01 00 01 00 %1").arg(i % 100, 2, 10, QLatin1Char('0'))
                        : QStringLiteral("雷达探测结果查询命令：55 aa 10 00 f5 04 00 02 06 ff 01 00 01 00 ed ed"));
        QCoreApplication::processEvents();
    });
}

double appendCost()
{
    return meanMicroseconds(2000, [](int i) {
        appendLog(QStringLiteral("接收：55 aa 86 00 7b 04 00 02 19 ff 01 00 01 00 %1").arg(i));
        QCoreApplication::processEvents();
    });
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QListWidget list;
    list.resize(800, 300);
    list.show();
    setLogTarget(&list);

    const double atStart = appendCost();
    fill(10000 - 2000);
    const double at10k = appendCost();
    const double memoryFull = currentMemoryMiB();
    fill(100000 - 12000);
    const double at100k = appendCost();
    const double memoryLater = currentMemoryMiB();

    std::printf("log append: %.1f us at 0 lines, %.1f us at 10,000, %.1f us at 100,000 lines logged "
                "(last/first %.2fx, limit 1.5x) -> %s\n",
                atStart, at10k, at100k, at100k / atStart, at100k <= 1.5 * atStart ? "ok" : "TOO SLOW");
    std::printf("log memory: %.1f MiB resident with the list full (%d lines kept), %.1f MiB after 90,000 "
                "more lines (%+.1f MiB) -> %s\n",
                memoryFull, list.count(), memoryLater, memoryLater - memoryFull,
                memoryLater - memoryFull < 2.0 ? "flat" : "GROWING");

    fill(LogLineLimit);
    const double pollShown = pollLineCost();
    setLogFilter({true, QString()});
    const double pollHidden = pollLineCost();
    std::printf("log append of the poll's lines: %.1f us hidden by the filter, %.1f us shown (limit: no more than "
                "shown) -> %s\n",
                pollHidden, pollShown, pollHidden <= pollShown ? "ok" : "TOO SLOW");
    return 0;
}
