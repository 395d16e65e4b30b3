// A connection to the radar: opening and reading back, the commands about the device itself
// (identity, station number, flash save), the five scene reads, the detection-result poll and
// the zone lamps, and dropping the connection again.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandtable.h"
#include "frame.h"
#include "portaccess.h"
#include "radarhistory.h"
#include "radarview.h"
#include "recorder.h"
#include "replies.h"
#include "scenefingerprint.h"

#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>

#include <functional>

using namespace radarlink;
namespace C = RadarCommands;

namespace {
constexpr int SettleDelayMs = 3000;
constexpr int RetryDelayMs = 2000;
constexpr int AttemptsPerStep = 3;

QByteArray subCommand(const RadarCommand &command)
{
    return QByteArray(1, char(command.subCommand)) + QByteArray(1, '\0');
}
} // namespace

void MainWindow::on_pushButtonConnect_clicked()
{
    if (openPortForOperator())
        readBackAndPoll(false);
}

bool MainWindow::openPortForOperator()
{
    endPortWatch();
    // A connection of the operator's: whatever radar answers is the one meant.
    awaitedRadar = RadarIdentity();
    radarSceneKnown = false;
    radarIdentityRead = false;
    acceptance = Acceptance();
    resumable = false;
    showConnecting();
    if (!openRadarPort()) {
        on_pushButtonDisconnect_clicked();
        return false;
    }
    return true;
}

MainWindow::ReadBack MainWindow::connectAndReadBack(const QString &portName, QString *portProblem)
{
    ui->comboBoxSerial->setEditText(portName);
    if (!openPortForOperator()) {
        // The reason the window logged, from the port's error that the disconnect left alone.
        *portProblem = portOpenFailureText(serialChannel.port.error(), portName);
        return ReadBack::PortNotOpened;
    }
    if (!readBack(false, holdForm()))
        return radarIdentityRead ? ReadBack::NoScene : ReadBack::NoIdentity;
    refreshFingerprint();
    return ReadBack::Done;
}

void MainWindow::disconnectRadar()
{
    on_pushButtonDisconnect_clicked();
}

void MainWindow::showConnecting()
{
    // Until the radar has told who it is, the radar information says it is being read, not the
    // idle values or the last radar's.
    if (!identityPending)
        identityTextsBeforeConnect = QStringList{ui->labelDevType->text(), ui->labelID->text(), ui->labelModbusId->text()};
    identityPending = true;
    showIdentityPending();
    ui->pushButtonConnect->hide();
    ui->pushButtonDisconnect->show();
    ui->comboBoxSerial->setEnabled(false);
    QCoreApplication::processEvents();
}

void MainWindow::showIdentityPending()
{
    const QString reading = tr("正在读取…");
    ui->labelDevType->setText(tr("设备类型：") + reading);
    ui->labelID->setText(reading);
    ui->labelModbusId->setText(QStringLiteral("…"));
}

void MainWindow::readBackAndPoll(bool automatic)
{
    const FormHold hold = holdForm();
    if (!readBack(automatic, hold))
        return;
    startPolling();
    if (automatic)
        settleUnsentEdits(hold);
    refreshFingerprint();
}

