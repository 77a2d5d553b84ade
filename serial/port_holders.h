// Which other processes have a device open, as Linux's /proc shows it. Plain C++.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace vq830serial {

struct PortHolder {
    int Pid = 0;
    std::string Name; // the process's command name (/proc/PID/comm), empty when unreadable
};

// The processes other than this one with a descriptor open on the device named by `path`
// (the device's node or any link to it). Processes whose descriptors /proc does not show to
// this user are not found. Empty when `path` is not a device.
std::vector<PortHolder> FindPortHolders(const std::string& path);

// True when `path`, or the open descriptor `fd`, is the slave side of a pseudo-terminal.
bool IsPseudoTerminal(const std::string& path);
bool IsPseudoTerminal(int fd);

} // namespace vq830serial
