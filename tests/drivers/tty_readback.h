#pragma once
// What a tty's driver holds, read through a descriptor.
#include <cstdint>
#include <string>

// The output rate the driver reports (TCGETS2: the real rate, also for BOTHER); 0 on failure.
uint32_t OutputRate(int fd);
// TIOCMGET's bits; -1 on failure.
int ModemBits(int fd);
bool DtrOf(int bits);
bool RtsOf(int bits);
// This process's own open descriptor of the device `path` (a link is followed); -1 when none.
int OwnDescriptorOf(const std::string& path);
