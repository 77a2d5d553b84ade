// libFuzzer target: the simulated device's state machine over arbitrary bytes.
//
// The input is fed three ways: whole, in slices whose sizes come from the input itself, and
// byte by byte. Every way must give the same answers and the same settings (frames are read by
// their grammar, so how the bytes are sliced must not matter); the buffer must stay bounded,
// every answer must be one of the device's answer kinds and every setting must stay in range.
// The input is also handed to the device as one frame, which it accepts only when the input is
// exactly one frame. A violation aborts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_device.h"

namespace {

using vq830::sim::DeviceState;
using vq830::sim::SimDevice;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsHex(const std::string& text) {
    return text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

void CheckState(const DeviceState& s) {
    auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    Require(in(s.workMode, 0, 2) && in(s.modeZeroTimeout, 0, 999) && in(s.readInterval, 0, 999) &&
            in(s.readTimeout, 0, 999) && in(s.boardSerial, 0, 99999999) && in(s.tester, 0, 999));
    for (const auto& p : s.ports)
        Require(in(p.baud, 0, 7) && in(p.parity, 0, 2) && in(p.stop, 0, 1));
    for (const auto& slot : s.readSlots) {
        Require(in(slot.enable, 0, 1) && slot.code.size() % 2 == 0 && slot.code.size() <= 198 &&
                IsHex(slot.code));
        for (const auto& h : slot.header)
            Require(h.size() == 2 && IsHex(h));
    }
}

void CheckAnswer(const std::string& a) {
    Require(a == "OK#" || a == "ERR#" || a.starts_with("MOD:") || a.starts_with("COMR0") ||
            a.starts_with("COMP0") || a.starts_with("VQ830-A(B) V1.0 PCBSN:"));
    Require(a.ends_with('#'));
    Require(a.find("KORVAT#") == std::string::npos && a.find("PPPPPP#") == std::string::npos);
}

void Append(std::vector<std::string>& all, std::vector<std::string> more) {
    for (std::string& a : more) {
        CheckAnswer(a);
        all.push_back(std::move(a));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    SimDevice whole;
    std::vector<std::string> wholeAnswers;
    Append(wholeAnswers, whole.Feed(input));
    Require(whole.BufferedBytes() <= vq830::sim::kMaxFrameBytes);
    CheckState(whole.State());

    SimDevice sliced;
    std::vector<std::string> slicedAnswers;
    std::size_t pos = 0;
    std::size_t step = 0;
    while (pos < size) {
        std::size_t n = 1 + static_cast<unsigned char>(input[step++ % size]) % 37;
        n = std::min(n, size - pos);
        Append(slicedAnswers, sliced.Feed(input.substr(pos, n)));
        Require(sliced.BufferedBytes() <= vq830::sim::kMaxFrameBytes);
        pos += n;
    }

    SimDevice bytewise;
    std::vector<std::string> bytewiseAnswers;
    for (std::size_t i = 0; i < size; ++i)
        Append(bytewiseAnswers, bytewise.Feed(input.substr(i, 1)));

    Require(slicedAnswers == wholeAnswers && bytewiseAnswers == wholeAnswers);
    Require(sliced.State() == whole.State() && bytewise.State() == whole.State());
    Require(sliced.BufferedBytes() == whole.BufferedBytes() &&
            bytewise.BufferedBytes() == whole.BufferedBytes());
    const auto& c = whole.Counters();
    Require(c.framesAccepted + c.framesRejected == wholeAnswers.size());
    Require(c.bytesFed == size);

    // The input handed over as one frame: accepted only when it is exactly one.
    SimDevice single;
    const vq830::sim::Exchange exchange = single.HandleFrame(input);
    CheckAnswer(exchange.answer);
    CheckState(single.State());
    Require(exchange.accepted == (exchange.answer != vq830::sim::kErrorText));
    const std::size_t prefix = vq830::sim::kWritePrefix.size();
    Require(!exchange.accepted ||
            (size > prefix && input.ends_with('#') && input.find('#', prefix) == size - 1));
    return 0;
}
