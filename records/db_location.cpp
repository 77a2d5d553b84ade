#include "records/db_location.h"

#include "records/station_settings.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

QString Configured(const QString& option) {
    if (!option.isEmpty()) return option;
    const QString env = qEnvironmentVariable("VQ830_DB");
    if (!env.isEmpty()) return env;
    return TStationSettings::Load().database;
}

bool IsUri(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://")) ||
           text.startsWith(QLatin1String("postgres://"));
}

// "key=value" pairs, the first key being a libpq keyword: "host=/run/x dbname=line".
bool IsKeywords(const QString& text) {
    static const QRegularExpression keyword(QStringLiteral("^\\s*[a-z_]+\\s*="));
    return keyword.match(text).hasMatch();
}

QString Quoted(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), "\\'");
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString UriKeywords(const QString& text) {
    const QUrl url(text);
    QStringList words;
    auto add = [&](const char* key, const QString& value) {
        if (!value.isEmpty()) words << QLatin1String(key) + QLatin1Char('=') + Quoted(value);
    };
    add("host", url.host(QUrl::FullyDecoded));
    if (url.port() > 0) add("port", QString::number(url.port()));
    add("user", url.userName(QUrl::FullyDecoded));
    add("password", url.password(QUrl::FullyDecoded));
    add("dbname", url.path(QUrl::FullyDecoded).mid(1));
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        add(key.toLatin1().constData(), value);
    return words.join(QLatin1Char(' '));
}

} // namespace

QString TDbLocation::Keywords() const {
    if (!postgres) return {};
    return IsUri(text) ? UriKeywords(text) : text;
}

QString TDbLocation::Shown() const {
    if (!postgres) return text;
    QString shown = text;
    shown.replace(QRegularExpression(QStringLiteral("password\\s*=\\s*('[^']*'|\\S*)")),
                  QStringLiteral("password=***"));
    if (IsUri(text)) {
        QUrl url(text);
        if (!url.password().isEmpty()) url.setPassword(QStringLiteral("***"));
        shown = url.toString();
    }
    return shown;
}

TDbLocation DbLocationOf(const QString& text) { return {text, IsUri(text) || IsKeywords(text)}; }

TDbLocation DbLocationFrom(const QString& option) {
    const QString text = Configured(option);
    return DbLocationOf(text.isEmpty() ? DefaultDbPath() : text);
}

bool DbConfigured(const QString& option) { return !Configured(option).isEmpty(); }

QString DefaultDbPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("vq830/line.sqlite"));
}
