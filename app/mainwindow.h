// The tool's one window: the form, the link to the radar, the two timers and the log.
#pragma once

#include "linkstatistics.h"
#include "portlist.h"
#include "sceneconfig.h"
#include "scenecompare.h"
#include "scenegrid.h"
#include "serialchannel.h"
#include "targetframe.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonObject>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <memory>

namespace Ui {
class MainWindow;
}
class QLabel;
class QAction;
class QDialog;
struct RadarCommand;
class DialogUpdate;
class DialogCeLiang;
class Recorder;
class ReplayData;
class ReplayPanel;
class QDockWidget;
class LogFilterBar;
class QTextDocument;
class FixedObjectsWindow;
class WhatIfWindow;
namespace trip {
struct RecordingRows;
}
namespace radarlink {
struct ZoneMembers;
}
class RadarHistory;
class HistoryWindow;
struct HistoryEntry;
namespace radarlink {
struct SceneFile;
struct DetectionAreaReply;
struct AlarmAreaReply;
struct SuppressionReply;
struct TargetFilterReply;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Device-type code to display name; 1, 2 and 3 are the radars of the family.
    static QMap<int, QString> deviceTypeNames;
    static const QString indicatorStyleTemplate;
    static const QColor indicatorOffColour;

    // Where the window goes on a screen of the given size: x, y at 10 % and 15 %, 80 % wide and
    // 70 % high, each product truncated.
    static QRect placementFor(const QSize &screen);
    // Where the window opens: the rectangle above, grown to the given minimum where it is
    // smaller, then moved and cut down so that it lies within the screen's free area.
    static QRect placementWithin(const QRect &wanted, const QRect &available, const QSize &minimum);
    // The least size at which the window opens where the screen allows it: every control and
    // the whole radar information in sight, the plot still large enough to read. What a
    // 1366 x 768 panel, or a 1920 x 1080 one at 150 %, leaves for a window.
    static constexpr QSize comfortableSize{1280, 680};

    // To be run before the application object is made: the window follows the screen's scale
    // factor and takes the sharper pictures on scaled screens.
    static void prepareHighDpi();
    // The program's font: the platform's own at 15 points, for every window.
    static void applyProgramFont();

    // Waits ms milliseconds while the interface stays alive.
    static void delayWithEvents(int ms);

    // Called with the reply while the link is still held; for a sized read its answer is the
    // command's result.
    using ReplyHandler = std::function<bool(const QByteArray &reply)>;

    // One request/reply exchange of the given command with the given payload, logged both ways.
    bool runExchange(const RadarCommand &command, const QByteArray &payload,
                     const ReplyHandler &applyReply = ReplyHandler());

    // Opens the port named in the port list at 115200 8N1 and writes the connection header.
    bool openRadarPort();

    SerialChannel &channel() { return serialChannel; }
    // Open, and not found dead: the disconnect of a lost line may still be on its way.
    bool linkUsable() const { return serialChannel.port.isOpen() && !linkLostPending; }

    // Radar commands; each returns whether the radar answered as it should.
    bool readIdentity();
    bool setStationNumber();
    bool saveToFlash();
    bool readDetectionArea();
    bool readAlarmArea();
    bool readSuppressionArea();
    bool readTargetFilter();
    bool readStartDistance();
    bool queryResults();
    bool writeDetectionArea();
    bool writeAlarmArea();
    bool writeSuppressionArea();
    bool writeTargetFilter();
    bool writeStartDistance();
    // The centre points (cm) of the marked cells as the radar gets them: at most its ten slots.
    QVector<QPoint> markedCellPoints() const;

    // The ten scene-group values a scene file carries.
    SceneConfig sceneFromForm() const;
    void applySceneToForm(const SceneConfig &config);
    // The distance-measurement tool's test command; shows the distance in its dialog.
    bool testCommand();

    // The firmware-upgrade window, made once and kept (no parent; closed and destroyed with
    // this window); does nothing when it exists already.
    void createUpdateDialog();
    // The radar took the upgrade command on this connection: its loader holds the line.
    bool loaderHasLine() const;
    // ... and no run is sending it a set: it waits for one.
    bool loaderWaiting() const;

