// The window under a flooded line: memory and the delay of a click while the far end of a
// pseudo-terminal writes as fast as it can, compared with the same window idle, in one run.
//
//   flood_bench [SECONDS] [--log] [--unbounded]
//
// Phases, each on a fresh window whose port is opened through its own panel:
//   idle   - no traffic: resident memory, and the delay of clicks posted to the window
//            (the baseline);
//   flood  - SECONDS (default 10) of writing at full speed, then 3 s of quiet ("after").
// --log shows the traffic log window during the flood (it records every batch either way).
// --unbounded repeats the flood with no bound on what waits for the window, for comparison
// (a bound far above anything a flood of SECONDS fills); expect memory to grow by hundreds
// of MB and clicks that do not run before the end. The program ends after that phase.
//
// A click is Button26 ("清除缓冲区") clicked by a call posted to the window's event queue from
// another thread, once a second; its delay is the time from the post to the click.
#include "pty/pty_pair.h"
#include "serial/comm.h"
#include "tests/form_parts.h"
#include "ui/combo_box.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/traffic_log.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double ResidentMiB() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Writes to the master side as fast as the line takes it until told to stop.
struct Flooder {
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> written{0};
    std::thread thread;

    void Start(int master) {
        thread = std::thread([this, master] {
            std::vector<char> chunk(4096, 'x');
            while (!stop.load()) {
                const ssize_t n = write(master, chunk.data(), chunk.size());
                if (n > 0) {
                    written += uint64_t(n);
                    continue;
                }
                pollfd p{master, POLLOUT, 0};
                (void)poll(&p, 1, 20);
            }
        });
    }
    void Stop() {
        stop = true;
        if (thread.joinable()) thread.join();
    }
};

// Posts clicks to the window from another thread and records when each ran.
struct Clicker {
    explicit Clicker(QPushButton* b) : button(b) {}
    QPushButton* button;
    std::mutex mutex;
    std::vector<double> delays; // ms, in the order the clicks ran
    int posted = 0;

    void PostOne() {
        const auto posted_at = Clock::now();
        ++posted;
        QMetaObject::invokeMethod(
            button,
            [this, posted_at] {
                button->click();
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - posted_at).count();
                std::lock_guard lock(mutex);
                delays.push_back(ms);
            },
            Qt::QueuedConnection);
    }
};

