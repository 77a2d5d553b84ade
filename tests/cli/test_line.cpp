// Stations of a line as the line runs them: vq830 processes numbering and recording boards
// (simulated devices on pseudo-terminals) on one SQLite file and on a real PostgreSQL server,
// several at once, one killed mid-board, one whose server connection is dropped, and with a
// database that cannot be used.
#include "../records/fresh_db.h"
#include "config/settings_file.h"
#include "pty/pty_pair.h"
#include "records/serial_pool.h"
#include "sim/sim_server.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <csignal>
#include <memory>

using vq830::sim::SimOptions;
using vq830::sim::SimServer;

namespace {

struct Result {
    int status = -1;
    QByteArray out, err;
};

struct Device {
    PtyPair pty;
    std::unique_ptr<SimServer> server;
};

} // namespace

class LineTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir.isValid()); }
    void cleanup() { devices.clear(); }
    void sixStationsAtOnce_data() { AddDatabaseRows(); }
    void sixStationsAtOnce();
    void refusedNumberAgainSilentNumberVoided();
    void stationKilledHoldingANumber_data() { AddDatabaseRows(); }
    void stationKilledHoldingANumber();
    void connectionDroppedMidAllocation();
    void unusableDatabaseSendsNothing_data();
    void unusableDatabaseSendsNothing();
    void programRecordReadsBackComplete();

private:
    // The device behind port COM<n> (n from 1).
    bool StartDevice(int n, SimOptions options = {});
    QProcessEnvironment Environment() const;
    Result Run(const QStringList& args);

    QTemporaryDir dir;
    std::map<int, Device> devices;
};

bool LineTest::StartDevice(int n, SimOptions options) {
    Device& d = devices[n];
    d.server.reset();
    const QString link = dir.path() + QStringLiteral("/COM%1").arg(n);
    QFile::remove(link);
    if (!d.pty.Open() || !QFile::link(QString::fromStdString(d.pty.SlavePath()), link))
        return false;
    d.server = std::make_unique<SimServer>(d.pty.MasterFd(), options);
    return d.server->Start();
}

QProcessEnvironment LineTest::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VQ830_PORT_DIR", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path());
    env.insert("XDG_DATA_HOME", dir.path());
    env.remove("VQ830_DB");
    return env;
}

Result LineTest::Run(const QStringList& args) {
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(VQ830_CLI, args);
    Result r;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

// Six stations, each numbering 15 boards one after another, all at once on one database: 90
// different numbers, from the first on, each with its record.
void LineTest::sixStationsAtOnce() {
    QFETCH(QString, kind);
    FRESH_DB(db, kind, dir.path(), "six");
    QCOMPARE(Run({"--db", db, "serial", "--first", "1000"}).status, 0);
    std::vector<std::unique_ptr<QProcess>> stations;
    for (int n = 1; n <= 6; ++n) {
        QVERIFY(StartDevice(n));
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(Environment());
        p->start("sh", {"-c", "i=0; while [ $i -lt 15 ]; do \"$@\" || exit $?; i=$((i+1)); done",
                        "sh", VQ830_CLI, "--db", db, "--station", QStringLiteral("S%1").arg(n),
                        "--port", QStringLiteral("COM%1").arg(n), "--quiet", "serial", "--next"});
        stations.push_back(std::move(p));
    }
    QList<QByteArray> numbers;
    for (auto& p : stations) {
        QVERIFY(p->waitForFinished(90000));
        QCOMPARE(p->exitCode(), 0);
        numbers += p->readAllStandardOutput().split('\n');
        numbers.removeAll(QByteArray());
    }
    QCOMPARE(numbers.size(), 90);
    QSet<QByteArray> distinct(numbers.begin(), numbers.end());
    QCOMPARE(distinct.size(), 90);
    for (int i = 1000; i < 1090; ++i)
        QVERIFY(distinct.contains(SerialText(i).toLatin1()));
    const Result records = Run({"--db", db, "records", "--json"});
    QCOMPARE(records.status, 0);
    QCOMPARE(records.out.count("\"outcome\":\"passed\""), 90);
}

// The device refuses the number: it is released and the next board gets it. The device stays
// silent: the number may have reached the board, so it is voided and never handed out again.
void LineTest::refusedNumberAgainSilentNumberVoided() {
    const QString db = dir.filePath("states.sqlite");
    const QStringList next{"--db", db,          "--station", "S1",     "--port",
                           "COM1", "--timeout", "300",       "serial", "--next"};
    SimOptions refusing;
    refusing.refuseAll = true;
    QVERIFY(StartDevice(1, refusing));
    Result r = Run(next);
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QByteArray());
    QVERIFY2(r.err.contains("serial number 00000001 released"), r.err);
    SimOptions silent;
    silent.dropAll = true;
    QVERIFY(StartDevice(1, silent));
    r = Run(next);
    QCOMPARE(r.status, 4);
    QVERIFY2(r.err.contains("serial number 00000001 voided"), r.err);
    QVERIFY(StartDevice(1));
    r = Run(next);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("00000002\n"));
    QCOMPARE(devices[1].server->State().boardSerial, 2);
    const QByteArray records = Run({"--db", db, "records"}).out;
    QVERIFY2(records.contains("-\trefused\n") && records.contains("-\tfailed\n") &&
                 records.contains("00000002\tpassed\n"),
             records);
}

