// Command frames and the encodings of their fields.
#include <QTest>

#include <climits>
#include <stdexcept>
#include <string>

#include "protocol/frames.h"
#include "protocol/int_conv.h"
#include "test_support.h"

using namespace std::string_view_literals;

class TestFrames : public QObject {
    Q_OBJECT

private slots:
    void encodings_data();
    void encodings();
    void systemFrames_data();
    void systemFrames();
    void framesFromText_data();
    void framesFromText();
    void framesFromTextRefuse_data();
    void framesFromTextRefuse();
    void unknownPortLetter();
    void slotCommandWrite_data();
    void slotCommandWrite();
    void oddCodeRefused_data();
    void oddCodeRefused();
    void slotHeaderWrite_data();
    void slotHeaderWrite();
    void delimiterInFieldRefused_data();
    void delimiterInFieldRefused();
    void everySlotCarriesItsNumber();
    void slotOutsideRangeRefused();
    void recvModes();
};

// ---- Encodings ----

void TestFrames::encodings_data() {
    QTest::addColumn<QByteArray>("got");
    QTest::addColumn<QByteArray>("expected");
    auto row = [](const char* name, const std::string& got, std::string_view expected) {
        QTest::newRow(name) << Bytes(got) << Bytes(expected);
    };
    row("number3 10", Number3(10), "010");
    row("number3 5", Number3(5), "005");
    row("number3 0", Number3(0), "000");
    row("number3 999", Number3(999), "999");
    row("number3 1000", Number3(1000), "1000");
    row("number3 -5", Number3(-5), "-005");
    row("number3 -1000", Number3(-1000), "-1000");
    row("number3 max", Number3(INT_MAX), "2147483647");
    row("number3 min", Number3(INT_MIN), "-2147483648");
    row("number8 123", Number8(123), "00000123");
    row("number8 0", Number8(0), "00000000");
    row("number8 -1", Number8(-1), "-00000001");
    row("number8 9 digits", Number8(123456789), "123456789");
    row("number8 min", Number8(INT_MIN), "-2147483648");
    row("count 0", Count(0), "00");
    row("count 8", Count(8), "08");
    row("count 9", Count(9), "09");
    row("count 10", Count(10), "10");
    row("count 16", Count(16), "16");
    row("count 99", Count(99), "99");
    row("count 100", Count(100), "100");
    row("count 120", Count(120), "120");
    row("count 1005", Count(1005), "1005");
    row("index 0", IndexText(0), "0");
    row("index 3", IndexText(3), "3");
    row("index 12", IndexText(12), "12");
    row("index none", IndexText(-1), "-1");
}

void TestFrames::encodings() {
    QFETCH(QByteArray, got);
    QFETCH(QByteArray, expected);
    QCOMPARE(got, expected);
}

// ---- System commands ----

void TestFrames::systemFrames_data() {
    QTest::addColumn<QByteArray>("got");
    QTest::addColumn<QByteArray>("expected");
    auto row = [](const char* name, const std::string& got, std::string_view expected) {
        QTest::newRow(name) << Bytes(got) << Bytes(expected);
    };
    row("mode default", ModeFrame(0), "KORVAT#MOD:0#");
    row("mode 2", ModeFrame(2), "KORVAT#MOD:2#");
    row("mode none selected", ModeFrame(-1), "KORVAT#MOD:-1#");
    row("main port defaults", PortFrame('Z', 3, 0, 0), "KORVAT#BAZ:300#");
    row("port A", PortFrame('A', 0, 1, 1), "KORVAT#BAA:011#");
    row("port B", PortFrame('B', 5, 2, 0), "KORVAT#BAB:520#");
    row("port C 115200 Even 2", PortFrame('C', 7, 2, 1), "KORVAT#BAC:721#");
    row("port nothing selected", PortFrame('A', -1, -1, -1), "KORVAT#BAA:-1-1-1#");
    row("OTM default", TimeFrame(TimeKey::OTM, 10), "KORVAT#OTM:010#");
    row("OTM 5", TimeFrame(TimeKey::OTM, 5), "KORVAT#OTM:005#");
    row("OTM 1000", TimeFrame(TimeKey::OTM, 1000), "KORVAT#OTM:1000#");
    row("RTM", TimeFrame(TimeKey::RTM, 10), "KORVAT#RTM:010#");
    row("ODM negative", TimeFrame(TimeKey::ODM, -5), "KORVAT#ODM:-005#");
    row("ODM large", TimeFrame(TimeKey::ODM, INT_MAX), "KORVAT#ODM:2147483647#");
    row("QX1", QueryFrame(), "PPPPPP#QX1#");
    row("VAR", VarFrame(), "PPPPPP#VAR#");
    row("PCBSN defaults", PcbsnFrame(0, 1), "PPPPPP#PCBSN:00000000,001#");
    row("PCBSN 123 / 102", PcbsnFrame(123, 102), "PPPPPP#PCBSN:00000123,102#");
    row("PCBSN tester 7", PcbsnFrame(0, 7), "PPPPPP#PCBSN:00000000,007#");
    row("PCBSN negative", PcbsnFrame(-42, -3), "PPPPPP#PCBSN:-00000042,-003#");
    row("PCBSN 10 digits", PcbsnFrame(1234567890, 1000), "PPPPPP#PCBSN:1234567890,1000#");
}

