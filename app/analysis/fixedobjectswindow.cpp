#include "fixedobjectswindow.h"
#include "ui_fixedobjectswindow.h"

#include <QHeaderView>
#include <QPushButton>

FixedObjectsWindow::FixedObjectsWindow(QWidget *parent) : QDialog(parent), ui(new Ui::FixedObjectsWindow)
{
    ui->setupUi(this);
    ui->spinMinimum->setMinimum(ShortestMinimumSeconds);
    ui->spinMinimum->setValue(int(trip::DefaultMinimumStayMs / 1000));
    ui->tableCells->verticalHeader()->hide();
    ui->tableCells->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tableCells->horizontalHeader()->setStretchLastSection(true);
    connect(ui->buttonFind, &QPushButton::clicked, this, &FixedObjectsWindow::findRequested);
}

FixedObjectsWindow::~FixedObjectsWindow()
{
    delete ui;
}

qint64 FixedObjectsWindow::minimumStayMs() const
{
    return qint64(ui->spinMinimum->value()) * 1000;
}

void FixedObjectsWindow::showCells(const QVector<trip::FixedCell> &cells, const QString &scope,
                                   const QVector<QPoint> &marked)
{
    found = cells;
    markedCells = marked;
    scopeText = scope;
    fillTable();
}

void FixedObjectsWindow::setMarkedCells(const QVector<QPoint> &marked)
{
    markedCells = marked;
    fillTable();
}

void FixedObjectsWindow::clearCells(const QString &scope)
{
    showCells({}, scope, {});
}

void FixedObjectsWindow::setMarking(bool allowed, const QString &note)
{
    markingAllowed = allowed;
    ui->labelMarking->setText(note);
    fillTable();
}

void FixedObjectsWindow::fillTable()
{
    ui->labelScope->setText(found.isEmpty() && !scopeText.isEmpty() ? tr("%1：没有找到这样的单元格").arg(scopeText) : scopeText);
    QTableWidget *table = ui->tableCells;
    table->setRowCount(int(found.size()));
    for (int row = 0; row < found.size(); ++row) {
        const trip::FixedCell &cell = found.at(row);
        const QString texts[] = {QStringLiteral("(%1, %2)").arg(cell.wirePoint.x()).arg(cell.wirePoint.y()),
                                 QStringLiteral("%1 s").arg(cell.milliseconds / 1000.0, 0, 'f', 1),
                                 tr("%1 次").arg(cell.alarmEntries)};
        for (int column = 0; column < 3; ++column)
            table->setItem(row, column, new QTableWidgetItem(texts[column]));
        const bool marked = markedCells.contains(cell.wirePoint);
        auto *mark = new QPushButton(marked ? tr("已标记") : tr("标为非报警单元格"));
        mark->setEnabled(markingAllowed && !marked);
        const QPoint point = cell.wirePoint;
        connect(mark, &QPushButton::clicked, this, [this, point] { emit markRequested(point); });
        table->setCellWidget(row, 3, mark);
    }
}

void FixedObjectsWindow::retranslate()
{
    const int minimum = ui->spinMinimum->value();
    ui->retranslateUi(this);
    ui->spinMinimum->setValue(minimum);
    fillTable();
}

void FixedObjectsWindow::done(int result)
{
    QDialog::done(result);
    emit closed();
}
