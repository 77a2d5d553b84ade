// Opening and closing a port, the open errors, and the line settings the tty receives.
#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "ioctl_seam.h"
#include "serial/port_holders.h"
#include "support.h"
#include "tty_state.h"

class TestSerialPort : public QObject {
    Q_OBJECT

private:
    // Opens `comm` and expects the given ECommsError text.
    static QString OpenError(TComm& comm) {
        try {
            comm.OpenPort();
        } catch (const ECommsError& e) {
            return QString::fromLatin1(e.what());
        }
        return QStringLiteral("<opened>");
    }

    // Bytes written by the master side arrive through `comm`.
    static bool RoundTrip(QueueNotifySink& sink, TComm& comm, PtyPair& pty) {
        EventLog log;
        log.Attach(comm);
        const std::string probe = "probe-123";
        if (!pty.Write(probe)) return false;
        if (!sink.RunUntil([&] { return log.ReceivedCount() >= probe.size(); }, 10s)) return false;
        const auto got = log.AllReceived();
        const char* hello = "hello";
        if (!comm.SendBytes(hello, 5)) return false;
        const auto out = pty.Read(5, 10s);
        return std::string(got.begin(), got.end()) == probe &&
               std::string(out.begin(), out.end()) == "hello";
    }

    bool keepsFraming = false;

private slots:
    void initTestCase() {
        keepsFraming = PtyKeepsFraming();
        if (!keepsFraming)
            qInfo("pseudo-terminals here force 8 bits without parity; checking data bits and "
                  "parity on the prepared attributes");
    }

    void constructorValues() {
        TComm c(std::make_shared<QueueNotifySink>());
        QCOMPARE(c.CommName(), std::string("COM2"));
        QCOMPARE(c.BaudRate(), 9600u);
        QVERIFY(!c.ParityCheck() && !c.Outx_CtsFlow() && !c.Outx_DsrFlow());
        QVERIFY(c.DtrControl() == TDtrControl::DtrEnable);
        QVERIFY(!c.DsrSensitivity());
        QVERIFY(c.TxContinueOnXoff() && c.Outx_XonXoffFlow() && c.Inx_XonXoffFlow());
        QVERIFY(!c.ReplaceWhenParityError() && !c.IgnoreNullChar());
        QVERIFY(c.RtsControl() == TRtsControl::RtsEnable);
        QCOMPARE(c.XonLimit(), uint16_t(500));
        QCOMPARE(c.XoffLimit(), uint16_t(500));
        QVERIFY(c.ByteSize() == TByteSize::_8);
        QVERIFY(c.Parity() == TParity::None);
        QVERIFY(c.StopBits() == TStopBits::_1);
        QCOMPARE(c.XonChar(), uint8_t(17));
        QCOMPARE(c.XoffChar(), uint8_t(19));
        QCOMPARE(c.ReplacedChar(), uint8_t(0));
        QCOMPARE(c.ReadIntervalTimeout(), 100u);
        QCOMPARE(c.ReadTotalTimeoutMultiplier(), 0u);
        QCOMPARE(c.ReadTotalTimeoutConstant(), 0u);
        QCOMPARE(c.WriteTotalTimeoutMultiplier(), 0u);
        QCOMPARE(c.WriteTotalTimeoutConstant(), 0u);
        QVERIFY(!c.IsOpen());
        QVERIFY(!c.OnReceiveData && !c.OnReceiveError && !c.OnModemStateChange);
        QVERIFY(!c.OnRequestHangup && !c.OnSendDataEmpty);
        // Closing a closed port is harmless; sending on it queues nothing.
        c.ClosePort();
        QVERIFY(!c.IsOpen());
        QVERIFY(!c.SendBytes("x", 1));
    }

