// Deadline arithmetic for the port threads' time-outs: sums and products of 32-bit
// millisecond counts, clamped before they become points in time.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vq830serial {

using DeadlineClock = std::chrono::steady_clock;

// Time-outs are sums of 32-bit millisecond counts and products of them with byte counts. A
// sum beyond this (about a year) is no time limit: it could not be represented on the clock
// and no line waits that long.
inline constexpr uint64_t LongestDeadlineMs = 366ull * 24 * 60 * 60 * 1000;

// from + ms, or none when ms is too far off to be a deadline.
std::optional<DeadlineClock::time_point> DeadlineAfter(DeadlineClock::time_point from, uint64_t ms);

// The end of a total time-out for count bytes begun at start (multiplier * count + constant),
// or none when both are 0 or the sum is too far off.
std::optional<DeadlineClock::time_point> TotalDeadline(DeadlineClock::time_point start,
                                                       uint32_t multiplier, uint32_t constant,
                                                       size_t count);

// The earlier of two deadlines; none only when both are none.
std::optional<DeadlineClock::time_point> Earlier(std::optional<DeadlineClock::time_point> a,
                                                 std::optional<DeadlineClock::time_point> b);

} // namespace vq830serial
