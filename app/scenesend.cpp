// Sending the scene the operator edited: the five write commands, the send-scene sequence that
// asks first and then runs them and brings the plot up to date, and the scene files that carry a
// scene from one radar to another (the 64-byte .cfg and the full scene file).
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "radarhistory.h"
#include "radarview.h"
#include "sceneconfig.h"
#include "scenechanges.h"
#include "scenedata.h"
#include "scenefile.h"
#include "scenefingerprint.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>

using namespace radarlink;
namespace C = RadarCommands;

namespace {
// These file texts stay Chinese in every language.
const char *const FileCaption = "配置信息";
const char *const FileFilter = "(*.cfg)";
const char *const SceneFileFilter = "(*.json)";

void selectClamped(QComboBox *box, int index)
{
    if (box->count() > 0)
        box->setCurrentIndex(qBound(0, index, box->count() - 1));
}
} // namespace

bool MainWindow::writeDetectionArea()
{
    // Every send of a scene starts here.
    lastSceneWriteTime = QDateTime::currentDateTime();
    return runExchange(C::WriteDetectionArea,
                       detectionAreaData(ui->spinBoxSurveyFar->value(), ui->spinBoxSurveyAngle->value()));
}

bool MainWindow::writeAlarmArea()
{
    return runExchange(C::WriteAlarmArea, alarmAreaData(ui->spinBoxWarnFar->value(), ui->spinBoxAlarmFar->value(),
                                                        ui->spinBoxLeft->value(), ui->spinBoxRight->value()));
}

bool MainWindow::writeTargetFilter()
{
    // The radar filters by the item's data (0 to 4), not by its place in the list.
    return runExchange(C::WriteTargetFilter, targetFilterData(ui->comboBoxTargetDir->currentIndex(),
                                                              ui->comboBoxTargetType->currentData().toInt()));
}

bool MainWindow::writeStartDistance()
{
    return runExchange(C::WriteStartDistance, startDistanceData(ui->spinBoxSurveyNear->value()));
}

QVector<QPoint> MainWindow::markedCellPoints() const
{
    const RadarView *view = ui->graphicsView;
    QVector<QPoint> points;
    for (const GridCell &cell : view->SuppressionGrid.setCells()) {
        if (points.size() == SuppressionSlots)
            break;
        points.append(view->cellToRadarPoint(cell.row, cell.column));
    }
    return points;
}

bool MainWindow::writeSuppressionArea()
{
    return runExchange(C::WriteSuppressionArea,
                       suppressionData(markedCellPoints(), ui->comboBoxGrid->currentText().toDouble()));
}

void MainWindow::on_pushButtonSendPar_clicked()
{
    QString failedStep;
    sendScene(&failedStep);
}

