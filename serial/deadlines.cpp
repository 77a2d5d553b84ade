#include "serial/deadlines.h"

namespace vq830serial {

// from + ms, or none when ms is too far off to be a deadline. ms is checked before it is
// converted, so nothing here can overflow.
std::optional<DeadlineClock::time_point> DeadlineAfter(DeadlineClock::time_point from,
                                                       uint64_t ms) {
    if (ms > LongestDeadlineMs) return std::nullopt;
    return from + std::chrono::milliseconds(static_cast<int64_t>(ms));
}

std::optional<DeadlineClock::time_point> TotalDeadline(DeadlineClock::time_point start,
                                                       uint32_t multiplier, uint32_t constant,
                                                       size_t count) {
    if (multiplier == 0 && constant == 0) return std::nullopt;
    // multiplier * count, saturated: count may be any buffer size.
    const uint64_t perByte = multiplier == 0 || count <= LongestDeadlineMs / multiplier
                                 ? static_cast<uint64_t>(multiplier) * count
                                 : LongestDeadlineMs + 1;
    return DeadlineAfter(start, perByte + constant);
}

std::optional<DeadlineClock::time_point> Earlier(std::optional<DeadlineClock::time_point> a,
                                                 std::optional<DeadlineClock::time_point> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

} // namespace vq830serial
