// Data sampling against the simulated radar's stream: the request on the wire, the sample file
// against the bytes the radar put on the line, the stop question (its button on only during a
// run), the warnings, the folder that follows the language, and the disconnect when the window
// closes, with the log's lines on where the samples went and on the disconnect. A line dropped during
// a run is a cell of the fault matrix.
#include "dialoggetdata.h"
#include "maintenancefixture.h"
#include "ui_dialoggetdata.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The sample folder's name as the bytes on disk: UTF-8, whatever the process's locale.
const QByteArray ChineseFolderBytes = QByteArray::fromHex("e98787e6a0b7e695b0e68dae");   // 采样数据

// The names in a folder as the file system holds them, not decoded by anything of Qt's.
QList<QByteArray> entriesOnDisk(const QByteArray &path)
{
    QList<QByteArray> names;
    if (DIR *dir = ::opendir(path.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names << name;
        }
        ::closedir(dir);
    }
    return names;
}

QByteArray contentOnDisk(const QByteArray &path)
{
    QByteArray content;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return content;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, int(got));
    ::close(fd);
    return content;
}

} // namespace

class TestSampling : public MaintenanceFixture
{
    Q_OBJECT

    DialogGetData *dialog = nullptr;
    QList<int> progress;
    std::unique_ptr<DialogAnswerer> answerer;
    std::unique_ptr<Driver> driver;

    // Opens the sampling window from the menu; the driver's steps act on it while it is open.
    // Returns once the window has closed and the main window has had its say.
    void runSamplingWindow()
    {
        driver->rescue = [this] {
            // Get out of the window: a question is answered Yes, a box is closed.
            answerer->answerMessageBox(QMessageBox::Yes, 2000);
            QTimer::singleShot(0, this, [this] {
                if (dialog && dialog->ui->pushButton->isEnabled())
                    dialog->ui->pushButton->click();
                else if (dialog)
                    dialog->close();
            });
        };
        ui()->actionGetData->trigger();
        dialog = nullptr;
        QVERIFY2(driver->failures.isEmpty(), qPrintable(driver->failures.join(QLatin1Char('\n'))));
        QVERIFY(driver->done());
    }

    // The first step of every run: the window is up (its progress watched from then on).
    void whenOpen(std::function<void()> action)
    {
        driver->when(QStringLiteral("window open"), [this] { return (dialog = w().findChild<DialogGetData *>()) && dialog->isVisible(); },
                     [this, action] {
                         connect(dialog->ui->progressBar, &QProgressBar::valueChanged, this, [this](int v) { progress << v; });
                         action();
                     });
    }

    // Starts a run, answers the one box it brings with Ok (within timeoutMs), closes the
    // window once the run is over and returns the box.
    DialogAnswerer::Seen runToOneBox(int timeoutMs = 2000)
    {
        whenOpen([this, timeoutMs] {
            answerer->answerMessageBox(QMessageBox::Ok, timeoutMs);
            dialog->ui->pushButtonStartData->click();
        });
        // Over, the run leaves "终止采集" off again; the window's own close button closes it.
        driver->when(QStringLiteral("box answered, run over"),
                     [this] { return !answerer->pending() && dialog->isIdle() && !dialog->ui->pushButton->isEnabled(); },
                     [this] { dialog->close(); });
        runSamplingWindow();
        if (!answerer->waitDone(1000) || answerer->seen.size() != 1)
            return {};
        return answerer->seen.first();
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init()
    {
        progress.clear();
        answerer = std::make_unique<DialogAnswerer>();
        driver = std::make_unique<Driver>();
    }
    void cleanup()
    {
        driver.reset();
        answerer.reset();
        endSession();
    }

    // In English the question is English and the samples go to a folder of their own.
    void aStoppedRunKeepsWhatTheRadarSent_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("question");
        QTest::newRow("Chinese") << false << ChineseFolderBytes << "提示" << "是否确定终止采集并保存当前数据？";
        QTest::newRow("English") << true << QByteArray("Sampled Data") << "Notice" << "Stop sampling and keep the data gathered so far?";
    }
    void aStoppedRunKeepsWhatTheRadarSent()
    {
        QFETCH(bool, english);
        QFETCH(QByteArray, folder);
        QFETCH(QString, title);
        QFETCH(QString, question);
        startSession();
        if (english)
            ui()->action_English->trigger();
        // Bytes that wait before the request are not part of the sample.
        radar->sendRaw(QByteArray("stale bytes before the request"));
        QTest::qWait(50);
        qint64 atNo = 0;
        bool lockedWhileRunning = false;
        whenOpen([this] {
            dialog->ui->spinBox->setValue(5);
            dialog->ui->pushButtonStartData->click();
        });
        driver->when(QStringLiteral("streaming"), [this] { return radar->sampledBytesSent() > 3000; }, [&] {
            lockedWhileRunning = !dialog->ui->pushButtonStartData->isEnabled() && !dialog->ui->spinBox->isEnabled()
                                 && dialog->ui->pushButton->isEnabled();
            // Neither a second start nor Escape does anything while the run is on.
            dialog->ui->pushButtonStartData->click();
            QTest::keyClick(dialog, Qt::Key_Escape);
            answerer->answerMessageBox(QMessageBox::No);
            dialog->ui->pushButton->click();
            atNo = radar->sampledBytesSent();
        });
        driver->when(QStringLiteral("still sampling after No"),
                     [&] { return atNo > 0 && radar->sampledBytesSent() > atNo + 3000; }, [this] {
                         QVERIFY(dialog->isVisible());
                         QVERIFY(!dialog->isIdle());
                         answerer->answerMessageBox(QMessageBox::Yes);
                         dialog->ui->pushButton->click();
                     });
        runSamplingWindow();
        QVERIFY(answerer->waitDone(1000));

        QVERIFY(lockedWhileRunning);
        QCOMPARE(radar->requests().size(), 1);
        QCOMPARE(radar->requests().first().bytes.toHex(' '), QByteArray("55 aa 10 00 f5 04 00 ff 06 ff 01 00 02 05 ed ed"));
        QCOMPARE(answerer->seen.size(), 2);
        for (const DialogAnswerer::Seen &seen : answerer->seen) {
            QCOMPARE(seen.title, title);
            QCOMPARE(seen.text, question);
        }

        // One folder, named in the interface language, and one file in it.
        const QByteArray work = QFile::encodeName(workDir().path());
        const QList<QByteArray> names = entriesOnDisk(work);
        QVERIFY2(names.contains(folder), names.join(' ').constData());
        QVERIFY(!names.contains(english ? ChineseFolderBytes : QByteArray("Sampled Data")));
        const QList<QByteArray> files = entriesOnDisk(work + '/' + folder);
        QCOMPARE(files.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d\\.dat$"))
                     .match(QString::fromLatin1(files.first())).hasMatch(), files.first().constData());
        const QByteArray content = contentOnDisk(work + '/' + folder + '/' + files.first());
        QVERIFY(content.size() > atNo);
        QCOMPARE(content, radar->sampledOutput().left(content.size()));
        QVERIFY(content.startsWith(QByteArray::fromHex("55aa0e00")));   // the acknowledgement, nothing stale
        QVERIFY(!progress.isEmpty() && progress.last() < 100 && std::is_sorted(progress.begin(), progress.end()));
        QVERIFY(isDisconnected());
        // The log tells where the samples went and that the radar was let go, in the language
        // of the moment.
        const QString port = w().channel().port.portName();
        const QString path = QDir::currentPath() + QLatin1Char('/') + QFile::decodeName(folder) + QLatin1Char('/') + QFile::decodeName(files.first());
        const QStringList ending = english ? QStringList{"Sampled data saved: " + path, "Disconnected from the radar: " + port}
                                           : QStringList{"采样数据已保存：" + path, "已断开与雷达的连接：" + port};
        QCOMPARE(log().mid(log().size() - 2), ending);
    }

