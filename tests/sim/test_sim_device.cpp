// The simulated device's state machine: answers, writes, errors and byte-stream handling.
#include <QtTest/QtTest>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "sim/sim_device.h"

using vq830::sim::DeviceState;
using vq830::sim::Exchange;
using vq830::sim::SimDevice;

namespace {

using namespace std::string_literals;

const std::string kDefaultQx1 = "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#";

// The keys that the tool searches in an answer; an error text must hold none of them.
const std::vector<std::string> kParsedKeys = {
    "MOD:", "BAZ:", "BAA:", "BAB:", "BAC:", "OTM:", "RTM:", "ODM:", "COMR0", "COMP0"};

QByteArray Q(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}
std::string S(const QByteArray& b) {
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// Feeds one frame and returns its single answer (fails the test when there is not exactly one).
std::string Ask(SimDevice& device, const std::string& frame) {
    std::vector<std::string> answers = device.Feed(frame);
    if (answers.size() != 1) {
        QTest::qFail(qPrintable(QStringLiteral("expected one answer to %1, got %2")
                                    .arg(QString::fromLatin1(Q(frame)))
                                    .arg(answers.size())),
                     __FILE__, __LINE__);
        return {};
    }
    return answers.front();
}

std::string HexText(std::size_t chars, unsigned seed) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < chars; ++i)
        text += digits[(i * 7 + seed) % 16];
    return text;
}

