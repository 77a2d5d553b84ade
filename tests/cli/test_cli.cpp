// vq830 against the simulated device on a pseudo-terminal, run as a program: what it prints,
// what it leaves on the device and its exit status.
#include "../device_state_of.h"
#include "config/settings_file.h"
#include "pty/pty_pair.h"
#include "sim/sim_server.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using vq830::sim::DeviceState;
using vq830::sim::Exchange;
using vq830::sim::SimOptions;
using vq830::sim::SimServer;

namespace {

struct Result {
    int status = -1;
    QByteArray out, err;
};

// A configuration unlike the defaults, with times as the device answers them.
DeviceSettings SampleConfig() {
    DeviceSettings c;
    c.workMode = 2;
    c.ports = {{{7, 2, 1}, {0, 1, 0}, {4, 0, 1}, {6, 2, 0}}};
    c.times = {"005", "250", "031"};
    for (int i = 0; i < 9; ++i) {
        c.readSlots[i].enable = i % 2;
        c.readSlots[i].command = std::string(2 * (i + 1), "0123456789ABCDEF"[i + 3]);
        c.readSlots[i].header = {"0" + std::to_string(i), "1" + std::to_string(i), "FF"};
    }
    return c;
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readAndWriteRoundTrip();
    void setTakesEachKindOfKey();
    void serialNextCountsOnlyAnsweredBoards();
    void serialNextHoldsTheCounterLockUntilStored();
    void exitStatuses_data();
    void exitStatuses();
    void refusalsAreNeverSuccess_data();
    void refusalsAreNeverSuccess();
    void deviceGoingAwayDuringRead();
    void findOnTheSecondOfThreePorts();

private:
    bool StartDevice(SimOptions options = {});
    Result Run(const QStringList& args);
    QString Write(const QString& name, const QByteArray& text);

    QTemporaryDir dir;
    PtyPair pty;
    std::unique_ptr<SimServer> server;
};

bool CliTest::StartDevice(SimOptions options) {
    server.reset();
    pty.Close();
    if (!pty.Open()) return false;
    QFile::remove(dir.path() + "/COM4");
    if (!QFile::link(QString::fromStdString(pty.SlavePath()), dir.path() + "/COM4")) return false;
    server = std::make_unique<SimServer>(pty.MasterFd(), options);
    return server->Start();
}

void CliTest::init() {
    QVERIFY(dir.isValid());
    QVERIFY(StartDevice());
}

void CliTest::cleanup() {
    server.reset();
    pty.Close();
}

Result CliTest::Run(const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VQ830_PORT_DIR", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path()); // the settings find remembers
    env.insert("LANG", "C");
    env.remove("LC_ALL");
    process.setProcessEnvironment(env);
    process.start(VQ830_CLI, QStringList{"--timeout", "500"} + args);
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

QString CliTest::Write(const QString& name, const QByteArray& text) {
    QFile file(dir.path() + "/" + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    file.write(text);
    return file.fileName();
}

// `read --json` gives the device's state in the file format; `write` of that format sets the
// device, and reading it again gives the same file.
void CliTest::readAndWriteRoundTrip() {
    server->SetState(StateOf(SampleConfig()));
    const Result read = Run({"read", "--json", "--quiet"});
    QCOMPARE(read.status, 0);
    QCOMPARE(read.err, QByteArray());
    QVERIFY(SettingsFromJson(read.out) == SampleConfig());

    server->SetState(DeviceState{});
    const Result write = Run({"write", Write("board.json", read.out)});
    QCOMPARE(write.status, 0);
    QVERIFY(write.err.contains("verified: all 61 settings equal"));
    QVERIFY(server->State() == StateOf(SampleConfig()));
    QCOMPARE(Run({"read", "--json"}).out, read.out);
}

void CliTest::setTakesEachKindOfKey() {
    DeviceState before;
    before.readSlots[2].enable = 0;
    before.readSlots[3].code = "ABCD";
    server->SetState(before);
    const Result r = Run({"set", "mode=1", "Z=115200,Even,2", "RTM=250", "slot3.command=0A0B",
                          "slot4.enable=0", "slot5.header=0A,0B,0C"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray());
    DeviceState expected = before;
    expected.workMode = 1;
    expected.ports[0] = {7, 2, 1};
    expected.readInterval = 250;
    expected.readSlots[2].code = "0A0B"; // its enable stays as the device had it
    expected.readSlots[3].enable = 0;    // and this one's command
    expected.readSlots[4].header = {"0A", "0B", "0C"};
    QVERIFY(server->State() == expected);
    QVERIFY(Run({"read"}).out.contains("mode=1\nZ=115200,Even,2\n"));
}

// A board that does not answer does not use up a serial number.
void CliTest::serialNextCountsOnlyAnsweredBoards() {
    const QString counter = Write("next-serial", "100\n");
    SimOptions silent;
    silent.dropAll = true;
    QVERIFY(StartDevice(silent));
    QCOMPARE(Run({"serial", "--next", counter, "--tester", "7"}).status, 4);
    QFile file(counter);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("100\n"));
    file.close();

    QVERIFY(StartDevice());
    const Result r = Run({"serial", "--next", counter, "--tester", "7"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("100\n"));
    QCOMPARE(server->State().boardSerial, 100);
    QCOMPARE(server->State().tester, 7);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("101\n"));
}

namespace {

// True when another open file description may take the file's exclusive flock now.
bool Lockable(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

} // namespace

// While `serial --next` waits for the board's answer, the number it took is not yet counted
// on: a second station must find the counter locked until the next number is stored.
void CliTest::serialNextHoldsTheCounterLockUntilStored() {
    const QString counter = Write("next-serial", "100\n");
    SimOptions held; // the test gives the answer itself, once it has looked at the lock
    held.dropAll = true;
    QVERIFY(StartDevice(held));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VQ830_PORT_DIR", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path()); // the settings find remembers
    process.setProcessEnvironment(env);
    process.start(VQ830_CLI, {"--timeout", "60000", "serial", "--next", counter, "--tester", "7"});
    QVERIFY(process.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(
        server->State().boardSerial == 100 || process.state() == QProcess::NotRunning, 30000);
    QVERIFY2(server->State().boardSerial == 100, process.readAllStandardError().constData());
    QVERIFY(!Lockable(counter));
    const std::vector<Exchange> history = server->History();
    QVERIFY(!history.empty());
    server->Inject(history.back().answer);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("100\n"));
    QVERIFY(Lockable(counter));
    QFile file(counter);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("101\n"));
}

void CliTest::exitStatuses_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("silent"); // the device answers nothing
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard error, or on standard output for 1
    QTest::addColumn<bool>("sent");    // anything reached the device
    QTest::addColumn<bool>("garbled"); // slot 1's enable is -1: its answer cannot be parsed
    QTest::newRow("unknown command")
        << QStringList{"frob"} << false << 2 << "Usage: vq830" << false << false;
    QTest::newRow("extra argument")
        << QStringList{"read", "x"} << false << 2 << "Usage:" << false << false;
    QTest::newRow("zero time-out")
        << QStringList{"--timeout", "0", "read"} << false << 2
        << "--timeout: '0' is not a number from 1 to 600000" << false << false;
    QTest::newRow("bad parity") << QStringList{"--parity", "Mark", "read"} << false << 2
                                << "'Mark' is not None, Odd or Even" << false << false;
    QTest::newRow("option of another command") << QStringList{"read", "--no-verify"} << false << 2
                                               << "belongs to the command write" << false << false;
    QTest::newRow("bad value") << QStringList{"set", "OTM=5", "slot1.command=012"} << false << 2
                               << "slot1.command: '012' has an odd number of characters" << false
                               << false;
    QTest::newRow("unknown key") << QStringList{"set", "speed=1"} << false << 2
                                 << "speed: '1' is no setting" << false << false;
    QTest::newRow("eight-digit serial, default tester")
        << QStringList{"serial", "12345678"} << false << 0 << "PPPPPP#PCBSN:12345678,001#" << true
        << false;
    QTest::newRow("no such port") << QStringList{"--port", "/nonexistent/tty", "read"} << false << 3
                                  << "/nonexistent/tty does not exist" << false << false;
    QTest::newRow("no answer") << QStringList{"read"} << true << 4 << "no answer to PPPPPP#QX1#"
                               << true << false;
    QTest::newRow("send, no answer") << QStringList{"send", "PPPPPP#VAR#"} << true << 4
                                     << "no answer to PPPPPP#VAR#" << true << false;
    QTest::newRow("answer not parsed")
        << QStringList{"read"} << false << 1
        << "the answer to PPPPPP#COMR01# could not be parsed: '-'" << true << true;
    // The device refuses a command of more than 99 bytes: the read-back differs.
    const std::string longCommand(200, 'A');
    QTest::newRow("device keeps another value")
        << QStringList{"write", "long.json"} << false << 1
        << QString::fromStdString("slot1.command\t" + longCommand + "\t0103000000044409") << true
        << false;
}

void CliTest::exitStatuses() {
    QFETCH(QStringList, args);
    QFETCH(bool, silent);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(bool, sent);
    QFETCH(bool, garbled);
    DeviceSettings tooLong;
    tooLong.readSlots[0].command = std::string(200, 'A');
    Write("long.json", SettingsToJson(tooLong));
    if (args.contains("long.json")) args.last() = dir.path() + "/long.json";
    SimOptions options;
    options.dropAll = silent;
    QVERIFY(StartDevice(options));
    DeviceState state;
    state.readSlots[0].enable = garbled ? -1 : 1;
    server->SetState(state);
    const Result r = Run(args);
    QCOMPARE(r.status, status);
    const QByteArray text = status == 1 && !garbled ? r.out : r.err;
    QVERIFY2(text.contains(said.toUtf8()), text.constData());
    QCOMPARE(server->Stats().device.bytesFed > 0, sent);
}

// A device that refuses every frame ("ERR#"), splits its answers by a pause longer than the gap,
// or answers after the time-out: nothing counts as done, nothing is invented, a late answer is
// named as late and taken for no other frame.
void CliTest::refusalsAreNeverSuccess_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("device"); // refusing, split or late
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard error; standard output stays empty
    QTest::newRow("read") << QStringList{"read"} << "refusing" << 1
                          << "not read back (61): mode, Z.baud";
    QTest::newRow("read --json") << QStringList{"read", "--json"} << "refusing" << 1
                                 << "no JSON written";
    QTest::newRow("set") << QStringList{"set", "mode=1", "Z=115200,Even,2"} << "refusing" << 1
                         << "the device refused KORVAT#BAZ:721#: it answered 'ERR#'";
    QTest::newRow("serial --next")
        << QStringList{"serial", "--next", "counter"} << "refusing" << 1
        << "the device refused PPPPPP#PCBSN:26010001,001#: it answered 'ERR#'";
    QTest::newRow("write") << QStringList{"write", "board.json"} << "refusing" << 1
                           << "the device refused KORVAT#MOD:1#";
    QTest::newRow("split answer") << QStringList{"read", "--json"} << "split" << 1
                                  << "the answer to PPPPPP#QX1# lacks C.baud, C.parity, C.stop, "
                                     "OTM, RTM, ODM";
    QTest::newRow("late answer") << QStringList{"read"} << "late" << 4
                                 << "no answer to PPPPPP#QX1# within the time-out (a late answer "
                                    "'MOD:0,BAZ:300";
}

void CliTest::refusalsAreNeverSuccess() {
    QFETCH(QStringList, args);
    QFETCH(QString, device);
    QFETCH(int, status);
    QFETCH(QString, said);
    const QString counter = Write("counter", "26010001\n");
    DeviceSettings board;
    board.workMode = 1;
    Write("board.json", SettingsToJson(board));
    for (QString& arg : args)
        if (arg == "counter" || arg == "board.json") arg = dir.path() + "/" + arg;
    SimOptions options;
    options.refuseAll = device == "refusing";
    options.splitParts = device == "split" ? 2 : 1;
    options.splitPause = std::chrono::milliseconds(400); // the gap is 100 ms
    options.answerDelay = std::chrono::milliseconds(device == "late" ? 700 : 0); // time-out 500
    QVERIFY(StartDevice(options));
    const Result r = Run(args);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(said.toUtf8()), r.err.constData());
    if (args.first() == "write")
        QVERIFY2(r.out.startsWith("mode\t1\t(not read)\n"), r.out.constData());
    else
        QCOMPARE(r.out, QByteArray());
    QFile file(counter);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("26010001\n")); // not counted on
}

