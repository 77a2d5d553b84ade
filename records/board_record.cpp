#include "records/board_record.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QSysInfo>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#endif

namespace {

QString Json(const QJsonArray& array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QJsonArray Array(const QString& text) { return QJsonDocument::fromJson(text.toUtf8()).array(); }

qint64 Millis(const QString& from, const QString& to) {
    return QDateTime::fromString(from, Qt::ISODateWithMs)
        .msecsTo(QDateTime::fromString(to, Qt::ISODateWithMs));
}

bool ProcessRuns(qint64 pid) {
#ifdef _WIN32
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
#else
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
}

const char kColumns[] =
    "id, station, operator, tool_version, command, port, started, ended, duration_ms,"
    " serial_before, serial_after, tester, config_name, config_sha256, frames, differences,"
    " outcome, details, holder";

TBoardRecord RecordOf(const QSqlQuery& q) {
    TBoardRecord r;
    r.id = q.value(0).toLongLong();
    r.station = q.value(1).toString();
    r.operatorName = q.value(2).toString();
    r.toolVersion = q.value(3).toString();
    r.command = q.value(4).toString();
    r.port = q.value(5).toString();
    r.started = q.value(6).toString();
    r.ended = q.value(7).toString();
    r.durationMs = q.value(8).toLongLong();
    r.serialBefore = q.value(9).toString();
    r.serialAfter = q.value(10).toString();
    r.tester = q.value(11).toString();
    r.configName = q.value(12).toString();
    r.configSha256 = q.value(13).toString();
    r.frames = Array(q.value(14).toString());
    r.differences = Array(q.value(15).toString());
    r.outcome = q.value(16).toString();
    r.details = q.value(17).toString();
    r.holder = q.value(18).toString();
    return r;
}

} // namespace

QString THolder::Text() const { return QStringLiteral("%1/%2/%3").arg(station, host).arg(pid); }

std::optional<THolder> THolder::FromText(const QString& text) {
    const qsizetype last = text.lastIndexOf(QLatin1Char('/'));
    const qsizetype middle = last > 0 ? text.lastIndexOf(QLatin1Char('/'), last - 1) : -1;
    bool ok = false;
    const qint64 pid = text.mid(last + 1).toLongLong(&ok);
    if (middle < 0 || !ok) return std::nullopt;
    return THolder{text.left(middle), text.mid(middle + 1, last - middle - 1), pid};
}

THolder THolder::Self(const QString& station) {
    return {station, QSysInfo::machineHostName(), QCoreApplication::applicationPid()};
}

bool THolder::MayBeAlive() const { return host != QSysInfo::machineHostName() || ProcessRuns(pid); }

TBoardRecord NewStationRecord(const QString& station, const QString& operatorName,
                              const QString& command, const QString& port, const QString& tester) {
    TBoardRecord r;
    r.station = station;
    r.operatorName = operatorName;
    r.toolVersion = QStringLiteral(VQ830_VERSION);
    r.command = command;
    r.port = port;
    r.tester = tester;
    r.holder = THolder::Self(station).Text();
    return r;
}

void TLineBook::Start(TBoardRecord& r) {
    r.started = UtcNow();
    r.outcome = kStarted;
    db_.Transaction([&] {
        QSqlQuery q = db_.Exec(
            QStringLiteral("INSERT INTO records (station, operator, tool_version, command, port,"
                           " started, serial_before, tester, config_name, config_sha256, outcome,"
                           " holder) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
            {r.station, r.operatorName, r.toolVersion, r.command, r.port, r.started, r.serialBefore,
             r.tester, r.configName, r.configSha256, r.outcome, r.holder});
        if (!q.next())
            throw EDbError(EDbError::Kind::Unusable, QStringLiteral("the record got no number"));
        r.id = q.value(0).toLongLong();
    });
}

void TLineBook::CompleteIn(TBoardRecord& r) {
    r.ended = UtcNow();
    r.durationMs = Millis(r.started, r.ended);
    db_.Exec(QStringLiteral("UPDATE records SET ended = ?, duration_ms = ?, serial_before = ?,"
                            " serial_after = ?, tester = ?, config_name = ?, config_sha256 = ?,"
                            " frames = ?, differences = ?, outcome = ?, details = ? WHERE id = ?"),
             {r.ended, r.durationMs, r.serialBefore, r.serialAfter, r.tester, r.configName,
              r.configSha256, Json(r.frames), Json(r.differences), r.outcome, r.details, r.id});
}

void TLineBook::Complete(TBoardRecord& r) {
    db_.Transaction([&] { CompleteIn(r); });
}

std::vector<TBoardRecord> TLineBook::Read(const TRecordFilter& f) {
    QString where = QStringLiteral(" WHERE 1 = 1");
    QVariantList values;
    auto add = [&](const QString& value, const char* condition) {
        if (value.isEmpty()) return;
        where += QLatin1String(condition);
        values << value;
    };
    add(f.since, " AND started >= ?");
    add(f.serial, " AND serial_after = ?");
    add(f.station, " AND station = ?");
    add(f.outcome, " AND outcome = ?");
    QString sql = QStringLiteral("SELECT %1 FROM records").arg(QLatin1String(kColumns)) + where;
    if (f.newestLimit > 0)
        sql = QStringLiteral("SELECT * FROM (%1 ORDER BY id DESC LIMIT %2) AS newest")
                  .arg(sql)
                  .arg(f.newestLimit);
    QSqlQuery q = db_.Exec(sql + QStringLiteral(" ORDER BY id"), values);
    std::vector<TBoardRecord> records;
    while (q.next())
        records.push_back(RecordOf(q));
    return records;
}
