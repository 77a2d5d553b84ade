// How an answer is judged: when it is complete, what it says, and what a written setting
// that was read back proves. Plain functions over text; the exchange engine (session/) and
// every front end use these and nothing else.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/settings.h"

// How long a frame waits for the first byte of its answer (and the longest an answer may
// last), and how long the line must be quiet for an answer to end.
inline constexpr std::chrono::milliseconds kAnswerTime{2000};
inline constexpr std::chrono::milliseconds kAnswerGap{100};

// The device's refusal. No valid answer holds it: keys are letters followed by ':', codes
// and header bytes are hexadecimal digits.
inline constexpr std::string_view kRefusal = "ERR#";

// What became of one command.
enum class Outcome {
    Answered,   // a write's answer came and is no refusal; a query's holds every field it reads
    Refused,    // the answer holds the refusal
    Silent,     // no byte within the answer time
    Incomplete, // a query's answer lacks fields it must hold, or a value does not convert
    OtherSlot,  // a slot query answered for another slot than the one asked
    PortGone,   // the port hung up (adapter pulled, far end closed) while it was awaited
    NotSent,    // never sent: the run had ended before it (port gone, cancelled, a failed send)
};

// "answered", "refused", "silent", ... as the command line prints them.
std::string_view OutcomeName(Outcome outcome);

struct Judgement {
    Outcome outcome = Outcome::Answered;
    std::vector<SettingUpdate> updates;  // what the answer read (incomplete: the fields it held)
    std::vector<SettingField> missing;   // incomplete: the fields it lacks
    std::optional<std::string> badValue; // incomplete: the text that did not convert
    int answeredSlot = 0;                // other slot: the slot (1..9) the answer was for
    static Judgement Of(Outcome outcome) {
        Judgement j;
        j.outcome = outcome;
        return j;
    }
};

// True when a query's answer already holds every field the query reads, so it may end before
// the line goes quiet: the eight keys of the system read-back with their values, a slot
// command answer's enable, count and all 2*count code characters, a slot header answer's
// three bytes. Always false for writes (their answers end on the quiet gap).
bool AnswerComplete(const Command& command, std::string_view answer);

// The outcome of a command whose answer is `answer` (at least one byte).
Judgement JudgeAnswer(const Command& command, std::string_view answer);

// ---- Verification ---------------------------------------------------------------------

// What the answers read, setting by setting.
struct ReadBack {
    DeviceSettings settings;
    std::vector<SettingField> fields; // the settings read, in the order first read
    void Apply(const SettingUpdate& update);
    bool Holds(SettingField field) const;
};

struct Mismatch {
    SettingField field;
    bool notRead = false; // the setting was not read back at all
};

// The written settings among `fields` that were not verified: each one read back different,
// or not read back at all. A setting is verified only when it was read back and equal.
std::vector<Mismatch> Verify(const DeviceSettings& written, const std::vector<SettingField>& fields,
                             const ReadBack& read);
