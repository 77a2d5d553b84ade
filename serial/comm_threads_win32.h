// The receive and transmit threads of a TComm on Windows and the state they share with it.
// All device I/O is overlapped; every wait of both threads also watches the stop event.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/comm.h"
#include "serial/notify.h"
#include "serial/unique_handle.h"

namespace vq830serial {

// Everything the port threads use. Created by OpenPort, shared by the TComm and both threads,
// and not changed while they run except for the atomics and the queue.
struct PortContext : std::enable_shared_from_this<PortContext> {
    PortContext(HANDLE device, std::shared_ptr<NotifySink> sink, std::weak_ptr<TComm*> owner)
        : Device(device), Sink(std::move(sink)), Owner(std::move(owner)) {}
    PortContext(const PortContext&) = delete;
    PortContext& operator=(const PortContext&) = delete;

    const HANDLE Device;
    const std::shared_ptr<NotifySink> Sink;
    const std::weak_ptr<TComm*> Owner;

    // Manual reset, set once when the threads are to stop. The wake event (auto reset) is set
    // by SendBytes for each queued buffer; the owner event (auto reset) when the owner has
    // taken a batch while the receive thread waits for it.
    UniqueHandle StopEvent;
    UniqueHandle WakeEvent;
    UniqueHandle OwnerEvent;
    bool CreateEvents();
    void RequestStop();
    bool Stopping() const { return StopRequested.load(); }
    std::atomic<bool> StopRequested{false};

    std::atomic<bool> IgnoreNullChar{false};
    // A read total time-out applies: a read may then end with no bytes.
    std::atomic<bool> ReadsMayEndEmpty{false};

    // Received bytes posted to the owner whose closures have not run yet, and how many may
    // wait before the receive thread stops reading.
    std::atomic<uint64_t> Backlog{0};
    std::atomic<uint32_t> ReceiveBacklogLimit{TComm::DefaultReceiveBacklogLimit};
    std::atomic<bool> ReaderWaitsForOwner{false};
    void SetReceiveBacklogLimit(uint32_t limit);
    // Receive thread: waits while more than the limit waits for the owner. False when the
    // thread is to end (stopped, or the wait failed, which is reported as a hang-up).
    bool WaitForOwner();
    // Owner's thread: a batch of count bytes has been handed to the owner.
    void BatchTaken(size_t count);
    void WakeReader();

    // Transmit queue, first in first out.
    std::mutex QueueMutex;
    std::deque<std::vector<uint8_t>> Queue;
    bool WriterEnded = false; // guarded by QueueMutex
    std::atomic<bool> SendQueueEmpty{true};

    // Notifications to the owner's thread; each does nothing once the TComm is gone.
    // The notice of one received batch (the block holds count bytes and then one zero byte);
    // its bytes count as waiting for the owner from here on.
    std::function<void()> DataNotice(std::vector<uint8_t> block, uint16_t count);
    void PostLineError(uint32_t flags);
    // Asks the owner to hang up, once per opening: whichever thread meets the failure first
    // asks, later ones (the other thread meeting the same dead line) do not.
    void PostHangupRequest();
    std::atomic<bool> HangupPosted{false};
    void ReportFailure() noexcept;
    void PostModemChange(uint32_t bits);
    void PostSendQueueEmpty();

    // After a failed call with error `code`: true when the operation is now in progress.
    // Otherwise the step ends: quietly for an unusable handle or an abort caused by our own
    // stop, with a hang-up request for anything else.
    bool InProgress(DWORD code);
    // Ends a step after a failed call with error `code`, as above.
    void EndStep(DWORD code);
};

// One overlapped operation: its record and its own manual-reset event. It belongs to the
// thread object, not to the thread's stack, so that an operation still pending when the
// thread ends writes into memory that is still there; Finish cancels it first.
struct PendingIo {
    OVERLAPPED Record{};
    UniqueHandle Done;
    bool Pending = false;
    bool Create();
    void Reset();
    // Cancels the operation if it is still pending and waits (bounded) for it to end.
    void Finish(HANDLE device);
};

// Waits for received bytes and line events; delivers each read (at most 2048 bytes) as one
// batch and reports line errors and modem events.
class TReadThread {
public:
    explicit TReadThread(std::shared_ptr<PortContext> ctx);
    ~TReadThread(); // joins
    void Start();
    void Join();

    static constexpr DWORD BufferSize = 2048;

private:
    void Run();
    void Execute();
    bool Serve();
    bool ArmEventWait();
    bool ArmRead();
    bool FinishEventWait();
    bool FinishRead();
    bool HandleLineEvents(DWORD mask);
    bool DeliverBatch(DWORD count);
    // A read that ended empty although no read total time-out applies: the line is gone.
    bool EmptyMeansGone() const;
    // Line events stop being watched when the driver refuses them; reads go on.
    void DropEventWait();

    std::shared_ptr<PortContext> Ctx;
    std::thread Thread;
    PendingIo Read;
    PendingIo LineWait;
    bool Watching = true;
    DWORD Mask = 0;
    std::vector<uint8_t> Buffer;
};

// Writes the buffers queued by SendBytes, in order, each completely before the next.
class TWriteThread {
public:
    explicit TWriteThread(std::shared_ptr<PortContext> ctx);
    ~TWriteThread(); // joins
    void Start();
    void Join();

private:
    void Run();
    void Execute();
    bool WaitForWork();
    bool WriteAll(const uint8_t* data, DWORD count);
    bool WaitWritten(DWORD& written);

    std::shared_ptr<PortContext> Ctx;
    std::thread Thread;
    PendingIo Write;
};

} // namespace vq830serial
