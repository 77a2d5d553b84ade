// Throughput, reply latency and idle wake-ups of TComm on pseudo-terminal pairs.
//
//   serial_bench [MiB per run, default 16] [runs, default 5]
//
// Every figure is measured in the same run against a baseline: a plain blocking read/write
// loop on the same kind of pair (the ceiling) and QSerialPort.
#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "pty/pty_pair.h"
#include "serial/comm.h"
#include "serial/notify.h"

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr size_t Chunk = 64 * 1024; // what the far end writes per call

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Process CPU time (all threads, user and system), seconds.
double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// One transfer: bytes per second of wall time, and CPU seconds the process spent on it.
struct Result {
    double rate = 0;
    double cpu = 0;
};

Result Measure(size_t bytes, Clock::time_point t0, Clock::time_point t1, double cpu0) {
    return {bytes / Seconds(t1 - t0), CpuSeconds() - cpu0};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Blocking write of everything to fd (which may be non-blocking).
void WriteFully(int fd, const uint8_t* p, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t w = write(fd, p + done, std::min(Chunk, n - done));
        if (w > 0) {
            done += static_cast<size_t>(w);
        } else if (w < 0 && errno == EAGAIN) {
            pollfd pfd{fd, POLLOUT, 0};
            poll(&pfd, 1, 1000);
        } else if (!(w < 0 && errno == EINTR)) {
            std::fprintf(stderr, "write failed\n");
            std::exit(1);
        }
    }
}

// Blocking read of n bytes from fd (which may be non-blocking).
void ReadFully(int fd, size_t n, size_t block) {
    std::vector<uint8_t> buf(block);
    size_t done = 0;
    while (done < n) {
        const ssize_t r = read(fd, buf.data(), std::min(block, n - done));
        if (r > 0) {
            done += static_cast<size_t>(r);
        } else if (r < 0 && errno == EAGAIN) {
            pollfd pfd{fd, POLLIN, 0};
            poll(&pfd, 1, 1000);
        } else if (!(r < 0 && errno == EINTR)) {
            std::fprintf(stderr, "read failed\n");
            std::exit(1);
        }
    }
}

// A slave descriptor in blocking raw mode, as a plain program would use it.
int OpenBlocking(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        std::perror("open");
        std::exit(1);
    }
    return fd;
}

// --- the ceiling: plain blocking loops -------------------------------------------------------

Result PlainReceive(const std::vector<uint8_t>& data) {
    PtyPair pty;
    const int fd = OpenBlocking(pty.SlavePath());
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::thread far([&] { WriteFully(pty.MasterFd(), data.data(), data.size()); });
    ReadFully(fd, data.size(), Chunk);
    const auto t1 = Clock::now();
    far.join();
    close(fd);
    return Measure(data.size(), t0, t1, cpu0);
}

Result PlainSend(const std::vector<uint8_t>& data) {
    PtyPair pty;
    const int fd = OpenBlocking(pty.SlavePath());
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::thread far([&] { ReadFully(pty.MasterFd(), data.size(), Chunk); });
    WriteFully(fd, data.data(), data.size());
    far.join();
    const auto t1 = Clock::now();
    close(fd);
    return Measure(data.size(), t0, t1, cpu0);
}

// --- TComm -----------------------------------------------------------------------------------

std::unique_ptr<TComm> OpenComm(const std::shared_ptr<QueueNotifySink>& sink,
                                const std::string& path) {
    auto comm = std::make_unique<TComm>(sink);
    comm->SetCommName(path);
    comm->SetBaudRate(115200);
    comm->SetOutx_XonXoffFlow(false);
    comm->SetInx_XonXoffFlow(false);
    return comm;
}

Result CommReceive(const std::vector<uint8_t>& data) {
    auto sink = std::make_shared<QueueNotifySink>();
    PtyPair pty;
    auto comm = OpenComm(sink, pty.SlavePath());
    size_t got = 0;
    comm->OnReceiveData = [&](TComm&, const uint8_t*, uint16_t n) { got += n; };
    comm->OpenPort();
    sink->RunUntil([&] { return sink->Pending() == 0; }, 1s);
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::thread far([&] { WriteFully(pty.MasterFd(), data.data(), data.size()); });
    // The owner's loop: wait for a notification, run it.
    const auto limit = Clock::now() + 60s;
    while (got < data.size() && Clock::now() < limit)
        sink->WaitAndRunOne(1s);
    const auto t1 = Clock::now();
    far.join();
    if (got != data.size()) std::fprintf(stderr, "TComm received %zu of %zu\n", got, data.size());
    return Measure(data.size(), t0, t1, cpu0);
}

