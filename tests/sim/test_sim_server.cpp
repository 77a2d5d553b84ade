// The simulated device served on a real pseudo-terminal by SimServer, talked to through the
// slave side as the tool does.
#include <QtTest/QtTest>

#include <atomic>
#include <filesystem>
#include <random>
#include <termios.h>
#include <thread>

#include "pty/pty_pair.h"
#include "sim/sim_server.h"
#include "sim_test_support.h"

using namespace simtest;
using vq830::sim::DeviceState;
using vq830::sim::Mismatch;
using vq830::sim::PortSettings;
using vq830::sim::SimOptions;
using vq830::sim::SimServer;
using vq830::sim::SimStats;

namespace {

const std::string kDefaultQx1 = "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#";

QByteArray Q(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// A descriptor closed at scope exit.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// How many of this process's descriptors are open on `path`.
int DescriptorsOn(const std::string& path) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == path) ++count;
    }
    return count;
}

// Writes a frame and reads an answer of the expected length.
std::string Exchange(int fd, const std::string& frame, std::size_t answerSize) {
    if (!WriteAll(fd, frame)) return "<write failed>";
    return ReadExactly(fd, answerSize);
}

// The answer to "PPPPPP#QX1#" of a fresh device with this mode and main-port setting.
std::string Qx1(int mode, const std::string& baz) {
    return "MOD:" + std::to_string(mode) + ",BAZ:" + baz + kDefaultQx1.substr(13);
}

// Waits until exactly these numbers of answers and parts have been written.
bool WaitForWritten(const SimServer& server, std::uint64_t answers, std::uint64_t parts) {
    return server.WaitUntil(
        [&](const DeviceState&, const SimStats& s) {
            return s.answersWritten == answers && s.partsWritten == parts;
        },
        kWait);
}

} // namespace

class TestSimServer : public QObject {
    Q_OBJECT

private slots:
    void slaveIsRawAndControlBytesReachTheDevice();
    void frameWrittenToThePortGetsItsAnswer();
    void portCanBeClosedAndOpenedAgain();
    void splitAnswerArrivesInParts();
    void delayedAndSplitAnswersKeepTheirOrder();
    void droppedAnswersAreNeverWritten();
    void dropRateIsRepeatableWithItsSeed();
    void stateCanBeSetAndWatchedFromTheTest();
    void historyKeepsTheLatestFrames();
    void answersWaitInABoundedQueue();
    void injectedBytesReachThePort();
    void injectRacingStopIsSafe();
    void trafficIsLogged();
    void survivesAFloodOfNoise();
    void stopEndsServingAndIsIdempotent();
    void answersOnlyAtItsLineSetting_data();
    void answersOnlyAtItsLineSetting();
    void writtenMainPortSettingTakesEffectAtRestart();
};

void TestSimServer::slaveIsRawAndControlBytesReachTheDevice() {
    PtyPair pty;
    QVERIFY2(pty.Valid(), pty.Error().c_str());
    QVERIFY(pty.SlavePath().starts_with("/dev/pts/"));
    termios tio{};
    QCOMPARE(tcgetattr(pty.SlaveFd(), &tio), 0);
    QCOMPARE(tio.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), tcflag_t{0});
    QCOMPARE(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP), tcflag_t{0});
    QCOMPARE(tio.c_oflag & OPOST, tcflag_t{0});
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t{CS8});

    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    QCOMPARE(DescriptorsOn(pty.SlavePath()), 1); // the pair's own hold; the server takes none
    Fd port(OpenPort(pty.SlavePath()));
    QVERIFY(port.fd >= 0);
    // Interrupt, suspend, XON/XOFF, CR, LF and an 8-bit byte ahead of a frame: a cooked tty
    // would act on them or change them; raw, they reach the device as noise.
    const std::string noise = "\x03\x1a\x11\x13\r\n\xff";
    QCOMPARE(Q(Exchange(port.fd, noise + "PPPPPP#QX1#", kDefaultQx1.size())), Q(kDefaultQx1));
    QVERIFY(!Readable(port.fd)); // no echo, nothing after the answer
    SimStats stats = server.Stats();
    QCOMPARE(stats.device.noiseBytes, std::uint64_t{noise.size()});
    QCOMPARE(stats.device.bytesFed, std::uint64_t{noise.size() + 11});
}

