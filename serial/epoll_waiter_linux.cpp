#include "serial/epoll_waiter_linux.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <sys/epoll.h>
#include <unistd.h>

namespace vq830serial {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

Waiter::Waiter(int stopFd, int fd, uint32_t events) : Events(events) {
    Ep = epoll_create1(EPOLL_CLOEXEC);
    if (Ep < 0) return;
    epoll_event stop{};
    stop.events = EPOLLIN;
    stop.data.u32 = 0;
    epoll_event dev{};
    dev.events = events;
    dev.data.u32 = 1;
    if (epoll_ctl(Ep, EPOLL_CTL_ADD, stopFd, &stop) != 0 ||
        epoll_ctl(Ep, EPOLL_CTL_ADD, fd, &dev) != 0) {
        close(Ep);
        Ep = -1;
    }
}

Waiter::~Waiter() {
    if (Ep >= 0) close(Ep);
}

WaitResult Waiter::Wait(std::optional<std::chrono::steady_clock::time_point> deadline) {
    for (;;) {
        timespec ts{};
        timespec* tsp = nullptr;
        if (deadline) {
            auto left = *deadline - Clock::now();
            if (left < Clock::duration::zero()) left = Clock::duration::zero();
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
            tsp = &ts;
        }
        epoll_event ev[2];
        int n = epoll_pwait2(Ep, ev, 2, tsp, nullptr);
        if (n < 0 && errno == ENOSYS) {
            // Kernels before 5.11: millisecond time-outs, rounded up and capped at what an
            // int holds (a longer wait is taken in several rounds).
            const int64_t ms =
                static_cast<int64_t>(ts.tv_sec) * 1000 + (ts.tv_nsec + 999999) / 1000000;
            n = epoll_wait(Ep, ev, 2, tsp ? static_cast<int>(std::min<int64_t>(ms, INT_MAX)) : -1);
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno == EBADF ? WaitResult::Invalid : WaitResult::Failed;
        }
        if (n == 0 && deadline && Clock::now() < *deadline) continue;
        if (n == 0) return WaitResult::Timeout;
        uint32_t device = 0;
        for (int i = 0; i < n; ++i) {
            if (ev[i].data.u32 == 0) return WaitResult::Stop;
            device = ev[i].events;
        }
        if (device & Events) return WaitResult::Ready;
        if (device & (EPOLLHUP | EPOLLERR)) return WaitResult::Hangup;
        return WaitResult::Failed;
    }
}

} // namespace vq830serial
