// Where the window's actions meet the radar history: one entry for every action that changed or
// proved the connected radar's state, and the "雷达历史" window. A history that cannot be opened
// or written never stops the action that wanted to record it.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "elidinglabel.h"
#include "historywindow.h"
#include "radarhistory.h"
#include "scenefile.h"
#include "scenefingerprint.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

using namespace radarlink;

namespace {
// Often enough that entries reach the server soon after it is back, seldom enough that a server
// still away (which may take a few seconds to say so) is rarely felt.
constexpr int FlushIntervalMs = 30000;

// The team's server when radar-config.ini names one, the file then keeping what waits for it;
// else the file.
RadarHistory::Settings historySettings(const QString &path)
{
    RadarHistory::Settings settings = RadarHistory::Settings::fromIni(MainWindow::settingsFilePath());
    settings.localPath = path;
    return settings;
}
} // namespace

RadarHistory *MainWindow::radarHistory()
{
    if (historyPath.isEmpty())
        return nullptr;
    if (!history)
        history = std::make_unique<RadarHistory>();
    // A history that could not be opened is tried again at the next action: a lock may be gone.
    if (!history->isOpen()) {
        const bool opened = history->open(historySettings(historyPath));
        refreshHistoryStatus();
        if (!opened) {
            reportHistoryFailure(history->errorText());
            return nullptr;
        }
    }
    return history.get();
}

void MainWindow::setUpHistoryStatus()
{
    // The link's figures keep their room; the store's name gives way, cut short with its whole
    // text in the tooltip.
    historyStatusLabel = new ElidingLabel(this);
    historyStatusLabel->setContentsMargins(historyStatusLabel->fontMetrics().averageCharWidth() * 2, 0, 0, 0);
    historyStatusLabel->setObjectName(QStringLiteral("labelHistoryStore"));
    historyStatusLabel->hide();
    statusBar()->addPermanentWidget(historyStatusLabel);
    historyFlushTimer.setInterval(FlushIntervalMs);
    connect(&historyFlushTimer, &QTimer::timeout, this, &MainWindow::flushWaitingHistory);
    historyFlushTimer.start();
}

void MainWindow::refreshHistoryStatus()
{
    // Shown once the history is in use: opening it may mean asking a server.
    const bool shown = history && history->isOpen();
    historyStatusLabel->setVisible(shown);
    if (shown)
        historyStatusLabel->setText(HistoryWindow::storeLine(*history));
}

void MainWindow::flushWaitingHistory()
{
    if (!history || !history->isOpen() || !history->usesServer())
        return;
    // Never while a command holds the line: a server that does not answer takes its time to say so.
    if (!serialChannel.tryAcquireOnce())
        return;
    serialChannel.release();
    if (history->waitingCount() > 0)
        history->flushWaiting();
    refreshHistoryStatus();
}

void MainWindow::setHistoryPath(const QString &path)
{
    history.reset();
    historyPath = path;
    historyFailureLogged = false;
    refreshHistoryStatus();
}

void MainWindow::reportHistoryFailure(const QString &reason)
{
    const QString text = tr("雷达历史无法写入：%1").arg(reason);
    // A batch reports it for every radar whose entry was not written.
    if (unattended)
        emit unattendedText(UnattendedText::HistoryFailure, text);
    if (historyFailureLogged)
        return;
    historyFailureLogged = true;
    emit printThread(text);
}

HistoryEntry MainWindow::historyEntry(const char *action, const char *result, const QString &fingerprintBefore) const
{
    HistoryEntry entry;
    entry.serial = serialNumberText();
    entry.deviceType = deviceType;
    entry.station = stationNumber;
    entry.action = QString::fromLatin1(action);
    entry.result = QString::fromLatin1(result);
    entry.fingerprintBefore = fingerprintBefore;
    if (radarSceneKnown)
        entry.setSceneAfter(SceneFile{deviceType, radarScene});
    return entry;
}

bool MainWindow::storeHistory(HistoryEntry &entry)
{
    if (!radarIdentityRead)
        return false;
    RadarHistory *store = radarHistory();
    if (!store)
        return false;
    const bool recorded = store->record(entry);
    refreshHistoryStatus();
    if (recorded)
        return true;
    reportHistoryFailure(store->errorText());
    return false;
}

void MainWindow::recordHistory(const char *action, const char *result, const QString &fingerprintBefore,
                               const QJsonObject &details, bool sceneKnownAfter)
{
    HistoryEntry entry = historyEntry(action, result, fingerprintBefore);
    if (!sceneKnownAfter) {
        entry.sceneAfter.clear();
        entry.fingerprintAfter.clear();
    }
    entry.details = details;
    storeHistory(entry);
}

void MainWindow::on_actionHistory_triggered()
{
    if (!historyView) {
        historyView = new HistoryWindow(historySettings(historyPath), this);
        connect(historyView, &HistoryWindow::loadRequested, this, [this](const HistoryEntry &entry) {
            SceneFile file;
            QString error;
            if (!decodeSceneFile(entry.sceneAfter.toUtf8(), &file, &error)) {
                QMessageBox::warning(historyView, tr("载入场景"), error);
                return;
            }
            const QString origin = tr("雷达 %1 的记录 #%2").arg(entry.serial).arg(entry.id);
            if (loadSceneIntoForm(file, origin))
                raise();
        });
    } else {
        historyView->reload();
    }
    historyView->show();
    historyView->raise();
}
