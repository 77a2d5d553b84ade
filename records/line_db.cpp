#include "records/line_db.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QStringList>

namespace {

QString ConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("vq830-line-%1").arg(counter.fetchAndAddRelaxed(1));
}

// Errors after which the whole transaction may be redone: the connection is gone (no SQLSTATE,
// or the server ended it), a serialization failure, a deadlock, a lock not had in time; on
// SQLite a busy or locked database.
bool Retryable(const QSqlError& error, bool postgres) {
    const QString code = error.nativeErrorCode();
    if (!postgres) return code == QLatin1String("5") || code == QLatin1String("6");
    static const QStringList codes{"40001", "40P01", "55P03", "57P01", "57P02", "57P03"};
    return code.isEmpty() || codes.contains(code) || code.startsWith(QLatin1String("08"));
}

QString Detail(const QSqlError& error) {
    const QString text = error.text().simplified();
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

QString Schema(bool postgres) {
    const QString id = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    return QStringLiteral(
               "CREATE TABLE line_counter (id INTEGER PRIMARY KEY CHECK (id = 1),"
               " next_serial BIGINT NOT NULL);"
               "INSERT INTO line_counter (id, next_serial) VALUES (1, 1);"
               "CREATE TABLE records (id %1, station TEXT NOT NULL, operator TEXT,"
               " tool_version TEXT, command TEXT, port TEXT, started TEXT NOT NULL, ended TEXT,"
               " duration_ms BIGINT, serial_before TEXT, serial_after TEXT, tester TEXT,"
               " config_name TEXT, config_sha256 TEXT, frames TEXT, differences TEXT,"
               " outcome TEXT NOT NULL, details TEXT, holder TEXT NOT NULL);"
               "CREATE INDEX records_started ON records (started);"
               "CREATE INDEX records_serial ON records (serial_after);"
               "CREATE TABLE serials (serial BIGINT PRIMARY KEY, state TEXT NOT NULL CHECK (state"
               " IN ('reserved', 'written', 'verified', 'released', 'void')),"
               " station TEXT NOT NULL, holder TEXT NOT NULL, token TEXT NOT NULL,"
               " record_id BIGINT, changed TEXT NOT NULL);"
               "CREATE INDEX serials_state ON serials (state);"
               "CREATE UNIQUE INDEX serials_token ON serials (token)")
        .arg(id);
}

} // namespace

QString UtcNow() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs); }

TLineDb::TLineDb(const TDbLocation& where, const QString& application)
    : where_(where), application_(application), name_(ConnectionName()) {
    Open();
    try {
        CreateOrCheckSchema();
    } catch (...) {
        Close();
        throw;
    }
}

TLineDb::~TLineDb() { Close(); }

void TLineDb::Open() {
    QSqlDatabase db = QSqlDatabase::addDatabase(
        where_.postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name_);
    if (!db.isValid())
        throw EDbError(EDbError::Kind::Unusable,
                       QStringLiteral("the database driver %1 is not installed")
                           .arg(where_.postgres ? "QPSQL" : "QSQLITE"));
    if (where_.postgres) {
        QString options = where_.Keywords();
        if (!options.contains(QLatin1String("connect_timeout")))
            options += QStringLiteral(" connect_timeout=5");
        // A lock waited for longer than 10 s fails the transaction, which is then redone,
        // instead of hanging the station; no notices on standard error.
        options += QStringLiteral(" options='-c lock_timeout=10s -c statement_timeout=30s"
                                  " -c client_min_messages=warning'");
        db.setConnectOptions(options + QStringLiteral(" application_name='%1'").arg(application_));
    } else {
        const QFileInfo file(where_.text);
        QDir().mkpath(file.absolutePath());
        db.setDatabaseName(file.absoluteFilePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    }
    if (!db.open()) {
        const QString detail = Detail(db.lastError());
        Close();
        throw EDbError(
            EDbError::Kind::Unusable,
            QStringLiteral("cannot open the database %1: %2").arg(where_.Shown(), detail));
    }
    Configure();
}

void TLineDb::Close() {
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

// A handed-out number must not be lost by a power cut (synchronous FULL); readers never block
// the one writer (WAL). The server's connection is set up by its connect options.
void TLineDb::Configure() {
    if (where_.postgres) return;
    Exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    Exec(QStringLiteral("PRAGMA synchronous = FULL"));
}

QSqlQuery TLineDb::Exec(const QString& sql, const QVariantList& values) {
    QSqlQuery query(QSqlDatabase::database(name_, false));
    // Statements without values go as they are: the server prepares no SET, BEGIN or COMMIT.
    bool ok = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    if (ok && !values.isEmpty()) {
        for (const QVariant& v : values)
            query.addBindValue(v);
        ok = query.exec();
    }
    if (!ok) {
        const QSqlError error = query.lastError();
        throw EDbError(
            Retryable(error, where_.postgres) ? EDbError::Kind::Retry : EDbError::Kind::Unusable,
            QStringLiteral("the database %1 failed: %2").arg(where_.Shown(), Detail(error)));
    }
    return query;
}

// The schema's version; 0 when there is none yet (or it cannot be read without a lock).
int TLineDb::SchemaVersion() {
    QSqlQuery query(QSqlDatabase::database(name_, false));
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM vq830_schema")) || !query.next())
        return 0;
    return query.value(0).toInt();
}

void TLineDb::RunOnce(const std::function<void()>& work) {
    Exec(where_.postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    try {
        work();
        Exec(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(QSqlDatabase::database(name_, false)).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

void TLineDb::Transaction(const std::function<void()>& work) {
    for (int attempt = 1;; ++attempt) {
        try {
            RunOnce(work);
            return;
        } catch (const EDbError& e) {
            if (e.kind != EDbError::Kind::Retry || attempt > 3) throw;
        }
        ++retries_;
        if (where_.postgres) { // a fresh connection: the old one may be gone
            Close();
            Open();
        }
    }
}

// The schema is made by the first station to open the database, under a lock so that two
// stations starting together do not both make it. A database made by a newer tool is left as
// it is.
void TLineDb::CreateOrCheckSchema() {
    if (SchemaVersion() == kSchemaVersion) return; // the usual case: one query
    Transaction([this] {
        if (where_.postgres) Exec(QStringLiteral("SELECT pg_advisory_xact_lock(830830)"));
        Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS vq830_schema (version INTEGER NOT NULL)"));
        QSqlQuery version = Exec(QStringLiteral("SELECT MAX(version) FROM vq830_schema"));
        const QVariant found = version.next() ? version.value(0) : QVariant();
        if (!found.isNull() && found.toInt() > kSchemaVersion)
            throw EDbError(EDbError::Kind::Unusable,
                           QStringLiteral("the database %1 was made by a newer tool (schema "
                                          "version %2; this tool knows version %3): it was left "
                                          "unchanged; use a newer vq830")
                               .arg(where_.Shown())
                               .arg(found.toInt())
                               .arg(kSchemaVersion));
        if (!found.isNull()) return;
        for (const QString& statement : Schema(where_.postgres).split(QLatin1Char(';')))
            Exec(statement);
        Exec(QStringLiteral("INSERT INTO vq830_schema (version) VALUES (?)"), {kSchemaVersion});
    });
}
