// comm_peer: the Linux end of the serial tests run under wine. It makes pseudo-terminals and
// links them where wine's registry maps COM ports: DIR/COM5 and DIR/COM6 echo every byte they
// receive; DIR/COM7 takes one request per line from the test and answers with one line:
//   ATTR COMn    -> "OK speed=S cstopb=B ixon=B ixoff=B crtscts=B" (the port's termios, read
//                   on the master, which reports what the Windows side set on the slave)
//   HANGUP COMn  -> closes the far end of COMn (the Windows side sees the line go), "OK"
//   RENEW COMn   -> a new pseudo-terminal behind the same link, "OK"
// anything else -> "ERR ...". The peer keeps a slave descriptor of its own open, so that a
// master never sees a hang-up while the Windows side closes and reopens the port. It ends
// after SECONDS or on SIGTERM/SIGINT, removing its links.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

struct Port {
    Port(std::string name, bool control = false) : Name(std::move(name)), Control(control) {}
    std::string Name;
    bool Control = false;
    int Master = -1;
    int Slave = -1;
    std::string In;
    std::string Out;
};

volatile std::sig_atomic_t Stop = 0;
void OnSignal(int) { Stop = 1; }

std::string Dir;

std::string LinkOf(const Port& p) { return Dir + "/" + p.Name; }

void ClosePty(Port& p) {
    if (p.Master >= 0) close(p.Master);
    if (p.Slave >= 0) close(p.Slave);
    p.Master = p.Slave = -1;
    p.In.clear();
    p.Out.clear();
}

// A new pseudo-terminal in raw mode, linked (atomically) as DIR/NAME.
bool OpenPty(Port& p) {
    ClosePty(p);
    const int m = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) return false;
    const std::string slave = ptsname(m);
    termios t{};
    tcgetattr(m, &t);
    cfmakeraw(&t);
    tcsetattr(m, TCSANOW, &t);
    p.Master = m;
    p.Slave = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const std::string tmp = LinkOf(p) + ".new";
    unlink(tmp.c_str());
    return p.Slave >= 0 && symlink(slave.c_str(), tmp.c_str()) == 0 &&
           rename(tmp.c_str(), LinkOf(p).c_str()) == 0;
}

unsigned SpeedOf(speed_t s) {
    static const struct {
        speed_t Code;
        unsigned Rate;
    } table[] = {{B300, 300},       {B1200, 1200},     {B2400, 2400},     {B4800, 4800},
                 {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
                 {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    for (const auto& e : table)
        if (e.Code == s) return e.Rate;
    return 0;
}

std::string Attributes(const Port& p) {
    termios t{};
    if (p.Master < 0 || tcgetattr(p.Master, &t) != 0) return "ERR no terminal";
    char line[160];
    std::snprintf(line, sizeof line, "OK speed=%u cstopb=%d ixon=%d ixoff=%d crtscts=%d",
                  SpeedOf(cfgetospeed(&t)), (t.c_cflag & CSTOPB) != 0, (t.c_iflag & IXON) != 0,
                  (t.c_iflag & IXOFF) != 0, (t.c_cflag & CRTSCTS) != 0);
    return line;
}

Port* Find(std::vector<Port>& ports, const std::string& name) {
    for (auto& p : ports)
        if (p.Name == name && !p.Control) return &p;
    return nullptr;
}

std::string Answer(std::vector<Port>& ports, const std::string& request) {
    const auto space = request.find(' ');
    const std::string verb = request.substr(0, space);
    Port* port = space == std::string::npos ? nullptr : Find(ports, request.substr(space + 1));
    if (!port) return "ERR no such port";
    if (verb == "ATTR") return Attributes(*port);
    if (verb == "HANGUP") {
        ClosePty(*port);
        return "OK";
    }
    if (verb == "RENEW") return OpenPty(*port) ? "OK" : "ERR cannot renew";
    return "ERR unknown request";
}

void Received(std::vector<Port>& ports, Port& p, const char* data, size_t n) {
    if (!p.Control) {
        p.Out.append(data, n);
        return;
    }
    p.In.append(data, n);
    for (size_t eol; (eol = p.In.find('\n')) != std::string::npos;) {
        std::string request = p.In.substr(0, eol);
        p.In.erase(0, eol + 1);
        if (!request.empty() && request.back() == '\r') request.pop_back();
        const std::string reply = Answer(ports, request) + "\n";
        std::fprintf(stderr, "comm_peer: %s -> %s", request.c_str(), reply.c_str());
        p.Out += reply;
    }
}

void Serve(std::vector<Port>& ports, Port& p, short events) {
    if (events & POLLIN) {
        char buf[4096];
        const ssize_t n = read(p.Master, buf, sizeof buf);
        if (n > 0) Received(ports, p, buf, static_cast<size_t>(n));
    }
    if (p.Master >= 0 && (events & POLLOUT) && !p.Out.empty()) {
        const ssize_t n = write(p.Master, p.Out.data(), p.Out.size());
        if (n > 0) p.Out.erase(0, static_cast<size_t>(n));
    }
}

void Run(std::vector<Port>& ports, std::chrono::steady_clock::time_point end) {
    while (!Stop && std::chrono::steady_clock::now() < end) {
        std::vector<pollfd> fds;
        std::vector<Port*> of;
        for (auto& p : ports) {
            if (p.Master < 0) continue;
            fds.push_back(
                {p.Master, static_cast<short>(POLLIN | (p.Out.empty() ? 0 : POLLOUT)), 0});
            of.push_back(&p);
        }
        if (poll(fds.data(), fds.size(), 200) < 0 && errno != EINTR) return;
        for (size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents) Serve(ports, *of[i], fds[i].revents);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: comm_peer DIR SECONDS\n");
        return 2;
    }
    Dir = argv[1];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::vector<Port> ports;
    ports.emplace_back("COM5");
    ports.emplace_back("COM6");
    ports.emplace_back("COM7", true);
    for (auto& p : ports)
        if (!OpenPty(p)) {
            std::fprintf(stderr, "comm_peer: cannot make %s: %s\n", p.Name.c_str(),
                         std::strerror(errno));
            return 1;
        }
    std::printf("ready\n");
    std::fflush(stdout);
    Run(ports, end);
    for (auto& p : ports) {
        ClosePty(p);
        unlink(LinkOf(p).c_str());
    }
    return 0;
}