    void aWholeMinuteEndsWithTheWholeStreamInTheFile()
    {
        driver = std::make_unique<Driver>(90000);
        startSession();
        const DialogAnswerer::Seen box = runToOneBox(90000);
        QCOMPARE(box.title, QStringLiteral("成功"));
        const QString prefix = QStringLiteral("数据采集成功：");
        QVERIFY2(box.text.startsWith(prefix + QDir::currentPath() + QStringLiteral("/采样数据/")), qPrintable(box.text));
        QVERIFY(!radar->isSampling());
        // The acknowledgement, then 59.75 s of the stream at 11,520 bytes a second.
        QCOMPARE(radar->sampledBytesSent(), qint64(14 + 688320));
        const QByteArray content = fileBytes(box.text.mid(prefix.size()));
        QVERIFY(content == radar->sampledOutput());
        QCOMPARE(content.mid(14, 4096), sim::RadarSimulator::samplePattern(0, 4096));
        QCOMPARE(progress.count(100), 1);
        QCOMPARE(progress.last(), 100);
        QVERIFY(isDisconnected());
    }

    void aClosedPortIsReportedAndClosingAsksNothing()
    {
        startSession(false);
        const DialogAnswerer::Seen box = runToOneBox();
        QCOMPARE(box.title, QStringLiteral("错误"));
        QCOMPARE(box.text, QStringLiteral("串口已关闭"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(!workDir().exists(QStringLiteral("采样数据")));
        QVERIFY(progress.isEmpty());
    }

    void aFileThatCannotBeMadeIsReported()
    {
        startSession();
        // A file holds the folder's name, written byte for byte: the tool's folder is refused
        // only if the tool spells the name on disk the same way.
        const int blocker = ::open((QFile::encodeName(workDir().path()) + '/' + ChineseFolderBytes).constData(),
                                   O_WRONLY | O_CREAT, 0644);
        QVERIFY(blocker >= 0);
        ::close(blocker);
        const DialogAnswerer::Seen box = runToOneBox();
        QCOMPARE(box.title, QStringLiteral("错误"));
        const QString prefix = QStringLiteral("无法创建文件：") + QDir::currentPath() + QStringLiteral("/采样数据/");
        QVERIFY2(box.text.startsWith(prefix) && box.text.endsWith(QStringLiteral(".dat")), qPrintable(box.text));
        // The radar was asked all the same.
        QCOMPARE(requestCodes(), QList<int>{0x06});
        QVERIFY(isDisconnected());
    }

    // Before a run there is nothing to stop: "终止采集" is off, and the window closes by its own
    // close button (or Escape). Closing disconnects, and the log says so.
    void closingTheWindowDisconnects_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("close button") << false;
        QTest::newRow("Escape") << true;
    }
    void closingTheWindowDisconnects()
    {
        QFETCH(bool, byEscape);
        startSession();
        QVERIFY(w().channel().port.isOpen());
        bool stopOff = false;
        whenOpen([&] {
            stopOff = !dialog->ui->pushButton->isEnabled();
            byEscape ? QTest::keyClick(dialog, Qt::Key_Escape) : static_cast<void>(dialog->close());
        });
        runSamplingWindow();
        QVERIFY(stopOff);
        QVERIFY(answerer->seen.isEmpty());
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(isDisconnected());
        QCOMPARE(log().last(), QStringLiteral("已断开与雷达的连接：") + w().channel().port.portName());
        QVERIFY(!log().join(QLatin1Char('\n')).contains(QStringLiteral("采样数据已保存")));
    }

};

RADAR_TEST_MAIN(TestSampling)
#include "tst_sampling.moc"
