// libFuzzer target: every command frame builder and field encoding, fed field values taken from
// the input (numbers, indexes, slot and button numbers, port letters and field text).
//
// Properties, for every input: a frame holds exactly two '#' (the one after its prefix and the
// closing one), so no field text adds a frame of its own; a field text holding '#' is refused
// with EFrameFieldError naming that field and its text; each frame is its prefix, key and fields
// as written by the encodings; numbers read back to their value; slots outside 1..9 and unknown
// port letters are refused. A violation aborts.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "protocol/frames.h"
#include "protocol/int_conv.h"
#include "protocol/settings.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// The '#' of every frame format: after the prefix and at the end.
constexpr long kFrameDelimiters = 2;

// A built frame: `head` (prefix and key, up to the ':' of a write) then `fields`, then '#'.
void CheckFrame(const std::string& frame, std::string_view head, std::string_view fields) {
    Require(std::count(frame.begin(), frame.end(), '#') == kFrameDelimiters);
    Require(frame.size() >= 8 && frame.back() == '#');
    Require(frame.compare(0, 7, "KORVAT#") == 0 || frame.compare(0, 7, "PPPPPP#") == 0);
    Require(frame == std::string(head) + std::string(fields) + "#");
}

bool Valid(int slot) { return slot >= 1 && slot <= 9; }

// A slot number, mostly 1..9.
int TakeSlot(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange(1, 9) : in.ConsumeIntegral<int>();
}

// A drop-down index, mostly -1..9.
int TakeIndex(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange(-1, 9) : in.ConsumeIntegral<int>();
}

std::string TakeText(FuzzedDataProvider& in) { return in.ConsumeRandomLengthString(256); }

void CheckPadded(const std::string& text, int32_t value, size_t width) {
    Require(StrToInt(text) == value);
    const std::string_view digits = std::string_view(text).substr(value < 0 ? 1 : 0);
    Require(digits.size() >= width && (digits.size() == width || digits[0] != '0'));
    Require(digits.find_first_not_of("0123456789") == std::string_view::npos);
}

void Encodings(FuzzedDataProvider& in) {
    const int32_t value = in.ConsumeIntegral<int32_t>();
    CheckPadded(Number3(value), value, 3);
    CheckPadded(Number8(value), value, 8);
    const size_t length = in.ConsumeIntegral<size_t>();
    Require(Count(length) == (length < 10 ? "0" : "") + std::to_string(length));
    const int index = in.ConsumeIntegral<int>();
    Require(IndexText(index) == std::to_string(index));
}

void SystemFrames(FuzzedDataProvider& in) {
    const int mode = TakeIndex(in);
    CheckFrame(ModeFrame(mode), "KORVAT#MOD:", IndexText(mode));
    const char port = in.ConsumeIntegral<char>();
    const int baud = TakeIndex(in), parity = TakeIndex(in), stop = TakeIndex(in);
    const bool known = port == 'Z' || port == 'A' || port == 'B' || port == 'C';
    try {
        const std::string frame = PortFrame(port, baud, parity, stop);
        Require(known);
        CheckFrame(frame, std::string("KORVAT#BA") + port + ":",
                   IndexText(baud) + IndexText(parity) + IndexText(stop));
    } catch (const std::invalid_argument&) {
        Require(!known);
    }
    CheckFrame(QueryFrame(), "PPPPPP#QX1", "");
    CheckFrame(VarFrame(), "PPPPPP#VAR", "");
}

void TimeFrames(FuzzedDataProvider& in) {
    const TimeKey key = in.PickValueInArray({TimeKey::OTM, TimeKey::RTM, TimeKey::ODM});
    const std::string head = "KORVAT#" + std::string(TimeKeyName(key)) + ":";
    const int32_t value = in.ConsumeIntegral<int32_t>();
    CheckFrame(TimeFrame(key, value), head, Number3(value));
    const std::string text = TakeText(in);
    int32_t converted = 0;
    const bool ok = TryStrToInt(text, converted);
    try {
        const std::string frame = TimeFrameFromText(key, text);
        Require(ok);
        CheckFrame(frame, head, Number3(converted));
    } catch (const EConvertError& e) {
        Require(!ok && e.text() == text);
    }
}

void PcbsnFrames(FuzzedDataProvider& in) {
    const int32_t serial = in.ConsumeIntegral<int32_t>();
    const int32_t tester = in.ConsumeIntegral<int32_t>();
    CheckFrame(PcbsnFrame(serial, tester),
               "PPPPPP#PCBSN:", Number8(serial) + "," + Number3(tester));
    const std::string serialText = TakeText(in);
    const std::string testerText = TakeText(in);
    int32_t s = 0;
    int32_t t = 0;
    const bool serialOk = TryStrToInt(serialText, s);
    const bool testerOk = TryStrToInt(testerText, t);
    try {
        const std::string frame = PcbsnFrameFromText(serialText, testerText);
        Require(serialOk && testerOk);
        CheckFrame(frame, "PPPPPP#PCBSN:", Number8(s) + "," + Number3(t));
    } catch (const EConvertError& e) { // the serial number is converted first
        Require(serialOk ? !testerOk && e.text() == testerText : e.text() == serialText);
    }
}

