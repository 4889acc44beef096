// SPDX-License-Identifier: GPL-3.0-or-later
// The field strength plot of a survey with many series (one per call sign
// and radial, POINTS points each): `dataclave-cli plot` to PNG, SVG and PDF
// as a user runs it (process start to exit, best of three), then its parts
// in this process: reading the CSV file, the series, the layout and each
// picture (wall time, best of three). Time should grow in step with the
// series.
//
// bench_plot [SERIES...]      (default 800 3000; POINTS is 4)
#include "BenchSupport.h"
#include "saveddata/frmFieldPlot.h"
#include "saveddata/modFieldPlotDraw.h"
#include "saveddata/modGroundWave.h"
#include "saveddata/modRadialFit.h"
#include "saveddata/modSurveyCsv.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kPoints = 4;

QByteArray Survey(int series)
{
    QByteArray csv =
        "\"Dir ID\",\"Rec ID\",\"Point Number\",\"Tx ID\",\"Call Sign\",\"Tx Frequency (kHz)\",\"Measurement Frequency (kHz)\","
        "\"Radial\",\"Pattern\",\"Initials\",\"Note\",\"Meas. Point\",\"UTC Time\",\"Local Time\",\"Harmonic\",\"RF Source\","
        "\"GPS Valid\",\"Latitude\",\"Longitude\",\"Elevation (m)\",\"Fld Str 1\",\"Units 1\",\"Fld Str 2\",\"Units 2\",\"mV/m\","
        "\"dBuV\",\"Tx Distance (km)\",\"Azimuth\",\"Temperature (\xb0"
        "C)\"\r\n";
    int id = 0;
    for (int s = 0; s < series; ++s)
        for (int p = 1; p <= kPoints; ++p) {
            const double km = 0.5 * p * p, mvm = 40.0 / km / (1 + 0.01 * (s % 50));
            csv += QStringLiteral("1,%1,%2,1,\"K%3\",%4,%4,%5,\"ND\",\"JS\",\"\",%2,05-Nov-2026 08:30:00,05-Nov-2026 00:30:00,1,"
                                  "\"Loop\",TRUE,45.5,-118.2,356,61.2,\"dBuV\",1.1,\"mV/m\",%6,61.2,%7,23.0,4.5\r\n")
                       .arg(++id)
                       .arg(p)
                       .arg(s / 8, 4, 10, QLatin1Char('0'))
                       .arg(530 + 10 * (s / 8 % 117))
                       .arg(s % 8 + 1)
                       .arg(mvm, 0, 'f', 4)
                       .arg(km, 0, 'f', 2)
                       .toLatin1();
        }
    return csv;
}

double Seconds(const std::function<void()> &f) { return BestSeconds(3, f); }

// User and system time of the finished child processes.
double ChildCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Run(int series, const QString &cli)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("survey.csv"));
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly) || file.write(Survey(series)) < 0 || !file.flush())
        qFatal("cannot write the survey");
    file.close();
    std::printf("%d series, %d records (%.1f MB)\n", series, series * kPoints, file.size() / 1e6);
    for (const char *ext : {"png", "svg", "pdf"}) {
        const QString out = dir.filePath(QStringLiteral("plot.") + QLatin1String(ext));
        int code = -1;
        double cpu = 1e9;
        const double s = Seconds([&] {
            const double before = ChildCpuSeconds();
            code = QProcess::execute(cli, {QStringLiteral("plot"), csv, out});
            cpu = qMin(cpu, ChildCpuSeconds() - before);
        });
        std::printf("  dataclave-cli plot to %-4s %8.3f s (processor %.3f s)  %8.1f KB%s\n", ext, s, cpu,
                    QFileInfo(out).size() / 1e3, code == 0 ? "" : "  (failed)");
    }
    SurveyCsv survey;
    QString error;
    FieldPlot plot;
    ChartDrawing drawing;
    const QSize size(1200, 800);
    std::printf("  read the CSV file          %8.3f s\n", Seconds([&] { ReadSurveyCsv(csv, &survey, &error); }));
    std::printf("  series and references      %8.3f s\n", Seconds([&] { plot = BuildFieldPlot(FieldPlotRecords(survey)); }));
    std::printf("  radial fits and curves     %8.3f s\n", Seconds([&] {
                    const QList<FieldPlotRecord> records = FieldPlotRecords(survey);
                    ApplyRadialFits(&plot, AnalyzeRadials(records, RadialFitSettings()).radials, {});
                }));
    std::printf("  layout at 1200x800         %8.3f s\n", Seconds([&] { drawing = DrawFieldPlot(plot, size); }));
    for (const auto &[name, format] : {std::pair{"PNG", PlotFormat::Png}, std::pair{"SVG", PlotFormat::Svg}, std::pair{"PDF", PlotFormat::Pdf}})
        std::printf("  layout and %s             %8.3f s\n", name, Seconds([&] { RenderFieldPlot(plot, size, format); }));
    std::fflush(stdout);
}

// The plot window of 8 radials x 20 points (1000 kHz): a click on a point,
// as the user sees it: the radial refitted, the table, the effective field,
// the curves and the chart laid out and painted again.
void ClickInWindow()
{
    const GroundWave model({1000, 8, 15});
    QList<FieldPlotRecord> records;
    for (int radial = 1; radial <= 8; ++radial)
        for (int i = 0; i < 20; ++i) {
            const double km = 0.5 * std::pow(120.0, i / 19.0);
            records << FieldPlotRecord{"KDCV", QString::number(radial), "1000", QString::number(km, 'f', 3),
                                       QString::number(model.field(200 + 25 * radial, km), 'f', 4), "ND",
                                       QString::number(i + 1), QString::number((radial - 1) * 45)};
        }
    frmFieldPlot window(records);
    window.show();
    auto *plot = window.findChild<FieldPlotView *>(QStringLiteral("picPlot"));
    plot->grab();
    const std::vector<double> runs = RunSeconds(9, [&] {
        window.TogglePoint(3, 5);
        plot->grab();
    });
    std::printf("Plot window, 8 radials x 20 points: a click  %6.1f ms (median of 9; fastest %.1f ms)\n", runs[4] * 1e3,
                runs[0] * 1e3);
}

} // namespace

int main(int argc, char *argv[])
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/dataclave-cli");
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << std::atoi(argv[i]);
    if (sizes.isEmpty())
        sizes = {800, 3000};
    for (int n : sizes)
        Run(n, cli);
    ClickInWindow();
    return 0;
}
