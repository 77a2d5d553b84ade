#include "sim/command_line.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace vq830::sim {

const std::string_view kUsage = R"(Usage: vq830-sim [OPTION]...
Simulates a VQ830-A(B) serial distributor on a pseudo-terminal.

When ready, prints the device path of the simulated port (e.g. /dev/pts/5) as one line on
standard output. The device keeps its settings in memory, answers the tool's queries from them,
applies and acknowledges writes ("OK#") and answers anything malformed with "ERR#". Runs until
SIGINT or SIGTERM (or SIGHUP), then removes its link and exits with status 0. SIGUSR1 restarts
the device: from then on it answers at its stored main-port setting, so that a written "BAZ"
takes effect, as on the board, only at a restart.

Options:
  --link DIR         create DIR/NAME as a symbolic link to the device (DIR is created when
                     missing; an old symbolic link of that name is replaced); the link is
                     removed on exit. DIR can be the tool's port map directory.
  --name NAME        name of the link in DIR (default COM4)
  --delay MS         wait MS milliseconds after each frame before answering (default 0)
  --split N          write each answer in N parts (default 1)
  --pause MS         pause between the parts of an answer (default 100)
  --drop             never answer (writes are still applied)
  --refuse           answer every frame with "ERR#" and apply nothing
  --drop-first N     drop the answers to the first N frames
  --drop-rate P      drop each answer with probability P (0 to 1)
  --seed S           seed for --drop-rate and for the noise of --mismatch (default 1)
  --line BAUD,PARITY,STOP
                     the main port's line setting that the device answers at, and the stored
                     main-port setting ("BAZ") that it starts with (default 9600,None,1):
                     BAUD 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200, PARITY
                     None, Odd or Even, STOP 1 or 2. The port's rate and stop bits are
                     compared with it (a pseudo-terminal keeps no parity, so parity is not);
                     frames at another rate or stop-bit count are not applied
  --mismatch MODE    what a frame at another rate or stop-bit count gets back: noise (bytes
                     that are not printable, as a UART at the wrong rate delivers; the
                     default) or silent (nothing)
  --log              log the traffic (bytes read, frames with their answers, bytes written)
                     to standard error
  --exit-with-parent exit when the process that started the simulator ends
  --help             show this text and exit

Exit status: 0 after a signal or the parent's end, 1 when the pseudo-terminal or the link
cannot be created, 2 for a bad command line.
)";

namespace {

// Thrown inside the parser at the first error; ParseCommandLine turns it into its result.
struct UsageError {
    std::string message;
};

long long ParseWhole(const std::string& option, const std::string& text, long long max) {
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 0 || value > max)
        throw UsageError{option + ": '" + text + "' is not a number from 0 to " +
                         std::to_string(max)};
    return value;
}

double ParseRate(const std::string& text) {
    char* end = nullptr;
    double rate = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(rate) || rate < 0 || rate > 1)
        throw UsageError{"--drop-rate: '" + text + "' is not a number from 0 to 1"};
    return rate;
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    return std::ranges::equal(a, b, {}, lower, lower);
}

// "BAUD,PARITY,STOP" to the indexes of DeviceState::ports.
PortSettings ParseLine(const std::string& text) {
    const std::vector<std::string> parts = SplitAtCommas(text);
    PortSettings s{-1, -1, -1};
    if (parts.size() == 3) {
        for (int i = 0; i <= kMaxBaudIndex; ++i)
            if (parts[0] == std::to_string(kBaudRates[i])) s.baud = i;
        for (int i = 0; i <= kMaxParityIndex; ++i)
            if (EqualNoCase(parts[1], kParityNames[i])) s.parity = i;
        s.stop = parts[2] == "1" ? 0 : parts[2] == "2" ? 1 : -1;
    }
    if (s.baud < 0 || s.parity < 0 || s.stop < 0)
        throw UsageError{"--line: '" + text + "' is not BAUD,PARITY,STOP (e.g. 9600,None,1)"};
    return s;
}

