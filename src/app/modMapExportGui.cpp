// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modMapExportGui.h"
#include "app/modMapExport.h"
#include "common/modMsgBox.h"
#include "storage/clsFile.h"
#include "storage/modFile.h"

#include <QFileInfo>

namespace {
const QString kTitle = QStringLiteral("Export Map File");
const QString kKmlFilter = QStringLiteral("KML files (*.kml)");
const QString kGpxFilter = QStringLiteral("GPX files (*.gpx)");
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

    FileDialogRequest save;
    save.save = true;
    save.title = kTitle;
    save.folder = QFileInfo(csv.file).absolutePath();
    save.filters = QStringList{kKmlFilter, kGpxFilter};
    const FileDialogAnswer target = AskFileDialog(save);
    if (target.file.isEmpty())
        return;
    // A name that ends in .kml or .gpx is taken at its word; otherwise the filter decides.
    MapFormat format = target.filter == kGpxFilter ? MapFormat::Gpx : MapFormat::Kml;
    MapFormatFromName(target.file, &format);

    const MapExport result = ExportMapFile(csv.file, target.file, format);
    switch (result.outcome) {
    case MapExport::CsvUnreadable:
        MsgBox(QStringLiteral("The file cannot be read as saved data:\r\n") + result.error, vb::Exclamation,
               QStringLiteral("ZT 6200 File Error"));
        return;
    case MapExport::SameFile:
        MsgBox(QStringLiteral("The map file cannot replace the CSV file it is made from."), vb::Exclamation,
               QStringLiteral("ZT 6200 File Error"));
        return;
    case MapExport::WriteFailed:
        clsFile::ShowWriteError(result.error);
        return;
    case MapExport::Written:
        break;
    }
    QStringList notes;
    if (result.skipped > 0)
        notes << MapSkippedText(result.skipped);
    if (!result.untimed.isEmpty())
        notes << MapUntimedText(result.untimed);
    if (!notes.isEmpty())
        MsgBox(notes.join(QStringLiteral("\r\n")), vb::Information, kTitle);
}
