// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The field strength plot drawn with Qt Charts, and rendered off-screen to
// PNG or SVG for the window's Save and the command-line tool.
#include "saveddata/modFieldPlot.h"

#include <QByteArray>
#include <QSize>

class QChart;

// A new chart of the plot (the caller owns it): log-log axes in whole
// decades, each series joined and marked, its 1/d reference dashed.
QChart *NewFieldPlotChart(const FieldPlot &plot);

// The picture of the plot at `size` pixels, as the file's bytes; empty on
// failure. Needs a QApplication.
QByteArray RenderFieldPlot(const FieldPlot &plot, QSize size, PlotFormat format);
