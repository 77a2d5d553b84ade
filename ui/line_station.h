// The window as a station of the production line: when a database is configured, every write
// to a board (write all, the serial number writes) is recorded there, its record started before
// the first frame goes out and completed after the last answer. Here are whether the window
// records, the connection (opened on first use), starting and completing a record, and write
// all's record. A record that cannot be completed stops the station's recorded writes until the
// tool is started again: the line must not lose track of a board.
#pragma once

#include "protocol/answers.h"
#include "records/board_attempt.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class TExchangeRun;
class TLineDb;
class QWidget;
namespace Ui {
struct Form1;
}

// A recorded attempt at a board with the connection it was started on, which it keeps while it
// runs (the records view may name another database meanwhile).
struct TLineAttempt {
    TLineAttempt(std::shared_ptr<TLineDb> connection, TBoardRecord record)
        : db(std::move(connection)), board(*db, std::move(record)) {}
    std::shared_ptr<TLineDb> db;
    TBoardAttempt board;
};

class TLineStation : public QObject {
    Q_OBJECT
public:
    TLineStation(Ui::Form1& ui, QWidget* window);
    ~TLineStation() override;

    // True when a database is configured ($VQ830_DB or the tool's settings): then the window's
    // writes to a board are recorded.
    bool Recording() const;
    // The connection, opened on first use; this station's numbers still reserved by a process
    // of this host that has ended are then voided, and a box names them. Throws EDbError.
    TLineDb& Db();
    // A new record of this station for `command`: station, operator, tool version, port, tester.
    TBoardRecord NewRecord(const QString& command) const;
    // Starts the record. Raises EAppError (nothing may be sent) when the station's recorded
    // writes are stopped, it has no name, or the database cannot be used.
    std::unique_ptr<TLineAttempt> Begin(TBoardRecord record);
    // Completes the record. False when it could not be: a box says so and the station's
    // recorded writes stop.
    bool End(TLineAttempt& attempt, const QString& outcome, std::optional<Outcome> serialWrite,
             const QString& details = {});
    // The records view changed the database, station or operator: the connection is opened
    // anew on next use, and "下一个序列号" is shown only with a database.
    void Reconfigure();

    // Write all's record, when the window records: started before the first frame (raises
    // EAppError, and nothing is sent, when it cannot be) and completed with the run's frames and
    // the settings that were not verified.
    void WriteAllStarting(const DeviceSettings& settings);
    void WriteAllEnded(const TExchangeRun& run, const DeviceSettings& written);

signals:
    // A record was completed (or could not be).
    void Recorded();

public:
    // The configuration file holding `settings`, if one was loaded or saved (write all's record
    // names it).
    std::function<QString(const DeviceSettings& settings)> ConfigFile;

private:
    std::shared_ptr<TLineDb> Connection();
    void VoidStale();
    void RefuseStopped() const;

    Ui::Form1& ui_;
    QWidget* window_;
    std::shared_ptr<TLineDb> db_;
    std::unique_ptr<TLineAttempt> writeAll_; // write all's record, while it runs
    bool stopped_ = false;                   // a record could not be completed
};
