// A one-line label for a text that may be longer than the room the window has for it: cut at
// the end with "…" when narrow, the whole text in its tooltip then. text() is always the whole.
#pragma once

#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

class ElidingLabel : public QLabel
{
public:
    explicit ElidingLabel(QWidget *parent = nullptr) : QLabel(parent) {}

    // Room for about this many characters is enough to tell the text; the rest may be cut.
    static constexpr int shortestCharacters = 16;

    QSize minimumSizeHint() const override
    {
        QSize hint = QLabel::minimumSizeHint();
        const int shortest = fontMetrics().averageCharWidth() * shortestCharacters + 2 * margin();
        hint.setWidth(qMin(hint.width(), shortest));
        return hint;
    }

    bool isCut() const { return shownText() != text(); }
    QString shownText() const { return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width()); }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (!isCut()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shownText(),
                              foregroundRole());
    }

    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
            if (isCut())
                QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QLabel::event(event);
    }
};
