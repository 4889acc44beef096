// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modMapFile.h"

#include <QBuffer>
#include <QSet>
#include <QXmlStreamWriter>
#include <algorithm>

namespace {

// Lower bounds of the bands in mV/m; the colours run from blue (weak) to red
// (strong), as aabbggrr for KML and #rrggbb for the legend.
struct Band
{
    double from;
    const char *label;
    const char *kml;
    const char *html;
};
const Band kBands[] = {
    {0, "below 0.5 mV/m", "ffff0000", "#0000ff"},
    {0.5, "0.5 to 2 mV/m", "ffffff00", "#00ffff"},
    {2, "2 to 10 mV/m", "ff00ff00", "#00ff00"},
    {10, "10 to 50 mV/m", "ff00ffff", "#ffff00"},
    {50, "50 mV/m and above", "ff0000ff", "#ff0000"},
};
const Band kNoReading = {0, "no reading", "ff808080", "#808080"};

QString StyleId(const SurveyNumber &mvm)
{
    const int b = MapBand(mvm);
    return b < 0 ? QStringLiteral("none") : QStringLiteral("band%1").arg(b + 1);
}

// XML 1.0 cannot carry most control characters at all: a stray one in a
// note would make the whole file unreadable.
QString XmlText(const QString &text)
{
    QString t = text;
    for (QChar &c : t)
        if (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            c = QChar(QChar::ReplacementCharacter);
    return t;
}

// The measurement, row by row: label and value as written in the file.
QList<QPair<QString, QString>> Rows(const SurveyRecord &r)
{
    return {
        {QStringLiteral("Frequency (kHz)"), r.measFrequency.text},
        {QStringLiteral("mV/m"), r.mvm.text},
        {QStringLiteral("dBuV"), r.dbuv.text},
        {QStringLiteral("Distance (km)"), r.distance.text},
        {QStringLiteral("Azimuth"), r.azimuth.text},
        {QStringLiteral("Pattern"), r.pattern},
        {QStringLiteral("Initials"), r.initials},
        {QStringLiteral("Note"), r.note},
        {QStringLiteral("Local Time"), r.localTime},
    };
}

QString HtmlTable(const SurveyRecord &r)
{
    QString html = QStringLiteral("<table>");
    for (const auto &row : Rows(r))
        html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(row.first.toHtmlEscaped(), row.second.toHtmlEscaped());
    return html + QStringLiteral("</table>");
}

QString PlainRows(const SurveyRecord &r)
{
    QStringList lines;
    for (const auto &row : Rows(r))
        lines << row.first + QStringLiteral(": ") + row.second;
    return lines.join(QLatin1Char('\n'));
}

QString Legend(bool noReading)
{
    QString html = QStringLiteral("<p>Field strength</p><table>");
    auto add = [&html](const Band &b) {
        html += QStringLiteral("<tr><td style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;</td><td>%2</td></tr>")
                    .arg(QLatin1String(b.html), QLatin1String(b.label));
    };
    for (const Band &b : kBands)
        add(b);
    if (noReading)
        add(kNoReading);
    return html + QStringLiteral("</table>");
}

// The records with a position, grouped by call sign and radial in the order
// each group first appears.
QList<QVector<const SurveyRecord *>> Groups(const QVector<SurveyRecord> &records, int *skipped)
{
    QList<QVector<const SurveyRecord *>> groups;
    QStringList names;
    *skipped = 0;
    const QSet<QString> mixed = SurveyMixedPatternCalls(records);
    for (const SurveyRecord &r : records) {
        if (!r.positionValid) {
            ++*skipped;
            continue;
        }
        const QString name = SurveySeriesName(r, mixed);
        qsizetype g = names.indexOf(name);
        if (g < 0) {
            names << name;
            groups.append(QVector<const SurveyRecord *>());
            g = groups.size() - 1;
        }
        groups[g] << &r;
    }
    return groups;
}

// A description in HTML, kept readable in the file; the writer splits any
// "]]>" in it.
void WriteHtml(QXmlStreamWriter &w, const QString &html)
{
    w.writeStartElement(QStringLiteral("description"));
    w.writeCDATA(html);
    w.writeEndElement();
}

void WriteStyle(QXmlStreamWriter &w, const QString &id, const Band &b)
{
    w.writeStartElement(QStringLiteral("Style"));
    w.writeAttribute(QStringLiteral("id"), id);
    w.writeStartElement(QStringLiteral("IconStyle"));
    w.writeTextElement(QStringLiteral("color"), QLatin1String(b.kml));
    w.writeStartElement(QStringLiteral("Icon"));
    w.writeTextElement(QStringLiteral("href"), QStringLiteral("http://maps.google.com/mapfiles/kml/shapes/placemark_circle.png"));
    w.writeEndElement(); // Icon
    w.writeEndElement(); // IconStyle
    w.writeEndElement(); // Style
}

void WriteKml(QXmlStreamWriter &w, const QList<QVector<const SurveyRecord *>> &groups, const QSet<QString> &mixed)
{
    bool noReading = false;
    for (const auto &g : groups)
        for (const SurveyRecord *r : g)
            noReading = noReading || MapBand(r->mvm) < 0;

    w.writeStartElement(QStringLiteral("kml"));
    w.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    w.writeStartElement(QStringLiteral("Document"));
    w.writeTextElement(QStringLiteral("name"), QStringLiteral("Field strength survey"));
    WriteHtml(w, Legend(noReading));
    for (int b = 0; b < 5; ++b)
        WriteStyle(w, QStringLiteral("band%1").arg(b + 1), kBands[b]);
    if (noReading)
        WriteStyle(w, QStringLiteral("none"), kNoReading);
    for (const auto &g : groups) {
        w.writeStartElement(QStringLiteral("Folder"));
        w.writeTextElement(QStringLiteral("name"), XmlText(SurveySeriesName(*g.first(), mixed)));
        for (const SurveyRecord *r : g) {
            w.writeStartElement(QStringLiteral("Placemark"));
            w.writeTextElement(QStringLiteral("name"), XmlText(r->pointNumber));
            WriteHtml(w, XmlText(HtmlTable(*r)));
            const QString when = SurveyIsoTime(r->utcTime);
            if (!when.isEmpty()) {
                w.writeStartElement(QStringLiteral("TimeStamp"));
                w.writeTextElement(QStringLiteral("when"), when);
                w.writeEndElement();
            }
            w.writeTextElement(QStringLiteral("styleUrl"), QLatin1Char('#') + StyleId(r->mvm));
            w.writeStartElement(QStringLiteral("Point"));
            QString coordinates = r->longitudeText + QLatin1Char(',') + r->latitudeText;
            if (!r->elevationText.isEmpty())
                coordinates += QLatin1Char(',') + r->elevationText;
            w.writeTextElement(QStringLiteral("coordinates"), coordinates);
            w.writeEndElement(); // Point
            w.writeEndElement(); // Placemark
        }
        w.writeEndElement(); // Folder
    }
    w.writeEndElement(); // Document
    w.writeEndElement(); // kml
}

// GPX wants -180 <= lon < 180: the meridian 180 is written as -180.
QString GpxLongitude(const SurveyRecord &r)
{
    return r.longitude.value >= 180.0 ? QStringLiteral("-180") : r.longitudeText;
}

// The parts a waypoint and a track point share: position, elevation, time.
void WritePoint(QXmlStreamWriter &w, const QString &element, const SurveyRecord &r, const QString &name = QString())
{
    w.writeStartElement(element);
    w.writeAttribute(QStringLiteral("lat"), r.latitudeText);
    w.writeAttribute(QStringLiteral("lon"), GpxLongitude(r));
    if (!r.elevationText.isEmpty())
        w.writeTextElement(QStringLiteral("ele"), r.elevationText);
    const QString when = SurveyIsoTime(r.utcTime);
    if (!when.isEmpty())
        w.writeTextElement(QStringLiteral("time"), when);
    if (!name.isEmpty()) {
        w.writeTextElement(QStringLiteral("name"), XmlText(name));
        w.writeTextElement(QStringLiteral("desc"), XmlText(PlainRows(r)));
    }
    w.writeEndElement();
}

void WriteGpx(QXmlStreamWriter &w, const QList<QVector<const SurveyRecord *>> &groups, const QVector<SurveyRecord> &records)
{
    w.writeStartElement(QStringLiteral("gpx"));
    w.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    w.writeAttribute(QStringLiteral("creator"), QStringLiteral("ZT6200 Dataclave"));
    // Waypoints in the file's order, each under a name of its own: tools
    // that merge waypoints by name would otherwise lose points.
    QSet<QString> names;
    for (const SurveyRecord &r : records) {
        if (!r.positionValid)
            continue;
        QStringList parts{r.callSign, r.pattern};
        if (!r.radial.isEmpty())
            parts << QStringLiteral("radial ") + r.radial;
        if (!r.pointNumber.isEmpty())
            parts << QStringLiteral("point ") + r.pointNumber;
        parts.removeAll(QString());
        const QString base = parts.isEmpty() ? QStringLiteral("point") : parts.join(QLatin1Char(' '));
        QString name = base;
        for (int n = 2; names.contains(name); ++n)
            name = QStringLiteral("%1 (%2)").arg(base).arg(n);
        names.insert(name);
        WritePoint(w, QStringLiteral("wpt"), r, name);
    }
    const QSet<QString> mixed = SurveyMixedPatternCalls(records);
    for (const auto &g : groups) {
        // A point without a distance has no place along the radial.
        QVector<const SurveyRecord *> track;
        for (const SurveyRecord *r : g)
            if (r->distance.numeric)
                track << r;
        if (track.isEmpty())
            continue;
        std::stable_sort(track.begin(), track.end(),
                         [](const SurveyRecord *a, const SurveyRecord *b) { return a->distance.value < b->distance.value; });
        w.writeStartElement(QStringLiteral("trk"));
        w.writeTextElement(QStringLiteral("name"), XmlText(SurveySeriesName(*g.first(), mixed)));
        w.writeStartElement(QStringLiteral("trkseg"));
        for (const SurveyRecord *r : track)
            WritePoint(w, QStringLiteral("trkpt"), *r);
        w.writeEndElement(); // trkseg
        w.writeEndElement(); // trk
    }
    w.writeEndElement(); // gpx
}

} // namespace

bool MapFormatFromName(const QString &name, MapFormat *format)
{
    if (name.endsWith(QLatin1String(".kml"), Qt::CaseInsensitive))
        *format = MapFormat::Kml;
    else if (name.endsWith(QLatin1String(".gpx"), Qt::CaseInsensitive))
        *format = MapFormat::Gpx;
    else
        return false;
    return true;
}

int MapBand(const SurveyNumber &mvm)
{
    if (!mvm.numeric || mvm.value < 0)
        return -1;
    int band = 0;
    for (int b = 0; b < 5; ++b)
        if (mvm.value >= kBands[b].from)
            band = b;
    return band;
}

bool WriteMapFile(QIODevice *out, const QVector<SurveyRecord> &records, MapFormat format, int *skipped,
                  QList<int> *untimed, int *series)
{
    const QList<QVector<const SurveyRecord *>> groups = Groups(records, skipped);
    if (series)
        *series = int(groups.size());
    if (untimed) {
        untimed->clear();
        for (const SurveyRecord &r : records)
            if (r.positionValid && !r.utcTime.isEmpty() && SurveyIsoTime(r.utcTime).isEmpty())
                *untimed << r.line;
    }
    QXmlStreamWriter w(out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    if (format == MapFormat::Kml)
        WriteKml(w, groups, SurveyMixedPatternCalls(records));
    else
        WriteGpx(w, groups, records);
    w.writeEndDocument();
    return !w.hasError();
}

QByteArray MapFileBytes(const QVector<SurveyRecord> &records, MapFormat format, int *skipped, QList<int> *untimed, int *series)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteMapFile(&buffer, records, format, skipped, untimed, series);
    return bytes;
}

QString MapSkippedText(int skipped)
{
    return RecordsText(skipped) +
           (skipped == 1 ? QStringLiteral(" without a valid position was skipped.") : QStringLiteral(" without a valid position were skipped."));
}

QString MapUntimedText(const QList<int> &lines)
{
    constexpr int kNamed = 10;
    QStringList named;
    for (int i = 0; i < lines.size() && i < kNamed; ++i)
        named << QString::number(lines.at(i));
    QString text = RecordsText(int(lines.size())) + QStringLiteral(" without a readable time: ") +
                   (lines.size() == 1 ? QStringLiteral("line ") : QStringLiteral("lines ")) + named.join(QStringLiteral(", "));
    if (lines.size() > kNamed)
        text += QStringLiteral(" and %1 more").arg(lines.size() - kNamed);
    return text + QLatin1Char('.');
}
