// The device and the tool agree: frames built by the tool's own frame builders are taken by the
// simulated device, and the device's answers, read by the tool's own reply parsers, give back
// what was written.
#include <QtTest/QtTest>

#include <map>
#include <string>

#include "protocol/frames.h"
#include "protocol/replies.h"
#include "sim/sim_device.h"

using vq830::sim::SimDevice;

namespace {

QByteArray Q(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// The settings a parse read: name -> "#index" or "text".
using Controls = std::map<std::string, std::string>;

Controls Apply(const ParseResult& result, Controls controls = {}) {
    for (const SettingUpdate& u : result.updates)
        controls[FieldName(u.field)] =
            IsListField(u.field) ? "#" + std::to_string(u.index) : u.text;
    return controls;
}

std::string Ask(SimDevice& device, const std::string& frame) {
    std::vector<std::string> answers = device.Feed(frame);
    return answers.size() == 1 ? answers[0] : "<" + std::to_string(answers.size()) + " answers>";
}

std::string Hex(std::size_t chars, unsigned seed) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < chars; ++i)
        text += digits[(i * 5 + seed) % 16];
    return text;
}

} // namespace

class TestSimContract : public QObject {
    Q_OBJECT

private slots:
    void systemSettingsWrittenByTheToolReadBack();
    void slotSettingsWrittenByTheToolReadBack();
    void boardSerialWrittenByTheTool();
    void framesTheDeviceRefusesLeaveTheWindowAlone();
};

void TestSimContract::systemSettingsWrittenByTheToolReadBack() {
    SimDevice device;
    // The defaults, as the window's controls hold them, read back unchanged.
    const Controls defaults = Apply(ParseQX1(Ask(device, QueryFrame())));
    const Controls expectedDefaults = {
        {"mode", "#0"},     {"Z.baud", "#3"},   {"Z.parity", "#0"}, {"Z.stop", "#0"},
        {"A.baud", "#3"},   {"A.parity", "#0"}, {"A.stop", "#0"},   {"B.baud", "#3"},
        {"B.parity", "#0"}, {"B.stop", "#0"},   {"C.baud", "#3"},   {"C.parity", "#0"},
        {"C.stop", "#0"},   {"OTM", "010"},     {"RTM", "010"},     {"ODM", "010"}};
    QCOMPARE(defaults, expectedDefaults);

    for (const std::string& frame :
         {ModeFrame(2), PortFrame('Z', 7, 2, 1), PortFrame('A', 0, 1, 0), PortFrame('B', 4, 0, 1),
          PortFrame('C', 6, 2, 0), TimeFrame(TimeKey::OTM, 5), TimeFrame(TimeKey::RTM, 999),
          TimeFrame(TimeKey::ODM, 0)})
        QCOMPARE(Q(Ask(device, frame)), QByteArray("OK#"));

    ParseResult parsed = ParseQX1(Ask(device, QueryFrame()));
    QVERIFY(!parsed.errorText);
    QCOMPARE(static_cast<int>(parsed.recvModeAfter), static_cast<int>(RecvMode::Idle));
    const Controls expected = {
        {"mode", "#2"},     {"Z.baud", "#7"},   {"Z.parity", "#2"}, {"Z.stop", "#1"},
        {"A.baud", "#0"},   {"A.parity", "#1"}, {"A.stop", "#0"},   {"B.baud", "#4"},
        {"B.parity", "#0"}, {"B.stop", "#1"},   {"C.baud", "#6"},   {"C.parity", "#2"},
        {"C.stop", "#0"},   {"OTM", "005"},     {"RTM", "999"},     {"ODM", "000"}};
    QCOMPARE(Apply(parsed), expected);
}

