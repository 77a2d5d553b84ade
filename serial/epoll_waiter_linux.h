// The waits of the Linux port threads: an epoll set holding the stop signal and one
// descriptor.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace vq830serial {

enum class WaitResult { Stop, Ready, Timeout, Hangup, Invalid, Failed };

// Waits for the stop signal or for readiness of one descriptor. Both are registered once
// (level-triggered), so a wait costs one call. When both are ready, the stop signal wins.
class Waiter {
public:
    Waiter(int stopFd, int fd, uint32_t events);
    ~Waiter();
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;

    bool Valid() const { return Ep >= 0; }
    // Waits until deadline (none: no limit).
    WaitResult Wait(std::optional<std::chrono::steady_clock::time_point> deadline);

private:
    int Ep = -1;
    uint32_t Events;
};

} // namespace vq830serial
