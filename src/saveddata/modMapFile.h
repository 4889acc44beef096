// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Map files of a survey: KML 2.2 for Google Earth and the like, GPX 1.1 for
// GPS tools. Each is built whole in memory (UTF-8) and written by the caller,
// so a failure never leaves half a file.
#include "saveddata/modSurveyCsv.h"

#include <QByteArray>
#include <QString>
#include <QVector>

enum class MapFormat { Kml, Gpx };

// The format a file name asks for by its extension (".kml", ".gpx", any
// case); false for any other name.
bool MapFormatFromName(const QString &name, MapFormat *format);

// The field-strength band of a reading in mV/m: 0 to 4, weakest first; -1
// when there is no reading.
int MapBand(const SurveyNumber &mvm);

// The map file of the records. Records without a valid position are left
// out and counted in *skipped; *series (when given) counts the series (call
// sign and radial) on the map.
QByteArray MapFileBytes(const QVector<SurveyRecord> &records, MapFormat format, int *skipped, int *series = nullptr);

// "N records without a valid position were skipped."
QString MapSkippedText(int skipped);
