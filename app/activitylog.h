// The activity log: every exchange with the radar and every outcome the operator must see
// becomes one time-stamped line in the dock's list.
#pragma once

#include <QString>

class QListWidget;

// Lines kept in the list; older ones are dropped so that a connection held for days
// neither grows memory nor slows each append.
constexpr int LogLineLimit = 10000;
// And at most this many characters. A reply read for a whole second of line noise, or of a
// radar still streaming samples, runs to tens of thousands of characters, and ten thousand such
// lines would hold hundreds of megabytes. A full log of ordinary polls stays well below it.
constexpr int LogCharacterLimit = 16 * 1000 * 1000;

// Sets the list that receives the lines; until then appendLog does nothing.
void setLogTarget(QListWidget *list);

// Adds one line "[hh:mm:ss]: text" (text trimmed; empty text adds nothing), green when it
// holds the word for success, red when it holds the word for failure. The oldest lines go
// while either bound is passed; the newest line always stays.
void appendLog(const QString &text);
