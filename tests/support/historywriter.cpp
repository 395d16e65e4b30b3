// A second laptop for tst_history's PostgreSQL pass, as a process of its own:
//   history_writer FOLDER SERVER NAME COUNT SERIAL...
// opens the history of its working folder FOLDER on the server SERVER, prints "ready", waits for
// a line on standard input (so that two writers start together), then records COUNT entries for
// each radar named, each with {"writer": NAME, "k": its number}. Exit 0 when every entry reached
// the server; otherwise 1 and the reason.
#include "radarhistory.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 6)
        return 2;
    RadarHistory::Settings settings;
    settings.localPath = QDir(args.at(1)).filePath(RadarHistory::defaultPath());
    settings.server = args.at(2);
    RadarHistory history;
    if (!history.open(settings) || !history.errorText().isEmpty()) {
        std::printf("%s\n", qPrintable(history.errorText()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    for (int k = 0; k < args.at(4).toInt(); ++k)
        for (const QString &serial : args.mid(5)) {
            HistoryEntry entry;
            entry.serial = serial;
            entry.deviceType = 1;
            entry.action = QString::fromLatin1(HistoryAction::Verified);
            entry.result = QString::fromLatin1(HistoryResult::Equal);
            entry.details = {{QStringLiteral("writer"), args.at(3)}, {QStringLiteral("k"), k}};
            if (!history.record(entry) || entry.id == 0) {
                std::printf("%s\n", qPrintable(history.errorText()));
                return 1;
            }
        }
    return 0;
}
