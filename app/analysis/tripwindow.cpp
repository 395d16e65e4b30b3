// Why did it trip, in the window: the heat map of where targets stood (live since the
// connection began, or over a replayed recording), the cells where something stood in the
// alarm or warning zone, and the what-if of a replay, in which the operator edits the scene
// group and every recorded frame is classified again with it. Classification is the tool's own
// (by distance, as the lamps and the recorder classify); the radar's relay logic is not replayed.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "analysecommand.h"
#include "fixedobjectswindow.h"
#include "radarview.h"
#include "replaydata.h"
#include "replaypanel.h"
#include "replies.h"
#include "tripanalysis.h"
#include "whatifwindow.h"

#include <QAction>
#include <QEventLoop>
#include <QMessageBox>
#include <QSettings>
#include <QSignalBlocker>
#include <QThread>
#include <QTime>

#include <climits>

namespace {
const char HeatMapKey[] = "plot/heatMap";
const char HeatStartsKey[] = "plot/heatMapAlarmStarts";
const char HeatUpToNowKey[] = "plot/heatMapUpToNow";
// Live counts reach the plot at most this often: a poll's own frame is drawn at once, the tint
// follows a little later.
constexpr int LiveHeatPushMs = 250;
// Live, the cells where something stood are offered once the connection is this old.
constexpr qint64 LiveFixedObjectsAfterMs = 60000;
constexpr int ReplaySpanWhole = 0;
constexpr int ReplaySpanUpToNow = 1;
// A what-if takes the frames in slices of about this long between turns of the event loop.
constexpr int WhatIfSliceMs = 20;

bool sameGrid(const radarlink::SceneGrid &a, const radarlink::SceneGrid &b)
{
    return a.edge == b.edge && a.columnsPerSide == b.columnsPerSide && a.rows == b.rows;
}

bool noScenes(const trip::RecordingRows &rows)
{
    return rows.scenes.isEmpty();
}

QVector<GridCell> gridCellsOf(const QVector<trip::FixedCell> &cells)
{
    QVector<GridCell> grid;
    for (const trip::FixedCell &cell : cells)
        grid.append(cell.cell);
    return grid;
}

// The heat map's counts over one run of frames (a connection, or a replay up to some frame),
// both modes at once, in the finest grid so that a change of grid costs no recount.
struct HeatCounts {
    trip::FrameClassifier classifier;
    trip::HeatCounter positions{trip::finestGrid(), trip::HeatMode::Positions};
    trip::HeatCounter starts{trip::finestGrid(), trip::HeatMode::AlarmStarts};

    void add(const trip::ClassifiedFrame &frame)
    {
        positions.add(frame);
        starts.add(frame);
    }
    // The counts of the mode chosen, in the grid the plot draws.
    radarlink::CellCounts shown(bool alarmStarts, const radarlink::SceneGrid &grid) const
    {
        return trip::regrid((alarmStarts ? starts : positions).counts(), grid);
    }
};
} // namespace

struct MainWindow::TripState {
    FixedObjectsWindow *fixedObjects = nullptr;
    WhatIfWindow *whatIf = nullptr;
    QTimer availability;

    // Live, since the operator connected.
    bool liveStarted = false;
    QElapsedTimer liveSince;
    QElapsedTimer lastPush;
    HeatCounts live;
    // Stays are found in the grid in force: a new grid starts the search again.
    trip::FixedObjectFinder liveFinder{{}, FixedObjectsWindow::ShortestMinimumSeconds * 1000};
    QTime liveFinderSince;
    void restartLiveFinder(const radarlink::SceneGrid &grid)
    {
        liveFinder = trip::FixedObjectFinder(grid, FixedObjectsWindow::ShortestMinimumSeconds * 1000);
        liveFinderSince = QTime::currentTime();
    }

    // The replay: the heat map's setting as it was live, the recording's frames once read.
    bool inReplay = false;
    bool liveHeatShown = false;
    quint64 replayRun = 0;
    bool loading = false;
    std::shared_ptr<const trip::RecordingRows> rows;
    QString rowsError;
    HeatCounts replayed;
    int replayCounted = -1;

