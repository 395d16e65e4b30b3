#include "activitylog.h"

#include "commandtable.h"

#include <QCheckBox>
#include <QDateTime>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QStringBuilder>
#include <QStyledItemDelegate>

#include <deque>

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

// One line as it was logged: its text, time stamp included, the colour it was given then (none:
// the list's own), whether it is a trace of the poll (in the language of that moment), and
// whether the list shows it.
struct HeldLine
{
    QString text;
    QColor colour;
    bool pollTrace;
    bool shown;
};

QPointer<QListWidget> logTarget;
QPointer<LogLineDelegate> lineDelegate;
QMutex logLock;
std::deque<HeldLine> heldLines;
qint64 heldCharacters = 0;   // of every held line
int shownLines = 0;          // the held lines in the list, which holds nothing else
QMap<int, int> shownWidths;  // pixel width of a shown line -> how many shown lines have it
LogFilter filter;

// "[hh:mm:ss]: "
constexpr int StampLength = 12;

// Where the item keeps its width, so that dropping it needs no second measurement.
constexpr int WidthRole = Qt::UserRole + 1;
// Beyond this many characters a line is measured from its beginning and scaled: a trace of a
// second of line noise runs to millions of characters of the same few glyphs.
constexpr int MeasuredCharacters = 4096;

// Lines about the connection itself: made, lost, waited for, given up, ended.
const char *const ConnectionLines[] = {
    QT_TRANSLATE_NOOP("MainWindow", "串口成功连接："),   QT_TRANSLATE_NOOP("MainWindow", "与雷达的连接已中断："),
    QT_TRANSLATE_NOOP("MainWindow", "等待串口恢复："),   QT_TRANSLATE_NOOP("MainWindow", "串口已恢复，重新连接："),
    QT_TRANSLATE_NOOP("MainWindow", "无法打开串口："),   QT_TRANSLATE_NOOP("MainWindow", "已断开与雷达的连接："),
    QT_TRANSLATE_NOOP("MainWindow", "采样数据已保存："),
};

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
    heldLines.clear();
    heldCharacters = 0;
    shownLines = 0;
    shownWidths.clear();
}

void measureShownLine(QListWidgetItem *item)
{
    const int width = lineWidth(item->text());
    item->setData(WidthRole, width);
    ++shownWidths[width];
    ++shownLines;
}

void forgetShownLine(const QListWidgetItem *item)
{
    const auto width = shownWidths.find(item->data(WidthRole).toInt());
    if (width != shownWidths.end() && --width.value() <= 0)
        shownWidths.erase(width);
    --shownLines;
}

void fitRowsToWidestLine()
{
    if (lineDelegate)
        lineDelegate->setWidestText(shownWidths.isEmpty() ? 0 : shownWidths.lastKey());
}

QColor colourOf(const QString &line)
{
    // The words are looked up at the moment of the line, so a language switch takes effect at once.
    if (line.contains(QCoreApplication::translate("QObject", "成功")))
        return QColor(QStringLiteral("green"));
    if (line.contains(QCoreApplication::translate("QObject", "失败")))
        return QColor(QStringLiteral("red"));
    return QColor();
}

bool passesFilter(const HeldLine &line)
{
    if (filter.hideResultQueries && line.pollTrace)
        return false;
    return filter.text.isEmpty() || line.text.contains(filter.text, Qt::CaseInsensitive);
}

void showLine(const HeldLine &line)
{
    auto *item = new QListWidgetItem(line.text);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (line.colour.isValid())
        item->setForeground(QBrush(line.colour));
    logTarget->addItem(item);
    measureShownLine(item);
}

// Two hex digits, then a blank or the end: where a frame's trace starts.
bool hexByteAt(const QString &text, int at)
{
    const auto hex = [](QChar c) { return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')); };
    return at + 1 < text.size() && hex(text.at(at)) && hex(text.at(at + 1))
           && (at + 2 == text.size() || text.at(at + 2) == QLatin1Char(' '));
}

} // namespace

