#include "serial/pty_pair.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    int master = -1;
    int slave = -1;
    char name[PATH_MAX] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios t{};
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        (void)tcsetattr(slave, TCSANOW, &t);
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    Master = master;
    Slave = slave;
    Path = name;
}

PtyPair::~PtyPair() {
    CloseSlave();
    CloseMaster();
}

void PtyPair::CloseMaster() {
    if (Master >= 0) close(Master);
    Master = -1;
}

void PtyPair::CloseSlave() {
    if (Slave >= 0) close(Slave);
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
