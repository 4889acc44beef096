// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A map file (KML or GPX) from a saved-data CSV file, for the window and the
// command line alike: read, build, then write through the CSV files' writer,
// so the target is replaced only by a finished file.
#include "saveddata/modMapFile.h"

#include <QString>

struct MapExport
{
    enum Outcome { Written, CsvUnreadable, SameFile, WriteFailed };
    Outcome outcome = Written;
    int written = 0; // records on the map
    int series = 0;  // their series (call sign and radial)
    int skipped = 0; // records without a valid position
    // Why it failed: the reader's text ("line 7: ...") or the system's reason
    // for the write (empty when unknown).
    QString error;
};

// Reads the CSV file and builds the map file's bytes (outcome Written or
// CsvUnreadable).
MapExport BuildMapFile(const QString &csvPath, MapFormat format, QByteArray *bytes);

MapExport ExportMapFile(const QString &csvPath, const QString &target, MapFormat format);
// The same for a CSV file already read (outcome Written, SameFile or WriteFailed).
MapExport WriteMapFile(const SurveyCsv &csv, const QString &csvPath, const QString &target, MapFormat format);