    // The what-if.
    bool whatIfOn = false;
    bool whatIfRunning = false;
    bool restoring = false;
    quint64 whatIfRun = 0;
};

FixedObjectsWindow *MainWindow::fixedObjectsWindow() const
{
    return tripState->fixedObjects;
}

WhatIfWindow *MainWindow::whatIfWindow() const
{
    return tripState->whatIf;
}

bool MainWindow::whatIfActive() const
{
    return tripState && tripState->whatIfOn;
}

void MainWindow::setUpTripWindow()
{
    tripState = std::make_shared<TripState>();
    TripState &t = *tripState;

    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    {
        const QSignalBlocker quiet(ui->checkBoxHeatMap), quietStarts(ui->checkBoxHeatStarts);
        ui->checkBoxHeatMap->setChecked(settings.value(QLatin1String(HeatMapKey), false).toBool());
        ui->checkBoxHeatStarts->setChecked(settings.value(QLatin1String(HeatStartsKey), false).toBool());
    }
    fillHeatSpans();
    connect(ui->checkBoxHeatMap, &QCheckBox::toggled, this, &MainWindow::heatMapSettingChanged);
    connect(ui->checkBoxHeatStarts, &QCheckBox::toggled, this, &MainWindow::heatMapSettingChanged);
    connect(ui->comboBoxHeatSpan, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::heatMapSettingChanged);

    actionFixedObjects = new QAction(this);
    actionFixedObjects->setObjectName(QStringLiteral("actionFixedObjects"));
    connect(actionFixedObjects, &QAction::triggered, this, &MainWindow::showFixedObjects);
    ui->menu_2->addAction(actionFixedObjects);
    ui->graphicsView->addAction(actionFixedObjects);
    connect(&t.availability, &QTimer::timeout, this, &MainWindow::refreshFixedObjectsAction);
    t.availability.start(1000);

    t.fixedObjects = new FixedObjectsWindow(this);
    connect(t.fixedObjects, &FixedObjectsWindow::findRequested, this, &MainWindow::findFixedObjects);
    connect(t.fixedObjects, &FixedObjectsWindow::markRequested, this, &MainWindow::markFixedCell);
    connect(t.fixedObjects, &FixedObjectsWindow::closed, this, &MainWindow::closeFixedObjects);

    t.whatIf = new WhatIfWindow(this);
    connect(t.whatIf, &WhatIfWindow::recalculateRequested, this, &MainWindow::recalculateWhatIf);
    connect(t.whatIf, &WhatIfWindow::restoreRequested, this, [this] {
        restoreRecordedScene();
        emit printThread(tr("试算场景：已恢复记录的场景"));
    });
    connect(t.whatIf, &WhatIfWindow::closed, this, [this] { setWhatIf(false); });
    connect(replay, &ReplayPanel::whatIfToggled, this, &MainWindow::setWhatIf);

    // The plot follows an edited scene while one is tried; any change of grid moves the heat
    // map's cells and ends a list of cells made in the old grid.
    for (QDoubleSpinBox *box : {ui->spinBoxSurveyFar, ui->spinBoxSurveyNear, ui->spinBoxWarnFar, ui->spinBoxAlarmFar,
                                ui->spinBoxLeft, ui->spinBoxRight})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &MainWindow::whatIfFormEdited);
    connect(ui->spinBoxSurveyAngle, QOverload<int>::of(&QSpinBox::valueChanged), this, &MainWindow::whatIfFormEdited);
    connect(ui->comboBoxGrid, &QComboBox::currentTextChanged, this, &MainWindow::sceneGridChanged);

    retranslateTripWindow();
    if (ui->checkBoxHeatMap->isChecked())
        refreshHeatMap();
}

void MainWindow::retranslateTripWindow()
{
    TripState &t = *tripState;
    actionFixedObjects->setText(tr("查找静止目标"));
    t.fixedObjects->retranslate();
    t.whatIf->retranslate();
    fillHeatSpans();
    refreshFixedObjectsAction();
    if (t.fixedObjects->isVisible())
        findFixedObjects();
}

