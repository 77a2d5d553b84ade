#include "session/session.h"

#include "session/deadline_timer.h"

#include <QMetaObject>

TSession::TSession(TComm& comm, QObject* parent)
    : QObject(parent), comm_(comm), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (!Running()) return;
        run_->Tick(TClock::now());
        Arm();
    });
}

TSession::~TSession() {
    if (run_) run_->OnFinished = nullptr;
    GivePortBack();
}

void TSession::Start(std::vector<Command> commands, TRunTiming timing) {
    if (Running()) return;
    GivePortBack(); // from the run before, if it is still held
    run_ =
        std::make_unique<TExchangeRun>(std::move(commands), timing, [this](const std::string& f) {
            return comm_.SendBytes(f.data(), f.size());
        });
    run_->OnSent = [this](size_t index) {
        const std::string& frame = run_->Exchanges()[index].command.frame;
        emit Sent(int(index), QByteArray(frame.data(), qsizetype(frame.size())));
    };
    run_->OnBytes = [this](const std::string& bytes, bool dropped) {
        emit Received(QByteArray(bytes.data(), qsizetype(bytes.size())), dropped,
                      QDateTime::currentDateTime());
    };
    run_->OnJudged = [this](size_t index) { emit Judged(int(index)); };
    run_->OnFinished = [this] { Ended(); };
    TakePort();
    run_->Start(TClock::now());
    Arm();
}

void TSession::Cancel() {
    if (Running()) run_->Cancel();
}

// The port's bytes and hang-up come to the run; each read is handed over at once.
void TSession::TakePort() {
    savedReceive_ = std::move(comm_.OnReceiveData);
    savedHangup_ = std::move(comm_.OnRequestHangup);
    savedInterval_ = comm_.ReadIntervalTimeout();
    holdingPort_ = true;
    comm_.OnReceiveData = [this](TComm& sender, const uint8_t* data, uint16_t length) {
        if (Running())
            run_->Received(std::string(reinterpret_cast<const char*>(data), length), TClock::now());
        else if (savedReceive_)
            savedReceive_(sender, data, length); // the run has ended: as if given back
        Arm();
    };
    comm_.OnRequestHangup = [this](TComm& sender) {
        if (savedHangup_) savedHangup_(sender); // the owner learns it first
        if (Running()) run_->PortGone();
    };
    comm_.SetReadIntervalTimeout(ReadIntervalAtOnce);
}

// Called outside the port's handlers only (they may be running when a run ends).
void TSession::GivePortBack() {
    if (!holdingPort_) return;
    holdingPort_ = false;
    comm_.OnReceiveData = std::move(savedReceive_);
    comm_.OnRequestHangup = std::move(savedHangup_);
}

void TSession::Arm() { ArmAt(*timer_, run_ ? run_->Deadline() : std::nullopt); }

void TSession::Ended() {
    timer_->stop();
    comm_.SetReadIntervalTimeout(savedInterval_);
    QMetaObject::invokeMethod(
        this, [this] { GivePortBack(); }, Qt::QueuedConnection);
    emit Finished();
}
