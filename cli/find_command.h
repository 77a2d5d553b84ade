// vq830 find: which port the device is on, and at which main-port settings.
#pragma once

#include "cli/device_link.h"
#include "cli/options.h"

// Searches the ports of --port, else every port present; prints one line per device found
// (PORT, baud, parity, stop bits, tab-separated) or, with --json, a JSON array. 0 when a device
// was found, 1 when none.
int RunFind(const TCliOptions& options, const TReport& report);