// A station killed while its board holds the number it reserved: the other stations go on,
// and its next start voids that number and completes its record as aborted.
void LineTest::stationKilledHoldingANumber() {
    QFETCH(QString, kind);
    FRESH_DB(db, kind, dir.path(), "killed");
    SimOptions slow;
    slow.answerDelay = std::chrono::milliseconds(20000);
    QVERIFY(StartDevice(1, slow));
    QVERIFY(StartDevice(2));
    QProcess first;
    first.setProcessEnvironment(Environment());
    first.start(VQ830_CLI, {"--db", db, "--station", "S1", "--port", "COM1", "--timeout", "30000",
                            "serial", "--next"});
    // Killed once its frame has reached the board.
    QTRY_VERIFY_WITH_TIMEOUT(!devices[1].server->History().empty(), 20000);
    QCOMPARE(::kill(pid_t(first.processId()), SIGKILL), 0);
    QVERIFY(first.waitForFinished(10000));

    const Result other = Run({"--db", db, "--station", "S2", "--port", "COM2", "serial", "--next"});
    QCOMPARE(other.status, 0);
    QCOMPARE(other.out, QByteArray("00000002\n"));
    QVERIFY(StartDevice(1));
    const Result again = Run({"--db", db, "--station", "S1", "--port", "COM1", "serial", "--next"});
    QCOMPARE(again.status, 0);
    QCOMPARE(again.out, QByteArray("00000003\n"));
    QVERIFY2(again.err.contains("serial number 00000001 was left reserved by S1/") &&
                 again.err.contains("voided"),
             again.err);
    const QByteArray records = Run({"--db", db, "records", "--station", "S1"}).out;
    QVERIFY2(records.contains("\t00000001\taborted\n") && records.contains("00000003\tpassed"),
             records);
}

// The server drops the station's connection while it waits for the line's counter: the whole
// transaction is redone on a new connection, and the number is handed out once.
void LineTest::connectionDroppedMidAllocation() {
    if (!PostgresAvailable()) QSKIP("no PostgreSQL server: run the test through with_postgres.sh");
    FRESH_DB(db, QStringLiteral("postgres"), dir.path(), "dropped");
    QCOMPARE(Run({"--db", db, "serial", "--first", "500"}).status, 0);
    QVERIFY(StartDevice(1));
    QSqlDatabase holder = QSqlDatabase::addDatabase("QPSQL", "holder");
    holder.setConnectOptions(db);
    QVERIFY(holder.open());
    QSqlQuery lock(holder);
    QVERIFY(lock.exec("BEGIN"));
    QVERIFY(lock.exec("SELECT next_serial FROM line_counter FOR UPDATE"));
    QProcess station;
    station.setProcessEnvironment(Environment());
    station.start(VQ830_CLI, {"--db", db, "--station", "S1", "--port", "COM1", "serial", "--next"});
    // Another connection: inside the holder's transaction the activity view would not change.
    QSqlDatabase watcher = QSqlDatabase::addDatabase("QPSQL", "watcher");
    watcher.setConnectOptions(db);
    QVERIFY(watcher.open());
    QSqlQuery find(watcher);
    auto waiting = [&] {
        return find.exec("SELECT pid FROM pg_stat_activity WHERE application_name = 'vq830 S1'"
                         " AND wait_event_type = 'Lock'") &&
               find.next();
    };
    QTRY_VERIFY_WITH_TIMEOUT(waiting(), 20000);
    QSqlQuery terminate(holder);
    QVERIFY(terminate.exec(
        QStringLiteral("SELECT pg_terminate_backend(%1)").arg(find.value(0).toLongLong())));
    QVERIFY(lock.exec("COMMIT"));
    QVERIFY(station.waitForFinished(30000));
    const QByteArray err = station.readAllStandardError();
    QCOMPARE(station.exitCode(), 0);
    QCOMPARE(station.readAllStandardOutput(), QByteArray("00000500\n"));
    QVERIFY2(err.contains("redone"), err);
    QVERIFY(find.exec("SELECT serial, state FROM serials"));
    QVERIFY(find.next());
    QCOMPARE(find.value(0).toLongLong(), 500);
    QCOMPARE(find.value(1).toString(), QStringLiteral("written"));
    QVERIFY(!find.next());
    find = QSqlQuery();
    lock = QSqlQuery();
    terminate = QSqlQuery();
    holder.close();
    holder = QSqlDatabase();
    watcher.close();
    watcher = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
    QSqlDatabase::removeDatabase("watcher");
}

