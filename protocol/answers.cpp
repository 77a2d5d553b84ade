#include "protocol/answers.h"

#include <algorithm>

#include "protocol/replies.h"

namespace {

// The reply text as the window keeps it: the first 255 bytes.
std::string_view Kept(std::string_view answer) { return answer.substr(0, kMaxRecvText); }

// The slot a slot query asks for (1..9); 0 for other commands.
int AskedSlot(const Command& command) {
    const bool slotQuery = command.mode == RecvMode::COMR || command.mode == RecvMode::COMP;
    return slotQuery && !command.settings.empty() ? command.settings.front().index + 1 : 0;
}

int AnswerSlot(const Command& command, std::string_view text) {
    const size_t pos = FindSlotKey(text, command.mode == RecvMode::COMR ? "COMR0" : "COMP0");
    return pos == std::string_view::npos ? 0 : SlotOf(text, pos);
}

} // namespace

std::string_view OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Answered:
        return "answered";
    case Outcome::Refused:
        return "refused";
    case Outcome::Silent:
        return "silent";
    case Outcome::Incomplete:
        return "incomplete";
    case Outcome::OtherSlot:
        return "other slot";
    case Outcome::PortGone:
        return "port gone";
    case Outcome::NotSent:
        return "not sent";
    }
    return "?";
}

bool AnswerComplete(const Command& command, std::string_view answer) {
    if (!IsParsedMode(command.mode)) return false;
    const std::vector<SettingField> held = CompleteFields(command.mode, Kept(answer));
    return std::all_of(command.settings.begin(), command.settings.end(),
                       [&](SettingField f) { return HasField(held, f); });
}

Judgement JudgeAnswer(const Command& command, std::string_view answer) {
    Judgement j;
    if (answer.find(kRefusal) != std::string_view::npos) {
        j.outcome = Outcome::Refused;
        return j;
    }
    if (!IsParsedMode(command.mode)) return j;
    const std::string_view text = Kept(answer);
    const int asked = AskedSlot(command);
    if (asked != 0) {
        const int slot = AnswerSlot(command, text);
        if (slot != 0 && slot != asked) {
            j.outcome = Outcome::OtherSlot;
            j.answeredSlot = slot;
            return j;
        }
    }
    const std::optional<ParseResult> parsed = ParseReply(command.mode, text);
    const std::vector<SettingField> held = CompleteFields(command.mode, text);
    for (const SettingUpdate& update : parsed->updates)
        if (HasField(held, update.field) && HasField(command.settings, update.field))
            j.updates.push_back(update);
    for (const SettingField& field : command.settings)
        if (std::none_of(j.updates.begin(), j.updates.end(),
                         [&](const SettingUpdate& u) { return u.field == field; }))
            j.missing.push_back(field);
    j.badValue = parsed->errorText;
    if (!j.missing.empty() || j.badValue) j.outcome = Outcome::Incomplete;
    return j;
}

void ReadBack::Apply(const SettingUpdate& update) {
    ::Apply(settings, update);
    if (!Holds(update.field)) fields.push_back(update.field);
}

bool ReadBack::Holds(SettingField field) const { return HasField(fields, field); }

std::vector<Mismatch> Verify(const DeviceSettings& written, const std::vector<SettingField>& fields,
                             const ReadBack& read) {
    std::vector<Mismatch> mismatches;
    for (const SettingField& field : fields) {
        if (!read.Holds(field))
            mismatches.push_back({field, true});
        else if (!Differences(written, read.settings, {field}).empty())
            mismatches.push_back({field, false});
    }
    return mismatches;
}
