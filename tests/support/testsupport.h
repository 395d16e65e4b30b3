// Shared pieces of every test executable: a guard that turns unexpected Qt warnings into
// test failures, and the test entry point.
#pragma once
#include <QApplication>
#include <QRegularExpression>
#include <QtTest>

// Fails the running test on every Qt warning or critical message the program itself causes
// (for instance "QMetaObject::connectSlotsByName: No matching signal for ...", which is how a
// renamed widget silently loses its handler). Platform noise of the offscreen plugin is let through.
// Call it from initTestCase(): the test framework installs its own handler just before that.
void installWarningGuard();

// A warning the current test provokes on purpose; consumed once when it occurs.
void expectWarning(const QRegularExpression &pattern);

// Warnings seen so far that were neither expected nor platform noise.
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

void prepareTestApplication();

#define RADAR_TEST_MAIN(TestObject)                                   \
    int main(int argc, char **argv)                                   \
    {                                                                 \
        prepareTestApplication();                                     \
        QApplication app(argc, argv);                                 \
        app.setAttribute(Qt::AA_Use96Dpi, true);                      \
        TestObject tc;                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                    \
        return QTest::qExec(&tc, argc, argv);                         \
    }
