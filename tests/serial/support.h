// Helpers shared by the serial tests.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "pty/pty_pair.h"
#include "serial/comm.h"
#include "serial/notify.h"

using namespace std::chrono_literals;

// Number of open descriptors of this process.
int CountOpenFds();
// Ids of this process's threads, and the CPU time (user plus system, in clock ticks) that the
// given ones have used so far.
std::set<std::string> ThreadIds();
long CpuTicks(const std::set<std::string>& threads);

// A TComm set up for binary traffic on a pseudo-terminal: no XON/XOFF (a pseudo-terminal
// would act on the flow-control characters), everything else at its constructor values.
std::unique_ptr<TComm> MakeBinaryPort(const std::shared_ptr<QueueNotifySink>& sink,
                                      const std::string& path);

// Everything a TComm's events reported, in order, with the thread each ran on.
struct EventLog {
    std::vector<std::vector<uint8_t>> Batches;
    std::vector<uint32_t> LineErrors;
    std::vector<uint32_t> ModemEvents;
    int Hangups = 0;
    int SendEmpty = 0;
    bool AllOnOwnerThread = true;
    std::thread::id Owner = std::this_thread::get_id();

    void Attach(TComm& comm);
    std::vector<uint8_t> AllReceived() const;
    size_t ReceivedCount() const;
};

// Waits, without running notifications, until the sink holds at least n of them.
bool WaitPending(const QueueNotifySink& sink, size_t n, std::chrono::milliseconds timeout);

// Waits until pred() holds, checking every 2 ms, for at most timeout. Returns pred()'s last value.
bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

// The threads of this process started after this object: those the kernel lists now and did
// not list at its construction. Counted from the ids listed then, not from their number: a
// thread joined just before still shows in /proc until it has finished exiting, and counted
// as a number it would be taken for one of the port's once it goes.
class ThreadsSince {
public:
    ThreadsSince() : Before(ThreadIds()) {}
    int Count() const;
    // Waits until Count() == n.
    bool WaitCount(int n, std::chrono::milliseconds timeout) const;

private:
    std::set<std::string> Before;
};

std::vector<uint8_t> Pattern(size_t n, unsigned seed = 1);
