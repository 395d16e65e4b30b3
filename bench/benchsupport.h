// Small helpers shared by the benchmarks: wall-clock timing and the process's memory.
#pragma once

#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>

// Peak resident set size so far, in MiB.
inline double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Current resident set size, in MiB (from /proc; 0 when unavailable).
inline double currentMemoryMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024.0 * 1024.0) : 0;
}

// Mean time of one call of work, in microseconds, over repeats calls.
template <typename Work>
double meanMicroseconds(int repeats, Work work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i)
        work(i);
    return timer.nsecsElapsed() / 1000.0 / repeats;
}