void TestSimContract::slotSettingsWrittenByTheToolReadBack() {
    SimDevice device;
    for (int slot = 1; slot <= 9; ++slot) {
        const std::string n = std::to_string(slot);
        // The device's defaults first.
        Controls fresh = Apply(ParseCOMR(Ask(device, SlotCommandQuery(slot))));
        QCOMPARE(fresh["slot" + n + ".enable"], std::string("#1"));
        QCOMPARE(fresh["slot" + n + ".command"], std::string("0103000000044409"));

        for (std::size_t length : {std::size_t{0}, std::size_t{2}, std::size_t{8}, std::size_t{16},
                                   std::size_t{120}, std::size_t{198}}) {
            const std::string code = Hex(length, static_cast<unsigned>(slot));
            const int enable = static_cast<int>(length / 2 % 2);
            QCOMPARE(Q(Ask(device, SlotCommandWrite(slot, enable, code))), QByteArray("OK#"));
            const std::string answer = Ask(device, SlotCommandQuery(slot));
            QVERIFY(answer.size() <= kMaxRecvText); // the tool keeps 255 bytes of a batch
            ParseResult parsed = ParseCOMR(answer);
            QVERIFY(!parsed.errorText);
            Controls controls = Apply(parsed);
            QCOMPARE(controls.size(), size_t{2});
            QCOMPARE(controls["slot" + n + ".enable"], "#" + std::to_string(enable));
            QCOMPARE(Q(controls["slot" + n + ".command"]), Q(code));
        }

        const std::string b1 = Hex(2, 3u * slot);
        const std::string b2 = Hex(2, 3u * slot + 1);
        const std::string b3 = Hex(2, 3u * slot + 2);
        QCOMPARE(Q(Ask(device, SlotHeaderWrite(slot, b1, b2, b3))), QByteArray("OK#"));
        Controls header = Apply(ParseCOMP(Ask(device, SlotHeaderQuery(slot))));
        const Controls expected = {{"slot" + n + ".header1", b1},
                                   {"slot" + n + ".header2", b2},
                                   {"slot" + n + ".header3", b3}};
        QCOMPARE(header, expected);
    }
    // Each slot kept its own settings.
    for (int slot = 1; slot <= 9; ++slot)
        QCOMPARE(Q(device.State().readSlots[slot - 1].code), Q(Hex(198, slot)));
}

void TestSimContract::boardSerialWrittenByTheTool() {
    SimDevice device;
    QCOMPARE(Q(Ask(device, PcbsnFrame(0, 1))), QByteArray("OK#"));
    QCOMPARE(Q(Ask(device, PcbsnFrameFromText("123", "102"))), QByteArray("OK#"));
    QCOMPARE(device.State().boardSerial, 123);
    QCOMPARE(device.State().tester, 102);
    QVERIFY(Ask(device, VarFrame()).find("PCBSN:00000123,102") != std::string::npos);
}

void TestSimContract::framesTheDeviceRefusesLeaveTheWindowAlone() {
    SimDevice device;
    const vq830::sim::DeviceState before = device.State();
    for (const std::string& frame :
         {ModeFrame(-1), PortFrame('Z', -1, 0, 0), PortFrame('A', 3, -1, 0), ModeFrame(3),
          TimeFrame(TimeKey::OTM, 1000), TimeFrame(TimeKey::RTM, -5),
          SlotCommandWrite(1, -1, "0103"), SlotCommandWrite(2, 1, Hex(200, 0)),
          SlotHeaderWrite(3, "", "", ""), SlotHeaderWrite(3, "0", "1", "2"), PcbsnFrame(-1, 1),
          PcbsnFrame(1, 1000)})
        QCOMPARE(Q(Ask(device, frame)), QByteArray("ERR#"));
    QVERIFY(device.State() == before);

    // None of the short answers holds a key that a parser would take.
    for (const std::string& answer :
         {std::string("ERR#"), std::string("OK#"), Ask(device, VarFrame())}) {
        for (const ParseResult& parsed : {ParseQX1(answer), ParseCOMR(answer), ParseCOMP(answer)}) {
            QVERIFY2(parsed.updates.empty(), answer.c_str());
            QVERIFY(!parsed.errorText);
        }
    }
}

QTEST_APPLESS_MAIN(TestSimContract)
#include "test_sim_contract.moc"
