// Replay: a recording shown again on the plan view, its scene in the scene group and its
// events beside the replay bar. Nothing in replay talks to a radar: every control that would
// is disabled, and the form is put back as it was when the replay ends.
#include "mainwindow.h"
#include "ui_mainwindow.h"
#include "ui_replaypanel.h"

#include "radarview.h"
#include "recordingfile.h"
#include "replaydata.h"
#include "replaypanel.h"
#include "replies.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QMessageBox>
#include <QSignalBlocker>

#include <memory>
#include <vector>

using namespace radarlink;

struct MainWindow::FormBeforeReplay {
    SceneConfig scene;
    RadarView::Snapshot plot;
    int deviceType = 0;
    quint16 serialWord1 = 0;
    quint16 serialWord2 = 0;
    quint8 serialByte3 = 0;
    QStringList labelTexts;
    QPixmap picture;
    QVector<QPair<QWidget *, bool>> hidden;
    QVector<QPair<QString, QVariant>> targetTypes;
};

void MainWindow::setUpReplay()
{
    actionOpenRecording = new QAction(this);
    actionOpenRecording->setObjectName(QStringLiteral("actionOpenRecording"));
    connect(actionOpenRecording, &QAction::triggered, this, &MainWindow::chooseRecording);
    ui->menu_2->addAction(actionOpenRecording);

    replayDock = new QDockWidget(this);
    replayDock->setObjectName(QStringLiteral("dockReplay"));
    replayDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    replay = new ReplayPanel(replayDock);
    replayDock->setWidget(replay);
    // A tab beside the log: the plot keeps the room it has when live, on the smallest screens too.
    addDockWidget(Qt::BottomDockWidgetArea, replayDock);
    tabifyDockWidget(ui->dockWidget, replayDock);
    replayDock->hide();
    connect(replay, &ReplayPanel::frameChosen, this, &MainWindow::showReplayFrame);
    connect(replay, &ReplayPanel::exitRequested, this, &MainWindow::leaveReplay);
    connect(replay, &ReplayPanel::logLine, this, &MainWindow::printThread);
    retranslateReplay();
}

void MainWindow::retranslateReplay()
{
    actionOpenRecording->setText(tr("打开记录"));
    replayDock->setWindowTitle(tr("回放"));
    replay->retranslate();
}

void MainWindow::chooseRecording()
{
    if (!replayAllowed())
        return;
    // A tool that never recorded here has no recordings folder: start in the working folder.
    const QDir recordings(QDir::current().absoluteFilePath(recording::folderName()));
    const QString start = recordings.exists() ? recordings.path() : QDir::currentPath();
    const QString path = QFileDialog::getOpenFileName(this, tr("打开记录"), start, tr("检测数据记录 (*.sqlite);;所有文件 (*)"));
    if (!path.isEmpty())
        openRecording(path);
}

bool MainWindow::replayAllowed()
{
    if (!serialChannel.port.isOpen() && !isWaitingForPort())
        return true;
    QMessageBox::information(this, tr("打开记录"), tr("请先断开雷达，再打开记录"));
    return false;
}

bool MainWindow::openRecording(const QString &path)
{
    if (!replayAllowed())
        return false;
    auto opened = std::make_unique<ReplayData>();
    if (!opened->open(path)) {
        emit printThread(tr("无法打开记录：") + opened->errorString());
        QMessageBox::warning(this, tr("打开记录"), opened->errorString());
        return false;
    }
    // Another recording opened during a replay replaces it; the form to go back to stays.
    if (!beforeReplay)
        keepFormForReplay();
    endTripReplay();
    replay->load(nullptr);
    replayData = std::move(opened);
    replayFrameShown = -1;
    replaySceneShown = -1;
    replayIdentityShown = -1;
    setRadarControlsEnabled(false);
    showRecordedIdentity(replayData->identityAt(0));
    ui->graphicsView->assignColours(replayData->idsInOrder());
    replayDock->show();
    replayDock->raise();
    emit printThread(tr("回放记录：") + QDir::toNativeSeparators(path));
    clockTimer.start();
    replay->load(replayData.get());
    // A connection that never reached polling still shows the scene it read back.
    if (replayData->frameCount() == 0 && !replayData->scenes().isEmpty())
        applyRecordedScene(replayData->scenes().constFirst().scene);
    startTripReplay();
    refreshLinkStatus();
    refreshFingerprint();
    return true;
}

