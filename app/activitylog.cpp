#include "activitylog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QListWidget>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QStringBuilder>

namespace {
QPointer<QListWidget> logTarget;
QMutex logLock;
qint64 heldCharacters = 0;   // of the lines in the target list
} // namespace

void setLogTarget(QListWidget *list)
{
    logTarget = list;
    heldCharacters = 0;
    if (list)
        for (int i = 0; i < list->count(); ++i)
            heldCharacters += list->item(i)->text().size();
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
    // Built in one piece of exactly its size: joined with +, the text would keep room to grow
    // of up to its own length again, for as long as the list keeps the line.
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("[hh:mm:ss]: ")) % message;
    auto *item = new QListWidgetItem(line);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    // The words are looked up at the moment of the line, so a language switch takes effect at once.
    if (line.contains(QCoreApplication::translate("QObject", "成功")))
        item->setForeground(QBrush(QColor(QStringLiteral("green"))));
    else if (line.contains(QCoreApplication::translate("QObject", "失败")))
        item->setForeground(QBrush(QColor(QStringLiteral("red"))));

    // A list emptied from outside holds nothing of what was counted.
    if (logTarget->count() == 0)
        heldCharacters = 0;
    logTarget->addItem(item);
    heldCharacters += line.size();
    while (logTarget->count() > 1 && (logTarget->count() > LogLineLimit || heldCharacters > LogCharacterLimit)) {
        QListWidgetItem *oldest = logTarget->takeItem(0);
        heldCharacters = qMax<qint64>(0, heldCharacters - oldest->text().size());
        delete oldest;
    }
    logTarget->scrollToBottom();
}
