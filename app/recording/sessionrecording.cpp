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
} // namespace

void MainWindow::setUpRecording()
{
    recorder = new Recorder(this);
    connect(recorder, &Recorder::writeFailed, this,
            [this](const QString &reason) { emit printThread(tr("检测数据记录写入失败：") + reason); });
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
    // Switched on, it starts with the next connection.
    if (!on && recorder->isRecording()) {
        recorder->recordEvent(QStringLiteral("disconnected"));
        recorder->end();
    }
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
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    const qint64 cap = settings.value(QLatin1String(FolderCapKey), recording::DefaultFolderCapBytes).toLongLong();
    const QString folder = QDir::current().absoluteFilePath(recording::folderName());
    if (!recorder->begin(folder, cap)) {
        emit printThread(tr("无法创建检测数据记录文件：") + folder);
        return;
    }
    recorder->recordEvent(QStringLiteral("connected"));
}

void MainWindow::stopRecordingUnlessResuming()
{
    if (recordingThroughDrop || !recorder || !recorder->isRecording())
        return;
    recorder->recordEvent(QStringLiteral("disconnected"));
    recorder->end();
}

void MainWindow::recordScene(const QString &origin)
{
    recorder->recordScene(origin, toolScene());
}
