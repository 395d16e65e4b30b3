#include "testsupport.h"

#include <QMutex>
#include <QProcess>

namespace {

QtMessageHandler previousHandler = nullptr;
QMutex guardLock;
QList<QRegularExpression> expected;
QStringList unexpected;
bool reporting = false;

bool isPlatformNoise(const QMessageLogContext &context, const QString &message)
{
    const QString category = QString::fromLatin1(context.category ? context.category : "");
    if (category.startsWith(QLatin1String("qt.qpa")))
        return true;
    static const char *const noise[] = {
        "This plugin does not support",
        "QStandardPaths: XDG_RUNTIME_DIR",
        "propagateSizeHints",
        "Fontconfig",
    };
    for (const char *n : noise)
        if (message.contains(QLatin1String(n)))
            return true;
    return false;
}

void guardHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg) {
        bool fail = false;
        {
            QMutexLocker locker(&guardLock);
            bool consumed = false;
            for (int i = 0; i < expected.size(); ++i) {
                if (expected.at(i).match(message).hasMatch()) {
                    expected.removeAt(i);
                    consumed = true;
                    break;
                }
            }
            if (consumed)
                return;
            if (!isPlatformNoise(context, message)) {
                unexpected << message;
                fail = !reporting;
            }
        }
        if (fail) {
            reporting = true;
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

void expectWarning(const QRegularExpression &pattern)
{
    QMutexLocker locker(&guardLock);
    expected << pattern;
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
