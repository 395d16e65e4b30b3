// The program as started from a shell: its options answered on a machine with no display,
// arguments no mode takes refused with the usage, and --port connecting at start.
#include "radarsimulator.h"
#include "testsupport.h"

namespace {
const QByteArray FirstIdentityRequest = hexBytes("55 aa 0e 00 f3 04 00 ff 0d ff 01 00 ed ed");
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Every program started here finds no display, as on a server; the window is given one.
    void initTestCase()
    {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            qunsetenv(name);
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("printed");
        // The usage line names no file: only the exports take one, and their own texts say so.
        QTest::newRow("--help") << QStringList{"--help"} << 0
                                << QStringList{" [options]\n", "--port <name>", "--version", "--replay <recording>",
                                               "--export-csv <recording> <out.csv>"};
        QTest::newRow("-h") << QStringList{"-h"} << 0 << QStringList{"--port <name>"};
        QTest::newRow("--version") << QStringList{"--version"} << 0 << QStringList{"radar-config " RADAR_EXPECTED_VERSION};
        QTest::newRow("unknown option") << QStringList{"--no-such-option"} << 1 << QStringList{"no-such-option"};
        QTest::newRow("--port without a name") << QStringList{"--port"} << 1 << QStringList{"port"};
        QTest::newRow("a port without --port") << QStringList{"ttyUSB0"} << 1 << QStringList{"多余的参数：ttyUSB0", "--port <name>"};
        QTest::newRow("--port and --replay") << QStringList{"--port", "x", "--replay", "y"} << 1
                                             << QStringList{"请只给出 --port 或 --replay 之一"};
        // An export runs without a window; what is missing is said on one line.
        QTest::newRow("--export-csv without a recording") << QStringList{"--export-csv"} << 1 << QStringList{"export-csv"};
        QTest::newRow("--export-csv without its output") << QStringList{"--export-csv", "a.sqlite"} << 1
                                                         << QStringList{"请给出一个记录文件和一个 CSV 文件"};
        QTest::newRow("both exports") << QStringList{"--export-csv", "a.sqlite", "--export-events", "a.sqlite", "out.csv"} << 1
                                      << QStringList{"请只给出 --export-csv 或 --export-events 之一"};
        // The history and the analysis run without a window too; a folder without a history
        // has nothing to print and nothing to check, and gets no history file from asking.
        QTest::newRow("--history with no history") << QStringList{"--history"} << 0 << QStringList{};
        QTest::newRow("--history --check with no history") << QStringList{"--history", "--check"} << 0
                                                           << QStringList{"已检查 0 条记录"};
        QTest::newRow("--check without --history") << QStringList{"--check"} << 1 << QStringList{"--check 只能与 --history 一起使用"};
        QTest::newRow("--analyse of a missing recording") << QStringList{"--analyse", "gone.sqlite", "--json"} << 1
                                                          << QStringList{"找不到记录文件：gone.sqlite"};
        QTest::newRow("--export-events of a missing recording") << QStringList{"--export-events", "gone.sqlite", "out.csv"}
                                                                << 1 << QStringList{"找不到记录文件：gone.sqlite"};
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, printed);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM), arguments, folder.path(), 20000);
        QTEST(run.exitCode, "exitCode");
        for (const QString &text : printed)
            QVERIFY2((run.out + run.err).contains(text), qPrintable(run.out + run.err));
        // Nothing of the window's files is written by an answer on the command line.
        QVERIFY(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    }

    // With --port the program connects at start and polls; without, it waits for the operator.
    void portConnectsAtStart_data()
    {
        QTest::addColumn<bool>("withPort");
        QTest::newRow("--port") << true;
        QTest::newRow("no options") << false;
    }
    void portConnectsAtStart()
    {
        QFETCH(bool, withPort);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        sim::RadarSimulator radar;
        const QString link = folder.filePath(QStringLiteral("radar-tty"));
        QVERIFY2(radar.start(link), qPrintable(radar.errorString()));
        QProcess program;
        program.setWorkingDirectory(folder.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(RADAR_PROGRAM), withPort ? QStringList{QStringLiteral("--port"), link} : QStringList());
        QVERIFY(program.waitForStarted(5000));
        const auto polled = [&] { return !radar.requests().isEmpty() && radar.requests().last().functionCode == 0x06; };
        // The settle and the read-back take a little over three seconds.
        QCOMPARE(waitUntil(polled, 12000), withPort);
        QCOMPARE(program.state(), QProcess::Running);
        if (withPort)
            QCOMPARE(radar.requests().first().bytes, FirstIdentityRequest);
        else
            QVERIFY(radar.requests().isEmpty());
        program.kill();
        QVERIFY(program.waitForFinished(5000));
    }
};

RADAR_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
