// SimDevice: the simulated VQ830-A(B) as a pure state machine.
//
// Bytes from the line go in through Feed(); the answers to every complete frame come out. No
// I/O, no clock, no threads: SimServer (sim_server.h) puts it on a pseudo-terminal.
//
// Frames are read by their grammar alone:
//   prefix  "KORVAT#" (writes) or "PPPPPP#" (queries, and the board serial number write),
//   key     one or more of 'A'..'Z', '0'..'9',
//   value   optional: ":" followed by any bytes except '#',
//   end     "#".
// Bytes before a prefix are skipped as line noise and never answered. A frame runs from its
// prefix to the first '#' after it. When that '#' completes a new prefix ("KORVAT#MOD:1PPPPPP#")
// the frame before it was cut short: it is answered with the error text and the new frame
// starts at that prefix. A frame that grows past kMaxFrameBytes without its closing '#' is
// answered with the error text and dropped; whatever of it follows is noise. Buffered bytes never
// exceed kMaxFrameBytes, whatever is fed.
//
// Answers (each a complete text ending in '#'):
//   "PPPPPP#QX1#"       "MOD:m,BAZ:bps,BAA:bps,BAB:bps,BAC:bps,OTM:ttt,RTM:ttt,ODM:ttt#"
//                       (b, p, s: baud, parity and stop-bit indexes; ttt: three digits)
//   "PPPPPP#COMRnn#"    "COMR0n:e,NN,<code>#" (NN: bytes of the code, two digits)
//   "PPPPPP#COMPnn#"    "COMP0n:aabbcc#"
//   "PPPPPP#VAR#"       kVersionText followed by "PCBSN:<serial 8 digits>,<tester 3 digits>#"
//   every accepted write  kAckText
//   anything else         kErrorText (the state is left unchanged)
// Accepted writes:
//   KORVAT#MOD:m#             m 0..2
//   KORVAT#BAZ:bps#           also BAA, BAB, BAC; three digits b 0..7, p 0..2, s 0..1
//   KORVAT#OTM:t#             also RTM, ODM; t a decimal number (optional '-', leading zeros
//                             allowed) in 0..999
//   KORVAT#COMWn:e,CC<code>#  n 1..9, e 0..1, CC the decimal character count of <code> (two
//                             digits or more, no separator before the code), <code> an even
//                             number (at most kMaxCodeChars) of hexadecimal digits
//   KORVAT#COMPnn:aabbcc#     nn 01..09, exactly six hexadecimal digits
//   PPPPPP#PCBSN:s,t#         s decimal 0..99999999, t decimal 0..999
// Queries take no value; slot numbers are one digit in COMW and two digits ("01".."09")
// in COMR and COMP; a query key with the write prefix, or a write key with the query prefix,
// is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/device_state.h"

namespace vq830::sim {

inline constexpr std::string_view kWritePrefix = "KORVAT#";
inline constexpr std::string_view kQueryPrefix = "PPPPPP#";
inline constexpr std::string_view kAckText = "OK#";
inline constexpr std::string_view kErrorText = "ERR#";
// The start of the answer to "PPPPPP#VAR#".
inline constexpr std::string_view kVersionText = "VQ830-A(B) V1.0 ";
// Longest frame kept while waiting for its closing '#', prefix included.
inline constexpr std::size_t kMaxFrameBytes = 512;

// One frame and the device's answer to it.
struct Exchange {
    std::string frame; // the frame as received (cut short for a truncated or overlong one)
    std::string answer;
    bool accepted = false; // false when the answer is kErrorText
};

struct DeviceCounters {
    std::uint64_t bytesFed = 0;
    std::uint64_t framesAccepted = 0;
    std::uint64_t framesRejected = 0; // answered with kErrorText
    std::uint64_t noiseBytes = 0;     // skipped outside any frame
};

class SimDevice {
public:
    SimDevice() = default;
    explicit SimDevice(const DeviceState& state) : state_(state) {}

    // Takes the next bytes from the line and returns the answers to the frames completed by
    // them, in order. Bytes of an unfinished frame are kept for the next call.
    std::vector<std::string> Feed(std::string_view bytes);
    // As Feed, with each frame beside its answer.
    std::vector<Exchange> FeedExchanges(std::string_view bytes);

    // Handles one complete frame on its own (prefix through closing '#'), without touching the
    // buffered bytes. A text that is not exactly one frame gets kErrorText.
    Exchange HandleFrame(std::string_view frame);

    const DeviceState& State() const { return state_; }
    // Replaces every setting. No range is checked here, so a test can make the device answer
    // what a real one never would: a baud index of 9 answers "BAZ:9..", a code of "ZZ" answers
    // "COMR0n:e,01,ZZ#", a time of 1000 answers "OTM:1000".
    void SetState(const DeviceState& state) { state_ = state; }
    const DeviceCounters& Counters() const { return counters_; }

    // Bytes kept from earlier calls (an unfinished frame or the start of a prefix).
    std::size_t BufferedBytes() const { return buffer_.size(); }
    // Forgets the buffered bytes, as after a line break; the settings stay.
    void DiscardBuffered() { buffer_.clear(); }

private:
    void Scan(std::vector<Exchange>& out);
    Exchange Reject(std::string_view frame);
    Exchange Accept(std::string_view frame, std::string answer);
    std::string QueryAnswer(std::string_view key) const; // empty when the key is unknown
    bool ApplyWrite(std::string_view prefix, std::string_view key, std::string_view value);

    DeviceState state_;
    DeviceCounters counters_;
    std::string buffer_;
};

// The answers to the three parsed queries, from a given state (slot: 1..9).
std::string Qx1Answer(const DeviceState& state);
std::string SlotCommandAnswer(const DeviceState& state, int slot);
std::string SlotHeaderAnswer(const DeviceState& state, int slot);

} // namespace vq830::sim