Mismatch ParseMismatch(const std::string& text) {
    if (text == "noise") return Mismatch::Noise;
    if (text == "silent") return Mismatch::Silent;
    throw UsageError{"--mismatch: '" + text + "' is neither noise nor silent"};
}

bool IsFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The options one at a time, each with its value when it takes one.
class Reader {
public:
    Reader(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

    // Takes the next option; false at the end.
    bool Next() {
        if (++i_ >= argc_) return false;
        name_ = argv_[i_];
        inlineValue_.reset();
        if (auto eq = name_.find('='); name_.starts_with("--") && eq != std::string::npos) {
            inlineValue_ = name_.substr(eq + 1);
            name_.erase(eq);
        }
        return true;
    }
    const std::string& Name() const { return name_; }
    // The option's value: after '=', else the next argument.
    std::string Value() {
        if (inlineValue_) return *inlineValue_;
        if (i_ + 1 >= argc_) throw UsageError{name_ + " needs a value"};
        return argv_[++i_];
    }
    // For an option that takes no value.
    void NoValue() const {
        if (inlineValue_) throw UsageError{name_ + " takes no value"};
    }
    long long Whole(long long max) { return ParseWhole(name_, Value(), max); }

private:
    int argc_;
    const char* const* argv_;
    int i_ = 0;
    std::string name_;
    std::optional<std::string> inlineValue_;
};

// Applies one option other than --help to the configuration.
void Apply(Reader& r, SimConfig& config) {
    const std::string& arg = r.Name();
    SimOptions& sim = config.sim;
    if (arg == "--link") {
        config.linkDir = r.Value();
        if (config.linkDir.empty()) throw UsageError{"--link needs a directory"};
    } else if (arg == "--name") {
        config.linkName = r.Value();
        config.nameGiven = true;
        if (!IsFileName(config.linkName))
            throw UsageError{"--name: '" + config.linkName + "' is not a file name"};
    } else if (arg == "--delay") {
        sim.answerDelay = std::chrono::milliseconds(r.Whole(600000));
    } else if (arg == "--split") {
        sim.splitParts = static_cast<int>(r.Whole(1000));
        if (sim.splitParts < 1) throw UsageError{"--split: the number of parts is at least 1"};
    } else if (arg == "--pause") {
        sim.splitPause = std::chrono::milliseconds(r.Whole(600000));
    } else if (arg == "--drop") {
        r.NoValue();
        sim.dropAll = true;
    } else if (arg == "--refuse") {
        r.NoValue();
        sim.refuseAll = true;
    } else if (arg == "--drop-first") {
        sim.dropFirst = static_cast<std::uint64_t>(r.Whole(1LL << 62));
    } else if (arg == "--drop-rate") {
        sim.dropRate = ParseRate(r.Value());
    } else if (arg == "--seed") {
        sim.dropSeed = static_cast<std::uint64_t>(r.Whole(1LL << 62));
    } else if (arg == "--line") {
        sim.line = ParseLine(r.Value());
    } else if (arg == "--mismatch") {
        sim.mismatch = ParseMismatch(r.Value());
    } else if (arg == "--log") {
        r.NoValue();
        sim.logTraffic = true;
    } else if (arg == "--exit-with-parent") {
        r.NoValue();
        config.exitWithParent = true;
    } else {
        throw UsageError{"unknown option '" + arg + "'"};
    }
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    result.config.sim.line = PortSettings{}; // 9600,None,1
    try {
        Reader reader(argc, argv);
        while (reader.Next()) {
            if (reader.Name() == "--help" || reader.Name() == "-h") {
                result.action = CommandLine::Action::Help;
                return result;
            }
            Apply(reader, result.config);
        }
        if (result.config.nameGiven && result.config.linkDir.empty())
            throw UsageError{"--name needs --link"};
    } catch (const UsageError& error) {
        result.action = CommandLine::Action::Error;
        result.error = error.message;
    }
    return result;
}

} // namespace vq830::sim
