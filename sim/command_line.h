// The vq830-sim command line: its options, read into a SimConfig, and the --help text.
#pragma once

#include <string>
#include <string_view>

#include "sim/sim_server.h"

namespace vq830::sim {

struct SimConfig {
    SimOptions sim;
    std::string linkDir; // --link: empty for no link
    std::string linkName = "COM4";
    bool nameGiven = false;
    bool exitWithParent = false;
};

struct CommandLine {
    enum class Action {
        Run,  // serve with `config`
        Help, // --help or -h: show kUsage and exit with status 0
        Error // a bad command line: show `error` and exit with status 2
    };
    Action action = Action::Run;
    SimConfig config;
    std::string error; // what is wrong, e.g. "--split needs a value"
};

// The text of --help.
extern const std::string_view kUsage;

// Reads argv[1] .. argv[argc - 1]. Options are "--name value" or "--name=value"; the first
// --help (or -h) or the first error ends the reading. Every accepted value lies in the range
// that kUsage documents: --delay and --pause 0..600000, --split 1..1000, --drop-first and
// --seed 0..2^62, --drop-rate 0..1; --line one of the eight rates 1200..115200, None, Odd or
// Even (any case) and 1 or 2 stop bits, 9600,None,1 when not given (SimOptions::line is always
// set); --mismatch noise or silent; --link a non-empty directory, --name a file name (not
// empty, ".", ".." and without '/'), and only with --link.
CommandLine ParseCommandLine(int argc, const char* const* argv);

} // namespace vq830::sim
