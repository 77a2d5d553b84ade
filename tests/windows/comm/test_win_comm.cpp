// TComm's Win32 backend under wine, against pseudo-terminals that wine maps as COM ports (see
// run.sh): COM4 is a vq830-sim, COM5 and COM6 echo what they receive, COM7 is the peer's
// control line (one request per line, one answer per line), COM9 is not mapped.
#include <QtTest/QtTest>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "serial/comm.h"

namespace {

constexpr auto Wait = std::chrono::milliseconds(10000);

std::string PortPath(const char* name) { return std::string("\\\\.\\") + name; }

// One TComm on a queue sink, with what it reported.
struct Port {
    std::shared_ptr<QueueNotifySink> Sink = std::make_shared<QueueNotifySink>();
    TComm Comm{Sink};
    std::string Received;
    std::vector<size_t> Batches;
    int Hangups = 0;
    int Empties = 0;

    explicit Port(const char* name) {
        Comm.SetCommName(PortPath(name));
        Comm.SetBaudRate(115200);
        Comm.SetOutx_XonXoffFlow(false); // binary data must pass untouched
        Comm.SetInx_XonXoffFlow(false);
        Comm.OnReceiveData = [this](TComm&, const uint8_t* b, uint16_t n) {
            Received.append(reinterpret_cast<const char*>(b), n);
            Batches.push_back(n);
        };
        Comm.OnRequestHangup = [this](TComm&) { ++Hangups; };
        Comm.OnSendDataEmpty = [this](TComm&) { ++Empties; };
    }
    bool Send(const std::string& s) { return Comm.SendBytes(s.data(), s.size()); }
    bool RunUntil(const std::function<bool()>& pred) { return Sink->RunUntil(pred, Wait); }
    bool Receive(size_t count) {
        return RunUntil([&] { return Received.size() >= count; });
    }
};

// The peer's control line: one request, one answer line (without its newline).
class Control {
public:
    Control() : P("COM7") { P.Comm.OpenPort(); }
    std::string Ask(const std::string& request) {
        P.Received.clear();
        if (!P.Send(request + "\n")) return "not sent";
        if (!P.RunUntil([&] { return P.Received.find('\n') != std::string::npos; }))
            return "no answer";
        return P.Received.substr(0, P.Received.find('\n'));
    }

private:
    Port P;
};

// Wine does not enforce the exclusive open (share mode 0) of a COM port; Windows' serial
// drivers do.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return s;
}

} // namespace

class TestWinComm : public QObject {
    Q_OBJECT

private slots:
    void openErrors_data();
    void openErrors();
    void secondOpenOfAnOpenPort();
    void lineSettings_data();
    void lineSettings();
    void settingsWhileOpen();
    void transfer_data();
    void transfer();
    void frameAndAnswer();
    void closeAndReopen();
    void farEndCloses();
};

void TestWinComm::openErrors_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("no such port") << "\\\\.\\COM9" << CommsErrorText::OpenFailed
                                  << int(ERROR_FILE_NOT_FOUND);
    QTest::newRow("no comm device")
        << "NUL" << CommsErrorText::NotCommHandle << int(ERROR_INVALID_HANDLE);
}

// A port that cannot be opened raises the fixed text, keeps GetLastError() of the failed call
// and leaves the object closed and usable.
void TestWinComm::openErrors() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, code);
    Port p("COM5");
    p.Comm.SetCommName(name.toStdString());
    QString raised;
    try {
        p.Comm.OpenPort();
    } catch (const ECommsError& e) {
        raised = e.what();
    }
    QCOMPARE(raised, text);
    QCOMPARE(p.Comm.LastOpenErrno(), code);
    QVERIFY(!p.Comm.IsOpen());
    p.Comm.SetCommName(PortPath("COM5"));
    p.Comm.OpenPort();
    QCOMPARE(p.Comm.LastOpenErrno(), 0);
    QVERIFY(p.Comm.IsOpen());
}

// The open is exclusive: a second object cannot open the port; the first object's second
// OpenPort raises "already opened" and its port goes on working.
void TestWinComm::secondOpenOfAnOpenPort() {
    Port first("COM5");
    first.Comm.OpenPort();
    {
        Port second("COM5");
        QString raised;
        try {
            second.Comm.OpenPort();
        } catch (const ECommsError& e) {
            raised = e.what();
        }
        if (UnderWine()) QEXPECT_FAIL("", "wine opens a COM port twice", Continue);
        QCOMPARE(raised, QString(CommsErrorText::OpenFailed));
    }
    try {
        first.Comm.OpenPort();
        QFAIL("second OpenPort did not raise");
    } catch (const ECommsError& e) {
        QCOMPARE(QString(e.what()), QString(CommsErrorText::AlreadyOpened));
    }
    QVERIFY(first.Send("still open"));
    QVERIFY(first.Receive(10));
    QCOMPARE(first.Received, std::string("still open"));
}

