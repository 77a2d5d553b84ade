// The command frames sent to the VQ830-A(B) and the encodings of their fields.
//
// A frame is 8-bit text, one byte per character, exactly as returned here: no line ending,
// no checksum, nothing trimmed or quoted. Write frames are "KORVAT#" key ":" value "#", query
// frames "PPPPPP#" key "#"; the board serial number write uses the query prefix.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "protocol/recv_mode.h"
#include "protocol/text_marks.h"

// ---- The frame delimiter in field text ----
//
// '#' closes a frame. Text taken verbatim from a field (a slot's command code, its three header
// bytes) must not hold it: "0#" in a header byte followed by "KORVAT#MOD:2" in the next one
// would make "KORVAT#COMP01:0#KORVAT#MOD:2##", a second command. The builders that take such
// text refuse it with EFrameFieldError, so every frame built holds exactly two '#': the one
// after its prefix and the closing one. Numbers and indexes are written by the tool itself and
// never hold '#'.
//
// Use from the window: before building a slot write, call HoldsDelimiter on each text field (in
// frame order) and, when one holds '#', show an error box naming the field and its text, and
// send nothing; or build the frame and catch EFrameFieldError, whose field() and
// text() say the same. Nothing is stored or shown before the builder returns, so either way
// the send field, the receive memo and RecvMode stay as they were.

inline constexpr char kFrameDelimiter = '#';

// True when `text` holds the frame delimiter '#'.
bool HoldsDelimiter(std::string_view text);

// A text field of a frame, in frame order.
enum class FrameField {
    CommandCode, // the command code of a slot command write
    HeaderByte1, // the three header bytes of a slot header write
    HeaderByte2,
    HeaderByte3,
};

// The field's name in words: "command code", "header byte 1" .. "header byte 3".
std::string_view FrameFieldName(FrameField field);
// The header byte field 1..3 (others throw std::out_of_range).
FrameField HeaderByteField(int byteNo);

// Raised by a frame builder given field text that holds '#'. what() is
// "<field name> holds the frame delimiter '#'"; field() and text() say which field and what
// it held, byte for byte.
class EFrameFieldError : public std::invalid_argument {
public:
    EFrameFieldError(FrameField field, std::string text);
    FrameField field() const { return field_; }
    const std::string& text() const { return text_; }

private:
    FrameField field_;
    std::string text_;
};

// ---- Field encodings ----

// number3: decimal with at least 3 digits, zero-padded, '-' ahead of the padding ("-005").
std::string Number3(int32_t value);
// number8: decimal with at least 8 digits, zero-padded, '-' ahead of the padding.
std::string Number8(int32_t value);
// count: the tens (length div 10) in decimal followed by the units digit: 0 -> "00",
// 8 -> "08", 16 -> "16", 120 -> "120".
std::string Count(size_t length);
// index: a drop-down's selected item index in decimal, -1 (no selection) as "-1".
std::string IndexText(int index);

// ---- System commands (all store RecvMode::ShowSystem except QueryFrame) ----

// Button24: "KORVAT#MOD:" index of ComboBox7 "#".
std::string ModeFrame(int modeIndex);

// Button9 / Button8 / Button10 / Button48: "KORVAT#BA" port ":" baud parity stop "#", each an
// index. `port` is 'Z' (main port), 'A', 'B' or 'C'; any other letter throws
// std::invalid_argument.
std::string PortFrame(char port, int baudIndex, int parityIndex, int stopIndex);

enum class TimeKey { OTM, RTM, ODM };
// "OTM", "RTM" or "ODM".
std::string_view TimeKeyName(TimeKey key);
// Button50 / Button51 / Button52: "KORVAT#" key ":" number3 "#".
std::string TimeFrame(TimeKey key, int32_t value);
// Same from the edit's text (converted by StrToInt; throws EConvertError). The caller stores
// RecvMode::ShowSystem before calling this: a timing write has stored it when its
// conversion fails.
std::string TimeFrameFromText(TimeKey key, std::string_view text);

// Button49: "PPPPPP#QX1#", stores RecvMode::QX1.
std::string QueryFrame();
// Button6: "PPPPPP#VAR#".
std::string VarFrame();

// Button53: "PPPPPP#PCBSN:" number8 "," number3 "#".
std::string PcbsnFrame(int32_t serial, int32_t tester);
// Same from the texts of PCBSN and JIANZHI (serial converted first; throws EConvertError).
std::string PcbsnFrameFromText(std::string_view serialText, std::string_view testerText);

// ---- Read-command slot commands, slots 1..9 ----
// A slot outside 1..9 throws std::out_of_range.

// Upper "query": "PPPPPP#COMR" nn "#", stores RecvMode::COMR.
std::string SlotCommandQuery(int slot);
// The one check of the tool: a slot's command text must have an even number of characters.
// When it fails the window shows "输入数据不能为单数" and sends nothing.
bool SlotCodeLengthOk(std::string_view code);
// Upper "set": "KORVAT#COMW" n ":" enable "," count code "#", stores RecvMode::ShowSlot.
// Precondition: SlotCodeLengthOk(code); an odd length throws std::invalid_argument. Then a
// code holding '#' throws EFrameFieldError (FrameField::CommandCode).
std::string SlotCommandWrite(int slot, int enableIndex, std::string_view code);
// Lower "query": "PPPPPP#COMP" nn "#", stores RecvMode::COMP.
std::string SlotHeaderQuery(int slot);
// Lower "set": "KORVAT#COMP" nn ":" b1 b2 b3 "#", stores RecvMode::ShowSlot. The first of
// b1, b2, b3 that holds '#' throws EFrameFieldError (FrameField::HeaderByte1..3).
std::string SlotHeaderWrite(int slot, std::string_view b1, std::string_view b2,
                            std::string_view b3);

// The message of the slot command write check (UTF-8); the window shows it translated in the
// context "SettingProblem".
inline constexpr std::string_view kOddLengthMessage =
    VQ830_TRANSLATE_NOOP("SettingProblem", "输入数据不能为单数");

// The four slot commands.
enum class SlotCommand { CommandQuery, CommandWrite, HeaderQuery, HeaderWrite };

// The RecvMode each slot command stores.
constexpr RecvMode RecvModeOf(SlotCommand command) {
    switch (command) {
    case SlotCommand::CommandQuery:
        return RecvMode::COMR;
    case SlotCommand::HeaderQuery:
        return RecvMode::COMP;
    case SlotCommand::CommandWrite:
    case SlotCommand::HeaderWrite:
        break;
    }
    return RecvMode::ShowSlot;
}
