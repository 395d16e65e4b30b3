// Pieces for tests that talk to a simulated radar through a main window: faults by kind, the
// tool's port opened on the radar's line without the read-back, and hand-made bytes put on
// the line from the radar's side.
#pragma once

#include "mainwindow.h"
#include "radarsimulator.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QThread>

#include <memory>

// A fault for the next `remaining` replies (-1: every reply).
inline sim::FaultSpec faultSpec(sim::Fault kind, int remaining = -1)
{
    sim::FaultSpec fault;
    fault.kind = kind;
    fault.remaining = remaining;
    return fault;
}

// A log line as the tool writes a trace: prefix and the bytes in hex, trimmed by the log.
inline QString traceLine(const QString &prefix, const QByteArray &bytes)
{
    return prefix + QString::fromLatin1(bytes.toHex(' '));
}

// Opens the tool's port on the radar's line the way the connection does, without the
// read-back, and forgets what that put on the line and in the log.
inline bool attach(MainWindow &w, sim::RadarSimulator &radar)
{
    w.ui->comboBoxSerial->setEditText(radar.devicePath());
    if (!w.openRadarPort())
        return false;
    QTest::qWait(50);
    radar.clearRequests();
    w.ui->listWidget->clear();
    return true;
}

// The one request the radar got since it was last cleared, or a text saying how many came.
inline QByteArray onlyRequest(const sim::RadarSimulator &radar)
{
    const QList<sim::ReceivedRequest> requests = radar.requests();
    if (requests.size() != 1)
        return QByteArray("requests: ") + QByteArray::number(requests.size());
    return requests.first().bytes;
}

// Puts bytes on the line from the radar's side once the tool's request has arrived.
class LateSender
{
public:
    LateSender(sim::RadarSimulator &radar, int requestCount, QByteArray bytes)
    {
        thread.reset(QThread::create([&radar, requestCount, bytes] {
            if (radar.waitForRequests(requestCount, 3000))
                radar.sendRaw(bytes);
        }));
        thread->start();
    }
    ~LateSender() { thread->wait(); }

private:
    std::unique_ptr<QThread> thread;
};

// One simulated radar for a whole test program and a fresh main window attached to it (port
// open, no read-back) for each test. Call the four steps from the test's own slots.
class AttachedFixture : public QObject
{
protected:
    std::unique_ptr<sim::RadarSimulator> radar;
    std::unique_ptr<MainWindow> window;

    MainWindow &w() { return *window; }
    QStringList log() const { return logLines(window->ui->listWidget); }

    void startRadar()
    {
        installWarningGuard();
        radar = std::make_unique<sim::RadarSimulator>();
        QVERIFY(radar->start());
    }
    void stopRadar()
    {
        window.reset();
        radar.reset();
    }
    void attachWindow()
    {
        radar->clearFaults();
        window = std::make_unique<MainWindow>();
        QVERIFY(attach(*window, *radar));
    }
    void detachWindow()
    {
        window.reset();
        QTest::qWait(20);
    }
    // Forgets what the radar has heard and what the log says so far.
    void forget()
    {
        radar->clearRequests();
        window->ui->listWidget->clear();
    }
    // A moment on, nothing has reached the radar or the log.
    void verifyNothingSent()
    {
        QTest::qWait(150);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(log().isEmpty());
    }
};
