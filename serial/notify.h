// The notification channel of the serial port component.
//
// The port threads never call event handlers. They hand closures to a NotifySink, which runs
// them on the owner's thread (the thread that constructed the TComm), one at a time, in the
// order they were posted. The window binds the sink to its event queue; tests and the
// benchmark use QueueNotifySink below and run the closures themselves.
//
// Lifetime rule: a closure posted by a TComm may run after that TComm was destroyed (it can
// still be waiting in the queue). The closures a TComm posts hold only a weak reference to it
// and do nothing once it is gone, so a sink may deliver late closures safely, provided it runs
// them on the owner's thread (the thread that destroys the TComm).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <span>

class NotifySink {
public:
    virtual ~NotifySink();
    // Called from any thread. Must be thread-safe and must deliver fn on the owner's thread,
    // in posting order.
    virtual void Post(std::function<void()> fn) = 0;
    // Posts several closures, in order, moving them out of fns. A sink may hand them over
    // together (one wake-up of the owner for all); by default each is posted alone.
    virtual void PostAll(std::span<std::function<void()>> fns);
};

// A plain first-in, first-out queue: Post may be called from any thread; the owner's thread
// runs the queued closures with RunPending or WaitAndRunOne.
class QueueNotifySink : public NotifySink {
public:
    void Post(std::function<void()> fn) override;
    void PostAll(std::span<std::function<void()>> fns) override;

    // Runs every closure queued at the time of the call (and those posted while they run).
    // Returns how many ran.
    std::size_t RunPending();

    // Waits up to timeout for one closure and runs it. Returns false if none came in time.
    bool WaitAndRunOne(std::chrono::milliseconds timeout);

    // Runs closures as they come until pred() is true or timeout has passed. pred is checked
    // before the first wait and after each closure. Returns pred()'s last value.
    bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

    // Number of closures waiting.
    std::size_t Pending() const;

private:
    mutable std::mutex Mutex;
    std::condition_variable Ready;
    std::deque<std::function<void()>> Queue;
};
