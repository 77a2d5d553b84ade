// Everything a VQ830-A(B) holds, as one plain value: the work mode, the line settings of its
// four ports, the three times, the nine read-command slots, and the board's serial number with
// its tester. The reply parsers report what they read as updates to it; the frames of a
// setting are built from it; configurations compare, check and travel as it.
//
// Values are what the device's frames carry: a list setting is its item index (-1 for none,
// and a parse may set an index past a list's end), a text setting is 8-bit text, one byte per
// character, as typed or as received.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frames.h"
#include "protocol/recv_mode.h"

inline constexpr int kPortCount = 4; // main port Z, then ports A, B and C
inline constexpr int kTimeCount = 3; // OTM, RTM, ODM
inline constexpr int kSlotCount = 9;

// The port letters in model order, and the items of the line-setting lists.
inline constexpr std::array<char, kPortCount> kPortLetters{'Z', 'A', 'B', 'C'};
inline constexpr std::array<int, 8> kBaudRates{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr std::array<std::string_view, 3> kParityNames{"None", "Odd", "Even"};
inline constexpr std::array<int, 2> kStopBits{1, 2};
inline constexpr int kWorkModeCount = 3;
inline constexpr int kEnableCount = 2; // 0 off, 1 on

struct PortConfig {
    int baud = 3;   // index into kBaudRates: 9600
    int parity = 0; // index into kParityNames
    int stop = 0;   // index into kStopBits
    bool operator==(const PortConfig&) const = default;
};

struct SlotConfig {
    int enable = 1;
    std::string command = "0103000000044409"; // hexadecimal text, two characters a byte
    std::array<std::string, 3> header{"01", "03", "00"};
    bool operator==(const SlotConfig&) const = default;
};

struct DeviceSettings {
    int workMode = 0;
    std::array<PortConfig, kPortCount> ports{};
    std::array<std::string, kTimeCount> times{"10", "10", "10"}; // tenths of a second, as text
    std::array<SlotConfig, kSlotCount> readSlots{};
    std::string boardSerial = "00000000";
    std::string tester = "001";
    bool operator==(const DeviceSettings&) const = default;
};

// ---- Fields ----

enum class SettingKind {
    WorkMode,
    Baud,
    Parity,
    Stop,
    Time,
    SlotEnable,
    SlotCommand,
    SlotHeader,
    BoardSerial,
    Tester,
};

// One setting: its kind, and which port (0..3), time (0..2) or slot (0..8) it belongs to; for
// a header byte also which byte (0..2).
struct SettingField {
    SettingKind kind = SettingKind::WorkMode;
    int index = 0;
    int byte = 0;
    bool operator==(const SettingField&) const = default;
};

// True for the list settings (work mode, baud, parity, stop bits, slot enable): they hold an
// index; the others hold text.
bool IsListField(SettingField field);
// True when `fields` holds `field`.
bool HasField(const std::vector<SettingField>& fields, SettingField field);
// Every field in model order; ConfigFields() leaves out the board serial number and tester,
// which belong to one board and one person: it is what a configuration holds.
const std::vector<SettingField>& AllFields();
const std::vector<SettingField>& ConfigFields();
// A short name: "mode", "Z.baud", "A.parity", "C.stop", "OTM", "slot3.enable",
// "slot3.command", "slot3.header2", "serial", "tester".
std::string FieldName(SettingField field);
// The field of a name FieldName gives; nothing for any other text.
std::optional<SettingField> FieldNamed(std::string_view name);

// The value of a list field (IndexOf) or a text field (TextOf); asking a field of the other
// sort throws std::invalid_argument.
int IndexOf(const DeviceSettings& settings, SettingField field);
const std::string& TextOf(const DeviceSettings& settings, SettingField field);
void SetIndex(DeviceSettings& settings, SettingField field, int index);
void SetText(DeviceSettings& settings, SettingField field, std::string text);
// A value as a person reads it: a list item's text ("9600", "Even", "2", "1"), "(none)" for -1
// and "#n" past a list's end; a text as it is.
std::string ValueText(const DeviceSettings& settings, SettingField field);

// ---- Updates read from the device ----

struct SettingUpdate {
    SettingField field;
    int index = 0;    // list fields: the item to select (may lie past the list's end)
    std::string text; // text fields: the new text, 8-bit bytes as received
};

void Apply(DeviceSettings& settings, const SettingUpdate& update);

// ---- Checks ----

enum class SettingProblem {
    NotInList,      // a list setting with no item selected, or one past the list
    BadTime,        // a time that is not one to three decimal digits
    OddLength,      // a slot command of odd length
    NotHex,         // a slot command or header byte holding a character other than 0-9 A-F a-f
    BadHeaderLength // a header byte that is not two characters
};

enum class TextLanguage { Chinese, English };

// What is wrong, in words (UTF-8), as the window ("不在列表中") and the command line ("is not one
// of the values the device takes") say it. The Chinese words are the sources of the window's
// translation (context "SettingProblem"), each a NUL-terminated literal.
std::string_view ProblemText(SettingProblem problem, TextLanguage language);

struct SettingError {
    SettingField field;
    std::string value; // as held
    SettingProblem problem;
};

// What is wrong with one setting's value, if anything (the board serial number and tester are
// not checked here).
std::optional<SettingProblem> CheckSetting(const DeviceSettings& settings, SettingField field);
// The first field of ConfigFields() whose value the device cannot take, in model order.
std::optional<SettingError> CheckConfig(const DeviceSettings& settings);

// The fields among `fields` whose values differ. Times compare as the device answers them
// (three digits: "7" and "007" are equal); everything else compares as held.
std::vector<SettingField> Differences(const DeviceSettings& written, const DeviceSettings& read,
                                      const std::vector<SettingField>& fields);

// ---- Frames built from the model ----

// The write of one group of settings: the work mode; port p (0..3: Z, A, B, C); time t (0..2:
// OTM, RTM, ODM); slot i's command with its enable, or its three header bytes (i 0..8); the
// board serial number with the tester. Each throws as its frame builder does.
std::string WriteMode(const DeviceSettings& settings);
std::string WritePort(const DeviceSettings& settings, int port);
std::string WriteTime(const DeviceSettings& settings, int time);
std::string WriteSlotCommand(const DeviceSettings& settings, int slot);
std::string WriteSlotHeader(const DeviceSettings& settings, int slot);
std::string WriteSerial(const DeviceSettings& settings);

struct Command {
    std::string frame;
    RecvMode mode;                      // the reply expected
    std::vector<SettingField> settings; // what a write sets or a query reads
};

// The writes of a configuration, one frame each, in the order they go out: the work mode,
// ports Z, A, B, C, OTM, RTM, ODM, then for slots 1..9 the command and the header. Throws as
// the builders do (EConvertError for a time that is no number, std::invalid_argument for an
// odd command, EFrameFieldError for '#' in a field); CheckConfig first avoids all of them.
std::vector<Command> ConfigWrites(const DeviceSettings& settings);
// The writes of a configuration followed by the queries that read it all back: what a verified
// write sends.
std::vector<Command> ConfigWritesVerified(const DeviceSettings& settings);
// The queries that read a configuration back: "PPPPPP#QX1#", the nine slot command queries,
// then the nine slot header queries.
std::vector<Command> ConfigQueries();
