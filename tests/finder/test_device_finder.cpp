// The search over real ports (pseudo-terminals), with the simulated device behind some of them:
// what it finds and names, and what it leaves alone: a port another program holds, a port that
// goes away, a search cancelled.
#include "finder/device_finder.h"
#include "finder/line_memory.h"
#include "pty/pty_pair.h"
#include "session/qt_notify.h"
#include "sim/sim_server.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using vq830::sim::SimServer;

namespace {

QString Path(const PtyPair& pty) { return QString::fromStdString(pty.SlavePath()); }

// True once the port's search has tried at least `tries` settings.
bool Tried(const TDeviceFinder& finder, int port, int tries) {
    return finder.Ports()[size_t(port)].tryNumber >= tries;
}

} // namespace

class TestDeviceFinder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void confirmsTheSettingsItNames();
    void leavesAHeldPortAlone();
    void portGoesAway();
    void cancel();
    void finderGoneWhileOpening();

private:
    QTemporaryDir config_;
};

void TestDeviceFinder::initTestCase() {
    QVERIFY(config_.isValid());
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit()); // the remembered settings
}

// A pseudo-terminal keeps no parity: the device answers the first try, 9600 None 1, and names
// 9600 Even 1; the port is switched to that and asked again. Only the query goes out.
void TestDeviceFinder::confirmsTheSettingsItNames() {
    PtyPair pty;
    QVERIFY2(pty.Valid(), pty.Error().c_str());
    vq830::sim::SimOptions options;
    options.initialState.ports[0] = {3, 2, 0};
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Start());
    TDeviceFinder finder({Path(pty)});
    QSignalSpy finished(&finder, &TDeviceFinder::Finished);
    finder.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    const TPortProgress& port = finder.Ports()[0];
    QCOMPARE(int(port.result.outcome), int(SearchOutcome::Found));
    QCOMPARE(port.result.at, (PortConfig{3, 2, 0}));
    QCOMPARE(port.result.tried, 1);
    QVERIFY(QString::fromStdString(port.result.reply).startsWith("MOD:0,BAZ:320,"));
    for (const vq830::sim::Exchange& e : server.History())
        QCOMPARE(e.frame, std::string("PPPPPP#QX1#"));
    QCOMPARE(RememberedLine(Path(pty)), std::optional<PortConfig>(PortConfig{3, 2, 0}));
}

// Another program has the port open: it is named as held and not touched.
void TestDeviceFinder::leavesAHeldPortAlone() {
    PtyPair pty;
    QVERIFY2(pty.Valid(), pty.Error().c_str());
    QObject host;
    TComm other(std::make_shared<QtNotifySink>(&host));
    other.SetCommName(pty.SlavePath());
    other.OpenPort();
    TDeviceFinder finder({Path(pty)});
    QSignalSpy finished(&finder, &TDeviceFinder::Finished);
    finder.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QCOMPARE(int(finder.Ports()[0].state), int(TPortProgress::State::Held));
    QVERIFY(HeldByAnother(finder.Ports()[0].openError));
    QVERIFY(pty.ReadAvailable(std::chrono::milliseconds(50)).empty()); // nothing was sent
    QVERIFY(other.IsOpen());
}

void TestDeviceFinder::portGoesAway() {
    PtyPair pty;
    QVERIFY2(pty.Valid(), pty.Error().c_str());
    TDeviceFinder finder({Path(pty)});
    QSignalSpy finished(&finder, &TDeviceFinder::Finished);
    finder.Start();
    QTRY_VERIFY_WITH_TIMEOUT(Tried(finder, 0, 3), 5000);
    pty.Close();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QCOMPARE(int(finder.Ports()[0].result.outcome), int(SearchOutcome::Gone));
}

// Cancelled at once; the ports are closed and free for the next program.
void TestDeviceFinder::cancel() {
    PtyPair silent, waiting;
    QVERIFY2(silent.Valid() && waiting.Valid(), silent.Error().c_str());
    TDeviceFinder finder({Path(silent), Path(waiting)});
    QSignalSpy finished(&finder, &TDeviceFinder::Finished);
    finder.Start();
    QTRY_VERIFY_WITH_TIMEOUT(Tried(finder, 0, 2), 5000);
    finder.Cancel();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!finder.Running());
    for (const TPortProgress& port : finder.Ports()) {
        QCOMPARE(int(port.state), int(TPortProgress::State::Done));
        QCOMPARE(int(port.result.outcome), int(SearchOutcome::Cancelled));
    }
    QObject host;
    TComm next(std::make_shared<QtNotifySink>(&host));
    next.SetCommName(silent.SlavePath());
    next.OpenPort(); // throws when the search still holds it
    QVERIFY(next.IsOpen());
}

// Ports are opened on threads of their own: a finder that goes while they open leaves them to
// close their ports themselves.
void TestDeviceFinder::finderGoneWhileOpening() {
    std::vector<std::unique_ptr<PtyPair>> ptys;
    QStringList names;
    for (int i = 0; i < 4; ++i) {
        ptys.push_back(std::make_unique<PtyPair>());
        QVERIFY2(ptys.back()->Valid(), ptys.back()->Error().c_str());
        names << Path(*ptys.back());
    }
    {
        TDeviceFinder finder(names);
        finder.Start();
        QCoreApplication::processEvents(); // the openings begin
    }
    QObject host;
    for (const auto& pty : ptys) {
        TComm next(std::make_shared<QtNotifySink>(&host));
        next.SetCommName(pty->SlavePath());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                try {
                    next.OpenPort();
                } catch (const ECommsError&) {
                }
                return next.IsOpen();
            }(),
            5000);
    }
}

QTEST_GUILESS_MAIN(TestDeviceFinder)
#include "test_device_finder.moc"
