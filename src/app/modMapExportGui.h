// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File > Export Map File…: asks for a saved-data CSV file, then for the map
// file (its filter, KML or GPX, decides the format), and writes it.
void ExportMapFileGui();
