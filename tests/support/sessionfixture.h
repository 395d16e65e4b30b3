// A main window wired to a fresh simulated radar behind a symlink, the way an operator types a
// path into the port box. Each test gets its own radar and window.
#pragma once

#include "dialoganswerer.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "radarview.h"
#include "linkfixture.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>

#include <memory>

// A scene as a commissioned radar holds it: the three ranges, a 100° fan, uneven boundaries,
// two non-alarm cells on a 1 m grid, approaching channel-radar targets.
inline sim::Scene commissionedScene()
{
    sim::Scene s;
    s.detectionFar = 750;
    s.detectionAngle = 100;
    s.warningFar = 500;
    s.alarmFar = 250;
    s.leftBoundary = -4;
    s.rightBoundary = 6;
    s.cellCount = 2;
    s.gridEdge = 100;
    s.cells[0] = {150, 350};
    s.cells[1] = {-50, 50};
    s.targetDirection = 1;
    s.targetType = 2;
    s.startDistance = 150;
    return s;
}

class SessionFixture : public QObject
{
protected:
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<sim::RadarSimulator> radar;
    std::unique_ptr<MainWindow> window;
    // Each session works in its temporary folder: its recordings and settings stay there.
    QString previousDir;

    MainWindow &w() { return *window; }
    Ui::MainWindow *ui() { return window->ui; }
    RadarView *view() { return window->ui->graphicsView; }
    QString linkPath() const { return folder->filePath(QStringLiteral("radar-tty")); }

    // The log as the operator reads it, without the time stamps.
    QStringList log() const { return logLines(window->ui->listWidget); }
    int logCount(const QString &line) const { return log().count(line); }

    // The radar information as the operator reads it: type, serial number, station.
    QStringList radarInfo() const
    {
        return {window->ui->labelDevType->text(), window->ui->labelID->text(), window->ui->labelModbusId->text()};
    }
    // The scene's fingerprint beside the radar information.
    QString shownFingerprint() const { return window->ui->labelFingerprint->text().section(QStringLiteral("："), 1); }

    // The last frame of this command the radar got; empty when none came.
    QByteArray lastRequest(int code) const
    {
        QByteArray frame;
        for (const sim::ReceivedRequest &r : radar->requests())
            frame = r.functionCode == code ? r.bytes : frame;
        return frame;
    }

    QList<int> requestCodes() const
    {
        QList<int> codes;
        for (const sim::ReceivedRequest &r : radar->requests())
            codes << r.functionCode;
        return codes;
    }

    // What the operator reads of the radar and its scene: the radar information, each editor of
    // the scene group as shown (and whether it can be used), the plot's copy of the scene and
    // the marked cells.
    QStringList formState()
    {
        QStringList state = radarInfo();
        for (const QAbstractSpinBox *box : ui()->groupBox->findChildren<QAbstractSpinBox *>())
            state << box->objectName() + QLatin1Char('=') + box->text() + (box->isEnabled() ? "" : " (disabled)");
        for (const QComboBox *box : ui()->groupBox->findChildren<QComboBox *>())
            state << box->objectName() + QLatin1Char('=') + box->currentText() + QStringLiteral(" of %1").arg(box->count());
        const RadarView *v = view();
        state << QStringLiteral("plot %1 %2 %3 %4 %5 %6 %7 %8")
                     .arg(v->detectionFar).arg(v->detectionNear).arg(v->warningFar).arg(v->alarmFar)
                     .arg(v->leftBoundary).arg(v->rightBoundary).arg(v->detectionAngle).arg(v->gridEdge);
        for (const GridCell &c : v->SuppressionGrid.setCells())
            state << QStringLiteral("cell %1,%2").arg(c.row).arg(c.column);
        state << QStringLiteral("cells=%1").arg(v->nonAlarmCount);
        return state;
    }

    bool isIdle() { return !ui()->pushButtonConnect->isHidden() && ui()->pushButtonDisconnect->isHidden(); }
    bool isWatching() { return ui()->pushButtonConnect->isHidden() && w().pollTimer.isActive(); }

    // Waits until the window has applied this many more frames.
    bool framesPass(int count, int timeoutMs = 8000)
    {
        // The plot's frame index runs round its history of frames.
        int passed = 0;
        int last = view()->frameIndex;
        return waitUntil([&] {
            const int now = view()->frameIndex;
            passed += (now - last + RadarView::HistorySize) % RadarView::HistorySize;
            last = now;
            return passed >= count;
        }, timeoutMs);
    }

    // Presses "连接"; returns once the read-back has ended, one way or the other.
    void pressConnect() { ui()->pushButtonConnect->click(); }

    // Presses "发送雷达场景参数" and answers the question before the send (and, answered Yes,
    // the box after it); returns what they said, the question first.
    QStringList sendScene(QMessageBox::StandardButton answer = QMessageBox::Yes)
    {
        DialogAnswerer answers;
        answers.answerMessageBox(answer, 4000);
        if (answer == QMessageBox::Yes)
            answers.answerMessageBox(QMessageBox::Ok, 8000);
        ui()->pushButtonSendPar->click();
        answers.waitDone(10000);
        QStringList texts;
        for (const DialogAnswerer::Seen &seen : answers.seen)
            texts << seen.text;
        return texts;
    }

    // Runs the action, answering its file dialog with the path (when one is given), then message
    // boxes with these buttons in order, each given up when it does not come within 4 s;
    // returns what the dialogs said.
    QList<DialogAnswerer::Seen> answered(const std::function<void()> &action, const QString &path = QString(),
                                         const QList<QMessageBox::StandardButton> &buttons = {QMessageBox::Ok})
    {
        DialogAnswerer answers;
        if (!path.isEmpty())
            answers.answerFileDialog(path);
        for (QMessageBox::StandardButton button : buttons)
            answers.answerMessageBox(button, 4000);
        action();
        answers.waitDone();
        return answers.seen;
    }

    void startSession()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder->path()));
        radar = std::make_unique<sim::RadarSimulator>();
        QVERIFY2(radar->start(linkPath()), qPrintable(radar->errorString()));
        window = std::make_unique<MainWindow>();
        window->resize(1200, 800);
        ui()->comboBoxSerial->setEditText(linkPath());
    }
    void endSession()
    {
        window.reset();
        radar.reset();
        if (!previousDir.isEmpty())
            QDir::setCurrent(previousDir);
        folder.reset();
    }
};