void TestFrames::systemFrames() {
    QFETCH(QByteArray, got);
    QFETCH(QByteArray, expected);
    QCOMPARE(got, expected);
}

void TestFrames::framesFromText_data() {
    QTest::addColumn<QByteArray>("got");
    QTest::addColumn<QByteArray>("expected");
    auto row = [](const char* name, const std::string& got, std::string_view expected) {
        QTest::newRow(name) << Bytes(got) << Bytes(expected);
    };
    row("OTM default text", TimeFrameFromText(TimeKey::OTM, "10"), "KORVAT#OTM:010#");
    row("OTM 5", TimeFrameFromText(TimeKey::OTM, "5"), "KORVAT#OTM:005#");
    row("RTM 1000", TimeFrameFromText(TimeKey::RTM, "1000"), "KORVAT#RTM:1000#");
    row("ODM leading blank", TimeFrameFromText(TimeKey::ODM, " 7"), "KORVAT#ODM:007#");
    row("ODM hex", TimeFrameFromText(TimeKey::ODM, "x10"), "KORVAT#ODM:016#");
    row("ODM negative", TimeFrameFromText(TimeKey::ODM, "-1"), "KORVAT#ODM:-001#");
    row("PCBSN defaults", PcbsnFrameFromText("00000000", "001"), "PPPPPP#PCBSN:00000000,001#");
    row("PCBSN 123 / 102", PcbsnFrameFromText("123", "102"), "PPPPPP#PCBSN:00000123,102#");
    row("PCBSN typed tester 7", PcbsnFrameFromText("123", "7"), "PPPPPP#PCBSN:00000123,007#");
}

void TestFrames::framesFromText() {
    QFETCH(QByteArray, got);
    QFETCH(QByteArray, expected);
    QCOMPARE(got, expected);
}

void TestFrames::framesFromTextRefuse_data() {
    QTest::addColumn<int>("which"); // 0: timing frame, 1: PCBSN frame
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QByteArray>("errorText");
    QTest::newRow("empty timing") << 0 << Bytes("") << Bytes("") << Bytes("");
    QTest::newRow("timing 1.5") << 0 << Bytes("1.5") << Bytes("") << Bytes("1.5");
    QTest::newRow("timing overflow")
        << 0 << Bytes("2147483648") << Bytes("") << Bytes("2147483648");
    QTest::newRow("empty serial") << 1 << Bytes("") << Bytes("001") << Bytes("");
    QTest::newRow("bad tester") << 1 << Bytes("123") << Bytes("abc") << Bytes("abc");
    QTest::newRow("serial converted first") << 1 << Bytes("bad") << Bytes("worse") << Bytes("bad");
}

