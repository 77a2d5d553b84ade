// The answer rule and the outcomes of a run, driven on a clock of the test's own: what comes
// when, and what each command is judged. Then a run on a real port: what it borrows from the
// port's owner reaches the owner or comes back to it.
#include "pty/pty_pair.h"
#include "session/exchange_run.h"
#include "session/qt_notify.h"
#include "session/session.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

struct Arrival {
    std::chrono::milliseconds at;
    std::string bytes; // "" : the port hangs up
};

const Command kQX1{"PPPPPP#QX1#", RecvMode::QX1, ConfigQueries()[0].settings};
const Command kCOMR3 = ConfigQueries()[3];
const Command kWrite{"KORVAT#MOD:1#", RecvMode::ShowSystem, {{SettingKind::WorkMode}}};
const Command kMode{"PPPPPP#QX1#", RecvMode::QX1, {{SettingKind::WorkMode}}}; // reads one field
const std::string kQX1Answer = "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#";

// `bytes` every 30 ms from `from` to `until`: a line that does not stop sending.
std::vector<Arrival> Stream(std::chrono::milliseconds from, std::chrono::milliseconds until,
                            const std::string& bytes) {
    std::vector<Arrival> arrivals;
    for (auto at = from; at <= until; at += 30ms)
        arrivals.push_back({at, bytes});
    return arrivals;
}

// "outcome@sent-time", one per command, with what an incomplete answer lacks and a late answer.
QString Describe(const TExchangeRun& run, TClock::time_point start) {
    QStringList parts;
    for (const TExchange& e : run.Exchanges()) {
        QString part = QString::fromLatin1(OutcomeName(e.judgement.outcome));
        for (const SettingField& f : e.judgement.missing)
            part += QStringLiteral(" -") + QString::fromStdString(FieldName(f));
        if (e.judgement.answeredSlot)
            part += QStringLiteral(" slot%1").arg(e.judgement.answeredSlot);
        if (!e.late.empty()) part += QStringLiteral(" late:") + QString::fromLatin1(e.LateText());
        if (e.sentAt)
            part += QStringLiteral("@%1").arg(
                std::chrono::duration_cast<std::chrono::milliseconds>(*e.sentAt - start).count());
        parts << part;
    }
    return parts.join(QStringLiteral(", "));
}

// Runs `commands` against arrivals at fixed times; the run's own deadlines drive the rest.
QString Play(std::vector<Command> commands, std::vector<Arrival> arrivals, QStringList* dropped) {
    const TClock::time_point start{};
    TExchangeRun run(std::move(commands), {}, [](const std::string&) { return true; });
    run.OnBytes = [&](const std::string& bytes, bool isDropped) {
        if (isDropped) *dropped << QString::fromLatin1(bytes);
    };
    run.Start(start);
    size_t next = 0;
    for (int steps = 0; steps < 1000 && !run.Finished(); ++steps) {
        const std::optional<TClock::time_point> due = run.Deadline();
        if (next < arrivals.size() && (!due || start + arrivals[next].at <= *due)) {
            const Arrival& a = arrivals[next++];
            if (a.bytes.empty())
                run.PortGone();
            else
                run.Received(a.bytes, start + a.at);
        } else if (due) {
            run.Tick(*due);
        }
    }
    for (; next < arrivals.size(); ++next)
        run.Received(arrivals[next].bytes, start + arrivals[next].at);
    return Describe(run, start);
}

} // namespace

class ExchangeRunTest : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void portGivenBack();
};

