// The replay bar and the event list under the plan view while a recording is replayed:
// play and pause, the position, the speed, a frame back or forward, and the recorded events,
// any of which takes the replay to 5 s before it. It only chooses the frame; the window shows it.
#pragma once

#include "recordingfile.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace Ui {
class ReplayPanel;
}
class ReplayData;
class QListWidgetItem;

class ReplayPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr qint64 EventLeadMs = 5000;
    static const QVector<double> speeds;

    explicit ReplayPanel(QWidget *parent = nullptr);
    ~ReplayPanel() override;

    // Shows the recording from its first frame, paused; nullptr stops and forgets it.
    void load(ReplayData *recording);
    int position() const { return current; }
    bool isPlaying() const;
    double speed() const;
    void setSpeed(double factor);
    void setPlaying(bool on);
    void seekToFrame(int index);
    void seekToTime(qint64 timeMs);
    void stepForward();
    void stepBack();
    // Takes the replay to EventLeadMs before the event of that row of the list.
    void chooseEvent(int row);
    void retranslate();

    // The zone events a scene tried on the recording would have caused; the list can show them
    // instead of the recorded ones while there are any. Empty: the recorded events only.
    void setTriedEvents(const QVector<recording::Event> &events);
    // The events the list shows, row by row.
    const QVector<recording::Event> &shownEvents() const;
    // The "试算场景" button, without its signal.
    void setWhatIfChecked(bool on);

    Ui::ReplayPanel *ui;

signals:
    // The frame to show. continuous: it follows the one shown before, and the frames between
    // belong to the history; otherwise the history is built again for this frame.
    void frameChosen(int index, bool continuous);
    void exitRequested();
    void whatIfToggled(bool on);
    void logLine(const QString &line);

private slots:
    void on_buttonPlay_toggled(bool checked);
    void on_buttonStepBack_clicked();
    void on_buttonStepForward_clicked();
    void on_comboSpeed_currentIndexChanged(int index);
    void on_sliderPosition_valueChanged(int value);
    void on_listEvents_itemActivated(QListWidgetItem *item);
    void on_listEvents_itemClicked(QListWidgetItem *item);
    void on_buttonExit_clicked();
    void on_buttonExportFrames_clicked();
    void on_buttonExportEvents_clicked();
    void on_buttonWhatIf_toggled(bool checked);
    void on_comboEventSource_currentIndexChanged(int index);

private:
    void advance();
    void go(int index, bool continuous);
    void restartClock();
    void showPosition();
    void fillEvents();
    void exportTo(bool events);
    QString eventText(const recording::Event &e) const;

    ReplayData *data = nullptr;
    QVector<recording::Event> triedEvents;
    int current = -1;
    QTimer ticker;
    QElapsedTimer playClock;
    qint64 playStartMs = 0;
};
