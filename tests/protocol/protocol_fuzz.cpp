// libFuzzer target: the three reply parsers and the integer conversion over arbitrary bytes.
//
// Besides running under AddressSanitizer (a read outside the text is a crash), each result is
// checked against properties that must hold for every input; a violation aborts.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frames.h"
#include "protocol/int_conv.h"
#include "protocol/replies.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// An independent statement of the conversion rule, on top of std::from_chars, to compare with.
bool ReferenceConvert(std::string_view s, int32_t& out) {
    size_t i = s.find_first_not_of(' ');
    if (i == std::string_view::npos) return false;
    s.remove_prefix(i);
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
    int base = 10;
    if (!s.empty() && (s[0] == '$' || s[0] == 'x' || s[0] == 'X')) {
        base = 16;
        s.remove_prefix(1);
    }
    // from_chars on an unsigned type takes digits only: no sign, no blank, no "0x".
    if (s.empty() || s[0] == '+' || s[0] == '-') return false;
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    const int64_t value =
        negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (magnitude > 2147483648u || value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
}

void CheckConversion(std::string_view s) {
    int32_t got = 0;
    int32_t expected = 0;
    const bool ok = TryStrToInt(s, got);
    Require(ok == ReferenceConvert(s, expected));
    if (ok) Require(got == expected);
    try {
        const int32_t thrown = StrToInt(s);
        Require(ok && thrown == got);
    } catch (const EConvertError& e) {
        Require(!ok && e.text() == s);
    }
}

bool IsSubstring(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

void CheckQX1(std::string_view text) {
    const ParseResult r = ParseQX1(text);
    Require(r.recvModeAfter == RecvMode::Idle);
    if (r.errorText) Require(r.errorText->size() <= 1 && IsSubstring(text, *r.errorText));
    for (const Assignment& a : r.assignments) {
        if (a.selectIndex)
            Require(a.index >= 0 && a.index <= 9);
        else
            Require(StartsWith(a.control, "Edit") && a.text.size() <= 3 &&
                    IsSubstring(text, a.text));
    }
    Require(r.assignments.size() <= 16);
}

void CheckCOMR(std::string_view text) {
    const ParseResult r = ParseCOMR(text);
    Require(r.recvModeAfter == (r.errorText ? RecvMode::COMR : RecvMode::Idle));
    Require(r.assignments.size() <= 2);
    if (r.errorText) Require(r.errorText->size() <= 2 && r.assignments.size() <= 1);
    if (!r.assignments.empty()) {
        const Assignment& enable = r.assignments[0];
        Require(StartsWith(enable.control, "COMEN") && enable.control.size() == 6);
        Require(enable.selectIndex && enable.index >= 0 && enable.index <= 9);
        const std::string key = std::string("COMR0") + enable.control[5] + ":";
        Require(IsSubstring(text, key));
        if (r.assignments.size() == 2) {
            const Assignment& code = r.assignments[1];
            Require(code.control == std::string("COMA") + enable.control[5]);
            Require(!code.selectIndex && code.text.size() <= 2 * 99 &&
                    IsSubstring(text, code.text));
        } else {
            Require(r.errorText.has_value());
        }
    }
}

void CheckCOMP(std::string_view text) {
    const ParseResult r = ParseCOMP(text);
    Require(r.recvModeAfter == RecvMode::Idle && !r.errorText);
    Require(r.assignments.empty() || r.assignments.size() == 3);
    for (const Assignment& a : r.assignments)
        Require(!a.selectIndex && StartsWith(a.control, "COMBY") && a.text.size() <= 2 &&
                IsSubstring(text, a.text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = TakeBatch(data, size);
    Require(text.size() == (size < kMaxRecvText ? size : kMaxRecvText));
    Require(std::string_view(reinterpret_cast<const char*>(data), text.size()) == text);

    // Parse an exact-size heap copy so that any read past the text hits the redzone.
    const std::vector<char> copy(text.begin(), text.end());
    const std::string_view exact(copy.data(), copy.size());
    CheckQX1(exact);
    CheckCOMR(exact);
    CheckCOMP(exact);
    for (const RecvMode mode : {RecvMode::Idle, RecvMode::ShowSystem, RecvMode::ShowSlot})
        Require(!ParseReply(mode, exact).has_value());

    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    CheckConversion(whole);
    // Short fields as the parsers cut them (one and two characters).
    for (size_t i = 0; i + 1 < size && i < 16; ++i) {
        CheckConversion(whole.substr(i, 1));
        CheckConversion(whole.substr(i, 2));
    }

    // A slot command write takes any even-length text verbatim.
    if (SlotCodeLengthOk(text)) {
        const std::string frame = SlotCommandWrite(1 + static_cast<int>(size % 9), 1, text);
        Require(frame.size() == 16 + Count(text.size()).size() + text.size());
        Require(frame.back() == '#');
    }
    return 0;
}
