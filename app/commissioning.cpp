// Commissioning a radar so that it can be proved later: the scene fingerprint beside the radar
// information (the radar's, and the form's while it differs), the form's unsent changes on the
// plot, the question that lists them before a send, accepting the radar's scene, and a scene
// put into the form exactly as it was accepted or exported.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "dialogacceptance.h"
#include "radarhistory.h"
#include "radarview.h"
#include "replaydata.h"
#include "scenechanges.h"
#include "scenefile.h"
#include "scenefingerprint.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QMessageBox>
#include <QSettings>

using namespace radarlink;

namespace {
const char AcceptorKey[] = "acceptance/name";

const QColor UnsentColour(200, 0, 120);
const QColor EqualColour(0, 128, 0);
const QColor DifferentColour(Qt::red);

void colourText(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void showLine(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

QString fingerprintOf(const WireScene &scene)
{
    return fingerprintText(sceneFingerprint(scene));
}
} // namespace

void MainWindow::setUpCommissioning()
{
    historyPath = RadarHistory::defaultPath();
    setUpHistoryStatus();
    colourText(ui->labelUnsentChanges, UnsentColour);
    ui->graphicsView->unsentOutline = UnsentColour;
    // Every edit of the scene group and every cell marked on the plot.
    for (QDoubleSpinBox *box : {ui->spinBoxSurveyFar, ui->spinBoxSurveyNear, ui->spinBoxWarnFar, ui->spinBoxAlarmFar,
                                ui->spinBoxLeft, ui->spinBoxRight})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &MainWindow::refreshFingerprint);
    connect(ui->spinBoxSurveyAngle, QOverload<int>::of(&QSpinBox::valueChanged), this, &MainWindow::refreshFingerprint);
    // After the view's own handler, which empties the marked cells of another edge.
    connect(ui->comboBoxGrid, &QComboBox::currentTextChanged, this, &MainWindow::refreshFingerprint);
    for (QComboBox *box : {ui->comboBoxTargetDir, ui->comboBoxTargetType})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &MainWindow::refreshFingerprint);
    connect(ui->graphicsView, &RadarView::cellsEdited, this, &MainWindow::refreshFingerprint);
    refreshFingerprint();
}

QString MainWindow::radarFingerprint() const
{
    return radarSceneKnown ? fingerprintOf(radarScene) : QString();
}

QString MainWindow::formFingerprint() const
{
    return fingerprintOf(toolScene());
}

void MainWindow::refreshFingerprint()
{
    QString radarLine, unsentLine, acceptanceLine;
    const bool live = !inReplay() && linkUsable() && radarSceneKnown;
    bool formEqual = false;
    if (inReplay()) {
        const int shown = std::max(replaySceneShown, 0);
        if (shown < replayData->scenes().size())
            radarLine = tr("场景指纹：%1").arg(replayData->scenes().at(shown).fingerprint);
    } else if (live) {
        const QString radar = radarFingerprint();
        radarLine = tr("场景指纹：%1").arg(radar);
        const QString form = formFingerprint();
        formEqual = form == radar;
        if (!formEqual)
            unsentLine = tr("未发送的修改：%1").arg(form);
        if (acceptance.known) {
            const bool accepted = radar == acceptance.fingerprint;
            acceptanceLine = acceptanceText(accepted);
            colourText(ui->labelAcceptance, accepted ? EqualColour : DifferentColour);
        }
    }
    showLine(ui->labelFingerprint, radarLine);
    showLine(ui->labelUnsentChanges, unsentLine);
    showLine(ui->labelAcceptance, acceptanceLine);
    ui->actionAcceptScene->setEnabled(live && formEqual);
    showUnsentOutlines(live && !formEqual ? toolScene() : radarScene);
}

void MainWindow::showUnsentOutlines(const WireScene &form)
{
    UnsentScene unsent;
    if (radarSceneKnown && form != radarScene) {
        const WireScene &radar = radarScene;
        const SceneItems items = shownSceneItems();
        const bool fanChanged = form.angle != radar.angle;
        unsent.angle = form.angle;
        const auto edge = [&](quint16 formCm, quint16 radarCm) {
            if (fanChanged || formCm != radarCm)
                unsent.zoneEdges << formCm / 100.0;
        };
        edge(form.detectionFarCm, radar.detectionFarCm);
        if (items.warning)
            edge(form.warningFarCm, radar.warningFarCm);
        edge(form.alarmFarCm, radar.alarmFarCm);
        edge(form.startCm, radar.startCm);
        if (items.boundaries
            && (form.leftHalfMetres != radar.leftHalfMetres || form.rightHalfMetres != radar.rightHalfMetres)) {
            unsent.laneChanged = true;
            unsent.left = form.leftHalfMetres * 0.5;
            unsent.right = form.rightHalfMetres * 0.5;
        }
        const SceneChanges changes = sceneChanges(radar, form);
        unsent.addedCells = changes.cellsAdded;
        unsent.removedCells = changes.cellsRemoved;
    }
    RadarView *view = ui->graphicsView;
    const bool wasShown = view->unsentOutlines() != nullptr;
    if (unsent.isEmpty() && !wasShown)
        return;
    view->setUnsentScene(unsent);
    view->redrawScene();
}