bool MainWindow::readBack(bool automatic, const FormHold &hold)
{
    // The operator may press "断开" (and connect again) during any of the delays below; from
    // then on this sequence belongs to an ended connection and must leave the line alone.
    const quint64 connection = connectionId;
    foundRadar = RadarIdentity();
    // The scene reads write into the form. A reconnect that does not get through them all gives
    // the operator's form back as it was before it started.
    bool finished = false;
    const auto formBack = qScopeGuard([&] {
        if (automatic && !finished)
            restoreForm(hold);
    });
    delayWithEvents(SettleDelayMs);
    if (connection != connectionId)
        return false;

    const std::function<bool()> readBack[] = {
        [this] { return readIdentity(); },      [this] { return readDetectionArea(); },
        [this] { return readAlarmArea(); },     [this] { return readSuppressionArea(); },
        [this] { return readTargetFilter(); },  [this] { return readStartDistance(); },
    };
    for (const auto &step : readBack) {
        const bool identityStep = &step == &readBack[0];
        for (int attempt = 1;; ++attempt) {
            const bool done = step();
            if (connection != connectionId)
                return false;
            if (foundRadar.known) {
                refuseOtherRadar();
                return false;
            }
            if (done)
                break;
            delayWithEvents(RetryDelayMs);
            if (connection != connectionId)
                return false;
            if (attempt == AttemptsPerStep) {
                if (automatic) {
                    // A radar that is back on the line but not yet answering: keep waiting. What
                    // it did answer is no confirmed scene.
                    radarScene = hold.radar;
                    radarSceneKnown = hold.radarKnown;
                    const QString name = serialChannel.port.portName();
                    dropConnection();
                    startPortWatch(name);
                } else {
                    if (identityStep)
                        reportIdentityUnread();
                    else // a radar that told who it is but not its scene
                        recordHistory(HistoryAction::Readback, HistoryResult::Failed, QString(), QJsonObject(), false);
                    on_pushButtonDisconnect_clicked();
                }
                return false;
            }
        }
    }
    finished = true;
    radarSceneKnown = true;
    awaitedRadar = RadarIdentity();
    recordScene(QStringLiteral("readback"));
    emit printThread(tr("雷达场景指纹：%1").arg(radarFingerprint()));
    const bool knownBefore = automatic && hold.radarKnown;
    recordHistory(HistoryAction::Readback, HistoryResult::Ok,
                  knownBefore ? fingerprintText(sceneFingerprint(hold.radar)) : QString());
    lookUpAcceptance();
    if (acceptance.known)
        emit printThread(acceptanceText(acceptance.fingerprint == radarFingerprint()));
    return true;
}

void MainWindow::startPolling()
{
    pollingPaused = false;
    pollTimer.start();
    clockTimer.start();
    resumable = true;
}

MainWindow::RadarIdentity MainWindow::currentIdentity() const
{
    return RadarIdentity{true, deviceType, serialNumberText(), stationNumber};
}

QString MainWindow::identityText(const RadarIdentity &radar) const
{
    const QString type = deviceTypeNames.value(radar.deviceType, QString::number(radar.deviceType));
    return tr("%1（序列号 %2，站点号 %3）").arg(type, radar.serialNumber).arg(radar.station);
}

void MainWindow::refuseOtherRadar()
{
    // Nothing of the radar found is shown or recorded: the form, the radar information and the
    // recording stay the lost radar's, and the recording ends here.
    const QString text = tr("重连后应答的不是断线前的雷达：找到%1，断线前是%2。已断开连接，不再等待串口恢复。")
                             .arg(identityText(foundRadar), identityText(awaitedRadar));
    emit printThread(text);
    on_pushButtonDisconnect_clicked();
    showMessage(this, QMessageBox::Warning, tr("重连"), text);
}

bool MainWindow::formHasUnsentEdits() const
{
    if (!radarSceneKnown)
        return false;
    return !compareScenes(toolScene(), cellsAsMarked(radarScene), shownSceneItems()).isEmpty();
}

MainWindow::FormHold MainWindow::holdForm() const
{
    FormHold hold;
    hold.edits = formHasUnsentEdits();
    hold.radarKnown = radarSceneKnown;
    hold.radar = radarScene;
    hold.form = sceneFromForm();
    // As ground points: the plot's grid follows the radar's detection distance, which the
    // read-back may change.
    const RadarView *view = ui->graphicsView;
    for (const GridCell &cell : view->SuppressionGrid.setCells())
        hold.cells << view->cellToRadarPoint(cell.row, cell.column);
    return hold;
}

void MainWindow::restoreForm(const FormHold &hold)
{
    applySceneToForm(hold.form);
    // The values first: a change of the grid box empties the marked cells.
    RadarView *view = ui->graphicsView;
    view->SuppressionGrid.clearFlags();
    for (const QPoint &point : hold.cells) {
        const GridCell cell = view->radarPointToCell(point.x(), point.y());
        view->SuppressionGrid.setFlag(cell.row, cell.column, true);
    }
    view->nonAlarmCount = view->SuppressionGrid.setCount();
    view->redrawScene();
}