    // Scene verification: the five scene reads decoded into scene values only (no widget, no
    // plot changes); false as soon as one read gets no valid answer.
    bool readRadarScene(radarlink::WireScene *scene);
    // The scene the tool would send, in the same units: the form's values and its marked cells,
    // without those a change of the detection distance would push off the grid.
    radarlink::WireScene toolScene() const;
    // The same read without touching the form: the scene as the radar holds it, its cells as
    // read; false as soon as one read gets no valid answer.
    bool readHeldScene(radarlink::WireScene *scene);
    // A scene read from the radar with its cells as the form would mark them: each point taken
    // to its cell of the form's grid and back to that cell's centre (only under the same edge).
    radarlink::WireScene cellsAsMarked(radarlink::WireScene scene) const;
    // The outcome of the last verification as the log gave it, and when; empty before the first.
    QString lastVerification;
    QDateTime lastVerificationTime;
    // When the tool last wrote a scene to a radar: a verification older than that no longer
    // speaks for the radar's scene.
    QDateTime lastSceneWriteTime;

    // ---- Commissioning ----------------------------------------------------------------------
    // The fingerprint of the radar's scene (empty while it is not known) and of the form's.
    QString radarFingerprint() const;
    QString formFingerprint() const;
    // Puts a scene into the form exactly, values and marked cells, so that the form would send
    // it as it is. False, with the form as it was and the reason in *error, when the form cannot
    // hold it (a value between the form's steps, a filter this radar type does not have, a
    // cell off the grid).
    bool applyWireSceneToForm(const radarlink::WireScene &scene, QString *error);
    // A scene of the history or of a scene file put into the form: one made for another device
    // type than the connected radar's is asked about first. The form is left as it was when the
    // operator says no or it cannot hold the scene.
    bool loadSceneIntoForm(const radarlink::SceneFile &file, const QString &origin);
    // The radar history of the working folder, opened when first needed; null while it cannot
    // be (the reason is logged once). An empty path keeps the window from using one.
    RadarHistory *radarHistory();
    void setHistoryPath(const QString &path);
    // The "雷达历史" window, made when first shown.
    HistoryWindow *historyWindow() const { return historyView; }

    // The configuration report as printed: identity, scene, cells, relays, last verification,
    // the plan view (as the document's image resource) and the acceptance lines.
    void fillConfigurationReport(QTextDocument *document);
    // The plan view as drawn now, at the view's size.
    QImage plotImage() const;
    // The held log lines, time stamps included, one a line in UTF-8; false when not written.
    bool writeLogFile(const QString &path) const;

    // The link's figures since the operator connected; an automatic reconnect carries them on.
    const radarlink::LinkStatistics &linkStatistics() const { return linkStats; }
    // What the status bar shows, and the full list of the figures (its tooltip and the
    // "链路统计" window).
    QString linkStatusText() const;
    QString linkStatisticsText() const;
    QLabel *linkStatusLabel() const { return statusLabel; }

    // Reconnecting by itself after a lost line; remembered in radar-config.ini.
    bool autoReconnectEnabled() const { return autoReconnect; }
    void setAutoReconnect(bool on);
    QAction *autoReconnectAction() const { return actionAutoReconnect; }
    QAction *linkStatisticsAction() const { return actionLinkStatistics; }
    // Recording the detection frames and events of every connection; remembered in
    // radar-config.ini, on unless switched off.
    bool recordingEnabled() const { return recordingOn; }
    void setRecordingEnabled(bool on);
    QAction *recordingAction() const { return actionRecording; }
    // The recording being written, empty when none is.
    QString recordingPath() const;
    // Replay of a recording: only while no radar is connected or awaited. False, with the
    // reason logged and shown, when the file cannot be replayed.
    bool openRecording(const QString &path);
    // Back to the form as it was before the replay.
    void leaveReplay();
    bool inReplay() const { return bool(replayData); }
    ReplayPanel *replayPanel() const { return replay; }
    QAction *openRecordingAction() const { return actionOpenRecording; }
    // The controls that would talk to a radar, disabled during a replay.
    QList<QObject *> radarControls() const;

