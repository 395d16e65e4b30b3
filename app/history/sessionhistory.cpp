// Where the window's actions meet the radar history: one entry for every action that changed or
// proved the connected radar's state, and the "雷达历史" window. A history that cannot be opened
// or written never stops the action that wanted to record it.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "historywindow.h"
#include "radarhistory.h"
#include "scenefile.h"
#include "scenefingerprint.h"

#include <QAction>
#include <QMessageBox>

using namespace radarlink;

RadarHistory *MainWindow::radarHistory()
{
    if (historyPath.isEmpty())
        return nullptr;
    if (!history)
        history = std::make_unique<RadarHistory>();
    // A history that could not be opened is tried again at the next action: a lock may be gone.
    if (!history->isOpen() && !history->open(historyPath)) {
        reportHistoryFailure(history->errorText());
        return nullptr;
    }
    return history.get();
}

void MainWindow::setHistoryPath(const QString &path)
{
    history.reset();
    historyPath = path;
    historyFailureLogged = false;
}

void MainWindow::reportHistoryFailure(const QString &reason)
{
    if (historyFailureLogged)
        return;
    historyFailureLogged = true;
    emit printThread(tr("雷达历史无法写入：%1").arg(reason));
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
    if (store->record(entry))
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
        historyView = new HistoryWindow(historyPath, this);
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
