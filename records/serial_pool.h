// The line's serial numbers, handed out from the database, never twice. A number is reserved by
// one station for one board, then written (the device answered), verified (read back), released
// (it never reached a board: the device refused it or it was never sent; it is handed out
// again, first) or void (it may have reached a board: never handed out again).
#pragma once

#include "protocol/answers.h"
#include "records/board_record.h"
#include "records/line_db.h"

#include <QString>
#include <vector>

enum class SerialState { Reserved, Written, Verified, Released, Void };
QString StateName(SerialState state);

inline constexpr qint64 kLastSerial = 99999999; // eight digits on the board

// The number as the board holds it: eight digits.
QString SerialText(qint64 serial);
// The number of a text of 1 to 8 digits; -1 for any other text.
qint64 SerialOf(const QString& text);

// A number left reserved by a station that died, and what was done with it.
struct TStaleSerial {
    qint64 serial = 0;
    qint64 recordId = 0;
    QString holder;
};

class TSerialPool {
public:
    explicit TSerialPool(TLineDb& db) : db_(db) {}

    // The first number of the line. Refused (EDbError::Refused) once numbers were handed out.
    void SetFirst(qint64 first);
    // Reserves the next number for `record` (a released number first, else the counter's) and
    // notes it in the record as its new serial, in one transaction. Throws EDbError (UsedUp
    // past the eighth digit).
    qint64 Reserve(TBoardRecord& record);
    // What became of a reserved number, with its record completed, in one transaction.
    void Settle(qint64 serial, SerialState state, TBoardRecord& record);
    // This station's numbers reserved by processes of this host that no longer run: each voided
    // (it may have reached its board) and its record completed as aborted.
    std::vector<TStaleSerial> SettleStale(const THolder& self);
    // How many numbers are in each state (tests, benchmark, the records view).
    qint64 Count(SerialState state);

private:
    TLineDb& db_;
};

// The state a reserved number takes from the judged serial write: answered → written;
// refused or never sent → released; anything else (silent, the device gone while it was
// awaited) → void.
SerialState SettledState(Outcome serialWrite);
