// The reply parsers and the text kept from a received batch.
//
// Expected results are written as one line in the order the updates are applied:
// "SETTING=#n" selects item n of a list, "SETTING='text'" replaces a text, "!'text'" is the
// conversion error box and "->n" the RecvMode afterwards.
#include <QTest>

#include <string>
#include <vector>

#include "protocol/frames.h"
#include "protocol/replies.h"
#include "test_support.h"

using namespace std::string_view_literals;

namespace {

const char* const kSpecQx1 = "MOD:1,BAZ:300,BAA:711,BAB:000,BAC:321,OTM:010,RTM:005,ODM:020#";
const char* const kFullQx1 =
    "mode=#1 Z.baud=#3 Z.parity=#0 Z.stop=#0 A.baud=#7 A.parity=#1 A.stop=#1 B.baud=#0 B.parity=#0 "
    "B.stop=#0 C.baud=#3 C.parity=#2 C.stop=#1 OTM='010' RTM='005' ODM='020' ->0";

void Row(const char* name, RecvMode mode, std::string_view reply, const char* expected) {
    QTest::newRow(name) << static_cast<int>(mode) << Bytes(reply) << QString::fromLatin1(expected);
}

} // namespace

class TestReplies : public QObject {
    Q_OBJECT

private slots:
    void qx1_data();
    void qx1() { parse(); }
    void comr_data();
    void comr() { parse(); }
    void comp_data();
    void comp() { parse(); }
    void onlyParsedModesParse();
    void slotDigitDecidesTheSlot();
    void takeBatch();
    void batchCutAt255_data();
    void batchCutAt255() { parse(); }
    void batchActions();

private:
    void parse();
};

void TestReplies::parse() {
    QFETCH(int, mode);
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    const std::optional<ParseResult> result = ParseReply(static_cast<RecvMode>(mode), View(reply));
    QVERIFY(result.has_value());
    QCOMPARE(Render(*result), expected);
}

// ---- QX1: system read-back ----

