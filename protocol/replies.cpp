#include "protocol/replies.h"

#include <algorithm>
#include <array>

#include "protocol/frames.h"
#include "protocol/int_conv.h"

namespace {

// The characters of a field of `length` characters at `offset` from a key found at `keyPos`:
// only those lying inside the text, so possibly fewer, or none.
std::string_view Field(std::string_view text, size_t keyPos, size_t offset, size_t length) {
    const size_t start = keyPos + offset;
    if (start >= text.size()) return {};
    return text.substr(start, length);
}

void SelectIndex(ParseResult& result, SettingField field, int index) {
    result.updates.push_back({field, index, {}});
}

void SetText(ParseResult& result, SettingField field, std::string_view text) {
    result.updates.push_back({field, 0, std::string(text)});
}

// Converts a digit field; on failure records the field's text as the error and returns false.
bool ConvertField(ParseResult& result, std::string_view field, int32_t& value) {
    if (TryStrToInt(field, value)) return true;
    result.errorText = std::string(field);
    return false;
}

struct QxKey {
    std::string_view key;
    int digits; // digit keys: one list setting per digit, from `first` on; 0 for a time key
    SettingKind first;
    int index; // the port or the time
};

// A key's digits select, in order, the work mode, or a port's baud, parity and stop bits.
constexpr std::array<QxKey, 8> kQxKeys{{
    {"MOD:", 1, SettingKind::WorkMode, 0},
    {"BAZ:", 3, SettingKind::Baud, 0},
    {"BAA:", 3, SettingKind::Baud, 1},
    {"BAB:", 3, SettingKind::Baud, 2},
    {"BAC:", 3, SettingKind::Baud, 3},
    {"OTM:", 0, SettingKind::Time, 0},
    {"RTM:", 0, SettingKind::Time, 1},
    {"ODM:", 0, SettingKind::Time, 2},
}};

// The list setting of digit i of a digit key: the work mode, or baud, parity, stop of a port.
SettingField DigitField(const QxKey& key, int i) {
    if (key.first == SettingKind::WorkMode) return {SettingKind::WorkMode};
    constexpr SettingKind kinds[] = {SettingKind::Baud, SettingKind::Parity, SettingKind::Stop};
    return {kinds[i], key.index};
}

} // namespace

// The character at offset 5 is not examined.
size_t FindSlotKey(std::string_view text, std::string_view head) {
    for (size_t pos = 0; pos + 6 < text.size(); ++pos) {
        if (text.substr(pos, 5) == head && text[pos + 6] == ':') return pos;
    }
    return std::string_view::npos;
}

int SlotOf(std::string_view text, size_t keyPos) {
    const char c = text[keyPos + 5];
    return c >= '1' && c <= '9' ? c - '0' : 0;
}

std::string TakeBatch(const uint8_t* data, size_t len) {
    if (data == nullptr || len == 0) return {};
    return std::string(reinterpret_cast<const char*>(data), std::min(len, kMaxRecvText));
}

ParseResult ParseQX1(std::string_view text) {
    ParseResult result;
    result.recvModeAfter = RecvMode::Idle; // before anything else, so also after an error
    for (const QxKey& key : kQxKeys) {
        const size_t pos = text.find(key.key);
        if (pos == std::string_view::npos) continue;
        if (key.digits == 0) {
            SetText(result, {SettingKind::Time, key.index}, Field(text, pos, 4, 3));
            continue;
        }
        for (int i = 0; i < key.digits; ++i) {
            int32_t value = 0;
            if (!ConvertField(result, Field(text, pos, 4 + size_t(i), 1), value)) return result;
            SelectIndex(result, DigitField(key, i), value);
        }
    }
    return result;
}

