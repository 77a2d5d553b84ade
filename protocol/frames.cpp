#include "protocol/frames.h"

#include <stdexcept>
#include <utility>

#include "protocol/int_conv.h"

namespace {

// Decimal with at least `width` digits; '-' goes ahead of the padding.
std::string Padded(int32_t value, size_t width) {
    const int64_t wide = value;
    std::string digits = std::to_string(wide < 0 ? -wide : wide);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return wide < 0 ? "-" + digits : digits;
}

void CheckSlot(int slot) {
    if (slot < 1 || slot > 9) throw std::out_of_range("slot number outside 1..9");
}

char SlotDigit(int slot) {
    CheckSlot(slot);
    return static_cast<char>('0' + slot);
}

// The two-digit slot number "01".."09".
std::string SlotTwoDigits(int slot) { return std::string{'0', SlotDigit(slot)}; }

// Field text goes into a frame verbatim, so it must not hold the frame delimiter.
void CheckFieldText(FrameField field, std::string_view text) {
    if (HoldsDelimiter(text)) throw EFrameFieldError(field, std::string(text));
}

} // namespace

bool HoldsDelimiter(std::string_view text) {
    return text.find(kFrameDelimiter) != std::string_view::npos;
}

std::string_view FrameFieldName(FrameField field) {
    switch (field) {
    case FrameField::CommandCode:
        return "command code";
    case FrameField::HeaderByte1:
        return "header byte 1";
    case FrameField::HeaderByte2:
        return "header byte 2";
    case FrameField::HeaderByte3:
        return "header byte 3";
    }
    throw std::invalid_argument("unknown frame field");
}

FrameField HeaderByteField(int byteNo) {
    switch (byteNo) {
    case 1:
        return FrameField::HeaderByte1;
    case 2:
        return FrameField::HeaderByte2;
    case 3:
        return FrameField::HeaderByte3;
    default:
        throw std::out_of_range("header byte number outside 1..3");
    }
}

EFrameFieldError::EFrameFieldError(FrameField field, std::string text)
    : std::invalid_argument(std::string(FrameFieldName(field)) + " holds the frame delimiter '#'"),
      field_(field), text_(std::move(text)) {}

std::string Number3(int32_t value) { return Padded(value, 3); }

std::string Number8(int32_t value) { return Padded(value, 8); }

std::string Count(size_t length) {
    return std::to_string(length / 10) + static_cast<char>('0' + length % 10);
}

std::string IndexText(int index) { return std::to_string(index); }

std::string ModeFrame(int modeIndex) { return "KORVAT#MOD:" + IndexText(modeIndex) + "#"; }

std::string PortFrame(char port, int baudIndex, int parityIndex, int stopIndex) {
    if (port != 'Z' && port != 'A' && port != 'B' && port != 'C')
        throw std::invalid_argument("port letter must be Z, A, B or C");
    std::string frame = "KORVAT#BA";
    frame += port;
    frame += ':';
    frame += IndexText(baudIndex);
    frame += IndexText(parityIndex);
    frame += IndexText(stopIndex);
    frame += '#';
    return frame;
}

std::string_view TimeKeyName(TimeKey key) {
    switch (key) {
    case TimeKey::OTM:
        return "OTM";
    case TimeKey::RTM:
        return "RTM";
    case TimeKey::ODM:
        return "ODM";
    }
    throw std::invalid_argument("unknown timing key");
}

std::string TimeFrame(TimeKey key, int32_t value) {
    std::string frame = "KORVAT#";
    frame += TimeKeyName(key);
    frame += ':';
    frame += Number3(value);
    frame += '#';
    return frame;
}

std::string TimeFrameFromText(TimeKey key, std::string_view text) {
    return TimeFrame(key, StrToInt(text));
}

std::string QueryFrame() { return "PPPPPP#QX1#"; }

std::string VarFrame() { return "PPPPPP#VAR#"; }

std::string PcbsnFrame(int32_t serial, int32_t tester) {
    return "PPPPPP#PCBSN:" + Number8(serial) + "," + Number3(tester) + "#";
}

std::string PcbsnFrameFromText(std::string_view serialText, std::string_view testerText) {
    const int32_t serial = StrToInt(serialText);
    const int32_t tester = StrToInt(testerText);
    return PcbsnFrame(serial, tester);
}

std::string SlotCommandQuery(int slot) { return "PPPPPP#COMR" + SlotTwoDigits(slot) + "#"; }

bool SlotCodeLengthOk(std::string_view code) { return code.size() % 2 == 0; }

std::string SlotCommandWrite(int slot, int enableIndex, std::string_view code) {
    const char digit = SlotDigit(slot);
    if (!SlotCodeLengthOk(code))
        throw std::invalid_argument("slot command text has an odd number of characters");
    CheckFieldText(FrameField::CommandCode, code);
    std::string frame = "KORVAT#COMW";
    frame += digit;
    frame += ':';
    frame += IndexText(enableIndex);
    frame += ',';
    frame += Count(code.size());
    frame += code;
    frame += '#';
    return frame;
}

std::string SlotHeaderQuery(int slot) { return "PPPPPP#COMP" + SlotTwoDigits(slot) + "#"; }

std::string SlotHeaderWrite(int slot, std::string_view b1, std::string_view b2,
                            std::string_view b3) {
    std::string frame = "KORVAT#COMP" + SlotTwoDigits(slot) + ":";
    CheckFieldText(FrameField::HeaderByte1, b1);
    CheckFieldText(FrameField::HeaderByte2, b2);
    CheckFieldText(FrameField::HeaderByte3, b3);
    frame += b1;
    frame += b2;
    frame += b3;
    frame += '#';
    return frame;
}
