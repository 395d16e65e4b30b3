// The activity log: every exchange with the radar and every outcome the operator must see
// becomes one time-stamped line. Every line is held (up to the bounds below) and exported; the
// dock's list shows the held lines that pass the operator's filter, so that the poll's own
// traffic, two lines every 50 ms, can be kept out of sight without losing any of it.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;

// Lines kept; older ones are dropped so that a connection held for days neither grows memory
// nor slows each append.
constexpr int LogLineLimit = 10000;
// And at most this many characters. A reply read for a whole second of line noise, or of a
// radar still streaming samples, runs to tens of thousands of characters, and ten thousand such
// lines would hold hundreds of megabytes. A full log of ordinary polls stays well below it.
constexpr int LogCharacterLimit = 16 * 1000 * 1000;

// Sets the list that shows the lines; until then appendLog does nothing. Lines the list holds
// already are taken as held and shown.
void setLogTarget(QListWidget *list);

// Holds one line "[hh:mm:ss]: text" (text trimmed; empty text adds nothing), green when it holds
// the word for success, red when it holds the word for failure, and shows it when it passes the
// filter. The oldest lines go while either bound is passed; the newest line always stays.
void appendLog(const QString &text);

// What the list shows of the held lines. Changing it changes only the list.
struct LogFilter
{
    bool hideResultQueries = false; // the poll's request and reply traces
    QString text;                   // only lines containing it, in any case; empty: every line
};
void setLogFilter(const LogFilter &filter);
LogFilter logFilter();

// Every held line, time stamp included, oldest first, whatever the filter shows.
QStringList heldLogLines();

// A trace of the detection-result poll: its request or its reply, in the language of the moment.
bool isResultQueryTrace(const QString &message);
// A line the operator must act on: a failure, a command left without an answer, the connection
// made, lost, waited for or given up.
bool needsOperator(const QString &message);

// The log's filter controls, for the dock: a check box that hides the poll's traces and a text
// filter. Each change goes to setLogFilter at once.
class LogFilterBar : public QWidget
{
    Q_DECLARE_TR_FUNCTIONS(LogFilterBar)

public:
    explicit LogFilterBar(QWidget *parent = nullptr);
    QCheckBox *hideResultQueries() const { return hideBox; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void apply();
    QCheckBox *hideBox;
    QLineEdit *textEdit;
};