bool IsHex(const std::string& text) {
    return text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

// Every setting lies in the range the device accepts.
bool StateIsValid(const DeviceState& s) {
    auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    if (!in(s.workMode, 0, 2) || !in(s.modeZeroTimeout, 0, 999) || !in(s.readInterval, 0, 999) ||
        !in(s.readTimeout, 0, 999) || !in(s.boardSerial, 0, 99999999) || !in(s.tester, 0, 999))
        return false;
    for (const auto& p : s.ports)
        if (!in(p.baud, 0, 7) || !in(p.parity, 0, 2) || !in(p.stop, 0, 1)) return false;
    for (const auto& slot : s.readSlots) {
        if (!in(slot.enable, 0, 1) || slot.code.size() % 2 != 0 || slot.code.size() > 198 ||
            !IsHex(slot.code))
            return false;
        for (const auto& h : slot.header)
            if (h.size() != 2 || !IsHex(h)) return false;
    }
    return true;
}

struct WriteCase {
    const char* name;
    std::string write;                        // the write frame
    std::string query;                        // the query that reads the setting back
    std::string reply;                        // its expected answer after the write
    std::function<void(DeviceState&)> change; // the write's effect on a default device
};

std::vector<WriteCase> WriteCases() {
    const std::string code120 = HexText(120, 3);
    const std::string code198 = HexText(198, 5);
    return {
        {"work mode", "KORVAT#MOD:2#", "PPPPPP#QX1#",
         "MOD:2,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#",
         [](DeviceState& s) { s.workMode = 2; }},
        {"main port", "KORVAT#BAZ:721#", "PPPPPP#QX1#",
         "MOD:0,BAZ:721,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#",
         [](DeviceState& s) {
             s.ports[0] = {7, 2, 1};
         }},
        {"port A", "KORVAT#BAA:000#", "PPPPPP#QX1#",
         "MOD:0,BAZ:300,BAA:000,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#",
         [](DeviceState& s) {
             s.ports[1] = {0, 0, 0};
         }},
        {"port B", "KORVAT#BAB:611#", "PPPPPP#QX1#",
         "MOD:0,BAZ:300,BAA:300,BAB:611,BAC:300,OTM:010,RTM:010,ODM:010#",
         [](DeviceState& s) {
             s.ports[2] = {6, 1, 1};
         }},
        {"port C", "KORVAT#BAC:520#", "PPPPPP#QX1#",
         "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:520,OTM:010,RTM:010,ODM:010#",
         [](DeviceState& s) {
             s.ports[3] = {5, 2, 0};
         }},
        {"mode 0 time-out", "KORVAT#OTM:005#", "PPPPPP#QX1#",
         "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:005,RTM:010,ODM:010#",
         [](DeviceState& s) { s.modeZeroTimeout = 5; }},
        {"read interval at its largest", "KORVAT#RTM:999#", "PPPPPP#QX1#",
         "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:999,ODM:010#",
         [](DeviceState& s) { s.readInterval = 999; }},
        {"read time-out zero", "KORVAT#ODM:000#", "PPPPPP#QX1#",
         "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:000#",
         [](DeviceState& s) { s.readTimeout = 0; }},
        {"time with extra leading zeros", "KORVAT#OTM:0000042#", "PPPPPP#QX1#",
         "MOD:0,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:042,RTM:010,ODM:010#",
         [](DeviceState& s) { s.modeZeroTimeout = 42; }},
        {"slot 1 command off", "KORVAT#COMW1:0,080103ABCD#", "PPPPPP#COMR01#",
         "COMR01:0,04,0103ABCD#",
         [](DeviceState& s) {
             s.readSlots[0].enable = 0;
             s.readSlots[0].code = "0103ABCD";
         }},
        {"slot 9 empty command", "KORVAT#COMW9:1,00#", "PPPPPP#COMR09#", "COMR09:1,00,#",
         [](DeviceState& s) { s.readSlots[8].code.clear(); }},
        {"slot 4 command of 120 characters", "KORVAT#COMW4:1,120" + code120 + "#", "PPPPPP#COMR04#",
         "COMR04:1,60," + code120 + "#",
         [code120](DeviceState& s) { s.readSlots[3].code = code120; }},
        {"slot 2 command of 198 characters", "KORVAT#COMW2:0,198" + code198 + "#", "PPPPPP#COMR02#",
         "COMR02:0,99," + code198 + "#",
         [code198](DeviceState& s) {
             s.readSlots[1].enable = 0;
             s.readSlots[1].code = code198;
         }},
        {"command of 10 characters (count starting with 1)", "KORVAT#COMW6:1,100102030405#",
         "PPPPPP#COMR06#", "COMR06:1,05,0102030405#",
         [](DeviceState& s) { s.readSlots[5].code = "0102030405"; }},
        {"lower-case hex kept as written", "KORVAT#COMW5:1,04abcd#", "PPPPPP#COMR05#",
         "COMR05:1,02,abcd#", [](DeviceState& s) { s.readSlots[4].code = "abcd"; }},
        {"slot 3 header", "KORVAT#COMP03:AABBCC#", "PPPPPP#COMP03#", "COMP03:AABBCC#",
         [](DeviceState& s) {
             s.readSlots[2].header = {"AA", "BB", "CC"};
         }},
        {"slot 9 header", "KORVAT#COMP09:0F1e2D#", "PPPPPP#COMP09#", "COMP09:0F1e2D#",
         [](DeviceState& s) {
             s.readSlots[8].header = {"0F", "1e", "2D"};
         }},
        {"board serial and tester", "PPPPPP#PCBSN:00000123,102#", "PPPPPP#VAR#",
         "VQ830-A(B) V1.0 PCBSN:00000123,102#",
         [](DeviceState& s) {
             s.boardSerial = 123;
             s.tester = 102;
         }},
        {"largest board serial and tester", "PPPPPP#PCBSN:99999999,999#", "PPPPPP#VAR#",
         "VQ830-A(B) V1.0 PCBSN:99999999,999#",
         [](DeviceState& s) {
             s.boardSerial = 99999999;
             s.tester = 999;
         }},
    };
}

} // namespace

class TestSimDevice : public QObject {
    Q_OBJECT

private slots:
    void freshDeviceAnswersFromItsDefaults();
    void writeIsAcknowledgedAndReadsBack_data();
    void writeIsAcknowledgedAndReadsBack();
    void writesAccumulate();
    void setStateIsAnsweredAsItStands();
    void malformedFrameGetsErrorAndChangesNothing_data();
    void malformedFrameGetsErrorAndChangesNothing();
    void answerComesWhenTheClosingHashArrives();
    void anySplitOfAStreamGivesTheSameAnswers();
    void noiseBetweenFramesIsSkipped_data();
    void noiseBetweenFramesIsSkipped();
    void frameCutByANewPrefixIsRejected();
    void overlongFrameIsRejectedOnceAndMemoryStaysBounded();
    void handleFrameTakesExactlyOneFrame();
    void randomBytesSoak();
};

