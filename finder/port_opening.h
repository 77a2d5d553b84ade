// Opening a port for the search on a thread of its own: some ports (Bluetooth serial ports
// among them) take seconds to open, and neither the other ports' searches nor the window may
// wait for them. The port object is made and opened there, its notifications going to the
// owner's thread from the start, and is then handed over to that thread, which uses and
// destroys it from then on.
#pragma once

#include "protocol/settings.h"
#include "serial/comm.h"

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// The owner of the ports as the receiver of what their threads post, for as long as it lives.
class TPostBox {
public:
    explicit TPostBox(QObject* target) : target_(target) {}
    // Runs fn on the target's thread, in posting order; false (fn dropped) once it is closed.
    bool Post(std::function<void()> fn);
    // The target is going: nothing posted from now on reaches it.
    void Close();

private:
    std::mutex mutex_;
    QObject* target_;
};

// What an opening came to: the port object (open or not) and the system error of a refusal.
struct TOpening {
    std::shared_ptr<TComm> comm;
    bool opened = false;
    int error = 0;
};

// Opens `path` at `line`, with DTR and RTS low and each read handed over at once, on a thread of
// its own, and hands the outcome to `done` on the box's thread. When the box is closed by then,
// the port is closed again on the thread that opened it.
void OpenInBackground(std::shared_ptr<TPostBox> box, std::string path, PortConfig line,
                      std::function<void(TOpening)> done);

// A main-port setting as the port object takes it.
uint32_t BaudOf(const PortConfig& line);
TParity ParityOf(const PortConfig& line);
TStopBits StopOf(const PortConfig& line);
