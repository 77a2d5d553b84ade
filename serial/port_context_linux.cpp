// The Linux port context: the threads' waits, the time-outs handed over by the owner, the
// stop signal and the receive thread's wait for the owner.
#include "serial/comm_threads_linux.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vq830serial {

bool PortContext::CreateWaiters() {
    ReadWaiter = std::make_unique<Waiter>(StopFd, Device, EPOLLIN);
    RoomWaiter = std::make_unique<Waiter>(StopFd, Device, EPOLLOUT);
    IdleWaiter = std::make_unique<Waiter>(StopFd, WakeFd, EPOLLIN);
    OwnerFd = UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!OwnerFd.Valid()) return false;
    OwnerWaiter = std::make_unique<Waiter>(StopFd, OwnerFd.Get(), EPOLLIN);
    return ReadWaiter->Valid() && RoomWaiter->Valid() && IdleWaiter->Valid() &&
           OwnerWaiter->Valid();
}

void PortContext::SetTimeouts(const Timeouts& t) {
    ReadIntervalTimeout = t.ReadIntervalTimeout;
    ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
}

void PortContext::RequestStop() {
    StopRequested.store(true);
    const uint64_t one = 1;
    (void)!write(StopFd, &one, sizeof one);
}

void PortContext::WakeReader() {
    if (!ReaderWaitsForOwner.load() || !OwnerFd.Valid()) return;
    const uint64_t one = 1;
    (void)!write(OwnerFd.Get(), &one, sizeof one);
}

// The receive thread announces that it waits before it looks at the backlog again, and the
// owner takes a batch off the backlog before it looks at the announcement, so one of the two
// always sees the other: no wake-up is lost.
bool PortContext::WaitForOwner() {
    WaitResult result = WaitResult::Ready;
    while (Backlog.load() > ReceiveBacklogLimit.load()) {
        ReaderWaitsForOwner.store(true);
        if (Backlog.load() <= ReceiveBacklogLimit.load()) break;
        result = OwnerWaiter->Wait(std::nullopt);
        if (result != WaitResult::Ready) break;
        uint64_t n = 0;
        (void)!read(OwnerFd.Get(), &n, sizeof n);
    }
    ReaderWaitsForOwner.store(false);
    if (result == WaitResult::Hangup || result == WaitResult::Failed) PostHangupRequest();
    return result == WaitResult::Ready;
}

} // namespace vq830serial
