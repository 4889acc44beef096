// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliOptions.h"
#include "app/clsApp.h"
#include "common/modAnsi.h"
#include "common/modConvert.h"
#include "protocol/clsPacket.h"
#include "saveddata/modFieldPlot.h"

namespace {

const QStringList kTxOptions = {QStringLiteral("call"), QStringLiteral("freq"), QStringLiteral("lat"),
                                QStringLiteral("lon"), QStringLiteral("var"), QStringLiteral("mod")};

const QStringList kModelOptions = {QStringLiteral("conductivity"), QStringLiteral("permittivity"),
                                   QStringLiteral("field-at-1km"), QStringLiteral("min-km"),
                                   QStringLiteral("max-km"), QStringLiteral("csv")};

// Longest search for a real meter we accept (one day).
constexpr double kMaxWaitSeconds = 86400;

// What the words of one command are checked with: the words, the command's
// options, and count(n), which asks for exactly n words.
struct Words
{
    const CliOptions &o;
    const QStringList &w;
    const QString &cmd;
    const QString store;
    const bool isStore;

    explicit Words(const CliOptions &options)
        : o(options), w(options.words), cmd(options.words.at(0)), store(options.words.value(1)),
          isStore(store == QLatin1String("saved") || store == QLatin1String("tx"))
    {
    }

