#include "serial/port_thread.h"

namespace vq830serial {

void PortThread::Start(PortShared& port, std::function<void()> body, std::function<void()> finish) {
    Thread = std::thread([&port, body = std::move(body), finish = std::move(finish)] {
        try {
            body();
        } catch (...) {
            port.ReportFailure();
        }
        if (finish) finish();
    });
}

void PortThread::Join() {
    if (Thread.joinable()) Thread.join();
}

} // namespace vq830serial