void TestSimDevice::freshDeviceAnswersFromItsDefaults() {
    SimDevice device;
    const DeviceState& s = device.State();
    QCOMPARE(s.workMode, 0);
    for (const auto& port : s.ports) {
        QCOMPARE(port.baud, 3);
        QCOMPARE(port.parity, 0);
        QCOMPARE(port.stop, 0);
    }
    QCOMPARE(s.modeZeroTimeout, 10);
    QCOMPARE(s.readInterval, 10);
    QCOMPARE(s.readTimeout, 10);
    QCOMPARE(s.boardSerial, 0);
    QCOMPARE(s.tester, 1);

    QCOMPARE(Q(Ask(device, "PPPPPP#QX1#")), Q(kDefaultQx1));
    for (int slot = 1; slot <= 9; ++slot) {
        std::string n = std::to_string(slot);
        QCOMPARE(Q(Ask(device, "PPPPPP#COMR0" + n + "#")),
                 Q("COMR0" + n + ":1,08,0103000000044409#"));
        QCOMPARE(Q(Ask(device, "PPPPPP#COMP0" + n + "#")), Q("COMP0" + n + ":010300#"));
    }
    std::string var = Ask(device, "PPPPPP#VAR#");
    QCOMPARE(Q(var), QByteArray("VQ830-A(B) V1.0 PCBSN:00000000,001#"));
    for (const std::string& key : kParsedKeys)
        QVERIFY2(var.find(key) == std::string::npos, key.c_str());
    QCOMPARE(device.Counters().framesAccepted, 2u + 18u);
    QCOMPARE(device.Counters().framesRejected, 0u);
    QVERIFY(device.State() == DeviceState{}); // queries change nothing
}

void TestSimDevice::writeIsAcknowledgedAndReadsBack_data() {
    QTest::addColumn<int>("row");
    auto cases = WriteCases();
    for (int i = 0; i < static_cast<int>(cases.size()); ++i)
        QTest::newRow(cases[i].name) << i;
}

void TestSimDevice::writeIsAcknowledgedAndReadsBack() {
    QFETCH(int, row);
    const WriteCase c = WriteCases()[row];
    SimDevice device;
    QCOMPARE(Q(Ask(device, c.write)), QByteArray("OK#"));
    DeviceState expected;
    c.change(expected);
    QVERIFY2(device.State() == expected, "the write changed something else, or nothing");
    QCOMPARE(Q(Ask(device, c.query)), Q(c.reply));
}

void TestSimDevice::writesAccumulate() {
    SimDevice device;
    const std::vector<std::string> writes = {
        "KORVAT#MOD:1#",   "KORVAT#BAZ:711#",        "KORVAT#BAC:321#",
        "KORVAT#OTM:010#", "KORVAT#RTM:005#",        "KORVAT#ODM:020#",
        "KORVAT#BAB:000#", "KORVAT#COMW3:1,0401FF#", "KORVAT#COMP03:0102FF#",
        "KORVAT#BAZ:300#", // the main port written again: the last write counts
    };
    for (const std::string& w : writes)
        QCOMPARE(Q(Ask(device, w)), QByteArray("OK#"));
    QCOMPARE(Q(Ask(device, "PPPPPP#QX1#")),
             QByteArray("MOD:1,BAZ:300,BAA:300,BAB:000,BAC:321,OTM:010,RTM:005,ODM:020#"));
    QCOMPARE(Q(Ask(device, "PPPPPP#COMR03#")), QByteArray("COMR03:1,02,01FF#"));
    QCOMPARE(Q(Ask(device, "PPPPPP#COMP03#")), QByteArray("COMP03:0102FF#"));
    // Slot 3's writes left its neighbours alone.
    QCOMPARE(Q(Ask(device, "PPPPPP#COMR02#")), QByteArray("COMR02:1,08,0103000000044409#"));
    QCOMPARE(Q(Ask(device, "PPPPPP#COMP04#")), QByteArray("COMP04:010300#"));

    // SetState replaces everything.
    DeviceState other;
    other.workMode = 2;
    device.SetState(other);
    QCOMPARE(Q(Ask(device, "PPPPPP#QX1#")),
             QByteArray("MOD:2,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#"));
}

