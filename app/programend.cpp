#include "programend.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>

namespace {
const QString TaskFolder = QStringLiteral("/proc/self/task/");

// The kernel's ids of the pool's threads; none where the system does not list its threads.
QStringList pooledThreadIds()
{
    QStringList ids;
    for (const QString &id : QDir(TaskFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(TaskFolder + id + QStringLiteral("/comm"));
        if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("Thread (pooled)"))
            ids << id;
    }
    return ids;
}
} // namespace

void waitForPooledThreads()
{
    const QStringList pooled = pooledThreadIds();
    QThreadPool::globalInstance()->waitForDone();
    // waitForDone() returns once each thread has said it is finished, not once it is gone.
    QElapsedTimer waited;
    waited.start();
    for (const QString &id : pooled) {
        while (QFileInfo::exists(TaskFolder + id) && waited.elapsed() < 2000)
            QThread::msleep(1);
    }
}