void TestFrames::framesFromTextRefuse() {
    QFETCH(int, which);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QByteArray, errorText);
    try {
        if (which == 0)
            TimeFrameFromText(TimeKey::OTM, View(first));
        else
            PcbsnFrameFromText(View(first), View(second));
        QFAIL("a frame was built from an invalid number");
    } catch (const EConvertError& e) {
        QCOMPARE(Bytes(e.text()), errorText);
    }
}

void TestFrames::unknownPortLetter() {
    for (const char port : {'D', 'z', 'a', '\0', '1'})
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, PortFrame(port, 3, 0, 0));
}

// ---- Slot commands ----

void TestFrames::slotCommandWrite_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("enable");
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QByteArray>("expected");
    const std::string code120(120, 'A');
    QTest::newRow("slot 1 defaults")
        << 1 << 1 << Bytes("0103000000044409") << Bytes("KORVAT#COMW1:1,160103000000044409#");
    QTest::newRow("slot 1 off") << 1 << 0 << Bytes("0103000000044409")
                                << Bytes("KORVAT#COMW1:0,160103000000044409#");
    QTest::newRow("8 characters") << 1 << 1 << Bytes("01030000")
                                  << Bytes("KORVAT#COMW1:1,0801030000#");
    QTest::newRow("empty") << 1 << 1 << Bytes("") << Bytes("KORVAT#COMW1:1,00#");
    QTest::newRow("120 characters")
        << 9 << 1 << Bytes(code120) << Bytes("KORVAT#COMW9:1,120" + code120 + "#");
    QTest::newRow("no enable selected") << 5 << -1 << Bytes("AB") << Bytes("KORVAT#COMW5:-1,02AB#");
    QTest::newRow("bytes as they are")
        << 3 << 1 << Bytes("\xb0\xa1z:"sv) << Bytes("KORVAT#COMW3:1,04\xb0\xa1z:#"sv);
    QTest::newRow("NUL inside") << 2 << 1 << Bytes("0\0"sv) << Bytes("KORVAT#COMW2:1,020\0#"sv);
}

void TestFrames::slotCommandWrite() {
    QFETCH(int, slot);
    QFETCH(int, enable);
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, expected);
    QVERIFY(SlotCodeLengthOk(View(code)));
    QCOMPARE(Bytes(SlotCommandWrite(slot, enable, View(code))), expected);
}

void TestFrames::oddCodeRefused_data() {
    QTest::addColumn<QByteArray>("code");
    QTest::newRow("1") << Bytes("0");
    QTest::newRow("15") << Bytes("010300000004440");
    QTest::newRow("17") << Bytes("01030000000444090");
    QTest::newRow("odd with multi-byte text") << Bytes("\xb0\xa1\xb0");
}

void TestFrames::oddCodeRefused() {
    QFETCH(QByteArray, code);
    QVERIFY(!SlotCodeLengthOk(View(code)));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SlotCommandWrite(1, 1, View(code)));
}

void TestFrames::slotHeaderWrite_data() {
    QTest::addColumn<QByteArray>("got");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("slot 1 defaults")
        << Bytes(SlotHeaderWrite(1, "01", "03", "00")) << Bytes("KORVAT#COMP01:010300#");
    QTest::newRow("all empty") << Bytes(SlotHeaderWrite(1, "", "", "")) << Bytes("KORVAT#COMP01:#");
    QTest::newRow("any lengths, in order")
        << Bytes(SlotHeaderWrite(9, "A", "BCD", "")) << Bytes("KORVAT#COMP09:ABCD#");
    QTest::newRow("bytes as they are")
        << Bytes(SlotHeaderWrite(6, "\xff", ",", ":")) << Bytes("KORVAT#COMP06:\xff,:#");
}

void TestFrames::slotHeaderWrite() {
    QFETCH(QByteArray, got);
    QFETCH(QByteArray, expected);
    QCOMPARE(got, expected);
}

