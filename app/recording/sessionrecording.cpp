// Recording every connection for the engineer who later asks what the radar saw: the menu
// setting, and where a connection's life meets the recorder.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "recorder.h"
#include "scenecompare.h"

#include <QAction>
#include <QDir>
#include <QSettings>

namespace {
const char RecordingKey[] = "recording/enabled";
const char FolderCapKey[] = "recording/folderCapBytes";

// The folder cap radar-config.ini gives; a value that is no size is said in the log and the
// default used, since reading it as 0 would remove every earlier recording.
qint64 folderCap(MainWindow *window)
{
    const QSettings settings(MainWindow::settingsFilePath(), QSettings::IniFormat);
    if (!settings.contains(QLatin1String(FolderCapKey)))
        return recording::DefaultFolderCapBytes;
    const QString written = settings.value(QLatin1String(FolderCapKey)).toString();
    qint64 cap = 0;
    if (recording::parseByteSize(written, &cap))
        return cap;
    emit window->printThread(MainWindow::tr("记录文件夹上限 recording/folderCapBytes 的值“%1”无效，改用默认值 %2 字节")
                                 .arg(written)
                                 .arg(recording::DefaultFolderCapBytes));
    return recording::DefaultFolderCapBytes;
}
} // namespace

void MainWindow::setUpRecording()
{
    recorder = new Recorder(this);
    connect(recorder, &Recorder::writeFailed, this,
            [this](const QString &reason) { emit printThread(tr("检测数据记录写入失败：") + reason); });
    connect(recorder, &Recorder::recordingRemoved, this,
            [this](const QString &name) { emit printThread(tr("已删除旧的检测记录：") + name); });
    connect(recorder, &Recorder::framesDropped, this, [this](qint64 count) {
        emit printThread(tr("检测数据记录积压过多，有 %1 帧没有记录").arg(count));
    });
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    recordingOn = settings.value(QLatin1String(RecordingKey), true).toBool();

    actionRecording = new QAction(this);
    actionRecording->setObjectName(QStringLiteral("actionRecording"));
    actionRecording->setCheckable(true);
    actionRecording->setChecked(recordingOn);
    connect(actionRecording, &QAction::toggled, this, &MainWindow::setRecordingEnabled);
    ui->menu_2->addAction(actionRecording);
    retranslateRecording();
}

void MainWindow::retranslateRecording()
{
    actionRecording->setText(tr("记录检测数据"));
}

void MainWindow::setRecordingEnabled(bool on)
{
    recordingOn = on;
    if (actionRecording->isChecked() != on)
        actionRecording->setChecked(on);
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.setValue(QLatin1String(RecordingKey), on);
    settings.sync();
    // Switched on, it starts with the next connection; switched off, the recording ends here
    // while the radar stays connected.
    if (!on)
        recorder->end(QStringLiteral("recording_stopped"));
}

QString MainWindow::recordingPath() const
{
    return recorder->isRecording() ? recorder->filePath() : QString();
}

void MainWindow::startRecording(bool automatic)
{
    // A line that came back continues the recording of the connection it belonged to.
    if (automatic && recorder->isRecording()) {
        recordingThroughDrop = false;
        recorder->recordEvent(QStringLiteral("reconnected"));
        return;
    }
    recordingThroughDrop = false;
    if (!recordingOn)
        return;
    const qint64 cap = folderCap(this);
    const QString folder = QDir::current().absoluteFilePath(recording::folderName());
    if (!recorder->begin(folder, cap)) {
        emit printThread(tr("无法创建检测数据记录文件：") + folder);
        return;
    }
    recorder->recordEvent(QStringLiteral("connected"));
}

void MainWindow::stopRecordingUnlessResuming()
{
    if (recordingThroughDrop || !recorder)
        return;
    recorder->end(QStringLiteral("disconnected"));
}

void MainWindow::recordScene(const QString &origin)
{
    // The scene the plot and the lamps go by, and the fingerprint of the radar's.
    recorder->recordScene(origin, toolScene(), radarFingerprint());
}
