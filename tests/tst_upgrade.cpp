// The firmware upgrade against the simulated radar's loader: the set the maker writes, the
// order the tool rebuilds from the header's seed, the packets as the loader received them, the
// image it rebuilt, the status texts and the progress the operator sees, and how a run that
// finds no usable set ends.
#include "frame.h"
#include "maintenancefixture.h"
#include "upgradeprotocol.h"

#include <QRandomGenerator>

using namespace upgrade;

Q_DECLARE_METATYPE(sim::UpgradeStatus)

namespace {

// What the loader made of a data packet: sequence, offset, length, total size, marker.
QString fields(const sim::UpgradePacketRecord &p)
{
    return QStringLiteral("%1 %2 %3 %4 %5").arg(p.sequence).arg(p.offset).arg(p.length).arg(p.totalSize).arg(p.marker, 0, 16);
}

} // namespace

class TestUpgrade : public UpgradeFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }
    void cleanup() { endSession(); }

    // ---- the piece order --------------------------------------------------------------------

    void pieceOrderIsAPermutationFixedByTheSeed()
    {
        const QVector<int> first = pieceRanks(quint32(0x1badb002), 40);
        QCOMPARE(pieceRanks(quint32(0x1badb002), 40), first);
        QVector<int> sorted = first;
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i <= 40; ++i)
            QCOMPARE(sorted[i], i);
        // The order is shuffled, and another seed shuffles it another way.
        QVERIFY(first != sorted);
        QVERIFY(pieceRanks(quint32(0x1badb003), 40) != first);
        QCOMPARE(pieceRanks(quint32(7), 0), QVector<int>{0});
        QVERIFY(pieceRanks(quint32(7), -1).isEmpty());
        // The seed's keys are its generator's 64-bit draws.
        QRandomGenerator generator(99);
        QCOMPARE(pieceRanks(12, [&generator] { return generator.generate64(); }), pieceRanks(quint32(99), 12));
    }

    // Keys 4, 6, 4, 5, 3: the third piece's key repeats one drawn two pieces before, so it is
    // drawn again and gets 5; the fourth piece goes on with the next key. Rank = smaller keys.
    void aRepeatedKeyIsDrawnAgain()
    {
        const QList<quint64> keys{4, 6, 4, 5, 3};
        int draws = 0;
        QCOMPARE(pieceRanks(3, [&] { return keys.value(draws++, 99); }), (QVector<int>{1, 3, 2, 0}));
        QCOMPARE(draws, 5);
    }

    void theMakerWritesTheSetOfADeviceType()
    {
        startSession(false);
        const QByteArray image = firmwareImage(3000);
        QCOMPARE(makeSet(image, 2, 99), 0);
        QDir temp(workDir().filePath(QStringLiteral("temp")));
        QCOMPARE(temp.entryList(QDir::Files, QDir::Name), (QStringList{QStringLiteral("1000"), QStringLiteral("1001"), QStringLiteral("1002"),
                                     QStringLiteral("1003")}));
        QFile header(temp.filePath(QStringLiteral("1000")));
        QVERIFY(header.open(QIODevice::ReadOnly));
        QCOMPARE(header.readAll().toHex(' '), QByteArray("63 00 00 00 00 00 00 00 b8 0b 00 00 00 00 00 00"));
        // Piece i lies in the file the seed's order names; the pieces hold the image in order.
        const QVector<int> ranks = pieceRanks(quint32(99), 2);
        QByteArray joined;
        for (int i = 0; i <= 2; ++i) {
            QFile piece(temp.filePath(QString::number(1001 + ranks[i])));
            QVERIFY(piece.open(QIODevice::ReadOnly));
            joined += piece.readAll();
        }
        QCOMPARE(joined, image);
        // The maker refuses what it cannot make.
        QVERIFY(makeSet(QByteArray(), 1, 1) != 0);
        for (const char *refused : {"--piece-sizes 1000,1000", "--piece-sizes 1000,1000,999", "--seed 4294967296"})
            QVERIFY2(makeSet(image, 1, 1, QString::fromLatin1(refused).split(QLatin1Char(' '))) != 0, refused);
    }

    // ---- whole upgrades ---------------------------------------------------------------------

    void aWholeUpgradeFlashesTheImage()
    {
        startSession();
        const QByteArray image = firmwareImage(5000);   // four whole pieces and 904 bytes
        QCOMPARE(makeSet(image, 1, 20240611), 0);
        openUpgradeWindow();
        const QList<DialogAnswerer::Seen> boxes = runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        QVERIFY(radar->upgradeCompleted());
        QCOMPARE(progressSeen, (QList<int>{1, 2, 3, 4, 5, 16, 27, 38, 50, 60, 70, 80, 90, 100}));
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().title, QStringLiteral("升级成功"));
        QCOMPARE(boxes.first().text, QStringLiteral("升级成功，请重启设备！"));
        QCOMPARE(endUpdates, 1);
        // Success disconnects: the line and the link lock are free again.
        QVERIFY(isDisconnected());
        QVERIFY(w().channel().tryAcquireOnce());
        w().channel().release();
        QVERIFY(!dialog->isVisible() && !dialog->ui->pushButtonStart->isEnabled());
        QCOMPARE(labels->texts, (QStringList{QStringLiteral("正在升级中，可能需要几分钟"), QStringLiteral("正在擦除"),
                                             QStringLiteral("正在烧录"), QStringLiteral("正在校验")}));

        // The command, its trace in the log, then the loader's packets.
        QCOMPARE(radar->requests().size(), 1);
        QCOMPARE(radar->requests().first().bytes.toHex(' '), QByteArray("55 aa 0e 00 f7 04 00 ff 11 ff 01 00 ed ed"));
        const QStringList lines = log();
        const int at = lines.indexOf(QStringLiteral("发送软件升级命令：55 aa 0e 00 f7 04 00 ff 11 ff 01 00 ed ed"));
        QVERIFY2(at >= 0, qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(lines.at(at + 1), QStringLiteral("串口残留："));
        QVERIFY(lines.at(at + 2).startsWith(QStringLiteral("软件升级返回：55 aa 0e 00 ")));
        QVERIFY(lines.contains(QStringLiteral("升级成功")));

        const QList<sim::UpgradePacketRecord> all = radar->upgradePackets();
        QCOMPARE(all.size(), 6);
        QCOMPARE(all.first().bytes.left(24).toHex(' '),
                 QByteArray("55 aa 00 00 00 00 00 00 00 00 00 00 00 00 00 00 88 13 00 00 6b 5a 00 00"));
        QCOMPARE(all.first().bytes.mid(24), QByteArray(PacketDataSize, '\0'));
        const QList<sim::UpgradePacketRecord> data = dataPackets();
        QStringList seen;
        for (const sim::UpgradePacketRecord &p : data) {
            seen << fields(p);
            QCOMPARE(p.bytes.size(), PacketSize);
            QVERIFY(p.checksumOk && p.accepted);
            QCOMPARE(p.bytes.mid(24, int(p.length)), image.mid(int(p.offset), int(p.length)));
        }
        QCOMPARE(seen, (QStringList{"0 0 1024 5000 1234", "1 1024 1024 5000 1234", "2 2048 1024 5000 1234",
                                    "3 3072 1024 5000 1234", "4 4096 904 5000 5678"}));
        // The data area is not cleared between packets: behind the short last piece lie the
        // bytes the piece before it left there.
        QCOMPARE(data.at(4).bytes.mid(24 + 904), data.at(3).bytes.mid(24 + 904));
    }

    // Each packet is one read of one piece: a short piece gives a short packet, and the read
    // after it starts the next piece.
    void packetsFollowThePieces_data()
    {
        QTest::addColumn<QStringList>("pieceSizes");
        QTest::addColumn<QStringList>("packets");
        QTest::addColumn<QList<int>>("progress");
        // All n + 1 = 3 piece files are written, though the last one is empty and never read.
        QTest::newRow("2 KiB: three files, two packets") << QStringList{} << QStringList{"0 0 1024 2048 1234", "1 1024 1024 2048 5678"}
                                                           << QList<int>{32, 60, 70, 80, 90, 100};
        QTest::newRow("a short middle piece") << QStringList{QStringLiteral("--piece-sizes"), QStringLiteral("1024,500,524")}
                                              << QStringList{"0 0 1024 2048 1234", "1 1024 500 2048 1234", "2 1524 524 2048 5678"}
                                              << QList<int>{32, 45, 60, 70, 80, 90, 100};
    }
    void packetsFollowThePieces()
    {
        QFETCH(QStringList, pieceSizes);
        QFETCH(QStringList, packets);
        QFETCH(QList<int>, progress);
        startSession();
        const QByteArray image = firmwareImage(2048, 5);
        QCOMPARE(makeSet(image, 1, 77, pieceSizes), 0);
        for (const char *name : {"0", "1", "2", "3"})
            QVERIFY(QFile::exists(tempFile(QLatin1String(name))));
        QVERIFY(!QFile::exists(tempFile(QStringLiteral("4"))));
        openUpgradeWindow();
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        QStringList seen;
        for (const sim::UpgradePacketRecord &p : dataPackets())
            seen << fields(p);
        QCOMPARE(seen, packets);
        QCOMPARE(progressSeen.mid(5), progress);
    }

    void deviceTypeTwoUsesItsOwnBlock()
    {
        startSession(false);
        sim::Identity id = radar->identity();
        id.deviceType = 2;
        radar->setIdentity(id);
        const QByteArray typeOne = firmwareImage(1500, 1);
        const QByteArray typeTwo = firmwareImage(2500, 2);
        QCOMPARE(makeSet(typeOne, 1, 11), 0);
        QCOMPARE(makeSet(typeTwo, 2, 22), 0);
        // A real connection: the device type comes from the radar's identity, and the poll and
        // the lamps stop while the upgrade has the line.
        ui()->pushButtonConnect->click();
        QVERIFY(waitUntil([&] { return w().pollTimer.isActive() || isDisconnected(); }, 20000));
        QVERIFY(w().pollTimer.isActive() && w().clockTimer.isActive());
        openUpgradeWindow();
        bool quietDuringTransfer = false;
        connect(dialog->ui->progressBar, &QProgressBar::valueChanged, this, [&](int v) {
            if (v == 60)
                quietDuringTransfer = !w().clockTimer.isActive() && !w().pollTimer.isActive();
        });
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), typeTwo);
        QVERIFY(quietDuringTransfer);
        QVERIFY(isDisconnected());

        // With only the other type's set in "temp" the run finds nothing to send.
        QVERIFY(QFile::remove(tempFile(QStringLiteral("1000"))));
        ui()->pushButtonConnect->click();
        QVERIFY(waitUntil([&] { return w().pollTimer.isActive() || isDisconnected(); }, 20000));
        // The operator opens the finished window again and closes it, which readies it for a run.
        ui()->actionUpdate->trigger();
        dialog->close();
        ui()->actionUpdate->trigger();
        runUpgrade();
        QCOMPARE(label(), QStringLiteral("升级文件缺失"));
    }

    // ---- the status texts -------------------------------------------------------------------

    // In Chinese: both words in one text, erase wins; an error, a keep-alive, an unknown code,
    // a short message and text after the code; the progress never goes back. In English (the
    // open window follows the switch) the Chinese word and a lower-case one move nothing;
    // then program, verify, erase.
    void statusMessagesSteerTheLabelAndTheProgress_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QList<sim::UpgradeStatus>>("script");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QList<int>>("progress");
        using S = sim::UpgradeStatus;
        QByteArray unknownCode = S::step(QStringLiteral("x")).bytes();
        unknownCode[6] = 7;
        QTest::newRow("Chinese")
            << false
            << QList<S>{S::step(QStringLiteral("正在擦除和烧录")), S::keepAlive(), S::error(QStringLiteral("闪存写入失败")),
                        S{0, {}, unknownCode}, S::step(QStringLiteral("烧录中")), S{0, {}, hexBytes("44 bb 08 00 00 00 03")},
                        S::step(QStringLiteral("校验通过")), S{0, {}, hexBytes("44 bb 00 00 00 00 00 00") + "text after the code"},
                        S::finished()}
            << QStringList{QStringLiteral("正在升级中，可能需要几分钟"), QStringLiteral("正在擦除和烧录"), QStringLiteral("升级出错: 闪存写入失败"),
                           QStringLiteral("未知回复"), QStringLiteral("烧录中"), QStringLiteral("未知回复"), QStringLiteral("校验通过"),
                           QStringLiteral("text after the code")}
            << QList<int>{56, 60, 70, 80, 90, 100};
        QTest::newRow("English")
            << true
            << QList<S>{S::step(QStringLiteral("擦除")), S::step(QStringLiteral("Burn flash")), S::step(QStringLiteral("erase")),
                        S::step(QStringLiteral("Check image")), S::step(QStringLiteral("Erase done")), S::finished()}
            << QStringList{QStringLiteral("Upgrading, this may take a few minutes"), QStringLiteral("擦除"), QStringLiteral("Burn flash"),
                           QStringLiteral("erase"), QStringLiteral("Check image"), QStringLiteral("Erase done")}
            << QList<int>{56, 60, 80, 90, 70, 100};
    }
    void statusMessagesSteerTheLabelAndTheProgress()
    {
        QFETCH(bool, english);
        QFETCH(QList<sim::UpgradeStatus>, script);
        QFETCH(QStringList, shown);
        QFETCH(QList<int>, progress);
        startSession();
        openUpgradeWindow();
        if (english) {
            ui()->action_English->trigger();
            QVERIFY(waitUntil([this] { return dialog->windowTitle() == QStringLiteral("Software Upgrade"); }, 2000));
        }
        radar->setUpgradeStatusScript(script);
        QCOMPARE(makeSet(firmwareImage(1100), 1, 3), 0);
        QCOMPARE(runUpgradeToSuccess().size(), 1);
        QVERIFY(radar->upgradeCompleted());
        QCOMPARE(radar->upgradeStatusesSent(), script.size());
        QCOMPARE(labels->texts, shown);
        QCOMPARE(progressSeen.mid(5), progress);
    }

    // ---- sets that cannot be sent -----------------------------------------------------------

    // The set of 2 KiB for seed 5 with one thing wrong: a file gone or turned into a folder, or
    // a header rewritten.
    void aRunWithoutAUsableSetEndsBeforeTheTransfer_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("expected");
        const QString unreadable = QStringLiteral("升级文件无法打开");
        QTest::newRow("no folder") << "temp" << QByteArray() << "升级文件夹不存在";
        QTest::newRow("no header") << "0" << QByteArray() << "升级文件缺失";
        QTest::newRow("header unreadable") << "0/" << QByteArray() << unreadable;
        QTest::newRow("last file missing") << "3" << QByteArray() << "升级文件缺失";
        QTest::newRow("header of 15 bytes") << "" << encodeSetHeader(5, 2048).left(15) << unreadable;
        QTest::newRow("empty image") << "" << encodeSetHeader(5, 0) << unreadable;
        QTest::newRow("4 GiB image") << "" << encodeSetHeader(5, 0x100000000ull + 2048) << unreadable;
        QTest::newRow("negative n") << "" << encodeSetHeader(5, 1ull << 41) << unreadable;
    }
    void aRunWithoutAUsableSetEndsBeforeTheTransfer()
    {
        QFETCH(QString, damage);
        QFETCH(QByteArray, header);
        QFETCH(QString, expected);
        startSession();
        QCOMPARE(makeSet(firmwareImage(2048), 1, 5), 0);
        if (damage == QLatin1String("temp")) {
            QVERIFY(QDir(workDir().filePath(damage)).removeRecursively());
        } else if (!damage.isEmpty()) {
            QVERIFY(QFile::remove(tempFile(damage.left(1))));
            if (damage.endsWith(QLatin1Char('/')))
                QVERIFY(workDir().mkpath(QStringLiteral("temp/") + damage));
        } else {
            QFile file(tempFile(QStringLiteral("0")));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(header), qint64(header.size()));
        }
        openUpgradeWindow();
        runUpgrade();
        QCOMPARE(label(), expected);
        QCOMPARE(endUpdates, 1);
        QVERIFY(!dialog->ui->pushButtonStart->isEnabled());
        // The radar got the command and nothing after it; the loader still has the line.
        QCOMPARE(requestCodes(), QList<int>{0x11});
        QVERIFY(radar->upgradePackets().isEmpty());
        QVERIFY(!w().channel().tryAcquireOnce());
        QVERIFY(!isDisconnected());
        QCOMPARE(progressSeen, (QList<int>{1, 2, 3, 4, 5}));
    }
};

RADAR_TEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