// A field whose text holds the frame delimiter would add a frame of its own: no frame is
// built, and the error names the field and its text.
void TestFrames::delimiterInFieldRefused_data() {
    QTest::addColumn<QByteArray>("code"); // a command write when not empty, else a header write
    QTest::addColumn<QByteArray>("b1");
    QTest::addColumn<QByteArray>("b2");
    QTest::addColumn<QByteArray>("b3");
    QTest::addColumn<int>("field");
    QTest::addColumn<QByteArray>("text");
    const QByteArray none;
    const auto field = [](FrameField f) { return static_cast<int>(f); };
    QTest::newRow("code ends in #")
        << Bytes("0#") << none << none << none << field(FrameField::CommandCode) << Bytes("0#");
    QTest::newRow("code from an answer with a second command")
        << Bytes("0103#KORVAT#MOD:2#") << none << none << none << field(FrameField::CommandCode)
        << Bytes("0103#KORVAT#MOD:2#");
    QTest::newRow("first byte 0#, command in the second")
        << none << Bytes("0#") << Bytes("KORVAT#MOD:2") << Bytes("")
        << field(FrameField::HeaderByte1) << Bytes("0#");
    QTest::newRow("second byte") << none << Bytes("01") << Bytes("#") << Bytes("00")
                                 << field(FrameField::HeaderByte2) << Bytes("#");
    QTest::newRow("third byte") << none << Bytes("") << Bytes("") << Bytes("\xff#\xff")
                                << field(FrameField::HeaderByte3) << Bytes("\xff#\xff");
}

void TestFrames::delimiterInFieldRefused() {
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, b1);
    QFETCH(QByteArray, b2);
    QFETCH(QByteArray, b3);
    QFETCH(int, field);
    QFETCH(QByteArray, text);
    QVERIFY(HoldsDelimiter(View(text)));
    try {
        const std::string frame = code.isEmpty() ? SlotHeaderWrite(4, View(b1), View(b2), View(b3))
                                                 : SlotCommandWrite(4, 1, View(code));
        QFAIL(qPrintable("a frame was built: " + Escaped(frame)));
    } catch (const EFrameFieldError& e) {
        QCOMPARE(static_cast<int>(e.field()), field);
        QCOMPARE(Bytes(e.text()), text);
    }
}

void TestFrames::everySlotCarriesItsNumber() {
    for (int slot = 1; slot <= 9; ++slot) {
        const std::string n = std::to_string(slot);
        QCOMPARE(Bytes(SlotCommandQuery(slot)), Bytes("PPPPPP#COMR0" + n + "#"));
        QCOMPARE(Bytes(SlotHeaderQuery(slot)), Bytes("PPPPPP#COMP0" + n + "#"));
        QCOMPARE(Bytes(SlotCommandWrite(slot, 1, "0103000000044409")),
                 Bytes("KORVAT#COMW" + n + ":1,160103000000044409#"));
        QCOMPARE(Bytes(SlotHeaderWrite(slot, "01", "03", "00")),
                 Bytes("KORVAT#COMP0" + n + ":010300#"));
    }
}

void TestFrames::slotOutsideRangeRefused() {
    for (const int slot : {0, 10, -1, 48}) {
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, SlotCommandQuery(slot));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, SlotCommandWrite(slot, 1, "01"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, SlotHeaderQuery(slot));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, SlotHeaderWrite(slot, "01", "03", "00"));
    }
}

void TestFrames::recvModes() {
    QCOMPARE(static_cast<int>(RecvMode::Idle), 0);
    QCOMPARE(static_cast<int>(RecvMode::ShowSystem), 100);
    QCOMPARE(static_cast<int>(RecvMode::ShowSlot), 106);
    QCOMPARE(static_cast<int>(RecvMode::QX1), 201);
    QCOMPARE(static_cast<int>(RecvMode::COMR), 1501);
    QCOMPARE(static_cast<int>(RecvMode::COMP), 1502);
    QCOMPARE(RecvModeOf(SlotCommand::CommandQuery), RecvMode::COMR);
    QCOMPARE(RecvModeOf(SlotCommand::CommandWrite), RecvMode::ShowSlot);
    QCOMPARE(RecvModeOf(SlotCommand::HeaderQuery), RecvMode::COMP);
    QCOMPARE(RecvModeOf(SlotCommand::HeaderWrite), RecvMode::ShowSlot);
}

QTEST_APPLESS_MAIN(TestFrames)
#include "test_frames.moc"
