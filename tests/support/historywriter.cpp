// A second laptop for tst_history_pg, as a process of its own:
//   history_writer FOLDER SERVER NAME COUNT SERIAL...
// opens its folder's history on SERVER, prints "ready", waits for a line (so that two start
// together), then records COUNT entries for each SERIAL with {"writer": NAME, "k": k}.
// Exit 0 when every entry reached the server, else 1 and the reason.
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
    RadarHistory::Settings settings{QDir(args.value(1)).filePath(RadarHistory::defaultPath()), args.value(2)};
    RadarHistory history;
    bool fine = args.size() > 5 && history.open(settings) && history.errorText().isEmpty();
    std::printf("%s\n", fine ? "ready" : qPrintable(history.errorText()));
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    for (int k = 0; fine && k < args.at(4).toInt(); ++k)
        for (const QString &serial : args.mid(5)) {
            HistoryEntry entry;
            entry.serial = serial;
            entry.action = QString::fromLatin1(HistoryAction::Verified);
            entry.result = QString::fromLatin1(HistoryResult::Equal);
            entry.details = {{QStringLiteral("writer"), args.at(3)}, {QStringLiteral("k"), k}};
            fine = fine && history.record(entry) && entry.id > 0;
        }
    if (!fine)
        std::printf("%s\n", qPrintable(history.errorText()));
    return fine ? 0 : 1;
}
