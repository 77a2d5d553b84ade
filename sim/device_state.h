// The settings that the simulated VQ830-A(B) keeps in memory, with the values a fresh device
// starts with.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vq830::sim {

inline constexpr int kPortCount = 4; // main port Z, then ports A, B and C
inline constexpr int kSlotCount = 9; // read-command slots 1 to 9 (index 0 to 8)

// Index of each serial port in DeviceState::ports.
enum PortIndex : int { kPortZ = 0, kPortA = 1, kPortB = 2, kPortC = 3 };

// Largest index that each setting accepts (the smallest is 0).
inline constexpr int kMaxWorkMode = 2;           // 0 transparent, 1 preset commands, 2 command mode
inline constexpr int kMaxBaudIndex = 7;          // 1200 ... 115200
inline constexpr int kMaxParityIndex = 2;        // None, Odd, Even
inline constexpr int kMaxStopIndex = 1;          // 1 bit, 2 bits
inline constexpr int kMaxTime = 999;             // tenths of a second; answered as three digits
inline constexpr int kMaxBoardSerial = 99999999; // eight digits
inline constexpr int kMaxTester = 999;           // three digits
// What the indexes stand for.
inline constexpr std::array<int, kMaxBaudIndex + 1> kBaudRates{1200,  2400,  4800,  9600,
                                                               19200, 38400, 57600, 115200};
inline constexpr std::array<std::string_view, kMaxParityIndex + 1> kParityNames{"None", "Odd",
                                                                                "Even"};
// A slot command is at most 99 bytes: its answer gives the byte count as two digits.
inline constexpr std::size_t kMaxCodeChars = 198;

struct PortSettings {
    int baud = 3;   // index: 9600
    int parity = 0; // index: None
    int stop = 0;   // index: 1 bit
    bool operator==(const PortSettings&) const = default;
};

struct SlotSettings {
    int enable = 1; // 0 off, 1 on
    // The instrument request as hexadecimal text (two characters per byte), stored as written.
    std::string code = "0103000000044409";
    // The three reply-parse header bytes, two hexadecimal characters each, stored as written.
    std::array<std::string, 3> header{"01", "03", "00"};
    bool operator==(const SlotSettings&) const = default;
};

struct DeviceState {
    int workMode = 0;
    std::array<PortSettings, kPortCount> ports{};
    int modeZeroTimeout = 10; // "OTM", tenths of a second
    int readInterval = 10;    // "RTM", tenths of a second
    int readTimeout = 10;     // "ODM", tenths of a second
    std::array<SlotSettings, kSlotCount> readSlots{};
    int boardSerial = 0;
    int tester = 1;
    bool operator==(const DeviceState&) const = default;
};

} // namespace vq830::sim
