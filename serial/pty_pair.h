// A pseudo-terminal pair for tests and the simulator: the slave side is opened by path (as a
// serial port would be), the master side is the "device at the other end".
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PtyPair {
public:
    // Opens a pair and puts the slave in raw mode. Valid() tells whether that worked. The
    // slave descriptor stays open until destruction so that the tty keeps its settings.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Valid() const { return Master >= 0; }
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
    int Master = -1;
    int Slave = -1;
    std::string Path;
};
