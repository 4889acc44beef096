// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `plot`: the field strength plot of a saved-data CSV file, drawn off-screen.
// Drawing needs a QGuiApplication (fonts), so this command runs before (and
// instead of) the tool's QCoreApplication, and its drawing lives in a module
// loaded only here: the other commands never load QtGui.
#include "cli/CliOptions.h"

// True when the command line is a sound `plot` command; fills `options`.
bool PlotRequested(int argc, char **argv, CliOptions *options);

// Reads the CSV, draws and writes the picture; returns the exit status.
int RunPlot(const CliOptions &options, int argc, char **argv);

// The module's entry point: renders `plot` (a const FieldPlot *) at the size
// in the format (a PlotFormat) into `*bytes` (a QByteArray *), under a
// QGuiApplication it creates for the purpose. Returns false on failure.
using RenderPlotEntry = bool (*)(int *argc, char **argv, const void *plot, int width, int height, int format, void *bytes);
#define DATACLAVE_RENDER_PLOT_ENTRY "dataclave_render_field_plot"
