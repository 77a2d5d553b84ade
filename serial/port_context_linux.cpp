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

PortShared::OwnerWait PortContext::WaitOwnerSignal() {
    switch (OwnerWaiter->Wait(std::nullopt)) {
    case WaitResult::Ready: {
        uint64_t n = 0;
        (void)!read(OwnerFd.Get(), &n, sizeof n);
        return OwnerWait::Signalled;
    }
    case WaitResult::Hangup:
    case WaitResult::Failed:
        return OwnerWait::Failed;
    case WaitResult::Stop:
    case WaitResult::Invalid:
    case WaitResult::Timeout:
        break;
    }
    return OwnerWait::Stopped;
}

} // namespace vq830serial
