// libFuzzer target: the three reply parsers, the tick's dispatch by RecvMode and the integer
// conversion over arbitrary bytes.
//
// The whole input goes to each of the three parsers. The dispatch takes its RecvMode from the
// first byte (one of the six codes, a value next to one, or any int value read from the next four
// bytes) and the rest of the input as the received text. Besides running under AddressSanitizer
// (a read outside the text is a crash), each result is checked against properties that must hold
// for every input; a violation aborts. Each query is also judged on the received text: the
// answer rule and the parsers must agree.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/answers.h"
#include "protocol/int_conv.h"
#include "protocol/replies.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
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

// The conversion against the reference.
void CheckTryConversion(std::string_view s, int32_t& got, bool& ok) {
    int32_t expected = 0;
    ok = TryStrToInt(s, got);
    Require(ok == ReferenceConvert(s, expected));
    if (ok) Require(got == expected);
}

void CheckTryConversion(std::string_view s) {
    int32_t got = 0;
    bool ok = false;
    CheckTryConversion(s, got, ok);
}

// The same, and the throwing form (slow under the sanitizers, so for the whole input only).
void CheckConversion(std::string_view s) {
    int32_t got = 0;
    bool ok = false;
    CheckTryConversion(s, got, ok);
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

bool Same(const SettingUpdate& a, const SettingUpdate& b) {
    return a.field == b.field && a.index == b.index && a.text == b.text;
}

void CheckQX1(std::string_view text, const ParseResult& r) {
    Require(r.recvModeAfter == RecvMode::Idle);
    if (r.errorText) Require(r.errorText->size() <= 1 && IsSubstring(text, *r.errorText));
    std::set<std::string> named;
    for (const SettingUpdate& u : r.updates) {
        Require(named.insert(FieldName(u.field)).second); // each setting at most once
        const SettingKind k = u.field.kind;
        if (IsListField(u.field))
            Require(k != SettingKind::SlotEnable && u.index >= 0 && u.index <= 9);
        else
            Require(k == SettingKind::Time && u.text.size() <= 3 && IsSubstring(text, u.text));
    }
    Require(r.updates.size() <= 16);
}

void CheckCOMR(std::string_view text, const ParseResult& r) {
    Require(r.recvModeAfter == (r.errorText ? RecvMode::COMR : RecvMode::Idle));
    Require(r.updates.size() <= 2);
    if (r.errorText) Require(r.errorText->size() <= 2 && r.updates.size() <= 1);
    if (r.updates.empty()) return;
    const SettingUpdate& enable = r.updates[0];
    const int slot = enable.field.index;
    Require(enable.field.kind == SettingKind::SlotEnable && slot >= 0 && slot < 9);
    Require(enable.index >= 0 && enable.index <= 9);
    Require(IsSubstring(text, "COMR0" + std::to_string(slot + 1) + ":"));
    if (r.updates.size() == 1) {
        Require(r.errorText.has_value());
        return;
    }
    const SettingUpdate& code = r.updates[1];
    Require(code.field == (SettingField{SettingKind::SlotCommand, slot}));
    Require(code.text.size() <= 2 * 99 && IsSubstring(text, code.text));
}

void CheckCOMP(std::string_view text, const ParseResult& r) {
    Require(r.recvModeAfter == RecvMode::Idle && !r.errorText);
    Require(r.updates.empty() || r.updates.size() == 3);
    for (size_t i = 0; i < r.updates.size(); ++i) {
        const SettingUpdate& u = r.updates[i];
        const int slot = r.updates[0].field.index; // one slot
        Require(u.field == (SettingField{SettingKind::SlotHeader, slot, int(i)}));
        Require(slot >= 0 && slot < 9 && u.text.size() <= 2 && IsSubstring(text, u.text));
    }
}

// The RecvMode values picked by the first byte of the input: the six codes and their neighbours.
constexpr std::array<int, 16> kModes = {0,  100, 106, 201, 1501, 1502, -1,   1,
                                        99, 101, 105, 107, 200,  202,  1500, 1503};

// The dispatch's RecvMode from the front of the input; `rest` is what follows it.
RecvMode TakeMode(std::string_view input, std::string_view& rest) {
    if (input.empty()) {
        rest = input;
        return RecvMode::Idle;
    }
    const auto pick = static_cast<unsigned char>(input[0]);
    if (pick < kModes.size()) {
        rest = input.substr(1);
        return static_cast<RecvMode>(kModes[pick]);
    }
    uint32_t raw = 0; // little-endian, missing bytes zero
    const std::string_view bytes = input.substr(1, 4);
    for (size_t i = 0; i < bytes.size(); ++i)
        raw |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    rest = input.substr(1 + bytes.size());
    int value = 0;
    std::memcpy(&value, &raw, sizeof value);
    return static_cast<RecvMode>(value);
}

bool SameResult(const ParseResult& a, const ParseResult& b) {
    return a.errorText == b.errorText && a.recvModeAfter == b.recvModeAfter &&
           std::equal(a.updates.begin(), a.updates.end(), b.updates.begin(), b.updates.end(), Same);
}

// The tick's dispatch: a parse for 201, 1501 and 1502 only, the same as that parser's; the
// receive handler's action agrees with it (any value outside the six codes is dropped).
void CheckDispatch(RecvMode mode, std::string_view text) {
    const std::optional<ParseResult> r = ParseReply(mode, text);
    const int code = static_cast<int>(mode);
    const bool parsed = code == 201 || code == 1501 || code == 1502;
    const bool shown = code == 100 || code == 106;
    Require(r.has_value() == parsed && IsParsedMode(mode) == parsed);
    Require(BatchActionFor(mode) == (parsed  ? BatchAction::StoreShowTimerOn
                                     : shown ? BatchAction::StoreShowTimerOff
                                             : BatchAction::Drop));
    if (!r) return;
    Require(r->recvModeAfter == RecvMode::Idle ||
            (mode == RecvMode::COMR && r->errorText && r->recvModeAfter == RecvMode::COMR));
    if (mode == RecvMode::QX1) {
        CheckQX1(text, *r);
        Require(SameResult(*r, ParseQX1(text)));
    } else if (mode == RecvMode::COMR) {
        CheckCOMR(text, *r);
        Require(SameResult(*r, ParseCOMR(text)));
    } else {
        CheckCOMP(text, *r);
        Require(SameResult(*r, ParseCOMP(text)));
    }
}

// An exact-size heap copy, so that any read past the text hits the redzone.
std::vector<char> ExactCopy(std::string_view text) {
    return std::vector<char>(text.begin(), text.end());
}

std::string_view View(const std::vector<char>& bytes) { return {bytes.data(), bytes.size()}; }

} // namespace

