// libFuzzer target: the vq830-sim command line.
//
// The input, split at its NUL bytes, is the argument list after the program name. Parsing must
// never crash; an error must say what is wrong; an accepted command line must hold only values
// in the ranges that --help documents, and must change a setting only through an option that
// names it. A violation aborts.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sim/command_line.h"

namespace {

using vq830::sim::CommandLine;
using vq830::sim::SimConfig;

void Require(bool condition) {
    if (!condition) std::abort();
}

// Whether an argument names the option (alone or as "--option=value").
bool Named(const std::vector<std::string>& args, std::string_view option) {
    return std::any_of(args.begin(), args.end(), [&](const std::string& a) {
        return a == option ||
               (a.starts_with(option) && a.size() > option.size() && a[option.size()] == '=');
    });
}

void CheckAccepted(const SimConfig& c, const std::vector<std::string>& args) {
    const vq830::sim::SimOptions defaults;
    const auto& s = c.sim;
    Require(s.answerDelay.count() >= 0 && s.answerDelay.count() <= 600000);
    Require(s.splitPause.count() >= 0 && s.splitPause.count() <= 600000);
    Require(s.splitParts >= 1 && s.splitParts <= 1000);
    Require(s.dropFirst <= (std::uint64_t{1} << 62) && s.dropSeed <= (std::uint64_t{1} << 62));
    Require(std::isfinite(s.dropRate) && s.dropRate >= 0 && s.dropRate <= 1);
    Require(!c.linkName.empty() && c.linkName != "." && c.linkName != ".." &&
            c.linkName.find('/') == std::string::npos);
    Require(!c.nameGiven || !c.linkDir.empty());
    Require(s.line.has_value());
    Require(s.line->baud >= 0 && s.line->baud <= vq830::sim::kMaxBaudIndex);
    Require(s.line->parity >= 0 && s.line->parity <= vq830::sim::kMaxParityIndex);
    Require(s.line->stop >= 0 && s.line->stop <= vq830::sim::kMaxStopIndex);
    Require(s.mismatch == vq830::sim::Mismatch::Noise ||
            s.mismatch == vq830::sim::Mismatch::Silent);

    // Settings left at their defaults unless their option was given.
    Require(Named(args, "--delay") || s.answerDelay == defaults.answerDelay);
    Require(Named(args, "--pause") || s.splitPause == defaults.splitPause);
    Require(Named(args, "--split") || s.splitParts == defaults.splitParts);
    Require(Named(args, "--drop-first") || s.dropFirst == defaults.dropFirst);
    Require(Named(args, "--drop-rate") || s.dropRate == defaults.dropRate);
    Require(Named(args, "--seed") || s.dropSeed == defaults.dropSeed);
    Require(Named(args, "--line") || *s.line == vq830::sim::PortSettings{}); // 9600,None,1
    Require(Named(args, "--mismatch") || s.mismatch == defaults.mismatch);
    Require(Named(args, "--drop") || !s.dropAll);
    Require(Named(args, "--log") || !s.logTraffic);
    Require(Named(args, "--exit-with-parent") || !c.exitWithParent);
    Require(Named(args, "--link") || c.linkDir.empty());
    Require(Named(args, "--name") || (c.linkName == "COM4" && !c.nameGiven));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    if (!input.empty()) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t nul = input.find('\0', start);
            args.emplace_back(input.substr(start, nul - start));
            if (nul == std::string_view::npos) break;
            start = nul + 1;
        }
    }
    std::vector<const char*> argv = {"vq830-sim"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);

    const CommandLine result =
        vq830::sim::ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data());
    switch (result.action) {
    case CommandLine::Action::Help:
        Require(Named(args, "--help") || std::find(args.begin(), args.end(), "-h") != args.end());
        break;
    case CommandLine::Action::Error:
        Require(!result.error.empty());
        break;
    case CommandLine::Action::Run:
        CheckAccepted(result.config, args);
        break;
    }
    return 0;
}