void TestSimDevice::setStateIsAnsweredAsItStands() {
    // Settings no write could make, for trying the tool's handling of odd answers.
    DeviceState odd;
    odd.ports[vq830::sim::kPortZ] = {9, 8, 0};
    odd.readTimeout = 1000;
    odd.readSlots[0].code = "ZZ";
    odd.readSlots[1].header = {"0", "", "123"};
    SimDevice device(odd);
    QCOMPARE(Q(Ask(device, "PPPPPP#QX1#")),
             QByteArray("MOD:0,BAZ:980,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:1000#"));
    QCOMPARE(Q(Ask(device, "PPPPPP#COMR01#")), QByteArray("COMR01:1,01,ZZ#"));
    QCOMPARE(Q(Ask(device, "PPPPPP#COMP02#")), QByteArray("COMP02:0123#"));
    // Writes still check their values and change only their own setting.
    QCOMPARE(Q(Ask(device, "KORVAT#BAZ:980#")), QByteArray("ERR#"));
    QCOMPARE(Q(Ask(device, "KORVAT#ODM:020#")), QByteArray("OK#"));
    QCOMPARE(Q(Ask(device, "PPPPPP#QX1#")),
             QByteArray("MOD:0,BAZ:980,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:020#"));
}

void TestSimDevice::malformedFrameGetsErrorAndChangesNothing_data() {
    QTest::addColumn<QByteArray>("frame");
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"unknown write key", "KORVAT#XYZ:1#"},
        {"unknown query key", "PPPPPP#QX2#"},
        {"lower-case key", "KORVAT#mod:1#"},
        {"empty key", "KORVAT#:1#"},
        {"empty query", "PPPPPP##"},
        {"key with a blank", "KORVAT#MOD :1#"},
        {"work mode 3", "KORVAT#MOD:3#"},
        {"work mode -1 (nothing selected)", "KORVAT#MOD:-1#"},
        {"work mode empty", "KORVAT#MOD:#"},
        {"work mode not a number", "KORVAT#MOD:1x#"},
        {"work mode with a plus", "KORVAT#MOD:+1#"},
        {"write without value", "KORVAT#MOD#"},
        {"baud index 8", "KORVAT#BAZ:800#"},
        {"parity index 3", "KORVAT#BAA:330#"},
        {"stop index 2", "KORVAT#BAB:302#"},
        {"two digits", "KORVAT#BAC:30#"},
        {"four digits", "KORVAT#BAZ:3000#"},
        {"nothing selected in parity", "KORVAT#BAZ:3-10#"},
        {"time 1000", "KORVAT#OTM:1000#"},
        {"negative time", "KORVAT#RTM:-005#"},
        {"empty time", "KORVAT#ODM:#"},
        {"time with a letter", "KORVAT#OTM:0A0#"},
        {"time far too long", "KORVAT#OTM:99999999999999999999999#"},
        {"slot command 0", "KORVAT#COMW0:1,00#"},
        {"slot command without number", "KORVAT#COMW:1,00#"},
        {"slot command two-digit number", "KORVAT#COMW01:1,00#"},
        {"enable 2", "KORVAT#COMW1:2,00#"},
        {"enable -1", "KORVAT#COMW1:-1,00#"},
        {"missing comma", "KORVAT#COMW1:1.00#"},
        {"count too small", "KORVAT#COMW1:1,020103#"},
        {"count too large", "KORVAT#COMW1:1,160103#"},
        {"one-digit count", "KORVAT#COMW1:1,2AB#"},
        {"odd code", "KORVAT#COMW1:1,03ABC#"},
        {"code not hexadecimal", "KORVAT#COMW1:1,04GG01#"},
        {"code of 200 characters", "KORVAT#COMW1:1,200" + HexText(200, 1) + "#"},
        {"only enable", "KORVAT#COMW1:1#"},
        {"header of slot 0", "KORVAT#COMP00:010300#"},
        {"header of slot 10", "KORVAT#COMP10:010300#"},
        {"header one-digit slot", "KORVAT#COMP1:010300#"},
        {"header too short", "KORVAT#COMP01:0103#"},
        {"header empty", "KORVAT#COMP01:#"},
        {"header too long", "KORVAT#COMP01:0103000#"},
        {"header not hexadecimal", "KORVAT#COMP01:01G300#"},
        {"header with 8-bit bytes", "KORVAT#COMP01:\x80\xff"
                                    "0300#"},
        {"header with NUL", "KORVAT#COMP01:01\x00"
                            "300#"s},
        {"command query slot 0", "PPPPPP#COMR00#"},
        {"command query slot 10", "PPPPPP#COMR10#"},
        {"command query one digit", "PPPPPP#COMR1#"},
        {"command query letter", "PPPPPP#COMR0A#"},
        {"header query three digits", "PPPPPP#COMP001#"},
        {"query with a value", "PPPPPP#QX1:1#"},
        {"query key with the write prefix", "KORVAT#QX1#"},
        {"slot query with the write prefix", "KORVAT#COMR01#"},
        {"write key with the query prefix", "PPPPPP#MOD:1#"},
        {"header write with the query prefix", "PPPPPP#COMP01:010300#"},
        {"board serial with the write prefix", "KORVAT#PCBSN:00000001,001#"},
        {"board serial without tester", "PPPPPP#PCBSN:00000123#"},
        {"board serial negative", "PPPPPP#PCBSN:-0000001,001#"},
        {"board serial of nine digits", "PPPPPP#PCBSN:100000000,001#"},
        {"tester 1000", "PPPPPP#PCBSN:00000001,1000#"},
        {"tester empty", "PPPPPP#PCBSN:00000001,#"},
        {"board serial as text", "PPPPPP#PCBSN:abc,001#"},
    };
    for (const auto& [name, frame] : rows)
        QTest::newRow(name) << Q(frame);
}

