#include "records/record_export.h"

#include <QJsonDocument>
#include <QRegularExpression>

namespace {

QStringList Cells(const TBoardRecord& r) {
    auto json = [](const QJsonArray& a) {
        return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
    };
    return {QString::number(r.id),
            r.station,
            r.operatorName,
            r.toolVersion,
            r.command,
            r.port,
            r.started,
            r.ended,
            QString::number(r.durationMs),
            r.serialBefore,
            r.serialAfter,
            r.tester,
            r.configName,
            r.configSha256,
            r.outcome,
            r.details,
            json(r.frames),
            json(r.differences)};
}

} // namespace

QJsonObject RecordJson(const TBoardRecord& r) {
    return {{"id", r.id},
            {"station", r.station},
            {"operator", r.operatorName},
            {"tool_version", r.toolVersion},
            {"command", r.command},
            {"port", r.port},
            {"started", r.started},
            {"ended", r.ended.isEmpty() ? QJsonValue() : QJsonValue(r.ended)},
            {"duration_ms", r.ended.isEmpty() ? QJsonValue() : QJsonValue(r.durationMs)},
            {"serial_before", r.serialBefore.isEmpty() ? QJsonValue() : r.serialBefore},
            {"serial", r.serialAfter.isEmpty() ? QJsonValue() : r.serialAfter},
            {"tester", r.tester},
            {"config", r.configName},
            {"config_sha256", r.configSha256},
            {"outcome", r.outcome},
            {"details", r.details},
            {"frames", r.frames},
            {"differences", r.differences}};
}

QByteArray RecordsJsonLines(const std::vector<TBoardRecord>& records) {
    QByteArray out;
    for (const TBoardRecord& r : records)
        out += QJsonDocument(RecordJson(r)).toJson(QJsonDocument::Compact) + '\n';
    return out;
}

QStringList CsvColumns() {
    return {"id",      "station",       "operator",    "tool_version",  "command", "port",
            "started", "ended",         "duration_ms", "serial_before", "serial",  "tester",
            "config",  "config_sha256", "outcome",     "details",       "frames",  "differences"};
}

QString CsvCell(const QString& text) {
    static const QRegularExpression leadingZero(QStringLiteral("^0[0-9]"));
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    QString cell = text;
    if ((!cell.isEmpty() && formulaStart.contains(cell.front())) ||
        leadingZero.match(cell).hasMatch())
        cell.prepend(QLatin1Char('\''));
    cell.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + cell + QLatin1Char('"');
}

QByteArray RecordsCsv(const std::vector<TBoardRecord>& records) {
    auto line = [](const QStringList& cells) {
        QStringList quoted;
        for (const QString& c : cells)
            quoted << CsvCell(c);
        return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
    };
    QByteArray out = "\xEF\xBB\xBF" + line(CsvColumns());
    for (const TBoardRecord& r : records)
        out += line(Cells(r));
    return out;
}

QString RecordLine(const TBoardRecord& r) {
    return QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
        .arg(r.id)
        .arg(r.started, r.station, r.operatorName.isEmpty() ? "-" : r.operatorName,
             r.serialAfter.isEmpty() ? "-" : r.serialAfter, r.outcome);
}
