// Shared pieces of every test executable: a guard that turns unexpected Qt warnings into
// test failures, and the test entry point.
#pragma once
#include "programend.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QRegularExpression>
#include <QtTest>

// Fails the running test on every Qt warning or critical message the program itself causes
// (for instance "QMetaObject::connectSlotsByName: No matching signal for ...", which is how a
// renamed widget silently loses its handler). Platform noise of the offscreen plugin is let through.
// Call it from initTestCase(): the test framework installs its own handler just before that.
void installWarningGuard();

// Warnings seen so far that were not platform noise.
QStringList unexpectedWarnings();

// Spins the event loop until pred() holds or timeoutMs has passed; returns pred().
template <typename Pred>
bool waitUntil(Pred pred, int timeoutMs = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return true;
}

// Bytes written as hex text, spaces allowed: hexBytes("55 aa 0e 00").
inline QByteArray hexBytes(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A file's bytes as they are on disk; "<missing>" when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes the bytes as the whole file; false when they did not all get there.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Another program on a SQLite file, as someone with sqlite3 would be: a connection of its own
// (made read-only when asked), the statements run in order, and whatever lock they took held for
// as long as it lives. ok: opened, and every statement so far ran.
class SqliteByHand
{
public:
    SqliteByHand(const QString &path, const QStringList &statements, bool readOnly = false);
    ~SqliteByHand();
    SqliteByHand(const SqliteByHand &) = delete;
    SqliteByHand &operator=(const SqliteByHand &) = delete;
    bool run(const QString &statement);
    bool ok = false;

private:
    QString connection;
};

// The log lines as the operator reads them, without their time stamps.
inline QStringList logLines(const QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        const QString text = list->item(i)->text();
        lines << text.mid(text.indexOf(QStringLiteral("]: ")) + 3);
    }
    return lines;
}

// The texts of a combo box's items, in order.
inline QStringList comboTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

void prepareTestApplication();

// One run of a program of ours to its end (killed after timeoutMs): its exit code (-1 when it
// did not end in time, -2 when it crashed) and what it printed.
struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
};
ProgramRun runProgram(const QString &program, const QStringList &arguments, const QString &folder = QString(),
                      int timeoutMs = 30000);

// Every test program runs in an empty working folder of its own: what a window writes there
// (recordings, history, settings) never lands in the build tree or in a program running beside it.
#define RADAR_TEST_MAIN(TestObject)                                   \
    int main(int argc, char **argv)                                   \
    {                                                                 \
        prepareTestApplication();                                     \
        QApplication app(argc, argv);                                 \
        app.setAttribute(Qt::AA_Use96Dpi, true);                      \
        QTemporaryDir workFolder;                                     \
        if (!workFolder.isValid() || !QDir::setCurrent(workFolder.path())) \
            return 1;                                                 \
        TestObject tc;                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                    \
        const int status = QTest::qExec(&tc, argc, argv);             \
        waitForPooledThreads();                                       \
        return status;                                                \
    }