void TestSimDevice::malformedFrameGetsErrorAndChangesNothing() {
    QFETCH(QByteArray, frame);
    DeviceState start;
    start.workMode = 1; // something other than the defaults, to see any change
    start.readSlots[0].code = "AB";
    SimDevice device(start);
    std::vector<Exchange> out = device.FeedExchanges(S(frame));
    QCOMPARE(out.size(), size_t{1});
    QCOMPARE(Q(out[0].answer), QByteArray("ERR#"));
    QVERIFY(!out[0].accepted);
    QCOMPARE(Q(out[0].frame), frame);
    QVERIFY(device.State() == start);
    QCOMPARE(device.Counters().framesRejected, 1u);
    QCOMPARE(device.BufferedBytes(), size_t{0});
    for (const std::string& key : kParsedKeys)
        QVERIFY2(out[0].answer.find(key) == std::string::npos, key.c_str());
    // The device goes on answering after the error.
    QCOMPARE(Q(Ask(device, "PPPPPP#COMR01#")), QByteArray("COMR01:1,01,AB#"));
}

void TestSimDevice::answerComesWhenTheClosingHashArrives() {
    const std::vector<std::string> frames = {"PPPPPP#QX1#", "KORVAT#MOD:2#", "PPPPPP#QX1#",
                                             "KORVAT#BAZ:9#", "PPPPPP#COMP05#"};
    SimDevice whole;
    std::vector<std::string> expected;
    for (const std::string& f : frames)
        expected.push_back(Ask(whole, f));

    SimDevice device;
    std::vector<std::string> answers;
    for (const std::string& f : frames) {
        for (std::size_t i = 0; i < f.size(); ++i) {
            std::vector<std::string> got = device.Feed(std::string(1, f[i]));
            if (i + 1 < f.size()) {
                QVERIFY2(got.empty(), ("early answer inside " + f).c_str());
            } else {
                QCOMPARE(got.size(), size_t{1});
                answers.push_back(got[0]);
            }
        }
        QCOMPARE(device.BufferedBytes(), size_t{0});
    }
    QCOMPARE(answers, expected);
    QCOMPARE(Q(answers[2]),
             QByteArray("MOD:2,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#"));
}

