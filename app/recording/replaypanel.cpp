#include "replaypanel.h"
#include "ui_replaypanel.h"

#include "replaydata.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalBlocker>

#include <algorithm>

const QVector<double> ReplayPanel::speeds{0.25, 0.5, 1, 2, 4, 8};

namespace {
constexpr int TickMs = 20;
constexpr int NormalSpeedItem = 2;
} // namespace

ReplayPanel::ReplayPanel(QWidget *parent) : QWidget(parent), ui(new Ui::ReplayPanel)
{
    ui->setupUi(this);
    {
        const QSignalBlocker quiet(ui->comboSpeed);
        for (double factor : speeds)
            ui->comboSpeed->addItem(QStringLiteral("%1×").arg(factor), factor);
        ui->comboSpeed->setCurrentIndex(NormalSpeedItem);
    }
    ui->comboEventSource->hide();
    ticker.setInterval(TickMs);
    connect(&ticker, &QTimer::timeout, this, &ReplayPanel::advance);
}

ReplayPanel::~ReplayPanel()
{
    delete ui;
}

void ReplayPanel::load(ReplayData *recording)
{
    setPlaying(false);
    data = recording;
    setWhatIfChecked(false);
    setTriedEvents({});
    current = -1;
    {
        const QSignalBlocker quiet(ui->sliderPosition);
        ui->sliderPosition->setRange(0, data ? std::max(0, data->frameCount() - 1) : 0);
        ui->sliderPosition->setValue(0);
    }
    fillEvents();
    if (data && data->frameCount() > 0)
        go(0, false);
    showPosition();
}

bool ReplayPanel::isPlaying() const
{
    return ui->buttonPlay->isChecked();
}

double ReplayPanel::speed() const
{
    return ui->comboSpeed->currentData().toDouble();
}

void ReplayPanel::setSpeed(double factor)
{
    const int item = ui->comboSpeed->findData(factor);
    if (item >= 0)
        ui->comboSpeed->setCurrentIndex(item);
}

void ReplayPanel::setPlaying(bool on)
{
    if (!data || data->frameCount() == 0)
        on = false;
    // At the end, play starts again from the beginning.
    if (on && current >= data->frameCount() - 1)
        go(0, false);
    ui->buttonPlay->setChecked(on);
}

void ReplayPanel::on_buttonPlay_toggled(bool checked)
{
    ui->buttonPlay->setText(checked ? tr("暂停") : tr("播放"));
    if (checked) {
        restartClock();
        ticker.start();
    } else {
        ticker.stop();
    }
}

void ReplayPanel::restartClock()
{
    playStartMs = (data && current >= 0) ? data->frame(current).timeMs : 0;
    playClock.start();
}

void ReplayPanel::advance()
{
    if (!data || current < 0)
        return;
    const qint64 now = playStartMs + qint64(double(playClock.elapsed()) * speed());
    const int reached = data->frameAt(now);
    if (reached > current)
        go(reached, true);
    if (current >= data->frameCount() - 1)
        setPlaying(false);
}

void ReplayPanel::go(int index, bool continuous)
{
    if (!data || data->frameCount() == 0)
        return;
    index = std::max(0, std::min(index, data->frameCount() - 1));
    continuous = continuous && current >= 0 && index > current;
    current = index;
    {
        const QSignalBlocker quiet(ui->sliderPosition);
        ui->sliderPosition->setValue(index);
    }
    showPosition();
    emit frameChosen(index, continuous);
    if (isPlaying() && !continuous)
        restartClock();
}

void ReplayPanel::seekToFrame(int index)
{
    go(index, false);
}

void ReplayPanel::seekToTime(qint64 timeMs)
{
    if (data)
        go(data->frameAt(timeMs), false);
}

void ReplayPanel::stepForward()
{
    setPlaying(false);
    go(current + 1, true);
}

void ReplayPanel::stepBack()
{
    setPlaying(false);
    go(current - 1, false);
}

void ReplayPanel::chooseEvent(int row)
{
    if (!data || row < 0 || row >= shownEvents().size())
        return;
    seekToTime(shownEvents().at(row).timeMs - EventLeadMs);
}

const QVector<recording::Event> &ReplayPanel::shownEvents() const
{
    static const QVector<recording::Event> none;
    if (!triedEvents.isEmpty() && ui->comboEventSource->currentIndex() == 1)
        return triedEvents;
    return data ? data->events() : none;
}

void ReplayPanel::setTriedEvents(const QVector<recording::Event> &events)
{
    triedEvents = events;
    {
        const QSignalBlocker quiet(ui->comboEventSource);
        if (events.isEmpty())
            ui->comboEventSource->setCurrentIndex(0);
    }
    ui->comboEventSource->setVisible(!events.isEmpty());
    fillEvents();
}

void ReplayPanel::setWhatIfChecked(bool on)
{
    const QSignalBlocker quiet(ui->buttonWhatIf);
    ui->buttonWhatIf->setChecked(on);
}

