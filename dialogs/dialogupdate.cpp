#include "dialogupdate.h"
#include "ui_dialogupdate.h"

#include "eventwait.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QSerialPort>

using namespace upgrade;

namespace {
constexpr int PreparationDelayMs = 3000;
constexpr int AttemptsPerPacket = 3;
constexpr int AnswerWaits = 50;
constexpr int AnswerWaitMs = 100;
constexpr int StatusPollMs = 100;
constexpr int SilentPollsAllowed = 100;
} // namespace

DialogUpdate::DialogUpdate(QWidget *parent) : QDialog(parent), ui(new Ui::DialogUpdate)
{
    ui->setupUi(this);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setPalette(QPalette(Qt::white));
    setAutoFillBackground(true);
}

DialogUpdate::~DialogUpdate()
{
    closePieceFile();
    delete ui;
}

void DialogUpdate::setProgress(int value)
{
    ui->progressBar->setValue(value);
}

void DialogUpdate::closePieceFile()
{
    if (pieceFile)
        pieceFile->close();
    pieceFile.reset();
}

void DialogUpdate::closeEvent(QCloseEvent *event)
{
    ui->label->clear();
    ui->progressBar->setValue(0);
    // While a run winds down the button stays off: a second run started under it would share
    // its packet, its piece file and its flags. The run turns it on when it has ended.
    if (!runActive)
        ui->pushButtonStart->setEnabled(true);
    stopFlag = true;
    event->accept();
}

void DialogUpdate::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}

void DialogUpdate::on_pushButtonStart_clicked()
{
    if (runActive)
        return;
    runActive = true;
    stopFlag = false;
    port = nullptr;
    radarConnected = false;
    ui->pushButtonStart->setEnabled(false);
    emit aboutToStart();
    // Nothing goes to the radar before the set is known to be complete: once it has taken the
    // upgrade command it waits in its loader for a set.
    const QString problem = radarConnected ? checkSet() : tr("串口连接失败");
    if (problem.isEmpty())
        emit updateFile();
    successFlag = false;
    if (!port) {
        runActive = false;
        ui->pushButtonStart->setEnabled(true);
        if (stopFlag) {
            // Closed before the radar was asked: the window stays as the close left it.
            ui->label->clear();
            ui->progressBar->setValue(0);
        } else {
            ui->label->setText(problem.isEmpty() ? tr("串口连接失败") : problem);
        }
        return;
    }
    transfer();
    runActive = false;
    if (stopFlag) {
        // Closed during the run: the window comes back as the close left it, whatever the
        // run wrote after the close.
        ui->label->clear();
        ui->progressBar->setValue(0);
    }
    if (!successFlag) {
        // The radar took the upgrade command and is left in its loader: the operator must know
        // that it runs no detection now, and what brings it back.
        const QString waiting = tr("雷达在升级程序中等待：请重启雷达后重新连接，或再次运行升级");
        ui->label->setText(ui->label->text().isEmpty() ? waiting : ui->label->text() + QLatin1Char('\n') + waiting);
        ui->pushButtonStart->setEnabled(true);
    } else if (stopFlag) {
        ui->pushButtonStart->setEnabled(true);
    }
    emit endUpdate();
}

QString DialogUpdate::checkSet()
{
    const QDir folder(QStringLiteral("temp"));
    if (!folder.exists())
        return tr("升级文件夹不存在：%1").arg(QDir::toNativeSeparators(folder.absolutePath()));
    setPrefix = folder.absolutePath() + QLatin1Char('/');
    const int base = fileBase(deviceTypeCode);
    const auto pathOf = [this](qint64 number) { return QDir::toNativeSeparators(setPrefix + QString::number(number)); };

    QFile headerFile(pathOf(base));
    if (!headerFile.exists())
        return tr("升级文件缺失：%1").arg(headerFile.fileName());
    if (!headerFile.open(QIODevice::ReadOnly))
        return tr("升级文件无法打开：%1").arg(headerFile.fileName());
    const QByteArray headerBytes = headerFile.read(HeaderFileSize);
    headerFile.close();
    // A short header has no size to trust, and a size the packets cannot carry (or nothing at
    // all to flash) is no upgrade: the set is refused before anything goes to the radar.
    if (parseSetHeader(headerBytes, &setHeader) != HeaderCheck::Usable)
        return tr("升级文件无法打开：%1").arg(headerFile.fileName());
    const int n = setHeader.lastPiece;
    for (int i = 0; i <= n; ++i) {
        const QString piece = pathOf(qint64(base) + 1 + i);
        if (!QFile::exists(piece))
            return tr("升级文件缺失：%1").arg(piece);
    }
    pieceOrder = pieceRanks(setHeader.seed, n);
    return QString();
}

QByteArray DialogUpdate::readWaiting()
{
    return port->isOpen() ? port->readAll() : QByteArray();
}

