#include "historywindow.h"
#include "ui_historywindow.h"

#include "scenechanges.h"
#include "scenefile.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonDocument>
#include <QMessageBox>

#include <algorithm>

using namespace radarlink;

namespace {
const QColor BrokenText(Qt::red);
const QColor BrokenBackground(255, 225, 225);
const QColor WholeText(0, 128, 0);

enum RadarColumn { RadarSerial, RadarType, RadarEntries, RadarAcceptance };
enum EntryColumn { EntryId, EntryTime, EntryUser, EntryAction, EntryStation, EntryBefore, EntryAfter, EntryResult,
                   EntryDetails, EntryColumns };

QString deviceTypeName(int type)
{
    static const char *const names[] = {QT_TRANSLATE_NOOP("QObject", "通道预警雷达"),
                                        QT_TRANSLATE_NOOP("QObject", "区域安全扫描雷达"),
                                        QT_TRANSLATE_NOOP("QObject", "避障雷达")};
    return type >= 1 && type <= 3 ? QCoreApplication::translate("QObject", names[type - 1]) : QString::number(type);
}

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setToolTip(text);
    return item;
}

void colourText(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

RadarHistory::Settings fileOnly(const QString &path)
{
    RadarHistory::Settings settings;
    settings.localPath = path;
    return settings;
}
} // namespace

HistoryWindow::HistoryWindow(const QString &historyPath, QWidget *parent)
    : HistoryWindow(fileOnly(historyPath), parent)
{
}

HistoryWindow::HistoryWindow(const RadarHistory::Settings &where, QWidget *parent)
    : QWidget(parent, Qt::Window), ui(new Ui::HistoryWindow), settings(where)
{
    ui->setupUi(this);
    ui->tableEntries->verticalHeader()->hide();
    ui->tableRadars->verticalHeader()->hide();
    ui->tableRadars->horizontalHeader()->setStretchLastSection(true);
    ui->tableEntries->horizontalHeader()->setStretchLastSection(true);
    // The columns fit the newest entries; measuring a thousand rows would slow the opening.
    ui->tableEntries->horizontalHeader()->setResizeContentsPrecision(50);
    ui->splitter->setStretchFactor(1, 2);
    ui->splitter->setSizes({width() / 3, 2 * width() / 3});
    connect(ui->tableRadars, &QTableWidget::itemSelectionChanged, this, [this] { showEntries(selectedSerial()); });
    reload();
}

HistoryWindow::~HistoryWindow()
{
    delete ui;
}

void HistoryWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        reload();
    }
    QWidget::changeEvent(event);
}

void HistoryWindow::reload()
{
    const QString kept = selectedSerial();
    // Opening never creates the file: a folder without a history shows an empty window.
    if (!store.isOpen() && !store.open(settings, RadarHistory::Missing::Refuse)) {
        ui->labelStore->setText(store.errorText());
        colourText(ui->labelStore, BrokenText);
    } else {
        ui->labelStore->setText(storeLine(store));
        colourText(ui->labelStore, palette().color(QPalette::WindowText));
    }
    radars = store.radars();
    fillRadars();
    selectRadar(kept.isEmpty() && !radars.isEmpty() ? radars.constFirst().serial : kept);
}

void HistoryWindow::fillRadars()
{
    QTableWidget *table = ui->tableRadars;
    const QSignalBlocker quiet(table);
    table->clearContents();
    table->setRowCount(radars.size());
    for (int row = 0; row < radars.size(); ++row) {
        const RadarSummary &radar = radars.at(row);
        QString accepted = tr("未验收");
        if (radar.lastAcceptance) {
            const HistoryEntry &a = *radar.lastAcceptance;
            accepted = tr("%1 %2（场景指纹 %3）")
                           .arg(a.localTime.left(10), a.details.value(QStringLiteral("name")).toString(),
                                a.fingerprintAfter);
        }
        table->setItem(row, RadarSerial, cell(radar.serial));
        table->setItem(row, RadarType, cell(deviceTypeName(radar.deviceType)));
        table->setItem(row, RadarEntries, cell(QString::number(radar.entries)));
        table->setItem(row, RadarAcceptance, cell(accepted));
    }
    table->resizeColumnsToContents();
}

void HistoryWindow::selectRadar(const QString &serial)
{
    // The entries are read once, here, not again by the selection's signal.
    const QSignalBlocker quiet(ui->tableRadars);
    ui->tableRadars->clearSelection();
    for (int row = 0; row < radars.size(); ++row) {
        if (radars.at(row).serial == serial) {
            ui->tableRadars->selectRow(row);
            showEntries(serial);
            return;
        }
    }
    showEntries(QString());
}

QString HistoryWindow::selectedSerial() const
{
    const QList<QTableWidgetItem *> selected = ui->tableRadars->selectedItems();
    return selected.isEmpty() ? QString() : ui->tableRadars->item(selected.first()->row(), RadarSerial)->text();
}

