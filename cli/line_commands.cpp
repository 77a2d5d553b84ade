#include "cli/line_commands.h"

#include "cli/commands.h"
#include "cli/console_text.h"
#include "cli/exit_status.h"
#include "config/settings_file.h"
#include "records/board_attempt.h"
#include "records/record_export.h"
#include "records/station_settings.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstdio>
#include <optional>

namespace {

// A station at work on the line: its database open and the numbers its dead processes left
// reserved settled, each said on standard error.
struct TStation {
    TStation(const TCliOptions& options, const TReport& report)
        : holder(THolder::Self(StationName(options))),
          operatorName(options.operatorName.isEmpty() ? TStationSettings::Load().operatorName
                                                      : options.operatorName),
          db(DbLocationFrom(options.db), QStringLiteral("vq830 %1").arg(holder.station)) {
        for (const TStaleSerial& s : TSerialPool(db).SettleStale(holder))
            report.Error(QStringLiteral("serial number %1 was left reserved by %2, which ended "
                                        "without settling it: voided (record %3 aborted)")
                             .arg(SerialText(s.serial), s.holder)
                             .arg(s.recordId));
    }
    static QString StationName(const TCliOptions& options) {
        const QString name =
            options.station.isEmpty() ? TStationSettings::Load().station : options.station;
        if (name.isEmpty())
            throw EBadValue("no station name: give --station NAME, or set station=NAME in "
                            "~/.config/vq830/vq830.conf");
        return name;
    }
    TBoardRecord Record(const TCliOptions& options, const QString& command) const {
        return NewStationRecord(holder.station, operatorName, command, options.port,
                                options.tester);
    }
    THolder holder;
    QString operatorName;
    TLineDb db;
};

// Completes the record; a record that cannot be written stops the station.
void Finish(TBoardAttempt& attempt, const QString& outcome, std::optional<Outcome> serialWrite,
            const QString& details = {}) {
    try {
        attempt.Finish(outcome, serialWrite, details);
    } catch (const EDbError& e) {
        throw EStop(kExitNoRecord,
                    QStringLiteral("the record of this board (record %1) could not be written: "
                                   "%2; stop here: do not go on to the next board until the "
                                   "line's database works")
                        .arg(attempt.Record().id)
                        .arg(e.text)
                        .toStdString());
    }
}

// Says what became of a number that was not written.
void ReportSettled(const TBoardAttempt& attempt, Outcome serialWrite, const TReport& report) {
    const SerialState state = SettledState(serialWrite);
    if (state == SerialState::Released)
        report.Error(QStringLiteral("serial number %1 released: it did not reach the board and "
                                    "will be handed out again")
                         .arg(SerialText(*attempt.Serial())));
    if (state == SerialState::Void)
        report.Error(QStringLiteral("serial number %1 voided: it may have reached the board and "
                                    "will not be handed out again")
                         .arg(SerialText(*attempt.Serial())));
}

// Takes the next number; a database failure completes the record as aborted first.
qint64 TakeSerial(TBoardAttempt& attempt) {
    try {
        return attempt.TakeSerial();
    } catch (const EDbError& e) {
        Finish(attempt, kAborted, std::nullopt, e.text);
        throw;
    }
}

// Takes the next number and writes it: the exit status, the number printed on success.
int NumberBoard(TDeviceLink& link, TBoardAttempt& attempt, std::vector<TExchange>& all,
                const TCliOptions& options, const TReport& report) {
    const qint64 serial = TakeSerial(attempt);
    const size_t before = all.size();
    const int status = SendSerial(link, SerialText(serial), options, report);
    const Outcome written = all.size() > before ? all[before].judgement.outcome : Outcome::NotSent;
    Finish(attempt, OutcomeOf(all, true), written);
    ReportSettled(attempt, written, report);
    if (status == kExitOk) std::printf("%s\n", qPrintable(SerialText(serial)));
    return status;
}

void Collect(TDeviceLink& link, TBoardAttempt& attempt, std::vector<TExchange>& all) {
    link.AfterRun = [&](const std::vector<TExchange>& exchanges) {
        all.insert(all.end(), exchanges.begin(), exchanges.end());
        attempt.AddFrames(exchanges);
    };
}

void ReportRetries(const TLineDb& db, const TReport& report) {
    if (db.Retries() > 0)
        report.Progress(QStringLiteral("the database connection dropped or a lock was not had in "
                                       "time: %1 transaction(s) redone")
                            .arg(db.Retries()));
}

QString SinceUtc(const QString& text) {
    if (text.isEmpty()) return {};
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid()) time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid())
        throw EBadValue(QStringLiteral("--since: '%1' is no time such as 2026-12-09 or "
                                       "2026-12-09T08:00:00 (UTC)")
                            .arg(text)
                            .toStdString());
    if (time.timeSpec() == Qt::LocalTime) time.setTimeSpec(Qt::UTC);
    return time.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace

int RunSerialFirst(const TCliOptions& options, const TReport& report) {
    TLineDb db(DbLocationFrom(options.db), QStringLiteral("vq830"));
    TSerialPool(db).SetFirst(options.first);
    report.Progress(QStringLiteral("the next serial number of the line %1 is %2")
                        .arg(db.Where().Shown(), SerialText(options.first)));
    return kExitOk;
}

int RunSerialNext(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    CheckNumber(QStringLiteral("--tester"), options.tester, 3);
    TStation station(options, report);
    link.Open();
    TBoardAttempt attempt(station.db, station.Record(options, QStringLiteral("serial --next")));
    std::vector<TExchange> all;
    Collect(link, attempt, all);
    const int status = NumberBoard(link, attempt, all, options, report);
    ReportRetries(station.db, report);
    return status;
}

int RunProgram(TDeviceLink& link, const TCliOptions& options, const TReport& report) {
    CheckNumber(QStringLiteral("--tester"), options.tester, 3);
    const DeviceSettings settings = LoadConfiguration(options.args[0]);
    TStation station(options, report);
    link.Open();
    TBoardRecord record = station.Record(options, QStringLiteral("program"));
    record.configName = QFileInfo(options.args[0]).fileName();
    record.configSha256 = SettingsSha256(settings);
    TBoardAttempt attempt(station.db, record);
    std::vector<TExchange> all;
    Collect(link, attempt, all);
    const std::vector<TExchange> exchanges = link.Run(ConfigWritesVerified(settings));
    const ReadBack read = ReadBackOf(exchanges);
    const std::vector<Mismatch> mismatches = Verify(settings, ConfigFields(), read);
    attempt.AddDifferences(settings, mismatches, read);
    const int status = Worse(Judge(exchanges, report), PrintMismatches(settings, read, report));
    if (status == kExitOk) {
        const int numbered = NumberBoard(link, attempt, all, options, report);
        ReportRetries(station.db, report);
        return numbered;
    }
    Finish(attempt, OutcomeOf(all, mismatches.empty()), std::nullopt,
           QStringLiteral("the configuration was not verified: no serial number was taken"));
    return status;
}

int RunRecords(const TCliOptions& options) {
    const TRecordFilter filter{
        SinceUtc(options.since), options.serialFilter, options.station, {}, 0};
    TLineDb db(DbLocationFrom(options.db), QStringLiteral("vq830 records"));
    const std::vector<TBoardRecord> records = TLineBook(db).Read(filter);
    if (options.json) {
        WriteUtf8(stdout, RecordsJsonLines(records));
    } else if (options.csv) {
        WriteUtf8(stdout, RecordsCsv(records));
    } else {
        for (const TBoardRecord& r : records)
            WriteText(stdout, RecordLine(r) + QLatin1Char('\n'));
    }
    return kExitOk;
}

int RunRecorded(TDeviceLink& link, const TCliOptions& options, const TReport& report,
                const std::function<int()>& command) {
    TStation station(options, report);
    TBoardRecord record = station.Record(options, options.command);
    std::optional<DeviceSettings> written;
    if (options.command == QLatin1String("write")) {
        try {
            written = LoadSettingsFile(options.args[0]);
            record.configSha256 = SettingsSha256(*written);
        } catch (const ESettingsFileError&) { // the command itself refuses it, naming why
        }
        record.configName = QFileInfo(options.args[0]).fileName();
    }
    std::optional<TBoardAttempt> attempt;
    std::vector<TExchange> all;
    link.BeforeFirstFrame = [&] {
        attempt.emplace(station.db, record);
        Collect(link, *attempt, all);
    };
    int status = kExitOk;
    try {
        status = command();
    } catch (...) {
        if (attempt) Finish(*attempt, kAborted, std::nullopt, QStringLiteral("stopped"));
        throw;
    }
    if (!attempt) return status;
    if (written && !options.noVerify) {
        const ReadBack read = ReadBackOf(all);
        attempt->AddDifferences(*written, Verify(*written, ConfigFields(), read), read);
    }
    if (options.command == QLatin1String("serial") && status == kExitOk)
        attempt->Edit().serialAfter =
            options.nextFile.isEmpty() ? SerialText(options.args[0].toLongLong()) : QString();
    // What "passed" rests on when nothing was read back: the answers alone.
    const bool readBack = options.command == QLatin1String("write") && !options.noVerify;
    Finish(*attempt, OutcomeOf(all, status == kExitOk), std::nullopt,
           readBack ? QString() : QStringLiteral("answered; not read back"));
    return status;
}