    QString count(int n) const
    {
        if (w.size() < n)
            return QStringLiteral("%1: missing arguments").arg(cmd);
        if (w.size() > n)
            return QStringLiteral("%1: unexpected argument '%2'").arg(cmd, w.at(n));
        return QString();
    }
};

// Options given to a command that does not take them.
QString CheckOptionScope(const Words &c)
{
    const CliOptions &o = c.o;
    const QString &cmd = c.cmd, &store = c.store;
    const bool groundwave = cmd == QLatin1String("groundwave"), analyze = cmd == QLatin1String("analyze");
    for (const QString &name : o.txFields.keys())
        if (!(cmd == QLatin1String("tx") && (store == QLatin1String("add") || store == QLatin1String("edit")))
            && !(groundwave && name == QLatin1String("freq")))
            return name == QLatin1String("freq") ? QStringLiteral("--freq is only for 'tx add', 'tx edit' and 'groundwave'")
                                                 : QStringLiteral("--%1 is only for 'tx add' and 'tx edit'").arg(name);
    for (const QString &name : o.modelFields.keys()) {
        const bool both = name == QLatin1String("permittivity");
        const bool forModel = name == QLatin1String("conductivity") || name == QLatin1String("field-at-1km");
        if (!(both && (groundwave || analyze)) && !(forModel && groundwave) && !(!both && !forModel && analyze))
            return QStringLiteral("--%1 is only for '%2'")
                .arg(name, both ? QStringLiteral("groundwave' and 'analyze") : forModel ? QStringLiteral("groundwave") : QStringLiteral("analyze"));
    }

    if (o.dryRun && !(cmd == QLatin1String("tx") && store == QLatin1String("restore")))
        return QStringLiteral("--dry-run is only for 'tx restore'");
    if (o.replaceDifferent && !(cmd == QLatin1String("tx") && store == QLatin1String("restore")))
        return QStringLiteral("--replace-different is only for 'tx restore'");
    if (o.sizeGiven && cmd != QLatin1String("plot"))
        return QStringLiteral("--size is only for 'plot'");
    return QString();
}

QString CheckNoArguments(const Words &c) { return c.count(1); }

QString CheckSend(const Words &c)
{
    const QStringList &w = c.w;
    if (w.size() == 2) {
        const QString &text = w.at(1);
        if (text.isEmpty())
            return QStringLiteral("send: the command text is empty");
        // One report carries the whole command; Enter ends it.
        if (text.size() > clsPacket::kCapacity)
            return QStringLiteral("send: the command is longer than %1 characters").arg(clsPacket::kCapacity);
        for (QChar ch : text)
            if (!IsAnsiChar(ch) || ch == QLatin1Char('\r'))
                return QStringLiteral("send: the command holds a character the meter cannot take");
    }
    return c.count(2);
}

QString CheckDownload(const Words &c)
{
    const QStringList &w = c.w;
    if (!c.isStore && w.size() > 1)
        return QStringLiteral("download: '%1' is neither 'saved' nor 'tx'").arg(c.store);
    if (w.size() == 3 && w.at(2).isEmpty())
        return QStringLiteral("download: the file name is empty");
    return c.count(3);
}

QString CheckExport(const Words &c)
{
    const QStringList &w = c.w;
    if (w.size() > 1 && c.store != QLatin1String("kml") && c.store != QLatin1String("gpx"))
        return QStringLiteral("export: '%1' is neither 'kml' nor 'gpx'").arg(c.store);
    for (int i = 2; i < qMin(int(w.size()), 4); ++i)
        if (w.at(i).isEmpty())
            return QStringLiteral("export: the file name is empty");
    return c.count(4);
}

QString CheckList(const Words &c)
{
    if (!c.isStore && c.w.size() > 1)
        return QStringLiteral("list: '%1' is neither 'saved' nor 'tx'").arg(c.store);
    return c.count(2);
}

QString CheckErase(const Words &c)
{
    if (c.w.size() > 1 && c.store != QLatin1String("saved"))
        return QStringLiteral("erase: only 'saved' can be erased");
    return c.count(2);
}

QString CheckDelete(const Words &c)
{
    const QStringList &w = c.w;
    if (!c.isStore && w.size() > 1)
        return QStringLiteral("delete: '%1' is neither 'saved' nor 'tx'").arg(c.store);
    if (w.size() < 3)
        return QStringLiteral("delete: missing arguments");
    const int maximum = kMaxId;
    for (int i = 2; i < w.size(); ++i) {
        int id = 0;
        if (!ParseId(w.at(i), maximum, &id))
            return QStringLiteral("delete: '%1' is not a %2 from 0 to %3")
                .arg(w.at(i), c.store == QLatin1String("saved") ? QStringLiteral("record number") : QStringLiteral("station id"))
                .arg(maximum);
    }
    return QString();
}

QString CheckTx(const Words &c)
{
    const QStringList &w = c.w;
    const QString &store = c.store;
    if (store == QLatin1String("add")) {
        for (const char *required : {"call", "freq", "lat", "lon", "var"})
            if (!c.o.txFields.contains(QLatin1String(required)))
                return QStringLiteral("tx add: --%1 is required").arg(QLatin1String(required));
        return c.count(2);
    }
    if (store == QLatin1String("edit")) {
        int id = 0;
        if (w.size() >= 3 && !ParseId(w.at(2), kMaxId, &id))
            return QStringLiteral("tx edit: '%1' is not a station id from 0 to %2").arg(w.at(2)).arg(kMaxId);
        return c.count(3);
    }
    if (store == QLatin1String("restore")) {
        if (w.size() >= 3 && w.at(2).isEmpty())
            return QStringLiteral("tx restore: the file name is empty");
        return c.count(3);
    }
    return w.size() < 2 ? QStringLiteral("tx: missing 'add', 'edit' or 'restore'")
                        : QStringLiteral("tx: '%1' is none of 'add', 'edit' and 'restore'").arg(store);
}

QString CheckGroundwave(const Words &c)
{
    if (!c.o.txFields.contains(QStringLiteral("freq")))
        return QStringLiteral("groundwave: --freq is required");
    if (!c.o.modelFields.contains(QStringLiteral("conductivity")))
        return QStringLiteral("groundwave: --conductivity is required");
    if (c.w.size() < 2)
        return QStringLiteral("groundwave: no distance given");
    return QString(); // the values are checked by the command
}

QString CheckAnalyze(const Words &c)
{
    if (c.o.modelFields.value(QStringLiteral("csv"), QStringLiteral("x")).isEmpty())
        return QStringLiteral("analyze: the --csv file name is empty");
    if (c.w.size() >= 2 && c.w.at(1).isEmpty())
        return QStringLiteral("analyze: the file name is empty");
    return c.count(2);
}

QString CheckPlot(const Words &c)
{
    const CliOptions &o = c.o;
    int width = 0, height = 0;
    if (o.sizeGiven && !ParseSize(o.size, &width, &height))
        return QStringLiteral("plot: --size '%1' is not WIDTHxHEIGHT in pixels, each from %2 to %3")
            .arg(o.size).arg(kMinPlotSide).arg(kMaxPlotSide);
    if (c.w.size() == 3 && PlotFormatOf(c.w.at(2)) == PlotFormat::Unknown)
        return QStringLiteral("plot: '%1' names no .png, .svg or .pdf file").arg(c.w.at(2));
    return c.count(3);
}

const struct
{
    const char *command;
    QString (*check)(const Words &);
} kCommandChecks[] = {
    {"version", CheckNoArguments}, {"status", CheckNoArguments}, {"send", CheckSend},
    {"download", CheckDownload},   {"export", CheckExport},      {"list", CheckList},
    {"erase", CheckErase},         {"delete", CheckDelete},      {"tx", CheckTx},
    {"groundwave", CheckGroundwave}, {"analyze", CheckAnalyze},  {"plot", CheckPlot},
};

QString CheckWords(const CliOptions &o)
{
    if (o.words.isEmpty())
        return QStringLiteral("no command given");
    const Words words(o);
    const QString scope = CheckOptionScope(words);
    if (!scope.isEmpty())
        return scope;
    for (const auto &entry : kCommandChecks)
        if (words.cmd == QLatin1String(entry.command))
            return entry.check(words);
    return QStringLiteral("unknown command '%1'").arg(words.cmd);
}

} // namespace

