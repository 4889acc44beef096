// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File > Export Map File…: asks for a saved-data CSV file and reads it, then
// asks for the map file (proposing the CSV file's name with .kml; the filter,
// KML or GPX, decides the format), writes it and says what it holds.
void ExportMapFileGui();