void SlotQueries(FuzzedDataProvider& in) {
    const int slot = TakeSlot(in);
    try {
        const std::string nn = "0" + std::to_string(slot);
        CheckFrame(SlotCommandQuery(slot), "PPPPPP#COMR" + nn, "");
        CheckFrame(SlotHeaderQuery(slot), "PPPPPP#COMP" + nn, "");
        Require(Valid(slot));
    } catch (const std::out_of_range&) {
        Require(!Valid(slot));
    }
}

void CommandWrite(FuzzedDataProvider& in) {
    const int slot = TakeSlot(in);
    const int enable = TakeIndex(in);
    const std::string code = TakeText(in);
    const bool even = SlotCodeLengthOk(code);
    Require(even == (code.size() % 2 == 0));
    try {
        const std::string frame = SlotCommandWrite(slot, enable, code);
        Require(Valid(slot) && even && !HoldsDelimiter(code));
        CheckFrame(frame, "KORVAT#COMW" + std::to_string(slot) + ":",
                   IndexText(enable) + "," + Count(code.size()) + code);
    } catch (const std::out_of_range&) {
        Require(!Valid(slot));
    } catch (const EFrameFieldError& e) { // checked after the slot and the length
        Require(Valid(slot) && even && HoldsDelimiter(code));
        Require(e.field() == FrameField::CommandCode && e.text() == code);
    } catch (const std::invalid_argument&) {
        Require(Valid(slot) && !even);
    }
}

void HeaderWrite(FuzzedDataProvider& in) {
    const int slot = TakeSlot(in);
    const std::string bytes[3] = {TakeText(in), TakeText(in), TakeText(in)};
    const std::string* const first =
        std::find_if(std::begin(bytes), std::end(bytes),
                     [](const std::string& b) { return b.find('#') != std::string::npos; });
    try {
        const std::string frame = SlotHeaderWrite(slot, bytes[0], bytes[1], bytes[2]);
        Require(Valid(slot) && first == std::end(bytes));
        CheckFrame(frame, "KORVAT#COMP0" + std::to_string(slot) + ":",
                   bytes[0] + bytes[1] + bytes[2]);
    } catch (const std::out_of_range&) {
        Require(!Valid(slot));
    } catch (const EFrameFieldError& e) {
        Require(Valid(slot) && first != std::end(bytes));
        const int byteNo = static_cast<int>(first - bytes) + 1;
        Require(e.field() == HeaderByteField(byteNo) && e.text() == *first);
        Require(std::string_view(e.what()).starts_with(FrameFieldName(e.field())));
    }
}

// A configuration the check accepts builds every write, each a frame with exactly two '#'.
void ConfigFrames(FuzzedDataProvider& in) {
    DeviceSettings settings;
    for (const SettingField& f : ConfigFields()) {
        if (!in.ConsumeBool()) continue; // keep the default
        if (IsListField(f))
            SetIndex(settings, f, in.ConsumeIntegralInRange(-1, 9));
        else
            SetText(settings, f, TakeText(in));
    }
    if (CheckConfig(settings)) return;
    for (const Command& write : ConfigWrites(settings))
        Require(std::count(write.frame.begin(), write.frame.end(), '#') == 2);
}

// The delimiter check the window makes before a send.
void DelimiterCheck(FuzzedDataProvider& in) {
    const std::string text = in.ConsumeRemainingBytesAsString();
    Require(HoldsDelimiter(text) == (text.find('#') != std::string::npos));
}

enum class Builder {
    Encodings,
    SystemFrames,
    TimeFrames,
    PcbsnFrames,
    SlotQueries,
    CommandWrite,
    HeaderWrite,
    ConfigFrames,
    kMaxValue = ConfigFrames,
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeEnum<Builder>()) {
    case Builder::Encodings:
        Encodings(in);
        break;
    case Builder::SystemFrames:
        SystemFrames(in);
        break;
    case Builder::TimeFrames:
        TimeFrames(in);
        break;
    case Builder::PcbsnFrames:
        PcbsnFrames(in);
        break;
    case Builder::SlotQueries:
        SlotQueries(in);
        break;
    case Builder::CommandWrite:
        CommandWrite(in);
        break;
    case Builder::HeaderWrite:
        HeaderWrite(in);
        break;
    case Builder::ConfigFrames:
        ConfigFrames(in);
        break;
    }
    DelimiterCheck(in);
    return 0;
}
