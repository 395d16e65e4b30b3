// The history on the command line, without a window: `radar-config --history [SERIAL]` prints the
// entries as JSON lines, `radar-config --history --check [SERIAL]` checks the chains.
#pragma once

#include "radarhistory.h"

#include <QJsonObject>
#include <QString>

class QTextStream;

namespace historycommands {

// Exit statuses.
constexpr int Done = 0;
constexpr int CannotRead = 1;
constexpr int ChainBroken = 3;

// One entry as a JSON object: time (UTC, ISO 8601), local_time, user, computer, serial,
// device_type, station, action, fingerprint_before, fingerprint (after), result, details,
// scene (the scene file's object, or null), id, hash and previous_hash.
QJsonObject entryObject(const HistoryEntry &entry);

// Every entry (or one radar's, when serial is not empty) in the order written, one line each.
int printHistory(RadarHistory &history, const QString &serial, QTextStream &out, QTextStream &err);
// The chains of every radar (or one): a line saying they are whole, or naming the first bad entry.
int checkHistory(RadarHistory &history, const QString &serial, QTextStream &out, QTextStream &err);

// Opens the history (a local one is never created: a folder without a history prints nothing;
// a server's is read there) and runs one of the two.
int runHistoryCommand(const RadarHistory::Settings &settings, const QString &serial, bool check, QTextStream &out,
                      QTextStream &err);
// The same on the local file at path.
int runHistoryCommand(const QString &path, const QString &serial, bool check, QTextStream &out, QTextStream &err);

} // namespace historycommands