void ExchangeRunTest::outcomes_data() {
    QTest::addColumn<std::vector<Command>>("commands");
    QTest::addColumn<std::vector<Arrival>>("arrivals");
    QTest::addColumn<QString>("judged");
    QTest::addColumn<QStringList>("dropped");
    QTest::newRow("a complete query's answer ends at once, a write's on the gap")
        << std::vector<Command>{kQX1, kWrite, kWrite}
        << std::vector<Arrival>{{3ms, kQX1Answer}, {8ms, "OK#"}, {150ms, "OK#"}}
        << "answered@0, answered@3, answered@108" << QStringList{};
    QTest::newRow("an answer split by a pause longer than the gap, inside a value")
        << std::vector<Command>{kQX1}
        << std::vector<Arrival>{{5ms, kQX1Answer.substr(0, 50)}, {405ms, kQX1Answer.substr(50)}}
        << "incomplete -RTM -ODM@0" << QStringList{QString::fromStdString(kQX1Answer.substr(50))};
    QTest::newRow("a line that does not stop sending: an answer lasts the answer time")
        << std::vector<Command>{kWrite, kWrite} << Stream(10ms, 2500ms, "x")
        << "answered@0, answered@2010" << QStringList{};
    QTest::newRow("a late answer is the silent frame's, not the next one's")
        << std::vector<Command>{kWrite, kWrite} << std::vector<Arrival>{{2300ms, "OK#"}}
        << "silent late:OK#@0, silent@2400" << QStringList{"OK#"};
    QTest::newRow("an answer for another slot")
        << std::vector<Command>{kCOMR3} << std::vector<Arrival>{{5ms, "COMR04:1,02,ABCD#"}}
        << "other slot slot4@0" << QStringList{};
    QTest::newRow("a refusal") << std::vector<Command>{kQX1, kWrite}
                               << std::vector<Arrival>{{5ms, "ERR#"}, {110ms, "\r\nERR#"}}
                               << "refused@0, refused@105" << QStringList{};
    QTest::newRow("a value that does not convert")
        << std::vector<Command>{kCOMR3} << std::vector<Arrival>{{5ms, "COMR03:x,02,ABCD#"}}
        << "incomplete -slot3.enable -slot3.command@0" << QStringList{};
    QTest::newRow("a value that does not convert, beside the field read")
        << std::vector<Command>{kMode} << std::vector<Arrival>{{5ms, "MOD:1,BAZ:x00#"}}
        << "incomplete@0" << QStringList{};
    QTest::newRow("the port goes away")
        << std::vector<Command>{kQX1, kWrite} << std::vector<Arrival>{{50ms, ""}}
        << "port gone@0, not sent" << QStringList{};
    QTest::newRow("three silences in a row end the run")
        << std::vector<Command>{kWrite, kWrite, kWrite, kWrite} << std::vector<Arrival>{}
        << "silent@0, silent@4000, silent@8000, not sent" << QStringList{};
    QTest::newRow("an answer between silences starts their count again")
        << std::vector<Command>{kWrite, kWrite, kWrite, kWrite, kWrite}
        << std::vector<Arrival>{{8005ms, "OK#"}, {12110ms, "OK#"}}
        << "silent@0, silent@4000, answered@8000, silent@8105, answered@12105" << QStringList{};
}

void ExchangeRunTest::outcomes() {
    QFETCH(std::vector<Command>, commands);
    QFETCH(std::vector<Arrival>, arrivals);
    QFETCH(QString, judged);
    QFETCH(QStringList, dropped);
    QStringList seenDropped;
    QCOMPARE(Play(commands, arrivals, &seenDropped), judged);
    QCOMPARE(seenDropped, dropped);
}

// The read interval a run takes from the port is restored when it ends, and a hang-up during a
// run reaches the port's owner.
void ExchangeRunTest::portGivenBack() {
    PtyPair pty;
    QVERIFY2(pty.Valid(), pty.Error().c_str());
    QObject host;
    TComm comm(std::make_shared<QtNotifySink>(&host));
    comm.SetCommName(pty.SlavePath());
    comm.SetReadIntervalTimeout(20);
    int ownerHangups = 0;
    comm.OnRequestHangup = [&](TComm&) { ++ownerHangups; };
    comm.OpenPort();
    TSession session(comm);
    QSignalSpy finished(&session, &TSession::Finished);
    session.Start({kWrite}, {50ms, 10ms, 3});
    QCOMPARE(comm.ReadIntervalTimeout(), ReadIntervalAtOnce);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QCOMPARE(comm.ReadIntervalTimeout(), 20u);
    session.Start({kWrite, kWrite});
    QVERIFY(session.Running());
    pty.CloseMaster();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 5000);
    QVERIFY(session.LastRun()->WentAway());
    QCOMPARE(ownerHangups, 1);
}

QTEST_GUILESS_MAIN(ExchangeRunTest)
#include "test_exchange_run.moc"
