// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "cli/CliOptions.h"

// export kml|gpx CSV-FILE OUTPUT-FILE: the map file of a saved-data CSV
// file; no meter needed. Returns the exit status.
int ExportCommand(const CliOptions &options);
