// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A map file (KML or GPX) from a saved-data CSV file, for the window and the
// command line alike: read, then write through the CSV files' writer, so
// the target is replaced only by a finished file, and never the CSV file.
#include "saveddata/modMapFile.h"

#include <QString>

class QIODevice;

struct MapExport
{
    enum Outcome { Written, CsvUnreadable, SameFile, WriteFailed };
    Outcome outcome = Written;
    int written = 0; // records on the map
    int series = 0;  // their series (call sign, pattern and radial)
    int skipped = 0; // records without a valid position
    QList<int> untimed; // lines of records on the map whose time does not read
    // Why it failed: the reader's text ("line 7: ...") or the system's reason
    // for the write (empty when unknown).
    QString error;
};

// Reads the CSV file and writes the map file to `out` as it is made
// (outcome Written, CsvUnreadable or WriteFailed); nothing is written when
// the CSV file cannot be read.
MapExport WriteMapExport(const QString &csvPath, MapFormat format, QIODevice *out);

// Refuses a target that is the CSV file itself (outcome SameFile), reads
// it, writes the map file.
MapExport ExportMapFile(const QString &csvPath, const QString &target, MapFormat format);
// The same for a CSV file already read (outcome Written, SameFile or WriteFailed).
MapExport WriteMapFile(const SurveyCsv &csv, const QString &csvPath, const QString &target, MapFormat format);
