// What a TComm and its two threads share on every platform: the owner, the transmit queue,
// the receive backlog and the notices to the owner's thread. Each platform's port context
// adds its device, its wait objects and how a waiting thread is woken.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "serial/comm.h"
#include "serial/notify.h"

namespace vq830serial {

struct PortShared : std::enable_shared_from_this<PortShared> {
    PortShared(std::shared_ptr<NotifySink> sink, std::weak_ptr<TComm*> owner)
        : Sink(std::move(sink)), Owner(std::move(owner)) {}
    PortShared(const PortShared&) = delete;
    PortShared& operator=(const PortShared&) = delete;
    virtual ~PortShared() = default;

    const std::shared_ptr<NotifySink> Sink;
    const std::weak_ptr<TComm*> Owner;

    std::atomic<bool> StopRequested{false};
    std::atomic<bool> IgnoreNullChar{false};

    // Received bytes posted to the owner whose closures have not run yet, and how many may
    // wait before the receive thread stops reading.
    std::atomic<uint64_t> Backlog{0};
    std::atomic<uint32_t> ReceiveBacklogLimit{TComm::DefaultReceiveBacklogLimit};
    std::atomic<bool> ReaderWaitsForOwner{false};
    void SetReceiveBacklogLimit(uint32_t limit);
    // Owner's thread: a batch of count bytes has been handed to the owner.
    void BatchTaken(size_t count);
    // Wakes the receive thread if it waits for the owner.
    virtual void WakeReader() = 0;
    // Receive thread: waits while more than the limit waits for the owner. False when the
    // thread is to end (stopped, or the wait failed, which is reported as a hang-up).
    bool WaitForOwner();
    // How one wait for WakeReader's signal ended, and that wait (the stop signal ends it too).
    enum class OwnerWait { Signalled, Stopped, Failed };
    virtual OwnerWait WaitOwnerSignal() = 0;

    // Transmit queue, first in first out.
    std::mutex QueueMutex;
    std::deque<std::vector<uint8_t>> Queue;
    bool WriterEnded = false; // guarded by QueueMutex
    std::atomic<bool> SendQueueEmpty{true};
    // Queues a copy of length bytes (followed by one zero byte, which is not sent); false
    // when there is nothing to send, the transmit thread has ended or maxQueued buffers wait.
    bool Enqueue(const void* buffer, size_t length, size_t maxQueued);
    // Transmit thread: moves the first queued buffer into item; when none waits, marks the
    // queue empty and returns false.
    bool TakeNext(std::vector<uint8_t>& item);
    // Transmit thread, at its end: what waits is dropped and nothing more is queued.
    void EndQueue();
    // The transmit thread's loop: the queued buffers written in order with write (the data,
    // without the zero byte after it); when the queue is found empty, at the start and after
    // a write, the owner is told once and waitForWork waits for the next buffer. Ends when
    // either returns false or a stop was asked for (a buffer taken then is dropped).
    void ServeQueue(const std::function<bool()>& waitForWork,
                    const std::function<bool(const uint8_t*, size_t)>& write);

    // Receive thread: count bytes read, as the owner gets them (zero bytes dropped when
    // IgnoreNullChar is set, then one zero byte after the data); empty when nothing is left.
    std::vector<uint8_t> BatchBlock(const uint8_t* data, size_t count) const;

    // Notifications to the owner's thread; each does nothing once the TComm is gone.
    // The notice of one received batch (the block holds count bytes and then one zero byte),
    // for the receive thread to post; its bytes count as waiting for the owner from here on.
    std::function<void()> DataNotice(std::vector<uint8_t> block, uint16_t count);
    void PostLineError(uint32_t flags);
    // Asks the owner to hang up, once per opening: whichever thread meets the failure first
    // asks, later ones (the other thread meeting the same dead line) do not.
    void PostHangupRequest();
    std::atomic<bool> HangupPosted{false};
    // What a thread does when its body fails with an exception: ask for a hang-up if that
    // can still be posted.
    void ReportFailure() noexcept;
    void PostModemChange(uint32_t bits);
    void PostSendQueueEmpty();
};

} // namespace vq830serial
