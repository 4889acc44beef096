// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "cli/CliOptions.h"

// Sets up the meter (demo or real), waits for it, runs the command and
// returns the exit status.
int RunCommand(const CliOptions &options);

// The command line as the system passed it, for names that are not valid
// text in the system's encoding: they are written under their own bytes.
void KeepRawArguments(int argc, char **argv);