void DialogUpdate::transfer()
{
    const int base = fileBase(deviceTypeCode);
    const auto pathOf = [this](qint64 number) { return setPrefix + QString::number(number); };
    const SetHeader &header = setHeader;
    const int n = header.lastPiece;
    const QVector<int> &ranks = pieceOrder;

    ui->label->setText(tr("正在升级中，可能需要几分钟"));
    eventwait::delay(PreparationDelayMs);

    const quint32 total = header.totalSize();
    packet = UpgradePacket();
    packet.setSequence(0);
    packet.setOffset(0);
    packet.setLength(0);
    packet.setTotalSize(total);
    packet.setMarker(StartMarker);
    QByteArray answer;
    if (!sendPacket(&answer)) {
        ui->label->setText(tr("数据通讯没有回复"));
        return;
    }

    packet.setMarker(DataMarker);
    if (stopFlag)
        return;
    int openings = 0;
    for (;;) {
        if (pieceFile && pieceFile->atEnd())
            closePieceFile();
        if (!pieceFile) {
            // The pieces of the set are spent before the size is reached: the set holds less
            // than its header promises. Nothing outside the set is ever opened.
            if (openings > n) {
                ui->label->setText(tr("升级文件缺失"));
                return;
            }
            pieceFile = std::make_unique<QFile>(pathOf(qint64(base) + 1 + ranks[openings]));
            ++openings;
            if (!pieceFile->open(QIODevice::ReadOnly)) {
                closePieceFile();
                ui->label->setText(tr("存在升级文件无法打开"));
                return;
            }
        }
        const qint64 got = pieceFile->read(packet.data(), PacketDataSize);
        if (got < 0) {
            closePieceFile();
            ui->label->setText(tr("存在升级文件无法打开"));
            return;
        }
        // An empty piece still makes its packet: of length 0, acknowledged like any other, and
        // the next read comes from the next piece.
        const quint32 offset = packet.offset();
        quint32 length = quint32(got);
        // In 64 bits: near the 4 GiB limit offset + length would wrap around in 32.
        if (quint64(length) + offset >= total) {
            packet.setMarker(LastMarker);
            length = total - offset;
        }
        packet.setLength(length);

        int attempts = AttemptsPerPacket;
        for (;;) {
            if (stopFlag)
                return;
            if (!sendPacket(&answer)) {
                ui->label->setText(tr("升级命令没有回复"));
                return;
            }
            if (isAcceptedAcknowledgement(answer))
                break;
            if (--attempts == 0) {
                ui->label->setText(tr("重发请求超过%1次").arg(AttemptsPerPacket));
                return;
            }
        }
        if (stopFlag)
            return;
        const quint32 sent = offset + length;
        packet.setOffset(sent);
        setProgress(transferProgress(sent, total));
        if (sent >= total)
            break;
        packet.setSequence(quint16(packet.sequence() + 1));
        if (stopFlag)
            return;
    }

    if (stopFlag)
        return;
    int countdown = SilentPollsAllowed;
    QByteArray held;
    for (;;) {
        eventwait::delay(StatusPollMs);
        const QByteArray arrived = readWaiting();
        // Messages are cut at their closing zeros, never by their header: one read may bring
        // several, or part of one whose rest comes with the next poll.
        const StatusFraming framing = frameStatusMessages(held, arrived);
        held = framing.held;
        if (arrived.isEmpty() && framing.messages.isEmpty()) {
            if (--countdown == 0) {
                if (!stopFlag)
                    ui->label->setText(tr("后续处理无返回"));
                return;
            }
            if (stopFlag)
                return;
            continue;
        }
        if (stopFlag)
            return;
        for (const QByteArray &message : framing.messages) {
            if (takeStatus(message))
                return;
        }
        countdown = SilentPollsAllowed;
    }
}

bool DialogUpdate::sendPacket(QByteArray *answer)
{
    packet.seal();
    answer->clear();
    eventwait::delay(1);
    // A line dropped during the pause (the main window has closed the port) takes nothing.
    if (!port->isOpen())
        return false;
    // Bytes already waiting are kept: they count toward the answer.
    port->waitForReadyRead(1);
    port->write(packet.bytes());
    port->flush();
    for (int wait = 0; wait < AnswerWaits && port->isOpen(); ++wait) {
        if (answer->size() > AcknowledgementSize - 1)
            break;
        port->waitForReadyRead(AnswerWaitMs);
        *answer += port->readAll();
    }
    return !answer->isEmpty();
}

bool DialogUpdate::takeStatus(const QByteArray &bytes)
{
    const StatusMessage message = decodeStatusMessage(bytes);
    // Fewer than 8 bytes hold no code: not understood, and the run keeps listening.
    if (!message.understood) {
        ui->label->setText(tr("未知回复"));
        return false;
    }
    const QString text = QString::fromLocal8Bit(message.text);
    switch (message.code) {
    case StepText: {
        ui->label->setText(text);
        const int progress = stepProgress(text, tr("擦除"), tr("烧录"), tr("校验"));
        if (progress > 0)
            setProgress(progress);
        return false;
    }
    case KeepAlive:
        return false;
    case Failure:
        ui->label->setText(tr("升级出错: ") + text);
        return false;
    case Finished:
        setProgress(100);
        successFlag = true;
        return true;
    default:
        ui->label->setText(tr("未知回复"));
        return false;
    }
}
