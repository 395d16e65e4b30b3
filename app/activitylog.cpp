#include "activitylog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QListWidget>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QStringBuilder>
#include <QStyledItemDelegate>

namespace {

// Every line of the log is one row of the same height, and the view is told so: it then
// measures one row instead of ten thousand at every append. The width of that one row is the
// width of the longest line held, so no reply trace is cut short and the horizontal scroll bar
// reaches the end of the longest one.
class LogLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QSize measured = QStyledItemDelegate::sizeHint(option, index);
        return QSize(qMax(measured.width(), widestText + TextPadding), measured.height());
    }

    void setWidestText(int width)
    {
        if (width == widestText)
            return;
        widestText = width;
        emit sizeHintChanged(QModelIndex());
    }

private:
    // The item's own margins around its text, with room to spare.
    static constexpr int TextPadding = 16;
    int widestText = 0;
};

QPointer<QListWidget> logTarget;
QPointer<LogLineDelegate> lineDelegate;
QMutex logLock;
qint64 heldCharacters = 0;   // of the lines in the target list
QMap<int, int> heldWidths;   // pixel width of a line -> how many held lines have it

// Where the item keeps its width, so that dropping it needs no second measurement.
constexpr int WidthRole = Qt::UserRole + 1;
// Beyond this many characters a line is measured from its beginning and scaled: a trace of a
// second of line noise runs to millions of characters of the same few glyphs.
constexpr int MeasuredCharacters = 4096;

int lineWidth(const QString &line)
{
    const QFontMetrics metrics(logTarget->font());
    if (line.size() <= MeasuredCharacters)
        return metrics.horizontalAdvance(line);
    const double perCharacter = metrics.horizontalAdvance(line.left(MeasuredCharacters)) / double(MeasuredCharacters);
    return int(qMin(perCharacter * line.size() * 1.02 + 1.0, 1.0e9));
}

void forgetHeldLines()
{
    heldCharacters = 0;
    heldWidths.clear();
}

void holdLine(QListWidgetItem *item)
{
    const QString line = item->text();
    const int width = lineWidth(line);
    item->setData(WidthRole, width);
    heldCharacters += line.size();
    ++heldWidths[width];
}

void dropLine(const QListWidgetItem *item)
{
    heldCharacters = qMax<qint64>(0, heldCharacters - item->text().size());
    const auto width = heldWidths.find(item->data(WidthRole).toInt());
    if (width != heldWidths.end() && --width.value() <= 0)
        heldWidths.erase(width);
}

void fitRowsToWidestLine()
{
    if (lineDelegate)
        lineDelegate->setWidestText(heldWidths.isEmpty() ? 0 : heldWidths.lastKey());
}

} // namespace

void setLogTarget(QListWidget *list)
{
    logTarget = list;
    forgetHeldLines();
    if (!list)
        return;
    list->setUniformItemSizes(true);
    list->setTextElideMode(Qt::ElideNone);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lineDelegate = new LogLineDelegate(list);
    list->setItemDelegate(lineDelegate);
    for (int i = 0; i < list->count(); ++i)
        holdLine(list->item(i));
    fitRowsToWidestLine();
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
        forgetHeldLines();
    logTarget->addItem(item);
    holdLine(item);
    while (logTarget->count() > 1 && (logTarget->count() > LogLineLimit || heldCharacters > LogCharacterLimit)) {
        QListWidgetItem *oldest = logTarget->takeItem(0);
        dropLine(oldest);
        delete oldest;
    }
    fitRowsToWidestLine();
    logTarget->scrollToBottom();
}
