#include "cli/commands.h"

#include "cli/console_text.h"
#include "cli/counter_file.h"
#include "cli/exit_status.h"
#include "config/settings_file.h"
#include "ports/port_names.h"
#include "protocol/replies.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

namespace {

void Print(const QString& text) { WriteText(stdout, text); }

QString Text(const std::string& bytes) { return QString::fromLatin1(bytes); }

QString Names(const std::vector<SettingField>& fields) {
    QStringList names;
    for (const SettingField& f : fields)
        names << Text(FieldName(f));
    return names.join(QStringLiteral(", "));
}

// What went wrong with one exchange, in words; empty when it was answered.
QString Problem(const TExchange& e) {
    const QString frame = Text(e.command.frame);
    const Judgement& j = e.judgement;
    switch (j.outcome) {
    case Outcome::Answered:
        return {};
    case Outcome::Refused:
        return QStringLiteral("the device refused %1: it answered '%2'")
            .arg(frame, Text(e.AnswerText()));
    case Outcome::Silent:
        return QStringLiteral("no answer to %1 within the time-out").arg(frame) +
               (e.late.empty() ? QString()
                               : QStringLiteral(" (a late answer '%1' was not taken)")
                                     .arg(Text(e.LateText())));
    case Outcome::Incomplete:
        if (j.badValue)
            return QStringLiteral("the answer to %1 could not be parsed: '%2' is not a valid "
                                  "integer value")
                .arg(frame, Text(*j.badValue));
        return QStringLiteral("the answer to %1 lacks %2").arg(frame, Names(j.missing));
    case Outcome::OtherSlot:
        return QStringLiteral("the answer to %1 is for slot %2").arg(frame).arg(j.answeredSlot);
    case Outcome::PortGone:
        return QStringLiteral("the device went away while %1 awaited its answer").arg(frame);
    case Outcome::NotSent:
        return QStringLiteral("%1 was not sent").arg(frame);
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
    if (!field || !HasField(ConfigFields(), *field) || field->kind == SettingKind::SlotHeader)
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
                        [&](SettingField f) { return HasField(fields, f); }))
            writes.push_back(write);
    return writes;
}

} // namespace

// Names every exchange that was not answered, on standard error; the exit status they earn.
int Judge(const std::vector<TExchange>& exchanges, const TReport& report) {
    const bool gone = std::any_of(exchanges.begin(), exchanges.end(), [](const TExchange& e) {
        return e.judgement.outcome == Outcome::PortGone;
    });
    int status = kExitOk;
    int unsent = 0;
    for (const TExchange& e : exchanges) {
        status = Worse(status, StatusOf(e.judgement.outcome, gone));
        if (e.judgement.outcome == Outcome::NotSent)
            ++unsent;
        else if (const QString problem = Problem(e); !problem.isEmpty())
            report.Error(problem);
    }
    if (unsent > 0)
        report.Error(gone ? QStringLiteral("the device went away: %1 frames not sent").arg(unsent)
                          : QStringLiteral("%1 frames not sent").arg(unsent));
    return status;
}

// Names the settings among `fields` that were not read back; exit status 1 when there are any.
static int NotRead(const ReadBack& read, const std::vector<SettingField>& fields,
                   const TReport& report) {
    std::vector<SettingField> missing;
    for (const SettingField& f : fields)
        if (!read.Holds(f)) missing.push_back(f);
    if (missing.empty()) return kExitOk;
    report.Error(QStringLiteral("not read back (%1): %2").arg(missing.size()).arg(Names(missing)));
    return kExitDiffers;
}

// Prints each written setting that was not verified as "field<TAB>expected<TAB>found".
int PrintMismatches(const DeviceSettings& written, const ReadBack& read, const TReport& report) {
    const std::vector<Mismatch> mismatches = Verify(written, ConfigFields(), read);
    for (const Mismatch& m : mismatches)
        Print(QStringLiteral("%1\t%2\t%3\n")
                  .arg(Text(FieldName(m.field)), Text(ValueText(written, m.field)),
                       m.notRead ? QStringLiteral("(not read)")
                                 : Text(ValueText(read.settings, m.field))));
    report.Progress(
        mismatches.empty()
            ? QStringLiteral("verified: all %1 settings equal").arg(ConfigFields().size())
            : QStringLiteral("verified: %1 settings not verified").arg(mismatches.size()));
    return mismatches.empty() ? kExitOk : kExitDiffers;
}

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
                Refuse(key, value, ProblemWords(*problem, TextLanguage::English));
            fields.push_back(f);
        }
    }
    return fields;
}

QString SettingsText(const DeviceSettings& s, const std::vector<SettingField>& read) {
    QString text;
    // A line only when the device gave every value on it.
    auto line = [&](const QString& key, const std::vector<SettingField>& fields,
                    const QString& value) {
        if (std::all_of(fields.begin(), fields.end(),
                        [&](SettingField f) { return HasField(read, f); }))
            text += key + QLatin1Char('=') + value + QLatin1Char('\n');
    };
    auto value = [&](SettingField f) { return Text(ValueText(s, f)); };
    line(QStringLiteral("mode"), {{SettingKind::WorkMode}}, value({SettingKind::WorkMode}));
    for (int p = 0; p < kPortCount; ++p) {
        const std::vector<SettingField> port{
            {SettingKind::Baud, p}, {SettingKind::Parity, p}, {SettingKind::Stop, p}};
        line(QChar(kPortLetters[size_t(p)]), port,
             QStringLiteral("%1,%2,%3").arg(value(port[0]), value(port[1]), value(port[2])));
    }
    for (int t = 0; t < kTimeCount; ++t)
        line(Text(FieldName({SettingKind::Time, t})), {{SettingKind::Time, t}},
             Text(s.times[size_t(t)]));
    for (int i = 0; i < kSlotCount; ++i) {
        const SlotConfig& slot = s.readSlots[size_t(i)];
        const QString n = QStringLiteral("slot%1.").arg(i + 1);
        line(n + "enable", {{SettingKind::SlotEnable, i}}, value({SettingKind::SlotEnable, i}));
        line(n + "command", {{SettingKind::SlotCommand, i}}, Text(slot.command));
        line(n + "header",
             {{SettingKind::SlotHeader, i, 0},
              {SettingKind::SlotHeader, i, 1},
              {SettingKind::SlotHeader, i, 2}},
             QStringLiteral("%1,%2,%3")
                 .arg(Text(slot.header[0]), Text(slot.header[1]), Text(slot.header[2])));
    }
    return text;
}

