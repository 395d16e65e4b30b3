// The scene group's frame. On a short screen it scrolls up and down, never sideways, and it is
// always as wide as the group it carries, so no control is cut at the right edge.
#pragma once

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

class SceneScrollArea : public QScrollArea
{
public:
    explicit SceneScrollArea(QWidget *parent = nullptr) : QScrollArea(parent) {}

    QSize minimumSizeHint() const override { return withGroupWidth(QScrollArea::minimumSizeHint(), true); }
    // Tall enough for the whole group: a window that can afford the height shows it unscrolled.
    QSize sizeHint() const override
    {
        QSize hint = withGroupWidth(QScrollArea::sizeHint(), false);
        if (const QWidget *group = widget())
            hint.setHeight(group->sizeHint().height() + 2 * frameWidth());
        return hint;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A row shown or hidden for another radar, or texts in another language, change how
        // wide the group needs to be.
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }

private:
    QSize withGroupWidth(QSize hint, bool minimum) const
    {
        if (const QWidget *group = widget()) {
            const int groupWidth = minimum ? group->minimumSizeHint().width() : group->sizeHint().width();
            // Room for the scroll bar is kept even while it is hidden, so that its appearing
            // never pushes the right-hand column under it.
            const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
            hint.setWidth(groupWidth + bar + 2 * frameWidth());
        }
        return hint;
    }
};
