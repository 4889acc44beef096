// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Map files of a survey: KML 2.2 for Google Earth and the like, GPX 1.1 for
// GPS tools, in UTF-8. The caller writes them where a failure never leaves
// half a file.
#include "saveddata/modSurveyCsv.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

enum class MapFormat { Kml, Gpx };

// The format a file name asks for by its extension (".kml", ".gpx", any
// case); false for any other name.
bool MapFormatFromName(const QString &name, MapFormat *format);

// The field-strength band of a reading in mV/m: 0 to 4, weakest first; -1
// when there is no reading.
int MapBand(const SurveyNumber &mvm);

class QIODevice;

// Writes the map file of the records to `out`; false when a write failed.
// Records without a valid position are left out and counted in *skipped;
// the lines of those on the map whose UTC time does not read go to
// *untimed.
// *series (when given) counts the series (call sign, pattern and radial) on
// the map.
bool WriteMapFile(QIODevice *out, const QVector<SurveyRecord> &records, MapFormat format, int *skipped,
                  QList<int> *untimed = nullptr, int *series = nullptr);
// The same, in memory.
QByteArray MapFileBytes(const QVector<SurveyRecord> &records, MapFormat format, int *skipped,
                        QList<int> *untimed = nullptr, int *series = nullptr);

// "N records without a valid position were skipped."
QString MapSkippedText(int skipped);
// "N records without a readable time: lines 4, 9." Ten lines at most are
// named.
QString MapUntimedText(const QList<int> &lines);