bool ParseId(const QString &text, int maximum, int *id)
{
    // Digits only: "1,000" or "1.0000000000000001" must never round onto
    // another record.
    qint32 n = 0;
    if (!ToWholeNumber(text, &n) || n < 0 || n > maximum)
        return false;
    *id = int(n);
    return true;
}

bool ParseSize(const QString &text, int *width, int *height)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    qint32 w = 0, h = 0;
    if (parts.size() != 2 || !ToWholeNumber(parts.at(0), &w) || !ToWholeNumber(parts.at(1), &h) ||
        parts.at(0).trimmed() != parts.at(0) || parts.at(1).trimmed() != parts.at(1))
        return false;
    if (w < kMinPlotSide || w > kMaxPlotSide || h < kMinPlotSide || h > kMaxPlotSide)
        return false;
    *width = w;
    *height = h;
    return true;
}

QString ParseCommandLine(const QStringList &arguments, CliOptions *o)
{
    bool onlyWords = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (onlyWords || !a.startsWith(QLatin1String("--")) || a == QLatin1String("-")) {
            o->words << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            onlyWords = true;
            continue;
        }
        const int eq = int(a.indexOf(QLatin1Char('=')));
        const QString name = a.mid(2, eq < 0 ? -1 : eq - 2);
        const bool hasValue = eq >= 0;
        QString value = hasValue ? a.mid(eq + 1) : QString();
        // The value of an option that needs one: after "=" or the next argument.
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments.at(++i);
            return true;
        };

        if (name == QLatin1String("help")) {
            o->help = true;
        } else if (name == QLatin1String("version") && !hasValue) {
            o->version = true;
        } else if (name == QLatin1String("verbose") && !hasValue) {
            o->verbose = true;
        } else if (name == QLatin1String("yes") && !hasValue) {
            o->yes = true;
        } else if (name == QLatin1String("dry-run") && !hasValue) {
            o->dryRun = true;
        } else if (name == QLatin1String("replace-different") && !hasValue) {
            o->replaceDifferent = true;
        } else if (name == QLatin1String("demo")) {
            o->demo = true;
            o->scenario = value;
            if (hasValue && value.isEmpty())
                return QStringLiteral("--demo=: the scenario file name is empty");
        } else if (name == QLatin1String("wait")) {
            double s = 0;
            if (!takeValue())
                return QStringLiteral("--wait needs a number of seconds");
            if (!ToDouble(value, &s) || s < 0 || s > kMaxWaitSeconds)
                return QStringLiteral("--wait: '%1' is not a number of seconds from 0 to %2").arg(value).arg(kMaxWaitSeconds);
            o->waitSeconds = s;
        } else if (name == QLatin1String("size")) {
            if (!takeValue())
                return QStringLiteral("--size needs WIDTHxHEIGHT");
            o->sizeGiven = true;
            o->size = value;
        } else if (kTxOptions.contains(name)) {
            if (!takeValue())
                return QStringLiteral("--%1 needs a value").arg(name);
            if (o->txFields.contains(name))
                return QStringLiteral("--%1 given twice").arg(name);
            o->txFields.insert(name, value);
        } else if (kModelOptions.contains(name)) {
            if (!takeValue())
                return QStringLiteral("--%1 needs a value").arg(name);
            if (o->modelFields.contains(name))
                return QStringLiteral("--%1 given twice").arg(name);
            o->modelFields.insert(name, value);
        } else {
            return QStringLiteral("unknown option '%1'").arg(a);
        }
    }
    if (o->help || o->version)
        return QString();
    return CheckWords(*o);
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: dataclave-cli [--demo[=SCENARIO]] [--wait SECONDS] [--verbose] [--yes] COMMAND [ARGS]\n"
        "\n"
        "The ZT 6200 field strength meter from the command line.\n"
        "\n"
        "Commands:\n"
        "  version                       print the meter's firmware version text\n"
        "  status                        connection, version code, saved and Tx record counts\n"
        "  download saved|tx FILE        write the records to a CSV file (\"-\": standard output)\n"
        "  list saved|tx                 the rows of the list window, tab-separated\n"
        "  send TEXT                     send one command as the console does; print the raw reply\n"
        "                                (E, F, V, U and X change the meter: confirmed first)\n"
        "  delete saved REC_ID...        delete saved records by record number (all or none)\n"
        "  delete tx STATION_ID...       delete Tx entries by station id (never the last one)\n"
        "  erase saved                   erase all saved records\n"
        "  export kml|gpx CSV-FILE OUTPUT-FILE\n"
        "                                a map file (KML or GPX) of a saved-data CSV file\n"
        "                                (\"-\": standard output); no meter needed\n"
        "  plot CSV-FILE OUTPUT.png|OUTPUT.svg|OUTPUT.pdf [--size WIDTHxHEIGHT]\n"
        "                                field strength against distance of a saved-data CSV\n"
        "                                file, log-log, one series per call sign, pattern\n"
        "                                and radial, each with its fitted ground-wave curve\n"
        "                                (default size 1200x800 pixels; no meter needed)\n"
        "  groundwave --freq KHZ --conductivity MS_PER_M [--permittivity EPS] [--field-at-1km MV_PER_M] DISTANCE_KM...\n"
        "                                ground-wave field strength in mV/m at each distance over\n"
        "                                a smooth earth (defaults: permittivity 15, 100 mV/m at 1 km);\n"
        "                                100 to 2000 kHz, 0.1 to 5000 mS/m, permittivity 1 to 80,\n"
        "                                0.1 to 1000 km; no meter needed\n"
        "  analyze CSV-FILE [--permittivity EPS] [--min-km D] [--max-km D] [--csv OUT]\n"
        "                                fit the ground-wave curve to each radial of a saved-data\n"
        "                                CSV file: conductivity, field at 1 km, errors, and the\n"
        "                                effective field per call sign and pattern, and a\n"
        "                                two-segment fit where one conductivity leaves more than\n"
        "                                1.5 dB RMS error (--csv: also write the table to a CSV\n"
        "                                file); no meter needed\n"
        "  tx add  --call C --freq F --lat D --lon D --var D [--mod M]\n"
        "                                add a Tx entry; prints the station id the meter gave it\n"
        "  tx edit STATION_ID [--call C] [--freq F] [--lat D] [--lon D] [--var D] [--mod M]\n"
        "                                change a Tx entry\n"
        "  tx restore FILE [--dry-run] [--replace-different]\n"
        "                                add the entries of a Tx CSV file the meter does not hold\n"
        "                                (--dry-run: send nothing, print the lines it would send;\n"
        "                                --replace-different: change the meter's entries of the same\n"
        "                                call sign, frequency and position that differ to the\n"
        "                                file's variation and modulation)\n"
        "\n"
        "Tx fields (checked as the Tx editor checks them):\n"
        "  --call C   call sign and site: 1 to 8 of A-Z, 0-9, blank, _ and -\n"
        "  --freq F   frequency in kHz, 0 to 9999\n"
        "  --lat D    latitude: decimal degrees (-33.5) or degrees, minutes, seconds and N or S (\"33 30 0.0 S\")\n"
        "  --lon D    longitude: decimal degrees or degrees, minutes, seconds and E or W\n"
        "  --var D    magnetic variation: decimal degrees or degrees, minutes and E or W (\"14 30 W\")\n"
        "  --mod M    modulation, for firmware 2.3: AM, DRM4.5, DRM5, DRM9, DRM10, DRM18 or DRM20\n"
        "\n"
        "Options:\n"
        "  --demo[=SCENARIO]  use the demo meter (its built-in data, or the scenario file)\n"
        "  --wait SECONDS     search for the meter this long (default 3)\n"
        "  --verbose          print the commands sent and the USB status lines on standard error\n"
        "  --yes              confirm deletions and changes without asking\n"
        "  --help             print this text\n"
        "  --version          print the program's name, version and licence\n"
        "\n"
        "Exit status: 0 success, 1 the meter or a file failed, 2 usage error.\n"
        "\n"
        "Free software under the GNU General Public License, version 3 or later\n"
        "(GPL-3.0-or-later), without any warranty. Manual: man dataclave-cli\n");
}

QString VersionNotice()
{
    return QStringLiteral("dataclave-cli (%1) %2\n"
                          "Copyright (C) the ZT6200 Dataclave developers.\n"
                          "License GPL-3.0-or-later: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
                          "This is free software: you are free to change and redistribute it.\n"
                          "There is NO WARRANTY, to the extent permitted by law.\n")
        .arg(clsApp::AppTitle(), clsApp::VersionText());
}
