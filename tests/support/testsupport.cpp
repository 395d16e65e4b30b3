#include "testsupport.h"

#include <QMutex>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>

namespace {

QtMessageHandler previousHandler = nullptr;
QMutex guardLock;
QStringList unexpected;
bool reporting = false;

bool isPlatformNoise(const QMessageLogContext &context, const QString &message)
{
    if (QLatin1String(context.category ? context.category : "").startsWith(QLatin1String("qt.qpa")))
        return true;
    static const char *const noise[] = {"This plugin does not support", "QStandardPaths: XDG_RUNTIME_DIR",
                                        "propagateSizeHints", "Fontconfig"};
    return std::any_of(std::begin(noise), std::end(noise), [&](const char *n) { return message.contains(QLatin1String(n)); });
}

void guardHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if ((type == QtWarningMsg || type == QtCriticalMsg) && !isPlatformNoise(context, message)) {
        QMutexLocker locker(&guardLock);
        unexpected << message;
        if (!reporting) {
            reporting = true;
            locker.unlock();
            QTest::qFail(qPrintable(QStringLiteral("unexpected Qt warning: ") + message),
                         context.file ? context.file : __FILE__, context.line);
            reporting = false;
        }
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

void installWarningGuard()
{
    QtMessageHandler old = qInstallMessageHandler(guardHandler);
    if (old != guardHandler)
        previousHandler = old;
}

QStringList unexpectedWarnings()
{
    QMutexLocker locker(&guardLock);
    return unexpected;
}

void prepareTestApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
}

ProgramRun runProgram(const QString &program, const QStringList &arguments, const QString &folder, int timeoutMs)
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

SqliteByHand::SqliteByHand(const QString &path, const QStringList &statements, bool readOnly)
{
    static int made = 0;
    connection = QStringLiteral("by-hand-%1").arg(++made);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    if (readOnly)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    ok = db.open();
    for (const QString &statement : statements)
        run(statement);
}

SqliteByHand::~SqliteByHand()
{
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

bool SqliteByHand::run(const QString &statement)
{
    ok = ok && QSqlQuery(QSqlDatabase::database(connection, false)).exec(statement);
    return ok;
}
