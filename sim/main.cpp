// vq830-sim: a simulated VQ830-A(B) on a pseudo-terminal.
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "pty/pty_pair.h"
#include "sim/sim_server.h"

namespace {

constexpr const char* kUsage = R"(Usage: vq830-sim [OPTION]...
Simulates a VQ830-A(B) serial distributor on a pseudo-terminal.

When ready, prints the device path of the simulated port (e.g. /dev/pts/5) as one line on
standard output. The device keeps its settings in memory, answers the tool's queries from them,
applies and acknowledges writes ("OK#") and answers anything malformed with "ERR#". Runs until
SIGINT or SIGTERM (or SIGHUP), then removes its link and exits with status 0.

Options:
  --link DIR         create DIR/NAME as a symbolic link to the device (DIR is created when
                     missing; an old symbolic link of that name is replaced); the link is
                     removed on exit. DIR can be the tool's port map directory.
  --name NAME        name of the link in DIR (default COM4)
  --delay MS         wait MS milliseconds after each frame before answering (default 0)
  --split N          write each answer in N parts (default 1)
  --pause MS         pause between the parts of an answer (default 100)
  --drop             never answer (writes are still applied)
  --drop-first N     drop the answers to the first N frames
  --drop-rate P      drop each answer with probability P (0 to 1)
  --seed S           seed for --drop-rate (default 1)
  --log              log the traffic (bytes read, frames with their answers, bytes written)
                     to standard error
  --exit-with-parent exit when the process that started the simulator ends
  --help             show this text and exit

Exit status: 0 after a signal or the parent's end, 1 when the pseudo-terminal or the link
cannot be created, 2 for a bad command line.
)";

struct Config {
    vq830::sim::SimOptions sim;
    std::string linkDir;
    std::string linkName = "COM4";
    bool nameGiven = false;
    bool exitWithParent = false;
};

[[noreturn]] void UsageError(const std::string& message) {
    std::fprintf(stderr, "vq830-sim: %s\nTry 'vq830-sim --help'.\n", message.c_str());
    std::exit(2);
}

long long ParseWhole(const std::string& option, const std::string& text, long long max) {
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 0 || value > max)
        UsageError(option + ": '" + text + "' is not a number from 0 to " + std::to_string(max));
    return value;
}

Config ParseCommandLine(int argc, char** argv) {
    Config config;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.erase(eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= argc) UsageError(arg + " needs a value");
            return argv[++i];
        };
        auto flag = [&] {
            if (inlineValue) UsageError(arg + " takes no value");
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--link") {
            config.linkDir = value();
            if (config.linkDir.empty()) UsageError("--link needs a directory");
        } else if (arg == "--name") {
            config.linkName = value();
            config.nameGiven = true;
            if (config.linkName.empty() || config.linkName == "." || config.linkName == ".." ||
                config.linkName.find('/') != std::string::npos)
                UsageError("--name: '" + config.linkName + "' is not a file name");
        } else if (arg == "--delay") {
            config.sim.answerDelay = std::chrono::milliseconds(ParseWhole(arg, value(), 600000));
        } else if (arg == "--split") {
            config.sim.splitParts = static_cast<int>(ParseWhole(arg, value(), 1000));
            if (config.sim.splitParts < 1) UsageError("--split: the number of parts is at least 1");
        } else if (arg == "--pause") {
            config.sim.splitPause = std::chrono::milliseconds(ParseWhole(arg, value(), 600000));
        } else if (arg == "--drop") {
            flag();
            config.sim.dropAll = true;
        } else if (arg == "--drop-first") {
            config.sim.dropFirst = static_cast<std::uint64_t>(ParseWhole(arg, value(), 1LL << 62));
        } else if (arg == "--drop-rate") {
            std::string text = value();
            char* end = nullptr;
            double rate = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !std::isfinite(rate) || rate < 0 || rate > 1)
                UsageError("--drop-rate: '" + text + "' is not a number from 0 to 1");
            config.sim.dropRate = rate;
        } else if (arg == "--seed") {
            config.sim.dropSeed = static_cast<std::uint64_t>(ParseWhole(arg, value(), 1LL << 62));
        } else if (arg == "--log") {
            flag();
            config.sim.logTraffic = true;
        } else if (arg == "--exit-with-parent") {
            flag();
            config.exitWithParent = true;
        } else {
            UsageError("unknown option '" + arg + "'");
        }
    }
    if (config.nameGiven && config.linkDir.empty()) UsageError("--name needs --link");
    return config;
}

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
    Config config = ParseCommandLine(argc, argv);

    pid_t parent = getppid();
    if (config.exitWithParent) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) return 0; // the parent ended before the request took hold
    }

    // The signals that end the simulator are taken synchronously by the main thread; the
    // server thread inherits the mask and never sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
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
        int signal = sigtimedwait(&stopSignals, nullptr, &wait);
        if (signal > 0) break;
        if (config.exitWithParent && getppid() != parent) break;
    }

    server.Stop();
    if (!linkPath.empty() && LinkPointsTo(linkPath, pty.SlavePath())) ::unlink(linkPath.c_str());
    pty.Close();
    return 0;
}
