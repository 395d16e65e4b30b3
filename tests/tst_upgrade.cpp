// The firmware upgrade against the simulated radar's loader: the set the maker writes, the
// order the tool rebuilds from the header's seed, the packets as the loader received them, the
// image it rebuilt, the status texts and the progress the operator sees, a run that finds no
// usable set (it names what is missing and never asks the radar), and a radar left in its loader
// (said in the window, the log and the status bar; the plot emptied; a second run sends the set
// straight to the loader). Then the run when the radar, the line or the operator interferes:
// an unanswered command or start packet, refused and overlong acknowledgements and the resends
// they cause, a set whose pieces run out, and the window closed at each point where the run
// looks at its stop flag. An unanswered data packet, a loader that goes quiet and a dropped
// line are cells of the fault matrix.
#include "frame.h"
#include "sceneitems.h"
#include "maintenancefixture.h"
#include "radarhistory.h"

#include <random>

#include <sys/ioctl.h>

using namespace upgrade;

Q_DECLARE_METATYPE(sim::UpgradeStatus)
Q_DECLARE_METATYPE(sim::StatusDelivery)

namespace {

// The order of the pieces for this seed and n = 11, one number per piece: the file it lies in,
// counted from the first piece file.
constexpr quint32 PinnedSeed = 20240611;

// What the window says once a run has left the radar in its loader.
const QString LoaderWaiting = QStringLiteral("雷达在升级程序中等待：请重启雷达后重新连接，或再次运行升级");
const QVector<int> PinnedOrder{9, 8, 5, 11, 0, 4, 10, 6, 7, 2, 1, 3};

// Ways a run fails before any data packet, beside the packet faults.
enum RunFault { PortClosed = -3, CommandUnanswered = -2, StartUnanswered = -1 };

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

// What the loader made of each data packet: sequence, offset, length, total size, marker.
QStringList fields(const QList<sim::UpgradePacketRecord> &packets)
{
    QStringList seen;
    for (const sim::UpgradePacketRecord &p : packets)
        seen << QStringLiteral("%1 %2 %3 %4 %5").arg(p.sequence).arg(p.offset).arg(p.length).arg(p.totalSize).arg(p.marker, 0, 16);
    return seen;
}

} // namespace

class TestUpgrade : public UpgradeFixture
{
    Q_OBJECT

    QByteArray image;
    // An image of the given size made into a set in "temp" by the maker, and the window open.
    void prepare(int size, int salt, quint32 seed, const QStringList &makerOptions = {})
    {
        image = firmwareImage(size, salt);
        QCOMPARE(makeSet(image, 1, seed, makerOptions), 0);
        openUpgradeWindow();
    }
    QStringList setFiles() const { return QDir(tempFile(QString())).entryList(QDir::Files, QDir::Name); }
    QList<quint16> arrivals() const
    {
        QList<quint16> sequences;
        for (const sim::UpgradePacketRecord &p : dataPackets())
            sequences << p.sequence;
        return sequences;
    }
    // A one-piece set (1100 bytes) run to its one box, the success box, with the image whole in
    // the loader and the loader done; opened lets the test act on the open window first.
    void runOnePieceSet(int salt, const std::function<void()> &opened = {})
    {
        prepare(1100, salt, 8);
        if (opened)
            opened();
        QCOMPARE(runUpgradeToSuccess().size(), 1);
        QCOMPARE(radar->upgradedImage(), image);
        QVERIFY(radar->upgradeCompleted());
    }
    // Progress after the k-th acknowledged packet of a five-packet set of 5000 bytes.
    static int progressAfter(int packets) { return int(qMin(packets * 1024, 5000) * 55.0 / 5000 + 5.0); }

private slots:
    void initTestCase() { installWarningGuard(); }
    void cleanup() { endSession(); }

    // ---- the piece order --------------------------------------------------------------------

