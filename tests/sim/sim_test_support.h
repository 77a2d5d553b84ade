// Helpers shared by the simulator tests: talking to a pseudo-terminal slave as the tool does,
// with every wait bounded.
#pragma once

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace simtest {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Upper bound for anything that should happen promptly.
inline constexpr std::chrono::milliseconds kWait{10000};

// Opens the simulated port as the tool would: read/write, not as controlling terminal.
inline int OpenPort(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

inline bool WriteAll(int fd, std::string_view bytes) {
    Clock::time_point deadline = Clock::now() + kWait;
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (Clock::now() > deadline) return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 50);
    }
    return true;
}

inline int MsLeft(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// One read, as soon as anything is there; empty when nothing arrived within `timeout` (or the
// descriptor reached its end).
inline std::string ReadSome(int fd, std::chrono::milliseconds timeout) {
    Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int rc = ::poll(&p, 1, MsLeft(deadline));
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) return {};
        char buffer[4096];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        return {};
    }
}

// The reads that bring `total` bytes, each read as one chunk; stops early at the timeout.
inline std::vector<std::string> ReadChunks(int fd, std::size_t total,
                                           std::chrono::milliseconds timeout = kWait) {
    std::vector<std::string> chunks;
    std::size_t got = 0;
    Clock::time_point deadline = Clock::now() + timeout;
    while (got < total) {
        std::string chunk = ReadSome(fd, std::chrono::milliseconds(MsLeft(deadline)));
        if (chunk.empty()) break;
        got += chunk.size();
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

inline std::string ReadExactly(int fd, std::size_t total,
                               std::chrono::milliseconds timeout = kWait) {
    std::string all;
    for (const std::string& chunk : ReadChunks(fd, total, timeout))
        all += chunk;
    return all;
}

// Reads until `text` ends what was read, or the timeout; returns everything read.
inline std::string ReadUntilSuffix(int fd, std::string_view text,
                                   std::chrono::milliseconds timeout = kWait) {
    std::string all;
    Clock::time_point deadline = Clock::now() + timeout;
    while (!std::string_view(all).ends_with(text)) {
        std::string chunk = ReadSome(fd, std::chrono::milliseconds(MsLeft(deadline)));
        if (chunk.empty()) break;
        all += chunk;
    }
    return all;
}

// Sets the port's rate (glibc takes the rate itself as well as its B-code), stop bits and parity,
// as the tool does before it talks to the device.
inline bool SetPort(int fd, unsigned rate, bool twoStopBits, bool parity = false) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0 || cfsetspeed(&tio, rate) != 0) return false;
    tio.c_cflag &= ~(CSTOPB | PARENB);
    if (twoStopBits) tio.c_cflag |= CSTOPB;
    if (parity) tio.c_cflag |= PARENB;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

inline bool IsPrintable(char c) { return c >= 0x20 && c <= 0x7e; }

// True when data is readable right now.
inline bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

} // namespace simtest
