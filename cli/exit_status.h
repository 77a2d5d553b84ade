// The exit status a run's outcomes earn.
#pragma once

#include "cli/options.h"

// The status one exchange's outcome earns; `gone`: the port went away during the run.
int StatusOf(Outcome outcome, bool gone);
// The more serious of two statuses: the device gone, then silent, then any other failure.
int Worse(int a, int b);