void HistoryWindow::showEntries(const QString &serial)
{
    entries = serial.isEmpty() ? QVector<HistoryEntry>() : store.entriesOf(serial);
    chain = serial.isEmpty() ? ChainCheck() : store.checkChain(serial);
    ui->labelChain->setText(serial.isEmpty() ? QString() : chain.text());
    colourText(ui->labelChain, chain.whole() ? WholeText : BrokenText);
    // Every entry written after the first bad one is suspect too.
    const bool rowsBroken = chain.fault == ChainCheck::ContentChanged || chain.fault == ChainCheck::LinkBroken
                            || chain.fault == ChainCheck::AddedAtEnd;

    static const char *const actions[][2] = {
        {HistoryAction::Readback, QT_TR_NOOP("连接时回读")},
        {HistoryAction::SceneSent, QT_TR_NOOP("发送场景")},
        {HistoryAction::FlashSaved, QT_TR_NOOP("保存到闪存")},
        {HistoryAction::Verified, QT_TR_NOOP("校验场景")},
        {HistoryAction::Accepted, QT_TR_NOOP("验收")},
        {HistoryAction::StationChanged, QT_TR_NOOP("修改站点编号")},
        {HistoryAction::RelaySensitivitySet, QT_TR_NOOP("设置继电器灵敏度")},
        {HistoryAction::CanOutputSet, QT_TR_NOOP("设置CAN输出")},
        {HistoryAction::FirmwareUpgraded, QT_TR_NOOP("固件升级")},
        {HistoryResult::Ok, QT_TR_NOOP("成功")},
        {HistoryResult::Failed, QT_TR_NOOP("失败")},
        {HistoryResult::Equal, QT_TR_NOOP("一致")},
        {HistoryResult::Different, QT_TR_NOOP("不一致")},
    };
    const auto named = [](const QString &code) {
        for (const auto &pair : actions)
            if (code == QLatin1String(pair[0]))
                return tr(pair[1]);
        return code;
    };

    QTableWidget *table = ui->tableEntries;
    table->setUpdatesEnabled(false);
    table->clearContents();
    table->setRowCount(entries.size());
    for (int row = 0; row < entries.size(); ++row) {
        const HistoryEntry &e = entries.at(row);
        const QString texts[EntryColumns] = {
            QString::number(e.id), e.localTime.left(19).replace(QLatin1Char('T'), QLatin1Char(' ')), e.user,
            named(e.action), QString::number(e.station), e.fingerprintBefore, e.fingerprintAfter, named(e.result),
            e.details.isEmpty() ? QString() : QString::fromUtf8(QJsonDocument(e.details).toJson(QJsonDocument::Compact))};
        const bool broken = rowsBroken && e.id >= chain.entryId;
        for (int column = 0; column < EntryColumns; ++column) {
            QTableWidgetItem *item = cell(texts[column]);
            if (broken) {
                item->setForeground(BrokenText);
                item->setBackground(BrokenBackground);
            }
            table->setItem(row, column, item);
        }
    }
    table->resizeColumnsToContents();
    table->setUpdatesEnabled(true);
}

QVector<HistoryEntry> HistoryWindow::selectedEntries() const
{
    QVector<HistoryEntry> selected;
    for (const QModelIndex &row : ui->tableEntries->selectionModel()->selectedRows())
        if (row.row() < entries.size())
            selected.append(entries.at(row.row()));
    std::sort(selected.begin(), selected.end(), [](const HistoryEntry &a, const HistoryEntry &b) { return a.id < b.id; });
    return selected;
}

QString HistoryWindow::comparisonText(const HistoryEntry &first, const HistoryEntry &second)
{
    SceneFile a, b;
    QString error;
    if (!decodeSceneFile(first.sceneAfter.toUtf8(), &a, &error) || !decodeSceneFile(second.sceneAfter.toUtf8(), &b, &error))
        return tr("所选记录的场景无法读取：%1").arg(error);
    QStringList lines;
    lines << tr("记录 #%1（%2）→ 记录 #%3（%4）")
                 .arg(first.id)
                 .arg(first.localTime.left(19))
                 .arg(second.id)
                 .arg(second.localTime.left(19))
          << tr("场景指纹：%1 → %2").arg(first.fingerprintAfter, second.fingerprintAfter);
    const SceneChanges changes = sceneChanges(a.scene, b.scene);
    if (changes.isEmpty())
        lines << tr("两条记录的场景相同。");
    else
        lines << changeLines(changes);
    return lines.join(QLatin1Char('\n'));
}

void HistoryWindow::on_pushButtonCompare_clicked()
{
    const QVector<HistoryEntry> selected = selectedEntries();
    const QString title = tr("比较两条记录");
    if (selected.size() != 2 || selected.at(0).sceneAfter.isEmpty() || selected.at(1).sceneAfter.isEmpty()) {
        QMessageBox::information(this, title, tr("请选择两条带有场景的记录。"));
        return;
    }
    QMessageBox::information(this, title, comparisonText(selected.at(0), selected.at(1)));
}

bool HistoryWindow::oneSceneSelected(HistoryEntry *entry)
{
    const QVector<HistoryEntry> selected = selectedEntries();
    if (selected.size() != 1 || selected.constFirst().sceneAfter.isEmpty()) {
        QMessageBox::information(this, windowTitle(), tr("请选择一条带有场景的记录。"));
        return false;
    }
    *entry = selected.constFirst();
    return true;
}

void HistoryWindow::on_pushButtonLoad_clicked()
{
    HistoryEntry entry;
    if (oneSceneSelected(&entry))
        emit loadRequested(entry);
}

void HistoryWindow::on_pushButtonExport_clicked()
{
    HistoryEntry entry;
    if (!oneSceneSelected(&entry))
        return;
    const QString title = tr("导出完整场景");
    SceneFile file;
    QString error;
    if (!decodeSceneFile(entry.sceneAfter.toUtf8(), &file, &error)) {
        QMessageBox::warning(this, title, error);
        return;
    }
    const QString name = QFileDialog::getSaveFileName(this, title, QString(), QStringLiteral("(*.json)"));
    if (name.isEmpty())
        return;
    if (!writeSceneFile(name, file, &error))
        QMessageBox::warning(this, title, error);
}

QString HistoryWindow::storeLine(RadarHistory &history)
{
    const QString line = tr("雷达历史：%1").arg(history.storeText());
    const int waiting = history.waitingCount();
    return waiting > 0 ? line + tr("（%1 条记录等待发送到服务器）").arg(waiting) : line;
}