void MainWindow::settleUnsentEdits(const FormHold &hold)
{
    if (!hold.edits)
        return;
    bool keep = true;
    if (radarScene != hold.radar) {
        keep = askYesNo(this, tr("重连"),
                        tr("断线期间雷达中的场景参数被改变了，而界面上有未发送的修改。\n"
                           "保留未发送的修改吗？选“否”则采用雷达中的场景参数。"),
                        QMessageBox::Yes);
    }
    if (keep)
        restoreForm(hold);
    emit printThread(keep ? tr("重连后保留了未发送的修改") : tr("重连后采用了雷达中的场景参数"));
}

// The identity was never read: the operator learns which port and station were tried, and
// whether anything answered at all; the recording of a connection that never met a radar is
// not kept.
void MainWindow::reportIdentityUnread()
{
    const QString port = serialChannel.port.portName();
    const QString station = QStringLiteral("0x%1").arg(quint8(frameHeader.at(StationOffset)), 2, 16, QLatin1Char('0'));
    emit printThread(linkStats.bytesReceived() == 0 ? tr("连接失败：端口 %1 上没有雷达应答（站号 %2）").arg(port, station)
                                                    : tr("连接失败：端口 %1 上的设备没有给出可用的身份信息（站号 %2）").arg(port, station));
    recorder->discard();
}

void MainWindow::on_pushButtonDisconnect_clicked()
{
    if (isWaitingForPort())
        emit printThread(tr("已停止等待串口恢复：") + watchedPort);
    endPortWatch();
    awaitedRadar = RadarIdentity();
    radarSceneKnown = false;
    dropConnection();
}

void MainWindow::dropConnection(bool keepPlot)
{
    if (disconnecting)
        return;
    disconnecting = true;
    ++connectionId;
    ui->pushButtonDisconnect->hide();
    pollingPaused = true;
    pollTimer.stop();
    resetIndicators();
    QSerialPort &port = serialChannel.port;
    if (port.isOpen()) {
        port.clear(QSerialPort::AllDirections);
        port.close();
    }
    serialChannel.release();
    ui->pushButtonConnect->show();
    ui->comboBoxSerial->setEnabled(true);
    if (identityPending) {
        // No identity came: the radar information goes back to what it showed before.
        identityPending = false;
        ui->labelDevType->setText(identityTextsBeforeConnect.value(0));
        ui->labelID->setText(identityTextsBeforeConnect.value(1));
        ui->labelModbusId->setText(identityTextsBeforeConnect.value(2));
    }
    // A line lost to be waited for keeps its last frame in sight, greyed by the watch.
    if (!keepPlot)
        ui->graphicsView->clearHistory();
    ui->graphicsView->redrawScene();
    linkLostPending = false;
    disconnecting = false;
    stopRecordingUnlessResuming();
    statusTimer.stop();
    refreshLinkStatus();
    refreshFingerprint();
}

void MainWindow::handlePortError(QSerialPort::SerialPortError error)
{
    // A hung-up line makes every wait return at once with a read error while the port still
    // reports itself open; left alone the poll would spin at full speed. Drop the connection
    // once, from the event loop, outside whatever exchange noticed it.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || error == QSerialPort::NotOpenError)
        return;
    QSerialPort &port = serialChannel.port;
    if (!port.isOpen() || linkLostPending)
        return;
    linkLostPending = true;
    emit printThread(tr("与雷达的连接已中断：") + port.portName());
    const quint64 connection = connectionId;
    QTimer::singleShot(0, this, [this, connection] {
        if (linkLostPending && connection == connectionId)
            loseLine();
    });
}

