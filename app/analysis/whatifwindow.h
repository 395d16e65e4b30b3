// The what-if of a replay: the alarm, warning and detection entries of the recording under its
// own scenes beside those under the scene the operator edited, each with its count, its time
// in the zone and the list of entries. The window shows and asks; the main window classifies.
#pragma once

#include "tripanalysis.h"

#include <QDialog>

namespace Ui {
class WhatIfWindow;
}
class QListWidget;
class QTableWidget;

class WhatIfWindow : public QDialog
{
    Q_OBJECT

public:
    explicit WhatIfWindow(QWidget *parent = nullptr);
    ~WhatIfWindow() override;

    // While a run goes on the buttons wait; total 0 shows the bar busy (the recording is read).
    void setRunning(bool running);
    void setProgress(int done, int total);
    void showReports(const trip::ZoneReport &recorded, const trip::ZoneReport &tried);
    // Nothing tried yet, or the edits undone: the tried side empties.
    void clearTried();
    void clear();
    void retranslate();

    Ui::WhatIfWindow *ui;

signals:
    void recalculateRequested();
    void restoreRequested();
    void closed();

protected:
    // Closed by the operator (the button, the window's own close); not when hidden by the program.
    void done(int result) override;

private:
    void fill(QTableWidget *table, QListWidget *list, const trip::ZoneReport *report);
    void fillBoth();

    trip::ZoneReport recordedReport, triedReport;
    bool hasRecorded = false, hasTried = false;
};
