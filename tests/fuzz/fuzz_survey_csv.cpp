// SPDX-License-Identifier: GPL-3.0-or-later
// Saved-data CSV files of any bytes, and the map files made of them: a file
// read must give records of positions in range, and both map files must be
// well-formed XML whatever the text in the fields.
#include "FuzzSupport.h"
#include "saveddata/modMapFile.h"

#include <QXmlStreamReader>
#include <cmath>

static bool WellFormed(const QByteArray &xml)
{
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

FUZZ_TARGET
{
    SurveyCsv csv;
    QString error;
    int line = -1;
    const bool ok = ParseSurveyCsv(QByteArray(reinterpret_cast<const char *>(data), int(size)), &csv, &error, &line);
    FuzzAssert(ok == error.isEmpty() && (ok || csv.records.isEmpty()) && line >= 0);
    for (const SurveyRecord &r : csv.records)
        FuzzAssert(!r.positionValid || (std::fabs(r.latitude.value) <= 90 && std::fabs(r.longitude.value) <= 180 &&
                                        !r.latitudeText.isEmpty() && !r.longitudeText.isEmpty()));
    for (MapFormat format : {MapFormat::Kml, MapFormat::Gpx}) {
        int skipped = -1;
        const QByteArray xml = MapFileBytes(csv.records, format, &skipped);
        FuzzAssert(skipped >= 0 && skipped <= csv.records.size() && WellFormed(xml));
    }
}
