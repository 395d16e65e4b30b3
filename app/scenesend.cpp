// Sending the scene the operator edited: the five write commands, the send-scene sequence that
// runs them and brings the plot up to date, and the scene files that carry a scene from one
// radar to another.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "radarview.h"
#include "sceneconfig.h"
#include "scenedata.h"

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
    pollingPaused = true;
    sceneSendRunning = true;
    ui->pushButtonSendPar->setEnabled(false);

    const char *failure = nullptr;
    if (!writeDetectionArea())
        failure = QT_TR_NOOP("雷达探测区域设置失败");
    else if (!writeAlarmArea())
        failure = QT_TR_NOOP("雷达报警区域设置失败");
    else if (!writeTargetFilter())
        failure = QT_TR_NOOP("发送雷达目标属性筛选消息失败");
    else if (!writeStartDistance())
        failure = QT_TR_NOOP("起始探测距离设置失败");

    if (!failure) {
        copyFormToPlot();
        // What the radar confirmed is what went out; the cells only when their write was answered.
        WireScene sent = toolScene();
        const bool cellsAnswered = writeSuppressionArea();
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
    if (!linkUsable())
        return;
    QMessageBox::information(this, tr("提示"), failure ? tr(failure) : tr("雷达场景参数设置成功"));
    if (!failure)
        pollingPaused = false;
    pollTimer.start();
}

void MainWindow::copyFormToPlot()
{
    RadarView *view = ui->graphicsView;
    if (deviceType == 1 || deviceType == 3) {
        view->leftBoundary = ui->spinBoxLeft->value();
        view->rightBoundary = ui->spinBoxRight->value();
    }
    const double newFar = ui->spinBoxSurveyFar->value();
    const bool farChanged = newFar != view->detectionFar;
    const int oldColumns = view->columnsPerSide(), oldRows = view->rowCount();
    view->detectionFar = newFar;
    view->detectionNear = ui->spinBoxSurveyNear->value();
    view->warningFar = ui->spinBoxWarnFar->value();
    view->alarmFar = ui->spinBoxAlarmFar->value();
    view->lateralExtent = view->detectionFar;
    view->depthExtent = view->detectionFar;
    view->detectionAngle = ui->spinBoxSurveyAngle->value();
    if (farChanged) {
        // Every marked cell stays on the same ground: the grid grows (or shrinks) at its far
        // end and on both sides, so the indexes move by the rows and columns gained.
        const int columns = view->columnsPerSide(), rows = view->rowCount();
        view->SuppressionGrid.moveCells(rows - oldRows, columns - oldColumns, rows, 2 * columns);
        view->nonAlarmCount = view->SuppressionGrid.setCount();
    }
    view->redrawScene();
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
