#include "pty/pty_pair.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

PtyPair::PtyPair() { Open(); }

PtyPair::PtyPair(PtyPair&& other) noexcept
    : Master(std::exchange(other.Master, -1)), Slave(std::exchange(other.Slave, -1)),
      Path(std::move(other.Path)), Why(std::move(other.Why)) {}

PtyPair& PtyPair::operator=(PtyPair&& other) noexcept {
    if (this != &other) {
        Close();
        Master = std::exchange(other.Master, -1);
        Slave = std::exchange(other.Slave, -1);
        Path = std::move(other.Path);
        Why = std::move(other.Why);
    }
    return *this;
}

bool PtyPair::Fail(const char* what) {
    Why = std::string(what) + ": " + std::strerror(errno);
    Close();
    return false;
}

bool PtyPair::Open() {
    Close();
    Why.clear();
    Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Master < 0) return Fail("posix_openpt");
    char name[128];
    if (grantpt(Master) != 0 || unlockpt(Master) != 0 || ptsname_r(Master, name, sizeof name) != 0)
        return Fail("preparing the pseudo-terminal");
    Slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Slave < 0) return Fail("opening the pseudo-terminal slave");
    termios tio{};
    if (tcgetattr(Slave, &tio) != 0) return Fail("tcgetattr");
    cfmakeraw(&tio);
    if (tcsetattr(Slave, TCSANOW, &tio) != 0) return Fail("tcsetattr");
    const int flags = fcntl(Master, F_GETFL);
    if (flags < 0 || fcntl(Master, F_SETFL, flags | O_NONBLOCK) != 0)
        return Fail("making the master non-blocking");
    Path = name;
    return true;
}

void PtyPair::Close() {
    CloseSlave();
    CloseMaster();
    Path.clear();
}

void PtyPair::CloseMaster() {
    if (Master >= 0) ::close(Master);
    Master = -1;
}

void PtyPair::CloseSlave() {
    if (Slave >= 0) ::close(Slave);
    Slave = -1;
}

namespace {
int MsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left < 0 ? 0 : static_cast<int>(left);
}
} // namespace

bool PtyPair::Write(const void* data, size_t length, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = write(Master, p + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        pollfd pfd{Master, POLLOUT, 0};
        const int left = MsLeft(deadline);
        if (left == 0 || poll(&pfd, 1, left) <= 0) return false;
    }
    return true;
}

std::vector<uint8_t> PtyPair::Read(size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<uint8_t> out;
    uint8_t buf[4096];
    while (out.size() < count) {
        const size_t want = std::min(sizeof buf, count - out.size());
        const ssize_t n = read(Master, buf, want);
        if (n > 0) {
            out.insert(out.end(), buf, buf + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || (n < 0 && errno != EAGAIN)) break;
        pollfd pfd{Master, POLLIN, 0};
        const int left = MsLeft(deadline);
        if (left == 0 || poll(&pfd, 1, left) <= 0) break;
    }
    return out;
}

std::vector<uint8_t> PtyPair::ReadAvailable(std::chrono::milliseconds quiet, size_t limit) {
    std::vector<uint8_t> out;
    uint8_t buf[4096];
    while (out.size() < limit) {
        pollfd pfd{Master, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(quiet.count())) <= 0) break;
        const ssize_t n = read(Master, buf, std::min(sizeof buf, limit - out.size()));
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            break;
        }
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}
