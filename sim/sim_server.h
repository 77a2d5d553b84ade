// SimServer: runs a SimDevice on the master side of a pseudo-terminal, on its own thread.
//
// Typical use, in-process (a test, or the vq830-sim executable):
//
//     PtyPair pty;                              // slave raw, kept open by the pair
//     vq830::sim::SimServer server(pty.MasterFd(), options);
//     server.Start();
//     ... the tool opens pty.SlavePath() and talks to the device ...
//     server.WaitUntil([](const DeviceState& s, const SimStats&) { return s.workMode == 2; },
//                      std::chrono::seconds(5));
//     server.Stop();                            // also done by the destructor
//
// The server does not own the master descriptor: the caller closes it, after Stop(). Start()
// switches the descriptor to non-blocking mode. The slave side stays open through the caller's
// own hold (PtyPair keeps one), so that the tool may close and re-open its port any number of
// times without the master seeing a hang-up; while no slave descriptor is open at all, the
// server looks at the master again every 50 ms. The server thread reads what the tool writes,
// feeds it to the device, and writes the answers back, each answer after
// SimOptions::answerDelay, optionally in parts, or not at all when it is dropped. Answers wait
// in a bounded queue (kMaxQueuedBytes); when the tool does not read, later answers are
// discarded rather than queued without limit. Answers written while no one has the port open
// stay in the pseudo-terminal's input queue until the port is next opened (or flushed).
//
// Thread safety: State(), SetState(), Inject(), Stats(), History() and WaitUntil() may be called
// from any thread while the server runs; each takes a consistent snapshot under the server's lock.
// Inject() may also race Stop(): the bytes are then either written or ignored. Start() and Stop()
// belong to the thread that owns the server.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/device_state.h"
#include "sim/sim_device.h"

namespace vq830::sim {

struct SimOptions {
    // Time from the end of a frame to the first byte of its answer.
    std::chrono::milliseconds answerDelay{0};
    // Each answer is written in this many parts (at most one per byte), with splitPause between
    // them. 1 writes every answer at once.
    int splitParts = 1;
    std::chrono::milliseconds splitPause{100};
    // Dropping answers (the frames are still applied to the device): every answer, the first
    // dropFirst answers, and each further answer with probability dropRate (0..1), drawn from a
    // generator seeded with dropSeed so that a run can be repeated.
    bool dropAll = false;
    // Refusing every frame: each is answered "ERR#" and changes nothing.
    bool refuseAll = false;
    std::uint64_t dropFirst = 0;
    double dropRate = 0.0;
    std::uint64_t dropSeed = 1;
    // One line per read, frame and written part, to logSink, or to stderr when it is empty.
    bool logTraffic = false;
    std::function<void(const std::string& line)> logSink;
    // The settings the device starts with.
    DeviceState initialState{};
};

struct SimStats {
    DeviceCounters device;              // bytes fed, frames accepted and rejected, noise bytes
    std::uint64_t answersDropped = 0;   // by the drop options
    std::uint64_t answersDiscarded = 0; // queue full
    std::uint64_t answersQueued = 0;
    std::uint64_t answersWritten = 0; // every part written to the master
    std::uint64_t partsWritten = 0;
    std::uint64_t bytesWritten = 0;      // answers and injected bytes
    std::uint64_t injectionsWritten = 0; // Inject() calls whose bytes are all written
};

// Upper bound of answer bytes waiting to be written.
inline constexpr std::size_t kMaxQueuedBytes = 64 * 1024;
// Number of exchanges kept for History().
inline constexpr std::size_t kHistorySize = 256;

class SimServer {
public:
    SimServer(int masterFd, SimOptions options = {});
    ~SimServer(); // Stop()
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Starts the server thread. False (with a reason in *error when given) when it is already
    // running or the stop event cannot be created.
    bool Start(std::string* error = nullptr);
    // Signals the thread and joins it. Answers not yet written are discarded. Safe to call more
    // than once, and without Start().
    void Stop();
    bool IsRunning() const { return thread_.joinable(); }

    // Copies of the device's settings and the server's counters.
    DeviceState State() const;
    // Replaces every setting, unchecked (see SimDevice::SetState).
    void SetState(const DeviceState& state);
    // Writes `bytes` to the line as soon as possible, as if the device sent them on its own
    // (after any answer already due; no delay, split or drop applies). For trying what the
    // tool does with unasked-for or malformed data. Ignored when the server is not running.
    void Inject(std::string bytes);
    SimStats Stats() const;

    // The last frames received with the device's answers, oldest first (at most
    // kHistorySize; answers listed here may still be waiting, or have been dropped).
    std::vector<Exchange> History() const;
    void ClearHistory();

    // Waits until pred(state, stats) holds, checking after every change, or until the timeout.
    // Returns the last result of pred. pred runs under the server's lock: keep it short and
    // do not call back into the server from it.
    bool WaitUntil(const std::function<bool(const DeviceState&, const SimStats&)>& pred,
                   std::chrono::milliseconds timeout) const;

private:
    struct Wire;
    struct Wakeup;

    // The server thread: write what is due, wait, take injected bytes, read and answer.
    void Run();
    Wakeup Wait(const Wire& wire) const;
    // Queues the bytes given to Inject() and writes them; false when the thread is to stop.
    bool TakeInjected(Wire& wire);
    // Reads what the tool wrote (a bounded number of reads) and answers it.
    void ReadAndAnswer(Wire& wire);
    // Feeds bytes to the device and queues the answers that are to go out.
    void Answer(Wire& wire, std::string_view bytes);
    // Applies the drop options and the queue bound to one answer; counts and logs it.
    bool Admit(Wire& wire, const Exchange& exchange);
    // Writes the parts that are due, as far as the pseudo-terminal takes them.
    void WriteDue(Wire& wire);
    void WriteFront(Wire& wire);
    void Log(const std::string& text) const;

    const int masterFd_;
    const SimOptions options_;
    int wakeFd_ = -1; // eventfd: stop requested, or bytes to inject
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    SimDevice device_;
    SimStats stats_;
    std::deque<Exchange> history_;
    std::vector<std::string> injected_;
    bool running_ = false; // between Start() and Stop(): Inject() may use wakeFd_
    bool stopRequested_ = false;
};

} // namespace vq830::sim
