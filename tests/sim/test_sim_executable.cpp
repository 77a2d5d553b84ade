// The vq830-sim executable run as a child process: its device path, link, options, logging
// and clean exit.
#include <QtTest/QtTest>

#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "sim_test_support.h"

using namespace simtest;

extern char** environ;

namespace {

const std::string kDefaultQx1 = "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#";

QByteArray Q(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// A child process with its standard output and error on pipes.
class Child {
public:
    Child(const std::vector<std::string>& argv) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        ::fcntl(out_, F_SETFL, O_NONBLOCK);
        ::fcntl(err_, F_SETFL, O_NONBLOCK);
    }
    ~Child() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // The first line of standard output, without its newline ("" when none came in time).
    std::string ReadLine() {
        Clock::time_point deadline = Clock::now() + kWait;
        while (outText_.find('\n') == std::string::npos) {
            std::string chunk = ReadSome(out_, std::chrono::milliseconds(MsLeft(deadline)));
            if (chunk.empty()) return {};
            outText_ += chunk;
        }
        std::size_t nl = outText_.find('\n');
        std::string line = outText_.substr(0, nl);
        outText_.erase(0, nl + 1);
        return line;
    }

    // Waits (bounded) for the exit; the exit status, or -1 for a signal death or a time-out.
    int WaitExit() {
        Clock::time_point deadline = Clock::now() + kWait;
        for (;;) {
            int status = 0;
            pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                exited_ = true;
                DrainPipes();
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (Clock::now() > deadline) return -1;
            DrainPipes();
            ::poll(nullptr, 0, 20);
        }
    }

    // Everything written to standard output / error so far.
    const std::string& Out() {
        DrainPipes();
        return outText_;
    }
    const std::string& Err() {
        DrainPipes();
        return errText_;
    }
    // Waits (bounded) until standard error holds `text`.
    bool WaitForErr(const std::string& text) {
        Clock::time_point deadline = Clock::now() + kWait;
        while (Err().find(text) == std::string::npos && Clock::now() < deadline)
            ::poll(nullptr, 0, 20);
        return Err().find(text) != std::string::npos;
    }

private:
    void DrainPipes() {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(out_, buffer, sizeof buffer)) > 0)
            outText_.append(buffer, static_cast<std::size_t>(n));
        while ((n = ::read(err_, buffer, sizeof buffer)) > 0)
            errText_.append(buffer, static_cast<std::size_t>(n));
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool exited_ = false;
    std::string outText_;
    std::string errText_;
};

