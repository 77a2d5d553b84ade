// What the device search shows: each port's row and the paragraph under the rows, as plain
// functions of the search (no widgets).
#pragma once

#include "finder/device_finder.h"

#include <QString>
#include <vector>

// "9600 无校验 1位".
QString LineWords(const PortConfig& line);
// What a port is doing now, or what its search came to, in one line.
QString PortStateText(const TPortProgress& port);
// What stands behind that line: what the device said, or why the port could not be opened.
QString PortDetailText(const TPortProgress& port);
// The paragraph under the rows: the search going on, what it found, or why it may have found
// nothing.
QString SearchSummary(const std::vector<TPortProgress>& ports, bool running);
