#include "finder/port_opening.h"

#include "session/quiet_open.h"

#include <thread>

namespace {

// Delivers a port's notifications through the box: dropped once its owner is gone.
class TBoxSink : public NotifySink {
public:
    explicit TBoxSink(std::shared_ptr<TPostBox> box) : box_(std::move(box)) {}
    void Post(std::function<void()> fn) override { (void)box_->Post(std::move(fn)); }

private:
    std::shared_ptr<TPostBox> box_;
};

TOpening Open(const std::shared_ptr<TPostBox>& box, const std::string& path,
              const PortConfig& line) {
    TOpening opening;
    opening.comm = std::make_shared<TComm>(std::make_shared<TBoxSink>(box));
    TComm& comm = *opening.comm;
    PrepareQuietOpen(comm, path, BaudOf(line), ParityOf(line), StopOf(line));
    comm.SetReadIntervalTimeout(ReadIntervalAtOnce);
    try {
        comm.OpenPort();
        opening.opened = true;
    } catch (const ECommsError&) {
        opening.error = comm.LastOpenErrno();
    }
    return opening;
}

} // namespace

bool TPostBox::Post(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    if (!target_) return false;
    QMetaObject::invokeMethod(target_, std::move(fn), Qt::QueuedConnection);
    return true;
}

void TPostBox::Close() {
    std::lock_guard lock(mutex_);
    target_ = nullptr;
}

void OpenInBackground(std::shared_ptr<TPostBox> box, std::string path, PortConfig line,
                      std::function<void(TOpening)> done) {
    std::thread([box, path = std::move(path), line, done = std::move(done)] {
        // Delivered, the port object belongs to the box's thread alone; not delivered (the box
        // is closed, so none of its notifications are either), it ends here.
        (void)box->Post([done, opening = Open(box, path, line)] { done(opening); });
    }).detach();
}

uint32_t BaudOf(const PortConfig& line) { return uint32_t(kBaudRates[size_t(line.baud)]); }
TParity ParityOf(const PortConfig& line) { return TParity(line.parity); }
TStopBits StopOf(const PortConfig& line) { return line.stop ? TStopBits::_2 : TStopBits::_1; }
