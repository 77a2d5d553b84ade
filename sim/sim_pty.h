// SimPty: the pseudo-terminal pair on which the simulated device sits.
//
// The master side is the device's end; the slave side (SlavePath(), e.g. "/dev/pts/5") is the
// serial port that the tool opens. Open() sets the slave to raw mode (no echo, no line editing,
// no translation of CR/LF, 8-bit bytes) so that frames pass unchanged, and keeps one slave
// descriptor open for the pair's lifetime: the master then never sees a hang-up when the tool
// closes its port, and the tool can open the port again at any time.
#pragma once

#include <string>

namespace vq830::sim {

class SimPty {
public:
    SimPty() = default;
    ~SimPty() { Close(); }
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;
    SimPty(SimPty&& other) noexcept;
    SimPty& operator=(SimPty&& other) noexcept;

    // Creates the pair. The master is non-blocking; both descriptors are close-on-exec.
    // False (with a reason in *error when given) when the system refuses.
    bool Open(std::string* error = nullptr);
    // Closes both sides; the tool's port then sees a hang-up.
    void Close();

    bool IsOpen() const { return master_ >= 0; }
    int MasterFd() const { return master_; }
    int SlaveFd() const { return slave_; }
    const std::string& SlavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace vq830::sim
