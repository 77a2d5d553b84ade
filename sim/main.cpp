// vq830-sim: a simulated VQ830-A(B) on a pseudo-terminal.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "pty/pty_pair.h"
#include "sim/command_line.h"
#include "sim/sim_server.h"

namespace {

bool MakeDirectories(const std::string& path) {
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/') continue;
        std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The link points at `target` (so it is still ours to remove).
bool LinkPointsTo(const std::string& link, const std::string& target) {
    char buffer[4096];
    ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    return n >= 0 && std::string_view(buffer, static_cast<std::size_t>(n)) == target;
}

bool CreateLink(const std::string& link, const std::string& target) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "vq830-sim: %s exists and is not a symbolic link\n", link.c_str());
            return false;
        }
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "vq830-sim: cannot create %s: %s\n", link.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    using vq830::sim::CommandLine;
    const CommandLine commandLine = vq830::sim::ParseCommandLine(argc, argv);
    if (commandLine.action == CommandLine::Action::Help) {
        std::fwrite(vq830::sim::kUsage.data(), 1, vq830::sim::kUsage.size(), stdout);
        return 0;
    }
    if (commandLine.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "vq830-sim: %s\nTry 'vq830-sim --help'.\n", commandLine.error.c_str());
        return 2;
    }
    const vq830::sim::SimConfig& config = commandLine.config;

    pid_t parent = getppid();
    if (config.exitWithParent) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) return 0; // the parent ended before the request took hold
    }

    // The signals that end the simulator, and SIGUSR1 that restarts the device, are taken
    // synchronously by the main thread; the server thread inherits the mask and never sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    PtyPair pty;
    if (!pty.Valid()) {
        std::fprintf(stderr, "vq830-sim: cannot create the pseudo-terminal: %s\n",
                     pty.Error().c_str());
        return 1;
    }

    std::string linkPath;
    if (!config.linkDir.empty()) {
        if (!MakeDirectories(config.linkDir)) {
            std::fprintf(stderr, "vq830-sim: cannot create the directory %s: %s\n",
                         config.linkDir.c_str(), std::strerror(errno));
            return 1;
        }
        linkPath = config.linkDir;
        if (!linkPath.ends_with('/')) linkPath += '/';
        linkPath += config.linkName;
        if (!CreateLink(linkPath, pty.SlavePath())) return 1;
    }

    if (config.sim.logTraffic) {
        std::fprintf(stderr, "vq830-sim: serving %s%s%s\n", pty.SlavePath().c_str(),
                     linkPath.empty() ? "" : " as ", linkPath.c_str());
    }

    vq830::sim::SimServer server(pty.MasterFd(), config.sim);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "vq830-sim: cannot start: %s\n", error.c_str());
        if (!linkPath.empty() && LinkPointsTo(linkPath, pty.SlavePath()))
            ::unlink(linkPath.c_str());
        return 1;
    }

    std::printf("%s\n", pty.SlavePath().c_str());
    std::fflush(stdout);

    for (;;) {
        timespec wait{0, 250'000'000};
        int signal = sigtimedwait(&signals, nullptr, &wait);
        if (signal == SIGUSR1) {
            server.Restart();
            continue;
        }
        if (signal > 0) break;
        if (config.exitWithParent && getppid() != parent) break;
    }

    server.Stop();
    if (!linkPath.empty() && LinkPointsTo(linkPath, pty.SlavePath())) ::unlink(linkPath.c_str());
    pty.Close();
    return 0;
}