void MainWindow::leaveReplay()
{
    if (!replayData)
        return;
    endTripReplay();
    replay->load(nullptr);
    replayData.reset();
    replayDock->hide();
    resetIndicators();
    restoreFormAfterReplay();
    setRadarControlsEnabled(true);
    restoreLiveTripView();
    refreshLinkStatus();
    refreshFingerprint();
    emit printThread(tr("退出回放"));
}

void MainWindow::keepFormForReplay()
{
    auto kept = std::make_shared<FormBeforeReplay>();
    kept->scene = sceneFromForm();
    kept->plot = ui->graphicsView->snapshot();
    kept->deviceType = deviceType;
    kept->serialWord1 = serialWord1;
    kept->serialWord2 = serialWord2;
    kept->serialByte3 = serialByte3;
    kept->labelTexts = QStringList{ui->labelDevType->text(), ui->labelID->text(), ui->labelModbusId->text()};
    kept->picture = ui->labelPic->property("pixmap").value<QPixmap>();
    for (QWidget *widget : ui->centralwidget->findChildren<QWidget *>())
        kept->hidden.append({widget, widget->isHidden()});
    for (int i = 0; i < ui->comboBoxTargetType->count(); ++i)
        kept->targetTypes.append({ui->comboBoxTargetType->itemText(i), ui->comboBoxTargetType->itemData(i)});
    beforeReplay = std::move(kept);
}

void MainWindow::restoreFormAfterReplay()
{
    const FormBeforeReplay &kept = *beforeReplay;
    deviceType = kept.deviceType;
    serialWord1 = kept.serialWord1;
    serialWord2 = kept.serialWord2;
    serialByte3 = kept.serialByte3;
    // The caption in the language shown now, which may have changed during the replay.
    ui->labelDevType->setText(tr("设备类型：") + deviceTypeNames.value(deviceType));
    ui->labelID->setText(kept.labelTexts.at(1));
    ui->labelModbusId->setText(kept.labelTexts.at(2));
    ui->labelPic->setPixmap(kept.picture);
    for (const auto &widget : kept.hidden)
        widget.first->setHidden(widget.second);
    {
        // The values go back without their handlers: the plot is put back whole below.
        std::vector<QSignalBlocker> quiet;
        quiet.reserve(10);
        for (QWidget *widget : {static_cast<QWidget *>(ui->spinBoxSurveyFar), static_cast<QWidget *>(ui->spinBoxSurveyNear),
                                static_cast<QWidget *>(ui->spinBoxWarnFar), static_cast<QWidget *>(ui->spinBoxAlarmFar),
                                static_cast<QWidget *>(ui->spinBoxLeft), static_cast<QWidget *>(ui->spinBoxRight),
                                static_cast<QWidget *>(ui->spinBoxSurveyAngle), static_cast<QWidget *>(ui->comboBoxGrid),
                                static_cast<QWidget *>(ui->comboBoxTargetDir), static_cast<QWidget *>(ui->comboBoxTargetType)})
            quiet.emplace_back(widget);
        ui->comboBoxTargetType->clear();
        for (const auto &item : kept.targetTypes)
            ui->comboBoxTargetType->addItem(item.first, item.second);
        applySceneToForm(kept.scene);
    }
    // The boxes that only show another box's value follow it, as its silenced handler would
    // have made them.
    ui->spinBoxWarnNear->setValue(ui->spinBoxAlarmFar->value());
    ui->spinBoxAlarmNear->setValue(ui->spinBoxSurveyNear->value());
    ui->graphicsView->restore(kept.plot);
    beforeReplay.reset();
}

QList<QObject *> MainWindow::radarControls() const
{
    return {ui->comboBoxSerial, ui->pushButtonConnect, ui->pushButtonDisconnect, ui->pushButtonSaveConfig,
            ui->pushButtonSendPar, ui->toolButtonModbusId, ui->pushButtonWatch, ui->pushButton,
            ui->checkBoxSelect, ui->spinBoxSurveyFar, ui->spinBoxSurveyNear, ui->spinBoxWarnFar,
            ui->spinBoxAlarmFar, ui->spinBoxLeft, ui->spinBoxRight, ui->spinBoxSurveyAngle, ui->comboBoxGrid,
            ui->comboBoxTargetDir, ui->comboBoxTargetType, ui->actionUpdate, ui->actionGetData,
            ui->actionCeliangJuli, ui->actionFrameLimt, ui->actionCan, ui->actionImportCfg,
            ui->actionImportScene, ui->actionVerifyScene, ui->actionAcceptScene};
}

