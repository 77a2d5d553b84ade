#include "support.h"

#include <dirent.h>
#include <fstream>
#include <sstream>

namespace {
int CountEntries(const char* dir) {
    DIR* d = opendir(dir);
    if (!d) return -1;
    int n = 0;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n;
}
} // namespace

// The listing of /proc/self/fd holds the descriptor of the listing itself.
int CountOpenFds() { return CountEntries("/proc/self/fd") - 1; }

std::set<std::string> ThreadIds() {
    std::set<std::string> ids;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ids.insert(e->d_name);
        closedir(d);
    }
    return ids;
}

long CpuTicks(const std::set<std::string>& threads) {
    long total = 0;
    for (const auto& id : threads) {
        std::ifstream f("/proc/self/task/" + id + "/stat");
        std::string line;
        if (!std::getline(f, line)) continue; // the thread has ended
        // The name field (in parentheses) may hold blanks; utime and stime are fields 14 and
        // 15, the 12th and 13th after it.
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        std::string field;
        for (int i = 0; i < 11; ++i)
            rest >> field;
        long utime = 0, stime = 0;
        rest >> utime >> stime;
        total += utime + stime;
    }
    return total;
}

std::unique_ptr<TComm> MakeBinaryPort(const std::shared_ptr<QueueNotifySink>& sink,
                                      const std::string& path) {
    auto comm = std::make_unique<TComm>(sink);
    comm->SetCommName(path);
    comm->SetOutx_XonXoffFlow(false);
    comm->SetInx_XonXoffFlow(false);
    return comm;
}

void EventLog::Attach(TComm& comm) {
    auto check = [this](TComm& sender, TComm* expected) {
        if (&sender != expected || std::this_thread::get_id() != Owner) AllOnOwnerThread = false;
    };
    TComm* self = &comm;
    comm.OnReceiveData = [this, check, self](TComm& s, const uint8_t* buf, uint16_t len) {
        check(s, self);
        // The block handed over holds the batch followed by one zero byte.
        if (buf[len] != 0) AllOnOwnerThread = false;
        Batches.emplace_back(buf, buf + len);
    };
    comm.OnReceiveError = [this, check, self](TComm& s, uint32_t mask) {
        check(s, self);
        LineErrors.push_back(mask);
    };
    comm.OnModemStateChange = [this, check, self](TComm& s, uint32_t ev) {
        check(s, self);
        ModemEvents.push_back(ev);
    };
    comm.OnRequestHangup = [this, check, self](TComm& s) {
        check(s, self);
        ++Hangups;
    };
    comm.OnSendDataEmpty = [this, check, self](TComm& s) {
        check(s, self);
        ++SendEmpty;
    };
}

std::vector<uint8_t> EventLog::AllReceived() const {
    std::vector<uint8_t> all;
    for (const auto& b : Batches)
        all.insert(all.end(), b.begin(), b.end());
    return all;
}

size_t EventLog::ReceivedCount() const {
    size_t n = 0;
    for (const auto& b : Batches)
        n += b.size();
    return n;
}

bool WaitPending(const QueueNotifySink& sink, size_t n, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (sink.Pending() < n) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) return pred();
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

int ThreadsSince::Count() const {
    int n = 0;
    for (const auto& id : ThreadIds())
        if (!Before.count(id)) ++n;
    return n;
}

bool ThreadsSince::WaitCount(int n, std::chrono::milliseconds timeout) const {
    return WaitFor([&] { return Count() == n; }, timeout);
}

std::vector<uint8_t> Pattern(size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return v;
}