    // Why did it trip (app/analysis/tripwindow.cpp): the heat map, the cells where something
    // stood ("查找静止目标": in replay, and live after a minute of connection) and the what-if
    // of a replay ("试算场景"), in which the scene group can be edited but nothing is sent.
    QAction *fixedObjectsAction() const { return actionFixedObjects; }
    FixedObjectsWindow *fixedObjectsWindow() const;
    WhatIfWindow *whatIfWindow() const;
    bool whatIfActive() const;

    // radar-config.ini in the working folder: every setting but the language.
    static QString settingsFilePath();

    // A lost line is being watched for the port to come back.
    bool isWaitingForPort() const { return watchTimer.isActive(); }
    // Where the window gets the serial ports from (the port box, the watch for a lost adapter);
    // the system's list unless replaced.
    void setPortLister(radarlink::PortLister lister) { portLister = std::move(lister); }

    // Selects the port and connects as the operator would (used by the command line).
    void connectAtStart(const QString &portName);

    // ---- Batch commands (app/batch/batchrunner.*) -----------------------------------------
    // The window's own sequences, driven by the batch without showing the window: one path to
    // the wire for the window and the command line.
    enum class ReadBack { Done, PortNotOpened, NoIdentity, NoScene };
    // The connection sequence of "连接" up to the poll, which does not start: the port opened,
    // the settle, the identity and the five scene reads with their attempts, the read-back in
    // the history. A port that does not open gives its reason in *portProblem; a radar that
    // does not answer is disconnected.
    ReadBack connectAndReadBack(const QString &portName, QString *portProblem);
    // The send-scene sequence of "发送雷达场景参数" for the form's scene: true when every write
    // was answered. Otherwise *unansweredStep names the write that was not (detection_area,
    // alarm_area, target_filter, start_distance, cells), or is empty when nothing was sent.
    bool sendScene(QString *unansweredStep);
    // "保存参数设置": true when the radar took the save; the window then disconnects, as always.
    bool saveSceneToFlash();
    // The verification's reads, compared by fingerprint with the scene expected (a scene file's),
    // recorded in the history as a verification with the expected fingerprint in its details.
    enum class SceneCheck { Equal, Different, Unanswered };
    SceneCheck verifyHeldScene(const radarlink::WireScene &expected);
    // "断开".
    void disconnectRadar();
    // The identity was read on this connection.
    bool identityRead() const { return radarIdentityRead; }

    // Unattended (a batch): the boxes and questions of those sequences are not shown. Each text
    // goes out through unattendedText instead, with a failed history write's, and every question
    // is answered Yes: the batch decided before it asked the window to act. The poll never
    // runs, a lost line is not waited for and no recording is made.
    void setUnattended(bool on);
    enum class UnattendedText { Message, Question, HistoryFailure };
    // The window's boxes and questions on the batch's paths; in the window exactly as a
    // QMessageBox with that parent shows them.
    void showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text);
    bool askYesNo(QWidget *parent, const QString &title, const QString &text, QMessageBox::StandardButton defaultButton);

    // Rises with every connection and every disconnect: a sequence that started under another
    // value belongs to a connection that has ended.
    quint64 connectionId = 0;

signals:
    void printThread(QString info);
    // An unattended run's box, question or history failure, in place of showing it.
    void unattendedText(MainWindow::UnattendedText kind, const QString &text);

public slots:
    bool eventFilter(QObject *obj, QEvent *event) override;

private slots:
    void on_pushButtonConnect_clicked();
    void on_pushButtonDisconnect_clicked();
    void on_toolButtonModbusId_clicked();
    void on_pushButtonSendPar_clicked();
    void on_pushButton_clicked();
    void on_spinBoxAlarmFar_valueChanged(double arg1);
    void on_checkBoxSelect_toggled(bool checked);
    void on_comboBoxGrid_currentTextChanged(const QString &arg1);
    void on_checkBoxTrack_toggled(bool checked);
    void on_pushButtonSaveConfig_clicked();
    void on_actionUpdate_triggered();
    void on_pushButtonWatch_toggled(bool checked);
    void on_spinBoxLeft_valueChanged(double arg1);
    void on_spinBoxRight_valueChanged(double arg1);
    void on_actionGetData_triggered();
    void on_actionCeliangJuli_triggered();
    void on_actionFrameLimt_triggered();
    void on_action_Chinese_triggered();
    void on_action_English_triggered();
    void on_actionCan_triggered();
    void on_spinBoxSurveyNear_valueChanged(double arg1);
    void on_actionExportCfg_triggered();
    void on_actionImportCfg_triggered();
    void on_actionVerifyScene_triggered();
    void on_actionExportReport_triggered();
    void on_actionExportLog_triggered();
    void on_actionSavePlotImage_triggered();
    void on_actionExportScene_triggered();
    void on_actionImportScene_triggered();
    void on_actionAcceptScene_triggered();
    void on_actionHistory_triggered();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

