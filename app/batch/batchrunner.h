// 批量调试 (batch commissioning): one scene read from, applied to or verified on radar after
// radar from the command line, for an end-of-line station or a maintenance round. Each radar is
// done by the window's own members (connect and read back, the send-scene sequence, the
// verification's reads, the flash save), on a MainWindow that is never shown and runs
// unattended; the runner decides what to do and says what happened: one line or one JSON
// object per radar on standard output, a progress line per step on standard error, an exit
// status a script can trust.
#pragma once

#include "mainwindow.h"
#include "sceneconfig.h"
#include "scenefile.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QList>
#include <QStringList>

class QTextStream;

class BatchRunner
{
    Q_DECLARE_TR_FUNCTIONS(BatchRunner)

public:
    enum class Action { Read, Apply, Verify };
    struct Options {
        Action action = Action::Read;
        QStringList ports;
        QString file; // Read: the file written; Apply, Verify: the scene file (full, or a 64-byte .cfg)
        bool saveToFlash = false;
        bool force = false;
        bool json = false;
    };
    // The exit status: 2 wins over 3 when both happen.
    enum Status { AllDone = 0, BadInput = 1, RadarFailed = 2, Different = 3 };

    BatchRunner(MainWindow &window, QTextStream &out, QTextStream &err);
    ~BatchRunner();
    BatchRunner(const BatchRunner &) = delete;
    BatchRunner &operator=(const BatchRunner &) = delete;
    int run(const Options &options);

    // The file --read writes for one radar: as given for a single port; with several, the
    // radar's serial number goes before the suffix (scene.json: scene-0205000703.json).
    static QString readFileFor(const QString &given, const QString &serial, bool severalPorts);

private:
    // What the batch knows of one radar once it is done with it.
    struct Radar {
        QString port;
        bool identified = false;
        QString serial;
        int deviceType = 0;
        int station = 0;
        QString fingerprintBefore, fingerprintAfter, expected;
        QString result;
        QString step, message;
        QString file;
        bool cellsFromRadar = false;   // a .cfg applied or verified: the radar's own cells count
        bool cellsLeftOut = false;     // read into a .cfg, which holds none
        QStringList historyFailures;
    };
    // The scene file given to --apply or --verify.
    struct Source {
        bool cfg = false;
        SceneConfig config;
        radarlink::SceneFile scene;
    };

    bool loadSource(QString *error);
    Radar runOne(const QString &port);
    void read(Radar &radar);
    void apply(Radar &radar);
    void verify(Radar &radar);
    bool expectedScene(Radar &radar, radarlink::WireScene *expected);
    void fail(Radar &radar, const QString &step, const QString &message);
    // What the window said since the step began: its boxes' texts, else its last line for the
    // operator, else the batch's own words.
    QString windowSaid(const QString &fallback) const;
    void beginStep(const QString &text);
    void noteWindowText(MainWindow::UnattendedText kind, const QString &text);
    void report(const Radar &radar);
    QJsonObject jsonOf(const Radar &radar) const;
    QString lineOf(const Radar &radar) const;

    MainWindow &window;
    QTextStream &out;
    QTextStream &err;
    Options options;
    Source source;
    QString currentPort;
    QStringList boxTexts;      // since the step began
    QStringList operatorLines; // since the step began
    QStringList historyFailures; // of the current radar
    QStringList filesWritten;    // by --read in this run
    QList<QMetaObject::Connection> listening;
};
