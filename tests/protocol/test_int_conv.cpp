// The integer conversion used for every text-to-number step of the tool.
#include <QTest>

#include <climits>
#include <string_view>

#include "protocol/int_conv.h"
#include "test_support.h"

using namespace std::string_view_literals;

class TestIntConv : public QObject {
    Q_OBJECT

private slots:
    void convert_data();
    void convert();
    void errorCarriesText_data();
    void errorCarriesText();
    void failureLeavesValueAlone();
};

void TestIntConv::convert_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");

    auto good = [](const char* name, std::string_view text, int value) {
        QTest::newRow(name) << Bytes(text) << true << value;
    };
    auto bad = [](const char* name, std::string_view text) {
        QTest::newRow(name) << Bytes(text) << false << 0;
    };

    // The code count examples of a slot command reply.
    good("08", "08", 8);
    good("blank 8", " 8", 8);
    good("+8", "+8", 8);
    good("-1", "-1", -1);
    good("x8", "x8", 8);
    good("xF", "xF", 15);
    bad("?8", "?8");
    bad("8 trailing blank", "8 ");

    // Decimal.
    good("0", "0", 0);
    good("-0", "-0", 0);
    good("+0", "+0", 0);
    good("10", "10", 10);
    good("leading zeros", "000000000000123", 123);
    good("many blanks", "     42", 42);
    good("blanks then sign", "  -42", -42);
    good("max", "2147483647", INT_MAX);
    good("min", "-2147483648", INT_MIN);
    good("max after zeros", "00002147483647", INT_MAX);
    bad("max+1", "2147483648");
    bad("min-1", "-2147483649");
    bad("huge", "99999999999999999999999");
    bad("huge negative", "-99999999999999999999999");
    bad("hex letter without prefix", "1F");
    bad("exponent", "1e3");
    bad("decimal point", "1.5");
    bad("inner blank", "1 2");
    bad("letter", "a");

    // Hexadecimal.
    good("$10", "$10", 16);
    good("$ff lower", "$ff", 255);
    good("XfF mixed", "XfF", 255);
    good("x leading zeros", "x000A", 10);
    good("minus hex", "-x10", -16);
    good("plus dollar", "+$7FFFFFFF", INT_MAX);
    good("minus dollar min", "-$80000000", INT_MIN);
    good("blanks before hex", "  $1", 1);
    bad("hex above max", "$80000000");
    bad("hex all ones", "$FFFFFFFF");
    bad("hex 33 bits", "x100000000");
    bad("lone $", "$");
    bad("lone x", "x");
    bad("sign and prefix only", "-$");
    bad("non-hex after prefix", "$g");
    bad("blank after prefix", "x 1");
    bad("sign after prefix", "$-1");
    bad("two prefixes", "$x1");
    bad("0x is no prefix", "0x10");
    bad("0X is no prefix", "0X1");
    bad("hex trailing blank", "$1 ");

    // Blanks, signs and other bytes.
    bad("empty", "");
    bad("blank only", " ");
    bad("lone +", "+");
    bad("lone -", "-");
    bad("blank after sign", "- 8");
    bad("two signs", "+-8");
    bad("double minus", "--8");
    bad("tab before", "\t8");
    bad("newline before", "\n8");
    bad("tab after", "8\t");
    bad("NUL after", "8\0"sv);
    bad("NUL before", "\0"
                      "8"sv);
    bad("8-bit byte", "\xb8");
    bad("digit then 8-bit byte", "1\xff");
    bad("fullwidth digit (UTF-8)", "\xef\xbc\x98");
}

void TestIntConv::convert() {
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(int, value);

    int32_t got = 12345;
    QCOMPARE(TryStrToInt(View(text), got), ok);
    if (ok) {
        QCOMPARE(got, value);
        QCOMPARE(StrToInt(View(text)), value);
    } else {
        try {
            StrToInt(View(text));
            QFAIL("StrToInt accepted an invalid text");
        } catch (const EConvertError& e) {
            QCOMPARE(Bytes(e.text()), text);
        }
    }
}

void TestIntConv::errorCarriesText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("?8") << Bytes("?8") << Bytes("'?8' is not a valid integer value");
    QTest::newRow("empty") << Bytes("") << Bytes("'' is not a valid integer value");
    QTest::newRow("trailing blank") << Bytes("8 ") << Bytes("'8 ' is not a valid integer value");
    QTest::newRow("8-bit byte") << Bytes("\xb0\xa1")
                                << Bytes("'\xb0\xa1' is not a valid integer value");
}

void TestIntConv::errorCarriesText() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, message);
    try {
        StrToInt(View(text));
        QFAIL("no exception");
    } catch (const std::runtime_error& e) {
        // Caught through the base class, as a general error report would.
        QCOMPARE(QByteArray(e.what()), message);
        const auto* convert = dynamic_cast<const EConvertError*>(&e);
        QVERIFY(convert != nullptr);
        QCOMPARE(Bytes(convert->text()), text);
    }
}

void TestIntConv::failureLeavesValueAlone() {
    int32_t value = 77;
    QVERIFY(!TryStrToInt("2147483648", value));
    QCOMPARE(value, 77);
    QVERIFY(!TryStrToInt("12x", value));
    QCOMPARE(value, 77);
}

QTEST_APPLESS_MAIN(TestIntConv)
#include "test_int_conv.moc"
