// The firmware upgrade against the simulated radar's loader: the set the maker writes, the
// order the tool rebuilds from the header's seed, the packets as the loader received them, the
// image it rebuilt, the status texts and the progress the operator sees, and how a run that
// finds no usable set ends.
#include "frame.h"
#include "maintenancefixture.h"
#include "upgradeprotocol.h"

#include <QRandomGenerator>

using namespace upgrade;

namespace {

// The packets' offsets and lengths follow the pieces: each packet one read of one piece.
QList<int> expectedProgress(const QList<int> &packetLengths, int total)
{
    QList<int> values{1, 2, 3, 4, 5};
    int offset = 0;
    for (int length : packetLengths) {
        offset += length;
        const int value = int(offset * 55.0 / total + 5.0);
        if (values.last() != value)
            values << value;
    }
    return values;
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
        const QVector<int> again = pieceRanks(quint32(0x1badb002), 40);
        QCOMPARE(first, again);
        QVector<int> sorted = first;
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i <= 40; ++i)
            QCOMPARE(sorted[i], i);
        // The order is shuffled, and another seed shuffles it another way.
        QVERIFY(first != sorted);
        QVERIFY(pieceRanks(quint32(0x1badb003), 40) != first);
        QCOMPARE(pieceRanks(quint32(7), 0), QVector<int>{0});
        QVERIFY(pieceRanks(quint32(7), -1).isEmpty());
    }

    void aRepeatedKeyIsDrawnAgain()
    {
        // A source that repeats key 1 right after key 2 and then goes on with the seed's stream.
        // The seed is searched so that the repeat matters: some other piece's key lies between
        // key 1 and key 3, so a repeat that was kept instead of drawn again would move piece 3
        // past it. The order must be the stream's own.
        const int n = 12;
        QVector<quint64> keys;
        quint32 seed = 0;
        const auto between = [&keys](int j) {
            const quint64 low = std::min(keys[1], keys[3]);
            const quint64 high = std::max(keys[1], keys[3]);
            return keys[j] > low && keys[j] < high;
        };
        for (bool found = false; !found;) {
            QRandomGenerator g(++seed);
            keys.clear();
            for (int i = 0; i <= n; ++i)
                keys << g.generate64();
            for (int j = 0; j <= n && !found; ++j)
                found = j != 1 && j != 3 && between(j);
        }
        int draws = 0;
        const QVector<int> withRepeat = pieceRanks(n, [&] {
            const quint64 key = draws < 3 ? keys[draws] : draws == 3 ? keys[1] : keys[draws - 1];
            ++draws;
            return key;
        });
        QCOMPARE(draws, n + 2);
        QCOMPARE(withRepeat, pieceRanks(seed, n));
        // Keys 5, 5, 3: the second piece gets 3 and comes first.
        int calls = 0;
        const QVector<int> twice = pieceRanks(1, [&] {
            ++calls;
            return quint64(calls <= 2 ? 5 : 3);
        });
        QCOMPARE(calls, 3);
        QCOMPARE(twice, (QVector<int>{1, 0}));
    }

    void theMakerWritesTheSetOfADeviceType()
    {
        startSession(false);
        const QByteArray image = firmwareImage(3000);
        QCOMPARE(makeSet(image, 2, 99), 0);
        QDir temp(workDir().filePath(QStringLiteral("temp")));
        QStringList names = temp.entryList(QDir::Files, QDir::Name);
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (QStringList{QStringLiteral("1000"), QStringLiteral("1001"), QStringLiteral("1002"),
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
        QVERIFY(makeSet(image, 1, 1, {QStringLiteral("--piece-sizes"), QStringLiteral("1000,1000")}) != 0);
        QVERIFY(makeSet(image, 1, 1, {QStringLiteral("--piece-sizes"), QStringLiteral("1000,1000,999")}) != 0);
        QVERIFY(makeSet(image, 1, quint32(1), {QStringLiteral("--seed"), QStringLiteral("4294967296")}) != 0);
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
        const QList<int> expected = expectedProgress({1024, 1024, 1024, 1024, 904}, 5000) + QList<int>{70, 80, 90, 100};
        QCOMPARE(progressSeen, expected);
        QCOMPARE(progressSeen.mid(5, 5), (QList<int>{16, 27, 38, 50, 60}));
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().title, QStringLiteral("升级成功"));
        QCOMPARE(boxes.first().text, QStringLiteral("升级成功，请重启设备！"));
        QCOMPARE(endUpdates, 1);
        // Success disconnects: the line and the link lock are free again.
        QVERIFY(isDisconnected());
        QVERIFY(w().channel().tryAcquireOnce());
        w().channel().release();
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->ui->pushButtonStart->isEnabled());
        QCOMPARE(dialog->ui->progressBar->value(), 100);
        QCOMPARE(labels->texts, (QStringList{QStringLiteral("正在升级中，可能需要几分钟"), QStringLiteral("正在擦除"),
                                             QStringLiteral("正在烧录"), QStringLiteral("正在校验")}));

        // The command, then the loader's packets.
        const QList<sim::ReceivedRequest> requests = radar->requests();
        QCOMPARE(requests.size(), 1);
        const QByteArray command = requests.first().bytes;
        QCOMPARE(command.toHex(' '), QByteArray("55 aa 0e 00 f7 04 00 ff 11 ff 01 00 ed ed"));
        const QStringList lines = log();
        const int at = lines.indexOf(QStringLiteral("发送软件升级命令：55 aa 0e 00 f7 04 00 ff 11 ff 01 00 ed ed"));
        QVERIFY2(at >= 0, qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(lines.at(at + 1), QStringLiteral("串口残留："));
        QVERIFY(lines.at(at + 2).startsWith(QStringLiteral("软件升级返回：55 aa 0e 00 ")));
        QVERIFY(lines.contains(QStringLiteral("升级成功")));

        const QList<sim::UpgradePacketRecord> all = radar->upgradePackets();
        QCOMPARE(all.size(), 6);
        const sim::UpgradePacketRecord &start = all.first();
        QCOMPARE(start.bytes.size(), PacketSize);
        QCOMPARE(start.bytes.left(24).toHex(' '),
                 QByteArray("55 aa 00 00 00 00 00 00 00 00 00 00 00 00 00 00 88 13 00 00 6b 5a 00 00"));
        QCOMPARE(start.bytes.mid(24), QByteArray(PacketDataSize, '\0'));
        const QList<sim::UpgradePacketRecord> data = dataPackets();
        QCOMPARE(data.size(), 5);
        for (int k = 0; k < 5; ++k) {
            const sim::UpgradePacketRecord &p = data.at(k);
            QCOMPARE(p.bytes.size(), PacketSize);
            QCOMPARE(int(p.sequence), k);
            QCOMPARE(p.offset, quint32(1024 * k));
            QCOMPARE(p.length, quint32(k < 4 ? 1024 : 904));
            QCOMPARE(p.totalSize, quint32(5000));
            QCOMPARE(p.marker, quint32(k < 4 ? DataMarker : LastMarker));
            QVERIFY(p.checksumOk);
            QVERIFY(p.accepted);
            QCOMPARE(p.bytes.mid(24, int(p.length)), image.mid(1024 * k, int(p.length)));
        }
        // The data area is not cleared between packets: behind the short last piece lie the
        // bytes the piece before it left there.
        QCOMPARE(data.at(4).bytes.mid(24 + 904), data.at(3).bytes.mid(24 + 904));
    }

    // Each packet is one read of one piece: a short piece gives a short packet, and the read
    // after it starts the next piece.
    void packetsFollowThePieces_data()
    {
        QTest::addColumn<QStringList>("pieceSizes");
        QTest::addColumn<QList<quint32>>("lengths");
        QTest::addColumn<QList<int>>("progress");
        // All n + 1 = 3 piece files are written, though the last one is empty and never read.
        QTest::newRow("2 KiB: three files, two packets") << QStringList{} << QList<quint32>{1024, 1024}
                                                           << QList<int>{32, 60, 70, 80, 90, 100};
        QTest::newRow("a short middle piece") << QStringList{QStringLiteral("--piece-sizes"), QStringLiteral("1024,500,524")}
                                              << QList<quint32>{1024, 500, 524} << QList<int>{32, 45, 60, 70, 80, 90, 100};
    }
    void packetsFollowThePieces()
    {
        QFETCH(QStringList, pieceSizes);
        QFETCH(QList<quint32>, lengths);
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
        QList<quint32> seenLengths, markers, sequences;
        for (const sim::UpgradePacketRecord &p : dataPackets()) {
            seenLengths << p.length;
            markers << p.marker;
            sequences << p.sequence;
        }
        QCOMPARE(seenLengths, lengths);
        QList<quint32> expectedMarkers, expectedSequences;
        for (int k = 0; k < lengths.size(); ++k) {
            expectedMarkers << (k + 1 < lengths.size() ? DataMarker : LastMarker);
            expectedSequences << quint32(k);
        }
        QCOMPARE(markers, expectedMarkers);
        QCOMPARE(sequences, expectedSequences);
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
        // the lamps run until the upgrade takes the line.
        ui()->pushButtonConnect->click();
        QVERIFY(waitUntil([&] { return w().pollTimer.isActive() || isDisconnected(); }, 20000));
        QCOMPARE(w().deviceType, 2);
        QVERIFY(w().clockTimer.isActive());
        openUpgradeWindow();
        bool lampsDuringTransfer = true;
        bool pollDuringTransfer = true;
        connect(dialog->ui->progressBar, &QProgressBar::valueChanged, this, [&](int v) {
            if (v == 60) {
                lampsDuringTransfer = w().clockTimer.isActive();
                pollDuringTransfer = w().pollTimer.isActive();
            }
        });
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), typeTwo);
        QVERIFY(!lampsDuringTransfer);
        QVERIFY(!pollDuringTransfer);
        QCOMPARE(dataPackets().size(), 3);
        QVERIFY(isDisconnected());

        // With only the other type's set in "temp" the run finds nothing to send.
        QVERIFY(QFile::remove(tempFile(QStringLiteral("1000"))));
        ui()->pushButtonConnect->click();
        QVERIFY(waitUntil([&] { return w().pollTimer.isActive() || isDisconnected(); }, 20000));
        dialog->close();
        ui()->actionUpdate->trigger();
        runUpgrade();
        QCOMPARE(label(), QStringLiteral("升级文件缺失"));
    }

    // ---- the status texts -------------------------------------------------------------------

    void statusMessagesSteerTheLabelAndTheProgress()
    {
        startSession();
        QByteArray unknownCode = sim::UpgradeStatus::step(QStringLiteral("x")).bytes();
        unknownCode[6] = 7;
        radar->setUpgradeStatusScript({
            sim::UpgradeStatus::step(QStringLiteral("正在擦除和烧录")),
            sim::UpgradeStatus::keepAlive(),
            sim::UpgradeStatus::error(QStringLiteral("闪存写入失败")),
            sim::UpgradeStatus{0, QByteArray(), unknownCode},
            sim::UpgradeStatus::step(QStringLiteral("烧录中")),
            sim::UpgradeStatus{0, QByteArray(), QByteArray::fromHex("44bb0800000003")},   // 7 bytes
            sim::UpgradeStatus::step(QStringLiteral("校验通过")),
            sim::UpgradeStatus{0, QByteArray(), QByteArray::fromHex("44bb000000000000") + "text after the code"},
            sim::UpgradeStatus::finished(),
        });
        QCOMPARE(makeSet(firmwareImage(1100), 1, 3), 0);
        openUpgradeWindow();
        const QList<DialogAnswerer::Seen> boxes = runUpgradeToSuccess();
        QVERIFY(radar->upgradeCompleted());
        QCOMPARE(radar->upgradeStatusesSent(), 9);
        QCOMPARE(labels->texts, (QStringList{QStringLiteral("正在升级中，可能需要几分钟"), QStringLiteral("正在擦除和烧录"),
                                             QStringLiteral("升级出错: 闪存写入失败"), QStringLiteral("未知回复"),
                                             QStringLiteral("烧录中"), QStringLiteral("未知回复"),
                                             QStringLiteral("校验通过"), QStringLiteral("text after the code")}));
        // Both words in one text: erase wins. The progress never goes back.
        QCOMPARE(progressSeen.mid(5), (QList<int>{56, 60, 70, 80, 90, 100}));
        QCOMPARE(boxes.size(), 1);
    }

    void inEnglishTheStepWordsAreEnglish()
    {
        startSession();
        openUpgradeWindow();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("软件升级"));
        // The open window follows the language switch.
        ui()->action_English->trigger();
        QVERIFY(waitUntil([this] { return dialog->windowTitle() == QStringLiteral("Software Upgrade"); }, 2000));
        QCOMPARE(dialog->ui->pushButtonStart->text(), QStringLiteral("Start"));
        radar->setUpgradeStatusScript({
            sim::UpgradeStatus::step(QStringLiteral("擦除")),
            sim::UpgradeStatus::step(QStringLiteral("Burn flash")),
            sim::UpgradeStatus::step(QStringLiteral("erase")),
            sim::UpgradeStatus::step(QStringLiteral("Check image")),
            sim::UpgradeStatus::step(QStringLiteral("Erase done")),
            sim::UpgradeStatus::finished(),
        });
        QCOMPARE(makeSet(firmwareImage(700), 1, 8), 0);
        runUpgradeToSuccess();
        QVERIFY(labels->texts.contains(QStringLiteral("擦除")));
        // The Chinese word and a lower-case one move nothing; then program, verify, erase.
        QCOMPARE(progressSeen.mid(5), (QList<int>{60, 80, 90, 70, 100}));
    }

    // ---- sets that cannot be sent -----------------------------------------------------------

    void aRunWithoutAUsableSetEndsBeforeTheTransfer_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no folder") << "no folder" << "升级文件夹不存在";
        QTest::newRow("no header") << "no header" << "升级文件缺失";
        QTest::newRow("header unreadable") << "header is a folder" << "升级文件无法打开";
        QTest::newRow("header of 15 bytes") << "short header" << "升级文件无法打开";
        QTest::newRow("empty image") << "size 0" << "升级文件无法打开";
        QTest::newRow("4 GiB image") << "size 4 GiB" << "升级文件无法打开";
        QTest::newRow("negative n") << "size 2^41" << "升级文件无法打开";
        QTest::newRow("last file missing") << "no file 3" << "升级文件缺失";
    }
    void aRunWithoutAUsableSetEndsBeforeTheTransfer()
    {
        QFETCH(QString, damage);
        QFETCH(QString, expected);
        startSession();
        QCOMPARE(makeSet(firmwareImage(2048), 1, 5), 0);
        const auto writeHeader = [this](const QByteArray &bytes) {
            QFile header(tempFile(QStringLiteral("0")));
            return header.open(QIODevice::WriteOnly | QIODevice::Truncate) && header.write(bytes) == bytes.size();
        };
        if (damage == QLatin1String("no folder"))
            QVERIFY(QDir(workDir().filePath(QStringLiteral("temp"))).removeRecursively());
        else if (damage == QLatin1String("no header"))
            QVERIFY(QFile::remove(tempFile(QStringLiteral("0"))));
        else if (damage == QLatin1String("header is a folder"))
            QVERIFY(QFile::remove(tempFile(QStringLiteral("0"))) && workDir().mkpath(QStringLiteral("temp/0")));
        else if (damage == QLatin1String("short header"))
            QVERIFY(writeHeader(encodeSetHeader(5, 2048).left(15)));
        else if (damage == QLatin1String("size 0"))
            QVERIFY(writeHeader(encodeSetHeader(5, 0)));
        else if (damage == QLatin1String("size 4 GiB"))
            QVERIFY(writeHeader(encodeSetHeader(5, 0x100000000ull + 2048)));
        else if (damage == QLatin1String("size 2^41"))
            QVERIFY(writeHeader(encodeSetHeader(5, 1ull << 41)));
        else if (damage == QLatin1String("no file 3"))
            QVERIFY(QFile::remove(tempFile(QStringLiteral("3"))));
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