// --- Heat map --------------------------------------------------------------------------------

void MainWindow::fillHeatSpans()
{
    QComboBox *spans = ui->comboBoxHeatSpan;
    const QSignalBlocker quiet(spans);
    spans->clear();
    if (tripState->inReplay) {
        spans->addItem(tr("整个记录"));
        spans->addItem(tr("到当前时刻"));
        const QSettings settings(settingsFilePath(), QSettings::IniFormat);
        spans->setCurrentIndex(settings.value(QLatin1String(HeatUpToNowKey), false).toBool() ? ReplaySpanUpToNow
                                                                                              : ReplaySpanWhole);
    } else {
        spans->addItem(tr("自连接以来"));
    }
    spans->setEnabled(ui->checkBoxHeatMap->isChecked());
    ui->checkBoxHeatStarts->setEnabled(ui->checkBoxHeatMap->isChecked());
}

void MainWindow::heatMapSettingChanged()
{
    const bool on = ui->checkBoxHeatMap->isChecked();
    ui->comboBoxHeatSpan->setEnabled(on);
    ui->checkBoxHeatStarts->setEnabled(on);
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.setValue(QLatin1String(HeatMapKey), on);
    settings.setValue(QLatin1String(HeatStartsKey), ui->checkBoxHeatStarts->isChecked());
    if (tripState->inReplay)
        settings.setValue(QLatin1String(HeatUpToNowKey), ui->comboBoxHeatSpan->currentIndex() == ReplaySpanUpToNow);
    refreshHeatMap();
}

void MainWindow::refreshHeatMap()
{
    RadarView *view = ui->graphicsView;
    if (!ui->checkBoxHeatMap->isChecked()) {
        view->clearHeatMap();
        view->redrawScene();
        return;
    }
    if (tripState->inReplay) {
        QString error;
        if (!replayRows(&error)) {
            // The plot shows the empty layer; the log says why there is nothing to count.
            view->setHeatMap(radarlink::CellCounts());
            view->redrawScene();
            if (replayData)
                emit printThread(tr("热力图：") + error);
            return;
        }
        showReplayHeatMap(replayFrameShown < 0 ? 0 : replayFrameShown);
    } else {
        pushLiveHeatMap();
    }
    view->redrawScene();
}

void MainWindow::pushLiveHeatMap()
{
    TripState &t = *tripState;
    ui->graphicsView->setHeatMap(t.live.shown(ui->checkBoxHeatStarts->isChecked(), ui->graphicsView->sceneGrid()));
    t.lastPush.start();
}

void MainWindow::startLiveCounts(bool automatic)
{
    TripState &t = *tripState;
    if (automatic && t.liveStarted)
        return;
    t.liveStarted = true;
    t.liveSince.start();
    t.live = HeatCounts();
    t.restartLiveFinder(ui->graphicsView->sceneGrid());
    t.lastPush.invalidate();
}

void MainWindow::countLiveFrame(const TargetFrame &frame, const radarlink::ZoneMembers &members)
{
    TripState &t = *tripState;
    const trip::ClassifiedFrame classified = t.live.classifier.next(connectionClock.elapsed(), frame, members);
    t.live.add(classified);
    const radarlink::SceneGrid grid = ui->graphicsView->sceneGrid();
    const bool gridChanged = !sameGrid(grid, t.liveFinder.cellGrid());
    if (gridChanged)
        t.restartLiveFinder(grid);
    t.liveFinder.add(classified);
    if (ui->checkBoxHeatMap->isChecked() && (gridChanged || !t.lastPush.isValid() || t.lastPush.elapsed() >= LiveHeatPushMs))
        pushLiveHeatMap();
}

