// A fresh, empty line database for one test: a file in a temporary folder, or a database of its
// own on the PostgreSQL server that with_postgres.sh started ($VQ830_TEST_PG).
#pragma once

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTest>

inline bool PostgresAvailable() { return !qEnvironmentVariableIsEmpty("VQ830_TEST_PG"); }

// The data rows of a test run on both kinds of database.
inline void AddDatabaseRows() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgres") << QStringLiteral("postgres");
}

// Runs `sql` as the server's superuser on database `dbname`; true when it worked.
inline bool AdminExec(const QString& sql, const QString& dbname = QStringLiteral("postgres")) {
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "vq830-test-admin");
        db.setConnectOptions(qEnvironmentVariable("VQ830_TEST_PG") + " dbname=" + dbname);
        ok = db.open() && QSqlQuery(db).exec(sql);
        if (!ok) qWarning() << sql << db.lastError().text();
    }
    QSqlDatabase::removeDatabase("vq830-test-admin");
    return ok;
}

// The --db text of a new database named `name`; empty when that kind is not available here.
inline QString FreshDatabase(const QString& kind, const QString& folder, const QString& name) {
    if (kind == QLatin1String("sqlite")) {
        QFile::remove(folder + "/" + name + ".sqlite");
        return QDir(folder).filePath(name + ".sqlite");
    }
    if (!PostgresAvailable()) return {};
    if (!AdminExec("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)") ||
        !AdminExec("CREATE DATABASE " + name))
        return {};
    return qEnvironmentVariable("VQ830_TEST_PG") + " dbname=" + name;
}

// Skips the row when run without the server (ctest always runs it through with_postgres.sh);
// fails it when the server is there but the database could not be made.
#define FRESH_DB(var, kind, folder, name)                                                          \
    if (kind == QLatin1String("postgres") && !PostgresAvailable())                                 \
        QSKIP("no PostgreSQL server: run the test through with_postgres.sh");                      \
    const QString var = FreshDatabase(kind, folder, name);                                         \
    QVERIFY2(!var.isEmpty(), "the test database could not be made")