void TestSimServer::frameWrittenToThePortGetsItsAnswer() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    QVERIFY(port.fd >= 0);

    QCOMPARE(Q(Exchange(port.fd, "KORVAT#MOD:1#", 3)), QByteArray("OK#"));
    QCOMPARE(server.State().workMode, 1);
    QCOMPARE(Q(Exchange(port.fd, "KORVAT#COMW4:0,04BEEF#", 3)), QByteArray("OK#"));
    QCOMPARE(Q(Exchange(port.fd, "PPPPPP#COMR04#", 17)), QByteArray("COMR04:0,02,BEEF#"));
    QCOMPARE(Q(Exchange(port.fd, "KORVAT#COMP04:ABCDEF#", 3)), QByteArray("OK#"));
    QCOMPARE(Q(Exchange(port.fd, "PPPPPP#COMP04#", 14)), QByteArray("COMP04:ABCDEF#"));
    QCOMPARE(Q(Exchange(port.fd, "KORVAT#MOD:5#", 4)), QByteArray("ERR#"));

    const std::vector<std::string> frames = {"KORVAT#MOD:1#",  "KORVAT#COMW4:0,04BEEF#",
                                             "PPPPPP#COMR04#", "KORVAT#COMP04:ABCDEF#",
                                             "PPPPPP#COMP04#", "KORVAT#MOD:5#"};
    std::vector<vq830::sim::Exchange> history = server.History();
    QCOMPARE(history.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        QCOMPARE(Q(history[i].frame), Q(frames[i]));
    QCOMPARE(Q(history[2].answer), QByteArray("COMR04:0,02,BEEF#"));
    QVERIFY(!history[5].accepted);

    DeviceState state = server.State();
    QCOMPARE(state.workMode, 1);
    QCOMPARE(state.readSlots[3].enable, 0);
    QCOMPARE(state.readSlots[3].code, std::string("BEEF"));
    QCOMPARE(state.readSlots[3].header[2], std::string("EF"));
    // The counters of written answers follow the write, so the reader may be ahead of them.
    QVERIFY(WaitForWritten(server, 6, 6));
    SimStats stats = server.Stats();
    QCOMPARE(stats.device.framesAccepted, 5u);
    QCOMPARE(stats.device.framesRejected, 1u);
    QCOMPARE(stats.answersQueued, 6u);
}

void TestSimServer::portCanBeClosedAndOpenedAgain() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    for (int round = 0; round < 5; ++round) {
        Fd port(OpenPort(pty.SlavePath()));
        QVERIFY2(port.fd >= 0, std::strerror(errno));
        const std::string frame = "KORVAT#OTM:" + std::to_string(100 + round) + "#";
        QCOMPARE(Q(Exchange(port.fd, frame, 3)), QByteArray("OK#"));
        std::string reply = Exchange(port.fd, "PPPPPP#QX1#", kDefaultQx1.size());
        QVERIFY2(reply.find("OTM:" + std::to_string(100 + round)) != std::string::npos,
                 reply.c_str());
    }
    QVERIFY(server.IsRunning());
    QVERIFY(WaitForWritten(server, 10, 10));
}

void TestSimServer::splitAnswerArrivesInParts() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimOptions options;
    options.splitParts = 3;
    options.splitPause = std::chrono::milliseconds(300);
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    QVERIFY(WriteAll(port.fd, "PPPPPP#QX1#"));

    // 62 bytes in parts of 21, 21 and 20: each read ends on a part boundary, and the pauses
    // keep the parts apart (a reader that fell behind may see two parts at once, never three).
    QCOMPARE(kDefaultQx1.size(), size_t{62});
    std::vector<std::string> chunks = ReadChunks(port.fd, kDefaultQx1.size());
    std::string all;
    for (const std::string& chunk : chunks) {
        all += chunk;
        QVERIFY2(all.size() == 21 || all.size() == 42 || all.size() == 62,
                 ("read ended inside a part: " + all).c_str());
    }
    QCOMPARE(Q(all), Q(kDefaultQx1));
    QVERIFY2(chunks.size() >= 2, "the parts arrived together");
    QVERIFY(WaitForWritten(server, 1, 3));

    // An answer shorter than the number of parts goes out one byte per part.
    QVERIFY(WriteAll(port.fd, "KORVAT#MOD:1#"));
    QCOMPARE(Q(ReadExactly(port.fd, 3)), QByteArray("OK#"));
    QVERIFY(server.WaitUntil(
        [](const DeviceState&, const SimStats& s) { return s.partsWritten == 6; }, kWait));
}

