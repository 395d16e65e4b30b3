// What the upgrade and sampling tests share: a working folder of their own (for "temp", the
// sample folder and lang.cfg), a simulated radar, a main window on its line, the upgrade-set
// maker, and a driver that acts on the windows while a run that does not return (the upgrade
// run, the modal sampling window) is under way.
#pragma once

#include "dialogupdate.h"
#include "sessionfixture.h"
#include "ui_dialogupdate.h"

#include <QDirIterator>
#include <QProcess>

// Steps run in order, each once its condition holds; the condition is looked at every few
// milliseconds from the event loop, so it is seen inside the program's own waits. An action
// runs from a fresh event of its own: one that blocks (a click that starts a run) does not
// keep the later steps from being looked at.
class Driver : public QObject
{
public:
    explicit Driver(int timeoutMs = 30000) : limitMs(timeoutMs) { connect(&timer, &QTimer::timeout, this, [this] { poll(); }); }

    Driver &when(const QString &name, std::function<bool()> condition, std::function<void()> action)
    {
        steps.append(Step{name, std::move(condition), std::move(action)});
        if (!timer.isActive()) { clock.start(); timer.start(5); }
        return *this;
    }

    bool done() const { return steps.isEmpty(); }
    QStringList failures;
    // Called once when a step does not come in time, to get the test out of a run.
    std::function<void()> rescue;

private:
    struct Step { QString name; std::function<bool()> condition; std::function<void()> action; };

    void poll()
    {
        if (!steps.isEmpty() && steps.first().condition()) {
            clock.restart();
            QTimer::singleShot(0, this, steps.takeFirst().action);
        } else if (!steps.isEmpty() && clock.elapsed() > limitMs) {
            failures << QStringLiteral("step \"%1\" did not come within %2 ms").arg(steps.first().name).arg(limitMs);
            steps.clear();
            if (rescue)
                rescue();
        }
        if (steps.isEmpty())
            timer.stop();
    }

    QList<Step> steps;
    QTimer timer;
    QElapsedTimer clock;
    int limitMs;
};

// Keeps the distinct texts a label shows, in order, as the operator would have read them.
class LabelWatch : public QObject
{
public:
    explicit LabelWatch(QLabel *label) : watched(label)
    {
        connect(&timer, &QTimer::timeout, this, [this] { look(); });
        timer.start(2);
    }
    QStringList texts;
    void look()
    {
        const QString text = watched->text();
        if (texts.isEmpty() || texts.last() != text)
            texts << text;
    }

private:
    QLabel *watched;
    QTimer timer;
};

class MaintenanceFixture : public SessionFixture
{
protected:
    QDir workDir() const { return QDir(folder->path()); }

    // A fresh working folder, and a radar behind a fixed path in it (the path stays when a
    // dropped line comes back); the port is opened as the connection sequence opens it, without
    // the read-back, unless the test connects itself.
    void startSession(bool openPort = true)
    {
        SessionFixture::startSession();
        if (openPort) {
            QVERIFY(window->openRadarPort());
            QTest::qWait(30);
            radar->clearRequests();
        }
    }
    bool isDisconnected() { return !ui()->pushButtonConnect->isHidden() && !w().channel().port.isOpen(); }
    // The link lock can be had (and is given back at once).
    bool linkFree()
    {
        const bool free = w().channel().tryAcquireOnce();
        if (free)
            w().channel().release();
        return free;
    }

    // Runs the upgrade-set maker on an image written to the working folder; the set goes to
    // "temp" unless another folder is named. Returns the maker's exit code (0 on success).
    int makeSet(const QByteArray &image, int deviceType, quint32 seed, const QStringList &extra = {},
                const QString &out = QStringLiteral("temp"))
    {
        const QString imagePath = workDir().filePath(QStringLiteral("image-%1.bin").arg(deviceType));
        if (!writeFile(imagePath, image))
            return -1;
        QProcess maker;
        maker.setWorkingDirectory(folder->path());
        maker.start(QCoreApplication::applicationDirPath() + QStringLiteral("/make-upgrade-set"),
                    QStringList{QStringLiteral("--image"), imagePath, QStringLiteral("--device-type"),
                                QString::number(deviceType), QStringLiteral("--seed"), QString::number(seed),
                                QStringLiteral("--out"), out} + extra);
        if (!maker.waitForFinished(20000))
            return -2;
        return maker.exitStatus() == QProcess::NormalExit ? maker.exitCode() : -3;
    }

    static QByteArray firmwareImage(int size, int salt = 0)
    {
        QByteArray image(size, '\0');
        quint32 x = 2463534242u + quint32(salt);
        for (int i = 0; i < size; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            image[i] = char(x >> 24);
        }
        return image;
    }

    QString tempFile(const QString &name) const { return workDir().filePath(QStringLiteral("temp/") + name); }

    QStringList sampleFiles(const QString &folderName = QStringLiteral("采样数据")) const
    {
        QStringList files;
        QDirIterator it(workDir().filePath(folderName), QDir::Files);
        while (it.hasNext())
            files << it.next();
        return files;
    }
};

// The upgrade window of a session and what the operator sees of it during a run.
class UpgradeFixture : public MaintenanceFixture
{
protected:
    DialogUpdate *dialog = nullptr;
    QList<int> progressSeen;
    std::unique_ptr<LabelWatch> labels;
    int endUpdates = 0;

    void endSession() { labels.reset(); dialog = nullptr; MaintenanceFixture::endSession(); }

    void openUpgradeWindow()
    {
        ui()->actionUpdate->trigger();
        dialog = w().dialogUpdate;
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        progressSeen.clear();
        endUpdates = 0;
        connect(dialog->ui->progressBar, &QProgressBar::valueChanged, this, [this](int v) { progressSeen << v; });
        connect(dialog, &DialogUpdate::endUpdate, this, [this] { ++endUpdates; });
        labels = std::make_unique<LabelWatch>(dialog->ui->label);
    }

    // Presses "开始"; returns when the run has ended.
    void runUpgrade()
    {
        dialog->ui->pushButtonStart->click();
        labels->look();
    }

    // Presses "开始" with the success box answered when it comes; returns the boxes the run showed.
    QList<DialogAnswerer::Seen> runUpgradeToSuccess()
    {
        DialogAnswerer answerer;
        answerer.answerMessageBox(QMessageBox::Ok, 40000);
        runUpgrade();
        if (!answerer.waitDone(1000))
            QTest::qFail("the success box never came", __FILE__, __LINE__);
        return answerer.seen;
    }

    QString label() const { return dialog->ui->label->text(); }

    QList<sim::UpgradePacketRecord> dataPackets() const
    {
        QList<sim::UpgradePacketRecord> list;
        for (const sim::UpgradePacketRecord &p : radar->upgradePackets())
            if (p.marker != upgrade::StartMarker)
                list << p;
        return list;
    }
};