bool MainWindow::confirmSceneChanges()
{
    const WireScene form = toolScene();
    const QString formPrint = fingerprintOf(form);
    QStringList lines;
    if (radarSceneKnown) {
        lines << tr("雷达中的场景指纹：%1").arg(radarFingerprint()) << tr("要发送的场景指纹：%1").arg(formPrint);
        const SceneChanges changes = sceneChanges(radarScene, form);
        if (changes.isEmpty())
            lines << tr("表单中的场景与雷达中的相同，没有要改变的数值。");
        else
            lines << tr("将改变的数值（雷达中 → 表单中）：") << changeLines(changes);
    } else {
        lines << tr("本次连接没有读到雷达中的场景，无法比较。将发送表单中的这些数值：") << sceneLines(form)
              << tr("要发送的场景指纹：%1").arg(formPrint);
    }
    QStringList pushedOff;
    for (const QPoint &cell : markedCellPoints())
        if (!form.cells.contains(cell))
            pushedOff << pointText(cell);
    if (!pushedOff.isEmpty())
        lines << tr("探测距离改变后这些非报警区域网格超出网格，不会发送：%1").arg(pushedOff.join(QStringLiteral("; ")));
    const QVector<SceneConflict> conflicts = sceneConflicts(form, deviceType);
    if (!conflicts.isEmpty()) {
        lines << tr("注意，这些数值相互矛盾：");
        for (SceneConflict conflict : conflicts)
            lines << conflictText(conflict, form);
    }
    lines << tr("发送吗？");
    // Contradicting values are sent only when the operator chooses so.
    return askYesNo(this, tr("发送雷达场景参数"), lines.join(QLatin1Char('\n')),
                    conflicts.isEmpty() ? QMessageBox::Yes : QMessageBox::No);
}

void MainWindow::lookUpAcceptance()
{
    acceptance = Acceptance();
    if (!radarIdentityRead)
        return;
    RadarHistory *store = radarHistory();
    if (!store)
        return;
    const std::optional<HistoryEntry> found = store->lastAcceptance(serialNumberText());
    if (!found)
        return;
    acceptance.known = true;
    acceptance.fingerprint = found->fingerprintAfter;
    acceptance.date = found->localTime.left(10);
    acceptance.name = found->details.value(QStringLiteral("name")).toString();
    acceptance.note = found->details.value(QStringLiteral("note")).toString();
    acceptance.entryId = found->id;
}

QString MainWindow::acceptanceText(bool equal) const
{
    return equal ? tr("与验收场景一致（%1 验收）").arg(acceptance.date)
                 : tr("与验收场景不一致（%1 验收）").arg(acceptance.date);
}

