// The receive thread's watcher of the modem lines (carrier and ring): a thread of its own,
// blocked in TIOCMIWAIT, ended with a signal.
#include "serial/comm_threads_linux.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <linux/serial.h>
#include <mutex>
#include <pthread.h>
#include <sys/ioctl.h>

namespace vq830serial {

namespace {

using std::chrono::milliseconds;

// Signal used to interrupt a modem-line wait (which cannot be polled).
int WakeSignal() { return SIGRTMIN + 5; }
void IgnoreWake(int) {}
void InstallWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_handler = IgnoreWake;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0; // no SA_RESTART: the wait must end with EINTR
        sigaction(WakeSignal(), &sa, nullptr);
    });
}

} // namespace

void TReadThread::StartModemWatch() {
    // Modem events need a blocking wait of their own; only drivers with modem lines get one.
    int levels = 0;
    if (ioctl(Ctx->Device, TIOCMGET, &levels) != 0) return;
    InstallWakeHandler();
    ModemWatchDone.store(false);
    try {
        ModemThread.Start(
            *Ctx, [this] { WatchModemLines(); }, [this] { ModemWatchDone.store(true); });
    } catch (...) {
        ModemWatchDone.store(true);
    }
}

void TReadThread::StopModemWatch() {
    if (!ModemThread.Started()) return;
    // The modem-line wait ends only on a line change, the device going away or a signal. Only
    // the watcher is told to stop: the transmit thread goes on if the receive thread ended on
    // its own.
    ModemWatchStop.store(true);
    while (!ModemWatchDone.load()) {
        pthread_kill(ModemThread.NativeHandle(), WakeSignal());
        std::this_thread::sleep_for(milliseconds(1));
    }
    ModemThread.Join();
}

void TReadThread::WatchModemLines() {
    // The wake signal must reach this thread whatever mask it inherited.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, WakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    const int fd = Ctx->Device;
    serial_icounter_struct before{};
    const bool counts = ioctl(fd, TIOCGICOUNT, &before) == 0;
    int levels = 0;
    (void)ioctl(fd, TIOCMGET, &levels);
    while (!ModemWatchStop.load()) {
        if (ioctl(fd, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG) != 0) {
            if (errno == EINTR) continue;
            break; // not supported, or the device went away (the reader reports that)
        }
        if (ModemWatchStop.load()) break;
        uint32_t bits = 0;
        int now = 0;
        (void)ioctl(fd, TIOCMGET, &now);
        serial_icounter_struct after{};
        if (counts && ioctl(fd, TIOCGICOUNT, &after) == 0) {
            if (after.dcd != before.dcd) bits |= ModemEventCarrier;
            if (after.rng != before.rng) bits |= ModemEventRing;
            before = after;
        } else {
            if ((now ^ levels) & TIOCM_CD) bits |= ModemEventCarrier;
            if (now & TIOCM_RNG) bits |= ModemEventRing;
        }
        levels = now;
        if (bits) Ctx->PostModemChange(bits);
    }
}

} // namespace vq830serial
