// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliExport.h"
#include "app/modMapExport.h"
#include "cli/CliTerminal.h"
#include "storage/clsFile.h"

#include <QDir>

using namespace cli;

int ExportCommand(const CliOptions &o)
{
    const MapFormat format = o.words.at(1) == QLatin1String("gpx") ? MapFormat::Gpx : MapFormat::Kml;
    const QString csv = o.words.at(2), target = o.words.at(3);
    InstallMessageBoxes(o.yes);
    const MapExport result = ExportMapFile(csv, QDir::cleanPath(target), format);
    switch (result.outcome) {
    case MapExport::CsvUnreadable:
        Complain(QStringLiteral("cannot read %1: %2").arg(csv, result.error));
        return Failure;
    case MapExport::SameFile:
        Complain(QStringLiteral("%1 is the CSV file itself; nothing was written").arg(target));
        return Failure;
    case MapExport::WriteFailed:
        clsFile::ShowWriteError(result.error);
        return Failure;
    case MapExport::Written:
        break;
    }
    if (result.skipped > 0)
        WriteErr(MapSkippedText(result.skipped) + QLatin1Char('\n'));
    return Success;
}
