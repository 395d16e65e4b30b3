#include "historyserver.h"

#include <QCoreApplication>
#include <QUrl>
#include <QUrlQuery>

namespace {

// libpq's key=value form: values bare or in single quotes, a backslash escaping the next
// character. False when the text does not follow it.
bool splitOptions(const QString &text, QVector<QPair<QString, QString>> *pairs)
{
    int at = 0;
    const int end = text.size();
    auto skipSpaces = [&] {
        while (at < end && text.at(at).isSpace())
            ++at;
    };
    for (skipSpaces(); at < end; skipSpaces()) {
        const int keyStart = at;
        while (at < end && (text.at(at).isLetterOrNumber() || text.at(at) == QLatin1Char('_')))
            ++at;
        const QString key = text.mid(keyStart, at - keyStart);
        skipSpaces();
        if (key.isEmpty() || at == end || text.at(at) != QLatin1Char('='))
            return false;
        ++at;
        skipSpaces();
        const bool quoted = at < end && text.at(at) == QLatin1Char('\'');
        at += quoted ? 1 : 0;
        QString value;
        while (at < end && (quoted ? text.at(at) != QLatin1Char('\'') : !text.at(at).isSpace())) {
            if (text.at(at) == QLatin1Char('\\') && at + 1 < end)
                ++at;
            value += text.at(at++);
        }
        if (quoted && at++ == end)
            return false;
        pairs->append({key, value});
    }
    return !pairs->isEmpty();
}

bool splitUrl(const QString &text, QVector<QPair<QString, QString>> *pairs)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres")))
        return false;
    const auto add = [pairs](const char *key, const QString &value) {
        if (!value.isEmpty())
            pairs->append({QString::fromLatin1(key), value});
    };
    add("host", url.host());
    add("port", url.port() >= 0 ? QString::number(url.port()) : QString());
    add("dbname", url.path(QUrl::FullyDecoded).mid(1));
    add("user", url.userName(QUrl::FullyDecoded));
    add("password", url.password(QUrl::FullyDecoded));
    // Options in the query come after and win, as with libpq.
    for (const auto &item : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        pairs->append(item);
    return true;
}

QString quotedOption(const QString &key, QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return key + QLatin1String("='") + value + QLatin1Char('\'');
}
} // namespace

std::optional<HistoryServer> HistoryServer::parse(const QString &setting, QString *problem)
{
    const QString text = setting.trimmed();
    QVector<QPair<QString, QString>> pairs;
    const bool url = text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://"));
    if (!(url ? splitUrl(text, &pairs) : splitOptions(text, &pairs))) {
        *problem = QCoreApplication::translate(
            "RadarHistory", "history/database 的设置既不是 postgresql:// 网址，也不是 key=value 形式的连接参数");
        return std::nullopt;
    }
    HistoryServer server;
    for (const auto &pair : qAsConst(pairs)) {
        const QString &key = pair.first;
        if (key == QLatin1String("password")) {
            *problem = QCoreApplication::translate(
                "RadarHistory", "history/database 的设置里不能写密码：请用环境变量 PGPASSWORD 或 .pgpass 文件");
            return std::nullopt;
        }
        if (key == QLatin1String("host")) {
            server.host = pair.second;
        } else if (key == QLatin1String("port")) {
            bool number = false;
            server.port = pair.second.toInt(&number);
            if (!number || server.port < 1 || server.port > 65535) {
                *problem = QCoreApplication::translate("RadarHistory", "history/database 的设置里端口无效：%1")
                               .arg(pair.second);
                return std::nullopt;
            }
        } else if (key == QLatin1String("dbname")) {
            server.database = pair.second;
        } else if (key == QLatin1String("user")) {
            server.user = pair.second;
        } else {
            server.options << quotedOption(key, pair.second);
        }
    }
    return server;
}

QString HistoryServer::text() const
{
    QString place = user.isEmpty() ? QString() : user + QLatin1Char('@');
    place += host.isEmpty() ? QStringLiteral("localhost") : host;
    if (port > 0)
        place += QLatin1Char(':') + QString::number(port);
    return place + QLatin1Char('/') + database;
}

QString HistoryServer::connectOptions() const
{
    QStringList all = options;
    const auto setUnlessGiven = [&all](const char *key, const char *value) {
        const QString prefix = QLatin1String(key) + QLatin1Char('=');
        for (const QString &option : qAsConst(all))
            if (option.startsWith(prefix))
                return;
        all << prefix + QLatin1String(value);
    };
    setUnlessGiven("connect_timeout", "3");
    setUnlessGiven("tcp_user_timeout", "5000");
    setUnlessGiven("application_name", "radar-config");
    // QPSQL turns every ';' into a space before handing the text to libpq.
    return all.join(QLatin1Char(';'));
}
