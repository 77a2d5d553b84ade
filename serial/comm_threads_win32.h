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
#include "serial/port_shared.h"
#include "serial/port_thread.h"
#include "serial/unique_handle.h"

namespace vq830serial {

// Everything the port threads use. Created by OpenPort, shared by the TComm and both threads,
// and not changed while they run except for the atomics and the queue.
struct PortContext final : PortShared {
    PortContext(HANDLE device, std::shared_ptr<NotifySink> sink, std::weak_ptr<TComm*> owner)
        : PortShared(std::move(sink), std::move(owner)), Device(device) {}

    const HANDLE Device;

    // Manual reset, set once when the threads are to stop. The wake event (auto reset) is set
    // by SendBytes for each queued buffer; the owner event (auto reset) when the owner has
    // taken a batch while the receive thread waits for it.
    UniqueHandle StopEvent;
    UniqueHandle WakeEvent;
    UniqueHandle OwnerEvent;
    bool CreateEvents();
    void RequestStop();
    bool Stopping() const { return StopRequested.load(); }

    // A read total time-out applies: a read may then end with no bytes.
    std::atomic<bool> ReadsMayEndEmpty{false};

    void WakeReader() override;
    OwnerWait WaitOwnerSignal() override;

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
    void Start();
    void Join() { Thread.Join(); }

    static constexpr DWORD BufferSize = 2048;

private:
    void Execute();
    // What the thread does last, however it ended.
    void End();
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
    PendingIo Read;
    PendingIo LineWait;
    bool Watching = true;
    DWORD Mask = 0;
    std::vector<uint8_t> Buffer;
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
    bool WriteAll(const uint8_t* data, DWORD count);
    bool WaitWritten(DWORD& written);

    std::shared_ptr<PortContext> Ctx;
    PendingIo Write;
    PortThread Thread;
};

} // namespace vq830serial
