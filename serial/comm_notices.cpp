// What the port threads hand to the owner's thread: received bytes, line errors, the hang-up
// request, modem line changes and the empty transmit queue. The same on every platform.
#ifdef _WIN32
#include "serial/comm_threads_win32.h"
#else
#include "serial/comm_threads.h"
#endif

namespace vq830serial {

namespace {

// Posts fn(owner) to the owner's thread; nothing happens there if the TComm is gone by then.
template <typename F> void PostToOwner(PortContext& ctx, F fn) {
    ctx.Sink->Post([owner = ctx.Owner, fn = std::move(fn)]() {
        if (auto alive = owner.lock()) fn(**alive);
    });
}

} // namespace

std::function<void()> PortContext::DataNotice(std::vector<uint8_t> block, uint16_t count) {
    // The batch counts as waiting until its closure has run, whatever the handler does.
    struct Taken {
        std::weak_ptr<PortContext> Ctx;
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

void PortContext::ReportFailure() noexcept {
    try {
        PostHangupRequest();
    } catch (...) {
        // Not even the hang-up request can be posted: the thread ends silently.
    }
}

void PortContext::PostLineError(uint32_t flags) {
    PostToOwner(*this, [flags](TComm& comm) {
        if (auto handler = comm.OnReceiveError) handler(comm, flags);
    });
}

void PortContext::PostHangupRequest() {
    if (HangupPosted.exchange(true)) return;
    PostToOwner(*this, [](TComm& comm) {
        if (auto handler = comm.OnRequestHangup) handler(comm);
    });
}

void PortContext::PostModemChange(uint32_t bits) {
    PostToOwner(*this, [bits](TComm& comm) {
        if (auto handler = comm.OnModemStateChange) handler(comm, bits);
    });
}

void PortContext::PostSendQueueEmpty() {
    PostToOwner(*this, [](TComm& comm) {
        if (auto handler = comm.OnSendDataEmpty) handler(comm);
    });
}

} // namespace vq830serial
