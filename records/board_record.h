// One record per attempt at a board: written as "started" before the first frame goes out and
// completed after the last answer, so that a station that died mid-board leaves a record that
// says so.
#pragma once

#include "records/line_db.h"

#include <QDateTime>
#include <QJsonArray>
#include <QString>
#include <optional>
#include <vector>

// Outcomes of a record.
inline const QString kStarted = QStringLiteral("started"); // not completed (yet)
inline const QString kPassed = QStringLiteral("passed");
inline const QString kFailed = QStringLiteral("failed");
inline const QString kRefused = QStringLiteral("refused");
inline const QString kGone = QStringLiteral("gone");       // the device went away
inline const QString kAborted = QStringLiteral("aborted"); // stopped before it was judged

struct TBoardRecord {
    qint64 id = 0;
    QString station;
    QString operatorName;
    QString toolVersion;
    QString command; // "program", "serial --next", "write", "set", "serial", "写入全部", ...
    QString port;
    QString started; // UTC, ms ("2026-12-09T20:31:05.123Z")
    QString ended;
    qint64 durationMs = 0;
    QString serialBefore; // the board's serial number before, when known
    QString serialAfter;  // the serial number it was given, when it was written
    QString tester;
    QString configName;
    QString configSha256;
    QJsonArray frames;      // {"frame", "outcome", "answer"} per frame, in the order sent
    QJsonArray differences; // {"setting", "written", "read"} per setting not verified
    QString outcome = kStarted;
    QString details;
    QString holder; // the station's process: "station/host/pid"
};

// Who holds a record or a number: the station (its configured name), the host and the process.
struct THolder {
    QString station;
    QString host;
    qint64 pid = 0;
    QString Text() const;
    static std::optional<THolder> FromText(const QString& text);
    // This process at station `station`.
    static THolder Self(const QString& station);
    // False only when the holder is a process of this host that no longer runs.
    bool MayBeAlive() const;
};

// A new record of `station`'s process, with the tool's version: what every attempt starts
// from.
TBoardRecord NewStationRecord(const QString& station, const QString& operatorName,
                              const QString& command, const QString& port, const QString& tester);

struct TRecordFilter {
    QString since;       // records started at or after this UTC time ("" all)
    QString serial;      // the serial number given (8 digits; "" any)
    QString station;     // "" any
    QString outcome;     // "" any
    int newestLimit = 0; // > 0: only the newest this many
};

class TLineBook {
public:
    explicit TLineBook(TLineDb& db) : db_(db) {}
    // Writes `record` as started (sets its id and its start time). Throws EDbError.
    void Start(TBoardRecord& record);
    // Completes it: end time, duration, outcome and all the rest. Throws EDbError.
    void Complete(TBoardRecord& record);
    // Completes it inside a transaction already running.
    void CompleteIn(TBoardRecord& record);
    // The records the filter lets through, oldest first.
    std::vector<TBoardRecord> Read(const TRecordFilter& filter);

private:
    TLineDb& db_;
};
