// "查找静止目标": the cells where a target stayed in the alarm or warning zone at least a set
// time (a pillar, a parked forklift), each with the time spent there and the alarm entries it
// began, and a button to make it a non-alarm cell. The window only shows and asks; the main
// window finds the cells, frames them on the plot and marks them in the form.
#pragma once

#include "tripanalysis.h"

#include <QDialog>
#include <QPoint>
#include <QVector>

namespace Ui {
class FixedObjectsWindow;
}

class FixedObjectsWindow : public QDialog
{
    Q_OBJECT

public:
    // The shortest minimum the window offers; live stays shorter than this are not kept.
    static constexpr int ShortestMinimumSeconds = 5;

    explicit FixedObjectsWindow(QWidget *parent = nullptr);
    ~FixedObjectsWindow() override;

    qint64 minimumStayMs() const;
    // The cells found, the longest time first, and over what they were found; marked: the
    // cells already in the form, whose button says so.
    void showCells(const QVector<trip::FixedCell> &cells, const QString &scope, const QVector<QPoint> &marked);
    const QVector<trip::FixedCell> &cells() const { return found; }
    void setMarkedCells(const QVector<QPoint> &marked);
    void clearCells(const QString &scope);
    // Whether a cell may be marked now; note says why not, or how many are marked.
    void setMarking(bool allowed, const QString &note);
    void retranslate();

    Ui::FixedObjectsWindow *ui;

signals:
    void findRequested();
    void markRequested(const QPoint &wirePoint);
    void closed();

protected:
    // Closed by the operator (the button, the window's own close); not when hidden by the program.
    void done(int result) override;

private:
    void fillTable();

    QVector<trip::FixedCell> found;
    QVector<QPoint> markedCells;
    QString scopeText;
    bool markingAllowed = false;
};
