// The receive side: the text kept from a received batch and the parsers of the three parsed
// replies (system read-back QX1, slot command COMR, slot header COMP).
//
// The parsers are plain functions over the received text; they return what they read as
// updates to the device's settings. The window applies `updates` in order to its controls,
// then sets RecvMode to `recvModeAfter`, then, if `errorText` is set, raises the error box
// "'<errorText>' is not a valid integer value." through the application's error report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/recv_mode.h"
#include "protocol/settings.h"

// Received text keeps at most this many bytes of a batch.
inline constexpr size_t kMaxRecvText = 255;

// The text of one batch: its first 255 bytes (all of them when fewer), one character per byte.
// `data` may be null when `len` is 0.
std::string TakeBatch(const uint8_t* data, size_t len);

struct ParseResult {
    std::vector<SettingUpdate> updates;   // in the order they are to be applied
    std::optional<std::string> errorText; // set when a conversion failed: that field's text
    RecvMode recvModeAfter = RecvMode::Idle;
};

// Parses a reply to "PPPPPP#QX1#": keys "MOD:", "BAZ:", "BAA:", "BAB:", "BAC:", "OTM:",
// "RTM:", "ODM:", each searched from the start of the text, first occurrence only.
// recvModeAfter is always RecvMode::Idle.
ParseResult ParseQX1(std::string_view text);

// Parses a reply to "PPPPPP#COMRnn#": "COMR0" s ":" enable any count(2) any code(2*count).
// On a conversion error recvModeAfter stays RecvMode::COMR, otherwise it is RecvMode::Idle.
ParseResult ParseCOMR(std::string_view text);

// Parses a reply to "PPPPPP#COMPnn#": "COMP0" s ":" b1(2) b2(2) b3(2). Cannot fail;
// recvModeAfter is always RecvMode::Idle.
ParseResult ParseCOMP(std::string_view text);

// Where a slot answer's key lies: the first position at which the five characters `head`
// ("COMR0", "COMP0") lie at offsets 0..4 and ':' at offset 6, npos when there is none; and
// the slot of the digit at offset 5 (1..9), 0 when it is no slot number.
size_t FindSlotKey(std::string_view text, std::string_view head);
int SlotOf(std::string_view text, size_t keyPos);

// The fields of a parsed reply whose every character `text` holds, in parse order: for the
// QX1 reply each key's digits and a time's three characters, for the COMR reply the enable
// and, once the count converts, all 2*count code characters, for the COMP reply each two-
// character header byte. Conversion is not judged here (ParseReply does). Nothing for other
// modes.
std::vector<SettingField> CompleteFields(RecvMode mode, std::string_view text);

// The tick's dispatch: the parse for RecvMode QX1, COMR or COMP; nothing for any other mode.
std::optional<ParseResult> ParseReply(RecvMode mode, std::string_view text);