int RunRead(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    link.Open();
    const std::vector<TExchange> exchanges = link.Run(ConfigQueries());
    const ReadBack read = ReadBackOf(exchanges);
    const int judged = Judge(exchanges, report);
    const int status = Worse(judged, NotRead(read, ConfigFields(), report));
    if (!options.json) {
        Print(SettingsText(read.settings, read.fields));
        return status;
    }
    if (status != kExitOk) {
        report.Error(QStringLiteral("no JSON written: a file must hold only what the device gave"));
        return status;
    }
    try {
        Print(QString::fromUtf8(SettingsToJson(read.settings)));
    } catch (const ESettingsFileError& e) {
        throw EStop(kExitDiffers, "the device holds a value a configuration file cannot hold: " +
                                      EnglishMessage(e).toStdString());
    }
    return kExitOk;
}

DeviceSettings LoadConfiguration(const QString& path) {
    try {
        return LoadSettingsFile(path);
    } catch (const ESettingsFileError& e) {
        throw EBadValue(QStringLiteral("%1: %2").arg(path, EnglishMessage(e)).toStdString());
    }
}

int RunWrite(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    const DeviceSettings settings = LoadConfiguration(options.args[0]);
    link.Open();
    const std::vector<TExchange> exchanges =
        link.Run(options.noVerify ? ConfigWrites(settings) : ConfigWritesVerified(settings));
    const int status = Judge(exchanges, report);
    if (options.noVerify) return status;
    return Worse(status, PrintMismatches(settings, ReadBackOf(exchanges), report));
}

int RunSet(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    DeviceSettings settings;
    const std::vector<SettingField> fields = ApplyAssignments(options.args, settings);
    link.Open();
    // A slot's command write carries its enable too: the one not given is read first.
    for (int i = 0; i < kSlotCount; ++i) {
        const bool enable = HasField(fields, {SettingKind::SlotEnable, i});
        const bool command = HasField(fields, {SettingKind::SlotCommand, i});
        if (enable == command) continue;
        const std::vector<TExchange> current = link.Run({ConfigQueries()[size_t(1 + i)]});
        const SettingField other{enable ? SettingKind::SlotCommand : SettingKind::SlotEnable, i};
        const ReadBack read = ReadBackOf(current);
        const int judged = Judge(current, report);
        const int status = Worse(judged, NotRead(read, {other}, report));
        if (status != kExitOk) return status;
        if (enable)
            settings.readSlots[size_t(i)].command = read.settings.readSlots[size_t(i)].command;
        else
            settings.readSlots[size_t(i)].enable = read.settings.readSlots[size_t(i)].enable;
    }
    return Judge(link.Run(WritesFor(settings, fields)), report);
}

// Writes the board serial number; the exit status its answer earns.
int SendSerial(TDeviceLink& link, const QString& number, const TCliOptions& options,
               const TReport& report) {
    const std::string frame =
        PcbsnFrameFromText(number.toStdString(), options.tester.toStdString());
    return Judge(
        link.Run(
            {{frame, RecvMode::ShowSystem, {{SettingKind::BoardSerial}, {SettingKind::Tester}}}}),
        report);
}

void CheckNumber(const QString& key, const QString& value, int digits) {
    static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
    if (!number.match(value).hasMatch() || value.size() > digits)
        Refuse(key, value, QStringLiteral("is not a number of 1 to %1 digits").arg(digits));
}

int RunSerial(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    const auto check = CheckNumber;
    check(QStringLiteral("--tester"), options.tester, 3);
    if (options.nextFile.isEmpty()) {
        check(QStringLiteral("serial number"), options.args[0], 8);
        link.Open();
        const int status = SendSerial(link, options.args[0], options, report);
        if (status == kExitOk) Print(options.args[0] + QLatin1Char('\n'));
        return status;
    }
    TCounterFile counter(options.nextFile); // locked until it goes away
    const QString number = counter.Value();
    check(options.nextFile, number, 8);
    link.Open();
    const int status = SendSerial(link, number, options, report);
    if (status != kExitOk) return status; // the number stays for the next board
    counter.Store(QString::number(number.toLongLong() + 1));
    Print(number + QLatin1Char('\n'));
    return kExitOk;
}

int RunSend(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    const QByteArray frame = options.args[0].toLocal8Bit();
    link.Open();
    const std::vector<TExchange> exchanges =
        link.Run({{frame.toStdString(), RecvMode::ShowSystem, {}}});
    const std::string answer = exchanges.front().AnswerText();
    if (!answer.empty()) {
        std::fwrite(answer.data(), 1, answer.size(), stdout);
        std::fputc('\n', stdout);
    }
    return Judge(exchanges, report);
}

int RunPorts() {
    for (const DetectedPort& port : DetectedPorts())
        Print(QStringLiteral("%1\t%2\t%3\t%4\n")
                  .arg(port.Path, port.Description, port.SerialNumber, port.VidPid));
    return kExitOk;
}
