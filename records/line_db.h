// The line's database: one connection (SQLite file or PostgreSQL server), its schema created on
// first use and checked on every open, and transactions that are short and, on PostgreSQL,
// retried whole after a dropped connection. Nothing here talks to the device: no transaction
// stays open while a board is being talked to.
#pragma once

#include "records/db_location.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>
#include <stdexcept>

inline constexpr int kSchemaVersion = 1;

// The database could not be used (or refused what was asked); the message is for people.
class EDbError : public std::runtime_error {
public:
    enum class Kind {
        Unusable, // cannot open, schema newer than this tool, a query failed
        Refused,  // a rule of the line refused it (the first number after numbers were handed out)
        UsedUp,   // no serial number left
        Retry,    // the connection dropped or a lock was not had: the transaction may be redone
    };
    EDbError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind(kind), text(message) {}
    Kind kind;
    QString text;
};

class TLineDb {
public:
    // Opens the database, creating its schema on first use. `application` names the
    // connection on the server (PostgreSQL's application_name). Throws EDbError.
    TLineDb(const TDbLocation& where, const QString& application);
    ~TLineDb();
    TLineDb(const TLineDb&) = delete;
    TLineDb& operator=(const TLineDb&) = delete;

    bool Postgres() const { return where_.postgres; }
    const TDbLocation& Where() const { return where_; }

    // Runs `work` as one transaction (SQLite: BEGIN IMMEDIATE, so that two stations never
    // read the same counter). On PostgreSQL a dropped connection, a serialization failure, a
    // deadlock or a lock time-out has the whole transaction redone on a fresh connection, up to
    // three times. `work` must do nothing but database work: it may run more than once.
    void Transaction(const std::function<void()>& work);
    // One statement with its values bound in order; throws EDbError.
    QSqlQuery Exec(const QString& sql, const QVariantList& values = {});
    // How many transactions were redone (the tests and the benchmark read it).
    int Retries() const { return retries_; }

private:
    void Open();
    void Close();
    void Configure();
    void CreateOrCheckSchema();
    int SchemaVersion();
    void RunOnce(const std::function<void()>& work);

    TDbLocation where_;
    QString application_;
    QString name_; // the connection's name among Qt's connections
    int retries_ = 0;
};

// The time now in UTC as stored: "2026-12-09T20:31:05.123Z".
QString UtcNow();