void MainWindow::countReplayHeatUpTo(int lastFrame)
{
    TripState &t = *tripState;
    if (lastFrame < t.replayCounted) {
        t.replayed = HeatCounts();
        t.replayCounted = -1;
    }
    const trip::SceneTimeline scenes(t.rows->scenes);
    for (int i = t.replayCounted + 1; i <= lastFrame && i < t.rows->frames.size(); ++i) {
        const recording::Frame &frame = t.rows->frames.at(i);
        t.replayed.add(t.replayed.classifier.next(frame, scenes.distancesAt(frame.timeMs)));
        t.replayCounted = i;
    }
}

void MainWindow::showReplayHeatMap(int index)
{
    TripState &t = *tripState;
    // Only counts already read are shown here: the recording is read when the heat map is
    // switched on, not in the middle of drawing a frame.
    if (!ui->checkBoxHeatMap->isChecked() || !t.rows || t.rows->frames.isEmpty())
        return;
    const bool upToNow = ui->comboBoxHeatSpan->currentIndex() == ReplaySpanUpToNow;
    countReplayHeatUpTo(upToNow ? index : int(t.rows->frames.size()) - 1);
    ui->graphicsView->setHeatMap(t.replayed.shown(ui->checkBoxHeatStarts->isChecked(), ui->graphicsView->sceneGrid()));
}

void MainWindow::sceneGridChanged()
{
    TripState &t = *tripState;
    if (ui->checkBoxHeatMap->isChecked() && (!t.inReplay || t.rows))
        refreshHeatMap();
    // The cells listed belong to the grid they were found in: they are found again in the new one.
    if (t.fixedObjects->isVisible())
        findFixedObjects();
}

// --- Replay ----------------------------------------------------------------------------------

std::shared_ptr<const trip::RecordingRows> MainWindow::replayRows(QString *error)
{
    TripState &t = *tripState;
    if (t.rows)
        return t.rows;
    if (!replayData) {
        *error = tr("没有打开的记录");
        return nullptr;
    }
    if (!t.rowsError.isEmpty() || t.loading) {
        *error = t.loading ? tr("正在读取记录，请稍候") : t.rowsError;
        return nullptr;
    }
    // The replay's own reader holds no targets; a second one, in a thread of its own with its
    // own connection, reads them all while the window goes on.
    struct Read {
        bool ok = false;
        trip::RecordingRows rows;
        QString error;
    };
    auto read = std::make_shared<Read>();
    const QString path = replayData->path();
    const quint64 run = t.replayRun;
    t.loading = true;
    std::unique_ptr<QThread> reader(QThread::create([read, path] { read->ok = trip::readRecording(path, &read->rows, &read->error); }));
    QEventLoop waiting;
    connect(reader.get(), &QThread::finished, &waiting, &QEventLoop::quit);
    reader->start();
    waiting.exec();
    reader->wait();
    t.loading = false;
    if (run != t.replayRun) {
        *error = tr("记录已关闭");
        return nullptr;
    }
    if (!read->ok) {
        t.rowsError = read->error;
        *error = t.rowsError;
        return nullptr;
    }
    t.rows = std::make_shared<const trip::RecordingRows>(std::move(read->rows));
    return t.rows;
}

void MainWindow::endTripReplay()
{
    TripState &t = *tripState;
    if (!t.inReplay)
        return;
    closeFixedObjects();
    setWhatIf(false);
    ++t.replayRun;
    t.rows.reset();
    t.rowsError.clear();
    t.replayCounted = INT_MAX;
}

void MainWindow::startTripReplay()
{
    TripState &t = *tripState;
    if (!t.inReplay)
        t.liveHeatShown = ui->checkBoxHeatMap->isChecked();
    t.inReplay = true;
    t.replayCounted = INT_MAX;
    fillHeatSpans();
    refreshFixedObjectsAction();
    if (ui->checkBoxHeatMap->isChecked())
        refreshHeatMap();
}

void MainWindow::restoreLiveTripView()
{
    TripState &t = *tripState;
    t.inReplay = false;
    fillHeatSpans();
    {
        const QSignalBlocker quiet(ui->checkBoxHeatMap);
        ui->checkBoxHeatMap->setChecked(t.liveHeatShown);
    }
    heatMapSettingChanged();
    refreshFixedObjectsAction();
}