void TestReplies::qx1_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    const RecvMode m = RecvMode::QX1;

    Row("device example", m, kSpecQx1, kFullQx1);
    // Assignments follow the key order, not the order in the text.
    Row("keys reversed", m, "ODM:020,OTM:010,RTM:005,BAC:321,BAB:000,BAA:711,BAZ:300,MOD:1#",
        kFullQx1);
    Row("other separators", m, "MOD:1;BAZ:300 BAA:711\r\nBAB:000|BAC:321OTM:010RTM:005ODM:020",
        kFullQx1);
    Row("surrounded by text", m, "OK>>MOD:2<<END", "mode=#2 ->0");
    Row("key inside a word", m, "XBAZ:721", "Z.baud=#7 Z.parity=#2 Z.stop=#1 ->0");
    Row("first BAZ wins", m, "BAZ:300,BAZ:721", "Z.baud=#3 Z.parity=#0 Z.stop=#0 ->0");
    Row("first MOD wins even if invalid", m, "MOD:MOD:1", "!'M' ->0");
    Row("only BAZ", m, "BAZ:300", "Z.baud=#3 Z.parity=#0 Z.stop=#0 ->0");
    Row("empty reply", m, "", "->0");
    Row("no key (error answer)", m, "ERROR#", "->0");
    Row("keys are case-sensitive", m, "mod:1,baz:300,Otm:010", "->0");
    Row("colon is part of the key", m, "MOD 1,BAZ=300,OTM;010", "->0");
    Row("key cut at the end", m, "BAZ", "->0");
    // Conversion errors end the parse; earlier assignments stay.
    Row("MOD:?", m, "MOD:?", "!'?' ->0");
    Row("BAZ:3?0", m, "BAZ:3?0,OTM:010", "Z.baud=#3 !'?' ->0");
    Row("earlier key kept", m, "BAZ:3?0,MOD:1", "mode=#1 Z.baud=#3 !'?' ->0");
    Row("error in port A", m, "MOD:1,BAZ:300,BAA:7x1,OTM:010",
        "mode=#1 Z.baud=#3 Z.parity=#0 Z.stop=#0 A.baud=#7 !'x' ->0");
    Row("digit missing at the end", m, "MOD:", "!'' ->0");
    Row("third digit missing", m, "BAZ:30", "Z.baud=#3 Z.parity=#0 !'' ->0");
    Row("sign is no digit", m, "MOD:+1", "!'+' ->0");
    Row("blank is no digit", m, "MOD: 1", "!' ' ->0");
    Row("hex prefix is no digit", m, "MOD:x", "!'x' ->0");
    Row("8-bit byte is no digit", m, "MOD:\xb0", "!'\\xb0' ->0");
    // Digits beyond a list's last item pass through.
    Row("BAZ:980", m, "BAZ:980", "Z.baud=#9 Z.parity=#8 Z.stop=#0 ->0");
    Row("MOD:5", m, "MOD:5,BAB:123", "mode=#5 B.baud=#1 B.parity=#2 B.stop=#3 ->0");
    // Time fields: three characters copied as they are.
    Row("OTM:7 at the end", m, "OTM:7", "OTM='7' ->0");
    Row("OTM: at the end", m, "OTM:", "OTM='' ->0");
    Row("RTM two characters", m, "RTM:05", "RTM='05' ->0");
    Row("ODM longer value", m, "ODM:12345", "ODM='123' ->0");
    Row("time not converted", m, "OTM:a #", "OTM='a #' ->0");
    Row("time 8-bit and NUL", m, "OTM:\xb0\0\xff"sv, "OTM='\\xb0\\x00\\xff' ->0");
    Row("NUL before a key", m, "\0MOD:2"sv, "mode=#2 ->0");
    Row("time keys only", m, "ODM:003OTM:001RTM:002", "OTM='001' RTM='002' ODM='003' ->0");
    Row("values overlap next key", m, "BAZ:BAA:111", "!'B' ->0");
}

// ---- COMR: slot command ----

