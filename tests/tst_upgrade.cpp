// The firmware upgrade against the simulated radar's loader: the set the maker writes, the
// order the tool rebuilds from the header's seed, the packets as the loader received them, the
// image it rebuilt, the status texts and the progress the operator sees, and how a run that
// finds no usable set ends.
#include "frame.h"
#include "maintenancefixture.h"
#include "upgradeprotocol.h"

#include <QSerialPort>

#include <random>
#include <set>
#include <vector>

#include <sys/ioctl.h>

using namespace upgrade;

Q_DECLARE_METATYPE(sim::UpgradeStatus)

namespace {

// The order of the pieces for this seed and n = 11, one number per piece: the file it lies in,
// counted from the first piece file.
constexpr quint32 PinnedSeed = 20240611;
const QVector<int> PinnedOrder{9, 8, 5, 11, 0, 4, 10, 6, 7, 2, 1, 3};

// The order from the standard library alone: the generator seeded with the one seed word as
// its whole seed sequence, each key made of two 32-bit draws (the first one the low half), a
// key drawn before drawn again, each piece ranked by the number of keys below its own.
QVector<int> twisterOrder(quint32 seed, int lastPiece)
{
    std::seed_seq sequence{seed};
    std::mt19937 twister(sequence);
    std::vector<quint64> keys;
    std::set<quint64> drawn;
    for (int i = 0; i <= lastPiece; ++i) {
        quint64 key;
        do {
            const quint64 low = twister();
            key = low | quint64(twister()) << 32;
        } while (!drawn.insert(key).second);
        keys.push_back(key);
    }
    QVector<int> ranks;
    for (quint64 key : keys)
        ranks << int(std::count_if(keys.begin(), keys.end(), [key](quint64 k) { return k < key; }));
    return ranks;
}

// Lets the held second part of a split status message go once the tool has taken the first
// part off its port (nothing left in the line or in the port's buffer), so that every message
// reaches the tool in two reads of its port.
class SplitGate : public QObject
{
public:
    SplitGate(sim::RadarSimulator *radar, DialogUpdate *dialog) : radar(radar), dialog(dialog)
    {
        connect(&timer, &QTimer::timeout, this, [this] { look(); });
        timer.start(1);
    }
    int released = 0;

private:
    void look()
    {
        QSerialPort *port = dialog->serialPort();
        if (!port || !port->isOpen())
            return;
        if (!watching) {
            watching = port;
            connect(port, &QSerialPort::readyRead, this, [this] { firstPartSeen = firstPartSeen || radar->statusPartHeld(); });
        }
        if (!radar->statusPartHeld()) {
            firstPartSeen = false;
            return;
        }
        int inLine = 0;
        ::ioctl(int(port->handle()), FIONREAD, &inLine);
        if (inLine > 0 || port->bytesAvailable() > 0) {
            firstPartSeen = true;
            return;
        }
        if (firstPartSeen) {
            firstPartSeen = false;
            radar->releaseStatusPart();
            ++released;
        }
    }
    sim::RadarSimulator *radar;
    DialogUpdate *dialog;
    QSerialPort *watching = nullptr;
    bool firstPartSeen = false;
    QTimer timer;
};

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
    }

    void pieceOrderOfOneSeedIsPinned()
    {
        QCOMPARE(pieceRanks(PinnedSeed, 11), PinnedOrder);
        QCOMPARE(twisterOrder(PinnedSeed, 11), PinnedOrder);
        QCOMPARE(pieceRanks(quint32(0x1badb002), 40), twisterOrder(0x1badb002, 40));
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
        const QVector<int> ranks = twisterOrder(99, 2);
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

    // A set written here rather than by the maker, by the pinned order: twelve pieces, the sixth
    // one empty (a packet of length 0 that leaves the data area as it was) and the last one of
    // 1324 bytes (two packets from one file).
    void aSetWrittenByHandIsSentInImageOrder()
    {
        startSession();
        const QVector<int> sizes{1024, 1024, 1024, 1024, 1024, 0, 1024, 1024, 1024, 1024, 1024, 1324};
        const QByteArray image = firmwareImage(11564, 9);
        QVERIFY(workDir().mkdir(QStringLiteral("temp")));
        const auto write = [this](const QString &name, const QByteArray &content) {
            QFile file(tempFile(name));
            return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
        };
        QVERIFY(write(QStringLiteral("0"), hexBytes("e3 d8 34 01 00 00 00 00 2c 2d 00 00 00 00 00 00")));
        int at = 0;
        for (int i = 0; i < sizes.size(); ++i) {
            QVERIFY(write(QString::number(1 + PinnedOrder[i]), image.mid(at, sizes[i])));
            at += sizes[i];
        }
        QCOMPARE(at, image.size());
        openUpgradeWindow();
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        const QList<sim::UpgradePacketRecord> data = dataPackets();
        QStringList seen;
        for (const sim::UpgradePacketRecord &p : data) {
            seen << fields(p);
            QVERIFY(p.checksumOk && p.accepted);
        }
        QCOMPARE(seen, (QStringList{"0 0 1024 11564 1234", "1 1024 1024 11564 1234", "2 2048 1024 11564 1234",
                                    "3 3072 1024 11564 1234", "4 4096 1024 11564 1234", "5 5120 0 11564 1234",
                                    "6 5120 1024 11564 1234", "7 6144 1024 11564 1234", "8 7168 1024 11564 1234",
                                    "9 8192 1024 11564 1234", "10 9216 1024 11564 1234", "11 10240 1024 11564 1234",
                                    "12 11264 300 11564 5678"}));
        QCOMPARE(data.at(5).checksum, quint32(0));
        QCOMPARE(data.at(5).bytes.mid(24), data.at(4).bytes.mid(24));
        QCOMPARE(progressSeen.mid(5, 3), (QList<int>{9, 14, 19}));
        QCOMPARE(progressSeen.mid(progressSeen.size() - 4), (QList<int>{70, 80, 90, 100}));
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
        // The empty piece is a packet of length 0; the progress stays where it was.
        QTest::newRow("an empty middle piece") << QStringList{QStringLiteral("--piece-sizes"), QStringLiteral("1024,0,1024")}
                                               << QStringList{"0 0 1024 2048 1234", "1 1024 0 2048 1234", "2 1024 1024 2048 5678"}
                                               << QList<int>{32, 60, 70, 80, 90, 100};
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

    // What the completion phase makes of the bytes held from the poll before and the bytes a
    // poll brought: the messages it acts on, in order, and the bytes it keeps for the next poll.
    void statusBytesAreCutAtClosingZeros_data()
    {
        QTest::addColumn<QByteArray>("held");
        QTest::addColumn<QByteArray>("arrived");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QByteArray>("kept");
        QTest::newRow("zeros in the header") << QByteArray() << hexBytes("00 00 00 00 00 00 03 00 4f 4b 00")
                                             << QStringList{"00 00 00 00 00 00 03 00 4f 4b 00"} << QByteArray();
        QTest::newRow("zero right at the text") << QByteArray() << hexBytes("44 bb 00 00 00 00 01 00 00")
                                                << QStringList{"44 bb 00 00 00 00 01 00 00"} << QByteArray();
        QTest::newRow("two in one read, length beyond both")
            << QByteArray() << hexBytes("44 bb ff ff 00 00 00 00 41 00 01 02 03 04 05 06 03 00 00")
            << QStringList{"44 bb ff ff 00 00 00 00 41 00", "01 02 03 04 05 06 03 00 00"} << QByteArray();
        QTest::newRow("one and the start of the next") << QByteArray() << hexBytes("44 bb 0b 00 00 00 00 00 41 00 44 bb 0b")
                                                       << QStringList{"44 bb 0b 00 00 00 00 00 41 00"} << hexBytes("44 bb 0b");
        QTest::newRow("the rest joins the start") << hexBytes("44 bb 0b 00 00 00 03") << hexBytes("00 4f 4b 00 44")
                                                  << QStringList{"44 bb 0b 00 00 00 03 00 4f 4b 00"} << hexBytes("44");
        QTest::newRow("no closing zero yet") << hexBytes("44 bb 00 00") << hexBytes("00 00 03 00 4f 4b") << QStringList{}
                                             << hexBytes("44 bb 00 00 00 00 03 00 4f 4b");
        QTest::newRow("a silent poll takes what is held") << hexBytes("44 bb 00 00 00 00 03 00 4f 4b") << QByteArray()
                                                          << QStringList{"44 bb 00 00 00 00 03 00 4f 4b"} << QByteArray();
        QTest::newRow("short, then silence") << hexBytes("44 bb 00") << QByteArray() << QStringList{"44 bb 00"} << QByteArray();
        QTest::newRow("silence") << QByteArray() << QByteArray() << QStringList{} << QByteArray();
    }
    void statusBytesAreCutAtClosingZeros()
    {
        QFETCH(QByteArray, held);
        QFETCH(QByteArray, arrived);
        QFETCH(QStringList, messages);
        QFETCH(QByteArray, kept);
        const StatusFraming framing = frameStatusMessages(held, arrived);
        QStringList seen;
        for (const QByteArray &m : framing.messages)
            seen << QString::fromLatin1(m.toHex(' '));
        QCOMPARE(seen, messages);
        QCOMPARE(framing.held.toHex(' '), kept.toHex(' '));
    }

    // The loader's five usual messages (erase, keep-alive, program, verify, finished) with
    // headers of any content (and lengths at bytes 2 and 3 beyond the message) 60 ms apart, so
    // that a poll often brings one and the start of the next; all in one write; or without
    // their closing zeros, 300 ms apart.
    void statusMessagesHoweverTheLoaderWritesThem_data()
    {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<bool>("randomHeader");
        QTest::addColumn<bool>("oneWrite");
        QTest::addColumn<bool>("noClosingZero");
        QTest::addColumn<QStringList>("shown");
        const QString upgrading = QStringLiteral("正在升级中，可能需要几分钟");
        const QStringList eachShown{upgrading, QStringLiteral("正在擦除"), QStringLiteral("正在烧录"), QStringLiteral("正在校验")};
        // All at once, only the last text stays long enough to be seen.
        const QStringList lastShown{upgrading, QStringLiteral("正在校验")};
        QTest::newRow("random headers") << 60 << true << false << false << eachShown;
        QTest::newRow("one write") << 300 << false << true << false << lastShown;
        QTest::newRow("one write, random headers") << 300 << true << true << false << lastShown;
        QTest::newRow("no closing zeros") << 300 << false << false << true << eachShown;
        QTest::newRow("no closing zeros, random headers") << 300 << true << false << true << eachShown;
    }
    void statusMessagesHoweverTheLoaderWritesThem()
    {
        QFETCH(int, gapMs);
        QFETCH(bool, randomHeader);
        QFETCH(bool, oneWrite);
        QFETCH(bool, noClosingZero);
        QFETCH(QStringList, shown);
        startSession();
        sim::StatusDelivery delivery;
        delivery.randomHeader = randomHeader;
        delivery.oneWrite = oneWrite;
        delivery.noClosingZero = noClosingZero;
        radar->setUpgradeStatusDelivery(delivery);
        radar->setUpgradeStatusGapMs(gapMs);
        const QByteArray image = firmwareImage(1100, 6);
        QCOMPARE(makeSet(image, 1, 8), 0);
        openUpgradeWindow();
        QCOMPARE(runUpgradeToSuccess().size(), 1);
        QCOMPARE(radar->upgradedImage(), image);
        QVERIFY(radar->upgradeCompleted());
        QCOMPARE(radar->upgradeStatusesSent(), 5);
        QCOMPARE(labels->texts, shown);
        QCOMPARE(progressSeen.mid(5), (QList<int>{56, 60, 70, 80, 90, 100}));
        QVERIFY(isDisconnected());
    }

    // Every message (erase 15 bytes, keep-alive 9, finished 11; headers of any content) comes
    // in two reads of the port, cut at one position; one row per position.
    void aStatusMessageCutAnywhereIsJoined_data()
    {
        QTest::addColumn<int>("cutAt");
        for (int cut = 1; cut < 15; ++cut)
            QTest::addRow("cut at %d", cut) << cut;
    }
    void aStatusMessageCutAnywhereIsJoined()
    {
        QFETCH(int, cutAt);
        startSession();
        using S = sim::UpgradeStatus;
        const QList<S> script{S::step(QStringLiteral("擦除")), S::keepAlive(), S::finished()};
        radar->setUpgradeStatusScript(script);
        radar->setUpgradeStatusGapMs(50);
        sim::StatusDelivery delivery;
        delivery.randomHeader = true;
        delivery.splitAt = cutAt;
        delivery.splitGapMs = -1;
        radar->setUpgradeStatusDelivery(delivery);
        const QByteArray image = firmwareImage(1100, 7);
        QCOMPARE(makeSet(image, 1, 8), 0);
        openUpgradeWindow();
        SplitGate gate(radar.get(), dialog);
        QCOMPARE(runUpgradeToSuccess().size(), 1);
        QCOMPARE(radar->upgradedImage(), image);
        QVERIFY(radar->upgradeCompleted());
        QCOMPARE(gate.released, int(std::count_if(script.begin(), script.end(), [cutAt](const S &m) { return m.bytes().size() > cutAt; })));
        QCOMPARE(labels->texts, (QStringList{QStringLiteral("正在升级中，可能需要几分钟"), QStringLiteral("擦除")}));
        QCOMPARE(progressSeen.mid(5), (QList<int>{56, 60, 70, 100}));
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
