// The device's main-port settings that a search tries, in the order it tries them, and their
// names.
#pragma once

#include "protocol/settings.h"

#include <optional>
#include <string>
#include <vector>

// Every setting the device's main port offers: 8 baud rates × 3 parities × 2 stop-bit counts.
inline constexpr int kLineChoiceCount = 48;

// The 48 settings, most likely first: `remembered` (the settings last found on the port, when
// they are among the 48), then 9600 None 1, then by how common they are: the framings None 1,
// Even 1, Odd 1, None 2, Even 2, Odd 2, each across the baud rates 9600, 115200, 19200, 38400,
// 57600, 4800, 2400, 1200. The last is 1200 Odd 2.
std::vector<PortConfig> SearchOrder(std::optional<PortConfig> remembered = std::nullopt);

// True when every index lies in its list.
bool IsListedLine(const PortConfig& line);

// "19200 None 1" (indexes past a list as "#n").
std::string LineText(const PortConfig& line);
