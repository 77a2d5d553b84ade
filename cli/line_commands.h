// The commands that use the line's database: serial numbers handed out across stations and a
// record of every attempt at a board. Each returns its exit status; a database that cannot be
// used throws EDbError before anything is sent to the board, a record that cannot be completed
// after it stops the command with kExitNoRecord.
#pragma once

#include "cli/device_link.h"
#include "cli/options.h"

#include <functional>

// serial --first N
int RunSerialFirst(const TCliOptions& options, const TReport& report);
// serial --next (without a counter file)
int RunSerialNext(TDeviceLink& link, const TCliOptions& options, const TReport& report);
// program FILE
int RunProgram(TDeviceLink& link, const TCliOptions& options, const TReport& report);
// records
int RunRecords(const TCliOptions& options);
// write, set or serial NUMBER with --record: `command` runs with its attempt recorded.
int RunRecorded(TDeviceLink& link, const TCliOptions& options, const TReport& report,
                const std::function<int()>& command);
