// Finding the device against the simulated device, in one run: how long a search takes to
// settle for a device at the most likely and at the least likely of the main port's 48
// settings, for a port with nothing behind it, and for four ports searched together against
// one port alone.
//
//   find_bench
//
// Each case is a TDeviceFinder in this process over pseudo-terminal pairs, with an in-process
// SimServer behind the ports that have a device; timed from Start() to Finished. The five
// rounds are interleaved (every case once, then the next round), so that a change in the
// machine's load falls on all of them alike. The remembered settings are forgotten before each
// search (a temporary XDG_CONFIG_HOME), except in the case that measures them. A search that
// does not end as the case expects fails the benchmark.
//
// On a pseudo-terminal the simulator sees the rate and the stop bits, not the parity: a device
// at 1200 Odd 2 answers the first try at 1200 with 2 stop bits (1200 None 2), names 1200 Odd 2,
// and is confirmed there. "noise" answers a try at other settings with what a UART at the wrong
// rate delivers; "silent" gives nothing, so every try waits its whole first-byte time.
#include "finder/device_finder.h"
#include "finder/line_memory.h"
#include "pty/pty_pair.h"
#include "sim/sim_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

using SimMismatch = vq830::sim::Mismatch;
using vq830::sim::PortSettings;
using vq830::sim::SimOptions;
using vq830::sim::SimServer;

namespace {

constexpr int kRounds = 5;
constexpr double kLikelyTarget = 0.5;   // s
constexpr double kSettledTarget = 6.0;  // s
constexpr double kTogetherTarget = 1.3; // four ports / one port

struct Port {
    std::unique_ptr<PtyPair> pty = std::make_unique<PtyPair>();
    std::unique_ptr<SimServer> server;
};

// A port with a device at `line` behind it, or nothing.
Port MakePort(std::optional<PortSettings> line, SimMismatch mismatch) {
    Port port;
    if (!port.pty->Valid()) throw std::runtime_error("no pseudo-terminal: " + port.pty->Error());
    if (!line) return port;
    SimOptions options;
    options.line = line;
    options.mismatch = mismatch;
    options.initialState.ports[0] = *line;
    port.server = std::make_unique<SimServer>(port.pty->MasterFd(), options);
    if (!port.server->Start()) throw std::runtime_error("the simulator did not start");
    return port;
}

struct Case {
    const char* name;
    int ports;
    std::optional<PortSettings> line; // the device behind each port
    SimMismatch mismatch;
    bool remembered; // the settings found on the port before are tried first
    std::vector<double> seconds;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void ForgetFoundLines() { QSettings(QStringLiteral("vq830"), QStringLiteral("vq830")).clear(); }

// One search over the case's ports; its time in seconds.
double Search(const Case& c) {
    std::vector<Port> ports;
    QStringList names;
    for (int i = 0; i < c.ports; ++i) {
        ports.push_back(MakePort(c.line, c.mismatch));
        names << QString::fromStdString(ports.back().pty->SlavePath());
    }
    ForgetFoundLines();
    if (c.remembered)
        RememberLine(names[0], PortConfig{c.line->baud, c.line->parity, c.line->stop});
    TDeviceFinder finder(names);
    QEventLoop loop;
    QObject::connect(&finder, &TDeviceFinder::Finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    finder.Start();
    if (finder.Running()) loop.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const SearchOutcome expected = c.line ? SearchOutcome::Found : SearchOutcome::Nothing;
    for (const TPortProgress& p : finder.Ports())
        if (p.state != TPortProgress::State::Done || p.result.outcome != expected)
            throw std::runtime_error(std::string(c.name) + ": the search did not end as expected");
    return seconds;
}

void PrintCase(const Case& c) {
    std::printf("%-40s", c.name);
    for (const double t : c.seconds)
        std::printf(" %6.3f", t);
    std::printf("   median %6.3f s\n", Median(c.seconds));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const PortSettings likely{3, 0, 0}, least{0, 1, 1};
    std::vector<Case> cases{
        {"device at 9600 None 1", 1, likely, SimMismatch::Noise, false, {}},
        {"device at 1200 Odd 2, noise elsewhere", 1, least, SimMismatch::Noise, false, {}},
        {"device at 1200 Odd 2, silent elsewhere", 1, least, SimMismatch::Silent, false, {}},
        {"device at 1200 Odd 2, remembered", 1, least, SimMismatch::Silent, true, {}},
        {"nothing behind the port", 1, std::nullopt, SimMismatch::Silent, false, {}},
        {"4 ports, nothing behind them", 4, std::nullopt, SimMismatch::Silent, false, {}},
    };
    try {
        for (int round = 0; round < kRounds; ++round)
            for (Case& c : cases)
                c.seconds.push_back(Search(c));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "find_bench: %s\n", e.what());
        return 1;
    }
    std::printf("Seconds from Start to Finished, %d rounds:\n", kRounds);
    for (const Case& c : cases)
        PrintCase(c);
    const double likelyTime = Median(cases[0].seconds);
    double slowest = 0;
    for (size_t i = 1; i < 5; ++i)
        slowest = std::max(slowest, Median(cases[i].seconds));
    const double together = Median(cases[5].seconds) / Median(cases[4].seconds);
    std::printf("\n9600 None 1 found in %.3f s (target at most %.1f s)\n", likelyTime,
                kLikelyTarget);
    std::printf("slowest single port settled in %.3f s (target at most %.1f s)\n", slowest,
                kSettledTarget);
    std::printf("4 ports together / 1 port alone: %.2f (target at most %.1f)\n", together,
                kTogetherTarget);
    const bool met =
        likelyTime <= kLikelyTarget && slowest <= kSettledTarget && together <= kTogetherTarget;
    std::printf("%s\n", met ? "all targets met" : "TARGET MISSED");
    return met ? 0 : 1;
}