void TestSimServer::delayedAndSplitAnswersKeepTheirOrder() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimOptions options;
    options.answerDelay = std::chrono::milliseconds(100);
    options.splitParts = 2;
    options.splitPause = std::chrono::milliseconds(20);
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    const std::string expected = "OK#" +
                                 std::string("MOD:2,BAZ:300,BAA:300,BAB:300,BAC:300,"
                                             "OTM:010,RTM:010,ODM:010#") +
                                 "ERR#" + "COMP01:010300#";
    QVERIFY(WriteAll(port.fd, "KORVAT#MOD:2#PPPPPP#QX1#KORVAT#MOD:?#PPPPPP#COMP01#"));
    QCOMPARE(Q(ReadExactly(port.fd, expected.size())), Q(expected));
    QVERIFY(WaitForWritten(server, 4, 8));
}

void TestSimServer::droppedAnswersAreNeverWritten() {
    {
        PtyPair pty;
        QVERIFY(pty.Valid());
        SimOptions options;
        options.dropFirst = 2;
        SimServer server(pty.MasterFd(), options);
        QVERIFY(server.Start());
        Fd port(OpenPort(pty.SlavePath()));
        QVERIFY(WriteAll(port.fd, "KORVAT#MOD:2#"));
        QVERIFY(WriteAll(port.fd, "KORVAT#BAZ:711#"));
        QVERIFY(server.WaitUntil(
            [](const DeviceState&, const SimStats& s) { return s.answersDropped == 2; }, kWait));
        // The dropped answers' writes were applied; the third answer is the first on the line.
        QVERIFY(WriteAll(port.fd, "PPPPPP#QX1#"));
        QCOMPARE(Q(ReadExactly(port.fd, kDefaultQx1.size())),
                 QByteArray("MOD:2,BAZ:711,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#"));
    }
    {
        PtyPair pty;
        QVERIFY(pty.Valid());
        SimOptions options;
        options.dropAll = true;
        SimServer server(pty.MasterFd(), options);
        QVERIFY(server.Start());
        Fd port(OpenPort(pty.SlavePath()));
        QVERIFY(WriteAll(port.fd, "KORVAT#MOD:1#PPPPPP#QX1#"));
        QVERIFY(server.WaitUntil(
            [](const DeviceState& d, const SimStats& s) {
                return s.answersDropped == 2 && d.workMode == 1;
            },
            kWait));
        SimStats stats = server.Stats();
        QCOMPARE(stats.answersQueued, 0u);
        QCOMPARE(stats.bytesWritten, 0u);
        QVERIFY(!Readable(port.fd));
    }
}

void TestSimServer::dropRateIsRepeatableWithItsSeed() {
    auto run = [](std::uint64_t seed) {
        PtyPair pty;
        if (!pty.Valid()) return std::string("<no pty>");
        SimOptions options;
        options.dropRate = 0.5;
        options.dropSeed = seed;
        SimServer server(pty.MasterFd(), options);
        server.Start();
        Fd port(OpenPort(pty.SlavePath()));
        // Forty frames, each with its own answer (the mode written, then read back).
        std::string received;
        for (int i = 0; i < 20; ++i) {
            const std::string mode = std::to_string(i % 3);
            WriteAll(port.fd, "KORVAT#MOD:" + mode + "#PPPPPP#QX1#");
            const std::uint64_t answers = 2u * static_cast<std::uint64_t>(i + 1);
            server.WaitUntil(
                [answers](const DeviceState&, const SimStats& s) {
                    return s.answersDropped + s.answersWritten == answers;
                },
                kWait);
        }
        while (Readable(port.fd))
            received += ReadSome(port.fd, 0ms);
        SimStats stats = server.Stats();
        return std::to_string(stats.answersDropped) + "/" + received;
    };
    const std::string first = run(7);
    QCOMPARE(Q(run(7)), Q(first));
    const std::size_t slash = first.find('/');
    const int dropped = std::stoi(first.substr(0, slash));
    QVERIFY2(dropped > 0 && dropped < 40, first.c_str());
    QVERIFY(run(8) != first);
}