void MainWindow::on_actionAcceptScene_triggered()
{
    const QString title = tr("验收当前场景");
    if (!linkUsable() || !radarSceneKnown || inReplay()) {
        QMessageBox::information(this, title, tr("未连接雷达，无法验收"));
        return;
    }
    const quint64 connection = connectionId;
    const bool wasPaused = pollingPaused;
    pollingPaused = true;
    ui->actionAcceptScene->setEnabled(false);
    WireScene held;
    const bool read = readHeldScene(&held);
    if (connection != connectionId || !linkUsable())
        return;
    pollingPaused = wasPaused;
    pollTimer.start();
    if (!read) {
        const QString text = tr("无法验收：雷达没有正确应答");
        emit printThread(text);
        refreshFingerprint();
        QMessageBox::warning(this, title, text);
        return;
    }
    const QString before = radarFingerprint();
    radarScene = held;
    refreshFingerprint();
    const QString heldPrint = fingerprintOf(held), formPrint = formFingerprint();
    if (heldPrint != formPrint) {
        const QString text = tr("雷达中的场景（指纹 %1）与表单（指纹 %2）不一致，没有验收。").arg(heldPrint, formPrint);
        emit printThread(text);
        QMessageBox::warning(this, title, text);
        return;
    }
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    DialogAcceptance dialog(heldPrint, settings.value(QLatin1String(AcceptorKey)).toString(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    settings.setValue(QLatin1String(AcceptorKey), dialog.name());
    settings.sync();

    HistoryEntry entry = historyEntry(HistoryAction::Accepted, HistoryResult::Ok, before);
    entry.details = QJsonObject{{QStringLiteral("name"), dialog.name()}, {QStringLiteral("note"), dialog.note()}};
    if (!storeHistory(entry)) {
        const QString text = tr("验收没有保存：雷达历史无法写入");
        emit printThread(text);
        QMessageBox::warning(this, title, text);
        return;
    }
    lookUpAcceptance();
    refreshFingerprint();
    const QString text = tr("已验收当前场景：场景指纹 %1，验收人 %2").arg(heldPrint, dialog.name());
    emit printThread(text);
    QMessageBox::information(this, title, text);
}

bool MainWindow::applyWireSceneToForm(const WireScene &scene, QString *error)
{
    const FormHold before = holdForm();
    RadarView *view = ui->graphicsView;
    const double lateral = view->lateralExtent, depth = view->depthExtent;

    // The grid first: another edge empties the marked cells.
    const int edgeItem = ui->comboBoxGrid->findText(gridEdgeText(scene.gridEdgeCm));
    if (edgeItem >= 0)
        ui->comboBoxGrid->setCurrentIndex(edgeItem);
    ui->spinBoxSurveyFar->setValue(scene.detectionFarCm / 100.0);
    ui->spinBoxSurveyNear->setValue(scene.startCm / 100.0);
    // The alarm distance before the warning distance: on a channel radar it drags the other along.
    ui->spinBoxAlarmFar->setValue(scene.alarmFarCm / 100.0);
    ui->spinBoxWarnFar->setValue(scene.warningFarCm / 100.0);
    ui->spinBoxLeft->setValue(scene.leftHalfMetres * 0.5);
    ui->spinBoxRight->setValue(scene.rightHalfMetres * 0.5);
    ui->spinBoxSurveyAngle->setValue(scene.angle);
    if (scene.direction < ui->comboBoxTargetDir->count())
        ui->comboBoxTargetDir->setCurrentIndex(scene.direction);
    const int typeItem = ui->comboBoxTargetType->findData(int(scene.type));
    if (typeItem >= 0)
        ui->comboBoxTargetType->setCurrentIndex(typeItem);

    // The plot's grid reaches as far as the scene, so that its cells can be marked; the zones
    // drawn stay the radar's until the scene is sent.
    view->lateralExtent = ui->spinBoxSurveyFar->value();
    view->depthExtent = ui->spinBoxSurveyFar->value();
    view->redrawScene();
    view->SuppressionGrid.clearFlags();
    for (const QPoint &point : cellsInSendOrder(scene.cells)) {
        const GridCell cell = view->radarPointToCell(point.x(), point.y());
        view->SuppressionGrid.setFlag(cell.row, cell.column, true);
    }
    view->nonAlarmCount = view->SuppressionGrid.setCount();
    view->redrawScene();

    const SceneChanges missed = sceneChanges(scene, toolScene());
    if (missed.isEmpty()) {
        refreshFingerprint();
        return true;
    }
    view->lateralExtent = lateral;
    view->depthExtent = depth;
    view->redrawScene();
    restoreForm(before);
    refreshFingerprint();
    *error = tr("表单无法准确容纳这个场景，表单没有改变（场景中 → 表单能容纳的）：") + QLatin1Char('\n')
             + changeLines(missed).join(QLatin1Char('\n'));
    return false;
}

bool MainWindow::loadSceneIntoForm(const SceneFile &file, const QString &origin)
{
    const QString title = tr("载入场景");
    if (inReplay()) {
        showMessage(this, QMessageBox::Warning, title, tr("回放时不能把场景载入表单"));
        return false;
    }
    if (file.deviceType != deviceType) {
        const auto typeName = [](int type) { return deviceTypeNames.value(type, QString::number(type)); };
        const QString question = tr("这个场景是为%1准备的，而表单当前对应%2。仍然载入吗？")
                                     .arg(typeName(file.deviceType), typeName(deviceType));
        if (!askYesNo(this, title, question, QMessageBox::No))
            return false;
    }
    QString error;
    if (!applyWireSceneToForm(file.scene, &error)) {
        emit printThread(error);
        showMessage(this, QMessageBox::Warning, title, error);
        return false;
    }
    emit printThread(tr("已把场景载入表单：%1，场景指纹 %2").arg(origin, fingerprintOf(file.scene)));
    return true;
}
