// What a TComm and its threads share on every platform: the receive backlog, the transmit
// queue, and what the threads hand to the owner's thread (received bytes, line errors, the
// hang-up request, modem line changes and the empty transmit queue).
#include "serial/port_shared.h"

namespace vq830serial {

namespace {

// Posts fn(owner) to the owner's thread; nothing happens there if the TComm is gone by then.
template <typename F> void PostToOwner(PortShared& ctx, F fn) {
    ctx.Sink->Post([owner = ctx.Owner, fn = std::move(fn)]() {
        if (auto alive = owner.lock()) fn(**alive);
    });
}

} // namespace

void PortShared::SetReceiveBacklogLimit(uint32_t limit) {
    ReceiveBacklogLimit.store(limit);
    WakeReader(); // a raised limit may let a waiting receive thread go on
}

void PortShared::BatchTaken(size_t count) {
    Backlog.fetch_sub(count);
    WakeReader();
}

// The receive thread announces that it waits before it looks at the backlog again, and the
// owner takes a batch off the backlog before it looks at the announcement, so one of the two
// always sees the other: no wake-up is lost.
bool PortShared::WaitForOwner() {
    OwnerWait result = OwnerWait::Signalled;
    while (Backlog.load() > ReceiveBacklogLimit.load()) {
        ReaderWaitsForOwner.store(true);
        if (Backlog.load() <= ReceiveBacklogLimit.load()) break;
        result = WaitOwnerSignal();
        if (result != OwnerWait::Signalled) break;
    }
    ReaderWaitsForOwner.store(false);
    if (result == OwnerWait::Failed) PostHangupRequest();
    return result == OwnerWait::Signalled;
}

bool PortShared::Enqueue(const void* buffer, size_t length, size_t maxQueued) {
    if (length == 0) return false;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> block;
    block.reserve(length + 1);
    block.assign(bytes, bytes + length);
    block.push_back(0);
    std::lock_guard lock(QueueMutex);
    if (WriterEnded || Queue.size() >= maxQueued) return false;
    Queue.push_back(std::move(block));
    SendQueueEmpty.store(false);
    return true;
}

bool PortShared::TakeNext(std::vector<uint8_t>& item) {
    std::lock_guard lock(QueueMutex);
    if (Queue.empty()) {
        SendQueueEmpty.store(true);
        return false;
    }
    item = std::move(Queue.front());
    Queue.pop_front();
    return true;
}

void PortShared::EndQueue() {
    std::lock_guard lock(QueueMutex);
    WriterEnded = true;
    Queue.clear();
    SendQueueEmpty.store(true);
}

void PortShared::ServeQueue(const std::function<bool()>& waitForWork,
                            const std::function<bool(const uint8_t*, size_t)>& write) {
    bool notifyEmpty = true;
    for (;;) {
        std::vector<uint8_t> item;
        if (!TakeNext(item)) {
            if (notifyEmpty) PostSendQueueEmpty();
            notifyEmpty = false;
            if (!waitForWork()) return;
            continue;
        }
        if (StopRequested.load()) return; // the item taken is dropped
        // Each block carries one zero byte after the data, which is not sent.
        if (!write(item.data(), item.size() - 1)) return;
        notifyEmpty = true;
    }
}

std::vector<uint8_t> PortShared::BatchBlock(const uint8_t* data, size_t count) const {
    std::vector<uint8_t> block;
    block.reserve(count + 1);
    if (IgnoreNullChar.load()) {
        for (size_t i = 0; i < count; ++i)
            if (data[i] != 0) block.push_back(data[i]);
    } else {
        block.assign(data, data + count);
    }
    if (!block.empty()) block.push_back(0); // the batch is followed by one zero byte
    return block;
}

std::function<void()> PortShared::DataNotice(std::vector<uint8_t> block, uint16_t count) {
    // The batch counts as waiting until its closure has run, whatever the handler does.
    struct Taken {
        std::weak_ptr<PortShared> Ctx;
        size_t Count;
        ~Taken() {
            if (auto ctx = Ctx.lock()) ctx->BatchTaken(Count);
        }
    };
    Backlog.fetch_add(count);
    return [owner = Owner, self = weak_from_this(), block = std::move(block), count]() {
        const Taken taken{self, count};
        if (auto alive = owner.lock())
            if (auto handler = (**alive).OnReceiveData) handler(**alive, block.data(), count);
    };
}

void PortShared::ReportFailure() noexcept {
    try {
        PostHangupRequest();
    } catch (...) {
        // Not even the hang-up request can be posted: the thread ends silently.
    }
}

void PortShared::PostLineError(uint32_t flags) {
    PostToOwner(*this, [flags](TComm& comm) {
        if (auto handler = comm.OnReceiveError) handler(comm, flags);
    });
}

void PortShared::PostHangupRequest() {
    if (HangupPosted.exchange(true)) return;
    PostToOwner(*this, [](TComm& comm) {
        if (auto handler = comm.OnRequestHangup) handler(comm);
    });
}

void PortShared::PostModemChange(uint32_t bits) {
    PostToOwner(*this, [bits](TComm& comm) {
        if (auto handler = comm.OnModemStateChange) handler(comm, bits);
    });
}

void PortShared::PostSendQueueEmpty() {
    PostToOwner(*this, [](TComm& comm) {
        if (auto handler = comm.OnSendDataEmpty) handler(comm);
    });
}

} // namespace vq830serial