void TestSimServer::stateCanBeSetAndWatchedFromTheTest() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimOptions options;
    options.initialState.workMode = 2;
    options.initialState.ports[vq830::sim::kPortC] = {7, 2, 1};
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    QCOMPARE(Q(Exchange(port.fd, "PPPPPP#QX1#", kDefaultQx1.size())),
             QByteArray("MOD:2,BAZ:300,BAA:300,BAB:300,BAC:721,OTM:010,RTM:010,ODM:010#"));

    DeviceState state = server.State();
    state.readTimeout = 250;
    server.SetState(state);
    QCOMPARE(Q(Exchange(port.fd, "PPPPPP#QX1#", kDefaultQx1.size())),
             QByteArray("MOD:2,BAZ:300,BAA:300,BAB:300,BAC:721,OTM:010,RTM:010,ODM:250#"));

    // A condition that never holds: WaitUntil gives up after its timeout with false.
    QVERIFY(!server.WaitUntil([](const DeviceState& s, const SimStats&) { return s.tester == 5; },
                              50ms));
    // One that a frame from another thread brings about.
    std::thread writer([&] { WriteAll(port.fd, "PPPPPP#PCBSN:00000042,005#"); });
    QVERIFY(server.WaitUntil(
        [](const DeviceState& s, const SimStats&) { return s.tester == 5 && s.boardSerial == 42; },
        kWait));
    writer.join();
    QCOMPARE(Q(ReadExactly(port.fd, 3)), QByteArray("OK#"));
}

void TestSimServer::historyKeepsTheLatestFrames() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimOptions options;
    options.dropAll = true; // nothing to read back
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    const int count = static_cast<int>(vq830::sim::kHistorySize) + 44;
    std::string frames;
    for (int i = 0; i < count; ++i)
        frames += "KORVAT#OTM:" + std::to_string(i) + "#";
    QVERIFY(WriteAll(port.fd, frames));
    QVERIFY(server.WaitUntil(
        [&](const DeviceState&, const SimStats& s) {
            return s.device.framesAccepted == static_cast<std::uint64_t>(count);
        },
        kWait));
    std::vector<vq830::sim::Exchange> history = server.History();
    QCOMPARE(history.size(), vq830::sim::kHistorySize);
    QCOMPARE(Q(history.front().frame), QByteArray("KORVAT#OTM:44#"));
    QCOMPARE(Q(history.back().frame), Q("KORVAT#OTM:" + std::to_string(count - 1) + "#"));
    server.ClearHistory();
    QVERIFY(server.History().empty());
}

void TestSimServer::answersWaitInABoundedQueue() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    // 4000 queries and no reading: 248,000 bytes of answers, more than the pseudo-terminal
    // and the server's queue hold together.
    const std::uint64_t count = 4000;
    std::string frames;
    for (std::uint64_t i = 0; i < count; ++i)
        frames += "PPPPPP#QX1#";
    QVERIFY(WriteAll(port.fd, frames));
    QVERIFY(server.WaitUntil(
        [&](const DeviceState&, const SimStats& s) {
            return s.device.framesAccepted == count &&
                   s.answersQueued + s.answersDiscarded == count;
        },
        kWait));
    const SimStats stats = server.Stats();
    QVERIFY(stats.answersDiscarded > 0);
    QVERIFY(stats.answersQueued * kDefaultQx1.size() >= vq830::sim::kMaxQueuedBytes);

    // What was kept arrives whole, and the device answers again afterwards.
    const std::string received = ReadExactly(port.fd, stats.answersQueued * kDefaultQx1.size());
    QCOMPARE(received.size(), stats.answersQueued * kDefaultQx1.size());
    for (std::size_t at = 0; at < received.size(); at += kDefaultQx1.size())
        QVERIFY(received.compare(at, kDefaultQx1.size(), kDefaultQx1) == 0);
    QVERIFY(!Readable(port.fd));
    QVERIFY(WriteAll(port.fd, "KORVAT#MOD:1#"));
    QCOMPARE(Q(ReadExactly(port.fd, 3)), QByteArray("OK#"));
}

void TestSimServer::injectedBytesReachThePort() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimServer idle(pty.MasterFd());
    idle.Inject("ignored"); // not running: nothing happens
    QCOMPARE(idle.Stats().injectionsWritten, 0u);

    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    QVERIFY(!Readable(port.fd));
    const std::string odd("COMR02:1,?8,\x00\xff#", 15);
    server.Inject(odd);
    QCOMPARE(Q(ReadExactly(port.fd, odd.size())), Q(odd));
    QVERIFY(server.WaitUntil(
        [](const DeviceState&, const SimStats& s) { return s.injectionsWritten == 1; }, kWait));
    // Answers go on as before, and injected bytes are not frames to the device.
    QCOMPARE(Q(Exchange(port.fd, "KORVAT#MOD:2#", 3)), QByteArray("OK#"));
    QVERIFY(WaitForWritten(server, 1, 1));
    SimStats stats = server.Stats();
    QCOMPARE(stats.device.framesAccepted, 1u);
    QCOMPARE(stats.bytesWritten, std::uint64_t{odd.size() + 3});
    QCOMPARE(server.History().size(), size_t{1});
}

