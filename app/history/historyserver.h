// The PostgreSQL server a team's history lives on, as radar-config.ini's history/database names
// it: a URL (postgresql://user@host:port/dbname?sslmode=require) or libpq's options
// (host=... port=... dbname=... user=...). The password never comes from there: libpq takes it
// from PGPASSWORD or a .pgpass-style file (PGPASSFILE, ~/.pgpass) itself, so this program never
// holds it, prints it or stores it.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct HistoryServer {
    QString host;       // a name, an address or a Unix socket's folder; empty: libpq's default
    int port = -1;      // -1: libpq's default
    QString database;
    QString user;
    QStringList options; // every other libpq option, as key=value

    // The setting read; nullopt with *problem (no part of the setting in it) when it is neither
    // form, has a bad port or names a password.
    static std::optional<HistoryServer> parse(const QString &setting, QString *problem);

    // user@host:port/database, for the window and the messages.
    QString text() const;
    // What QSqlDatabase::setConnectOptions gets: the given options, and unless given, a short
    // connect time-out and a bound on a write the server never answers, so that a server gone
    // away costs the window seconds, not minutes.
    QString connectOptions() const;
};
