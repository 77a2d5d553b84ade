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
// The main port's line setting (SimOptions::line), when one is given, is what the device answers
// at, like a board whose UART runs at that setting. Each time bytes arrive, the server reads the
// rate and the stop bits of the tool's side from the master descriptor (tty_line.h) and compares
// them with it; the parity cannot be compared, as a pseudo-terminal does not keep PARENB. Bytes
// that arrive at another rate or stop-bit count are not applied to the device (a UART at the
// wrong rate receives garbage): a partly received frame is dropped, and for each frame that the
// device would have answered, the tool gets what SimOptions::mismatch says. The settings are read
// when the bytes are read, so a tool that sets its port again right after writing may have its
// bytes judged by the new settings. A write of the stored main-port setting ("KORVAT#BAZ:bps#")
// takes effect at the next Restart(), as on the board.
//
// Thread safety: State(), SetState(), Inject(), Stats(), History(), WaitUntil(), Line() and
// Restart() may be called from any thread while the server runs; each takes a consistent snapshot
// under the server's lock.
// Inject() may also race Stop(): the bytes are then either written or ignored. Start() and Stop()
// belong to the thread that owns the server.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/device_state.h"
#include "sim/sim_device.h"
#include "sim/tty_line.h"

namespace vq830::sim {

// What the device sends back for a frame that arrived at another line setting.
enum class Mismatch {
    // Bytes outside printable ASCII, as a UART at the wrong rate delivers: for each frame that
    // the device would have answered, about as many as its answer, scaled by the ratio of the
    // tool's rate to the device's (at least 1, at most kMaxNoiseBytes). The delay and split
    // options apply to it, the drop options do not.
    Noise,
    Silent // nothing
};

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
    // Also seeds the noise of Mismatch::Noise.
    std::uint64_t dropSeed = 1;
    // One line per read, frame and written part, to logSink, or to stderr when it is empty.
    bool logTraffic = false;
    std::function<void(const std::string& line)> logSink;
    // The settings the device starts with.
    DeviceState initialState{};
    // The main port's line setting that the device answers at (baud, parity and stop-bit
    // indexes, as in DeviceState::ports). Unset: no check, the device answers whatever the tool's
    // port is set to. Set: it is also the stored main-port setting that the device starts with
    // (it replaces initialState.ports[kPortZ]). When the master descriptor's settings cannot be
    // read (not a terminal), every frame is taken as arriving at the right setting.
    std::optional<PortSettings> line;
    Mismatch mismatch = Mismatch::Noise;
};

struct SimStats {
    DeviceCounters device;              // bytes fed, frames accepted and rejected, noise bytes
    std::uint64_t answersDropped = 0;   // by the drop options
    std::uint64_t answersDiscarded = 0; // queue full
    std::uint64_t answersQueued = 0;
    std::uint64_t answersWritten = 0; // every part written to the master
    std::uint64_t partsWritten = 0;
    std::uint64_t bytesWritten = 0;      // answers, injected bytes and noise
    std::uint64_t injectionsWritten = 0; // Inject() calls whose bytes are all written
    // Frames that arrived at another line setting (not applied, not in History(), their bytes
    // not in device.bytesFed); their noise counts in bytesWritten only.
    std::uint64_t mismatchedFrames = 0;
};

// Upper bound of answer bytes waiting to be written.
inline constexpr std::size_t kMaxQueuedBytes = 64 * 1024;
// Number of exchanges kept for History().
inline constexpr std::size_t kHistorySize = 256;
// Upper bound of the noise sent for one frame that arrived at another line setting.
inline constexpr std::size_t kMaxNoiseBytes = 1024;

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

    // The line setting that the device answers at now (empty without SimOptions::line).
    std::optional<PortSettings> Line() const;
    // Restarts the device, as switching the board off and on: it answers at its stored
    // main-port setting (DeviceState::ports[kPortZ]) from then on, and a partly received frame
    // is forgotten; the settings are kept (the board keeps them in its memory). Answers already
    // due are still written. Without SimOptions::line only the partial frame goes. Logs from
    // the calling thread.
    void Restart();

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
    // Feeds bytes to the device, or to the framer when they arrived at another line setting,
    // and queues what is to go out.
    void Answer(Wire& wire, std::string_view bytes);
    // With the lock held: bytes at the right setting, fed to the device; their exchanges.
    std::vector<Exchange> FeedDevice(std::string_view bytes);
    // With the lock held: bytes at another setting; the frames the device would have answered.
    std::vector<Exchange> FeedFramer(std::string_view bytes);
    // Queues the noise (or nothing) for one such frame, and logs it.
    void AnswerMismatch(Wire& wire, const Exchange& frame, const TtyLine& tool,
                        const PortSettings& expected);
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
    // Finds the frames in bytes that arrived at another line setting; never applied.
    SimDevice framer_;
    std::optional<PortSettings> line_; // the line setting the device answers at
    SimStats stats_;
    std::deque<Exchange> history_;
    std::vector<std::string> injected_;
    bool running_ = false; // between Start() and Stop(): Inject() may use wakeFd_
    bool stopRequested_ = false;
};

} // namespace vq830::sim
