// The firmware upgrade when the radar, the line or the operator interferes: an unanswered
// command or start packet, refused and overlong acknowledgements and the resends they cause, a
// set whose pieces run out, and the window closed at each point where the run looks at its stop
// flag. An unanswered data packet, a loader that goes quiet and a dropped line are cells of the
// fault matrix.
#include "linkfixture.h"
#include "maintenancefixture.h"
#include "upgradeprotocol.h"

using namespace upgrade;

class TestUpgradeFaults : public UpgradeFixture
{
    Q_OBJECT

    // A set of five packets (the last one of 904 bytes) in "temp" and the window open.
    void prepare()
    {
        image = firmwareImage(5000, 3);
        QCOMPARE(makeSet(image, 1, 31337), 0);
        openUpgradeWindow();
    }
    QByteArray image;

    QList<quint16> arrivals() const
    {
        QList<quint16> sequences;
        for (const sim::UpgradePacketRecord &p : dataPackets())
            sequences << p.sequence;
        return sequences;
    }

    // Progress after the k-th acknowledged packet of the five-packet set.
    static int progressAfter(int packets) { return int(qMin(packets * 1024, 5000) * 55.0 / 5000 + 5.0); }

private slots:
    void initTestCase() { installWarningGuard(); }
    void cleanup() { endSession(); }

    void withoutTheRadarsAnswerTheRunDoesNotStart_data()
    {
        QTest::addColumn<bool>("portOpen");
        QTest::newRow("port closed") << false;
        QTest::newRow("command unanswered") << true;
    }
    void withoutTheRadarsAnswerTheRunDoesNotStart()
    {
        QFETCH(bool, portOpen);
        startSession(portOpen);
        radar->setFault(0x11, faultSpec(sim::Fault::Silent));
        prepare();
        runUpgrade();
        QCOMPARE(label(), QStringLiteral("串口连接失败"));
        QVERIFY(dialog->ui->pushButtonStart->isEnabled());
        QCOMPARE(endUpdates, 0);
        QCOMPARE(progressSeen, (QList<int>{1, 2, 3, 4, 5}));
        QVERIFY(radar->upgradePackets().isEmpty());
        // With the port open the command went out unanswered and the log says so; else nothing.
        QCOMPARE(requestCodes(), portOpen ? QList<int>{0x11} : QList<int>());
        QCOMPARE(log().mid(portOpen ? log().size() - 1 : 0),
                 portOpen ? QStringList{QStringLiteral("软件升级：超时或无返回值")} : QStringList());
    }

    void badAcknowledgementsAreAnsweredWithTheSamePacket()
    {
        startSession();
        radar->setUpgradePacketFault(0, sim::PacketFault::Rejected, 1);
        radar->setUpgradePacketFault(1, sim::PacketFault::LongAnswer, 1);
        radar->setUpgradePacketFault(2, sim::PacketFault::Rejected, 2);
        radar->setUpgradePacketFault(4, sim::PacketFault::LongAnswer, 2);
        prepare();
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        const QList<sim::UpgradePacketRecord> data = dataPackets();
        QCOMPARE(arrivals(), (QList<quint16>{0, 0, 1, 1, 2, 2, 2, 3, 4, 4, 4}));
        // A resend is the same packet, byte for byte.
        for (int k = 1; k < data.size(); ++k)
            if (data.at(k).sequence == data.at(k - 1).sequence)
                QCOMPARE(data.at(k).bytes, data.at(k - 1).bytes);
        QCOMPARE(data.at(0).status, quint16(0xEE));
        QCOMPARE(data.at(2).answerSize, 73);
        QVERIFY(data.at(3).duplicate);
        QCOMPARE(data.at(4).status, quint16(0xEE));
        QVERIFY(data.at(6).accepted);
        // Each packet counts once in the progress.
        QCOMPARE(progressSeen.mid(5), (QList<int>{16, 27, 38, 50, 60, 70, 80, 90, 100}));
        QVERIFY(isDisconnected());
    }

    // A loader that keeps failing ends the run with the line still its own: the unanswered start
    // packet (its first answer, with a text of its own) and three bad answers to one packet.
    void aLoaderThatKeepsFailingEndsTheRun_data()
    {
        QTest::addColumn<int>("fault");   // on the second packet; -1: the start packet unanswered
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<quint16>>("expectedArrivals");
        QTest::newRow("start packet unanswered") << -1 << "数据通讯没有回复" << QList<quint16>{};
        QTest::newRow("refused three times") << int(sim::PacketFault::Rejected) << "重发请求超过3次" << QList<quint16>{0, 1, 1, 1};
        QTest::newRow("73 bytes three times") << int(sim::PacketFault::LongAnswer) << "重发请求超过3次" << QList<quint16>{0, 1, 1, 1};
    }
    void aLoaderThatKeepsFailingEndsTheRun()
    {
        QFETCH(int, fault);
        QFETCH(QString, expected);
        QFETCH(QList<quint16>, expectedArrivals);
        startSession();
        if (fault < 0)
            radar->setUpgradeStartSilent(true);
        else
            radar->setUpgradePacketFault(1, sim::PacketFault(fault), 3);
        prepare();
        runUpgrade();
        QCOMPARE(label(), expected);
        QCOMPARE(arrivals(), expectedArrivals);
        QCOMPARE(endUpdates, 1);
        QCOMPARE(progressSeen.last(), progressAfter(expectedArrivals.isEmpty() ? 0 : 1));
        QVERIFY(!dialog->ui->pushButtonStart->isEnabled());
        QVERIFY(!isDisconnected());
        QVERIFY(!w().channel().tryAcquireOnce());
    }

