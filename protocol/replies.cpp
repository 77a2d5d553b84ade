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

// First position at which the five characters `head` lie at offsets 0..4 and ':' at offset 6;
// npos when there is none. The character at offset 5 is not examined.
size_t FindSlotKey(std::string_view text, std::string_view head) {
    for (size_t pos = 0; pos + 6 < text.size(); ++pos) {
        if (text.substr(pos, 5) == head && text[pos + 6] == ':') return pos;
    }
    return std::string_view::npos;
}

// The slot number of the digit at offset 5, or 0 when it is not '1'..'9'.
int SlotOf(std::string_view text, size_t keyPos) {
    const char c = text[keyPos + 5];
    return c >= '1' && c <= '9' ? c - '0' : 0;
}

void SelectIndex(ParseResult& result, std::string control, int index) {
    result.assignments.push_back({std::move(control), true, index, {}});
}

void SetText(ParseResult& result, std::string control, std::string_view text) {
    result.assignments.push_back({std::move(control), false, 0, std::string(text)});
}

// Converts a digit field; on failure records the field's text as the error and returns false.
bool ConvertField(ParseResult& result, std::string_view field, int32_t& value) {
    if (TryStrToInt(field, value)) return true;
    result.errorText = std::string(field);
    return false;
}

struct QxKey {
    std::string_view key;
    std::array<const char*, 3> controls; // digit keys: one list per digit (unused ones null)
    const char* edit;                    // time keys: the edit that takes three characters
};

constexpr std::array<QxKey, 8> kQxKeys{{
    {"MOD:", {"ComboBox7", nullptr, nullptr}, nullptr},
    {"BAZ:", {"BOADZ", "ODDZ", "STOPZ"}, nullptr},
    {"BAA:", {"BOADA", "ODDA", "STOPA"}, nullptr},
    {"BAB:", {"BOADB", "ODDB", "STOPB"}, nullptr},
    {"BAC:", {"BOADC", "ODDC", "STOPC"}, nullptr},
    {"OTM:", {nullptr, nullptr, nullptr}, "Edit1"},
    {"RTM:", {nullptr, nullptr, nullptr}, "Edit2"},
    {"ODM:", {nullptr, nullptr, nullptr}, "Edit3"},
}};

} // namespace

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
        if (key.edit != nullptr) {
            SetText(result, key.edit, Field(text, pos, 4, 3));
            continue;
        }
        for (size_t i = 0; i < key.controls.size() && key.controls[i] != nullptr; ++i) {
            int32_t value = 0;
            if (!ConvertField(result, Field(text, pos, 4 + i, 1), value)) return result;
            SelectIndex(result, key.controls[i], value);
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
        SelectIndex(result, SlotEnableName(slot), enable);
        if (!ConvertField(result, Field(text, pos, 9, 2), count)) {
            result.recvModeAfter = RecvMode::COMR;
            return result;
        }
        const size_t codeLength = count > 0 ? 2 * static_cast<size_t>(count) : 0;
        SetText(result, SlotCommandName(slot), Field(text, pos, 12, codeLength));
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
            SetText(result, SlotHeaderName(slot, byteNo),
                    Field(text, pos, 7 + 2 * static_cast<size_t>(byteNo - 1), 2));
        }
    }
    result.recvModeAfter = RecvMode::Idle;
    return result;
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
