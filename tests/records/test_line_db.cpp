// The line's database on SQLite and on a real PostgreSQL server: the states a serial number
// goes through, a newer schema left alone, a dead station's number settled, and the CSV cells
// that spreadsheets would otherwise change.
#include "fresh_db.h"
#include "records/board_attempt.h"
#include "records/record_export.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

TBoardRecord Board(const QString& station, const THolder& holder) {
    TBoardRecord r;
    r.station = station;
    r.command = QStringLiteral("test");
    r.holder = holder.Text();
    return r;
}

// The pid of a process of this host that has ended.
qint64 EndedPid() {
    QProcess p;
    p.start(QStringLiteral("true"), {});
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999;
}

qint64 Take(TLineDb& db, SerialState settle, const QString& station = QStringLiteral("S1")) {
    TBoardAttempt attempt(db, Board(station, THolder::Self(station)));
    const qint64 serial = attempt.TakeSerial();
    const Outcome write = settle == SerialState::Written    ? Outcome::Answered
                          : settle == SerialState::Released ? Outcome::Refused
                                                            : Outcome::Silent;
    attempt.Finish(kPassed, write);
    return serial;
}

} // namespace

class LineDbTest : public QObject {
    Q_OBJECT
private slots:
    void numbersThroughTheirStates_data() { AddDatabaseRows(); }
    void numbersThroughTheirStates();
    void newerSchemaLeftAlone_data() { AddDatabaseRows(); }
    void newerSchemaLeftAlone();
    void deadStationsNumberSettled_data() { AddDatabaseRows(); }
    void deadStationsNumberSettled();
    void csvCellsSurviveASpreadsheet_data();
    void csvCellsSurviveASpreadsheet();

private:
    QTemporaryDir dir;
};

// A refused number is handed out again (first); a number that may have reached a board never
// is; the first number cannot move once numbers were handed out.
void LineDbTest::numbersThroughTheirStates() {
    QFETCH(QString, kind);
    FRESH_DB(where, kind, dir.path(), "states");
    TLineDb db(DbLocationOf(where), "test");
    TSerialPool pool(db);
    pool.SetFirst(500);
    pool.SetFirst(700); // nothing handed out yet: may still move
    QCOMPARE(Take(db, SerialState::Released), 700);
    QCOMPARE(Take(db, SerialState::Written), 700);
    QCOMPARE(Take(db, SerialState::Void), 701);
    QCOMPARE(Take(db, SerialState::Released), 702);
    QCOMPARE(Take(db, SerialState::Written), 702);
    QCOMPARE(Take(db, SerialState::Written), 703);
    QCOMPARE(pool.Count(SerialState::Written), 3);
    QCOMPARE(pool.Count(SerialState::Void), 1);
    QCOMPARE(pool.Count(SerialState::Released), 0);
    try {
        pool.SetFirst(1);
        QFAIL("the first number moved after numbers were handed out");
    } catch (const EDbError& e) {
        QCOMPARE(e.kind, EDbError::Kind::Refused);
    }
    const std::vector<TBoardRecord> records = TLineBook(db).Read({});
    QCOMPARE(records.size(), size_t(6));
    QCOMPARE(records[0].serialAfter, QString()); // released: the board was not given it
    QVERIFY(records[0].details.contains("00000700 released"));
    QVERIFY(records[2].details.contains("00000701 voided"));
    QCOMPARE(records[1].serialAfter, QStringLiteral("00000700"));
}