struct Figures {
    double residentMiB = 0;   // largest seen
    double medianDelayMs = 0; // of the clicks that ran
    double maxDelayMs = 0;    // of the clicks that ran
    int clicksPosted = 0, clicksRun = 0;
    double mibWritten = 0;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs the window's event loop for `span`. Another thread samples memory every 100 ms and
// posts a click every second (the window's thread may be busy for long stretches).
void Watch(std::chrono::milliseconds span, Clicker& clicker, Figures& f) {
    std::atomic<bool> done{false};
    std::atomic<double> peak{ResidentMiB()};
    std::thread sampler([&] {
        auto next = Clock::now() + 500ms;
        while (!done.load()) {
            std::this_thread::sleep_for(100ms);
            peak = std::max(peak.load(), ResidentMiB());
            if (Clock::now() >= next) {
                clicker.PostOne();
                next += 1s;
            }
        }
    });
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
    done = true;
    sampler.join();
    f.residentMiB = peak;
}

void Summarise(Clicker& clicker, Figures& f) {
    std::lock_guard lock(clicker.mutex);
    f.clicksPosted = clicker.posted;
    f.clicksRun = int(clicker.delays.size());
    f.medianDelayMs = Median(clicker.delays);
    f.maxDelayMs = clicker.delays.empty()
                       ? 0
                       : *std::max_element(clicker.delays.begin(), clicker.delays.end());
}

// One window on a fresh pair, its port opened through the panel.
struct Rig {
    PtyPair pty;
    TForm1 form;
    bool Open() {
        if (!pty.Valid()) return false;
        form.ui.SPREALCOM->setEditText(QString::fromStdString(pty.SlavePath()));
        form.ui.Button1->click();
        return PartOf<TPortLink>(form).PortOpened();
    }
};

Figures Idle() {
    Rig rig;
    Figures f;
    if (!rig.Open()) return f;
    Clicker clicker(rig.form.ui.Button26);
    Watch(3s, clicker, f);
    Summarise(clicker, f);
    return f;
}

// The flood, then 3 s of quiet; returns figures for the flood and for the time after it.
std::pair<Figures, Figures> Flood(std::chrono::seconds span, bool showLog) {
    Rig rig;
    Figures during, after;
    if (!rig.Open()) return {during, after};
    if (showLog) rig.form.ui.TrafficLog->ShowAndRaise();
    Flooder flooder;
    flooder.Start(rig.pty.MasterFd());
    Clicker clicker(rig.form.ui.Button26);
    Watch(span, clicker, during);
    flooder.Stop();
    Summarise(clicker, during);
    during.mibWritten = double(flooder.written.load()) / (1024.0 * 1024.0);
    Clicker quiet(rig.form.ui.Button26);
    Watch(3s, quiet, after);
    Summarise(quiet, after);
    return {during, after};
}

void Print(const char* name, const Figures& f, const Figures& idle);

// The same flood with no bound on what waits for the window. The window's thread then works
// through its queue far beyond the flood, so the figures are taken from another thread at
// the end of the flood and the program ends there.
[[noreturn]] void FloodUnbounded(std::chrono::seconds span, const Figures& idle) {
    auto* rig = new Rig; // never destroyed: the program ends in the middle of its work
    if (!rig->Open()) std::_Exit(1);
    rig->form.ui.Comm1->SetReceiveBacklogLimit(UINT32_MAX);
    auto* flooder = new Flooder;
    flooder->Start(rig->pty.MasterFd());
    auto* clicker = new Clicker(rig->form.ui.Button26);
    std::thread([=] {
        Figures f;
        const auto end = Clock::now() + span;
        auto next = Clock::now() + 500ms;
        while (Clock::now() < end) {
            std::this_thread::sleep_for(100ms);
            f.residentMiB = std::max(f.residentMiB, ResidentMiB());
            if (Clock::now() >= next) {
                clicker->PostOne();
                next += 1s;
            }
        }
        flooder->Stop();
        Summarise(*clicker, f);
        f.mibWritten = double(flooder->written.load()) / (1024.0 * 1024.0);
        Print("flood, unbounded", f, idle);
        std::fflush(stdout);
        std::_Exit(0);
    }).detach();
    QEventLoop().exec();
    std::_Exit(1);
}

void Print(const char* name, const Figures& f, const Figures& idle) {
    std::printf("%-22s resident %7.1f MiB (%+7.1f over idle)  clicks run %2d of %2d  delay "
                "median %8.1f ms  max %8.1f ms  (median %.0fx idle)",
                name, f.residentMiB, f.residentMiB - idle.residentMiB, f.clicksRun, f.clicksPosted,
                f.medianDelayMs, f.maxDelayMs,
                idle.medianDelayMs > 0 ? f.medianDelayMs / idle.medianDelayMs : 0.0);
    if (f.mibWritten > 0) std::printf("  written %.1f MiB", f.mibWritten);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 10;
    bool unbounded = false;
    bool showLog = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--unbounded"))
            unbounded = true;
        else if (arg == QLatin1String("--log"))
            showLog = true;
        else
            seconds = std::max(1, arg.toInt());
    }
    const Figures idle = Idle();
    if (idle.clicksRun == 0) {
        std::fprintf(stderr, "flood_bench: the window did not open its port\n");
        return 1;
    }
    Print("idle (baseline)", idle, idle);
    const auto [during, after] = Flood(std::chrono::seconds(seconds), showLog);
    Print(showLog ? "flood, log shown" : "flood", during, idle);
    Print("after the flood", after, idle);
    if (unbounded) FloodUnbounded(std::chrono::seconds(seconds), idle);
    return 0;
}
