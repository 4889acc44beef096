// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modMapExport.h"
#include "storage/clsFile.h"

#include <QFileInfo>

MapExport BuildMapFile(const QString &csvPath, MapFormat format, QByteArray *bytes)
{
    MapExport result;
    SurveyCsv csv;
    if (!ReadSurveyCsv(csvPath, &csv, &result.error)) {
        result.outcome = MapExport::CsvUnreadable;
        return result;
    }
    *bytes = MapFileBytes(csv.records, format, &result.skipped, &result.series);
    result.written = int(csv.records.size()) - result.skipped;
    return result;
}

MapExport ExportMapFile(const QString &csvPath, const QString &target, MapFormat format)
{
    MapExport result;
    SurveyCsv csv;
    if (!ReadSurveyCsv(csvPath, &csv, &result.error)) {
        result.outcome = MapExport::CsvUnreadable;
        return result;
    }
    return WriteMapFile(csv, csvPath, target, format);
}

MapExport WriteMapFile(const SurveyCsv &csv, const QString &csvPath, const QString &target, MapFormat format)
{
    MapExport result;
    const QByteArray bytes = MapFileBytes(csv.records, format, &result.skipped, &result.series);
    result.written = int(csv.records.size()) - result.skipped;
    // Writing over the survey itself would lose it.
    const QFileInfo in(csvPath), out(target);
    if (out.exists() && in.canonicalFilePath() == out.canonicalFilePath()) {
        result.outcome = MapExport::SameFile;
        return result;
    }
    clsFile file;
    file.setCompleteFileName(target);
    if (!file.WriteBytes(bytes) || !file.CloseFile()) {
        result.outcome = MapExport::WriteFailed;
        result.error = file.LastError();
        file.DiscardFile();
    }
    return result;
}
