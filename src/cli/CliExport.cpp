// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliExport.h"
#include "app/modMapExport.h"
#include "cli/CliTerminal.h"
#include "common/modFileName.h"
#include "storage/clsFile.h"

#include <QDir>
#include <QIODevice>

using namespace cli;

namespace {

// Standard output as the map's device: UTF-8 to a terminal as text,
// elsewhere byte for byte.
class StdoutSink : public QIODevice
{
public:
    StdoutSink() : m_terminal(StdoutIsTerminal()) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const QByteArray bytes = QByteArray::fromRawData(data, size);
        if (m_terminal)
            WriteOut(QString::fromUtf8(bytes));
        else
            WriteOut(bytes);
        return size;
    }

private:
    const bool m_terminal;
};

} // namespace

int ExportCommand(const CliOptions &o)
{
    const MapFormat format = o.words.at(1) == QLatin1String("gpx") ? MapFormat::Gpx : MapFormat::Kml;
    const QString csv = o.words.at(2), target = o.words.at(3);
    InstallMessageBoxes(o.yes);
    // "-": standard output, as for a download.
    const bool toStdout = target == QLatin1String("-");
    StdoutSink out;
    const MapExport result = toStdout ? WriteMapExport(csv, format, &out) : ExportMapFile(csv, QDir::cleanPath(target), format);
    switch (result.outcome) {
    case MapExport::CsvUnreadable:
        Complain(QStringLiteral("cannot read %1: %2").arg(csv, result.error));
        return Failure;
    case MapExport::SameFile:
        Complain(SameFileText(target));
        return Failure;
    case MapExport::WriteFailed:
        TellWriteError(result.error);
        return Failure;
    case MapExport::Written:
        break;
    }
    if (result.skipped > 0)
        WriteErr(MapSkippedText(result.skipped) + QLatin1Char('\n'));
    if (!result.untimed.isEmpty())
        WriteErr(MapUntimedText(result.untimed) + QLatin1Char('\n'));
    return Success;
}
