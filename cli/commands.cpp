#include "cli/commands.h"

#include "cli/counter_file.h"
#include "config/settings_file.h"
#include "ports/port_names.h"
#include "protocol/replies.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

namespace {

void Print(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

QString Text(const std::string& bytes) { return QString::fromLatin1(bytes); }

std::string AskOrStop(TDeviceLink& link, const std::string& frame) {
    const std::optional<std::string> answer = link.Ask(frame);
    if (!answer) throw EStop(kExitNoAnswer, "no answer to " + frame + " within the time-out");
    return *answer;
}

bool Contains(const std::vector<SettingField>& fields, SettingField field) {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}

struct TReadBack {
    DeviceSettings settings;
    std::vector<SettingField> seen;
};

// Sends each query and parses its answer as the window does.
TReadBack Query(TDeviceLink& link, const std::vector<Command>& queries, const TReport& report) {
    TReadBack read;
    for (const Command& query : queries) {
        const std::string answer = AskOrStop(link, query.frame);
        const std::optional<ParseResult> parsed = ParseReply(
            query.mode, TakeBatch(reinterpret_cast<const uint8_t*>(answer.data()), answer.size()));
        if (parsed && parsed->errorText)
            throw EStop(kExitDiffers, "the answer to " + query.frame + " could not be parsed: '" +
                                          *parsed->errorText + "' is not a valid integer value");
        for (const SettingUpdate& update :
             parsed ? parsed->updates : std::vector<SettingUpdate>{}) {
            Apply(read.settings, update);
            if (!Contains(read.seen, update.field)) read.seen.push_back(update.field);
        }
        report.Progress(Text(query.frame) + QStringLiteral(" -> ") + Text(answer));
    }
    return read;
}

void Send(TDeviceLink& link, const std::vector<Command>& writes, const TReport& report) {
    for (const Command& write : writes)
        report.Progress(Text(write.frame) + QStringLiteral(" -> ") +
                        Text(AskOrStop(link, write.frame)));
}

// Reads back what `fields` of `written` went to and prints each difference as
// "field<TAB>expected<TAB>found"; a setting the answers did not hold counts as one.
int Verify(TDeviceLink& link, const DeviceSettings& written,
           const std::vector<SettingField>& fields, const TReport& report) {
    const TReadBack read = Query(link, ConfigQueries(), report);
    int differences = 0;
    for (const SettingField& field : fields) {
        const bool seen = Contains(read.seen, field);
        if (seen && Differences(written, read.settings, {field}).empty()) continue;
        ++differences;
        Print(
            QStringLiteral("%1\t%2\t%3\n")
                .arg(Text(FieldName(field)), Text(ValueText(written, field)),
                     seen ? Text(ValueText(read.settings, field)) : QStringLiteral("(not read)")));
    }
    report.Progress(differences == 0
                        ? QStringLiteral("verified: all %1 settings equal").arg(fields.size())
                        : QStringLiteral("verified: %1 settings differ").arg(differences));
    return differences == 0 ? kExitOk : kExitDiffers;
}

QString ProblemText(SettingProblem problem) {
    switch (problem) {
    case SettingProblem::NotInList:
        return QStringLiteral("is not one of the values the device takes");
    case SettingProblem::BadTime:
        return QStringLiteral("is not one to three decimal digits");
    case SettingProblem::OddLength:
        return QStringLiteral("has an odd number of characters");
    case SettingProblem::NotHex:
        return QStringLiteral("holds a character that is no hexadecimal digit");
    case SettingProblem::BadHeaderLength:
        return QStringLiteral("is not two hexadecimal digits");
    }
    return {};
}

[[noreturn]] void Refuse(const QString& key, const QString& value, const QString& why) {
    throw EBadValue(QStringLiteral("%1: '%2' %3").arg(key, value, why).toStdString());
}

// The item index of the number `text` in a list of numbers, or -1.
template <typename List> int IndexOfNumber(const List& list, const QString& text) {
    for (size_t i = 0; i < list.size(); ++i)
        if (QString::number(list[i]) == text) return int(i);
    return -1;
}

int ParityIndex(const QString& text) {
    for (size_t i = 0; i < kParityNames.size(); ++i)
        if (text.compare(QLatin1String(kParityNames[i].data(), qsizetype(kParityNames[i].size())),
                         Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// One KEY=VALUE over the settings; the fields it sets.
std::vector<SettingField> ApplyOne(const QString& key, const QString& value, DeviceSettings& s) {
    const QStringList parts = value.split(QLatin1Char(','));
    const int port = QStringLiteral("ZABC").indexOf(key);
    if (key.size() == 1 && port >= 0) {
        if (parts.size() != 3) Refuse(key, value, "is not BAUD,PARITY,STOP");
        s.ports[size_t(port)] = {IndexOfNumber(kBaudRates, parts[0]), ParityIndex(parts[1]),
                                 IndexOfNumber(kStopBits, parts[2])};
        return {{SettingKind::Baud, port}, {SettingKind::Parity, port}, {SettingKind::Stop, port}};
    }
    if (key.startsWith("slot") && key.endsWith(".header")) {
        const std::optional<SettingField> first = FieldNamed(key.toStdString() + "1");
        if (!first) Refuse(key, value, "is no setting");
        if (parts.size() != 3) Refuse(key, value, "is not three header bytes B1,B2,B3");
        std::vector<SettingField> fields;
        for (int b = 0; b < 3; ++b) {
            fields.push_back({SettingKind::SlotHeader, first->index, b});
            SetText(s, fields.back(), parts[b].toLatin1().toStdString());
        }
        return fields;
    }
    const std::optional<SettingField> field = FieldNamed(key.toStdString());
    if (!field || !Contains(ConfigFields(), *field) || field->kind == SettingKind::SlotHeader)
        Refuse(key, value, "is no setting");
    if (!IsListField(*field)) {
        SetText(s, *field, value.toLatin1().toStdString());
        return {*field};
    }
    bool ok = false;
    const int index = value.toInt(&ok);
    SetIndex(s, *field, ok && value == QString::number(index) ? index : -1);
    return {*field};
}

std::vector<Command> WritesFor(const DeviceSettings& settings,
                               const std::vector<SettingField>& fields) {
    std::vector<Command> writes;
    for (const Command& write : ConfigWrites(settings))
        if (std::any_of(write.settings.begin(), write.settings.end(),
                        [&](SettingField f) { return Contains(fields, f); }))
            writes.push_back(write);
    return writes;
}

} // namespace

std::vector<SettingField> ApplyAssignments(const QStringList& assignments,
                                           DeviceSettings& settings) {
    std::vector<SettingField> fields;
    for (const QString& assignment : assignments) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0) Refuse(assignment, {}, "is not KEY=VALUE");
        const QString key = assignment.left(eq);
        const QString value = assignment.mid(eq + 1);
        for (const SettingField& f : ApplyOne(key, value, settings)) {
            if (const std::optional<SettingProblem> problem = CheckSetting(settings, f))
                Refuse(key, value, ProblemText(*problem));
            fields.push_back(f);
        }
    }
    return fields;
}

QString SettingsText(const DeviceSettings& s) {
    QString text = QStringLiteral("mode=%1\n").arg(Text(ValueText(s, {SettingKind::WorkMode})));
    for (int p = 0; p < kPortCount; ++p)
        text += QStringLiteral("%1=%2,%3,%4\n")
                    .arg(QChar(kPortLetters[size_t(p)]))
                    .arg(Text(ValueText(s, {SettingKind::Baud, p})),
                         Text(ValueText(s, {SettingKind::Parity, p})),
                         Text(ValueText(s, {SettingKind::Stop, p})));
    for (int t = 0; t < kTimeCount; ++t)
        text += QStringLiteral("%1=%2\n").arg(Text(FieldName({SettingKind::Time, t})),
                                              Text(s.times[size_t(t)]));
    for (int i = 0; i < kSlotCount; ++i) {
        const SlotConfig& slot = s.readSlots[size_t(i)];
        text += QStringLiteral("slot%1.enable=%2\nslot%1.command=%3\nslot%1.header=%4,%5,%6\n")
                    .arg(i + 1)
                    .arg(Text(ValueText(s, {SettingKind::SlotEnable, i})), Text(slot.command),
                         Text(slot.header[0]), Text(slot.header[1]), Text(slot.header[2]));
    }
    return text;
}

int RunRead(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    link.Open();
    const TReadBack read = Query(link, ConfigQueries(), report);
    if (!options.json) {
        Print(SettingsText(read.settings));
        return kExitOk;
    }
    try {
        Print(QString::fromUtf8(SettingsToJson(read.settings)));
    } catch (const ESettingsFileError& e) {
        throw EStop(kExitDiffers, "the device holds a value a configuration file cannot hold: " +
                                      EnglishMessage(e).toStdString());
    }
    return kExitOk;
}

int RunWrite(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    DeviceSettings settings;
    try {
        settings = LoadSettingsFile(options.args[0]);
    } catch (const ESettingsFileError& e) {
        throw EBadValue(
            QStringLiteral("%1: %2").arg(options.args[0], EnglishMessage(e)).toStdString());
    }
    link.Open();
    Send(link, ConfigWrites(settings), report);
    if (options.noVerify) return kExitOk;
    return Verify(link, settings, ConfigFields(), report);
}

int RunSet(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    DeviceSettings settings;
    const std::vector<SettingField> fields = ApplyAssignments(options.args, settings);
    link.Open();
    // A slot's command write carries its enable too: the one not given is read first.
    for (int i = 0; i < kSlotCount; ++i) {
        const bool enable = Contains(fields, {SettingKind::SlotEnable, i});
        const bool command = Contains(fields, {SettingKind::SlotCommand, i});
        if (enable == command) continue;
        const TReadBack current = Query(link, {ConfigQueries()[size_t(1 + i)]}, report);
        const SettingField other{enable ? SettingKind::SlotCommand : SettingKind::SlotEnable, i};
        if (!Contains(current.seen, other))
            throw EStop(kExitDiffers, "the answer to " + ConfigQueries()[size_t(1 + i)].frame +
                                          " did not hold " + FieldName(other));
        if (enable)
            settings.readSlots[size_t(i)].command = current.settings.readSlots[size_t(i)].command;
        else
            settings.readSlots[size_t(i)].enable = current.settings.readSlots[size_t(i)].enable;
    }
    Send(link, WritesFor(settings, fields), report);
    return kExitOk;
}

int RunSerial(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    auto check = [](const QString& key, const QString& value, int digits) {
        static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
        if (!number.match(value).hasMatch() || value.size() > digits)
            Refuse(key, value, QStringLiteral("is not a number of 1 to %1 digits").arg(digits));
    };
    check(QStringLiteral("--tester"), options.tester, 3);
    if (options.nextFile.isEmpty()) {
        check(QStringLiteral("serial number"), options.args[0], 8);
        link.Open();
        const std::string frame =
            PcbsnFrameFromText(options.args[0].toStdString(), options.tester.toStdString());
        report.Progress(Text(frame) + QStringLiteral(" -> ") + Text(AskOrStop(link, frame)));
        Print(options.args[0] + QLatin1Char('\n'));
        return kExitOk;
    }
    TCounterFile counter(options.nextFile); // locked until it goes away
    const QString number = counter.Value();
    check(options.nextFile, number, 8);
    link.Open();
    const std::string frame =
        PcbsnFrameFromText(number.toStdString(), options.tester.toStdString());
    report.Progress(Text(frame) + QStringLiteral(" -> ") + Text(AskOrStop(link, frame)));
    counter.Store(QString::number(number.toLongLong() + 1));
    Print(number + QLatin1Char('\n'));
    return kExitOk;
}

int RunSend(TDeviceLink& link, const TCliOptions& options, const TReport& /*report*/) {
    const QByteArray frame = options.args[0].toLocal8Bit();
    link.Open();
    const std::string answer = AskOrStop(link, frame.toStdString());
    std::fwrite(answer.data(), 1, answer.size(), stdout);
    std::fputc('\n', stdout);
    return kExitOk;
}

int RunPorts() {
    for (const DetectedPort& port : DetectedPorts())
        Print(QStringLiteral("%1\t%2\t%3\t%4\n")
                  .arg(port.Path, port.Description, port.SerialNumber, port.VidPid));
    return kExitOk;
}