void TestSimDevice::anySplitOfAStreamGivesTheSameAnswers() {
    const std::string stream = "PPPPPP#QX1#KORVAT#MOD:1#garbage##KORVAT#BAA:711#PPPPPP#QX1#"
                               "\x01\xfe KORVAT#MOD:9#PPPPPP#COMR03#KORVAT#COMW3:0,0401AB#"
                               "PPPPPP#COMR03#KORVAT#COMP03:FFEEDD#PPPPPP#COMP03#PPPPPP#VAR#"
                               "KORVATKORVAT#OTM:123#PPPPPPPPPPPP#QX1#";
    SimDevice reference;
    const std::vector<std::string> expected = reference.Feed(stream);
    QCOMPARE(expected.size(), size_t{13});
    QCOMPARE(Q(expected.back()),
             QByteArray("MOD:1,BAZ:300,BAA:711,BAB:300,BAC:300,OTM:123,RTM:010,ODM:010#"));
    QCOMPARE(Q(expected[5]), QByteArray("COMR03:1,08,0103000000044409#"));
    QCOMPARE(Q(expected[7]), QByteArray("COMR03:0,02,01AB#"));
    QCOMPARE(Q(expected[9]), QByteArray("COMP03:FFEEDD#"));

    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        SimDevice device;
        std::vector<std::string> answers;
        std::size_t pos = 0;
        while (pos < stream.size()) {
            std::size_t n = std::uniform_int_distribution<std::size_t>(1, 12)(random);
            n = std::min(n, stream.size() - pos);
            for (std::string& a : device.Feed(std::string_view(stream).substr(pos, n)))
                answers.push_back(std::move(a));
            pos += n;
        }
        QCOMPARE(answers, expected);
        QVERIFY(device.State() == reference.State());
    }
}

void TestSimDevice::noiseBetweenFramesIsSkipped_data() {
    QTest::addColumn<QByteArray>("noise");
    QTest::newRow("binary") << QByteArray("\x00\xff\x80\x01\r\n", 6);
    QTest::newRow("hashes and colons") << QByteArray("##:#::#");
    QTest::newRow("start of a write prefix") << QByteArray("KORVA");
    QTest::newRow("start of a query prefix") << QByteArray("PPPPP");
    QTest::newRow("prefix letters without #") << QByteArray("KORVATPPPPPP");
    QTest::newRow("a frame's tail") << QByteArray("MOD:1#");
    QTest::newRow("lower-case prefix") << QByteArray("korvat#MOD:1#");
    QTest::newRow("prefix with a blank") << QByteArray("KORVAT #MOD:1#");
}

void TestSimDevice::noiseBetweenFramesIsSkipped() {
    QFETCH(QByteArray, noise);
    const std::string n = S(noise);
    SimDevice device;
    std::vector<std::string> answers =
        device.Feed(n + "KORVAT#MOD:2#" + n + "PPPPPP#QX1#" + n + "PPPPPP#COMP01#" + n);
    QCOMPARE(answers.size(), size_t{3});
    QCOMPARE(Q(answers[0]), QByteArray("OK#"));
    QCOMPARE(Q(answers[1]),
             QByteArray("MOD:2,BAZ:300,BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#"));
    QCOMPARE(Q(answers[2]), QByteArray("COMP01:010300#"));
    // Noise that could still grow into a prefix is kept; everything else is counted as skipped.
    QCOMPARE(device.Counters().noiseBytes + device.BufferedBytes(), 4 * n.size());
    QCOMPARE(device.Counters().framesRejected, 0u);
}

void TestSimDevice::frameCutByANewPrefixIsRejected() {
    SimDevice device;
    std::vector<Exchange> out = device.FeedExchanges("KORVAT#MOD:1PPPPPP#QX1#");
    QCOMPARE(out.size(), size_t{2});
    QCOMPARE(Q(out[0].frame), QByteArray("KORVAT#MOD:1"));
    QCOMPARE(Q(out[0].answer), QByteArray("ERR#"));
    QCOMPARE(Q(out[1].answer), Q(kDefaultQx1)); // the cut write was not applied

    out = device.FeedExchanges("KORVAT#MOD:");
    QVERIFY(out.empty());
    out = device.FeedExchanges("KORVAT#MOD:2#");
    QCOMPARE(out.size(), size_t{2});
    QCOMPARE(Q(out[0].answer), QByteArray("ERR#"));
    QCOMPARE(Q(out[1].answer), QByteArray("OK#"));
    QCOMPARE(device.State().workMode, 2);

    // A prefix right after a prefix.
    QCOMPARE(device.Feed("PPPPPP#KORVAT#MOD:0#"), (std::vector<std::string>{"ERR#", "OK#"}));
    QCOMPARE(device.State().workMode, 0);
}

