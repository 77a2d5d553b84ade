// How the command line and the device search open a port: at given line settings, without
// flow control, and with DTR and RTS low from the start (some boards restart when they rise).
#pragma once

#include "serial/comm.h"

#include <cstdint>
#include <string>

// Sets `comm` up for OpenPort on `path`.
void PrepareQuietOpen(TComm& comm, const std::string& path, uint32_t baud, TParity parity,
                      TStopBits stop);
