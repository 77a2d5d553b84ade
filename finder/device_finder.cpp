#include "finder/device_finder.h"

#include "finder/line_memory.h"
#include "finder/port_opening.h"
#include "ports/port_names.h"
#include "session/deadline_timer.h"

#include <QTimer>
#include <algorithm>

namespace {

// Changes the open port's settings in place: reopening would move DTR and RTS, which restarts
// some boards. Parity is only stored until another line setting is assigned; when the baud
// rate and stop bits stay, the replacement character (unused: nothing replaces bytes with
// parity errors here) is that assignment.
void ApplyInPlace(TComm& comm, const PortConfig& line) {
    if (comm.BaudRate() == BaudOf(line) && comm.Parity() == ParityOf(line) &&
        comm.StopBits() == StopOf(line))
        return;
    const unsigned applied = comm.LineSettingsApplied();
    comm.SetParity(ParityOf(line));
    comm.SetStopBits(StopOf(line));
    comm.SetBaudRate(BaudOf(line));
    if (comm.LineSettingsApplied() == applied) comm.SetReplacedChar(comm.ReplacedChar() ^ 1);
}

} // namespace

// A port being searched: its port object, its search and the search's timer.
struct TDeviceFinder::Probe {
    std::shared_ptr<TComm> comm;
    std::unique_ptr<TPortSearch> search;
    QTimer* timer = nullptr;
};

TDeviceFinder::TDeviceFinder(const QStringList& portNames, QObject* parent)
    : QObject(parent), box_(std::make_shared<TPostBox>(this)) {
    for (const QString& name : portNames) {
        TPortProgress port;
        port.name = name;
        port.path = ResolvePortName(name);
        ports_.push_back(port);
        probes_.push_back(std::make_unique<Probe>());
    }
}

TDeviceFinder::~TDeviceFinder() {
    box_->Close(); // openings still under way close their ports themselves
    for (auto& probe : probes_)
        probe->comm.reset(); // the ports' threads end before their notifications' target goes
}

void TDeviceFinder::Start() {
    if (running_) return;
    running_ = true;
    for (int i = 0; i < int(ports_.size()); ++i)
        QMetaObject::invokeMethod(
            this, [this, i] { StartPort(i); }, Qt::QueuedConnection);
    EndIfAllDone();
}

// The port is opened on a thread of its own; the search starts when the opening is handed back.
void TDeviceFinder::StartPort(int index) {
    if (!running_) return;
    const TPortProgress& port = ports_[size_t(index)];
    std::vector<PortConfig> order = SearchOrder(RememberedLine(port.path));
    const PortConfig first = order.front();
    OpenInBackground(box_, port.path.toStdString(), first,
                     [this, index, order = std::move(order)](const TOpening& opening) {
                         Opened(index, opening, order);
                     });
}

void TDeviceFinder::Opened(int index, const TOpening& opening,
                           const std::vector<PortConfig>& order) {
    TPortProgress& port = ports_[size_t(index)];
    if (!running_ || port.state != TPortProgress::State::Waiting) return; // cancelled meanwhile
    if (!opening.opened) {
        port.openError = opening.error;
        port.state = HeldByAnother(port.openError) ? TPortProgress::State::Held
                                                   : TPortProgress::State::OpenFailed;
        emit PortChanged(index);
        return EndIfAllDone();
    }
    Probe& probe = *probes_[size_t(index)];
    probe.comm = opening.comm;
    TComm& comm = *probe.comm;
    probe.search = std::make_unique<TPortSearch>(
        order, [&comm](const PortConfig& line) { ApplyInPlace(comm, line); },
        [&comm](const std::string& frame) { return comm.SendBytes(frame.data(), frame.size()); });
    Search(index);
}

void TDeviceFinder::Search(int index) {
    TPortProgress& port = ports_[size_t(index)];
    Probe& probe = *probes_[size_t(index)];
    TPortSearch& search = *probe.search;
    port.state = TPortProgress::State::Searching;
    port.tryCount = search.TryCount();
    search.OnTry = [this, index, &port, &search] {
        port.trying = search.Trying();
        port.tryNumber = search.TryNumber();
        port.confirming = search.Confirming();
        emit PortChanged(index);
    };
    search.OnFinished = [this, index] {
        QMetaObject::invokeMethod(
            this, [this, index] { PortEnded(index); }, Qt::QueuedConnection);
    };
    probe.comm->OnReceiveData = [this, index, &search](TComm&, const uint8_t* data, uint16_t n) {
        search.Received(std::string(reinterpret_cast<const char*>(data), n), TClock::now());
        Arm(index);
    };
    probe.comm->OnReceiveError = [this, index, &search](TComm&, uint32_t) {
        search.LineError(TClock::now());
        Arm(index);
    };
    probe.comm->OnRequestHangup = [&search](TComm&) { search.PortGone(); };
    probe.timer = new QTimer(this);
    probe.timer->setSingleShot(true);
    probe.timer->setTimerType(Qt::PreciseTimer);
    connect(probe.timer, &QTimer::timeout, this, [this, index, &search] {
        search.Tick(TClock::now());
        Arm(index);
    });
    search.Start(TClock::now());
    Arm(index);
}

void TDeviceFinder::Arm(int index) {
    Probe& probe = *probes_[size_t(index)];
    ArmAt(*probe.timer, probe.search ? probe.search->Deadline() : std::nullopt);
}

void TDeviceFinder::PortEnded(int index) {
    if (ports_[size_t(index)].state != TPortProgress::State::Searching) return;
    Close(index);
    EndIfAllDone();
}

// The port object itself stays until the finder goes: Close may run inside one of its own
// handlers (a slot of PortChanged that cancels the search).
void TDeviceFinder::Close(int index) {
    TPortProgress& port = ports_[size_t(index)];
    Probe& probe = *probes_[size_t(index)];
    probe.timer->stop();
    probe.comm->ClosePort();
    port.result = probe.search->Result();
    port.state = TPortProgress::State::Done;
    if (port.result.outcome == SearchOutcome::Found) RememberLine(port.path, port.result.at);
    emit PortChanged(index);
}

void TDeviceFinder::Cancel() {
    if (!running_) return;
    for (int i = 0; i < int(ports_.size()); ++i) {
        TPortProgress& port = ports_[size_t(i)];
        if (port.state == TPortProgress::State::Waiting) {
            port.result.outcome = SearchOutcome::Cancelled;
            port.state = TPortProgress::State::Done;
            emit PortChanged(i);
        } else if (port.state == TPortProgress::State::Searching) {
            probes_[size_t(i)]->search->Cancel();
            Close(i);
        }
    }
    EndIfAllDone();
}

bool TDeviceFinder::FoundAny() const {
    return std::ranges::any_of(ports_, &TPortProgress::Found);
}

void TDeviceFinder::EndIfAllDone() {
    const bool busy = std::any_of(ports_.begin(), ports_.end(), [](const TPortProgress& p) {
        return p.state == TPortProgress::State::Waiting ||
               p.state == TPortProgress::State::Searching;
    });
    if (!running_ || busy) return;
    running_ = false;
    emit Finished();
}