void ReplayPanel::on_buttonWhatIf_toggled(bool checked)
{
    emit whatIfToggled(checked);
}

void ReplayPanel::on_comboEventSource_currentIndexChanged(int)
{
    fillEvents();
}

void ReplayPanel::on_buttonStepBack_clicked()
{
    stepBack();
}

void ReplayPanel::on_buttonStepForward_clicked()
{
    stepForward();
}

void ReplayPanel::on_comboSpeed_currentIndexChanged(int)
{
    if (isPlaying())
        restartClock();
}

void ReplayPanel::on_sliderPosition_valueChanged(int value)
{
    if (value != current)
        go(value, false);
}

void ReplayPanel::on_listEvents_itemActivated(QListWidgetItem *item)
{
    chooseEvent(ui->listEvents->row(item));
}

void ReplayPanel::on_listEvents_itemClicked(QListWidgetItem *item)
{
    chooseEvent(ui->listEvents->row(item));
}

void ReplayPanel::on_buttonExit_clicked()
{
    emit exitRequested();
}

void ReplayPanel::on_buttonExportFrames_clicked()
{
    exportTo(false);
}

void ReplayPanel::on_buttonExportEvents_clicked()
{
    exportTo(true);
}

void ReplayPanel::exportTo(bool events)
{
    if (!data)
        return;
    const QString title = events ? tr("导出事件") : tr("导出目标数据");
    const QFileInfo recording(data->path());
    const QString suggested = QDir(recording.absolutePath())
                                  .filePath(recording.completeBaseName() + (events ? QStringLiteral("-events.csv")
                                                                                   : QStringLiteral("-targets.csv")));
    const QString path = QFileDialog::getSaveFileName(this, title, suggested, tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    const bool written = events ? data->exportEvents(path) : data->exportFrames(path);
    if (!written) {
        emit logLine(title + tr("失败：") + data->errorString());
        QMessageBox::warning(this, title, data->errorString());
        return;
    }
    emit logLine(title + tr("：") + QDir::toNativeSeparators(path));
}

void ReplayPanel::showPosition()
{
    const bool loaded = data && data->frameCount() > 0 && current >= 0;
    const qint64 at = loaded ? data->frame(current).timeMs : 0;
    ui->labelTime->setText(recording::clockText(at) + QStringLiteral(" / ") + recording::clockText(data ? data->durationMs() : 0));
    ui->labelFrame->setText(loaded ? tr("帧 %1 / %2，%3")
                                         .arg(current)
                                         .arg(data->frameCount() - 1)
                                         .arg(QDateTime::fromMSecsSinceEpoch(data->frame(current).wallMs)
                                                  .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")))
                                   : QString());
    for (QWidget *control : {static_cast<QWidget *>(ui->buttonPlay), static_cast<QWidget *>(ui->buttonStepBack),
                             static_cast<QWidget *>(ui->buttonStepForward),
                             static_cast<QWidget *>(ui->sliderPosition)})
        control->setEnabled(loaded);
}

QString ReplayPanel::eventText(const recording::Event &e) const
{
    QString what;
    if (e.event == QLatin1String("connected"))
        what = tr("连接");
    else if (e.event == QLatin1String("disconnected"))
        what = tr("断开连接");
    else if (e.event == QLatin1String("recording_stopped"))
        what = tr("停止记录");
    else if (e.event == QLatin1String("line_lost"))
        what = tr("线路中断");
    else if (e.event == QLatin1String("reconnected"))
        what = tr("重新连接");
    else {
        const QString zone = e.zone == QLatin1String("alarm")     ? tr("报警区")
                             : e.zone == QLatin1String("warning") ? tr("预警区")
                                                                  : tr("检测区");
        what = (e.event == QLatin1String("zone_entered") ? tr("进入%1") : tr("离开%1")).arg(zone);
        if (!e.ids.isEmpty())
            what += tr("（目标 %1）", nullptr, int(e.ids.count(QLatin1Char(',')) + 1)).arg(e.ids);
    }
    return recording::clockText(e.timeMs) + QStringLiteral("  ") + what;
}

void ReplayPanel::fillEvents()
{
    ui->listEvents->clear();
    if (!data)
        return;
    for (const recording::Event &e : shownEvents())
        ui->listEvents->addItem(eventText(e));
}

void ReplayPanel::retranslate()
{
    const QSignalBlocker quiet(ui->comboSpeed);
    const QSignalBlocker quietSource(ui->comboEventSource);
    const int speedItem = ui->comboSpeed->currentIndex();
    const int sourceItem = ui->comboEventSource->currentIndex();
    ui->retranslateUi(this);
    ui->comboSpeed->setCurrentIndex(speedItem);
    ui->comboEventSource->setCurrentIndex(sourceItem);
    ui->buttonPlay->setText(isPlaying() ? tr("暂停") : tr("播放"));
    fillEvents();
    showPosition();
}
