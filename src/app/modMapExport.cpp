// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modMapExport.h"
#include "common/modFileName.h"
#include "storage/clsFile.h"

#include <QIODevice>

namespace {

// The map goes to the writer as it is made, not built whole first.
class FileSink : public QIODevice
{
public:
    explicit FileSink(clsFile &file) : m_file(file) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        return m_file.WriteBytes(QByteArray::fromRawData(data, size)) ? size : -1;
    }

private:
    clsFile &m_file;
};

bool ReadCsv(const QString &csvPath, SurveyCsv *csv, MapExport *result)
{
    if (ReadSurveyCsv(csvPath, csv, &result->error))
        return true;
    result->outcome = MapExport::CsvUnreadable;
    return false;
}

} // namespace

MapExport WriteMapExport(const QString &csvPath, MapFormat format, QIODevice *out)
{
    MapExport result;
    SurveyCsv csv;
    if (!ReadCsv(csvPath, &csv, &result))
        return result;
    if (!WriteMapFile(out, csv.records, format, &result.skipped, &result.untimed, &result.series))
        result.outcome = MapExport::WriteFailed;
    result.written = int(csv.records.size()) - result.skipped;
    return result;
}

MapExport ExportMapFile(const QString &csvPath, const QString &target, MapFormat format)
{
    MapExport result;
    // Writing over the survey itself would lose it: refused before reading.
    if (IsSameFile(csvPath, target)) {
        result.outcome = MapExport::SameFile;
        return result;
    }
    SurveyCsv csv;
    if (!ReadCsv(csvPath, &csv, &result))
        return result;
    return WriteMapFile(csv, csvPath, target, format);
}

MapExport WriteMapFile(const SurveyCsv &csv, const QString &csvPath, const QString &target, MapFormat format)
{
    MapExport result;
    if (IsSameFile(csvPath, target)) {
        result.outcome = MapExport::SameFile;
        return result;
    }
    clsFile file;
    file.setCompleteFileName(target);
    FileSink sink(file);
    const bool written = WriteMapFile(&sink, csv.records, format, &result.skipped, &result.untimed, &result.series);
    result.written = int(csv.records.size()) - result.skipped;
    if (!written || !file.CloseFile()) {
        result.outcome = MapExport::WriteFailed;
        result.error = file.LastError();
        file.DiscardFile();
    }
    return result;
}