bool MainWindow::sendScene(QString *unansweredStep)
{
    unansweredStep->clear();
    // Nothing goes to a radar before the operator has seen what it changes. Without one the
    // first write fails quietly, as it always has.
    if (linkUsable() && !confirmSceneChanges())
        return false;
    const QString fingerprintBefore = radarFingerprint();
    pollingPaused = true;
    sceneSendRunning = true;
    ui->pushButtonSendPar->setEnabled(false);

    // The four writes before the cells, each with its box text and its name in the history.
    struct Step {
        bool (MainWindow::*write)();
        const char *failure;
        const char *name;
    };
    static const Step steps[] = {
        {&MainWindow::writeDetectionArea, QT_TR_NOOP("雷达探测区域设置失败"), "detection_area"},
        {&MainWindow::writeAlarmArea, QT_TR_NOOP("雷达报警区域设置失败"), "alarm_area"},
        {&MainWindow::writeTargetFilter, QT_TR_NOOP("发送雷达目标属性筛选消息失败"), "target_filter"},
        {&MainWindow::writeStartDistance, QT_TR_NOOP("起始探测距离设置失败"), "start_distance"},
    };
    const char *failure = nullptr;
    const char *failedStep = nullptr;
    for (const Step &step : steps) {
        if (!(this->*step.write)()) {
            failure = step.failure;
            failedStep = step.name;
            break;
        }
    }

    bool cellsAnswered = false;
    if (!failure) {
        copyFormToPlot(true);
        // What the radar confirmed is what went out; the cells only when their write was answered.
        WireScene sent = toolScene();
        cellsAnswered = writeSuppressionArea();
        if (!cellsAnswered) {
            sent.gridEdgeCm = radarScene.gridEdgeCm;
            sent.cells = radarScene.cells;
        }
        radarScene = sent;
        radarSceneKnown = radarSceneKnown || cellsAnswered;
        recordScene(QStringLiteral("sent"));
    }

    sceneSendRunning = false;
    ui->pushButtonSendPar->setEnabled(true);
    if (failure) {
        emit printThread(tr("场景没有发送完：雷达中的场景未确认"));
        recordHistory(HistoryAction::SceneSent, HistoryResult::Failed, fingerprintBefore,
                      {{QStringLiteral("step"), QLatin1String(failedStep)}}, false);
    } else {
        emit printThread(radarSceneKnown ? tr("发送后的场景指纹：%1").arg(radarFingerprint())
                                         : tr("场景已发送，非报警区域网格没有应答：雷达中的场景未确认"));
        recordHistory(HistoryAction::SceneSent, HistoryResult::Ok, fingerprintBefore,
                      cellsAnswered ? QJsonObject() : QJsonObject{{QStringLiteral("unanswered"), QStringLiteral("cells")}},
                      radarSceneKnown);
    }
    refreshFingerprint();
    if (failure)
        *unansweredStep = QLatin1String(failedStep);
    else if (!cellsAnswered)
        *unansweredStep = QStringLiteral("cells");
    if (!linkUsable())
        return false;
    showMessage(this, QMessageBox::Information, tr("提示"), failure ? tr(failure) : tr("雷达场景参数设置成功"));
    if (!failure)
        pollingPaused = false;
    pollTimer.start();
    return !failure && cellsAnswered;
}

void MainWindow::copyFormToPlot(bool logCellMoves)
{
    RadarView *view = ui->graphicsView;
    if (deviceType == 1 || deviceType == 3) {
        view->leftBoundary = ui->spinBoxLeft->value();
        view->rightBoundary = ui->spinBoxRight->value();
    }
    const double newFar = ui->spinBoxSurveyFar->value();
    // The grid spans the detection range (or, after a scene was put into the form, that
    // scene's range).
    const bool gridChanged = newFar != view->lateralExtent || newFar != view->depthExtent;
    const int oldColumns = view->columnsPerSide(), oldRows = view->rowCount();
    view->detectionFar = newFar;
    view->detectionNear = ui->spinBoxSurveyNear->value();
    view->warningFar = ui->spinBoxWarnFar->value();
    view->alarmFar = ui->spinBoxAlarmFar->value();
    view->lateralExtent = view->detectionFar;
    view->depthExtent = view->detectionFar;
    view->detectionAngle = ui->spinBoxSurveyAngle->value();
    if (gridChanged) {
        // Every marked cell stays on the same ground: the grid grows (or shrinks) at its far
        // end and on both sides, so the indexes move by the rows and columns gained.
        const int columns = view->columnsPerSide(), rows = view->rowCount();
        const QVector<GridCell> before = view->SuppressionGrid.setCells();
        view->SuppressionGrid.moveCells(rows - oldRows, columns - oldColumns, rows, 2 * columns);
        view->nonAlarmCount = view->SuppressionGrid.setCount();
        if (logCellMoves)
            logCellShift(before, rows - oldRows, columns - oldColumns, oldRows, oldColumns);
    }
    view->redrawScene();
}

void MainWindow::logCellShift(const QVector<GridCell> &before, int rowShift, int columnShift, int oldRows,
                              int oldColumns)
{
    if (before.isEmpty())
        return;
    const RadarView *view = ui->graphicsView;
    const SceneGrid oldGrid{view->gridEdge, oldColumns, oldRows};
    emit printThread(tr("探测距离改变，网格随之改变，非报警区域网格的去向："));
    for (const GridCell &cell : before) {
        const GridCell moved{cell.row + rowShift, cell.column + columnShift};
        const QString from = pointText(oldGrid.wirePoint(cell));
        emit printThread(view->SuppressionGrid.isSet(moved.row, moved.column)
                             ? tr("%1 → %2").arg(from, pointText(view->cellToRadarPoint(moved.row, moved.column)))
                             : tr("%1 → 超出网格，已移除").arg(from));
    }
}