void TestSimServer::injectRacingStopIsSafe() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    // Another thread injects while the owner stops the server: each call either reaches the
    // line or is ignored, and none is left over for a later start.
    std::atomic<bool> stopped{false};
    std::thread injector([&] {
        while (!stopped)
            server.Inject("x");
    });
    QVERIFY(server.WaitUntil(
        [](const DeviceState&, const SimStats& s) { return s.injectionsWritten > 0; }, kWait));
    server.Stop();
    stopped = true;
    injector.join();
    QVERIFY(!server.IsRunning());
    const std::uint64_t written = server.Stats().injectionsWritten;
    QCOMPARE(Q(ReadExactly(port.fd, written)), Q(std::string(written, 'x')));

    QVERIFY(server.Start());
    server.Inject("y");
    QCOMPARE(Q(ReadExactly(port.fd, 1)), QByteArray("y"));
    QVERIFY(server.WaitUntil(
        [&](const DeviceState&, const SimStats& s) { return s.injectionsWritten == written + 1; },
        kWait));
    QVERIFY(!Readable(port.fd));
}

void TestSimServer::trafficIsLogged() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    std::mutex mutex;
    std::vector<std::string> lines;
    SimOptions options;
    options.logTraffic = true;
    options.logSink = [&](const std::string& line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    };
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    QCOMPARE(Q(Exchange(port.fd, "\x01KORVAT#MOD:1#", 3)), QByteArray("OK#"));
    server.Stop();
    std::lock_guard lock(mutex);
    const std::vector<std::string> expected = {"rx \\x01KORVAT#MOD:1#",
                                               "frame KORVAT#MOD:1# => OK#", "tx OK#"};
    QCOMPARE(lines, expected);
}

void TestSimServer::survivesAFloodOfNoise() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string flood;
    for (int i = 0; i < 256 * 1024; ++i)
        flood += static_cast<char>(byte(random));
    for (int i = 0; i < 200; ++i)
        flood.insert(flood.size() * i / 200, i % 2 ? "KORVAT#" : "PPPPPP#QX1#");
    // The flood may bring error answers; the reply to the final query ends the stream.
    std::string received;
    std::thread reader(
        [&] { received = ReadUntilSuffix(port.fd, "COMR09:1,08,0103000000044409#"); });
    QVERIFY(WriteAll(port.fd, flood));
    QVERIFY(WriteAll(port.fd, "#PPPPPP#COMR09#"));
    reader.join();
    QVERIFY2(received.ends_with("COMR09:1,08,0103000000044409#"), received.c_str());
    QVERIFY(server.IsRunning());
    QCOMPARE(server.Stats().device.bytesFed, std::uint64_t{flood.size() + 15});
}

void TestSimServer::stopEndsServingAndIsIdempotent() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    {
        SimServer never(pty.MasterFd());
        never.Stop(); // without Start
        QVERIFY(!never.IsRunning());
    }
    SimServer server(pty.MasterFd());
    QVERIFY(server.Start());
    std::string error;
    QVERIFY(!server.Start(&error));
    QVERIFY(!error.empty());
    Fd port(OpenPort(pty.SlavePath()));
    QCOMPARE(Q(Exchange(port.fd, "KORVAT#MOD:2#", 3)), QByteArray("OK#"));
    server.Stop();
    server.Stop();
    QVERIFY(!server.IsRunning());
    QCOMPARE(server.State().workMode, 2); // the state outlives the thread

    // Nobody serves the port now: a frame stays unanswered (the server's counters stand still).
    QVERIFY(WriteAll(port.fd, "PPPPPP#QX1#"));
    QCOMPARE(server.Stats().device.bytesFed, std::uint64_t{13});

    // Once the pair is closed, the tool's port sees the hang-up.
    pty.Close();
    pollfd p{port.fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, static_cast<int>(kWait.count())), 1);
    QVERIFY(p.revents & (POLLHUP | POLLERR));
}