void MainWindow::setRadarControlsEnabled(bool on)
{
    if (!on) {
        controlsEnabledBeforeReplay.clear();
        for (QObject *control : radarControls())
            controlsEnabledBeforeReplay.append(control->property("enabled").toBool());
        // Marking cells on a recorded scene would change nothing the radar holds.
        if (ui->checkBoxSelect->isChecked())
            ui->checkBoxSelect->setChecked(false);
    }
    const QList<QObject *> controls = radarControls();
    for (int i = 0; i < controls.size(); ++i)
        controls.at(i)->setProperty("enabled", on ? controlsEnabledBeforeReplay.value(i, true) : false);
}

void MainWindow::showRecordedIdentity(int index)
{
    if (index < 0 || index == replayIdentityShown)
        return;
    replayIdentityShown = index;
    const recording::Identity &identity = replayData->identities().at(index);
    const QString serial = identity.serialNumber;
    bool ok1 = false, ok2 = false, ok3 = false;
    const quint16 word1 = quint16(serial.mid(0, 4).toUInt(&ok1, 16));
    const quint16 word2 = quint16(serial.mid(4, 4).toUInt(&ok2, 16));
    const quint8 byte3 = quint8(serial.mid(8, 4).toUInt(&ok3, 16));
    if (serial.size() == 12 && ok1 && ok2 && ok3) {
        serialWord1 = word1;
        serialWord2 = word2;
        serialByte3 = byte3;
    }
    deviceType = identity.deviceType;
    ui->labelDevType->setText(tr("设备类型：") + deviceTypeNames.value(deviceType));
    ui->labelID->setText(serial);
    ui->labelModbusId->setText(QString::number(identity.station));
    if (deviceType >= 1 && deviceType <= 3)
        applyDevicePresentation();
}

void MainWindow::applyRecordedScene(const WireScene &scene)
{
    // The same steps, in the same order, as the scene read back at connect.
    showDetectionArea({scene.detectionFarCm, scene.angle});
    showAlarmArea({scene.warningFarCm, scene.alarmFarCm, scene.leftHalfMetres, scene.rightHalfMetres});
    showSuppression({int(scene.cells.size()), scene.gridEdgeCm, scene.cells});
    showTargetFilter({scene.direction, scene.type});
    showStartDistance(scene.startCm);
}

void MainWindow::showReplayFrame(int index, bool continuous)
{
    if (!replayData || index < 0 || index >= replayData->frameCount())
        return;
    const recording::Frame &frame = replayData->frame(index);
    RadarView *view = ui->graphicsView;
    showRecordedIdentity(replayData->identityAt(frame.timeMs));
    const int scene = replayData->sceneAt(frame.timeMs);
    // A scene being tried stays in the form until the operator restores the recorded one.
    if (scene >= 0 && scene != replaySceneShown && !whatIfActive()) {
        applyRecordedScene(replayData->scenes().at(scene).scene);
        replaySceneShown = scene;
        refreshFingerprint();
    }
    // Played on, the frames since the last one shown join the history; after a jump the history
    // is built again as the live plot held it at that frame, so the tracks are right at once.
    int first = index - RadarView::HistorySize + 1;
    if (continuous && replayFrameShown >= 0 && index > replayFrameShown)
        first = std::max(first, replayFrameShown + 1);
    else
        view->clearHistory();
    for (const TargetFrame &shown : replayData->targetFrames(first, index)) {
        view->frameHistory[view->frameIndex] = shown;
        view->frameIndex = (view->frameIndex + 1) % RadarView::HistorySize;
    }
    replayFrameShown = index;
    inAlarm = frame.alarm;
    inWarn = frame.warning;
    inSurvey = frame.detection;
    showReplayHeatMap(index);
    view->redrawScene();
}
