#include "sim/sim_device.h"

#include <algorithm>
#include <array>

namespace vq830::sim {
namespace {

constexpr std::size_t kPrefixSize = 7; // "KORVAT#" and "PPPPPP#"
constexpr std::size_t kFeedChunk = kMaxFrameBytes;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsKeyChar(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z'); }

bool AllOf(std::string_view text, bool (*pred)(char)) {
    return std::all_of(text.begin(), text.end(), pred);
}

// A decimal number: an optional '-' and one or more digits, leading zeros allowed. False when
// the text is anything else or the value lies outside lo..hi.
bool ParseNumber(std::string_view text, long lo, long hi, int& out) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || !AllOf(text, IsDigit)) return false;
    while (text.size() > 1 && text.front() == '0')
        text.remove_prefix(1);
    if (text.size() > 10) return false; // far outside every range used here
    long value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    if (negative) value = -value;
    if (value < lo || value > hi) return false;
    out = static_cast<int>(value);
    return true;
}

// One character '0'..'0'+max.
bool ParseIndexDigit(char c, int max, int& out) {
    if (c < '0' || c > '0' + max) return false;
    out = c - '0';
    return true;
}

// A slot number written as two digits "01".."09"; 0 for anything else.
int SlotFromTwoDigits(std::string_view text) {
    if (text.size() != 2 || text[0] != '0' || text[1] < '1' || text[1] > '9') return 0;
    return text[1] - '0';
}

std::string ZeroPadded(int value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string PortField(const PortSettings& port) {
    std::string field;
    field += static_cast<char>('0' + port.baud);
    field += static_cast<char>('0' + port.parity);
    field += static_cast<char>('0' + port.stop);
    return field;
}

// Length of the longest tail of `buffer` that could grow into a prefix (at most 6 bytes).
std::size_t PartialPrefixTail(std::string_view buffer) {
    for (std::size_t len = std::min(buffer.size(), kPrefixSize - 1); len > 0; --len) {
        std::string_view tail = buffer.substr(buffer.size() - len);
        if (tail == kWritePrefix.substr(0, len) || tail == kQueryPrefix.substr(0, len)) return len;
    }
    return 0;
}

bool EndsWithPrefixLetters(std::string_view text) {
    constexpr std::size_t letters = kPrefixSize - 1;
    if (text.size() < letters) return false;
    std::string_view tail = text.substr(text.size() - letters);
    return tail == kWritePrefix.substr(0, letters) || tail == kQueryPrefix.substr(0, letters);
}

} // namespace

std::string Qx1Answer(const DeviceState& state) {
    std::string answer = "MOD:" + std::to_string(state.workMode);
    constexpr std::array<const char*, kPortCount> keys{",BAZ:", ",BAA:", ",BAB:", ",BAC:"};
    for (int port = 0; port < kPortCount; ++port)
        answer += keys[port] + PortField(state.ports[port]);
    answer += ",OTM:" + ZeroPadded(state.modeZeroTimeout, 3);
    answer += ",RTM:" + ZeroPadded(state.readInterval, 3);
    answer += ",ODM:" + ZeroPadded(state.readTimeout, 3);
    answer += '#';
    return answer;
}

std::string SlotCommandAnswer(const DeviceState& state, int slot) {
    const SlotSettings& s = state.readSlots[slot - 1];
    return "COMR0" + std::to_string(slot) + ":" + std::to_string(s.enable) + "," +
           ZeroPadded(static_cast<int>(s.code.size() / 2), 2) + "," + s.code + "#";
}

std::string SlotHeaderAnswer(const DeviceState& state, int slot) {
    const SlotSettings& s = state.readSlots[slot - 1];
    return "COMP0" + std::to_string(slot) + ":" + s.header[0] + s.header[1] + s.header[2] + "#";
}

std::vector<std::string> SimDevice::Feed(std::string_view bytes) {
    std::vector<std::string> answers;
    for (Exchange& exchange : FeedExchanges(bytes))
        answers.push_back(std::move(exchange.answer));
    return answers;
}

std::vector<Exchange> SimDevice::FeedExchanges(std::string_view bytes) {
    std::vector<Exchange> out;
    counters_.bytesFed += bytes.size();
    // Taken in slices so that the buffer never holds more than two frames' worth of bytes.
    while (!bytes.empty()) {
        std::size_t n = std::min(bytes.size(), kFeedChunk);
        buffer_.append(bytes.data(), n);
        bytes.remove_prefix(n);
        Scan(out);
    }
    return out;
}

void SimDevice::Scan(std::vector<Exchange>& out) {
    for (;;) {
        std::size_t start = std::min(buffer_.find(kWritePrefix), buffer_.find(kQueryPrefix));
        if (start == std::string::npos) {
            std::size_t drop = buffer_.size() - PartialPrefixTail(buffer_);
            counters_.noiseBytes += drop;
            buffer_.erase(0, drop);
            return;
        }
        counters_.noiseBytes += start;
        buffer_.erase(0, start);

        // The buffer now starts with a prefix; the frame ends at the first '#' after it.
        std::size_t end = buffer_.find('#', kPrefixSize);
        if (end == std::string::npos || end >= kMaxFrameBytes) {
            if (buffer_.size() < kMaxFrameBytes) return; // wait for more bytes
            // Too long for any frame: answer it once and look for a prefix after its start.
            out.push_back(Reject(std::string_view(buffer_).substr(0, kMaxFrameBytes)));
            buffer_.erase(0, 1);
            continue;
        }
        std::string_view frame = std::string_view(buffer_).substr(0, end + 1);
        std::string_view body = frame.substr(kPrefixSize, end - kPrefixSize);
        if (EndsWithPrefixLetters(body)) {
            // The '#' completes a new prefix: the frame before it was cut short.
            std::size_t next = end - (kPrefixSize - 1);
            out.push_back(Reject(frame.substr(0, next)));
            buffer_.erase(0, next);
            continue;
        }
        out.push_back(HandleFrame(frame));
        buffer_.erase(0, end + 1);
    }
}

Exchange SimDevice::Reject(std::string_view frame) {
    ++counters_.framesRejected;
    return Exchange{std::string(frame), std::string(kErrorText), false};
}

Exchange SimDevice::Accept(std::string_view frame, std::string answer) {
    ++counters_.framesAccepted;
    return Exchange{std::string(frame), std::move(answer), true};
}

Exchange SimDevice::HandleFrame(std::string_view frame) {
    if (frame.size() < kPrefixSize + 1 || frame.back() != '#') return Reject(frame);
    std::string_view prefix = frame.substr(0, kPrefixSize);
    if (prefix != kWritePrefix && prefix != kQueryPrefix) return Reject(frame);
    std::string_view body = frame.substr(kPrefixSize, frame.size() - kPrefixSize - 1);
    if (body.find('#') != std::string_view::npos) return Reject(frame);

    std::size_t colon = body.find(':');
    std::string_view key = body.substr(0, colon);
    if (key.empty() || !AllOf(key, IsKeyChar)) return Reject(frame);

    if (colon == std::string_view::npos) {
        if (prefix != kQueryPrefix) return Reject(frame);
        std::string answer = QueryAnswer(key);
        if (answer.empty()) return Reject(frame);
        return Accept(frame, std::move(answer));
    }
    if (!ApplyWrite(prefix, key, body.substr(colon + 1))) return Reject(frame);
    return Accept(frame, std::string(kAckText));
}

std::string SimDevice::QueryAnswer(std::string_view key) const {
    if (key == "QX1") return Qx1Answer(state_);
    if (key == "VAR")
        return std::string(kVersionText) + "PCBSN:" + ZeroPadded(state_.boardSerial, 8) + "," +
               ZeroPadded(state_.tester, 3) + "#";
    if (key.size() == 6 && (key.starts_with("COMR") || key.starts_with("COMP"))) {
        int slot = SlotFromTwoDigits(key.substr(4));
        if (slot == 0) return {};
        return key[3] == 'R' ? SlotCommandAnswer(state_, slot) : SlotHeaderAnswer(state_, slot);
    }
    return {};
}

bool SimDevice::ApplyWrite(std::string_view prefix, std::string_view key, std::string_view value) {
    if (prefix == kQueryPrefix) {
        // The board serial number is the one write sent with the query prefix.
        if (key != "PCBSN") return false;
        std::size_t comma = value.find(',');
        if (comma == std::string_view::npos) return false;
        int serial = 0;
        int tester = 0;
        if (!ParseNumber(value.substr(0, comma), 0, kMaxBoardSerial, serial) ||
            !ParseNumber(value.substr(comma + 1), 0, kMaxTester, tester))
            return false;
        state_.boardSerial = serial;
        state_.tester = tester;
        return true;
    }

    if (key == "MOD") return ParseNumber(value, 0, kMaxWorkMode, state_.workMode);

    constexpr std::array<std::string_view, kPortCount> portKeys{"BAZ", "BAA", "BAB", "BAC"};
    for (int port = 0; port < kPortCount; ++port) {
        if (key != portKeys[port]) continue;
        PortSettings settings;
        if (value.size() != 3 || !ParseIndexDigit(value[0], kMaxBaudIndex, settings.baud) ||
            !ParseIndexDigit(value[1], kMaxParityIndex, settings.parity) ||
            !ParseIndexDigit(value[2], kMaxStopIndex, settings.stop))
            return false;
        state_.ports[port] = settings;
        return true;
    }

    if (key == "OTM") return ParseNumber(value, 0, kMaxTime, state_.modeZeroTimeout);
    if (key == "RTM") return ParseNumber(value, 0, kMaxTime, state_.readInterval);
    if (key == "ODM") return ParseNumber(value, 0, kMaxTime, state_.readTimeout);

    if (key.size() == 5 && key.starts_with("COMW")) {
        // "e,CC<code>": the count has two digits or more and no separator before the code,
        // so the split is the one at which the count equals the characters that follow.
        if (key[4] < '1' || key[4] > '9') return false;
        int enable = 0;
        if (value.size() < 4 || !ParseIndexDigit(value[0], 1, enable) || value[1] != ',')
            return false;
        std::string_view rest = value.substr(2);
        if (!IsDigit(rest[0])) return false;
        for (std::size_t digits = 2; digits <= rest.size() && digits <= 4; ++digits) {
            if (!IsDigit(rest[digits - 1])) return false;
            int count = 0;
            ParseNumber(rest.substr(0, digits), 0, 9999, count);
            std::string_view code = rest.substr(digits);
            if (static_cast<std::size_t>(count) != code.size()) continue;
            if (code.size() % 2 != 0 || code.size() > kMaxCodeChars || !AllOf(code, IsHexDigit))
                return false;
            SlotSettings& slot = state_.readSlots[key[4] - '1'];
            slot.enable = enable;
            slot.code = std::string(code);
            return true;
        }
        return false;
    }

    if (key.size() == 6 && key.starts_with("COMP")) {
        int slot = SlotFromTwoDigits(key.substr(4));
        if (slot == 0 || value.size() != 6 || !AllOf(value, IsHexDigit)) return false;
        for (int i = 0; i < 3; ++i)
            state_.readSlots[slot - 1].header[i] = std::string(value.substr(2 * i, 2));
        return true;
    }
    return false;
}

} // namespace vq830::sim
