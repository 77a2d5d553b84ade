#include "protocol/settings.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "protocol/int_conv.h"

namespace {

constexpr std::array<TimeKey, kTimeCount> kTimeKeys{TimeKey::OTM, TimeKey::RTM, TimeKey::ODM};

std::vector<SettingField> MakeFields(bool withBoard) {
    std::vector<SettingField> fields{{SettingKind::WorkMode}};
    for (int p = 0; p < kPortCount; ++p)
        for (SettingKind kind : {SettingKind::Baud, SettingKind::Parity, SettingKind::Stop})
            fields.push_back({kind, p});
    for (int t = 0; t < kTimeCount; ++t)
        fields.push_back({SettingKind::Time, t});
    for (int s = 0; s < kSlotCount; ++s) {
        fields.push_back({SettingKind::SlotEnable, s});
        fields.push_back({SettingKind::SlotCommand, s});
        for (int b = 0; b < 3; ++b)
            fields.push_back({SettingKind::SlotHeader, s, b});
    }
    if (withBoard) {
        fields.push_back({SettingKind::BoardSerial});
        fields.push_back({SettingKind::Tester});
    }
    return fields;
}

// The number of items of a list field.
int ListSize(SettingKind kind) {
    switch (kind) {
    case SettingKind::WorkMode:
        return kWorkModeCount;
    case SettingKind::Baud:
        return int(kBaudRates.size());
    case SettingKind::Parity:
        return int(kParityNames.size());
    case SettingKind::Stop:
        return int(kStopBits.size());
    case SettingKind::SlotEnable:
        return kEnableCount;
    default:
        throw std::invalid_argument("not a list setting");
    }
}

// The member behind a list field, const or not as `s` is.
template <typename Settings> auto IndexSlot(Settings& s, SettingField f) -> decltype(&s.workMode) {
    switch (f.kind) {
    case SettingKind::WorkMode:
        return &s.workMode;
    case SettingKind::Baud:
        return &s.ports.at(size_t(f.index)).baud;
    case SettingKind::Parity:
        return &s.ports.at(size_t(f.index)).parity;
    case SettingKind::Stop:
        return &s.ports.at(size_t(f.index)).stop;
    case SettingKind::SlotEnable:
        return &s.readSlots.at(size_t(f.index)).enable;
    default:
        throw std::invalid_argument("not a list setting");
    }
}

template <typename Settings> auto TextSlot(Settings& s, SettingField f) -> decltype(&s.tester) {
    switch (f.kind) {
    case SettingKind::Time:
        return &s.times.at(size_t(f.index));
    case SettingKind::SlotCommand:
        return &s.readSlots.at(size_t(f.index)).command;
    case SettingKind::SlotHeader:
        return &s.readSlots.at(size_t(f.index)).header.at(size_t(f.byte));
    case SettingKind::BoardSerial:
        return &s.boardSerial;
    case SettingKind::Tester:
        return &s.tester;
    default:
        throw std::invalid_argument("not a text setting");
    }
}

bool IsHexText(std::string_view text) {
    for (const char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex) return false;
    }
    return true;
}

