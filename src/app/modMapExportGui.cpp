// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modMapExportGui.h"
#include "app/modMapExport.h"
#include "common/modConvert.h"
#include "common/modMsgBox.h"
#include "storage/clsFile.h"
#include "storage/modFile.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kTitle = QStringLiteral("Export Map File");
const QString kKmlFilter = QStringLiteral("KML files (*.kml)");
const QString kGpxFilter = QStringLiteral("GPX files (*.gpx)");
const QString kFileErrorTitle = QStringLiteral("ZT 6200 File Error");

// What was written: "12 placemarks in 3 series written to a.kml.", and what was left out.
QString MapWrittenText(const MapExport &result, MapFormat format, const QString &target)
{
    const bool kml = format == MapFormat::Kml;
    const bool one = result.written == 1;
    QString text = IntText(result.written) +
                   (kml ? (one ? QStringLiteral(" placemark in ") : QStringLiteral(" placemarks in "))
                        : (one ? QStringLiteral(" waypoint in ") : QStringLiteral(" waypoints in "))) +
                   IntText(result.series) + QStringLiteral(" series") +
                   QStringLiteral(" written to ") + QDir::toNativeSeparators(QFileInfo(target).fileName()) + QLatin1Char('.');
    if (result.skipped > 0)
        text += QStringLiteral("\r\n") + MapSkippedText(result.skipped);
    if (!result.untimed.isEmpty())
        text += QStringLiteral("\r\n") + MapUntimedText(result.untimed);
    return text;
}

} // namespace

void ExportMapFileGui()
{
    InstallFileDialog();
    FileDialogRequest open;
    open.title = kTitle;
    open.filters = SaveDialogFilters(); // the CSV files, then every file
    const FileDialogAnswer csv = AskFileDialog(open);
    if (csv.file.isEmpty())
        return;
    // Read before anything is asked about the output: a file that is not a
    // survey is told at once.
    SurveyCsv survey;
    QString error;
    if (!ReadSurveyCsv(csv.file, &survey, &error)) {
        MsgBox(QStringLiteral("The file cannot be read as saved data:\r\n") + error, vb::Exclamation, kFileErrorTitle);
        return;
    }

    FileDialogRequest save;
    save.save = true;
    save.title = kTitle;
    const QFileInfo input(csv.file);
    save.folder = input.absolutePath();
    save.name = input.completeBaseName() + QStringLiteral(".kml");
    save.filters = QStringList{kKmlFilter, kGpxFilter};
    const FileDialogAnswer target = AskFileDialog(save);
    if (target.file.isEmpty())
        return;
    // A name that ends in .kml or .gpx is taken at its word; otherwise the filter decides.
    MapFormat format = target.filter == kGpxFilter ? MapFormat::Gpx : MapFormat::Kml;
    MapFormatFromName(target.file, &format);

    const MapExport result = WriteMapFile(survey, csv.file, target.file, format);
    switch (result.outcome) {
    case MapExport::CsvUnreadable: // read above
        return;
    case MapExport::SameFile:
        MsgBox(QStringLiteral("The map file cannot replace the CSV file it is made from."), vb::Exclamation, kFileErrorTitle);
        return;
    case MapExport::WriteFailed:
        TellWriteError(result.error);
        return;
    case MapExport::Written:
        break;
    }
    MsgBox(MapWrittenText(result, format, target.file), vb::Information, kTitle);
}
