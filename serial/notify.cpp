#include "serial/notify.h"

NotifySink::~NotifySink() = default;

void NotifySink::PostAll(std::span<std::function<void()>> fns) {
    for (auto& fn : fns)
        Post(std::move(fn));
}

void QueueNotifySink::Post(std::function<void()> fn) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(Mutex);
        wasEmpty = Queue.empty();
        Queue.push_back(std::move(fn));
    }
    // A waiting owner only waits on an empty queue.
    if (wasEmpty) Ready.notify_one();
}

void QueueNotifySink::PostAll(std::span<std::function<void()>> fns) {
    if (fns.empty()) return;
    bool wasEmpty = false;
    {
        std::lock_guard lock(Mutex);
        wasEmpty = Queue.empty();
        for (auto& fn : fns)
            Queue.push_back(std::move(fn));
    }
    if (wasEmpty) Ready.notify_one();
}

std::size_t QueueNotifySink::RunPending() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(Mutex);
            if (Queue.empty()) return ran;
            fn = std::move(Queue.front());
            Queue.pop_front();
        }
        fn();
        ++ran;
    }
}

bool QueueNotifySink::WaitAndRunOne(std::chrono::milliseconds timeout) {
    std::function<void()> fn;
    {
        std::unique_lock lock(Mutex);
        if (!Ready.wait_for(lock, timeout, [this] { return !Queue.empty(); })) return false;
        fn = std::move(Queue.front());
        Queue.pop_front();
    }
    fn();
    return true;
}

bool QueueNotifySink::RunUntil(const std::function<bool()>& pred,
                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        WaitAndRunOne(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                      std::chrono::milliseconds(1));
    }
    return true;
}

std::size_t QueueNotifySink::Pending() const {
    std::lock_guard lock(Mutex);
    return Queue.size();
}