ParseResult ParseCOMR(std::string_view text) {
    ParseResult result;
    const size_t pos = FindSlotKey(text, "COMR0");
    const int slot = pos == std::string_view::npos ? 0 : SlotOf(text, pos);
    if (slot != 0) {
        int32_t enable = 0;
        int32_t count = 0;
        if (!ConvertField(result, Field(text, pos, 7, 1), enable)) {
            result.recvModeAfter = RecvMode::COMR;
            return result;
        }
        SelectIndex(result, {SettingKind::SlotEnable, slot - 1}, enable);
        if (!ConvertField(result, Field(text, pos, 9, 2), count)) {
            result.recvModeAfter = RecvMode::COMR;
            return result;
        }
        const size_t codeLength = count > 0 ? 2 * static_cast<size_t>(count) : 0;
        SetText(result, {SettingKind::SlotCommand, slot - 1}, Field(text, pos, 12, codeLength));
    }
    result.recvModeAfter = RecvMode::Idle;
    return result;
}

ParseResult ParseCOMP(std::string_view text) {
    ParseResult result;
    const size_t pos = FindSlotKey(text, "COMP0");
    const int slot = pos == std::string_view::npos ? 0 : SlotOf(text, pos);
    if (slot != 0) {
        for (int byteNo = 1; byteNo <= 3; ++byteNo) {
            SetText(result, {SettingKind::SlotHeader, slot - 1, byteNo - 1},
                    Field(text, pos, 7 + 2 * static_cast<size_t>(byteNo - 1), 2));
        }
    }
    result.recvModeAfter = RecvMode::Idle;
    return result;
}

namespace {

// Whether `text` holds `length` characters at `offset` from a key at `keyPos`.
bool Holds(std::string_view text, size_t keyPos, size_t offset, size_t length) {
    return keyPos + offset + length <= text.size();
}

void CompleteQX1(std::string_view text, std::vector<SettingField>& fields) {
    for (const QxKey& key : kQxKeys) {
        const size_t pos = text.find(key.key);
        if (pos == std::string_view::npos) continue;
        if (key.digits == 0 && Holds(text, pos, 4, 3))
            fields.push_back({SettingKind::Time, key.index});
        for (int i = 0; i < key.digits; ++i)
            if (Holds(text, pos, 4 + size_t(i), 1)) fields.push_back(DigitField(key, i));
    }
}

void CompleteCOMR(std::string_view text, std::vector<SettingField>& fields) {
    const size_t pos = FindSlotKey(text, "COMR0");
    const int slot = pos == std::string_view::npos ? 0 : SlotOf(text, pos);
    if (slot == 0 || !Holds(text, pos, 7, 1)) return;
    fields.push_back({SettingKind::SlotEnable, slot - 1});
    int32_t count = 0;
    if (!Holds(text, pos, 9, 2) || !TryStrToInt(Field(text, pos, 9, 2), count)) return;
    if (Holds(text, pos, 12, count > 0 ? 2 * size_t(count) : 0))
        fields.push_back({SettingKind::SlotCommand, slot - 1});
}

void CompleteCOMP(std::string_view text, std::vector<SettingField>& fields) {
    const size_t pos = FindSlotKey(text, "COMP0");
    const int slot = pos == std::string_view::npos ? 0 : SlotOf(text, pos);
    if (slot == 0) return;
    for (int b = 0; b < 3; ++b)
        if (Holds(text, pos, 7 + 2 * size_t(b), 2))
            fields.push_back({SettingKind::SlotHeader, slot - 1, b});
}

} // namespace

std::vector<SettingField> CompleteFields(RecvMode mode, std::string_view text) {
    std::vector<SettingField> fields;
    if (mode == RecvMode::QX1) CompleteQX1(text, fields);
    if (mode == RecvMode::COMR) CompleteCOMR(text, fields);
    if (mode == RecvMode::COMP) CompleteCOMP(text, fields);
    return fields;
}

std::optional<ParseResult> ParseReply(RecvMode mode, std::string_view text) {
    switch (mode) {
    case RecvMode::QX1:
        return ParseQX1(text);
    case RecvMode::COMR:
        return ParseCOMR(text);
    case RecvMode::COMP:
        return ParseCOMP(text);
    default:
        return std::nullopt;
    }
}
