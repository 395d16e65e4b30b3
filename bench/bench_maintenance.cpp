// The two maintenance tools against a radar paced at 115200 baud in both directions:
// - the firmware transfer of a 256 KiB image, from the start packet to the last
//   acknowledgement, against its wire time ((1048 + 72) bytes per packet at 11,520 bytes a
//   second; limit 1.10);
// - a one-minute sample at the full wire rate: the bytes in the file against the bytes the
//   radar streamed (limit: none lost).
#include "benchsupport.h"
#include "dialoggetdata.h"
#include "dialogupdate.h"
#include "mainwindow.h"
#include "radarsimulator.h"
#include "ui_dialoggetdata.h"
#include "ui_dialogupdate.h"
#include "ui_mainwindow.h"
#include "upgradeprotocol.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// Presses OK on every message box that turns up.
void acceptMessageBoxes(QObject *context)
{
    auto *timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w))
                if (box->isVisible())
                    box->accept();
    });
    timer->start(50);
}

// A scratch working folder ("temp", the sample folder) for the length of one run.
class WorkingFolder
{
public:
    WorkingFolder() : previous(QDir::currentPath()) { QDir::setCurrent(folder.path()); }
    ~WorkingFolder() { QDir::setCurrent(previous); }

private:
    QTemporaryDir folder;
    QString previous;
};

// The radar paced at 115200 baud in both directions.
bool startPacedRadar(sim::RadarSimulator &radar)
{
    radar.setPaced(true);
    radar.setInputPaced(true);
    if (radar.start())
        return true;
    std::fprintf(stderr, "simulator: %s\n", qPrintable(radar.errorString()));
    return false;
}

bool upgradeBenchmark()
{
    const WorkingFolder folder;
    sim::RadarSimulator radar;
    radar.setUpgradeStatusGapMs(50);
    if (!startPacedRadar(radar))
        return false;
    QByteArray image(256 * 1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 131) ^ (i >> 9));
    QVector<upgrade::SetFile> files;
    QString error;
    upgrade::makeUpgradeSet(image, 1, 0xC0FFEE, {}, &files, &error);
    QDir().mkpath(QStringLiteral("temp"));
    for (const upgrade::SetFile &f : files) {
        QFile out(QStringLiteral("temp/") + f.name);
        out.open(QIODevice::WriteOnly);
        out.write(f.content);
    }

    bool ok = false;
    {
        MainWindow window;
        window.ui->comboBoxSerial->setEditText(radar.devicePath());
        if (window.openRadarPort()) {
            acceptMessageBoxes(&window);
            window.ui->actionUpdate->trigger();
            window.dialogUpdate->ui->pushButtonStart->click();
            ok = radar.upgradeCompleted() && radar.upgradedImage() == image;
        }
    }
    const QList<sim::UpgradePacketRecord> packets = radar.upgradePackets();
    if (!ok || packets.size() < 2) {
        std::printf("upgrade transfer: the upgrade did not complete -> FAILED\n");
        return false;
    }
    const double transfer = (packets.last().answeredMs - packets.first().firstByteMs) / 1000.0;
    const double wire = packets.size() * double(upgrade::PacketSize + upgrade::AcknowledgementSize)
                        / sim::RadarSimulator::PacedBytesPerSecond;
    const double ratio = transfer / wire;
    std::printf("upgrade transfer: %d KiB in %d packets (start packet included) took %.2f s, wire time %.2f s, "
                "ratio %.3f (limit 1.10) -> %s\n",
                int(image.size() / 1024), int(packets.size()), transfer, wire, ratio, ratio <= 1.10 ? "ok" : "TOO SLOW");
    return ratio <= 1.10;
}

bool samplingBenchmark()
{
    const WorkingFolder folder;
    sim::RadarSimulator radar;
    if (!startPacedRadar(radar))
        return false;
    QString path;
    {
        MainWindow window;
        window.ui->comboBoxSerial->setEditText(radar.devicePath());
        if (!window.openRadarPort())
            return false;
        acceptMessageBoxes(&window);
        // Start once the window is up; close it once the run is over.
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, &window, [&] {
            auto *dialog = window.findChild<DialogGetData *>();
            if (!dialog || !dialog->isVisible())
                return;
            if (dialog->filePath().isEmpty() && dialog->isIdle()) {
                QTimer::singleShot(0, dialog, [dialog] { dialog->ui->pushButtonStartData->click(); });
            } else if (!dialog->filePath().isEmpty() && dialog->isIdle()) {
                path = dialog->filePath();
                dialog->ui->pushButton->click();
            }
        });
        driver.start(100);
        window.ui->actionGetData->trigger();
    }
    QFile file(path);
    const qint64 inFile = file.exists() ? file.size() : -1;
    const qint64 streamed = radar.sampledBytesSent();
    std::printf("sampling: one minute at %d bytes/s: %lld bytes streamed, %lld in the file, %lld lost -> %s\n",
                sim::RadarSimulator::PacedBytesPerSecond, static_cast<long long>(streamed),
                static_cast<long long>(inFile), static_cast<long long>(streamed - inFile),
                inFile == streamed && streamed > 0 ? "ok" : "LOST BYTES");
    return inFile == streamed && streamed > 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const bool upgradeOk = upgradeBenchmark();
    const bool samplingOk = samplingBenchmark();
    return upgradeOk && samplingOk ? 0 : 1;
}