void TestReplies::comr_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    const RecvMode m = RecvMode::COMR;

    Row("device example", m, "COMR03:1,08,0103000000044409",
        "slot3.enable=#1 slot3.command='0103000000044409' ->0");
    Row("count 00 empties", m, "COMR05:0,00,", "slot5.enable=#0 slot5.command='' ->0");
    Row("slot A", m, "COMR0A:1,08,0103000000044409", "->0");
    Row("slot 0", m, "COMR00:1,08,0103000000044409", "->0");
    Row("slot 8-bit", m, "COMR0\xb9:1,08,0103000000044409", "->0");
    Row("count ?8", m, "COMR02:1,?8,0103000000044409", "slot2.enable=#1 !'?8' ->1501");
    Row("count longer than text", m, "COMR01:1,08,0103",
        "slot1.enable=#1 slot1.command='0103' ->0");
    Row("count counts byte pairs", m, "COMR09:1,02,0103000000044409",
        "slot9.enable=#1 slot9.command='0103' ->0");
    Row("code cut mid-pair", m, "COMR01:1,02,ABC", "slot1.enable=#1 slot1.command='ABC' ->0");
    Row("code runs over #", m, "COMR01:1,02,AB#CD", "slot1.enable=#1 slot1.command='AB#C' ->0");
    Row("code not checked", m, "COMR04:1,02,zz\0\xff"sv,
        "slot4.enable=#1 slot4.command='zz\\x00\\xff' ->0");
    Row("separators not examined", m, "COMR04:1#16#01030000000444090000",
        "slot4.enable=#1 slot4.command='01030000000444090000' ->0");
    // The code count goes through the integer conversion.
    Row("count blank 8", m, "COMR06:1, 8,0123456789ABCDEF----",
        "slot6.enable=#1 slot6.command='0123456789ABCDEF' ->0");
    Row("count +8", m, "COMR06:1,+8,0123456789ABCDEF----",
        "slot6.enable=#1 slot6.command='0123456789ABCDEF' ->0");
    Row("count x8", m, "COMR06:1,x8,0123456789ABCDEF----",
        "slot6.enable=#1 slot6.command='0123456789ABCDEF' ->0");
    Row("count xF", m, "COMR06:1,xF,0123456789ABCDEF0123456789ABCDEF",
        "slot6.enable=#1 slot6.command='0123456789ABCDEF0123456789ABCD' ->0");
    Row("count $3", m, "COMR06:1,$3,0123456789", "slot6.enable=#1 slot6.command='012345' ->0");
    Row("count -1", m, "COMR06:1,-1,0123", "slot6.enable=#1 slot6.command='' ->0");
    Row("count 99", m, "COMR06:1,99,0123", "slot6.enable=#1 slot6.command='0123' ->0");
    Row("count 8 trailing blank", m, "COMR06:1,8 ,0123", "slot6.enable=#1 !'8 ' ->1501");
    Row("count sign only", m, "COMR06:1,- ,0123", "slot6.enable=#1 !'- ' ->1501");
    Row("count of one character", m, "COMR06:1,8", "slot6.enable=#1 slot6.command='' ->0");
    Row("count missing", m, "COMR06:1,", "slot6.enable=#1 !'' ->1501");
    Row("count missing, no separator", m, "COMR06:1", "slot6.enable=#1 !'' ->1501");
    Row("code starts past the end", m, "COMR06:1,08", "slot6.enable=#1 slot6.command='' ->0");
    Row("code starts at the end", m, "COMR06:1,08,", "slot6.enable=#1 slot6.command='' ->0");
    // The enable digit.
    Row("enable not a digit", m, "COMR07:x,08,0103000000044409", "!'x' ->1501");
    Row("enable missing", m, "COMR07:", "!'' ->1501");
    Row("enable beyond the list", m, "COMR07:7,02,ABCD",
        "slot7.enable=#7 slot7.command='ABCD' ->0");
    // The key.
    Row("too short for the colon", m, "COMR01", "->0");
    Row("COMR1 is not COMR0", m, "COMR13:1,02,ABCD", "->0");
    Row("lower case", m, "comr03:1,02,ABCD", "->0");
    Row("semicolon", m, "COMR03;1,02,ABCD", "->0");
    Row("COMP key is no COMR key", m, "COMP03:1,02,ABCD", "->0");
    Row("echo alone", m, "PPPPPP#COMR03#", "->0");
    Row("echo then answer", m, "PPPPPP#COMR03#COMR03:0,02,ABCD#",
        "slot3.enable=#0 slot3.command='ABCD' ->0");
    Row("surrounded", m, "\r\nOK COMR08:1,01,FE#\r\n", "slot8.enable=#1 slot8.command='FE' ->0");
    Row("first key wins though its slot is bad", m, "COMR0A:1,02,AAAA COMR03:1,02,BBBB", "->0");
    Row("first key wins", m, "COMR03:1,02,AAAA COMR04:0,02,BBBB",
        "slot3.enable=#1 slot3.command='AAAA' ->0");
    Row("first key wins though it fails", m, "COMR03:?,02,AAAA COMR04:0,02,BBBB", "!'?' ->1501");
}

// ---- COMP: slot header bytes ----