void MainWindow::loseLine()
{
    const QString name = serialChannel.port.portName();
    // A batch goes on with its next radar instead of waiting.
    const bool resume = resumable && autoReconnect && !unattended;
    // The watch runs in place of the connection: whatever else ends the connection ends it.
    endPortWatch();
    if (recorder)
        recorder->recordEvent(QStringLiteral("line_lost"));
    recordingThroughDrop = resume;
    if (!resume) {
        awaitedRadar = RadarIdentity();
        radarSceneKnown = false;
    }
    dropConnection(resume);
    if (resume)
        startPortWatch(name);
}

bool MainWindow::readIdentity()
{
    return runExchange(C::ReadIdentity, QByteArray(), [this](const QByteArray &reply) {
        const IdentityReply id = decodeIdentity(reply);
        const RadarIdentity answered{true, id.deviceType(), serialNumberOf(id.serialWord1, id.serialWord2, id.serialByte3),
                                     id.station};
        // After a reconnect only the lost radar may take its place, and none of another is applied.
        if (awaitedRadar.known
            && (answered.deviceType != awaitedRadar.deviceType || answered.serialNumber != awaitedRadar.serialNumber)) {
            foundRadar = answered;
            return false;
        }
        frameHeader[StationOffset] = char(id.station);
        frameHeader[StationCopyOffset] = char(id.station);
        frameHeader[ReportedStationOffset] = char(id.station);
        stationNumber = id.station;
        pendingStationNumber = id.station;
        ui->labelModbusId->setText(QStringLiteral("%1").arg(id.station));
        serialWord1 = id.serialWord1;
        serialWord2 = id.serialWord2;
        serialByte3 = id.serialByte3;
        earlyWarningRelay = id.earlyWarningRelay;
        alarmRelay = id.alarmRelay;
        deviceType = id.deviceType();
        ui->labelDevType->setText(tr("设备类型：") + deviceTypeNames.value(deviceType));
        ui->labelID->setText(serialNumberText());
        identityPending = false;
        recorder->recordIdentity(deviceType, serialNumberText(), id.station);
        if (deviceType >= 1 && deviceType <= 3) {
            radarIdentityRead = true;
            applyDevicePresentation();
            return true;
        }
        showMessage(this, QMessageBox::Warning, tr("错误"), tr("未知设备ID"));
        return false;
    });
}

void MainWindow::applyDevicePresentation()
{
    const int type = deviceType;
    ui->labelPic->setPixmap(QPixmap(type == 2 ? QStringLiteral(":/res/qyjc2.png") : QStringLiteral(":/res/qyjc1.png")));
    ui->labelPic->show();
    ui->frameLegend->setVisible(type != 3);
    if (type != 3) {
        ui->label_legend1->setVisible(type == 1);
        ui->label_legend2->setVisible(type == 1);
        ui->label_legend3->setVisible(type == 2);
        ui->label_legend4->setVisible(type == 2);
    }
    for (QWidget *w : {static_cast<QWidget *>(ui->labelWarn), static_cast<QWidget *>(ui->spinBoxWarnNear),
                       static_cast<QWidget *>(ui->labelWarn_2), static_cast<QWidget *>(ui->spinBoxWarnFar)})
        w->setVisible(type != 1);
    for (QWidget *w : {static_cast<QWidget *>(ui->labelLeftRight), static_cast<QWidget *>(ui->spinBoxLeft),
                       static_cast<QWidget *>(ui->label_6), static_cast<QWidget *>(ui->spinBoxRight)})
        w->setVisible(type != 2);
    ui->labelTargetDir->setVisible(type == 1);
    ui->comboBoxTargetDir->setVisible(type == 1);
    ui->labelTargetType->show();
    ui->comboBoxTargetType->show();

    QComboBox *types = ui->comboBoxTargetType;
    types->clear();
    types->addItem(tr("不筛选目标"), 0);
    if (type == 1) {
        types->addItem(tr("行人"), 1);
        types->addItem(tr("车辆"), 2);
    } else {
        types->addItem(tr("静目标"), 3);
        types->addItem(tr("动目标"), 4);
    }
    ui->graphicsView->shapeByType = type != 3;
    keepWithinScreen();
}