SceneConfig MainWindow::sceneFromForm() const
{
    SceneConfig c;
    c.detectionFar = ui->spinBoxSurveyFar->value();
    c.detectionNear = ui->spinBoxSurveyNear->value();
    c.warningFar = ui->spinBoxWarnFar->value();
    c.alarmFar = ui->spinBoxAlarmFar->value();
    c.leftBoundary = ui->spinBoxLeft->value();
    c.rightBoundary = ui->spinBoxRight->value();
    c.detectionAngle = ui->spinBoxSurveyAngle->value();
    c.gridIndex = ui->comboBoxGrid->currentIndex();
    c.targetDirectionIndex = ui->comboBoxTargetDir->currentIndex();
    c.targetTypeIndex = ui->comboBoxTargetType->currentIndex();
    return c;
}

void MainWindow::applySceneToForm(const SceneConfig &c)
{
    // In this order, each control's handler running as it changes.
    ui->spinBoxSurveyFar->setValue(c.detectionFar);
    ui->spinBoxSurveyNear->setValue(c.detectionNear);
    ui->spinBoxWarnFar->setValue(c.warningFar);
    ui->spinBoxAlarmFar->setValue(c.alarmFar);
    ui->spinBoxLeft->setValue(c.leftBoundary);
    ui->spinBoxRight->setValue(c.rightBoundary);
    ui->spinBoxSurveyAngle->setValue(c.detectionAngle);
    selectClamped(ui->comboBoxGrid, c.gridIndex);
    selectClamped(ui->comboBoxTargetDir, c.targetDirectionIndex);
    selectClamped(ui->comboBoxTargetType, c.targetTypeIndex);
}

void MainWindow::on_actionExportCfg_triggered()
{
    const QString name = QFileDialog::getSaveFileName(this, QString::fromUtf8(FileCaption), QString(),
                                                      QString::fromUtf8(FileFilter));
    if (name.isEmpty())
        return;
    // Written aside and renamed over the old file only when complete.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(encodeSceneConfig(sceneFromForm())) != SceneConfigSize
        || !file.commit()) {
        file.cancelWriting();
        QMessageBox::warning(this, QStringLiteral("错误"), QStringLiteral("文件无法写入"));
    }
}

void MainWindow::on_actionImportCfg_triggered()
{
    const QString name = QFileDialog::getOpenFileName(this, QString::fromUtf8(FileCaption), QString(),
                                                      QString::fromUtf8(FileFilter));
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, QStringLiteral("错误"), QStringLiteral("文件无法读取"));
        return;
    }
    const QByteArray bytes = file.read(SceneConfigSize);
    file.close();
    applySceneToForm(decodeSceneConfig(bytes));
    on_pushButtonSendPar_clicked();
}

void MainWindow::on_actionExportScene_triggered()
{
    const QString title = tr("导出完整场景");
    const QString name = QFileDialog::getSaveFileName(this, title, QString(), QString::fromUtf8(SceneFileFilter));
    if (name.isEmpty())
        return;
    QString error;
    if (!writeSceneFile(name, SceneFile{deviceType, toolScene()}, &error))
        QMessageBox::warning(this, title, error);
}

// Fills the form with everything the file holds, or leaves it as it was, and sends the scene
// through the question, as "导入配置" does.
void MainWindow::on_actionImportScene_triggered()
{
    const QString title = tr("导入完整场景");
    const QString name = QFileDialog::getOpenFileName(this, title, QString(), QString::fromUtf8(SceneFileFilter));
    if (name.isEmpty())
        return;
    SceneFile file;
    QString error;
    if (!readSceneFile(name, &file, &error)) {
        QMessageBox::warning(this, title, error);
        return;
    }
    if (loadSceneIntoForm(file, QDir::toNativeSeparators(name)))
        on_pushButtonSendPar_clicked();
}