    void aSetWhosePiecesRunOutEndsTheRun_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("packetsSent");
        QTest::newRow("pieces hold less than the size") << "size" << "升级文件缺失" << 3;
        QTest::newRow("a piece that cannot be opened") << "folder" << "存在升级文件无法打开" << 1;
    }
    void aSetWhosePiecesRunOutEndsTheRun()
    {
        QFETCH(QString, damage);
        QFETCH(QString, expected);
        QFETCH(int, packetsSent);
        startSession();
        image = firmwareImage(3000, 4);
        const quint32 seed = 606;
        const QVector<int> ranks = pieceRanks(seed, 2);
        QCOMPARE(makeSet(image, 1, seed), 0);
        if (damage == QLatin1String("size")) {
            // The header promises 3071 bytes (still three pieces); the pieces hold 3000.
            QFile header(tempFile(QStringLiteral("0")));
            QVERIFY(header.open(QIODevice::WriteOnly | QIODevice::Truncate));
            header.write(encodeSetHeader(seed, 3071));
        } else if (damage == QLatin1String("folder")) {
            const QString second = QString::number(1 + ranks[1]);
            QVERIFY(QFile::remove(tempFile(second)));
            QVERIFY(workDir().mkpath(QStringLiteral("temp/") + second));
        }
        // A file beside the set, numbered as the next piece would be: it must not be read.
        QFile beyond(tempFile(QStringLiteral("4")));
        QVERIFY(beyond.open(QIODevice::WriteOnly) && beyond.write(QByteArray(1024, 'x')) == 1024);
        beyond.close();
        openUpgradeWindow();
        runUpgrade();
        QCOMPARE(label(), expected);
        QCOMPARE(dataPackets().size(), packetsSent);
        for (const sim::UpgradePacketRecord &p : dataPackets()) {
            QCOMPARE(p.marker, DataMarker);
            QVERIFY(!p.bytes.contains(QByteArray(64, 'x')));
        }
        QCOMPARE(radar->upgradedImage(), image.left(radar->upgradedImage().size()));
        QCOMPARE(endUpdates, 1);
        QVERIFY(!dialog->hasPieceFile());
    }

    // ---- the stop flag ----------------------------------------------------------------------

    void closingTheWindowStopsTheRunAtItsNextCheck_data()
    {
        QTest::addColumn<int>("atProgress");
        QTest::addColumn<bool>("closeLater");   // from the next event rather than at once
        QTest::addColumn<bool>("refuseSecond"); // the second packet is refused once
        QTest::addColumn<QList<quint16>>("expectedArrivals");
        const int one = progressAfter(1);
        QTest::newRow("during the command: after the start packet") << 3 << false << false << QList<quint16>{};
        QTest::newRow("before the next sequence") << one << false << false << QList<quint16>{0};
        QTest::newRow("after an acknowledgement") << one << true << false << QList<quint16>{0, 1};
        QTest::newRow("before a resend") << one << true << true << QList<quint16>{0, 1};
        QTest::newRow("before the completion phase") << 60 << false << false << QList<quint16>{0, 1, 2, 3, 4};
        QTest::newRow("during the completion phase") << 70 << false << false << QList<quint16>{0, 1, 2, 3, 4};
    }
    void closingTheWindowStopsTheRunAtItsNextCheck()
    {
        QFETCH(int, atProgress);
        QFETCH(bool, closeLater);
        QFETCH(bool, refuseSecond);
        QFETCH(QList<quint16>, expectedArrivals);
        startSession();
        if (refuseSecond)
            radar->setUpgradePacketFault(1, sim::PacketFault::Rejected, 1);
        prepare();
        bool closed = false;
        connect(dialog->ui->progressBar, &QProgressBar::valueChanged, this, [&](int v) {
            if (v != atProgress || closed)
                return;
            closed = true;
            if (closeLater)
                QTimer::singleShot(0, dialog, [this] { dialog->close(); });
            else
                dialog->close();
        });
        runUpgrade();
        QVERIFY(closed);
        QCOMPARE(arrivals(), expectedArrivals);
        if (atProgress == 3) {
            // The command and the start packet still went out; nothing after them.
            QCOMPARE(radar->upgradePackets().size(), 1);
            QCOMPARE(radar->upgradePackets().first().marker, StartMarker);
        }
        QCOMPARE(endUpdates, 1);
        QVERIFY(!dialog->succeeded());
        if (expectedArrivals.size() == 2)
            QCOMPARE(dataPackets().last().accepted, !refuseSecond);
        // No message, no success box, still connected; the window is as the close left it.
        QVERIFY(label().isEmpty());
        QCOMPARE(dialog->ui->progressBar->value(), 0);
        QVERIFY(dialog->ui->pushButtonStart->isEnabled());
        QVERIFY(!dialog->isVisible());
        QVERIFY(!isDisconnected());
        QVERIFY(!log().contains(QStringLiteral("升级成功")));
    }
};

RADAR_TEST_MAIN(TestUpgradeFaults)
#include "tst_upgrade_faults.moc"
