// Runs commands against the device on an open TComm, one at a time, on the owner's thread and
// its Qt event loop: the window's read all and write all and every command of vq830 go
// through it. While a run goes on it takes the port's received bytes and hang-up, and has
// each read handed over at once so that it can end a complete answer without waiting for the
// line to go quiet; afterwards the port is as it was.
#pragma once

#include "serial/comm.h"
#include "session/exchange_run.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

class TSession : public QObject {
    Q_OBJECT
public:
    TSession(TComm& comm, QObject* parent = nullptr);
    ~TSession() override;

    // Starts a run; nothing happens while one is running. Finished is emitted (perhaps before
    // Start returns, when the first frame cannot be sent).
    void Start(std::vector<Command> commands, TRunTiming timing = {});
    void Cancel();
    bool Running() const { return run_ && !run_->Finished(); }
    // The last run, while it goes on and after it ended; null before the first.
    const TExchangeRun* LastRun() const { return run_.get(); }

signals:
    void Sent(int index, const QByteArray& frame);
    // Bytes received during the run; dropped: no frame awaited them.
    void Received(const QByteArray& bytes, bool dropped, const QDateTime& at);
    void Judged(int index);
    void Finished();

private:
    void TakePort();
    void GivePortBack();
    void Arm();
    void Ended();

    TComm& comm_;
    std::unique_ptr<TExchangeRun> run_;
    QTimer* timer_;
    bool holdingPort_ = false;
    TReceiveDataEvent savedReceive_;
    TNotifyEvent savedHangup_;
    uint32_t savedInterval_ = 0;
};