void TestWinComm::lineSettings_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<bool>("xonXoff");
    QTest::addColumn<bool>("ctsFlow");
    QTest::addColumn<QString>("termios");
    QTest::newRow("9600 1 stop, xon/xoff") << 9600 << int(TStopBits::_1) << true << false
                                           << "OK speed=9600 cstopb=0 ixon=1 ixoff=1 crtscts=0";
    QTest::newRow("115200 2 stops, no flow control")
        << 115200 << int(TStopBits::_2) << false << false
        << "OK speed=115200 cstopb=1 ixon=0 ixoff=0 crtscts=0";
    QTest::newRow("19200, cts flow") << 19200 << int(TStopBits::_1) << false << true
                                     << "OK speed=19200 cstopb=0 ixon=0 ixoff=0 crtscts=1";
}

// The settings an opening applies, read on the Linux side from the pseudo-terminal.
void TestWinComm::lineSettings() {
    QFETCH(int, baud);
    QFETCH(int, stopBits);
    QFETCH(bool, xonXoff);
    QFETCH(bool, ctsFlow);
    QFETCH(QString, termios);
    Control control;
    Port p("COM5");
    p.Comm.SetBaudRate(static_cast<uint32_t>(baud));
    p.Comm.SetStopBits(static_cast<TStopBits>(stopBits));
    p.Comm.SetOutx_XonXoffFlow(xonXoff);
    p.Comm.SetInx_XonXoffFlow(xonXoff);
    p.Comm.SetOutx_CtsFlow(ctsFlow);
    p.Comm.OpenPort();
    QCOMPARE(QString::fromStdString(control.Ask("ATTR COM5")), termios);
}

// A line setting assigned on an open port reaches the device at once.
void TestWinComm::settingsWhileOpen() {
    Control control;
    Port p("COM5");
    p.Comm.OpenPort();
    p.Comm.SetBaudRate(38400);
    QCOMPARE(control.Ask("ATTR COM5"), std::string("OK speed=38400 cstopb=0 ixon=0 ixoff=0 "
                                                   "crtscts=0"));
}

void TestWinComm::transfer_data() {
    QTest::addColumn<uint32_t>("interval");
    QTest::newRow("100 ms interval") << uint32_t(100);
    QTest::newRow("each read at once") << ReadIntervalAtOnce;
}

// 16 KiB out and the same 16 KiB back through the echo port, intact and in order, in
// batches of at most 2048 bytes, in buffers of several sizes.
void TestWinComm::transfer() {
    QFETCH(uint32_t, interval);
    Port p("COM5");
    p.Comm.SetReadIntervalTimeout(interval);
    p.Comm.OpenPort();
    const std::string data = Pattern(16 * 1024);
    for (size_t at = 0, n = 1; at < data.size(); at += n, n = n * 3 + 1)
        QVERIFY(p.Send(data.substr(at, n)));
    QVERIFY2(p.Receive(data.size()), std::to_string(p.Received.size()).c_str());
    QVERIFY(p.Received == data);
    for (size_t n : p.Batches)
        QVERIFY(n >= 1 && n <= 2048);
    QVERIFY(p.RunUntil([&] { return p.Comm.SendQueueEmpty() && p.Empties >= 1; }));
    QCOMPARE(p.Hangups, 0);
}

// A query frame to the simulated device and its answer.
void TestWinComm::frameAndAnswer() {
    Port p("COM4");
    p.Comm.OpenPort();
    QVERIFY(p.Send("PPPPPP#QX1#"));
    QVERIFY(p.RunUntil([&] { return p.Received.find("ODM:") != std::string::npos; }));
    QVERIFY2(p.Received.rfind("MOD:", 0) == 0, p.Received.c_str());
    QVERIFY(p.Received.find("BAZ:") != std::string::npos);
}

// Closing and opening again gives a working port; bytes of the first opening do not come
// back in the second. Closing a closed port does nothing.
void TestWinComm::closeAndReopen() {
    Port p("COM5");
    p.Comm.OpenPort();
    QVERIFY(p.Send("first"));
    QVERIFY(p.Receive(5));
    p.Comm.ClosePort();
    QVERIFY(!p.Comm.IsOpen());
    p.Comm.ClosePort();
    QVERIFY(!p.Send("closed"));
    p.Received.clear();
    p.Comm.OpenPort();
    QVERIFY(p.Send("second"));
    QVERIFY(p.Receive(6));
    QCOMPARE(p.Received, std::string("second"));
    QCOMPARE(p.Hangups, 0);
}

// The far end going away gives exactly one hang-up request; the port closes cleanly and opens
// again once the far end is back.
void TestWinComm::farEndCloses() {
    Control control;
    Port p("COM6");
    p.Comm.OpenPort();
    QCOMPARE(control.Ask("HANGUP COM6"), std::string("OK"));
    QVERIFY(p.RunUntil([&] { return p.Hangups > 0; }));
    p.Send("into the void");
    // Anything a second report would need has had its chance by now.
    p.Sink->RunUntil([] { return false; }, std::chrono::milliseconds(500));
    QCOMPARE(p.Hangups, 1);
    p.Comm.ClosePort();
    QCOMPARE(control.Ask("RENEW COM6"), std::string("OK"));
    p.Comm.OpenPort();
    QVERIFY(p.Send("back"));
    QVERIFY(p.Receive(4));
    QCOMPARE(p.Received, std::string("back"));
}

QTEST_GUILESS_MAIN(TestWinComm)
#include "test_win_comm.moc"
