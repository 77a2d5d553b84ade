// One thread of a port (receive, transmit, modem-line watch): started once, joined by the
// owner or when it goes away. An exception escaping the thread's body ends that thread as a
// hang-up would, instead of the program.
#pragma once

#include <functional>
#include <thread>

#include "serial/port_shared.h"

namespace vq830serial {

class PortThread {
public:
    PortThread() = default;
    // Joins. Kept as the last member of the object whose members the thread uses, so that
    // the thread has ended before any of them goes.
    ~PortThread() { Join(); }
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Runs body on a new thread, then finish (also when body ended with an exception, which
    // is reported through port.ReportFailure()). Throws when no thread can be made.
    void Start(PortShared& port, std::function<void()> body, std::function<void()> finish = {});
    // Waits for the thread to end. Harmless when it was never started or is already joined.
    void Join();
    bool Started() const { return Thread.joinable(); }
    std::thread::native_handle_type NativeHandle() { return Thread.native_handle(); }

private:
    std::thread Thread;
};

} // namespace vq830serial