public:
    // Radar state read and written by the commands.
    Ui::MainWindow *ui;
    quint16 stationNumber = 2;
    quint16 pendingStationNumber = 2;

private:
    SerialChannel serialChannel;

public:
    QTimer pollTimer;
    QTimer clockTimer;
    bool inAlarm = false;
    bool inWarn = false;
    bool inSurvey = false;
    int deviceType = 1;
    QByteArray frameHeader = QByteArray(12, '\0');
    // Set by a scene send that failed (and by the sampling tool): the poll chain ends, and a
    // poll already waiting stops waiting.
    bool pollingPaused = false;
    // A scene send is between its first and its last write: no other exchange waits for a reply.
    bool sceneSendRunning = false;
    // The scene the radar holds as last read back or confirmed by a successful send on this
    // connection, in the values the radar returned or the tool sent. The form's unsent edits are
    // where toolScene() differs from it.
    radarlink::WireScene radarScene;
    bool radarSceneKnown = false;
    // The form differs from the radar's scene in an item the radar type has.
    bool formHasUnsentEdits() const;
    // The scene items the form shows for the connected radar's type.
    radarlink::SceneItems shownSceneItems() const;
    quint16 serialWord1 = 0;
    quint16 serialWord2 = 0;
    quint8 serialByte3 = 0;
    quint8 earlyWarningRelay = 0;
    quint8 alarmRelay = 0;
    QTranslator translator;
    // Qt's own texts (standard buttons, file dialogs) in the chosen language; empty in English.
    QTranslator qtTranslator;
    DialogUpdate *dialogUpdate = nullptr;
    DialogCeLiang *dialogCeLiang = nullptr;

    // Zone lamps: lit for the occupied zones 800 ms of every second.
    void blinkIndicators();
    void resetIndicators();
    void setLamp(QLabel *lamp, const QColor &colour);

    // The device-dependent part of the form: device-type text, serial number, target types.
    void refreshDeviceTexts();
    QString serialNumberText() const;
    static QString serialNumberOf(quint16 serialWord1, quint16 serialWord2, quint8 serialByte3);

    // What an identity read of a known device type shows: picture, widgets, target types.
    void applyDevicePresentation();

private:
    // The size the window opens at on a screen with the given free area: the comfortable size,
    // or taller when the scene group needs it and the screen has the room.
    QSize openingSize(const QSize &available);

public:
    // The window's height, laid out at the given size first, at which the scene group shows every
    // value without scrolling.
    int heightShowingWholeScene(const QSize &from);