void LineTest::unusableDatabaseSendsNothing_data() {
    QTest::addColumn<QString>("db");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("no server") << "host=/nonexistent/vq830 dbname=line connect_timeout=2"
                               << QByteArray("cannot open the database");
    QTest::newRow("no folder") << "/proc/vq830/line.sqlite"
                               << QByteArray("cannot open the database");
    QTest::newRow("newer schema") << "newer" << QByteArray("made by a newer tool");
}

// The database cannot be used: exit status 6, and not one byte went to the board.
void LineTest::unusableDatabaseSendsNothing() {
    QFETCH(QString, db);
    QFETCH(QByteArray, says);
    if (db == "newer") {
        db = dir.filePath("newer.sqlite");
        QCOMPARE(Run({"--db", db, "serial", "--first", "1"}).status, 0);
        TLineDb(DbLocationOf(db), "test").Exec("UPDATE vq830_schema SET version = 9");
    }
    QVERIFY(StartDevice(1));
    QFile config(dir.filePath("board.json"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(SettingsToJson(DeviceSettings{}));
    config.close();
    const QStringList commands[] = {{"serial", "--next"},
                                    {"program", config.fileName()},
                                    {"serial", "123", "--record"},
                                    {"write", config.fileName(), "--record"}};
    for (const QStringList& command : commands) {
        const Result r =
            Run(QStringList{"--db", db, "--station", "S1", "--port", "COM1"} + command);
        QCOMPARE(r.status, 6);
        QVERIFY2(r.err.contains(says) && r.err.contains("nothing was sent to the board"), r.err);
    }
    QCOMPARE(devices[1].server->Stats().device.bytesFed, 0u);
}

// `program` writes, verifies and numbers a board as one record; the record reads back whole.
void LineTest::programRecordReadsBackComplete() {
    const QString db = dir.filePath("program.sqlite");
    QVERIFY(StartDevice(1));
    DeviceSettings settings;
    settings.workMode = 2;
    settings.readSlots[3].command = "0103000A0001";
    QFile config(dir.filePath("line-a.json"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(SettingsToJson(settings));
    config.close();
    QCOMPARE(Run({"--db", db, "serial", "--first", "42"}).status, 0);
    const Result r = Run({"--db", db, "--station", "工位一", "--operator", "=cmd", "--port", "COM1",
                          "program", config.fileName(), "--tester", "9"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("00000042\n"));
    QCOMPARE(devices[1].server->State().boardSerial, 42);

    const Result json = Run({"--db", db, "records", "--json", "--serial", "42"});
    QCOMPARE(json.status, 0);
    const QJsonObject rec = QJsonDocument::fromJson(json.out.trimmed()).object();
    QCOMPARE(rec["serial"].toString(), QStringLiteral("00000042"));
    QCOMPARE(rec["station"].toString(), QStringLiteral("工位一"));
    QCOMPARE(rec["operator"].toString(), QStringLiteral("=cmd"));
    QCOMPARE(rec["outcome"].toString(), QStringLiteral("passed"));
    QCOMPARE(rec["tester"].toString(), QStringLiteral("9"));
    QCOMPARE(rec["config"].toString(), QStringLiteral("line-a.json"));
    QCOMPARE(rec["config_sha256"].toString().size(), 64);
    QVERIFY(rec["started"].toString() < rec["ended"].toString());
    QVERIFY(rec["duration_ms"].toInt() > 0);
    // 26 writes, 19 queries reading them back, the serial number.
    QCOMPARE(rec["frames"].toArray().size(), 46);
    QCOMPARE(rec["frames"].toArray().last()["frame"].toString(),
             QStringLiteral("PPPPPP#PCBSN:00000042,009#"));
    QCOMPARE(rec["differences"].toArray().size(), 0);

    const QByteArray csv = Run({"--db", db, "records", "--csv"}).out;
    QVERIFY2(csv.contains("\"工位一\",\"'=cmd\"") && csv.contains("\"'00000042\""), csv);
    QCOMPARE(Run({"--db", db, "records", "--station", "S9"}).out, QByteArray());

    // A recorded write that reads nothing back says its "passed" rests on the answers alone.
    QCOMPARE(
        Run({"--db", db, "--station", "S1", "--port", "COM1", "--record", "set", "mode=1"}).status,
        0);
    const QJsonObject set =
        QJsonDocument::fromJson(Run({"--db", db, "records", "--json", "--station", "S1"}).out)
            .object();
    QCOMPARE(set["outcome"].toString(), QStringLiteral("passed"));
    QCOMPARE(set["details"].toString(), QStringLiteral("answered; not read back"));
}

QTEST_GUILESS_MAIN(LineTest)
#include "test_line.moc"
