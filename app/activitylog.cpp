#include "activitylog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QListWidget>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>

namespace {
QPointer<QListWidget> logTarget;
QMutex logLock;
} // namespace

void setLogTarget(QListWidget *list)
{
    logTarget = list;
    // Every line has the same height; telling the view so keeps appends cheap on a long list.
    if (list)
        list->setUniformItemSizes(true);
}

void appendLog(const QString &text)
{
    if (!logTarget)
        return;
    const QString message = text.trimmed();
    if (message.isEmpty())
        return;

    QMutexLocker locker(&logLock);
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("[hh:mm:ss]: ")) + message;
    auto *item = new QListWidgetItem(line);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    // The words are looked up at the moment of the line, so a language switch takes effect at once.
    if (line.contains(QCoreApplication::translate("QObject", "成功")))
        item->setForeground(QBrush(QColor(QStringLiteral("green"))));
    else if (line.contains(QCoreApplication::translate("QObject", "失败")))
        item->setForeground(QBrush(QColor(QStringLiteral("red"))));

    logTarget->addItem(item);
    const int excess = logTarget->count() - LogLineLimit;
    for (int i = 0; i < excess; ++i)
        delete logTarget->takeItem(0);
    logTarget->scrollToBottom();
}