bool IsTimeText(std::string_view text) {
    if (text.empty() || text.size() > 3) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

std::optional<SettingProblem> CheckSetting(const DeviceSettings& s, SettingField f) {
    if (IsListField(f)) {
        const int index = IndexOf(s, f);
        if (index < 0 || index >= ListSize(f.kind)) return SettingProblem::NotInList;
        return std::nullopt;
    }
    const std::string& text = TextOf(s, f);
    switch (f.kind) {
    case SettingKind::Time:
        if (!IsTimeText(text)) return SettingProblem::BadTime;
        break;
    case SettingKind::SlotCommand:
        if (!SlotCodeLengthOk(text)) return SettingProblem::OddLength;
        if (!IsHexText(text)) return SettingProblem::NotHex;
        break;
    case SettingKind::SlotHeader:
        if (text.size() != 2) return SettingProblem::BadHeaderLength;
        if (!IsHexText(text)) return SettingProblem::NotHex;
        break;
    default:
        break;
    }
    return std::nullopt;
}

namespace {

// A time as the device answers it: three digits where the text is a number.
std::string AnsweredTime(const std::string& text) {
    int32_t value = 0;
    return TryStrToInt(text, value) ? Number3(value) : text;
}

std::vector<SettingField> PortFields(int p) {
    return {{SettingKind::Baud, p}, {SettingKind::Parity, p}, {SettingKind::Stop, p}};
}

std::vector<SettingField> HeaderFields(int s) {
    return {{SettingKind::SlotHeader, s, 0},
            {SettingKind::SlotHeader, s, 1},
            {SettingKind::SlotHeader, s, 2}};
}

} // namespace

bool IsListField(SettingField field) {
    switch (field.kind) {
    case SettingKind::WorkMode:
    case SettingKind::Baud:
    case SettingKind::Parity:
    case SettingKind::Stop:
    case SettingKind::SlotEnable:
        return true;
    default:
        return false;
    }
}

const std::vector<SettingField>& AllFields() {
    static const std::vector<SettingField> fields = MakeFields(true);
    return fields;
}

const std::vector<SettingField>& ConfigFields() {
    static const std::vector<SettingField> fields = MakeFields(false);
    return fields;
}

std::string FieldName(SettingField f) {
    const std::string slot = "slot" + std::to_string(f.index + 1);
    auto port = [&] { return std::string(1, kPortLetters.at(size_t(f.index))); };
    switch (f.kind) {
    case SettingKind::WorkMode:
        return "mode";
    case SettingKind::Baud:
        return port() + ".baud";
    case SettingKind::Parity:
        return port() + ".parity";
    case SettingKind::Stop:
        return port() + ".stop";
    case SettingKind::Time:
        return std::string(TimeKeyName(kTimeKeys.at(size_t(f.index))));
    case SettingKind::SlotEnable:
        return slot + ".enable";
    case SettingKind::SlotCommand:
        return slot + ".command";
    case SettingKind::SlotHeader:
        return slot + ".header" + std::to_string(f.byte + 1);
    case SettingKind::BoardSerial:
        return "serial";
    case SettingKind::Tester:
        return "tester";
    }
    throw std::invalid_argument("unknown setting");
}

std::optional<SettingField> FieldNamed(std::string_view name) {
    for (const SettingField& f : AllFields())
        if (FieldName(f) == name) return f;
    return std::nullopt;
}

int IndexOf(const DeviceSettings& settings, SettingField field) {
    return *IndexSlot(settings, field);
}

const std::string& TextOf(const DeviceSettings& settings, SettingField field) {
    return *TextSlot(settings, field);
}

void SetIndex(DeviceSettings& settings, SettingField field, int index) {
    *IndexSlot(settings, field) = index;
}

void SetText(DeviceSettings& settings, SettingField field, std::string text) {
    *TextSlot(settings, field) = std::move(text);
}

std::string ValueText(const DeviceSettings& settings, SettingField field) {
    if (!IsListField(field)) return TextOf(settings, field);
    const int index = IndexOf(settings, field);
    if (index < 0) return "(none)";
    if (index >= ListSize(field.kind)) return "#" + std::to_string(index);
    switch (field.kind) {
    case SettingKind::Baud:
        return std::to_string(kBaudRates[size_t(index)]);
    case SettingKind::Parity:
        return std::string(kParityNames[size_t(index)]);
    case SettingKind::Stop:
        return std::to_string(kStopBits[size_t(index)]);
    default:
        return std::to_string(index);
    }
}

void Apply(DeviceSettings& settings, const SettingUpdate& update) {
    if (IsListField(update.field))
        SetIndex(settings, update.field, update.index);
    else
        SetText(settings, update.field, update.text);
}

std::optional<SettingError> CheckConfig(const DeviceSettings& settings) {
    for (const SettingField& f : ConfigFields()) {
        if (const std::optional<SettingProblem> problem = CheckSetting(settings, f))
            return SettingError{
                f, IsListField(f) ? std::to_string(IndexOf(settings, f)) : TextOf(settings, f),
                *problem};
    }
    return std::nullopt;
}

std::string_view ProblemText(SettingProblem problem, TextLanguage language) {
    const bool zh = language == TextLanguage::Chinese;
    switch (problem) {
    case SettingProblem::NotInList:
        return zh ? VQ830_TRANSLATE_NOOP("SettingProblem", "不在列表中")
                  : "is not one of the values the device takes";
    case SettingProblem::BadTime:
        return zh ? VQ830_TRANSLATE_NOOP("SettingProblem", "不是 1 到 3 位数字")
                  : "is not one to three decimal digits";
    case SettingProblem::OddLength:
        return zh ? kOddLengthMessage : "has an odd number of characters";
    case SettingProblem::NotHex:
        return zh ? VQ830_TRANSLATE_NOOP("SettingProblem", "含有十六进制数字以外的字符")
                  : "holds a character that is no hexadecimal digit";
    case SettingProblem::BadHeaderLength:
        return zh ? VQ830_TRANSLATE_NOOP("SettingProblem", "应为两位十六进制数")
                  : "is not two hexadecimal digits";
    }
    return {};
}

std::vector<SettingField> Differences(const DeviceSettings& written, const DeviceSettings& read,
                                      const std::vector<SettingField>& fields) {
    std::vector<SettingField> differ;
    for (const SettingField& f : fields) {
        bool same = false;
        if (IsListField(f))
            same = IndexOf(written, f) == IndexOf(read, f);
        else if (f.kind == SettingKind::Time)
            same = AnsweredTime(TextOf(written, f)) == AnsweredTime(TextOf(read, f));
        else
            same = TextOf(written, f) == TextOf(read, f);
        if (!same) differ.push_back(f);
    }
    return differ;
}

std::string WriteMode(const DeviceSettings& s) { return ModeFrame(s.workMode); }

std::string WritePort(const DeviceSettings& s, int port) {
    const PortConfig& p = s.ports.at(size_t(port));
    return PortFrame(kPortLetters[size_t(port)], p.baud, p.parity, p.stop);
}

std::string WriteTime(const DeviceSettings& s, int time) {
    return TimeFrameFromText(kTimeKeys.at(size_t(time)), s.times[size_t(time)]);
}

std::string WriteSlotCommand(const DeviceSettings& s, int slot) {
    const SlotConfig& c = s.readSlots.at(size_t(slot));
    return SlotCommandWrite(slot + 1, c.enable, c.command);
}

std::string WriteSlotHeader(const DeviceSettings& s, int slot) {
    const SlotConfig& c = s.readSlots.at(size_t(slot));
    return SlotHeaderWrite(slot + 1, c.header[0], c.header[1], c.header[2]);
}

std::string WriteSerial(const DeviceSettings& s) {
    return PcbsnFrameFromText(s.boardSerial, s.tester);
}

std::vector<Command> ConfigWrites(const DeviceSettings& s) {
    std::vector<Command> writes;
    writes.push_back({WriteMode(s), RecvMode::ShowSystem, {{SettingKind::WorkMode}}});
    for (int p = 0; p < kPortCount; ++p)
        writes.push_back({WritePort(s, p), RecvMode::ShowSystem, PortFields(p)});
    for (int t = 0; t < kTimeCount; ++t)
        writes.push_back({WriteTime(s, t), RecvMode::ShowSystem, {{SettingKind::Time, t}}});
    for (int i = 0; i < kSlotCount; ++i) {
        writes.push_back({WriteSlotCommand(s, i),
                          RecvMode::ShowSlot,
                          {{SettingKind::SlotEnable, i}, {SettingKind::SlotCommand, i}}});
        writes.push_back({WriteSlotHeader(s, i), RecvMode::ShowSlot, HeaderFields(i)});
    }
    return writes;
}

std::vector<Command> ConfigWritesVerified(const DeviceSettings& settings) {
    std::vector<Command> commands = ConfigWrites(settings);
    for (Command& query : ConfigQueries())
        commands.push_back(std::move(query));
    return commands;
}

std::vector<Command> ConfigQueries() {
    std::vector<Command> queries;
    std::vector<SettingField> system;
    for (const SettingField& f : ConfigFields())
        if (f.kind != SettingKind::SlotEnable && f.kind != SettingKind::SlotCommand &&
            f.kind != SettingKind::SlotHeader)
            system.push_back(f);
    queries.push_back({QueryFrame(), RecvMode::QX1, system});
    for (int i = 0; i < kSlotCount; ++i)
        queries.push_back({SlotCommandQuery(i + 1),
                           RecvMode::COMR,
                           {{SettingKind::SlotEnable, i}, {SettingKind::SlotCommand, i}}});
    for (int i = 0; i < kSlotCount; ++i)
        queries.push_back({SlotHeaderQuery(i + 1), RecvMode::COMP, HeaderFields(i)});
    return queries;
}

bool HasField(const std::vector<SettingField>& fields, SettingField field) {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}
