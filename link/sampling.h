// Data sampling on the wire and on disk: the request that starts the radar's raw output, the
// sample file's name and the progress of a run. Pure functions of their input.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace sampling {

constexpr quint8 SamplingSubCommand = 0x02;
constexpr int MinimumMinutes = 1;
constexpr int MaximumMinutes = 99;

// The 16-byte request (function code 0x06, data 02 and the minutes) built in the connection's
// frame header, which is patched in place like every other request.
QByteArray samplingRequest(QByteArray &frameHeader, int minutes);

// "2024.03.05-14.07.09.dat": the local time at the moment the file is made.
QString sampleFileName(const QDateTime &when);

// Percent of the run done; 99 at most, since 100 belongs to a run that has ended well.
int samplingProgress(qint64 elapsedMs, qint64 durationMs);

} // namespace sampling
