#include "whatifwindow.h"
#include "ui_whatifwindow.h"

#include <QHeaderView>

WhatIfWindow::WhatIfWindow(QWidget *parent) : QDialog(parent), ui(new Ui::WhatIfWindow)
{
    ui->setupUi(this);
    for (QTableWidget *table : {ui->tableRecorded, ui->tableTried}) {
        table->setRowCount(trip::ZoneCount);
        table->setColumnCount(2);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    connect(ui->buttonRecalculate, &QPushButton::clicked, this, &WhatIfWindow::recalculateRequested);
    connect(ui->buttonRestore, &QPushButton::clicked, this, &WhatIfWindow::restoreRequested);
    clear();
}

WhatIfWindow::~WhatIfWindow()
{
    delete ui;
}

void WhatIfWindow::setRunning(bool running)
{
    ui->buttonRecalculate->setEnabled(!running);
    ui->buttonRestore->setEnabled(!running);
}

void WhatIfWindow::setProgress(int done, int total)
{
    ui->progressBar->setRange(0, total);
    ui->progressBar->setValue(done);
}

void WhatIfWindow::showReports(const trip::ZoneReport &recorded, const trip::ZoneReport &tried)
{
    recordedReport = recorded;
    triedReport = tried;
    hasRecorded = hasTried = true;
    fillBoth();
}

void WhatIfWindow::clearTried()
{
    hasTried = false;
    fillBoth();
}

void WhatIfWindow::clear()
{
    hasRecorded = hasTried = false;
    setProgress(0, 1);
    fillBoth();
}

void WhatIfWindow::fillBoth()
{
    fill(ui->tableRecorded, ui->listRecorded, hasRecorded ? &recordedReport : nullptr);
    fill(ui->tableTried, ui->listTried, hasTried ? &triedReport : nullptr);
}

void WhatIfWindow::fill(QTableWidget *table, QListWidget *list, const trip::ZoneReport *report)
{
    const QString zones[trip::ZoneCount] = {tr("报警区"), tr("预警区"), tr("检测区")};
    table->setHorizontalHeaderLabels({tr("进入次数"), tr("在区内的时间")});
    table->setVerticalHeaderLabels({zones[0], zones[1], zones[2]});
    list->clear();
    for (int zone = 0; zone < trip::ZoneCount; ++zone) {
        const trip::ZoneTally *tally = report ? &report->zones[zone] : nullptr;
        table->setItem(zone, 0, new QTableWidgetItem(tally ? QString::number(tally->entries.size()) : QStringLiteral("—")));
        table->setItem(zone, 1, new QTableWidgetItem(tally ? QStringLiteral("%1 s").arg(tally->milliseconds / 1000.0, 0, 'f', 2)
                                                           : QStringLiteral("—")));
    }
    if (!report)
        return;
    // Every entry by its start, whatever the zone.
    struct Row {
        qint64 startMs;
        QString text;
    };
    QVector<Row> rows;
    for (int zone = 0; zone < trip::ZoneCount; ++zone) {
        for (const trip::ZoneEntry &entry : report->zones[zone].entries) {
            QStringList ids;
            for (quint16 id : entry.ids)
                ids << QString::number(id);
            rows.append({entry.startMs, tr("%1 至 %2  %3（%4 s，目标 %5）")
                                            .arg(recording::clockText(entry.startMs), recording::clockText(entry.endMs), zones[zone])
                                            .arg((entry.endMs - entry.startMs) / 1000.0, 0, 'f', 2)
                                            .arg(ids.join(QLatin1Char(',')))});
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.startMs < b.startMs; });
    for (const Row &row : rows)
        list->addItem(row.text);
}

void WhatIfWindow::retranslate()
{
    ui->retranslateUi(this);
    fillBoth();
}

void WhatIfWindow::done(int result)
{
    QDialog::done(result);
    emit closed();
}