void TestReplies::comp_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    const RecvMode m = RecvMode::COMP;

    Row("device example", m, "COMP02:010308",
        "slot2.header1='01' slot2.header2='03' slot2.header3='08' ->0");
    Row("short", m, "COMP02:01", "slot2.header1='01' slot2.header2='' slot2.header3='' ->0");
    Row("nothing after colon", m,
        "COMP02:", "slot2.header1='' slot2.header2='' slot2.header3='' ->0");
    Row("one character", m, "COMP02:0", "slot2.header1='0' slot2.header2='' slot2.header3='' ->0");
    Row("five characters", m, "COMP02:01030",
        "slot2.header1='01' slot2.header2='03' slot2.header3='0' ->0");
    Row("longer reply", m, "COMP09:0103080A0B#",
        "slot9.header1='01' slot9.header2='03' slot9.header3='08' ->0");
    Row("not checked", m, "COMP05:zz\0\xff##"sv,
        "slot5.header1='zz' slot5.header2='\\x00\\xff' slot5.header3='##' ->0");
    Row("echo alone", m, "PPPPPP#COMP02#", "->0");
    Row("echo then answer", m, "PPPPPP#COMP02#COMP02:AABBCC",
        "slot2.header1='AA' slot2.header2='BB' slot2.header3='CC' ->0");
    Row("slot A", m, "COMP0A:010308", "->0");
    Row("slot 0", m, "COMP00:010308", "->0");
    Row("first key wins though its slot is bad", m, "COMP0X:010308 COMP01:010308", "->0");
    Row("surrounded", m, "OK COMP03:1A2B3C END",
        "slot3.header1='1A' slot3.header2='2B' slot3.header3='3C' ->0");
    Row("COMR key is no COMP key", m, "COMR03:1,02,ABCD", "->0");
    Row("too short for the colon", m, "COMP03", "->0");
    Row("empty", m, "", "->0");
}

void TestReplies::onlyParsedModesParse() {
    const std::string_view reply = "MOD:1,BAZ:300 COMR03:1,08,0103000000044409 COMP02:010308";
    for (const int mode : {0, 100, 106, 200, 202, 1500, 1503, -1, 5}) {
        QVERIFY2(!ParseReply(static_cast<RecvMode>(mode), reply).has_value(),
                 qPrintable(QString::number(mode)));
    }
    // The same text under each parsed mode reads only that reply's keys.
    QCOMPARE(Render(*ParseReply(RecvMode::QX1, reply)),
             QStringLiteral("mode=#1 Z.baud=#3 Z.parity=#0 Z.stop=#0 ->0"));
    QCOMPARE(Render(*ParseReply(RecvMode::COMR, reply)),
             QStringLiteral("slot3.enable=#1 slot3.command='0103000000044409' ->0"));
    QCOMPARE(Render(*ParseReply(RecvMode::COMP, reply)),
             QStringLiteral("slot2.header1='01' slot2.header2='03' slot2.header3='08' ->0"));
}

// Whatever slot was queried, the reply's digit decides; only '1'..'9' fill anything.
void TestReplies::slotDigitDecidesTheSlot() {
    for (int byte = 0; byte < 256; ++byte) {
        const char digit = static_cast<char>(byte);
        std::string comr = "COMR0";
        comr += digit;
        comr += ":1,02,ABCD";
        std::string comp = "COMP0";
        comp += digit;
        comp += ":AABBCC";
        const ParseResult r = ParseCOMR(comr);
        const ParseResult p = ParseCOMP(comp);
        QCOMPARE(r.recvModeAfter, RecvMode::Idle);
        QCOMPARE(p.recvModeAfter, RecvMode::Idle);
        QVERIFY(!r.errorText && !p.errorText);
        if (digit >= '1' && digit <= '9') {
            const int slot = digit - '0';
            QCOMPARE(r.updates.size(), size_t{2});
            QVERIFY(r.updates[0].field == (SettingField{SettingKind::SlotEnable, slot - 1}));
            QVERIFY(r.updates[1].field == (SettingField{SettingKind::SlotCommand, slot - 1}));
            QCOMPARE(Bytes(r.updates[1].text), Bytes("ABCD"));
            QCOMPARE(p.updates.size(), size_t{3});
            for (int b = 0; b < 3; ++b)
                QVERIFY(p.updates[static_cast<size_t>(b)].field ==
                        (SettingField{SettingKind::SlotHeader, slot - 1, b}));
        } else {
            QVERIFY2(r.updates.empty(), qPrintable(QString::number(byte)));
            QVERIFY2(p.updates.empty(), qPrintable(QString::number(byte)));
        }
    }
}