// The port hangs up while read waits for an answer: said as such, with a status of its own.
void CliTest::deviceGoingAwayDuringRead() {
    SimOptions slow;
    slow.answerDelay = std::chrono::milliseconds(1500);
    QVERIFY(StartDevice(slow));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VQ830_PORT_DIR", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path()); // the settings find remembers
    env.insert("LANG", "C");
    process.setProcessEnvironment(env);
    process.start(VQ830_CLI, {"read"});
    QVERIFY(process.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(
        server->Stats().device.bytesFed > 0 || process.state() == QProcess::NotRunning, 30000);
    server.reset(); // the far end closes: the port hangs up
    pty.Close();
    QVERIFY(process.waitForFinished(30000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitCode(), 5);
    QVERIFY2(err.contains("the device went away while PPPPPP#QX1# awaited its answer"),
             err.constData());
    QVERIFY2(!err.contains("no answer"), err.constData());
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
}

// Three ports, the device at 57600 None 2 behind the second; the others have nothing behind
// them. Only the query reaches the device. Without the device's port nothing is found.
void CliTest::findOnTheSecondOfThreePorts() {
    SimOptions options;
    options.line = vq830::sim::PortSettings{6, 0, 1};
    options.initialState.ports[0] = *options.line;
    QVERIFY(StartDevice(options));
    PtyPair first, third;
    QVERIFY(first.Valid() && third.Valid());
    const QString a = QString::fromStdString(first.SlavePath());
    const QString c = QString::fromStdString(third.SlavePath());
    const Result found = Run({"find", "--port", a, "--port", "COM4", "--port", c});
    QCOMPARE(found.status, 0);
    QCOMPARE(found.out, QByteArray("COM4\t57600\tNone\t2\n"));
    QVERIFY2(found.err.contains(a.toUtf8() + ": no answer at any of the 48 settings"),
             found.err.constData());
    for (const Exchange& e : server->History())
        QCOMPARE(e.frame, std::string("PPPPPP#QX1#"));
    const Result json = Run({"find", "--json", "--quiet", "--port", "COM4"});
    QCOMPARE(json.status, 0);
    QVERIFY2(json.out.contains("\"baud\": 57600"), json.out.constData());
    const Result none = Run({"find", "--quiet", "--port", a, "--port", c});
    QCOMPARE(none.status, 1);
    QCOMPARE(none.out, QByteArray());
}
QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