bool MainWindow::setStationNumber()
{
    QByteArray data;
    data.append(char(pendingStationNumber & 0xff));
    data.append(frameHeader.at(ReportedStationOffset));
    appendU16(data, serialWord1);
    appendU16(data, serialWord2);
    data.append(char(earlyWarningRelay));
    data.append(char(alarmRelay));
    return runExchange(C::SetStationNumber, data);
}

bool MainWindow::saveToFlash()
{
    return runExchange(C::SaveToFlash, QByteArray(), [this](const QByteArray &) {
        recordHistory(HistoryAction::FlashSaved, HistoryResult::Ok, radarFingerprint());
        delayWithEvents(1000);
        showMessage(nullptr, QMessageBox::Information, tr("保存设置"), tr("保存设置成功，请重启设备！"));
        on_pushButtonDisconnect_clicked();
        return true;
    });
}

void MainWindow::on_pushButtonSaveConfig_clicked()
{
    saveSceneToFlash();
}

bool MainWindow::saveSceneToFlash()
{
    emit printThread(tr("断开"));
    ui->pushButtonDisconnect->hide();
    ui->pushButtonConnect->show();
    QSerialPort &port = serialChannel.port;
    if (port.isOpen()) {
        port.clear(QSerialPort::AllDirections);
        port.close();
    }
    delayWithEvents(500);
    serialChannel.release();
    port.clearError();
    if (!port.open(QIODevice::ReadWrite)) {
        // Showing the connected state over a closed port would tell the operator a lie.
        emit printThread(tr("无法打开串口：") + port.portName() + QLatin1Char('\n'));
        emit printThread(portOpenFailureText(port.error(), port.portName()));
        on_pushButtonDisconnect_clicked();
        return false;
    }
    ui->pushButtonConnect->hide();
    ui->pushButtonDisconnect->show();
    emit printThread(tr("重连"));
    ui->pushButtonSaveConfig->setEnabled(false);
    const bool saved = saveToFlash();
    if (!saved) {
        recordHistory(HistoryAction::FlashSaved, HistoryResult::Failed, radarFingerprint());
        pollTimer.start();
    }
    ui->pushButtonSaveConfig->setEnabled(true);
    return saved;
}

bool MainWindow::readDetectionArea()
{
    return runExchange(C::ReadDetectionArea, QByteArray(), [this](const QByteArray &reply) {
        const DetectionAreaReply area = decodeDetectionArea(reply);
        radarScene.detectionFarCm = area.farCm;
        radarScene.angle = area.angle;
        showDetectionArea(area);
        return true;
    });
}

bool MainWindow::readAlarmArea()
{
    return runExchange(C::ReadAlarmArea, QByteArray(), [this](const QByteArray &reply) {
        const AlarmAreaReply area = decodeAlarmArea(reply);
        radarScene.warningFarCm = area.warningFarCm;
        radarScene.alarmFarCm = area.alarmFarCm;
        radarScene.leftHalfMetres = area.leftHalfMetres;
        radarScene.rightHalfMetres = area.rightHalfMetres;
        showAlarmArea(area);
        return true;
    });
}

bool MainWindow::readSuppressionArea()
{
    return runExchange(C::ReadSuppressionArea, QByteArray(), [this](const QByteArray &reply) {
        const SuppressionReply cells = decodeSuppression(reply);
        radarScene.gridEdgeCm = cells.gridEdgeCm;
        radarScene.cells = cells.cells;
        showSuppression(cells);
        return true;
    });
}

bool MainWindow::readTargetFilter()
{
    return runExchange(C::ReadTargetFilter, QByteArray(), [this](const QByteArray &reply) {
        const TargetFilterReply filter = decodeTargetFilter(reply);
        radarScene.direction = filter.direction;
        radarScene.type = filter.type;
        showTargetFilter(filter);
        return true;
    });
}

bool MainWindow::readStartDistance()
{
    return runExchange(C::ReadStartDistance, QByteArray(), [this](const QByteArray &reply) {
        radarScene.startCm = decodeStartDistance(reply);
        showStartDistance(radarScene.startCm);
        return true;
    });
}

