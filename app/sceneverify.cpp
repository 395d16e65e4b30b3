// Verifying the radar's scene: the five scene reads decoded without touching the form or the
// plot, compared with the scene group and the marked cells, one message for the operator with
// both fingerprints, the outcome in the log and in the radar's history. What was read becomes
// the radar's scene of this connection.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "radarview.h"
#include "replies.h"
#include "radarhistory.h"
#include "scenechanges.h"
#include "scenecompare.h"
#include "scenedata.h"
#include "scenefingerprint.h"

#include <QMessageBox>
#include <QStringList>

using namespace radarlink;
namespace C = RadarCommands;

namespace {
// A filter code as the operator knows it: the combo box item that carries it.
QString filterText(const QComboBox *box, int code, bool byData)
{
    const int index = byData ? box->findData(code) : (code < box->count() ? code : -1);
    return index >= 0 ? QStringLiteral("%1 (%2)").arg(box->itemText(index)).arg(code) : QString::number(code);
}
} // namespace

bool MainWindow::readRadarScene(WireScene *scene)
{
    WireScene held;
    if (!readHeldScene(&held))
        return false;
    *scene = cellsAsMarked(held);
    return true;
}

bool MainWindow::readHeldScene(WireScene *scene)
{
    DetectionAreaReply detection;
    AlarmAreaReply alarm;
    SuppressionReply suppression;
    TargetFilterReply filter;
    quint16 start = 0;
    const bool read =
        runExchange(C::ReadDetectionArea, QByteArray(),
                    [&](const QByteArray &reply) { detection = decodeDetectionArea(reply); return true; })
        && runExchange(C::ReadAlarmArea, QByteArray(),
                       [&](const QByteArray &reply) { alarm = decodeAlarmArea(reply); return true; })
        && runExchange(C::ReadSuppressionArea, QByteArray(),
                       [&](const QByteArray &reply) { suppression = decodeSuppression(reply); return true; })
        && runExchange(C::ReadTargetFilter, QByteArray(),
                       [&](const QByteArray &reply) { filter = decodeTargetFilter(reply); return true; })
        && runExchange(C::ReadStartDistance, QByteArray(),
                       [&](const QByteArray &reply) { start = decodeStartDistance(reply); return true; });
    if (!read)
        return false;
    *scene = wireSceneFromReplies(detection, alarm, suppression, filter, start);
    return true;
}

WireScene MainWindow::cellsAsMarked(WireScene scene) const
{
    // A point off the grid stays as it is.
    const RadarView *view = ui->graphicsView;
    if (scene.gridEdgeCm == gridEdgeCm(ui->comboBoxGrid->currentText().toDouble())) {
        for (QPoint &point : scene.cells) {
            const GridCell cell = view->radarPointToCell(point.x(), point.y());
            if (view->SuppressionGrid.contains(cell.row, cell.column))
                point = view->cellToRadarPoint(cell.row, cell.column);
        }
    }
    return scene;
}

SceneItems MainWindow::shownSceneItems() const
{
    // The form keeps the others out of sight.
    SceneItems items;
    items.warning = deviceType != 1;
    items.boundaries = deviceType == 1 || deviceType == 3;
    return items;
}

WireScene MainWindow::toolScene() const
{
    WireScene s;
    s.detectionFarCm = distanceCm(ui->spinBoxSurveyFar->value());
    s.angle = quint16(ui->spinBoxSurveyAngle->value() & 0xffff);
    s.warningFarCm = distanceCm(ui->spinBoxWarnFar->value());
    s.alarmFarCm = distanceCm(ui->spinBoxAlarmFar->value());
    s.leftHalfMetres = qint8(boundaryHalfMetres(ui->spinBoxLeft->value()));
    s.rightHalfMetres = qint8(boundaryHalfMetres(ui->spinBoxRight->value()));
    s.gridEdgeCm = gridEdgeCm(ui->comboBoxGrid->currentText().toDouble());
    // A send that changes the detection distance moves the grid with it, and a cell that then
    // lies off the grid is not sent.
    const SceneGrid sentGrid = SceneGrid::forRange(ui->spinBoxSurveyFar->value(), ui->graphicsView->gridEdge);
    for (const QPoint &cell : markedCellPoints())
        if (sentGrid.contains(sentGrid.cellOfWirePoint(cell.x(), cell.y())))
            s.cells.append(cell);
    s.direction = quint8(ui->comboBoxTargetDir->currentIndex());
    s.type = quint8(ui->comboBoxTargetType->currentData().toInt());
    s.startCm = distanceCm(ui->spinBoxSurveyNear->value());
    return s;
}

