#pragma once
#include "cli/CliOptions.h"

// Sets up the meter (demo or real), waits for it, runs the command and
// returns the exit status.
int RunCommand(const CliOptions &options);
