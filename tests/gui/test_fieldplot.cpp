// SPDX-License-Identifier: GPL-3.0-or-later
// The field strength plot as a picture and as a window: SVG that parses
// with one line per series, PNG of the size asked for, and the saved-data
// window's context menu.
#include "TestSupport.h"
#include "app/frmMain.h"
#include "common/modFileDialog.h"
#include "listview/modLV.h"
#include "saveddata/frmDeleteData.h"
#include "saveddata/frmFieldPlot.h"
#include "saveddata/modFieldPlotGui.h"
#include "storage/clsFile.h"

#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QTest>
#include <QtWidgets>

namespace {

FieldPlotRecord R(const char *call, const char *radial, const char *km, const char *mvm)
{
    return {QString::fromLatin1(call), QString::fromLatin1(radial), QStringLiteral("1230"), QString::fromLatin1(km),
            QString::fromLatin1(mvm)};
}

// Three series: 3, 2 and 1 points.
const QList<FieldPlotRecord> kRecords = {R("KDCV", "1", "1.5", "20"), R("KDCV", "1", "4", "6"), R("KDCV", "1", "12", "1.1"),
                                         R("KDCV", "2", "2", "15"),   R("KDCV", "2", "9", "2"),  R("KWAL", "1", "30", "0.4")};

// Vertices of an SVG path's "d": each "M" or "L" starts one.
int Vertices(const QString &d)
{
    return int(d.count(QLatin1Char('M')) + d.count(QLatin1Char('L')));
}

TEST(FieldPlotPicture, SvgParsesWithOnePathPerSeries)
{
    const FieldPlot plot = BuildFieldPlot(kRecords);
    const QByteArray svg = RenderFieldPlot(plot, QSize(800, 600), PlotFormat::Svg);
    QXmlStreamReader xml(svg);
    // The straight paths (the frame's has curves), by their group's dashes:
    // vertices of each, in drawing order.
    QStringList strokes; // of the open groups
    QList<int> solid, dashed;
    QString title;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("g"))
            strokes << xml.attributes().value(QLatin1String("stroke-dasharray")).toString();
        else if (xml.isEndElement() && xml.name() == QLatin1String("g"))
            strokes.removeLast();
        else if (xml.isStartElement() && xml.name() == QLatin1String("title"))
            title = xml.readElementText();
        else if (xml.isStartElement() && xml.name() == QLatin1String("path")) {
            const QString d = xml.attributes().value(QLatin1String("d")).toString();
            if (!d.contains(QLatin1Char('C')) && !strokes.isEmpty())
                (strokes.last().startsWith(QLatin1String("6,")) ? dashed : solid) << Vertices(d);
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(title, plot.title);
    EXPECT_EQ(solid, QList<int>({3, 2, 1}).mid(0, solid.size()));
    EXPECT_GE(solid.size(), 2); // a lone point may draw no line at all
    EXPECT_EQ(dashed, QList<int>({2, 2, 2}));
}

TEST(FieldPlotPicture, PngHasTheSizeAskedFor)
{
    const FieldPlot plot = BuildFieldPlot(kRecords);
    for (const QSize size : {QSize(640, 480), QSize(1200, 800), QSize(300, 900)}) {
        QImage image;
        ASSERT_TRUE(image.loadFromData(RenderFieldPlot(plot, size, PlotFormat::Png), "PNG"));
        EXPECT_EQ(image.size(), size);
    }
    EXPECT_TRUE(RenderFieldPlot(plot, QSize(0, 10), PlotFormat::Png).isEmpty());
    EXPECT_TRUE(RenderFieldPlot(plot, QSize(10, 10), PlotFormat::Unknown).isEmpty());
}

TEST(FieldPlotPicture, ChartHasLogDecadeAxesDashedReferencesAndOneLegendEntryForThem)
{
    const FieldPlot plot = BuildFieldPlot(kRecords);
    QChartView view(NewFieldPlotChart(plot));
    view.show();
    QChart *chart = view.chart();
    const auto axes = chart->axes();
    ASSERT_EQ(axes.size(), 2);
    for (QAbstractAxis *a : axes) {
        auto *log = qobject_cast<QLogValueAxis *>(a);
        ASSERT_TRUE(log);
        EXPECT_EQ(log->base(), 10);
    }
    // Every decade labelled, the lowest one too.
    for (const auto &[axis, low, high] : {std::tuple{chart->axes(Qt::Horizontal).at(0), plot.minKm, plot.maxKm},
                                          std::tuple{chart->axes(Qt::Vertical).at(0), plot.minMvm, plot.maxMvm}}) {
        auto *log = static_cast<QLogValueAxis *>(axis);
        EXPECT_NEAR(log->min() / low, 1, 1e-6);
        EXPECT_NEAR(log->max() / high, 1, 1e-6);
        EXPECT_EQ(log->tickCount(), qRound(std::log10(high / low)) + 1);
    }
    const auto series = chart->series();
    ASSERT_EQ(series.size(), 6);
    int legend = 0;
    for (int i = 0; i < 6; ++i) {
        auto *line = static_cast<QLineSeries *>(series.at(i));
        const bool reference = i >= 3;
        EXPECT_EQ(line->pen().style() == Qt::DashLine, reference) << i;
        EXPECT_EQ(line->pen().style() == Qt::SolidLine, false) << i; // one path each in SVG
        EXPECT_EQ(line->pointsVisible(), !reference) << i;
        if (reference)
            EXPECT_EQ(line->color(), static_cast<QLineSeries *>(series.at(i - 3))->color()) << i;
        for (QLegendMarker *m : chart->legend()->markers(line))
            legend += m->isVisible();
    }
    EXPECT_EQ(legend, 4);
}

class FieldPlotWindowTest : public MeterTest
{
};

// A 29-field saved record.
QString Line(int recId, int radial, const char *km, const char *mvm, const char *pattern = "ND")
{
    return QStringLiteral("1,%1,3,1,\"KDCV\",1230,1230,%2,\"%5\",\"JS\",\"\",3,05-Nov-2026 08:30:00,05-Nov-2026 00:30:00,1,"
                          "\"Loop\",TRUE,45.5,-118.2,356,61.2,\"dBuV\",1.1,\"mV/m\",%4,61.2,%3,23.0,4.5")
        .arg(recId).arg(radial).arg(QLatin1String(km), QLatin1String(mvm), QLatin1String(pattern));
}

TEST_F(FieldPlotWindowTest, ContextMenuPlotsSelectedRowsOrAll)
{
    frmDeleteData list;
    for (const QString &line : {Line(1, 1, "2", "10"), Line(2, 1, "5", "3"), Line(3, 2, "4", "5"), Line(4, 2, "--", "5"),
                                Line(5, 1, "8", "2", "DA")})
        list.lsvDataAdd(line);
    list.show();
    const struct
    {
        QList<int> selected;
        QStringList series;
        int points, skipped;
        QString title;
    } cases[] = {
        // ND is named only beside another pattern of the call sign.
        {{}, {"KDCV DA radial 1", "KDCV ND radial 1", "KDCV ND radial 2"}, 4, 1, "all 5 records"},
        // One row: its series, of the same call sign, pattern and radial.
        {{0}, {"KDCV radial 1"}, 2, 0, "KDCV, pattern ND, radial 1"},
        {{4}, {"KDCV DA radial 1"}, 1, 0, "KDCV, pattern DA, radial 1"},
        {{2}, {"KDCV radial 2"}, 1, 1, "KDCV, pattern ND, radial 2"},
        {{0, 4}, {"KDCV DA radial 1", "KDCV ND radial 1"}, 2, 0, "2 selected records"},
        {{2, 3}, {"KDCV radial 2"}, 1, 1, "2 selected records"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.title));
        SelectNoItems(list.lsvData);
        for (int row : c.selected)
            list.lsvData->selectionModel()->select(list.Rows()->index(row, 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list.mnuSavedDataPlot->trigger();
        auto *window = list.findChild<frmFieldPlot *>();
        ASSERT_TRUE(window);
        QStringList names;
        int points = 0;
        for (const FieldPlotSeries &s : window->Plot().series)
            names << s.name, points += int(s.points.size());
        EXPECT_EQ(names, c.series);
        EXPECT_EQ(points, c.points);
        EXPECT_EQ(window->Plot().skipped, c.skipped);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Field Strength Plot - ") + c.title);
        delete window;
    }
}

TEST_F(FieldPlotWindowTest, SavesPngAndSvgAndReportsAFailedWrite)
{
    frmFieldPlot window(BuildFieldPlot(kRecords));
    window.show();
    QTemporaryDir dir;
    EXPECT_TRUE(window.SaveTo(dir.filePath(QStringLiteral("p.png"))));
    EXPECT_TRUE(window.SaveTo(dir.filePath(QStringLiteral("p.svg"))));
    QImage image(dir.filePath(QStringLiteral("p.png")));
    EXPECT_EQ(image.size(), window.chvPlot->size());
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_FALSE(window.SaveTo(dir.filePath(QStringLiteral("missing/p.png"))));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.at(0).prompt.startsWith(QStringLiteral("There is a problem writing to the file.\r\n")));

    // "Save Picture...": the plot stays in front of the window that had the
    // dialog, saved or cancelled.
    QWidget list;
    list.show();
    for (const QString &name : {QStringLiteral("q.svg"), QString()}) {
        const FileDialogHandler old = SetFileDialogHandler([&](const FileDialogRequest &) {
            list.activateWindow();
            QTest::qWait(20);
            return FileDialogAnswer{name.isEmpty() ? QString() : dir.filePath(name), QString()};
        });
        window.cmdSave->click();
        QTest::qWait(20);
        SetFileDialogHandler(old);
        EXPECT_EQ(QApplication::activeWindow(), &window) << qPrintable(name);
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("q.svg"))));
}

} // namespace