void setLogTarget(QListWidget *list)
{
    logTarget = list;
    forgetHeldLines();
    filter = LogFilter();
    if (!list)
        return;
    list->setUniformItemSizes(true);
    list->setTextElideMode(Qt::ElideNone);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lineDelegate = new LogLineDelegate(list);
    list->setItemDelegate(lineDelegate);
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        const QVariant brush = item->data(Qt::ForegroundRole);
        heldLines.push_back({item->text(), brush.isValid() ? brush.value<QBrush>().color() : QColor(),
                             isResultQueryTrace(item->text().mid(StampLength)), true});
        heldCharacters += item->text().size();
        measureShownLine(item);
    }
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
    // A list emptied or changed from outside no longer shows what was held: start again.
    if (logTarget->count() != shownLines)
        forgetHeldLines();
    // Built in one piece of exactly its size: joined with +, the text would keep room to grow
    // of up to its own length again, for as long as the log keeps the line.
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("[hh:mm:ss]: ")) % message;
    heldLines.push_back({line, colourOf(line), isResultQueryTrace(message), false});
    heldCharacters += line.size();
    // Decided here, line by line: a hidden line costs no row, no measurement and no layout.
    const bool shown = heldLines.back().shown = passesFilter(heldLines.back());
    if (shown)
        showLine(heldLines.back());
    while (heldLines.size() > 1 && (heldLines.size() > size_t(LogLineLimit) || heldCharacters > LogCharacterLimit)) {
        const HeldLine &oldest = heldLines.front();
        if (oldest.shown) {
            QListWidgetItem *item = logTarget->takeItem(0);
            forgetShownLine(item);
            delete item;
        }
        heldCharacters = qMax<qint64>(0, heldCharacters - oldest.text.size());
        heldLines.pop_front();
    }
    fitRowsToWidestLine();
    if (shown)
        logTarget->scrollToBottom();
}

void setLogFilter(const LogFilter &wanted)
{
    QMutexLocker locker(&logLock);
    filter = wanted;
    if (!logTarget)
        return;
    if (logTarget->count() != shownLines)
        forgetHeldLines();
    logTarget->setUpdatesEnabled(false);
    logTarget->clear();
    shownLines = 0;
    shownWidths.clear();
    for (HeldLine &line : heldLines) {
        line.shown = passesFilter(line);
        if (line.shown)
            showLine(line);
    }
    fitRowsToWidestLine();
    logTarget->setUpdatesEnabled(true);
    logTarget->scrollToBottom();
}

LogFilter logFilter()
{
    return filter;
}

QStringList heldLogLines()
{
    QMutexLocker locker(&logLock);
    QStringList lines;
    if (logTarget && logTarget->count() != shownLines)
        forgetHeldLines();
    lines.reserve(int(heldLines.size()));
    for (const HeldLine &line : heldLines)
        lines << line.text;
    return lines;
}

bool isResultQueryTrace(const QString &message)
{
    const RadarCommand &poll = RadarCommands::ResultQuery;
    // The prefix alone also starts the poll's timeout and bad-reply lines, which stay in sight.
    for (const QString &prefix : {poll.request(), poll.reply()})
        if (message.startsWith(prefix) && hexByteAt(message, prefix.size()))
            return true;
    return false;
}

bool needsOperator(const QString &message)
{
    if (isResultQueryTrace(message))
        return false;
    if (message.contains(QCoreApplication::translate("QObject", "失败")))
        return true;
    for (const char *line : ConnectionLines)
        if (message.startsWith(QCoreApplication::translate("MainWindow", line)))
            return true;
    int count = 0;
    const RadarCommand *const *commands = RadarCommands::all(&count);
    for (int i = 0; i < count; ++i)
        if (commands[i]->timeoutLine && message == commands[i]->timeout())
            return true;
    return false;
}

LogFilterBar::LogFilterBar(QWidget *parent) : QWidget(parent), hideBox(new QCheckBox(this)), textEdit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("logFilterBar"));
    hideBox->setObjectName(QStringLiteral("checkBoxHideResultQueries"));
    textEdit->setObjectName(QStringLiteral("lineEditLogFilter"));
    textEdit->setClearButtonEnabled(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(hideBox);
    layout->addWidget(textEdit, 1);
    hideBox->setChecked(filter.hideResultQueries);
    textEdit->setText(filter.text);
    connect(hideBox, &QCheckBox::toggled, this, [this] { apply(); });
    connect(textEdit, &QLineEdit::textChanged, this, [this] { apply(); });
    retranslate();
}

void LogFilterBar::apply()
{
    setLogFilter(LogFilter{hideBox->isChecked(), textEdit->text()});
}

void LogFilterBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void LogFilterBar::retranslate()
{
    hideBox->setText(tr("隐藏检测结果查询"));
    hideBox->setToolTip(tr("不显示每次轮询的请求和回复；导出的日志仍包含全部内容"));
    textEdit->setPlaceholderText(tr("筛选日志：只显示包含此文字的行"));
}
