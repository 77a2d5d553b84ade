// Shared by the tests that write a configuration to the simulated device: the state the device
// holds once a configuration is written over `base`.
#pragma once

#include "protocol/settings.h"
#include "sim/device_state.h"

#include <string>

inline vq830::sim::DeviceState StateOf(const DeviceSettings& c, vq830::sim::DeviceState base = {}) {
    base.workMode = c.workMode;
    for (int p = 0; p < 4; ++p)
        base.ports[p] = {c.ports[p].baud, c.ports[p].parity, c.ports[p].stop};
    base.modeZeroTimeout = std::stoi(c.times[0]);
    base.readInterval = std::stoi(c.times[1]);
    base.readTimeout = std::stoi(c.times[2]);
    for (int i = 0; i < 9; ++i)
        base.readSlots[i] = {c.readSlots[i].enable, c.readSlots[i].command, c.readSlots[i].header};
    return base;
}
