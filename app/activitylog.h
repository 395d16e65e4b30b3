// The activity log: every exchange with the radar and every outcome the operator must see
// becomes one time-stamped line in the dock's list.
#pragma once

#include <QString>

class QListWidget;

// Lines kept in the list; older ones are dropped so that a connection held for days
// neither grows memory nor slows each append.
constexpr int LogLineLimit = 10000;

// Sets the list that receives the lines; until then appendLog does nothing.
void setLogTarget(QListWidget *list);

// Adds one line "[hh:mm:ss]: text" (text trimmed; empty text adds nothing), green when it
// holds the word for success, red when it holds the word for failure.
void appendLog(const QString &text);