// A database made by a newer tool is refused with a message naming both versions, and not
// changed in any way.
void LineDbTest::newerSchemaLeftAlone() {
    QFETCH(QString, kind);
    FRESH_DB(where, kind, dir.path(), "newer");
    {
        TLineDb db(DbLocationOf(where), "test");
        db.Exec("UPDATE vq830_schema SET version = 2");
        db.Exec("DROP TABLE serials");
    }
    try {
        TLineDb db(DbLocationOf(where), "test");
        QFAIL("a newer schema was opened");
    } catch (const EDbError& e) {
        QCOMPARE(e.kind, EDbError::Kind::Unusable);
        QVERIFY2(e.text.contains("schema version 2") && e.text.contains("version 1"),
                 qPrintable(e.text));
    }
    // Opening it again (checking the version) made nothing: the dropped table is still gone.
    QSqlDatabase check = QSqlDatabase::addDatabase(kind == "sqlite" ? "QSQLITE" : "QPSQL", "check");
    if (kind == "sqlite")
        check.setDatabaseName(where);
    else
        check.setConnectOptions(where);
    QVERIFY(check.open());
    QVERIFY(!check.tables().contains("serials"));
    QVERIFY(check.tables().contains("records"));
    check.close();
    check = QSqlDatabase();
    QSqlDatabase::removeDatabase("check");
}

// A number reserved by a process of this station that no longer runs is voided at the next
// start, with its record aborted; a live holder's and another station's numbers stay.
void LineDbTest::deadStationsNumberSettled() {
    QFETCH(QString, kind);
    FRESH_DB(where, kind, dir.path(), "stale");
    TLineDb db(DbLocationOf(where), "test");
    THolder dead = THolder::Self("S1");
    dead.pid = EndedPid();
    TBoardAttempt lost(db, Board("S1", dead));
    const qint64 lostSerial = lost.TakeSerial();
    TBoardAttempt alive(db, Board("S1", THolder::Self("S1")));
    alive.TakeSerial();
    THolder otherStation = dead;
    otherStation.station = "S2";
    TBoardAttempt other(db, Board("S2", otherStation));
    other.TakeSerial();

    TSerialPool pool(db);
    const std::vector<TStaleSerial> settled = pool.SettleStale(THolder::Self("S1"));
    QCOMPARE(settled.size(), size_t(1));
    QCOMPARE(settled[0].serial, lostSerial);
    QCOMPARE(settled[0].recordId, lost.Record().id);
    QCOMPARE(pool.Count(SerialState::Void), 1);
    QCOMPARE(pool.Count(SerialState::Reserved), 2);
    TRecordFilter aborted;
    aborted.outcome = kAborted;
    const std::vector<TBoardRecord> records = TLineBook(db).Read(aborted);
    QCOMPARE(records.size(), size_t(1));
    QVERIFY(records[0].details.contains(dead.Text()));
    QVERIFY(!records[0].ended.isEmpty());
    QVERIFY(pool.SettleStale(THolder::Self("S1")).empty()); // settled once
}

void LineDbTest::csvCellsSurviveASpreadsheet_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("formula") << "=HYPERLINK(\"x\")"
                             << "\"'=HYPERLINK(\"\"x\"\")\"";
    QTest::newRow("plus") << "+1"
                          << "\"'+1\"";
    QTest::newRow("minus") << "-1+2"
                           << "\"'-1+2\"";
    QTest::newRow("at") << "@SUM(A1)"
                        << "\"'@SUM(A1)\"";
    QTest::newRow("leading zero") << "00000123"
                                  << "\"'00000123\"";
    QTest::newRow("tester") << "007"
                            << "\"'007\"";
    QTest::newRow("zero alone") << "0"
                                << "\"0\"";
    QTest::newRow("number") << "123"
                            << "\"123\"";
    QTest::newRow("comma and newline") << "a,b\nc"
                                       << "\"a,b\nc\"";
    QTest::newRow("chinese") << "工位一"
                             << "\"工位一\"";
}

// A cell a spreadsheet would run as a formula or read as a number without its leading zeros is
// kept text by an apostrophe; every cell is quoted.
void LineDbTest::csvCellsSurviveASpreadsheet() {
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(CsvCell(text), cell);
}

QTEST_GUILESS_MAIN(LineDbTest)
#include "test_line_db.moc"
