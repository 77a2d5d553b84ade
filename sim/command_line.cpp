#include "sim/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace vq830::sim {

const std::string_view kUsage = R"(Usage: vq830-sim [OPTION]...
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
  --refuse           answer every frame with "ERR#" and apply nothing
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
