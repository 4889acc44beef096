// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliAnalysis.h"
#include "cli/CliTerminal.h"
#include "common/modConvert.h"
#include "saveddata/modGroundWave.h"
#include "saveddata/modRadialFit.h"
#include "saveddata/modSurveyCsv.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

using namespace cli;

namespace {

// A number option; false (with the reason) when given but not a number.
bool NumberOption(const CliOptions &o, const QString &name, double *value, QString *error)
{
    const QString text = name == QLatin1String("freq") ? o.txFields.value(name) : o.modelFields.value(name);
    if (!o.txFields.contains(name) && !o.modelFields.contains(name))
        return true;
    if (!ToDouble(text, value) || !std::isfinite(*value)) {
        *error = QStringLiteral("--%1: '%2' is not a number").arg(name, text);
        return false;
    }
    return true;
}

int Usage(const QString &command, const QString &reason)
{
    Complain(command + QStringLiteral(": ") + reason);
    return UsageError;
}

} // namespace

int GroundWaveCommand(const CliOptions &o)
{
    const QString cmd = QStringLiteral("groundwave");
    GroundParameters ground;
    double e1 = 100;
    QString error;
    if (!NumberOption(o, QStringLiteral("freq"), &ground.frequencyKhz, &error)
        || !NumberOption(o, QStringLiteral("conductivity"), &ground.conductivityMsm, &error)
        || !NumberOption(o, QStringLiteral("permittivity"), &ground.permittivity, &error)
        || !NumberOption(o, QStringLiteral("field-at-1km"), &e1, &error))
        return Usage(cmd, error);
    error = GroundParametersError(ground);
    if (!error.isEmpty())
        return Usage(cmd, error);
    if (!(e1 > 0))
        return Usage(cmd, QStringLiteral("--field-at-1km must be more than 0 mV/m"));
    QList<double> distances;
    for (const QString &text : o.words.mid(1)) {
        double km = 0;
        if (!ToDouble(text, &km))
            return Usage(cmd, QStringLiteral("'%1' is not a distance in km").arg(text));
        error = GroundDistanceError(km);
        if (!error.isEmpty())
            return Usage(cmd, error);
        distances << km;
    }
    const GroundWave model(ground);
    QString out;
    for (int i = 0; i < distances.size(); ++i)
        out += o.words.at(i + 1) + QLatin1Char('\t') + SignificantText(model.field(e1, distances[i]), 5) + QLatin1Char('\n');
    WriteOut(out);
    return Success;
}

int AnalyzeCommand(const CliOptions &o)
{
    const QString cmd = QStringLiteral("analyze");
    RadialFitSettings settings;
    QString error;
    if (!NumberOption(o, QStringLiteral("permittivity"), &settings.permittivity, &error)
        || !NumberOption(o, QStringLiteral("min-km"), &settings.minKm, &error)
        || !NumberOption(o, QStringLiteral("max-km"), &settings.maxKm, &error))
        return Usage(cmd, error);
    if ((o.modelFields.contains(QStringLiteral("min-km")) && settings.minKm <= 0)
        || (o.modelFields.contains(QStringLiteral("max-km")) && settings.maxKm <= 0))
        return Usage(cmd, QStringLiteral("a distance must be more than 0 km"));
    error = RadialFitSettingsError(settings);
    if (!error.isEmpty())
        return Usage(cmd, error);

    const QString path = o.words.at(1);
    const QString target = o.modelFields.value(QStringLiteral("csv"));
    if (!target.isEmpty() && QFileInfo(target).absoluteFilePath() == QFileInfo(path).absoluteFilePath()) {
        Complain(QStringLiteral("%1 is the CSV file itself; nothing was written").arg(target));
        return Failure;
    }
    SurveyCsv csv;
    if (!ReadSurveyCsv(path, &csv, &error)) {
        Complain(QStringLiteral("cannot read %1: %2").arg(path, error));
        return Failure;
    }
    const RadialAnalysis analysis = AnalyzeRadials(csv.records, settings);
    const QStringList columns = RadialTableColumns();
    const QList<QStringList> rows = RadialTableRows(analysis);

    if (!target.isEmpty() && !WriteRadialCsv(QDir::cleanPath(target), analysis))
        return Failure;

    QString out = columns.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const QStringList &row : rows)
        out += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const EffectiveField &e : analysis.effective)
        out += EffectiveFieldText(e) + QLatin1Char('\n');
    for (const RadialFit &r : analysis.radials)
        for (const QString &note : r.notes)
            out += QStringLiteral("Note on %1: %2\n").arg(r.name, note);
    WriteOut(out);
    return Success;
}