    // The pinned order, and for 41 pieces the standard library's own shuffle (a permutation,
    // since no key is drawn twice); one piece and none.
    void pieceOrderOfOneSeedIsPinned()
    {
        QCOMPARE(pieceRanks(PinnedSeed, 11), PinnedOrder);
        QCOMPARE(twisterOrder(PinnedSeed, 11), PinnedOrder);
        QCOMPARE(pieceRanks(quint32(0x1badb002), 40), twisterOrder(0x1badb002, 40));
        QCOMPARE(pieceRanks(quint32(7), 0), QVector<int>{0});
        QVERIFY(pieceRanks(quint32(7), -1).isEmpty());
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
        QCOMPARE(setFiles(), (QStringList{"1000", "1001", "1002", "1003"}));
        QCOMPARE(fileBytes(tempFile(QStringLiteral("1000"))).toHex(' '), QByteArray("63 00 00 00 00 00 00 00 b8 0b 00 00 00 00 00 00"));
        // Piece i lies in the file the seed's order names; the pieces hold the image in order.
        const QVector<int> ranks = twisterOrder(99, 2);
        QByteArray joined;
        for (int i = 0; i <= 2; ++i)
            joined += fileBytes(tempFile(QString::number(1001 + ranks[i])));
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
        prepare(5000, 0, 20240611);   // four whole pieces and 904 bytes
        const QList<DialogAnswerer::Seen> boxes = runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        QVERIFY(radar->upgradeCompleted());
        QCOMPARE(progressSeen, (QList<int>{1, 2, 3, 4, 5, 16, 27, 38, 50, 60, 70, 80, 90, 100}));
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().title + '|' + boxes.first().text, QStringLiteral("升级成功|升级成功，请重启设备！"));
        QCOMPARE(endUpdates, 1);
        // Success disconnects: the line and the link lock are free again.
        QVERIFY(isDisconnected());
        QVERIFY(linkFree());
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
        // The loader takes a packet only whole, summed right and at the offset it has reached,
        // so the image it rebuilt and the packets' fields (no resend among them) vouch for each.
        const QList<sim::UpgradePacketRecord> data = dataPackets();
        QVERIFY(std::all_of(data.begin(), data.end(), [](const sim::UpgradePacketRecord &p) { return p.bytes.size() == PacketSize; }));
        QCOMPARE(fields(data), (QStringList{"0 0 1024 5000 1234", "1 1024 1024 5000 1234", "2 2048 1024 5000 1234",
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
        image = firmwareImage(11564, 9);
        QVERIFY(workDir().mkdir(QStringLiteral("temp")));
        QVERIFY(writeFile(tempFile(QStringLiteral("0")), hexBytes("e3 d8 34 01 00 00 00 00 2c 2d 00 00 00 00 00 00")));
        for (int i = 0, at = 0; i < sizes.size(); at += sizes[i++])
            QVERIFY(writeFile(tempFile(QString::number(1 + PinnedOrder[i])), image.mid(at, sizes[i])));
        openUpgradeWindow();
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        const QList<sim::UpgradePacketRecord> data = dataPackets();
        QCOMPARE(fields(data), (QStringList{"0 0 1024 11564 1234", "1 1024 1024 11564 1234", "2 2048 1024 11564 1234",
                                    "3 3072 1024 11564 1234", "4 4096 1024 11564 1234", "5 5120 0 11564 1234",
                                    "6 5120 1024 11564 1234", "7 6144 1024 11564 1234", "8 7168 1024 11564 1234",
                                    "9 8192 1024 11564 1234", "10 9216 1024 11564 1234", "11 10240 1024 11564 1234",
                                    "12 11264 300 11564 5678"}));
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
        startSession();
        prepare(2048, 5, 77, pieceSizes);
        QCOMPARE(setFiles(), (QStringList{"0", "1", "2", "3"}));
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        QTEST(fields(dataPackets()), "packets");
        QTEST(progressSeen.mid(5), "progress");
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

        // With only the other type's set in "temp" the run finds nothing to send: the label
        // names the header of the connected radar's type, and the radar is never asked.
        QVERIFY(QFile::remove(tempFile(QStringLiteral("1000"))));
        ui()->pushButtonConnect->click();
        QVERIFY(waitUntil([&] { return w().pollTimer.isActive() || isDisconnected(); }, 20000));
        // The operator opens the finished window again and closes it, which readies it for a run.
        ui()->actionUpdate->trigger();
        dialog->close();
        ui()->actionUpdate->trigger();
        radar->clearRequests();
        runUpgrade();
        QCOMPARE(label(), QStringLiteral("升级文件缺失：") + QDir::currentPath() + QStringLiteral("/temp/1000"));
        QVERIFY(!requestCodes().contains(0x11));
        QVERIFY(waitUntil([&] { return requestCodes().count(0x06) >= 2; }));

        // The radar's history keeps the run that reached the radar, with the set it took; the
        // one that found no set never asked the radar and is not an upgrade.
        RadarHistory history;
        QVERIFY(history.open(RadarHistory::defaultPath(), RadarHistory::Missing::Refuse));
        QStringList runs;
        for (const HistoryEntry &e : history.entriesOf(ui()->labelID->text()))
            if (e.action == QLatin1String(HistoryAction::FirmwareUpgraded))
                runs.prepend(e.result + ' ' + e.details.value(QStringLiteral("set")).toString());
        QCOMPARE(runs, (QStringList{"ok temp/1000"}));
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
        startSession();
        radar->setUpgradeStatusScript(script);
        runOnePieceSet(0, [&] {
            if (english) {
                ui()->action_English->trigger();
                QVERIFY(waitUntil([this] { return dialog->windowTitle() == QStringLiteral("Firmware Upgrade"); }, 2000));
            }
        });
        QCOMPARE(radar->upgradeStatusesSent(), script.size());
        QTEST(labels->texts, "shown");
        QTEST(progressSeen.mid(5), "progress");
    }

    // What the completion phase makes of the bytes held from the poll before and the bytes a
    // poll brought: the messages it acts on, in order, and the bytes it keeps for the next poll.
    void statusBytesAreCutAtClosingZeros_data()
    {
        QTest::addColumn<QByteArray>("held");
        QTest::addColumn<QByteArray>("arrived");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QByteArray>("kept");   // as hex text
        const auto row = [](const char *name, const char *held, const char *arrived, const QStringList &messages, const char *kept) {
            QTest::newRow(name) << hexBytes(held) << hexBytes(arrived) << messages << QByteArray(kept);
        };
        row("zeros in the header", "", "00 00 00 00 00 00 03 00 4f 4b 00", {"00 00 00 00 00 00 03 00 4f 4b 00"}, "");
        row("zero right at the text", "", "44 bb 00 00 00 00 01 00 00", {"44 bb 00 00 00 00 01 00 00"}, "");
        row("two in one read, length beyond both", "", "44 bb ff ff 00 00 00 00 41 00 01 02 03 04 05 06 03 00 00",
            {"44 bb ff ff 00 00 00 00 41 00", "01 02 03 04 05 06 03 00 00"}, "");
        row("one and the start of the next", "", "44 bb 0b 00 00 00 00 00 41 00 44 bb 0b", {"44 bb 0b 00 00 00 00 00 41 00"}, "44 bb 0b");
        row("the rest joins the start", "44 bb 0b 00 00 00 03", "00 4f 4b 00 44", {"44 bb 0b 00 00 00 03 00 4f 4b 00"}, "44");
        row("no closing zero yet", "44 bb 00 00", "00 00 03 00 4f 4b", {}, "44 bb 00 00 00 00 03 00 4f 4b");
        row("a silent poll takes what is held", "44 bb 00 00 00 00 03 00 4f 4b", "", {"44 bb 00 00 00 00 03 00 4f 4b"}, "");
        row("short, then silence", "44 bb 00", "", {"44 bb 00"}, "");
        row("silence", "", "", {}, "");
    }
    void statusBytesAreCutAtClosingZeros()
    {
        QFETCH(QByteArray, held);
        QFETCH(QByteArray, arrived);
        const StatusFraming framing = frameStatusMessages(held, arrived);
        QStringList seen;
        for (const QByteArray &m : framing.messages)
            seen << QString::fromLatin1(m.toHex(' '));
        QTEST(seen, "messages");
        QTEST(framing.held.toHex(' '), "kept");
    }

    // The loader's five usual messages (erase, keep-alive, program, verify, finished) with
    // headers of any content (and lengths at bytes 2 and 3 beyond the message) 60 ms apart, so
    // that a poll often brings one and the start of the next; all in one write; or without
    // their closing zeros, 300 ms apart.
    void statusMessagesHoweverTheLoaderWritesThem_data()
    {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<sim::StatusDelivery>("delivery");
        QTest::addColumn<QStringList>("shown");
        const auto delivery = [](bool randomHeader, bool oneWrite, bool noClosingZero) {
            return sim::StatusDelivery{randomHeader, oneWrite, 0, 40, noClosingZero};
        };
        const QString upgrading = QStringLiteral("正在升级中，可能需要几分钟");
        const QStringList eachShown{upgrading, QStringLiteral("正在擦除"), QStringLiteral("正在烧录"), QStringLiteral("正在校验")};
        // All at once, only the last text stays long enough to be seen.
        const QStringList lastShown{upgrading, QStringLiteral("正在校验")};
        QTest::newRow("random headers") << 60 << delivery(true, false, false) << eachShown;
        QTest::newRow("one write") << 300 << delivery(false, true, false) << lastShown;
        QTest::newRow("one write, random headers") << 300 << delivery(true, true, false) << lastShown;
        QTest::newRow("no closing zeros") << 300 << delivery(false, false, true) << eachShown;
        QTest::newRow("no closing zeros, random headers") << 300 << delivery(true, false, true) << eachShown;
    }
    void statusMessagesHoweverTheLoaderWritesThem()
    {
        QFETCH(int, gapMs);
        QFETCH(sim::StatusDelivery, delivery);
        startSession();
        radar->setUpgradeStatusDelivery(delivery);
        radar->setUpgradeStatusGapMs(gapMs);
        runOnePieceSet(6);
        QCOMPARE(radar->upgradeStatusesSent(), 5);
        QTEST(labels->texts, "shown");
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
        radar->setUpgradeStatusDelivery(sim::StatusDelivery{true, false, cutAt, -1, false});
        std::unique_ptr<SplitGate> gate;
        runOnePieceSet(7, [&] { gate = std::make_unique<SplitGate>(radar.get(), dialog); });
        QCOMPARE(gate->released, int(std::count_if(script.begin(), script.end(), [cutAt](const S &m) { return m.bytes().size() > cutAt; })));
        QCOMPARE(labels->texts, (QStringList{QStringLiteral("正在升级中，可能需要几分钟"), QStringLiteral("擦除")}));
        QCOMPARE(progressSeen.mid(5), (QList<int>{56, 60, 70, 100}));
    }

    // ---- sets that cannot be sent -----------------------------------------------------------

    // The set of 2 KiB for seed 5 with one thing wrong: a file gone or turned into a folder, or
    // a header rewritten. The label names what was looked for, and the radar is never asked.
    void aRunWithoutAUsableSetSendsNothing_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("expected");
        const QString unreadable = QStringLiteral("升级文件无法打开：temp/0");
        QTest::newRow("no folder") << "temp" << QByteArray() << "升级文件夹不存在：temp";
        QTest::newRow("no header") << "0" << QByteArray() << "升级文件缺失：temp/0";
        QTest::newRow("header unreadable") << "0/" << QByteArray() << unreadable;
        QTest::newRow("last file missing") << "3" << QByteArray() << "升级文件缺失：temp/3";
        QTest::newRow("header of 15 bytes") << "" << encodeSetHeader(5, 2048).left(15) << unreadable;
        QTest::newRow("empty image") << "" << encodeSetHeader(5, 0) << unreadable;
        QTest::newRow("4 GiB image") << "" << encodeSetHeader(5, 0x100000000ull + 2048) << unreadable;
        QTest::newRow("negative n") << "" << encodeSetHeader(5, 1ull << 41) << unreadable;
    }
    void aRunWithoutAUsableSetSendsNothing()
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
            QVERIFY(writeFile(tempFile(QStringLiteral("0")), header));
        }
        openUpgradeWindow();
        runUpgrade();
        const int at = expected.indexOf(QStringLiteral("temp"));
        QCOMPARE(label(), expected.left(at) + QDir::currentPath() + QLatin1Char('/') + expected.mid(at));
        // Nothing went out: the radar still runs its detection, the line is the window's own,
        // and the operator can mend the set and press "开始" again.
        QVERIFY(requestCodes().isEmpty());
        QVERIFY(radar->upgradePackets().isEmpty());
        QCOMPARE(endUpdates, 0);
        QVERIFY(dialog->ui->pushButtonStart->isEnabled());
        QVERIFY(linkFree());
        QVERIFY(!isDisconnected());
        QVERIFY(progressSeen.isEmpty());
    }

    // A run that fails once the radar has taken the upgrade command leaves it in its loader:
    // the window says so (its label, the log, the status bar), the plot no longer shows the
    // last polled targets as if live, and running the upgrade again sends the set straight to
    // the waiting loader.
    void aRadarLeftInItsLoaderIsShownAndCanBeUpgradedAgain()
    {
        startSession(false);
        image = firmwareImage(2048, 8);
        QCOMPARE(makeSet(image, 1, 12), 0);
        radar->setTargets(3);
        ui()->pushButtonConnect->click();
        RadarView *plot = ui()->graphicsView;
        const auto targetsShown = [plot]() -> int {
            for (QGraphicsItem *item : plot->scene()->items())
                if (auto *t = dynamic_cast<const TargetsItem *>(item))
                    return int(t->targets().size());
            return 0;
        };
        QVERIFY(waitUntil([&] { return targetsShown() > 0; }, 20000));
        radar->setUpgradeStartSilent(true);
        openUpgradeWindow();
        runUpgrade();
        // The label says so (checked in aRunTheRadarFailsEnds), and so do the log and status bar.
        QVERIFY(log().contains(QStringLiteral("升级失败，") + LoaderWaiting));
        QCOMPARE(targetsShown(), 0);
        QCOMPARE(w().linkStatusLabel()->text(), QStringLiteral("雷达在升级程序中等待：") + w().channel().port.portName());
        QVERIFY(!isDisconnected());

        radar->setUpgradeStartSilent(false);
        runUpgradeToSuccess();
        QCOMPARE(radar->upgradedImage(), image);
        QCOMPARE(requestCodes().count(0x11), 1);
        QVERIFY(isDisconnected());
    }

    // ---- interference ------------------------------------------------------------------------

    void badAcknowledgementsAreAnsweredWithTheSamePacket()
    {
        startSession();
        radar->setUpgradePacketFault(0, sim::PacketFault::Rejected, 1);
        radar->setUpgradePacketFault(1, sim::PacketFault::LongAnswer, 1);
        radar->setUpgradePacketFault(2, sim::PacketFault::Rejected, 2);
        radar->setUpgradePacketFault(4, sim::PacketFault::LongAnswer, 2);
        prepare(5000, 3, 31337);
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

    // A run the radar fails. Without the command's answer (the port closed, or the command
    // unanswered) the run never starts: nothing reaches the loader and the line is the window's
    // again. Once the radar has taken the command, its unanswered start packet (the first
    // answer, with a text of its own) or three bad answers to one packet leave the radar waiting
    // in its loader, the line still its own. Either way "开始" can be pressed again.
    void aRunTheRadarFailsEnds_data()
    {
        QTest::addColumn<int>("fault");   // on the second packet, or one of the three before the transfer
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<quint16>>("expectedArrivals");
        QTest::newRow("port closed") << int(PortClosed) << "串口连接失败" << QList<quint16>{};
        QTest::newRow("command unanswered") << int(CommandUnanswered) << "串口连接失败" << QList<quint16>{};
        QTest::newRow("start packet unanswered") << int(StartUnanswered) << "数据通讯没有回复\n" + LoaderWaiting << QList<quint16>{};
        QTest::newRow("refused three times") << int(sim::PacketFault::Rejected) << "重发请求超过3次\n" + LoaderWaiting
                                             << QList<quint16>{0, 1, 1, 1};
        QTest::newRow("73 bytes three times") << int(sim::PacketFault::LongAnswer) << "重发请求超过3次\n" + LoaderWaiting
                                              << QList<quint16>{0, 1, 1, 1};
    }
    void aRunTheRadarFailsEnds()
    {
        QFETCH(int, fault);
        QFETCH(QList<quint16>, expectedArrivals);
        const bool asked = fault != PortClosed, inLoader = asked && fault != CommandUnanswered;
        startSession(asked);
        if (!inLoader)
            radar->setFault(0x11, faultSpec(sim::Fault::Silent));
        else if (fault == StartUnanswered)
            radar->setUpgradeStartSilent(true);
        else
            radar->setUpgradePacketFault(1, sim::PacketFault(fault), 3);
        prepare(5000, 3, 31337);
        runUpgrade();
        QTEST(label(), "expected");
        QCOMPARE(arrivals(), expectedArrivals);
        QCOMPARE(requestCodes(), (asked ? QList<int>{0x11} : QList<int>()));
        QCOMPARE(radar->upgradePackets().isEmpty(), !inLoader);
        QCOMPARE(endUpdates, inLoader ? 1 : 0);
        // The progress goes through the preparation (to 5) and on by the packets the loader took.
        QCOMPARE(progressSeen.mid(0, 5), (asked ? QList<int>{1, 2, 3, 4, 5} : QList<int>()));
        QCOMPARE(progressSeen.value(progressSeen.size() - 1), asked ? progressAfter(expectedArrivals.isEmpty() ? 0 : 1) : 0);
        QVERIFY(dialog->ui->pushButtonStart->isEnabled());
        QCOMPARE(isDisconnected(), !asked);
        if (asked)
            QCOMPARE(linkFree(), !inLoader);
        // With the port open the unanswered command is in the log; with it closed, nothing is.
        if (!inLoader)
            QCOMPARE(log().mid(asked ? log().size() - 1 : 0), asked ? QStringList{QStringLiteral("软件升级：超时或无返回值")} : QStringList());
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
        QFETCH(int, packetsSent);
        startSession();
        image = firmwareImage(3000, 4);
        const quint32 seed = 606;
        const QVector<int> ranks = pieceRanks(seed, 2);
        QCOMPARE(makeSet(image, 1, seed), 0);
        if (damage == QLatin1String("size")) {
            // The header promises 3071 bytes (still three pieces); the pieces hold 3000.
            QVERIFY(writeFile(tempFile(QStringLiteral("0")), encodeSetHeader(seed, 3071)));
        } else if (damage == QLatin1String("folder")) {
            const QString second = QString::number(1 + ranks[1]);
            QVERIFY(QFile::remove(tempFile(second)));
            QVERIFY(workDir().mkpath(QStringLiteral("temp/") + second));
        }
        // A file beside the set, numbered as the next piece would be: it must not be read.
        QVERIFY(writeFile(tempFile(QStringLiteral("4")), QByteArray(1024, 'x')));
        openUpgradeWindow();
        runUpgrade();
        QFETCH(QString, expected);
        QCOMPARE(label(), expected + QLatin1Char('\n') + LoaderWaiting);
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
        QTest::newRow("while preparing: nothing is sent") << 3 << false << false << QList<quint16>{};
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
        prepare(5000, 3, 31337);
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
        // Closed before the radar was asked, the radar is not asked at all; later, the window
        // comes back saying that the radar waits in its loader.
        const bool asked = atProgress != 3;
        QCOMPARE(requestCodes(), (asked ? QList<int>{0x11} : QList<int>()));
        QCOMPARE(radar->upgradePackets().isEmpty(), !asked);
        QCOMPARE(endUpdates, asked ? 1 : 0);
        if (expectedArrivals.size() == 2)
            QCOMPARE(dataPackets().last().accepted, !refuseSecond);
        // No success box, still connected; the window is as the close left it.
        QCOMPARE(label(), asked ? LoaderWaiting : QString());
        QCOMPARE(dialog->ui->progressBar->value(), 0);
        QVERIFY(dialog->ui->pushButtonStart->isEnabled());
        QVERIFY(!dialog->isVisible());
        QVERIFY(!isDisconnected());
        QVERIFY(!log().contains(QStringLiteral("升级成功")));
    }
};

RADAR_TEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
