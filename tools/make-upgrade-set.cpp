// make-upgrade-set: writes the upgrade set of a firmware image for one device type into a
// folder (normally "temp" beside the configuration tool): the header file with the seed and
// the image size, and the image cut into numbered piece files in the order the seed gives.
// The tool rebuilds the order from the header with the same generator, so it sends the pieces
// in image order again.
#include "upgradeprotocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "make-upgrade-set: %s\n", qPrintable(message));
    std::exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("make-upgrade-set"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the upgrade set of a firmware image into a folder: the header file (seed and "
        "size) and the numbered piece files, in the order the seed gives."));
    parser.addHelpOption();
    const QCommandLineOption image(QStringLiteral("image"), QStringLiteral("The firmware image."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption deviceType(QStringLiteral("device-type"),
        QStringLiteral("Device type the set is for: 1 channel early-warning, 2 area scanning, "
                       "3 obstacle avoidance (default 1)."),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption seed(QStringLiteral("seed"),
        QStringLiteral("Seed of the piece order, 0 to 4294967295 (decimal or 0x hex)."),
        QStringLiteral("S"));
    const QCommandLineOption out(QStringLiteral("out"),
        QStringLiteral("Folder to write the set into; made if missing (default temp)."),
        QStringLiteral("DIR"), QStringLiteral("temp"));
    const QCommandLineOption pieces(QStringLiteral("piece-sizes"),
        QStringLiteral("Cut the image into these piece sizes instead of 1024 bytes each: "
                       "size/1024 + 1 numbers, comma separated, adding up to the image size."),
        QStringLiteral("LIST"));
    parser.addOptions({image, deviceType, seed, out, pieces});
    parser.process(app);

    if (!parser.isSet(image))
        fail(QStringLiteral("--image is required"));
    if (!parser.isSet(seed))
        fail(QStringLiteral("--seed is required"));

    bool ok = false;
    const int type = parser.value(deviceType).toInt(&ok);
    if (!ok || type < 1 || type > 255)
        fail(QStringLiteral("--device-type wants a number from 1 to 255"));
    const qulonglong seedValue = parser.value(seed).toULongLong(&ok, 0);
    if (!ok || seedValue > 0xFFFFFFFFull)
        fail(QStringLiteral("--seed wants a number from 0 to 4294967295"));
    QVector<int> sizes;
    if (parser.isSet(pieces)) {
        for (const QString &item : parser.value(pieces).split(QLatin1Char(','))) {
            const int size = item.trimmed().toInt(&ok);
            if (!ok || size < 0)
                fail(QStringLiteral("--piece-sizes wants byte counts, separated by commas"));
            sizes.append(size);
        }
    }

    QFile imageFile(parser.value(image));
    if (!imageFile.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(imageFile.fileName(), imageFile.errorString()));
    const QByteArray bytes = imageFile.readAll();
    imageFile.close();
    if (qint64(bytes.size()) != imageFile.size())
        fail(QStringLiteral("cannot read all of %1").arg(imageFile.fileName()));

    QVector<upgrade::SetFile> files;
    QString error;
    if (!upgrade::makeUpgradeSet(bytes, type, quint32(seedValue), sizes, &files, &error))
        fail(error);

    const QString folder = parser.value(out);
    if (!QDir().mkpath(folder))
        fail(QStringLiteral("cannot make the folder %1").arg(folder));
    const QDir dir(folder);
    for (const upgrade::SetFile &file : files) {
        QFile f(dir.filePath(file.name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(file.content) != file.content.size())
            fail(QStringLiteral("cannot write %1: %2").arg(f.fileName(), f.errorString()));
        f.close();
    }
    std::printf("make-upgrade-set: %d bytes for device type %d as header %s and %d pieces (%s to %s) in %s\n",
                int(bytes.size()), type, qPrintable(files.first().name), int(files.size()) - 1,
                qPrintable(QString::number(upgrade::fileBase(type) + 1)),
                qPrintable(QString::number(upgrade::fileBase(type) + files.size() - 1)),
                qPrintable(QDir::toNativeSeparators(dir.absolutePath())));
    return 0;
}