// Every query judged on the same answer: a complete answer holds every field its query reads;
// an answered query's updates are exactly those fields; a refusal is recognised wherever it is.
void CheckJudgement(std::string_view answer) {
    if (answer.empty()) return;
    for (const Command& query : ConfigQueries()) {
        const Judgement j = JudgeAnswer(query, answer);
        const bool refused = answer.find(kRefusal) != std::string_view::npos;
        Require((j.outcome == Outcome::Refused) == refused);
        if (j.outcome == Outcome::Answered) {
            Require(j.updates.size() == query.settings.size() && j.missing.empty());
            Require(AnswerComplete(query, answer));
        }
        if (!refused && AnswerComplete(query, answer) && j.outcome != Outcome::OtherSlot)
            Require(j.outcome == Outcome::Answered || j.badValue.has_value());
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = TakeBatch(data, size);
    Require(text.size() == (size < kMaxRecvText ? size : kMaxRecvText));
    Require(std::string_view(reinterpret_cast<const char*>(data), text.size()) == text);

    const std::vector<char> copy = ExactCopy(text);
    CheckQX1(View(copy), ParseQX1(View(copy)));
    CheckCOMR(View(copy), ParseCOMR(View(copy)));
    CheckCOMP(View(copy), ParseCOMP(View(copy)));

    // The tick's dispatch, on the received text as the receive handler keeps it.
    std::string_view rest;
    const RecvMode mode =
        TakeMode(std::string_view(reinterpret_cast<const char*>(data), size), rest);
    const std::string batch = TakeBatch(reinterpret_cast<const uint8_t*>(rest.data()), rest.size());
    const std::vector<char> received = ExactCopy(batch);
    CheckDispatch(mode, View(received));

    CheckJudgement(View(received));

    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    CheckConversion(whole);
    // Short fields as the parsers cut them (one and two characters).
    for (size_t i = 0; i + 1 < size && i < 16; ++i) {
        CheckTryConversion(whole.substr(i, 1));
        CheckTryConversion(whole.substr(i, 2));
    }

    return 0;
}
