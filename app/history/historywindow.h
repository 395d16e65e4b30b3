// The "雷达历史" window: the radars of the working folder's history by serial number with their
// last acceptance, one radar's entries newest first with its chain checked (a broken chain red
// from the first bad entry on), two entries compared as the question before a send lists a
// change, an entry's scene put into the form or exported as a full scene file. It needs no radar;
// the main window makes it and takes the scenes it is asked to load.
#pragma once

#include "radarhistory.h"

#include <QVector>
#include <QWidget>

namespace Ui {
class HistoryWindow;
}

class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // The history of a file, or where the settings say (the team's server, the file keeping
    // what waits for it).
    explicit HistoryWindow(const QString &path, QWidget *parent = nullptr);
    explicit HistoryWindow(const RadarHistory::Settings &settings, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    // Reads the history again, keeping the radar selected.
    void reload();
    void selectRadar(const QString &serial);
    // The selected radar's entries as shown, newest first.
    const QVector<HistoryEntry> &shownEntries() const { return entries; }

    // Two entries' scenes compared, the older one first: both fingerprints and one line a change.
    static QString comparisonText(const HistoryEntry &first, const HistoryEntry &second);
    // Which store an open history uses and how many entries wait for the server, in one line.
    static QString storeLine(RadarHistory &store);

    Ui::HistoryWindow *ui;

signals:
    // "载入到表单" on an entry with a scene.
    void loadRequested(const HistoryEntry &entry);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButtonCompare_clicked();
    void on_pushButtonLoad_clicked();
    void on_pushButtonExport_clicked();

private:
    void fillRadars();
    void showEntries(const QString &serial);
    QString selectedSerial() const;
    QVector<HistoryEntry> selectedEntries() const;
    // The one selected entry with a scene; otherwise says why and gives false.
    bool oneSceneSelected(HistoryEntry *entry);

    RadarHistory store;
    RadarHistory::Settings settings;
    QVector<RadarSummary> radars;
    QVector<HistoryEntry> entries;
    ChainCheck chain;
};