MainWindow::SceneCheck MainWindow::verifyHeldScene(const WireScene &expected)
{
    const QString fingerprintBefore = radarFingerprint();
    const QString expectedPrint = fingerprintText(sceneFingerprint(expected));
    WireScene held;
    const bool read = readHeldScene(&held);
    SceneCheck check = SceneCheck::Unanswered;
    if (read) {
        radarScene = held;
        radarSceneKnown = true;
        check = radarFingerprint() == expectedPrint ? SceneCheck::Equal : SceneCheck::Different;
        emit printThread(tr("雷达中的场景指纹：%1，期望的场景指纹：%2").arg(radarFingerprint(), expectedPrint));
    } else {
        emit printThread(tr("无法校验场景参数：雷达没有正确应答"));
    }
    const char *result = check == SceneCheck::Equal       ? HistoryResult::Equal
                         : check == SceneCheck::Different ? HistoryResult::Different
                                                          : HistoryResult::Failed;
    recordHistory(HistoryAction::Verified, result, fingerprintBefore, {{QStringLiteral("expected"), expectedPrint}}, read);
    refreshFingerprint();
    return check;
}

void MainWindow::on_actionVerifyScene_triggered()
{
    const QString title = tr("校验雷达场景参数");
    if (!linkUsable()) {
        QMessageBox::information(this, title, tr("未连接雷达，无法校验场景参数"));
        return;
    }
    const quint64 connection = connectionId;
    const bool wasPaused = pollingPaused;
    pollingPaused = true;
    ui->actionVerifyScene->setEnabled(false);
    const QString fingerprintBefore = radarFingerprint();
    WireScene held;
    const bool read = readHeldScene(&held);
    const WireScene readScene = cellsAsMarked(held);
    ui->actionVerifyScene->setEnabled(true);
    // A connection that ended on the way has nothing left to report.
    if (connection != connectionId || !linkUsable())
        return;
    pollingPaused = wasPaused;
    pollTimer.start();

    QString message;
    QString logLine;
    QStringList details;
    const char *result = HistoryResult::Failed;
    if (!read) {
        logLine = tr("无法校验场景参数：雷达没有正确应答");
        message = logLine;
    } else {
        // What was read is what the radar holds.
        radarScene = held;
        radarSceneKnown = true;
        // Only the items the radar type has.
        const WireScene tool = toolScene();
        const QVector<SceneDifference> differences = compareScenes(tool, readScene, shownSceneItems());
        const QString fingerprints =
            tr("雷达中的场景指纹：%1，工具中的场景指纹：%2").arg(radarFingerprint(), formFingerprint());
        result = differences.isEmpty() ? HistoryResult::Equal : HistoryResult::Different;
        if (differences.isEmpty()) {
            logLine = tr("场景参数校验成功：雷达中的参数与工具中的一致");
            message = logLine + QLatin1Char('\n') + fingerprints;
            details << fingerprints;
        } else {
            logLine = tr("场景参数校验失败：%n项不一致", nullptr, int(differences.size()));
            QString rows;
            for (const SceneDifference &d : differences) {
                QString inTool = d.inTool;
                QString inRadar = d.inRadar;
                if (d.item == SceneItem::TargetDirection) {
                    inTool = filterText(ui->comboBoxTargetDir, tool.direction, false);
                    inRadar = filterText(ui->comboBoxTargetDir, readScene.direction, false);
                } else if (d.item == SceneItem::TargetType) {
                    inTool = filterText(ui->comboBoxTargetType, tool.type, true);
                    inRadar = filterText(ui->comboBoxTargetType, readScene.type, true);
                }
                const QString name = sceneItemName(d.item);
                details << tr("%1：工具中 %2，雷达中 %3").arg(name, inTool, inRadar);
                rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                            .arg(name.toHtmlEscaped(), inTool.toHtmlEscaped(), inRadar.toHtmlEscaped());
            }
            message = QStringLiteral("<p>%1</p><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">"
                                     "<tr><th>%2</th><th>%3</th><th>%4</th></tr>%5</table><p>%6</p>")
                          .arg(logLine.toHtmlEscaped(), tr("参数").toHtmlEscaped(), tr("工具中").toHtmlEscaped(),
                               tr("雷达中").toHtmlEscaped(), rows, fingerprints.toHtmlEscaped());
            details << fingerprints;
        }
    }
    recordHistory(HistoryAction::Verified, result, fingerprintBefore, QJsonObject(), read);
    refreshFingerprint();
    emit printThread(logLine);
    for (const QString &line : qAsConst(details))
        emit printThread(line);
    lastVerification = (QStringList(logLine) + details).join(QLatin1Char('\n'));
    lastVerificationTime = QDateTime::currentDateTime();
    QMessageBox box(QMessageBox::Information, title, message, QMessageBox::Ok, this);
    box.setTextFormat(message.startsWith(QLatin1Char('<')) ? Qt::RichText : Qt::PlainText);
    box.exec();
}