// --- Fixed objects ---------------------------------------------------------------------------

void MainWindow::refreshFixedObjectsAction()
{
    TripState &t = *tripState;
    const bool live = linkUsable() && t.liveStarted && t.liveSince.elapsed() >= LiveFixedObjectsAfterMs;
    actionFixedObjects->setEnabled(t.inReplay || live);
    actionFixedObjects->setToolTip(actionFixedObjects->isEnabled() ? QString() : tr("回放中，或连接满一分钟后可用"));
}

void MainWindow::closeFixedObjects()
{
    tripState->fixedObjects->hide();
    ui->graphicsView->setOutlinedCells({});
    ui->graphicsView->redrawScene();
}

void MainWindow::showFixedObjects()
{
    FixedObjectsWindow *window = tripState->fixedObjects;
    window->show();
    window->raise();
    window->activateWindow();
    findFixedObjects();
}

void MainWindow::findFixedObjects()
{
    TripState &t = *tripState;
    FixedObjectsWindow *window = t.fixedObjects;
    const QString title = tr("查找静止目标");
    RadarView *view = ui->graphicsView;
    const radarlink::SceneGrid grid = view->sceneGrid();
    auto refuse = [&](const QString &reason) {
        window->clearCells(QString());
        view->setOutlinedCells({});
        view->redrawScene();
        emit printThread(title + tr("：") + reason);
        QMessageBox::warning(window, title, reason);
    };
    const QString problem = trip::sceneGridProblem(toolScene());
    if (!problem.isEmpty())
        return refuse(problem);

    QVector<trip::FixedCell> cells;
    QString scope;
    if (t.inReplay) {
        QString error;
        const std::shared_ptr<const trip::RecordingRows> rows = replayRows(&error);
        if (!rows)
            return refuse(error);
        if (noScenes(*rows))
            return refuse(tr("记录中没有场景参数，无法划分区域"));
        cells = trip::fixedObjects(rows->frames, trip::SceneTimeline(rows->scenes), grid, window->minimumStayMs());
        scope = tr("整个记录（%1 帧）").arg(rows->frames.size());
    } else if (linkUsable() && t.liveStarted) {
        if (!sameGrid(grid, t.liveFinder.cellGrid()))
            t.restartLiveFinder(grid);
        cells = t.liveFinder.cells(window->minimumStayMs());
        scope = tr("自 %1 起的检测帧").arg(t.liveFinderSince.toString(QStringLiteral("hh:mm:ss")));
    } else {
        return refuse(tr("未连接雷达，也没有回放记录"));
    }
    window->showCells(cells, scope, markedWirePoints());
    refreshMarkingNote();
    view->setOutlinedCells(gridCellsOf(cells));
    view->redrawScene();
    emit printThread(tr("查找静止目标：停留至少 %1 s 的单元格 %2 个").arg(window->minimumStayMs() / 1000).arg(cells.size()));
}

QVector<QPoint> MainWindow::markedWirePoints() const
{
    const RadarView *view = ui->graphicsView;
    QVector<QPoint> marked;
    for (const GridCell &cell : view->SuppressionGrid.setCells())
        marked.append(view->sceneGrid().wirePoint(cell));
    return marked;
}

void MainWindow::refreshMarkingNote()
{
    TripState &t = *tripState;
    const int marked = ui->graphicsView->nonAlarmCount;
    if (t.inReplay && !t.whatIfOn)
        t.fixedObjects->setMarking(false, tr("回放中只能在试算场景中标记单元格（回放栏的“试算场景”）"));
    else if (t.inReplay)
        t.fixedObjects->setMarking(true, tr("已标记 %1 / %2 个非报警单元格；试算场景中的标记不会发送给雷达").arg(marked).arg(RadarView::MaxNonAlarmCells));
    else
        t.fixedObjects->setMarking(true, tr("已标记 %1 / %2 个非报警单元格；标记在发送雷达场景参数后生效").arg(marked).arg(RadarView::MaxNonAlarmCells));
}

