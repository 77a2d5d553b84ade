// PtyPair: a pseudo-terminal pair for tests, the simulator and the benchmark.
//
// The slave side (SlavePath(), e.g. "/dev/pts/5") is the serial port that the tool opens by
// path; the master side is the device at the other end of the line. The slave is set to raw
// mode (no echo, no line editing, no translation of CR/LF, 8-bit bytes) so that bytes pass
// unchanged, and the pair keeps its own slave descriptor open until CloseSlave() or Close():
// the tty then keeps its settings, the master never sees a hang-up when the tool closes its
// port, and the tool can open the port again at any time.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PtyPair {
public:
    // Opens a pair (as Open()); Valid() tells whether that worked.
    PtyPair();
    ~PtyPair() { Close(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    PtyPair(PtyPair&& other) noexcept;
    PtyPair& operator=(PtyPair&& other) noexcept;

    // Closes the pair held, if any, and opens a new one. The master is non-blocking; both
    // descriptors are close-on-exec. False when the system refuses; Error() then says why.
    bool Open();
    // Closes both sides; whoever has the slave open sees a hang-up.
    void Close();

    bool Valid() const { return Master >= 0; }
    // Why the last Open() failed (empty after a success).
    const std::string& Error() const { return Why; }
    // Path of the slave side, e.g. /dev/pts/7.
    const std::string& SlavePath() const { return Path; }
    // Master side, non-blocking.
    int MasterFd() const { return Master; }
    // The pair's own descriptor of the slave side (-1 once closed).
    int SlaveFd() const { return Slave; }

    // Closes the master side: whoever has the slave open sees a hang-up.
    void CloseMaster();
    // Closes the pair's own slave descriptor.
    void CloseSlave();

    // Writes all bytes to the master side, waiting for room up to timeout. False on failure
    // or time-out.
    bool Write(const void* data, size_t length,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    // Reads from the master side until `count` bytes have come or timeout has passed;
    // returns what came.
    std::vector<uint8_t> Read(size_t count, std::chrono::milliseconds timeout);
    // Reads whatever arrives within `quiet` of silence (at most `limit` bytes).
    std::vector<uint8_t> ReadAvailable(std::chrono::milliseconds quiet, size_t limit = 1 << 20);

private:
    bool Fail(const char* what);

    int Master = -1;
    int Slave = -1;
    std::string Path;
    std::string Why;
};
