#include "serial/port_holders.h"

#include <dirent.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vq830serial {

namespace {

using DirPtr = std::unique_ptr<DIR, int (*)(DIR*)>;

DirPtr OpenDir(const std::string& path) { return DirPtr(opendir(path.c_str()), &closedir); }

// The device number of a character device, or 0.
dev_t CharDeviceOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
    return st.st_rdev;
}

// A directory entry that is a process id.
int PidOf(const char* name) {
    int pid = 0;
    for (const char* c = name; *c; ++c) {
        if (*c < '0' || *c > '9') return 0;
        pid = pid * 10 + (*c - '0');
    }
    return pid;
}

bool ProcessHolds(int pid, dev_t device) {
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    DirPtr dir = OpenDir(fdDir);
    if (!dir) return false;
    while (const dirent* entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;
        if (CharDeviceOf(fdDir + '/' + entry->d_name) == device) return true;
    }
    return false;
}

std::string CommandName(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

std::vector<PortHolder> FindPortHolders(const std::string& path) {
    std::vector<PortHolder> holders;
    const dev_t device = CharDeviceOf(path);
    if (device == 0) return holders;
    DirPtr proc = OpenDir("/proc");
    if (!proc) return holders;
    const int self = int(getpid());
    while (const dirent* entry = readdir(proc.get())) {
        const int pid = PidOf(entry->d_name);
        if (pid <= 0 || pid == self || !ProcessHolds(pid, device)) continue;
        holders.push_back({pid, CommandName(pid)});
    }
    return holders;
}

namespace {

// Slave sides of Unix 98 pseudo-terminals use majors 136 to 143.
bool IsPseudoTerminalDevice(dev_t device) {
    return device != 0 && major(device) >= 136 && major(device) <= 143;
}

} // namespace

bool IsPseudoTerminal(const std::string& path) {
    return IsPseudoTerminalDevice(CharDeviceOf(path));
}

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && IsPseudoTerminalDevice(st.st_rdev);
}

} // namespace vq830serial
