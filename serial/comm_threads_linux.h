// The receive and transmit threads of a TComm and the state they share with it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <linux/serial.h>

#include "serial/comm.h"
#include "serial/epoll_waiter_linux.h"
#include "serial/notify.h"
#include "serial/port_shared.h"
#include "serial/port_thread.h"

namespace vq830serial {

// What one non-blocking read of the device gave: bytes, nothing yet, a hang-up, or an
// unusable descriptor (the thread ends quietly).
enum class ReadOutcome { Data, Empty, Hangup, Quiet };

// Everything the port threads use. Created by OpenPort, shared by the TComm and both threads,
// and not changed while they run except for the atomics and the queue.
struct PortContext final : PortShared {
    PortContext(int device, int stop, int wake, std::shared_ptr<NotifySink> sink,
                std::weak_ptr<TComm*> owner)
        : PortShared(std::move(sink), std::move(owner)), Device(device), StopFd(stop),
          WakeFd(wake) {}

    const int Device;
    // eventfd: becomes readable (for good) when the threads are to stop; never reset.
    const int StopFd;
    // eventfd: signalled by SendBytes each time a buffer is queued.
    const int WakeFd;

    void RequestStop();

    // The waits of the threads, made by OpenPort so that a failure is reported there:
    // received bytes, room to write, and new work for the transmit thread.
    std::unique_ptr<Waiter> ReadWaiter;
    std::unique_ptr<Waiter> RoomWaiter;
    std::unique_ptr<Waiter> IdleWaiter;
    // eventfd: signalled when the owner has taken a batch (or the limit changed) while the
    // receive thread waits for it; owned here, made by CreateWaiters.
    UniqueFd OwnerFd;
    std::unique_ptr<Waiter> OwnerWaiter;
    bool CreateWaiters();

    // Time-outs, handed over by the owner before the threads start and again whenever they
    // change while the threads run.
    std::atomic<uint32_t> ReadIntervalTimeout{0};
    std::atomic<uint32_t> ReadTotalTimeoutMultiplier{0};
    std::atomic<uint32_t> ReadTotalTimeoutConstant{0};
    std::atomic<uint32_t> WriteTotalTimeoutMultiplier{0};
    std::atomic<uint32_t> WriteTotalTimeoutConstant{0};
    void SetTimeouts(const Timeouts& t);

    void WakeReader() override;
    OwnerWait WaitOwnerSignal() override;
};

// Waits for received bytes, delivers them in batches of at most 2048 bytes, and reports line
// errors and modem events.
class TReadThread {
public:
    explicit TReadThread(std::shared_ptr<PortContext> ctx);
    void Start();
    void Join() { Thread.Join(); }

    // Largest batch.
    static constexpr size_t BufferSize = 2048;
    // What one read asks the driver for at least, and the room for it after a batch.
    static constexpr size_t ReadChunk = 4096;
    static constexpr size_t StageSize = BufferSize + 2 * ReadChunk;

private:
    using Clock = std::chrono::steady_clock;
    // How one read ended: with a batch to deliver, stopped, with a hang-up (deliver, report,
    // end), or on an unusable device (deliver, end quietly).
    enum class ReadEnd { Batch, Stop, Hangup, Gone };

    void Execute();
    // What the thread does last, however it ended.
    void End();
    void RememberLineCounts();
    ReadEnd WaitFirstByte(Clock::time_point& start);
    ReadEnd Gather(Clock::time_point start);
    // False when the thread is to end while waiting for the owner.
    bool DeliverHeld(bool all);
    ReadOutcome ReadMore();
    // End of the read that began at start, by the read total time-outs.
    std::optional<Clock::time_point> ReadTotalDeadline(Clock::time_point start) const;
    void StartModemWatch();
    void StopModemWatch();
    void WatchModemLines();
    // Line-error flags of the errors counted since the last call (0: none, or not counted).
    uint32_t NewLineErrors();
    // Adds the notice of one batch to Notices (nothing for a batch that IgnoreNullChar empties).
    void AddBatch(const uint8_t* data, size_t count);
    void PostNotices();
    // Batches cut but not yet posted, their bytes, and when they are posted at the latest.
    std::vector<std::function<void()>> Notices;
    size_t NoticeBytes = 0;
    std::optional<Clock::time_point> PostBy;
    // How long and how much of a stream of full batches may wait to be posted together.
    static constexpr auto NoticeDelay = std::chrono::milliseconds(1);
    static constexpr size_t MaxHeldNoticeBytes = 8 * BufferSize;
    std::shared_ptr<PortContext> Ctx;
    std::atomic<bool> ModemWatchDone{true};
    std::atomic<bool> ModemWatchStop{false};
    // Bytes read and not yet delivered: Stage[Head, Head + Held). Drained: the last read got
    // less than it asked for, so the driver's queue was empty then.
    std::vector<uint8_t> Stage;
    size_t Head = 0;
    size_t Held = 0;
    bool Drained = false;
    // The driver's line-error counters seen last (framing, parity, overrun, receive-buffer
    // overrun, break among them).
    bool HaveCounts = false;
    serial_icounter_struct LastCounts{};
    PortThread ModemThread;
    PortThread Thread;
};

// Writes the buffers queued by SendBytes, in order, each completely before the next.
class TWriteThread {
public:
    explicit TWriteThread(std::shared_ptr<PortContext> ctx);
    void Start();
    void Join() { Thread.Join(); }

private:
    void Execute();
    // What the thread does last, however it ended.
    void End();
    bool WaitForWork();
    std::shared_ptr<PortContext> Ctx;
    PortThread Thread;
};

} // namespace vq830serial