std::string LinkTarget(const std::string& path) {
    char buffer[4096];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

// Opens the port and sets it to 9600 bps and one stop bit, where the simulator answers unless
// --line says otherwise (a pseudo-terminal starts at 38400).
int OpenAt9600(const std::string& path) {
    const int fd = OpenPort(path);
    if (fd >= 0 && !SetPort(fd, 9600, false)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

class TestSimExecutable : public QObject {
    Q_OBJECT

private slots:
    void servesThroughItsLinkAndRemovesItOnTerm();
    void exitsCleanlyOnInterrupt();
    void splitOptionWritesAnswersInParts();
    void dropOptionsWithholdAnswers();
    void answersAtItsLineUntilRestarted();
    void exitsWithItsParent();
    void staleLinkIsReplacedButAFileIsNot();
    void helpListsEveryOption();
    void badCommandLineIsRefused_data();
    void badCommandLineIsRefused();
};

void TestSimExecutable::servesThroughItsLinkAndRemovesItOnTerm() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string ports = dir.path().toStdString() + "/cfg/vq830/ports"; // not there yet
    Child sim({VQ830_SIM_EXE, "--link", ports, "--name", "COM4", "--log"});
    QVERIFY(sim.Started());
    const std::string path = sim.ReadLine();
    QVERIFY2(path.starts_with("/dev/pts/"), path.c_str());
    const std::string link = ports + "/COM4";
    QCOMPARE(Q(LinkTarget(link)), Q(path));

    for (int round = 0; round < 2; ++round) { // the port opened twice through the link
        int fd = OpenAt9600(link);
        QVERIFY(fd >= 0);
        QVERIFY(WriteAll(fd, "PPPPPP#QX1#"));
        // The second opening finds the mode that the first one wrote.
        const std::string mode = round == 0 ? "MOD:0," : "MOD:2,";
        QCOMPARE(Q(ReadExactly(fd, kDefaultQx1.size())), Q(mode + kDefaultQx1.substr(6)));
        QVERIFY(WriteAll(fd, "KORVAT#MOD:2#"));
        QCOMPARE(Q(ReadExactly(fd, 3)), QByteArray("OK#"));
        ::close(fd);
    }

    QCOMPARE(::kill(sim.Pid(), SIGTERM), 0);
    QCOMPARE(sim.WaitExit(), 0);
    QVERIFY(!Exists(link));
    QCOMPARE(Q(sim.Out()), QByteArray()); // one line, nothing else
    const std::string& log = sim.Err();
    QVERIFY2(log.find("frame PPPPPP#QX1# => " + kDefaultQx1) != std::string::npos, log.c_str());
    QVERIFY2(log.find("frame KORVAT#MOD:2# => OK#") != std::string::npos, log.c_str());
    QVERIFY2(log.find("tx OK#") != std::string::npos, log.c_str());
}

void TestSimExecutable::exitsCleanlyOnInterrupt() {
    Child sim({VQ830_SIM_EXE});
    QVERIFY(sim.Started());
    const std::string path = sim.ReadLine();
    QVERIFY(path.starts_with("/dev/pts/"));
    int fd = OpenAt9600(path);
    QVERIFY(fd >= 0);
    QVERIFY(WriteAll(fd, "PPPPPP#COMP02#"));
    QCOMPARE(Q(ReadExactly(fd, 14)), QByteArray("COMP02:010300#"));
    QCOMPARE(::kill(sim.Pid(), SIGINT), 0);
    QCOMPARE(sim.WaitExit(), 0);
    QCOMPARE(Q(sim.Err()), QByteArray()); // no --log: nothing on standard error
    // The device is gone: the port that was open sees the hang-up.
    pollfd p{fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, static_cast<int>(kWait.count())), 1);
    QVERIFY(p.revents & (POLLHUP | POLLERR));
    ::close(fd);
}

void TestSimExecutable::splitOptionWritesAnswersInParts() {
    Child sim({VQ830_SIM_EXE, "--split", "2", "--pause", "500", "--delay", "50"});
    QVERIFY(sim.Started());
    const std::string path = sim.ReadLine();
    int fd = OpenAt9600(path);
    QVERIFY(fd >= 0);
    QVERIFY(WriteAll(fd, "PPPPPP#QX1#"));
    // 62 bytes in two parts of 31: the pause between them shows as separate reads.
    std::vector<std::string> chunks = ReadChunks(fd, kDefaultQx1.size());
    QCOMPARE(chunks.size(), size_t{2});
    QCOMPARE(Q(chunks[0]), Q(kDefaultQx1.substr(0, 31)));
    QCOMPARE(Q(chunks[1]), Q(kDefaultQx1.substr(31)));
    ::close(fd);
    ::kill(sim.Pid(), SIGTERM);
    QCOMPARE(sim.WaitExit(), 0);
}

void TestSimExecutable::dropOptionsWithholdAnswers() {
    Child sim({VQ830_SIM_EXE, "--drop-first", "1", "--log"});
    QVERIFY(sim.Started());
    int fd = OpenAt9600(sim.ReadLine());
    QVERIFY(fd >= 0);
    QVERIFY(WriteAll(fd, "KORVAT#MOD:1#"));
    // The first answer is dropped: the next thing on the line is the second answer, and it
    // shows that the dropped frame's write was applied.
    QVERIFY(WriteAll(fd, "PPPPPP#QX1#"));
    QCOMPARE(Q(ReadExactly(fd, kDefaultQx1.size())),
             QByteArray("MOD:1,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#"));
    ::close(fd);
    ::kill(sim.Pid(), SIGTERM);
    QCOMPARE(sim.WaitExit(), 0);
    QVERIFY2(sim.Err().find("frame KORVAT#MOD:1# => OK# (dropped)") != std::string::npos,
             sim.Err().c_str());

    Child mute({VQ830_SIM_EXE, "--drop", "--log"});
    QVERIFY(mute.Started());
    fd = OpenAt9600(mute.ReadLine());
    QVERIFY(WriteAll(fd, "PPPPPP#VAR#PPPPPP#QX1#"));
    // Wait on the log for both frames; then nothing has been or will be written.
    Clock::time_point deadline = Clock::now() + kWait;
    while (mute.Err().find("frame PPPPPP#QX1#") == std::string::npos && Clock::now() < deadline)
        ::poll(nullptr, 0, 20);
    QVERIFY2(mute.Err().find("frame PPPPPP#QX1# => MOD:0") != std::string::npos,
             mute.Err().c_str());
    QVERIFY(mute.Err().find("tx ") == std::string::npos);
    QVERIFY(!Readable(fd));
    ::close(fd);
    ::kill(mute.Pid(), SIGTERM);
    QCOMPARE(mute.WaitExit(), 0);

    // A drop rate of 1 drops every answer as well.
    Child certain({VQ830_SIM_EXE, "--drop-rate", "1", "--seed", "3", "--log"});
    fd = OpenAt9600(certain.ReadLine());
    QVERIFY(WriteAll(fd, "PPPPPP#VAR#"));
    deadline = Clock::now() + kWait;
    while (certain.Err().find("(dropped)") == std::string::npos && Clock::now() < deadline)
        ::poll(nullptr, 0, 20);
    QVERIFY2(certain.Err().find("frame PPPPPP#VAR# => VQ830-A(B) V1.0 PCBSN:00000000,001# "
                                "(dropped)") != std::string::npos,
             certain.Err().c_str());
    QVERIFY(!Readable(fd));
    ::close(fd);
    ::kill(certain.Pid(), SIGTERM);
    QCOMPARE(certain.WaitExit(), 0);
}

void TestSimExecutable::answersAtItsLineUntilRestarted() {
    Child sim({VQ830_SIM_EXE, "--line", "19200,even,2", "--log"});
    QVERIFY(sim.Started());
    int fd = OpenPort(sim.ReadLine());
    QVERIFY(fd >= 0);
    auto ask = [&](unsigned rate, bool twoStopBits, const std::string& frame) {
        return SetPort(fd, rate, twoStopBits) && WriteAll(fd, frame) ? ReadSome(fd, kWait) : "";
    };
    // At 9600 and one stop bit, the tool's usual setting, the query gets noise.
    const std::string noise = ask(9600, false, "PPPPPP#QX1#");
    QVERIFY(!noise.empty() && !IsPrintable(noise[0]));
    QVERIFY(SetPort(fd, 19200, true));
    QVERIFY(WriteAll(fd, "KORVAT#BAZ:700#PPPPPP#QX1#"));
    const std::string answer = "OK#MOD:0,BAZ:700" + kDefaultQx1.substr(13);
    QVERIFY(ReadUntilSuffix(fd, answer).ends_with(answer)); // after the noise's rest, if any
    // SIGUSR1 restarts the device: it answers at the written 115200,None,1 from then on.
    QCOMPARE(::kill(sim.Pid(), SIGUSR1), 0);
    QVERIFY2(sim.WaitForErr("restart: answering at 115200,None,1"), sim.Err().c_str());
    const std::string before = ask(19200, true, "PPPPPP#QX1#");
    QVERIFY(!before.empty() && !IsPrintable(before[0]));
    QVERIFY(SetPort(fd, 115200, false));
    QVERIFY(WriteAll(fd, "PPPPPP#QX1#"));
    QVERIFY(ReadUntilSuffix(fd, answer.substr(3)).ends_with(answer.substr(3)));
    ::close(fd);
    ::kill(sim.Pid(), SIGTERM);
    QCOMPARE(sim.WaitExit(), 0);
}

void TestSimExecutable::exitsWithItsParent() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string ports = dir.path().toStdString();
    // A shell starts the simulator in the background and waits for its own standard input to
    // close; the simulator's standard output is ours, and reaches its end when it exits.
    int in[2];
    QCOMPARE(::pipe2(in, O_CLOEXEC), 0);
    int out[2];
    QCOMPARE(::pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const std::string script =
        "\"$0\" --exit-with-parent --link \"$1\" --name COM9 </dev/null & read line";
    const std::string exe = VQ830_SIM_EXE;
    std::vector<char*> args = {const_cast<char*>("/bin/sh"),      const_cast<char*>("-c"),
                               const_cast<char*>(script.c_str()), const_cast<char*>(exe.c_str()),
                               const_cast<char*>(ports.c_str()),  nullptr};
    pid_t shell = -1;
    QCOMPARE(posix_spawn(&shell, "/bin/sh", &actions, nullptr, args.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);

    std::string path = ReadUntilSuffix(out[0], "\n");
    QVERIFY2(path.starts_with("/dev/pts/"), path.c_str());
    QVERIFY(Exists(ports + "/COM9"));

    ::close(in[1]); // the shell's "read" ends, and the shell with it
    int status = 0;
    Clock::time_point deadline = Clock::now() + kWait;
    while (::waitpid(shell, &status, WNOHANG) != shell) {
        if (Clock::now() > deadline) {
            ::kill(shell, SIGKILL);
            ::waitpid(shell, &status, 0);
            QFAIL("the shell did not end");
        }
        ::poll(nullptr, 0, 20);
    }
    // The simulator follows: its end closes the pipe (a read gives end-of-file, not a time-out).
    pollfd p{out[0], POLLIN, 0};
    QCOMPARE(::poll(&p, 1, static_cast<int>(kWait.count())), 1);
    char byte;
    QCOMPARE(::read(out[0], &byte, 1), ssize_t{0});
    ::close(out[0]);
    QVERIFY(!Exists(ports + "/COM9"));
}

void TestSimExecutable::staleLinkIsReplacedButAFileIsNot() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string ports = dir.path().toStdString();
    QCOMPARE(::symlink("/dev/pts/nonexistent", (ports + "/COM4").c_str()), 0);
    {
        Child sim({VQ830_SIM_EXE, "--link", ports});
        const std::string path = sim.ReadLine();
        QVERIFY(path.starts_with("/dev/pts/"));
        QCOMPARE(Q(LinkTarget(ports + "/COM4")), Q(path)); // COM4 is the default name
        ::kill(sim.Pid(), SIGTERM);
        QCOMPARE(sim.WaitExit(), 0);
        QVERIFY(!Exists(ports + "/COM4"));
    }
    {
        QFile file(QString::fromStdString(ports + "/COM5"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();
        Child sim({VQ830_SIM_EXE, "--link", ports, "--name", "COM5"});
        QCOMPARE(sim.WaitExit(), 1);
        QCOMPARE(Q(sim.Out()), QByteArray()); // no device path: it never became ready
        QVERIFY(sim.Err().find("COM5") != std::string::npos);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
    }
}

void TestSimExecutable::helpListsEveryOption() {
    Child sim({VQ830_SIM_EXE, "--help"});
    QCOMPARE(sim.WaitExit(), 0);
    const std::string& help = sim.Out();
    for (const char* option :
         {"--link", "--name", "--delay", "--split", "--pause", "--drop", "--drop-first",
          "--drop-rate", "--seed", "--line", "--mismatch", "--log", "--exit-with-parent", "--help"})
        QVERIFY2(help.find(option) != std::string::npos, option);
}

void TestSimExecutable::badCommandLineIsRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--bogus"};
    QTest::newRow("zero parts") << QStringList{"--split", "0"};
    QTest::newRow("delay not a number") << QStringList{"--delay", "soon"};
    QTest::newRow("negative pause") << QStringList{"--pause", "-5"};
    QTest::newRow("rate above 1") << QStringList{"--drop-rate", "2"};
    QTest::newRow("missing value") << QStringList{"--delay"};
    QTest::newRow("name without link") << QStringList{"--name", "COM4"};
    QTest::newRow("name with a slash") << QStringList{"--link", "/tmp", "--name", "a/b"};
    QTest::newRow("value on a flag") << QStringList{"--drop=1"};
    QTest::newRow("rate not the device's") << QStringList{"--line", "14400,None,1"};
    QTest::newRow("unknown mismatch") << QStringList{"--mismatch", "loud"};
}

void TestSimExecutable::badCommandLineIsRefused() {
    QFETCH(QStringList, args);
    std::vector<std::string> argv = {VQ830_SIM_EXE};
    for (const QString& a : args)
        argv.push_back(a.toStdString());
    Child sim(argv);
    QCOMPARE(sim.WaitExit(), 2);
    QCOMPARE(Q(sim.Out()), QByteArray());
    QVERIFY2(sim.Err().starts_with("vq830-sim: "), sim.Err().c_str());
}

QTEST_APPLESS_MAIN(TestSimExecutable)
#include "test_sim_executable.moc"
