#include "sim/sim_pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace vq830::sim {
namespace {

bool Fail(std::string* error, const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    return false;
}

} // namespace

SimPty::SimPty(SimPty&& other) noexcept
    : master_(std::exchange(other.master_, -1)), slave_(std::exchange(other.slave_, -1)),
      slavePath_(std::move(other.slavePath_)) {}

SimPty& SimPty::operator=(SimPty&& other) noexcept {
    if (this != &other) {
        Close();
        master_ = std::exchange(other.master_, -1);
        slave_ = std::exchange(other.slave_, -1);
        slavePath_ = std::move(other.slavePath_);
    }
    return *this;
}

bool SimPty::Open(std::string* error) {
    Close();
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return Fail(error, "posix_openpt");
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        bool result = Fail(error, "preparing the pseudo-terminal");
        ::close(master);
        return result;
    }
    int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        bool result = Fail(error, "opening the pseudo-terminal slave");
        ::close(master);
        return result;
    }
    termios tio{};
    if (tcgetattr(slave, &tio) != 0) {
        bool result = Fail(error, "tcgetattr");
        ::close(slave);
        ::close(master);
        return result;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    int flags = fcntl(master, F_GETFL);
    if (tcsetattr(slave, TCSANOW, &tio) != 0 || flags < 0 ||
        fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        bool result = Fail(error, "setting up the pseudo-terminal");
        ::close(slave);
        ::close(master);
        return result;
    }
    master_ = master;
    slave_ = slave;
    slavePath_ = name;
    return true;
}

void SimPty::Close() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = -1;
    master_ = -1;
    slavePath_.clear();
}

} // namespace vq830::sim