Result CommSend(const std::vector<uint8_t>& data) {
    auto sink = std::make_shared<QueueNotifySink>();
    PtyPair pty;
    auto comm = OpenComm(sink, pty.SlavePath());
    comm->OpenPort();
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::thread far([&] { ReadFully(pty.MasterFd(), data.size(), Chunk); });
    for (size_t off = 0; off < data.size(); off += Chunk)
        while (!comm->SendBytes(data.data() + off, std::min(Chunk, data.size() - off)))
            std::this_thread::yield();
    far.join();
    const auto t1 = Clock::now();
    return Measure(data.size(), t0, t1, cpu0);
}

// --- QSerialPort -----------------------------------------------------------------------------

Result QtReceive(const std::vector<uint8_t>& data) {
    PtyPair pty;
    QSerialPort port(QString::fromStdString(pty.SlavePath()));
    port.setBaudRate(115200);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "QSerialPort: %s\n", qPrintable(port.errorString()));
        return {};
    }
    size_t got = 0;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        got += static_cast<size_t>(port.readAll().size());
        if (got >= data.size()) QCoreApplication::quit();
    });
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::thread far([&] { WriteFully(pty.MasterFd(), data.data(), data.size()); });
    QTimer::singleShot(60000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    const auto t1 = Clock::now();
    far.join();
    port.close();
    return Measure(data.size(), t0, t1, cpu0);
}

Result QtSend(const std::vector<uint8_t>& data) {
    PtyPair pty;
    QSerialPort port(QString::fromStdString(pty.SlavePath()));
    port.setBaudRate(115200);
    if (!port.open(QIODevice::ReadWrite)) return {};
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::thread far([&] { ReadFully(pty.MasterFd(), data.size(), Chunk); });
    for (size_t off = 0; off < data.size(); off += Chunk)
        port.write(reinterpret_cast<const char*>(data.data() + off),
                   static_cast<qint64>(std::min(Chunk, data.size() - off)));
    while (port.bytesToWrite() > 0)
        port.waitForBytesWritten(1000);
    far.join();
    const auto t1 = Clock::now();
    port.close();
    return Measure(data.size(), t0, t1, cpu0);
}

// --- latency and idle wake-ups ---------------------------------------------------------------

// Time from a reply's last byte entering the line to OnReceiveData, less the interval
// time-out that has to pass before the batch ends. Milliseconds, one per reply.
std::vector<double> ReplyDelays(int replies) {
    auto sink = std::make_shared<QueueNotifySink>();
    PtyPair pty;
    auto comm = OpenComm(sink, pty.SlavePath());
    Clock::time_point delivered;
    int batches = 0;
    comm->OnReceiveData = [&](TComm&, const uint8_t*, uint16_t) {
        delivered = Clock::now();
        ++batches;
    };
    comm->OpenPort();
    sink->RunUntil([&] { return sink->Pending() == 0; }, 1s);
    const std::string reply = "MOD:1,BAZ:7,BAA:7,BAB:7,BAC:7,OTM:10,RTM:10,ODM:10\r\n";
    std::vector<double> out;
    for (int i = 0; i < replies; ++i) {
        const int before = batches;
        WriteFully(pty.MasterFd(), reinterpret_cast<const uint8_t*>(reply.data()), reply.size());
        const auto sent = Clock::now();
        sink->RunUntil([&] { return batches > before; }, 5s);
        out.push_back(std::chrono::duration<double, std::milli>(delivered - sent).count() -
                      comm->ReadIntervalTimeout());
    }
    return out;
}

std::set<std::string> Tasks() {
    std::set<std::string> s;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') s.insert(e->d_name);
        closedir(d);
    }
    return s;
}