void MainWindow::markFixedCell(const QPoint &wirePoint)
{
    TripState &t = *tripState;
    const QString title = tr("标为非报警单元格");
    RadarView *view = ui->graphicsView;
    const radarlink::SceneGrid grid = view->sceneGrid();
    const GridCell cell = grid.cellOfWirePoint(wirePoint.x(), wirePoint.y());
    const QString name = QStringLiteral("(%1, %2)").arg(wirePoint.x()).arg(wirePoint.y());
    QString refusal;
    if (t.inReplay && !t.whatIfOn)
        refusal = tr("回放中只能在试算场景中标记单元格");
    else if (!grid.contains(cell))
        refusal = tr("单元格 %1 不在当前的网格内").arg(name);
    else if (view->SuppressionGrid.isSet(cell.row, cell.column))
        refusal = tr("单元格 %1 已是非报警单元格").arg(name);
    else if (view->nonAlarmCount >= RadarView::MaxNonAlarmCells)
        refusal = tr("已有 %1 个非报警单元格，不能再标记").arg(RadarView::MaxNonAlarmCells);
    else if (!cellEligible(cell.row, cell.column, grid.rows, grid.columns(), view->gridEdge, view->detectionFar,
                           view->detectionAngle))
        refusal = tr("单元格 %1 不在探测区域内，不能标为非报警单元格").arg(name);
    if (!refusal.isEmpty()) {
        QMessageBox::warning(t.fixedObjects, title, refusal);
        return;
    }
    const QMessageBox::StandardButton answer = QMessageBox::question(
        t.fixedObjects, title,
        tr("单元格 %1 标为非报警单元格后，站在这个单元格里的人不会再引起报警。\n确定要标记吗？").arg(name),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes || !view->SuppressionGrid.setFlag(cell.row, cell.column, true))
        return;
    view->nonAlarmCount = view->SuppressionGrid.setCount();
    view->redrawScene();
    emit printThread(t.inReplay ? tr("试算场景：单元格 %1 已标为非报警单元格").arg(name)
                                : tr("单元格 %1 已标为非报警单元格，发送雷达场景参数后生效").arg(name));
    t.fixedObjects->setMarkedCells(markedWirePoints());
    refreshMarkingNote();
}

// --- What-if ---------------------------------------------------------------------------------

void MainWindow::setSceneEditorsEnabled(bool on)
{
    const QList<QWidget *> editors{ui->spinBoxSurveyFar, ui->spinBoxSurveyNear, ui->spinBoxWarnFar, ui->spinBoxAlarmFar,
                                   ui->spinBoxLeft, ui->spinBoxRight, ui->spinBoxSurveyAngle, ui->comboBoxGrid,
                                   ui->comboBoxTargetDir, ui->comboBoxTargetType, ui->checkBoxSelect};
    for (QWidget *editor : editors)
        editor->setEnabled(on);
    if (!on && ui->checkBoxSelect->isChecked())
        ui->checkBoxSelect->setChecked(false);
}

void MainWindow::setWhatIf(bool on)
{
    TripState &t = *tripState;
    if (on && !t.inReplay)
        on = false;
    replay->setWhatIfChecked(on);
    if (on == t.whatIfOn)
        return;
    t.whatIfOn = on;
    if (on) {
        setSceneEditorsEnabled(true);
        t.whatIf->clear();
        t.whatIf->show();
        t.whatIf->raise();
        emit printThread(tr("试算场景：可以修改场景组中的参数和非报警单元格，修改不会发送给雷达"));
    } else {
        ++t.whatIfRun;
        t.whatIfRunning = false;
        t.whatIf->setRunning(false);
        t.whatIf->hide();
        setSceneEditorsEnabled(false);
        restoreRecordedScene();
        emit printThread(tr("试算场景结束"));
    }
    refreshMarkingNote();
}