void TestSimServer::answersOnlyAtItsLineSetting_data() {
    QTest::addColumn<unsigned>("rate");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("answered");
    // The device answers at 57600,None,2.
    QTest::newRow("its setting") << 57600u << true << false << false << true;
    QTest::newRow("parity, which is not seen") << 57600u << true << true << false << true;
    QTest::newRow("one stop bit") << 57600u << false << false << false << false;
    QTest::newRow("slower") << 9600u << true << false << false << false;
    QTest::newRow("faster, one stop bit") << 115200u << false << false << false << false;
    QTest::newRow("silent, its setting") << 57600u << true << false << true << true;
    QTest::newRow("silent, slower") << 9600u << true << false << true << false;
}

void TestSimServer::answersOnlyAtItsLineSetting() {
    QFETCH(unsigned, rate);
    QFETCH(bool, twoStopBits);
    QFETCH(bool, parity);
    QFETCH(bool, silent);
    QFETCH(bool, answered);
    PtyPair pty;
    QVERIFY(pty.Valid());
    SimOptions options;
    options.line = PortSettings{6, 0, 1};
    options.mismatch = silent ? Mismatch::Silent : Mismatch::Noise;
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    QVERIFY(SetPort(port.fd, rate, twoStopBits, parity));
    QVERIFY(WriteAll(port.fd, "KORVAT#MOD:2#PPPPPP#QX1#"));
    QVERIFY(server.WaitUntil(
        [](const DeviceState&, const SimStats& s) {
            return s.device.framesAccepted + s.mismatchedFrames == 2;
        },
        kWait));
    // Then a query at the device's setting: what came before its answer is what the tool got.
    QVERIFY(SetPort(port.fd, 57600, true));
    QVERIFY(WriteAll(port.fd, "PPPPPP#QX1#"));
    if (answered) {
        const std::string expected = "OK#" + Qx1(2, "601") + Qx1(2, "601");
        QCOMPARE(Q(ReadExactly(port.fd, expected.size())), Q(expected));
        return;
    }
    const std::string received = ReadUntilSuffix(port.fd, Qx1(0, "601")); // the mode not written
    QVERIFY2(received.ends_with(Qx1(0, "601")), received.c_str());
    const std::string before = received.substr(0, received.size() - kDefaultQx1.size());
    QCOMPARE(before.empty(), silent);
    QVERIFY(std::none_of(before.begin(), before.end(), IsPrintable));
    QCOMPARE(server.Stats().mismatchedFrames, 2u);
    QCOMPARE(server.History().size(), size_t{1});
}

void TestSimServer::writtenMainPortSettingTakesEffectAtRestart() {
    PtyPair pty;
    QVERIFY(pty.Valid());
    QVERIFY(!SimServer(pty.MasterFd()).Line()); // no line setting: answers at any
    SimOptions options;
    options.line = PortSettings{6, 0, 1};
    options.mismatch = Mismatch::Silent;
    SimServer server(pty.MasterFd(), options);
    QVERIFY(server.Line() == options.line);
    QVERIFY(server.Start());
    Fd port(OpenPort(pty.SlavePath()));
    QVERIFY(SetPort(port.fd, 57600, true));
    QCOMPARE(Q(Exchange(port.fd, "KORVAT#BAZ:700#", 3)), QByteArray("OK#"));
    // Stored and reported at once; the device answers at its old setting until it restarts.
    QCOMPARE(Q(Exchange(port.fd, "PPPPPP#QX1#", kDefaultQx1.size())), Q(Qx1(0, "700")));
    QVERIFY(WriteAll(port.fd, "PPPPPP#QX")); // a frame that the restart cuts short
    QVERIFY(server.WaitUntil(
        [](const DeviceState&, const SimStats& s) { return s.device.bytesFed == 35; }, kWait));
    server.Restart();
    QVERIFY(server.Line() == (PortSettings{7, 0, 0}));

    // "1#" does not complete the forgotten frame: only the second query is answered.
    QVERIFY(SetPort(port.fd, 115200, false));
    QCOMPARE(Q(Exchange(port.fd, "1#PPPPPP#QX1#", kDefaultQx1.size())), Q(Qx1(0, "700")));
    QVERIFY(WaitForWritten(server, 3, 3));
    QCOMPARE(server.Stats().device.framesAccepted, 3u);
    QVERIFY(SetPort(port.fd, 57600, true));
    QVERIFY(WriteAll(port.fd, "PPPPPP#QX1#"));
    QVERIFY(server.WaitUntil(
        [](const DeviceState&, const SimStats& s) { return s.mismatchedFrames == 1; }, kWait));
    QVERIFY(!Readable(port.fd));
}

QTEST_APPLESS_MAIN(TestSimServer)
#include "test_sim_server.moc"