void MainWindow::showDetectionArea(const DetectionAreaReply &area)
{
    ui->spinBoxSurveyFar->setValue(area.farCm / 100.0);
    ui->spinBoxSurveyAngle->setValue(area.angle);
    RadarView *view = ui->graphicsView;
    view->detectionFar = ui->spinBoxSurveyFar->value();
    view->lateralExtent = view->detectionFar;
    view->depthExtent = view->detectionFar;
    view->detectionAngle = area.angle;
    view->redrawScene();
}

void MainWindow::showAlarmArea(const AlarmAreaReply &area)
{
    ui->spinBoxWarnFar->setValue(area.warningFarCm / 100.0);
    ui->spinBoxAlarmFar->setValue(area.alarmFarCm / 100.0);
    RadarView *view = ui->graphicsView;
    if (deviceType == 1 || deviceType == 3) {
        const double left = area.leftHalfMetres * 0.5;
        const double right = area.rightHalfMetres * 0.5;
        ui->spinBoxLeft->setValue(left);
        ui->spinBoxRight->setValue(right);
        view->leftBoundary = left;
        view->rightBoundary = right;
    }
    view->warningFar = ui->spinBoxWarnFar->value();
    view->alarmFar = ui->spinBoxAlarmFar->value();
    view->redrawScene();
}

void MainWindow::showSuppression(const SuppressionReply &cells)
{
    RadarView *view = ui->graphicsView;
    // Selecting another edge runs the grid handler: new edge, empty maps, rebuilt view.
    const int edgeItem = ui->comboBoxGrid->findText(gridEdgeText(cells.gridEdgeCm));
    if (edgeItem >= 0)
        ui->comboBoxGrid->setCurrentIndex(edgeItem);
    view->SuppressionGrid.clearFlags();
    for (const QPoint &point : cells.cells) {
        const GridCell cell = view->radarPointToCell(point.x(), point.y());
        view->SuppressionGrid.setFlag(cell.row, cell.column, true);
    }
    // The count is what is marked: a point outside the grid, or one listed twice, does
    // not count, so the next write lists every cell it announces.
    view->nonAlarmCount = view->SuppressionGrid.setCount();
    view->redrawScene();
}

void MainWindow::showTargetFilter(const TargetFilterReply &filter)
{
    ui->comboBoxTargetDir->setCurrentIndex(filter.direction);
    ui->comboBoxTargetType->setCurrentIndex(filter.typeIndex());
}

void MainWindow::showStartDistance(quint16 startCm)
{
    ui->spinBoxSurveyNear->setValue(startCm / 100.0);
    RadarView *view = ui->graphicsView;
    view->detectionNear = ui->spinBoxSurveyNear->value();
    view->redrawScene();
}

bool MainWindow::queryResults()
{
    return runExchange(C::ResultQuery, subCommand(C::ResultQuery), [this](const QByteArray &reply) {
        RadarView *view = ui->graphicsView;
        const int slot = view->frameIndex;
        view->frameHistory[slot] = decodeTargetFrame(reply);
        const TargetFrame &frame = view->frameHistory[slot];
        const ZoneMembers members = zoneMembers(frame, view->alarmFar, view->warningFar, view->detectionFar);
        const ZoneFlags zones = zoneFlags(members);
        recorder->recordFrame(frame, zones, members);
        countLiveFrame(frame, members);
        inAlarm = zones.alarm;
        inWarn = zones.warning;
        inSurvey = zones.detection;
        view->frameIndex = (slot + 1) % RadarView::HistorySize;
        view->redrawScene();
        return true;
    });
}

// One poll step: one result query, then the next one 50 ms after it has finished.
void MainWindow::on_pushButton_clicked()
{
    pollTimer.stop();
    // A batch reads and writes only what it asks for.
    if (unattended)
        return;
    if (!serialChannel.tryAcquireOnce())
        return;
    serialChannel.release();
    queryResults();
    if (!pollingPaused && serialChannel.port.isOpen())
        pollTimer.start();
}
