// One attempt at a board as the line records it: the record started before the first frame,
// the frames and the settings not verified added as they are judged, a serial number taken
// from the line when the attempt numbers the board, and at the end the number settled by what
// became of its write and the record completed, in one transaction. Both front ends drive it.
#pragma once

#include "protocol/answers.h"
#include "records/board_record.h"
#include "records/serial_pool.h"
#include "session/exchange_run.h"

#include <optional>
#include <vector>

class TBoardAttempt {
public:
    // Writes the started record. Throws EDbError: then nothing may be sent to the board.
    TBoardAttempt(TLineDb& db, TBoardRecord record);

    // The frames of a run, as judged.
    void AddFrames(const std::vector<TExchange>& exchanges);
    // The written settings that were not verified.
    void AddDifferences(const DeviceSettings& written, const std::vector<Mismatch>& mismatches,
                        const ReadBack& read);
    // The next serial number of the line, reserved for this board. Throws EDbError.
    qint64 TakeSerial();
    std::optional<qint64> Serial() const { return serial_; }
    // A number not taken from the line (typed by hand) that the board was given: its write was
    // answered. Recorded as the board's new serial number when the record is completed.
    void NoteWritten(const QString& serial) { record_.serialAfter = serial; }

    // Completes the record with `outcome` (kPassed, kFailed, ...); a number taken is settled by
    // `serialWrite`, the judged outcome of its write (unset: it was not sent). Throws EDbError:
    // the station must stop before the next board.
    void Finish(const QString& outcome, std::optional<Outcome> serialWrite,
                const QString& details = {});
    const TBoardRecord& Record() const { return record_; }
    // What the front end adds to the record before it is completed (the serial written, ...).
    TBoardRecord& Edit() { return record_; }

private:
    TLineDb& db_;
    TBoardRecord record_;
    std::optional<qint64> serial_;
};

// A run's outcome for its record: gone when the device went away, refused when it refused a
// frame, failed when a frame was not answered or `verified` is false, else passed.
QString OutcomeOf(const std::vector<TExchange>& exchanges, bool verified);
// The SHA-256 (hex) of a configuration, over the configuration file's text of it.
QString SettingsSha256(const DeviceSettings& settings);