long Switches(const std::string& tid) {
    std::ifstream f("/proc/self/task/" + tid + "/status");
    std::string line;
    long total = 0;
    while (std::getline(f, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            total += std::strtol(line.c_str() + line.find(':') + 1, nullptr, 10);
    return total;
}

// Wake-ups of the port threads while an open port sees no traffic for `quiet`.
long IdleWakeups(std::chrono::seconds quiet, size_t& threads) {
    auto sink = std::make_shared<QueueNotifySink>();
    PtyPair pty;
    auto comm = OpenComm(sink, pty.SlavePath());
    const auto before = Tasks();
    comm->OpenPort();
    sink->RunUntil([&] { return sink->Pending() == 0 && false; }, 200ms); // let it settle
    std::vector<std::string> port;
    for (const auto& t : Tasks())
        if (!before.count(t)) port.push_back(t);
    threads = port.size();
    long start = 0;
    for (const auto& t : port)
        start += Switches(t);
    std::this_thread::sleep_for(quiet);
    long end = 0;
    for (const auto& t : port)
        end += Switches(t);
    return end - start;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<uint8_t> data(mib * 1024 * 1024);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 131 + (i >> 9));

    // The contenders run back to back in every round, in a rotating order, and each ratio is
    // taken within a round, so that load from elsewhere on the machine hits them alike; the
    // figures are medians over the rounds.
    struct Direction {
        const char* name;
        Result (*plain)(const std::vector<uint8_t>&);
        Result (*comm)(const std::vector<uint8_t>&);
        Result (*qt)(const std::vector<uint8_t>&);
    };
    const Direction directions[] = {
        {"receive (far end -> port)", PlainReceive, CommReceive, QtReceive},
        {"send (port -> far end)", PlainSend, CommSend, QtSend},
    };
    const double MiB = 1024.0 * 1024.0;
    const double mibs = static_cast<double>(data.size()) / MiB;
    std::printf("payload: %zu MiB per run, %d rounds, medians over the rounds\n", mib, runs);
    for (const auto& d : directions) {
        std::vector<double> rate[3], cpu[3], ratio[3];
        for (int r = 0; r < runs; ++r) {
            Result res[3];
            for (int k = 0; k < 3; ++k) {
                const int which = (r + k) % 3;
                res[which] = which == 0 ? d.plain(data) : which == 1 ? d.comm(data) : d.qt(data);
            }
            for (int w = 0; w < 3; ++w) {
                rate[w].push_back(res[w].rate / MiB);
                cpu[w].push_back(res[w].cpu * 1000 / mibs);
                ratio[w].push_back(res[w].rate / res[0].rate);
            }
            ratio[2].back() = res[1].rate / res[2].rate; // TComm against QSerialPort
        }
        const auto best = [](const std::vector<double>& v) {
            return *std::max_element(v.begin(), v.end());
        };
        std::printf("%s:\n", d.name);
        std::printf("  %-20s %9s %9s %12s %s\n", "", "MiB/s", "best", "CPU ms/MiB", "ratio");
        std::printf("  %-20s %9.1f %9.1f %12.2f\n", "plain blocking loop", Median(rate[0]),
                    best(rate[0]), Median(cpu[0]));
        std::printf("  %-20s %9.1f %9.1f %12.2f %.2f of plain, %.2f of QSerialPort\n", "TComm",
                    Median(rate[1]), best(rate[1]), Median(cpu[1]), Median(ratio[1]),
                    Median(ratio[2]));
        std::vector<double> qtRatio;
        for (size_t i = 0; i < rate[0].size(); ++i)
            qtRatio.push_back(rate[2][i] / rate[0][i]);
        std::printf("  %-20s %9.1f %9.1f %12.2f %.2f of plain\n", "QSerialPort", Median(rate[2]),
                    best(rate[2]), Median(cpu[2]), Median(qtRatio));
    }

    auto delays = ReplyDelays(20);
    std::sort(delays.begin(), delays.end());
    std::printf("reply delay beyond the %u ms interval time-out (20 replies): median %.3f ms, "
                "max %.3f ms\n",
                100u, Median(delays), delays.back());

    size_t threads = 0;
    const long wakeups = IdleWakeups(5s, threads);
    std::printf("idle open port, 5 s: %zu port threads, %ld wake-ups\n", threads, wakeups);
    return 0;
}