private:
    // Moves a shown window that has grown past the screen's edge back onto the screen.
    void keepWithinScreen();
    // However short the window, the log dock keeps three lines in sight.
    void keepThreeLogLinesInSight();
    // A hung-up or unplugged line: logged once, then the connection is dropped.
    void handlePortError(QSerialPort::SerialPortError error);
    void loseLine();
    // The disconnect routine itself; the "断开" button also ends a watch for a lost port.
    void dropConnection(bool keepPlot = false);

    // The connection sequence after a successful opening: settle, read back, then poll.
    // automatic: started by the watch, which resumes when the read-back fails.
    void readBackAndPoll(bool automatic);
    void startPolling();
    // What "连接" does before the read-back: false, disconnected, when the port did not open.
    bool openPortForOperator();
    bool unattended = false;
    void reportIdentityUnread();
    void showConnecting();
    void showIdentityPending();
    // From the opening of a port until its radar's identity is read: the radar information says
    // so, and what it showed before comes back if no identity arrives.
    bool identityPending = false;
    QStringList identityTextsBeforeConnect;
    bool openPortNamed(const QString &name, bool automatic);
    void startPortWatch(const QString &name);
    void endPortWatch();
    void showPlotLive();
    void checkWatchedPort();
    QString returnedPortName() const;

    void setUpLinkHealth();
    void retranslateLinkHealth();
    void refreshLinkStatus();
    void showLinkStatistics();

    void setUpRecording();
    void retranslateRecording();
    void startRecording(bool automatic);
    void stopRecordingUnlessResuming();
    void recordScene(const QString &origin);
    Recorder *recorder = nullptr;
    QAction *actionRecording = nullptr;
    bool recordingOn = true;
    // Set while a lost line is dropped to be watched for: the recording goes on.
    bool recordingThroughDrop = false;

    void setUpReplay();
    void retranslateReplay();
    void chooseRecording();
    bool replayAllowed();
    void keepFormForReplay();
    void restoreFormAfterReplay();
    void setRadarControlsEnabled(bool on);
    // The identity of that index in the recording, when it is not the one shown already.
    void showRecordedIdentity(int index);
    void applyRecordedScene(const radarlink::WireScene &scene);
    void showReplayFrame(int index, bool continuous);
    struct FormBeforeReplay;
    std::unique_ptr<ReplayData> replayData;
    std::shared_ptr<FormBeforeReplay> beforeReplay;
    QVector<bool> controlsEnabledBeforeReplay;
    ReplayPanel *replay = nullptr;
    QDockWidget *replayDock = nullptr;
    QAction *actionOpenRecording = nullptr;
    int replayFrameShown = -1;
    int replaySceneShown = -1;
    int replayIdentityShown = -1;

    void setUpTripWindow();
    void retranslateTripWindow();
    // Live counts start with a connection the operator makes; a reconnect carries them on.
    void startLiveCounts(bool automatic);
    void countLiveFrame(const TargetFrame &frame, const radarlink::ZoneMembers &members);
    // Around a replay: the what-if and the lists end before a recording is replaced or left,
    // the heat map's setting is the replay's while it lasts and the live one's again after it.
    void endTripReplay();
    void startTripReplay();
    void restoreLiveTripView();
    void showReplayHeatMap(int index);
    void countReplayHeatUpTo(int lastFrame);
    void refreshHeatMap();
    void pushLiveHeatMap();
    void heatMapSettingChanged();
    void fillHeatSpans();
    void sceneGridChanged();
    void refreshFixedObjectsAction();
    void showFixedObjects();
    void closeFixedObjects();
    void findFixedObjects();
    void markFixedCell(const QPoint &wirePoint);
    void refreshMarkingNote();
    QVector<QPoint> markedWirePoints() const;
    void setWhatIf(bool on);
    void setSceneEditorsEnabled(bool on);
    void whatIfFormEdited();
    void recalculateWhatIf();
    void restoreRecordedScene();
    // The replayed recording's frames with their targets, read once in a thread of its own
    // while the window stays responsive; null, with the reason, when they cannot be read.
    std::shared_ptr<const trip::RecordingRows> replayRows(QString *error);
    struct TripState;
    std::shared_ptr<TripState> tripState;
    QAction *actionFixedObjects = nullptr;

    // The scene group's values drawn on the plot, marked cells kept on their ground.
    void copyFormToPlot(bool logCellMoves = false);

    // What a scene read shows: the form's values and the plot.
    void showDetectionArea(const radarlink::DetectionAreaReply &area);
    void showAlarmArea(const radarlink::AlarmAreaReply &area);
    void showSuppression(const radarlink::SuppressionReply &cells);
    void showTargetFilter(const radarlink::TargetFilterReply &filter);
    void showStartDistance(quint16 startCm);

    radarlink::LinkStatistics linkStats;
    QElapsedTimer connectionClock;
    QTimer statusTimer;
    QLabel *statusLabel = nullptr;
    QDialog *statisticsWindow = nullptr;
    QLabel *statisticsText = nullptr;
    QAction *actionAutoReconnect = nullptr;
    QAction *actionLinkStatistics = nullptr;
    bool autoReconnect = true;
    // The current connection is one to resume when its line is lost: it reached polling, or
    // the watch started it.
    bool resumable = false;
    QTimer watchTimer;
    QString watchedPort;
    radarlink::PortLister portLister = radarlink::systemPorts;
    // What a USB adapter tells about itself: it may come back under another name.
    radarlink::PortEntry watchedAdapter, connectedAdapter;
    // The radar a reconnect must find again: what its identity read gave.
    struct RadarIdentity
    {
        bool known = false;
        int deviceType = 0;
        QString serialNumber;
        int station = 0;
    };
    RadarIdentity awaitedRadar, foundRadar;
    RadarIdentity currentIdentity() const;
    QString identityText(const RadarIdentity &radar) const;
    // Another radar answered a reconnect: the session ends, said in the log and in a box.
    void refuseOtherRadar();
    // The form as the operator left it: the scene group and the marked cells as ground points.
    struct FormHold
    {
        bool edits = false;
        bool radarKnown = false;
        radarlink::WireScene radar;
        SceneConfig form;
        QVector<QPoint> cells;
    };
    FormHold holdForm() const;
    void restoreForm(const FormHold &hold);
    // The settle and the read-back; false when it did not finish (the connection has then
    // ended or, automatic, gone back to waiting for the port). hold: the form before it.
    bool readBack(bool automatic, const FormHold &hold);
    // After a reconnect's read-back: the operator's unsent edits stay, or, when the radar's scene
    // changed during the drop, the operator chooses.
    void settleUnsentEdits(const FormHold &hold);
    bool linkLostPending = false;
    bool disconnecting = false;

    // The log: its list, its filter bar in the dock (the poll's traces hidden when the operator
    // chose so, remembered in radar-config.ini), and the lines for the operator in the status bar.
    void setUpLog();
    LogFilterBar *logFilterBar = nullptr;

    void switchLanguage(const QString &catalogue, const QByteArray &tag);
    // Installs Qt's Chinese catalogue, or removes it for English.
    void applyQtTexts(bool chinese);
    void applyRememberedLanguage();
    void refreshPortList();

    // The fingerprint labels, the acceptance label, the unsent outlines on the plot and the
    // acceptance action, after any change of the form or of the radar's scene.
    void refreshFingerprint();
    void setUpCommissioning();
    void showUnsentOutlines(const radarlink::WireScene &form);
    // Asks before a send, listing what it changes; true to send.
    bool confirmSceneChanges();
    // Where the marked cells went when a send changed the grid, one log line each.
    void logCellShift(const QVector<radarlink::GridCell> &before, int rowShift, int columnShift, int oldRows, int oldColumns);
    // The last acceptance of the connected radar, looked up at connect and after an acceptance.
    void lookUpAcceptance();
    QString acceptanceText(bool equal) const;
    // The report's lines on the last acceptance: who, when, the fingerprint, whether the radar
    // still holds it and whether the history's chain is whole.
    QStringList acceptanceReportLines(bool connected);
    struct Acceptance {
        bool known = false;
        QString fingerprint;
        QString date;
        QString name;
        QString note;
        qint64 entryId = 0;
    };
    Acceptance acceptance;
    // A successful identity read on this connection: history entries can name the radar.
    bool radarIdentityRead = false;

    // History entries of the connected radar: its serial, type and station, the radar's scene
    // fingerprint before, and the scene after (the radar's, when known). Never written in the
    // poll; a history that cannot be written is logged once and the action goes on.
    HistoryEntry historyEntry(const char *action, const char *result, const QString &fingerprintBefore) const;
    bool storeHistory(HistoryEntry &entry);
    void recordHistory(const char *action, const char *result, const QString &fingerprintBefore,
                       const QJsonObject &details = QJsonObject(), bool sceneKnownAfter = true);
    void reportHistoryFailure(const QString &reason);
    // The store in use and the entries waiting for the server, in the status bar; the waiting
    // entries sent every half minute, never while a command holds the line.
    void setUpHistoryStatus();
    void refreshHistoryStatus();
    void flushWaitingHistory();
    QLabel *historyStatusLabel = nullptr;
    QTimer historyFlushTimer;
    std::unique_ptr<RadarHistory> history;
    QString historyPath;
    bool historyFailureLogged = false;
    HistoryWindow *historyView = nullptr;

    // The upgrade window's two requests: the software-upgrade command at the start of a run,
    // and the result at its end.
    void runUpgradeCommand();
    void finishUpgrade();
    // The connection on which the radar took the upgrade command; 0: none.
    quint64 loaderConnection = 0;
};