void TestSimDevice::overlongFrameIsRejectedOnceAndMemoryStaysBounded() {
    const std::string longFrame = "KORVAT#COMW1:1,5000" + HexText(5000, 2) + "#";
    for (std::size_t piece : {std::size_t{1}, std::size_t{100}, std::size_t{100000}}) {
        SimDevice device;
        std::vector<std::string> answers;
        const std::string stream = longFrame + "KORVAT#MOD:1#";
        for (std::size_t pos = 0; pos < stream.size(); pos += piece) {
            for (std::string& a : device.Feed(std::string_view(stream).substr(pos, piece)))
                answers.push_back(std::move(a));
            QVERIFY(device.BufferedBytes() <= vq830::sim::kMaxFrameBytes);
        }
        QCOMPARE(answers, (std::vector<std::string>{"ERR#", "OK#"}));
        QCOMPARE(device.State().readSlots[0].code, std::string("0103000000044409"));
        QCOMPARE(device.State().workMode, 1);
    }
}

void TestSimDevice::handleFrameTakesExactlyOneFrame() {
    SimDevice device;
    QCOMPARE(Q(device.HandleFrame("KORVAT#MOD:2#").answer), QByteArray("OK#"));
    QCOMPARE(device.State().workMode, 2);
    for (const char* notOne : {"KORVAT#MOD:1#PPPPPP#QX1#", "KORVAT#MOD:1", "xKORVAT#MOD:1#",
                               "MOD:1#", "", "#", "KORVAT#"}) {
        QCOMPARE(Q(device.HandleFrame(notOne).answer), QByteArray("ERR#"));
    }
    QCOMPARE(device.State().workMode, 2);
    QCOMPARE(device.BufferedBytes(), size_t{0});
}

// Line noise mixed with pieces of real frames, fed in random slices: nothing crashes, the
// buffer stays bounded, every answer is one of the device's answer kinds, the settings stay
// in range, and the device still answers a clean frame afterwards.
void TestSimDevice::randomBytesSoak() {
    const std::vector<std::string> pieces = {"KORVAT#",
                                             "PPPPPP#",
                                             "#",
                                             ":",
                                             ",",
                                             "MOD:",
                                             "BAZ:",
                                             "OTM:",
                                             "COMW",
                                             "COMP0",
                                             "COMR0",
                                             "PCBSN:",
                                             "QX1",
                                             "VAR",
                                             "1",
                                             "0",
                                             "9",
                                             "-",
                                             "00",
                                             "16",
                                             "120",
                                             "0103000000044409",
                                             "AB",
                                             "KORVAT#MOD:1#",
                                             "PPPPPP#QX1#",
                                             "KORVAT#COMW2:1,04ABCD#",
                                             "KORVAT#COMP07:A1B2C3#",
                                             "PPPPPP#COMR07#",
                                             "PPPPPP#PCBSN:12345678,321#",
                                             "KORVAT#BAC:721#",
                                             "KORVAT#ODM:999#"};
    std::mt19937_64 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<std::size_t> sliceSize(1, 1500);

    SimDevice device;
    std::uint64_t answerCount = 0;
    std::uint64_t fed = 0;
    const std::uint64_t total = 4'000'000;
    while (fed < total) {
        std::string slice;
        const std::size_t size = sliceSize(random);
        while (slice.size() < size) {
            if (kind(random) < 4)
                slice += static_cast<char>(byte(random));
            else
                slice += pieces[pick(random)];
        }
        fed += slice.size();
        for (const std::string& a : device.Feed(slice)) {
            ++answerCount;
            const bool known = a == "OK#" || a == "ERR#" || a.starts_with("MOD:") ||
                               a.starts_with("COMR0") || a.starts_with("COMP0") ||
                               a.starts_with("VQ830-A(B) V1.0 PCBSN:");
            if (!known || !a.ends_with('#')) QFAIL(("unexpected answer: " + a).c_str());
        }
        QVERIFY(device.BufferedBytes() <= vq830::sim::kMaxFrameBytes);
    }
    QVERIFY(StateIsValid(device.State()));
    const auto& c = device.Counters();
    QCOMPARE(c.bytesFed, fed);
    QCOMPARE(c.framesAccepted + c.framesRejected, answerCount);
    QVERIFY(c.framesAccepted > 1000); // the soak did reach real frames
    QVERIFY(c.framesRejected > 1000);
    QVERIFY(c.noiseBytes > 0);

    std::vector<std::string> last = device.Feed("PPPPPP#COMR07#");
    QVERIFY(!last.empty() && last.size() <= 2);
    QVERIFY(last.back().starts_with("COMR07:"));
}

QTEST_APPLESS_MAIN(TestSimDevice)
#include "test_sim_device.moc"