    void nonexistentPathThenGoodName() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        QVERIFY(pty.Valid());
        auto comm = MakeBinaryPort(sink, "/dev/no-such-serial-port");
        const int fds = CountOpenFds();
        QCOMPARE(OpenError(*comm), QStringLiteral("Error opening serial port"));
        QVERIFY(!comm->IsOpen());
        QCOMPARE(CountOpenFds(), fds);
        comm->SetCommName(pty.SlavePath());
        comm->OpenPort();
        QVERIFY(comm->IsOpen());
        QVERIFY(RoundTrip(*sink, *comm, pty));
    }

    void busyPortRefused() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto first = MakeBinaryPort(sink, pty.SlavePath());
        first->OpenPort();
        auto second = MakeBinaryPort(sink, pty.SlavePath());
        const int fds = CountOpenFds();
        QCOMPARE(OpenError(*second), QStringLiteral("Error opening serial port"));
        QVERIFY(!second->IsOpen());
        QCOMPARE(CountOpenFds(), fds);
        QVERIFY(RoundTrip(*sink, *first, pty));
        // Once the holder closes, the port can be taken.
        first->ClosePort();
        second->OpenPort();
        QVERIFY(RoundTrip(*sink, *second, pty));
    }

    void exclusiveHoldReleasedOnClose() {
        // TIOCEXCL stays on a pseudo-terminal after its holder closes, and it does not bind
        // root: check the flag itself rather than a second open.
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto exclusive = [&] {
            int on = -1;
            return ioctl(pty.SlaveFd(), TIOCGEXCL, &on) == 0 ? on : -1;
        };
        QCOMPARE(exclusive(), 0);
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        comm->OpenPort();
        QCOMPARE(exclusive(), 1);
        comm->ClosePort();
        QCOMPARE(exclusive(), 0);
        comm->OpenPort();
        comm.reset(); // destroyed open
        QCOMPARE(exclusive(), 0);
        auto refused = MakeBinaryPort(sink, pty.SlavePath());
        refused->SetBaudRate(0);
        QCOMPARE(OpenError(*refused), QStringLiteral("Unable to apply line settings"));
        QCOMPARE(exclusive(), 0);
    }

    void notATerminal_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("regular file") << QString();
        QTest::newRow("/dev/null") << QStringLiteral("/dev/null");
    }
    void notATerminal() {
        QFETCH(QString, path);
        QTemporaryFile file;
        if (path.isEmpty()) {
            QVERIFY(file.open());
            path = file.fileName();
        }
        TComm comm(std::make_shared<QueueNotifySink>());
        comm.SetCommName(path.toStdString());
        const int fds = CountOpenFds();
        QCOMPARE(OpenError(comm), QStringLiteral("File handle is not a comm handle "));
        QVERIFY(!comm.IsOpen());
        QCOMPARE(CountOpenFds(), fds);
    }

    void openErrorsKeepTheSystemError() {
        QTemporaryFile file;
        QVERIFY(file.open());
        PtyPair pty;
        auto holder = MakeBinaryPort(std::make_shared<QueueNotifySink>(), pty.SlavePath());
        holder->OpenPort();
        const struct {
            std::string path;
            int error;
        } cases[] = {{"/dev/no-such-serial-port", ENOENT},
                     {file.fileName().toStdString(), ENOTTY},
                     {"/dev/null", ENOTTY},
                     {pty.SlavePath(), EBUSY}}; // locked by `holder`
        TComm comm(std::make_shared<QueueNotifySink>());
        for (const auto& c : cases) {
            comm.SetCommName(c.path);
            OpenError(comm);
            QCOMPARE(comm.LastOpenErrno(), c.error);
        }
        holder->ClosePort();
        comm.OpenPort();
        QCOMPARE(comm.LastOpenErrno(), 0);
    }

    // Another process holding a pseudo-terminal's slave open is found by the holder scan, yet
    // is no reason to refuse the opening: the program at the other end holds it on purpose.
    void ptyHeldByAnotherProcess() {
        PtyPair pty;
        QVERIFY(!vq830serial::IsPseudoTerminal("/dev/null"));
        QVERIFY(vq830serial::IsPseudoTerminal(pty.SlavePath()));
        int ready[2], release[2];
        QVERIFY(pipe(ready) == 0 && pipe(release) == 0);
        const pid_t child = fork();
        if (child == 0) {
            close(release[1]);
            const int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
            char byte = fd >= 0 ? 1 : 0;
            (void)!write(ready[1], &byte, 1);
            (void)!read(release[0], &byte, 1); // until the parent closes its end
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        pollfd wait{ready[0], POLLIN, 0};
        char opened = 0;
        const bool childReady =
            poll(&wait, 1, 10000) == 1 && read(ready[0], &opened, 1) == 1 && opened == 1;
        const auto holders = vq830serial::FindPortHolders(pty.SlavePath());
        TComm comm(std::make_shared<QueueNotifySink>());
        comm.SetCommName(pty.SlavePath());
        const QString opening = OpenError(comm);
        comm.ClosePort();
        close(release[1]);
        close(ready[0]);
        kill(child, SIGKILL); // whatever state the child is in, it ends here
        QCOMPARE(waitpid(child, nullptr, 0), child);
        QVERIFY(childReady);
        QCOMPARE(holders.size(), size_t(1)); // the child; this process is never listed
        QCOMPARE(holders[0].Pid, int(child));
        QFile comm_name("/proc/self/comm");
        QVERIFY(comm_name.open(QIODevice::ReadOnly));
        QCOMPARE(QByteArray::fromStdString(holders[0].Name), comm_name.readAll().trimmed());
        QCOMPARE(opening, QStringLiteral("<opened>"));
    }

    void reopenWhileOpenKeepsPortWorking() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        const ThreadsSince threads;
        comm->OpenPort();
        const int fds = CountOpenFds();
        QCOMPARE(OpenError(*comm), QStringLiteral("This serial port already opened"));
        QVERIFY(comm->IsOpen());
        QCOMPARE(CountOpenFds(), fds);
        QVERIFY(threads.WaitCount(2, 5s));
        QVERIFY(RoundTrip(*sink, *comm, pty));
    }

    void zeroRateRefused() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        comm->SetBaudRate(0);
        const int fds = CountOpenFds();
        const ThreadsSince threads;
        QCOMPARE(OpenError(*comm), QStringLiteral("Unable to apply line settings"));
        QVERIFY(!comm->IsOpen());
        QCOMPARE(CountOpenFds(), fds);
        QVERIFY(threads.WaitCount(0, 5s));
        // Nothing of the failed open remains: a good rate opens the same port.
        comm->SetBaudRate(19200);
        comm->OpenPort();
        QCOMPARE(ReadTtyState(pty.SlaveFd()).OutputRate, 19200u);
    }

    void noDescriptorForTheStopSignal() {
        // Leave exactly one free descriptor below the limit: the device takes it and the stop
        // signal cannot be created.
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_NOFILE, &old) == 0);
        std::vector<int> fillers;
        int top = -1;
        for (int fd = 0; fd < 4096; ++fd)
            if (fcntl(fd, F_GETFD) != -1) top = fd;
        const int limit = top + 2;
        for (;;) {
            const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
            QVERIFY(fd >= 0);
            if (fd >= limit - 1) {
                close(fd);
                break;
            }
            fillers.push_back(fd);
        }
        rlimit tight = old;
        tight.rlim_cur = static_cast<rlim_t>(limit);
        QVERIFY(setrlimit(RLIMIT_NOFILE, &tight) == 0);
        const QString error = OpenError(*comm);
        setrlimit(RLIMIT_NOFILE, &old);
        const int fds = CountOpenFds();
        for (int fd : fillers)
            close(fd);
        QCOMPARE(error, QStringLiteral("Unable to create event"));
        QVERIFY(!comm->IsOpen());
        QCOMPARE(fds, limit - 1); // the device was closed again
        comm->OpenPort();
        QVERIFY(RoundTrip(*sink, *comm, pty));
    }

    void lineSettingsReachTheTty_data() {
        QTest::addColumn<uint32_t>("rate");
        QTest::addColumn<int>("byteSize");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QChar>("parityLetter");
        QTest::addColumn<int>("stops");
        // What programs that know only the standard rate codes (stty) read; 0: no such code.
        QTest::addColumn<speed_t>("code");
        QTest::newRow("9600 8N1") << 9600u << 3 << 0 << 0 << 8 << QChar('N') << 1 << speed_t(B9600);
        QTest::newRow("115200 7E1")
            << 115200u << 2 << 2 << 0 << 7 << QChar('E') << 1 << speed_t(B115200);
        QTest::newRow("14400 typed, 8O2")
            << 14400u << 3 << 1 << 2 << 8 << QChar('O') << 2 << speed_t(0);
        QTest::newRow("250000 6M1") << 250000u << 1 << 3 << 0 << 6 << QChar('M') << 1 << speed_t(0);
        QTest::newRow("1234567 odd rate, 8S1")
            << 1234567u << 3 << 4 << 0 << 8 << QChar('S') << 1 << speed_t(0);
        QTest::newRow("300 5N1.5") << 300u << 0 << 0 << 1 << 5 << QChar('N') << 2 << speed_t(B300);
    }
    void lineSettingsReachTheTty() {
        QFETCH(uint32_t, rate);
        QFETCH(int, byteSize);
        QFETCH(int, parity);
        QFETCH(int, stopBits);
        QFETCH(int, bits);
        QFETCH(QChar, parityLetter);
        QFETCH(int, stops);
        QFETCH(speed_t, code);
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        comm->SetBaudRate(rate);
        comm->SetByteSize(static_cast<TByteSize>(byteSize));
        comm->SetParity(static_cast<TParity>(parity));
        comm->SetStopBits(static_cast<TStopBits>(stopBits));
        comm->OpenPort();
        const TtyState s = ReadTtyState(pty.SlaveFd());
        QVERIFY(s.Ok);
        QCOMPARE(s.OutputRate, rate);
        termios plain{};
        QVERIFY(tcgetattr(pty.SlaveFd(), &plain) == 0);
        if (code != 0) QCOMPARE(cfgetospeed(&plain), code);
        QCOMPARE(s.InputRate, rate);
        QCOMPARE(s.StopBits, stops);
        QVERIFY(s.Raw);
        QVERIFY(!s.XonXoffOut && !s.XonXoffIn && !s.HardwareFlow && !s.ParityCheck);
        // Odd/mark/space bits are kept by every tty.
        QCOMPARE(s.OddBit, parityLetter == QChar('O') || parityLetter == QChar('M'));
        QCOMPARE(s.StickBit, parityLetter == QChar('M') || parityLetter == QChar('S'));
        // Data bits and parity as prepared for the device; a pseudo-terminal on newer kernels
        // forces 8 bits without parity, so the tty itself shows them only where it keeps them.
        vq830serial::LineSettings settings;
        settings.BaudRate = rate;
        settings.ByteSize = static_cast<TByteSize>(byteSize);
        settings.Parity = static_cast<TParity>(parity);
        settings.StopBits = static_cast<TStopBits>(stopBits);
        vq830serial::TtyAttributes prepared;
        QVERIFY(vq830serial::ReadTtyAttributes(pty.SlaveFd(), prepared));
        vq830serial::EncodeLineSettings(settings, prepared);
        const TtyState p = DecodeAttributes(prepared);
        QCOMPARE(p.DataBits, bits);
        QCOMPARE(QChar(p.Parity), parityLetter);
        QCOMPARE(p.StopBits, stops);
        if (keepsFraming) {
            QCOMPARE(s.DataBits, bits);
            QCOMPARE(QChar(s.Parity), parityLetter);
        }
    }

    void flowControlAndCharacters() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        TComm comm(sink);
        comm.SetCommName(pty.SlavePath());
        comm.SetXonChar(0x41);
        comm.SetXoffChar(0x42);
        comm.SetOutx_CtsFlow(true);
        comm.SetParityCheck(true);
        comm.OpenPort();
        TtyState s = ReadTtyState(pty.SlaveFd());
        QVERIFY(s.XonXoffOut && s.XonXoffIn); // the constructor's XON/XOFF both ways
        QCOMPARE(s.StartChar, uint8_t(0x41));
        QCOMPARE(s.StopChar, uint8_t(0x42));
        QVERIFY(s.HardwareFlow);
        QVERIFY(s.ParityCheck);
        comm.SetOutx_CtsFlow(false);
        comm.SetRtsControl(TRtsControl::RtsHandshake); // RTS handshake is hardware flow too
        QVERIFY(ReadTtyState(pty.SlaveFd()).HardwareFlow);
        comm.SetRtsControl(TRtsControl::RtsDisable);
        comm.SetInx_XonXoffFlow(false);
        s = ReadTtyState(pty.SlaveFd());
        QVERIFY(!s.HardwareFlow);
        QVERIFY(s.XonXoffOut && !s.XonXoffIn);
    }

    void settersWhileOpen() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        // While closed, assignments touch no device.
        comm->SetBaudRate(4800);
        comm->SetReadIntervalTimeout(50);
        QCOMPARE(comm->LineSettingsApplied(), 0u);
        QCOMPARE(comm->TimeoutsApplied(), 0u);
        comm->OpenPort();
        QCOMPARE(comm->LineSettingsApplied(), 1u);
        QCOMPARE(comm->TimeoutsApplied(), 1u);
        QCOMPARE(ReadTtyState(pty.SlaveFd()).OutputRate, 4800u);

        // The same value again: no device call.
        comm->SetBaudRate(4800);
        comm->SetByteSize(TByteSize::_8);
        comm->SetDtrControl(TDtrControl::DtrEnable);
        comm->SetReadIntervalTimeout(50);
        QCOMPARE(comm->LineSettingsApplied(), 1u);
        QCOMPARE(comm->TimeoutsApplied(), 1u);

        // A new rate is applied at once.
        comm->SetBaudRate(57600);
        QCOMPARE(comm->LineSettingsApplied(), 2u);
        QCOMPARE(ReadTtyState(pty.SlaveFd()).OutputRate, 57600u);

        // Parity is only stored; the next application of line settings takes it along.
        // (Parity is observed through the odd bit, which every tty keeps.)
        comm->SetParity(TParity::Odd);
        QCOMPARE(comm->LineSettingsApplied(), 2u);
        QVERIFY(!ReadTtyState(pty.SlaveFd()).OddBit);
        comm->SetStopBits(TStopBits::_2);
        QCOMPARE(comm->LineSettingsApplied(), 3u);
        QVERIFY(ReadTtyState(pty.SlaveFd()).OddBit);
        QCOMPARE(ReadTtyState(pty.SlaveFd()).StopBits, 2);

        // Time-outs re-apply the time-outs, not the line settings.
        comm->SetReadTotalTimeoutConstant(20);
        comm->SetWriteTotalTimeoutMultiplier(1);
        QCOMPARE(comm->TimeoutsApplied(), 3u);
        QCOMPARE(comm->LineSettingsApplied(), 3u);

        // The device name is only stored: the open port stays on its device.
        PtyPair other;
        comm->SetCommName(other.SlavePath());
        QCOMPARE(comm->LineSettingsApplied(), 3u);
        QVERIFY(RoundTrip(*sink, *comm, pty));
        comm->ClosePort();
        comm->OpenPort();
        QVERIFY(RoundTrip(*sink, *comm, other));
    }

    void settingsTheDriverChangesArePutBack() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        vq830serial::TtyAttributes before;
        QVERIFY(vq830serial::ReadTtyAttributes(pty.SlaveFd(), before));
        comm->SetBaudRate(19200);
        ioctl_seam::SetNextRate(9000); // a driver that cannot do 19200
        QCOMPARE(OpenError(*comm), QStringLiteral("Unable to apply line settings"));
        vq830serial::TtyAttributes after;
        QVERIFY(vq830serial::ReadTtyAttributes(pty.SlaveFd(), after));
        QCOMPARE(after.OutputRate, before.OutputRate);
        QCOMPARE(after.Cflag, before.Cflag);
        QCOMPARE(after.Iflag, before.Iflag);
        QCOMPARE(after.Lflag, before.Lflag);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(after.Cc), sizeof after.Cc),
                 QByteArray(reinterpret_cast<const char*>(before.Cc), sizeof before.Cc));
    }

    void bytesReceivedBeforeTheOpenAreDiscarded() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        QVERIFY(pty.Write(std::string("stale bytes")));
        comm->OpenPort();
        QVERIFY(RoundTrip(*sink, *comm, pty)); // only what was sent after the open arrives
    }

    void rateRefusedWhileOpenIsNotReported() {
        auto sink = std::make_shared<QueueNotifySink>();
        PtyPair pty;
        auto comm = MakeBinaryPort(sink, pty.SlavePath());
        comm->OpenPort();
        comm->SetBaudRate(0); // refused by the tty; the port keeps working
        QVERIFY(comm->IsOpen());
        QCOMPARE(comm->BaudRate(), 0u);
        QCOMPARE(ReadTtyState(pty.SlaveFd()).OutputRate, 9600u);
        QVERIFY(RoundTrip(*sink, *comm, pty));
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serial_port.moc"