namespace {

class PlotFromMainWindowTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_old = SetFileDialogHandler([this](const FileDialogRequest &) { return FileDialogAnswer{answer, QString()}; });
    }
    void TearDown() override
    {
        SetFileDialogHandler(m_old);
        MainWindowTest::TearDown();
    }
    QString answer;

private:
    FileDialogHandler m_old;
};

TEST_F(PlotFromMainWindowTest, FileMenuPlotsACsvOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("s.csv")), bad = dir.filePath(QStringLiteral("b.csv"));
    ASSERT_TRUE(WriteFile(good, "\"Call Sign\",\"Radial\",\"Point Number\",\"GPS Valid\",\"Latitude\",\"Longitude\","
                                "\"Tx Distance (km)\",\"mV/m\"\r\n"
                                "\"KDCV\",3,1,TRUE,45.5,-118.2,2.5,12\r\n\"KDCV\",3,2,TRUE,45.5,-118.2,\"-----\",12\r\n"));
    ASSERT_TRUE(WriteFile(bad, "\"Call Sign\",\"Radial\"\r\n1,2,3\r\n"));
    const struct
    {
        QString file;
        QStringList series; // of the window; none when no window opens
        int boxes;
    } cases[] = {{good, {"KDCV radial 3"}, 0}, {bad, {}, 1}, {dir.filePath(QStringLiteral("none.csv")), {}, 1}, {QString(), {}, 0}};
    for (const auto &c : cases) {
        answer = c.file;
        boxes.clear();
        main->mnuFilePlot->trigger();
        auto *window = main->findChild<frmFieldPlot *>();
        QStringList series;
        if (window)
            for (const FieldPlotSeries &s : window->Plot().series)
                series << s.name;
        EXPECT_EQ(series, c.series) << c.file.toStdString();
        EXPECT_EQ(boxes.size(), c.boxes) << c.file.toStdString();
        if (window) {
            EXPECT_EQ(window->lblSkipped->text(), QStringLiteral("1 record without a numeric distance or field strength was skipped."));
            // The picture never replaces the survey it is drawn from.
            const QByteArray survey = ReadFile(c.file);
            EXPECT_FALSE(window->SaveTo(c.file));
            EXPECT_EQ(ReadFile(c.file), survey);
            EXPECT_EQ(boxes.size(), c.boxes + 1);
        }
        delete window;
    }
}

} // namespace
