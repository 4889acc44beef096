// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "cli/CliOptions.h"

// groundwave --freq KHZ --conductivity MS_PER_M [--permittivity EPS]
// [--field-at-1km MV_PER_M] DISTANCE_KM...: the model's field at each
// distance. Returns the exit status.
int GroundWaveCommand(const CliOptions &options);

// analyze CSV-FILE [--permittivity EPS] [--min-km D] [--max-km D] [--csv OUT]:
// the fit of each radial. Returns the exit status.
int AnalyzeCommand(const CliOptions &options);