void MainWindow::whatIfFormEdited()
{
    TripState &t = *tripState;
    if (!t.whatIfOn || t.restoring)
        return;
    const radarlink::SceneGrid before = ui->graphicsView->sceneGrid();
    copyFormToPlot();
    if (!sameGrid(before, ui->graphicsView->sceneGrid()))
        sceneGridChanged();
}

void MainWindow::restoreRecordedScene()
{
    TripState &t = *tripState;
    if (!replayData)
        return;
    const qint64 at = replayFrameShown >= 0 && replayFrameShown < replayData->frameCount()
                          ? replayData->frame(replayFrameShown).timeMs
                          : 0;
    const int scene = replayData->sceneAt(at);
    t.restoring = true;
    if (scene >= 0) {
        applyRecordedScene(replayData->scenes().at(scene).scene);
        replaySceneShown = scene;
    }
    t.restoring = false;
    t.whatIf->clearTried();
    replay->setTriedEvents({});
    sceneGridChanged();
    refreshMarkingNote();
}

void MainWindow::recalculateWhatIf()
{
    TripState &t = *tripState;
    WhatIfWindow *window = t.whatIf;
    const QString title = tr("按此场景重算");
    if (!t.whatIfOn || t.whatIfRunning)
        return;
    auto refuse = [&](const QString &reason) {
        emit printThread(tr("试算场景：") + reason);
        QMessageBox::warning(window, title, reason);
    };
    const radarlink::WireScene tried = toolScene();
    const QString problem = trip::sceneGridProblem(tried);
    if (!problem.isEmpty())
        return refuse(problem);

    const quint64 run = ++t.whatIfRun;
    t.whatIfRunning = true;
    window->setRunning(true);
    window->setProgress(0, 0);
    QString error;
    const std::shared_ptr<const trip::RecordingRows> rows = replayRows(&error);
    if (run != t.whatIfRun)
        return;
    if (!rows || noScenes(*rows)) {
        t.whatIfRunning = false;
        window->setRunning(false);
        window->setProgress(0, 1);
        return refuse(rows ? tr("记录中没有场景参数，无法划分区域") : error);
    }

    // Both scenes in one pass, in slices, the event loop turning between them.
    const trip::SceneTimeline recordedScenes(rows->scenes), triedScene(tried);
    trip::FrameClassifier recordedClassifier, triedClassifier;
    trip::ZoneEntryCounter recordedEntries, triedEntries;
    const int total = int(rows->frames.size());
    QElapsedTimer slice;
    for (int i = 0; i < total;) {
        slice.start();
        while (i < total && slice.elapsed() < WhatIfSliceMs) {
            for (const int end = std::min(total, i + 256); i < end; ++i) {
                const recording::Frame &frame = rows->frames.at(i);
                recordedEntries.add(recordedClassifier.next(frame, recordedScenes.distancesAt(frame.timeMs)));
                triedEntries.add(triedClassifier.next(frame, triedScene.distancesAt(frame.timeMs)));
            }
        }
        window->setProgress(i, total);
        QCoreApplication::processEvents();
        // Left, ended or started again meanwhile: this run's counts are no one's.
        if (run != t.whatIfRun)
            return;
    }
    t.whatIfRunning = false;
    window->setRunning(false);
    const trip::ZoneReport recorded = recordedEntries.report(), edited = triedEntries.report();
    window->showReports(recorded, edited);
    replay->setTriedEvents(trip::zoneEvents(edited));
    auto count = [](const trip::ZoneReport &report, int zone) { return report.zones[zone].entries.size(); };
    emit printThread(tr("试算场景：报警区进入 %1 次（记录的场景 %2 次），预警区 %3 次（%4 次），检测区 %5 次（%6 次）")
                         .arg(count(edited, trip::AlarmZone))
                         .arg(count(recorded, trip::AlarmZone))
                         .arg(count(edited, trip::WarningZone))
                         .arg(count(recorded, trip::WarningZone))
                         .arg(count(edited, trip::DetectionZone))
                         .arg(count(recorded, trip::DetectionZone)));
}
