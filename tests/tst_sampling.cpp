// Data sampling against the simulated radar's stream: the request on the wire, the sample file
// against the bytes the radar put on the line, the stop question, the warnings, the folder
// that follows the language, and the disconnect when the window closes. A line dropped during
// a run is a cell of the fault matrix.
#include "dialoggetdata.h"
#include "maintenancefixture.h"
#include "ui_dialoggetdata.h"

#include <QRegularExpression>

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
                if (dialog)
                    dialog->ui->pushButton->click();
            });
        };
        ui()->actionGetData->trigger();
        dialog = nullptr;
        QVERIFY2(driver->failures.isEmpty(), qPrintable(driver->failures.join(QLatin1Char('\n'))));
        QVERIFY(driver->done());
    }

    // The first step of every run: the window is up.
    Driver &whenOpen(std::function<void()> action)
    {
        return driver->when(QStringLiteral("window open"),
                            [this] {
                                dialog = w().findChild<DialogGetData *>();
                                return dialog && dialog->isVisible();
                            },
                            [this, action] {
                                connect(dialog->ui->progressBar, &QProgressBar::valueChanged, this,
                                        [this](int v) { progress << v; });
                                action();
                            });
    }

    QList<sim::ReceivedRequest> samplingRequests() const
    {
        QList<sim::ReceivedRequest> list;
        for (const sim::ReceivedRequest &r : radar->requests())
            if (r.functionCode == 0x06)
                list << r;
        return list;
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

    void aStoppedRunKeepsWhatTheRadarSent()
    {
        startSession();
        // Bytes that wait before the request are not part of the sample.
        radar->sendRaw(QByteArray("stale bytes before the request"));
        QTest::qWait(50);
        qint64 atNo = 0;
        bool startWasOff = false;
        bool minutesWereOff = false;
        whenOpen([this] {
            dialog->ui->spinBox->setValue(5);
            dialog->ui->pushButtonStartData->click();
        });
        driver->when(QStringLiteral("streaming"), [this] { return radar->sampledBytesSent() > 3000; }, [&] {
            startWasOff = !dialog->ui->pushButtonStartData->isEnabled();
            minutesWereOff = !dialog->ui->spinBox->isEnabled();
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

        QVERIFY(startWasOff);
        QVERIFY(minutesWereOff);
        const QList<sim::ReceivedRequest> requests = samplingRequests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().bytes.toHex(' '), QByteArray("55 aa 10 00 f5 04 00 ff 06 ff 01 00 02 05 ed ed"));
        QCOMPARE(answerer->seen.size(), 2);
        for (const DialogAnswerer::Seen &seen : answerer->seen) {
            QCOMPARE(seen.title, QStringLiteral("提示"));
            QCOMPARE(seen.text, QStringLiteral("是否确定终止采集并保存当前数据？"));
        }

        const QStringList files = sampleFiles(QStringLiteral("采样数据"));
        QCOMPARE(files.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("/采样数据/\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d\\.dat$"))
                     .match(files.first()).hasMatch(), qPrintable(files.first()));
        const QByteArray content = fileContent(files.first());
        QVERIFY(content.size() > atNo);
        QCOMPARE(content, radar->sampledOutput().left(content.size()));
        QVERIFY(content.startsWith(QByteArray::fromHex("55aa0e00")));
        QVERIFY(!content.contains("stale"));
        QVERIFY(!progress.isEmpty());
        QVERIFY(*std::max_element(progress.begin(), progress.end()) < 100);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QVERIFY(isDisconnected());
    }

    void aWholeMinuteEndsWithTheWholeStreamInTheFile()
    {
        driver = std::make_unique<Driver>(90000);
        startSession();
        whenOpen([this] {
            answerer->answerMessageBox(QMessageBox::Ok, 90000);
            dialog->ui->pushButtonStartData->click();
        });
        QString path;
        driver->when(QStringLiteral("run over"), [this] { return !answerer->pending() && dialog->isIdle(); },
                     [this, &path] {
                         path = dialog->filePath();
                         QCOMPARE(dialog->ui->progressBar->value(), 100);
                         dialog->ui->pushButton->click();
                     });
        runSamplingWindow();
        QVERIFY(answerer->waitDone(1000));
        QCOMPARE(answerer->seen.size(), 1);
        QCOMPARE(answerer->seen.first().title, QStringLiteral("成功"));
        QCOMPARE(answerer->seen.first().text, QStringLiteral("数据采集成功：") + path);
        QVERIFY(!radar->isSampling());
        const QByteArray content = fileContent(path);
        // The acknowledgement, then 59.75 s of the stream at 11,520 bytes a second.
        QCOMPARE(radar->sampledBytesSent(), qint64(14 + 688320));
        QCOMPARE(qint64(content.size()), radar->sampledBytesSent());
        QVERIFY(content == radar->sampledOutput());
        QCOMPARE(content.mid(14, 4096), sim::RadarSimulator::samplePattern(0, 4096));
        QCOMPARE(progress.count(100), 1);
        QCOMPARE(progress.last(), 100);
        QVERIFY(isDisconnected());
    }

    void aClosedPortIsReportedAndClosingAsksNothing()
    {
        startSession(false);
        whenOpen([this] {
            answerer->answerMessageBox(QMessageBox::Ok);
            dialog->ui->pushButtonStartData->click();
        });
        driver->when(QStringLiteral("warning answered"), [this] { return !answerer->pending(); },
                     [this] { dialog->ui->pushButton->click(); });
        runSamplingWindow();
        QVERIFY(answerer->waitDone(1000));
        QCOMPARE(answerer->seen.size(), 1);
        QCOMPARE(answerer->seen.first().title, QStringLiteral("错误"));
        QCOMPARE(answerer->seen.first().text, QStringLiteral("串口已关闭"));
        QCOMPARE(answerer->seen.first().icon, QMessageBox::Warning);
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(!workDir().exists(QStringLiteral("采样数据")));
        QVERIFY(progress.isEmpty());
    }

    void aFileThatCannotBeMadeIsReported()
    {
        startSession();
        // Something else holds the folder's name.
        QFile blocker(workDir().filePath(QStringLiteral("采样数据")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        whenOpen([this] {
            answerer->answerMessageBox(QMessageBox::Ok);
            dialog->ui->pushButtonStartData->click();
        });
        driver->when(QStringLiteral("warning answered"), [this] { return !answerer->pending() && dialog->isIdle(); },
                     [this] { dialog->ui->pushButton->click(); });
        runSamplingWindow();
        QVERIFY(answerer->waitDone(1000));
        QCOMPARE(answerer->seen.size(), 1);
        QCOMPARE(answerer->seen.first().title, QStringLiteral("错误"));
        const QString prefix = QStringLiteral("无法创建文件：") + QDir::currentPath() + QStringLiteral("/采样数据/");
        QVERIFY2(answerer->seen.first().text.startsWith(prefix), qPrintable(answerer->seen.first().text));
        QVERIFY(answerer->seen.first().text.endsWith(QStringLiteral(".dat")));
        // The radar was asked all the same.
        QCOMPARE(samplingRequests().size(), 1);
        QVERIFY(isDisconnected());
    }

    void closingTheWindowDisconnects()
    {
        startSession();
        QVERIFY(w().channel().port.isOpen());
        whenOpen([this] { dialog->ui->pushButton->click(); });
        runSamplingWindow();
        QVERIFY(answerer->seen.isEmpty());
        QVERIFY(radar->requests().isEmpty());
        QVERIFY(isDisconnected());
        QVERIFY(w().findChild<DialogGetData *>() == nullptr);
    }

    void inEnglishTheSamplesGoToTheirOwnFolder()
    {
        startSession();
        ui()->action_English->trigger();
        whenOpen([this] {
            QCOMPARE(dialog->ui->pushButtonStartData->text(), QStringLiteral("Start Sampling"));
            dialog->ui->pushButtonStartData->click();
        });
        driver->when(QStringLiteral("streaming"), [this] { return radar->sampledBytesSent() > 2000; }, [this] {
            answerer->answerMessageBox(QMessageBox::Yes);
            dialog->ui->pushButton->click();
        });
        runSamplingWindow();
        QVERIFY(answerer->waitDone(1000));
        const QStringList files = sampleFiles(QStringLiteral("Sampled Data"));
        QCOMPARE(files.size(), 1);
        QVERIFY(!workDir().exists(QStringLiteral("采样数据")));
        const QByteArray content = fileContent(files.first());
        QVERIFY(!content.isEmpty());
        QCOMPARE(content, radar->sampledOutput().left(content.size()));
    }
};

RADAR_TEST_MAIN(TestSampling)
#include "tst_sampling.moc"