// ---- Batches ----

void TestReplies::takeBatch() {
    std::vector<uint8_t> all(300);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<uint8_t>(i);

    QCOMPARE(TakeBatch(nullptr, 0).size(), size_t{0});
    QCOMPARE(TakeBatch(all.data(), 0).size(), size_t{0});
    for (const size_t len : {size_t{1}, size_t{254}, size_t{255}, size_t{256}, size_t{300}}) {
        const std::string text = TakeBatch(all.data(), len);
        QCOMPARE(text.size(), std::min(len, size_t{255}));
        // Every byte 0x00..0xfe kept as the character with the same code.
        for (size_t i = 0; i < text.size(); ++i)
            QCOMPARE(static_cast<uint8_t>(text[i]), static_cast<uint8_t>(i));
    }
    const std::vector<uint8_t> big(2048, 'A');
    QCOMPARE(TakeBatch(big.data(), big.size()), std::string(255, 'A'));
}

// A 300-byte batch: only its first 255 bytes are parsed.
void TestReplies::batchCutAt255_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    auto batch = [](size_t padding, std::string_view tail) {
        std::string bytes(padding, '.');
        bytes += tail;
        bytes.resize(300, '.');
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        return TakeBatch(data, bytes.size());
    };
    const RecvMode q = RecvMode::QX1;
    Row("digit at byte 255", q, batch(250, "MOD:2"), "mode=#2 ->0");
    Row("digit at byte 256", q, batch(251, "MOD:2"), "!'' ->0");
    Row("colon at byte 256", q, batch(252, "MOD:2"), "->0");
    Row("key after the cut", q, batch(260, "MOD:2"), "->0");
    Row("time cut", q, batch(249, "OTM:123"), "OTM='12' ->0");
    Row("code cut", RecvMode::COMR, batch(240, "COMR01:1,08,0103000000044409"),
        "slot1.enable=#1 slot1.command='010' ->0");
    // "08" cut to "0": a valid count of 0.
    Row("count cut to one digit", RecvMode::COMR, batch(245, "COMR01:1,08,0103000000044409"),
        "slot1.enable=#1 slot1.command='' ->0");
    Row("count cut off", RecvMode::COMR, batch(246, "COMR01:1,08,0103000000044409"),
        "slot1.enable=#1 !'' ->1501");
    Row("header cut", RecvMode::COMP, batch(245, "COMP01:010308"),
        "slot1.header1='01' slot1.header2='0' slot1.header3='' ->0");
}

void TestReplies::batchActions() {
    QCOMPARE(BatchActionFor(RecvMode::Idle), BatchAction::Drop);
    QCOMPARE(BatchActionFor(RecvMode::ShowSystem), BatchAction::StoreShowTimerOff);
    QCOMPARE(BatchActionFor(RecvMode::ShowSlot), BatchAction::StoreShowTimerOff);
    QCOMPARE(BatchActionFor(RecvMode::QX1), BatchAction::StoreShowTimerOn);
    QCOMPARE(BatchActionFor(RecvMode::COMR), BatchAction::StoreShowTimerOn);
    QCOMPARE(BatchActionFor(RecvMode::COMP), BatchAction::StoreShowTimerOn);
    for (const int other : {-1, 1, 99, 101, 105, 107, 200, 202, 1500, 1503})
        QCOMPARE(BatchActionFor(static_cast<RecvMode>(other)), BatchAction::Drop);
    QVERIFY(IsParsedMode(RecvMode::QX1) && IsParsedMode(RecvMode::COMR) &&
            IsParsedMode(RecvMode::COMP));
    QVERIFY(!IsParsedMode(RecvMode::Idle) && !IsParsedMode(RecvMode::ShowSystem) &&
            !IsParsedMode(RecvMode::ShowSlot));
}

QTEST_APPLESS_MAIN(TestReplies)
#include "test_replies.moc"
