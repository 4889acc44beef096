// SPDX-License-Identifier: GPL-3.0-or-later
// The field strength plot as a picture and as a window: SVG that parses
// with one line per series, PNG of the size asked for, and the saved-data
// window's context menu.
#include "TestSupport.h"
#include "app/frmMain.h"
#include "common/modFileDialog.h"
#include "saveddata/frmDeleteData.h"
#include "saveddata/frmFieldPlot.h"
#include "saveddata/modGroundWave.h"

#include <QTest>
#include <cerrno>
#include <QtWidgets>

namespace {

// Three series: 3, 2 and 1 points.
const QList<FieldPlotRecord> kRecords = {{"KDCV", "1", "1230", "1.5", "20"}, {"KDCV", "1", "1230", "4", "6"}, {"KDCV", "1", "1230", "12", "1.1"},
                                         {"KDCV", "2", "1230", "2", "15"},   {"KDCV", "2", "1230", "9", "2"},  {"KWAL", "1", "1230", "30", "0.4"}};

// Many series, whose call signs make a title far too long for one line.
QList<FieldPlotRecord> ManySeries(int count)
{
    QList<FieldPlotRecord> records;
    for (int i = 0; i < count; ++i)
        for (const auto &[km, mvm] : {std::pair{"1", "50"}, std::pair{"10", "3"}})
            records << FieldPlotRecord{QStringLiteral("K%1").arg(i / 8, 3, 10, QLatin1Char('0')), QString::number(i % 8 + 1),
                                       QStringLiteral("1230"), QLatin1String(km), QLatin1String(mvm)};
    return records;
}

TEST(FieldPlotPicture, SvgHoldsTheDrawingWithItsTextSizes)
{
    const FieldPlot plot = BuildFieldPlot(kRecords);
    const ChartDrawing drawing = DrawFieldPlot(plot, QSize(800, 600));
    QStringList texts, svgTexts; // "size text", as drawn in the PNG
    int marked = 0, markers = 0;  // each point's marker, as circle or polygon
    for (const ChartStep &s : drawing.steps) {
        if (s.kind == ChartStep::Text)
            texts << QStringLiteral("%1 %2").arg(s.fontPx).arg(s.text);
        marked += s.kind == ChartStep::Markers ? int(s.points.size()) : 0;
    }
    QXmlStreamReader xml(RenderFieldPlot(plot, QSize(800, 600), PlotFormat::Svg));
    QList<int> solid, dashed; // vertices of each line, in drawing order
    QString title, viewBox;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes at = xml.attributes();
        if (xml.name() == QLatin1String("svg"))
            viewBox = at.value(QLatin1String("viewBox")).toString();
        else if (xml.name() == QLatin1String("title"))
            title = xml.readElementText();
        else if (xml.name() == QLatin1String("polyline"))
            (at.hasAttribute(QLatin1String("stroke-dasharray")) ? dashed : solid)
                << int(at.value(QLatin1String("points")).split(QLatin1Char(' ')).size());
        else if (xml.name() == QLatin1String("text"))
            svgTexts << at.value(QLatin1String("font-size")).toString() + QLatin1Char(' ') + xml.readElementText();
        else if (xml.name() == QLatin1String("circle") || xml.name() == QLatin1String("polygon"))
            ++markers;
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(QStringList({viewBox, title}) + svgTexts, QStringList({"0 0 800 600", plot.title}) + texts);
    EXPECT_EQ(std::pair(markers, marked), std::pair(6 + 3, 6 + 3)); // and the legend's
    // Series of 3, 2 and 1 points (a lone point has no line), then three
    // legend swatches; the three references and the legend's.
    EXPECT_EQ(std::pair(solid, dashed), std::pair(QList<int>({3, 2, 2, 2, 2}), QList<int>({2, 2, 2, 2})));
    EXPECT_TRUE(RenderFieldPlot(plot, QSize(0, 10), PlotFormat::Png).isEmpty());
    EXPECT_TRUE(RenderFieldPlot(plot, QSize(10, 10), PlotFormat::Unknown).isEmpty());
}

TEST(FieldPlotPicture, LaidOutReadablyAtEverySize)
{
    // Crowded: more series than legend rows.
    const struct { QList<FieldPlotRecord> records; bool crowded; } plots[] = {{kRecords, false}, {ManySeries(200), true}};
    for (const auto &p : plots) {
        const FieldPlot plot = BuildFieldPlot(p.records);
        for (const QSize size : {QSize(480, 320), QSize(640, 480), QSize(900, 600), QSize(1200, 800), QSize(3000, 2000)}) {
            SCOPED_TRACE(QStringLiteral("%1 series at %2x%3").arg(plot.series.size()).arg(size.width()).arg(size.height()).toStdString());
            const ChartDrawing d = DrawFieldPlot(plot, size);
            QList<QRectF> covered;
            QStringList texts, title;
            QList<QColor> dashed, series;
            for (const ChartStep &s : d.steps) {
                if (s.kind == ChartStep::Text) {
                    const QRectF r = ChartTextRect(s, d.fontFamily);
                    EXPECT_TRUE(QRectF(QPointF(0, 0), QSizeF(size)).contains(r)) << s.text.toStdString();
                    if (r.left() > d.plotArea.right()) // the legend, beside the plot
                        EXPECT_LE(r.bottom(), d.plotArea.bottom()) << s.text.toStdString();
                    for (const QRectF &other : std::as_const(covered))
                        EXPECT_FALSE(r.intersects(other)) << s.text.toStdString();
                    covered << r;
                    texts << s.text;
                    EXPECT_GE(s.fontPx, 11);
                    if (s.bold)
                        title << s.text;
                }
                if (s.kind == ChartStep::Polyline && s.dashed)
                    dashed << s.color;
                if (s.kind == ChartStep::Markers)
                    series << s.color;
            }
            // Every decade labelled, each once.
            for (const QString &label : d.xLabels + d.yLabels)
                EXPECT_EQ(texts.count(label), 1 + (d.xLabels.contains(label) && d.yLabels.contains(label))) << label.toStdString();
            // The title whole, or its start with an ellipsis.
            ASSERT_TRUE(title.size() == 1 || title.size() == 2) << title.size();
            EXPECT_TRUE(title.join(QLatin1Char(' ')) == plot.title || (title.last().endsWith(QChar(0x2026)) && plot.title.startsWith(title.first())))
                << title.join(QLatin1Char('|')).toStdString();
            // Each reference dashed in its series' colour; the legend's dashed
            // line stands for all of them.
            ASSERT_EQ(dashed.size(), plot.series.size() + 1);
            EXPECT_EQ(dashed.mid(0, plot.series.size()), series.mid(0, plot.series.size()));
            EXPECT_EQ(d.legend.last(), QStringLiteral("E \u00B7 d constant"));
            const qsizetype listed = d.legend.size() - (p.crowded ? 2 : 1);
            EXPECT_GE(listed, 3);
            EXPECT_EQ(d.legend.value(listed), p.crowded ? QStringLiteral("and %1 more").arg(plot.series.size() - listed) : d.legend.last());
        }
    }
}

using FieldPlotWindowTest = MeterTest;

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
    const struct { QList<int> selected; QStringList series; int points, skipped; QString title; } cases[] = {
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
        SelectRows(Named<QTreeView>(&list, "lsvData"), c.selected);
        Named<QAction>(&list, "mnuSavedDataPlot")->trigger();
        auto *window = list.findChild<frmFieldPlot *>();
        ASSERT_TRUE(window);
        QStringList names;
        int points = 0;
        for (const FieldPlotSeries &s : window->Plot().series)
            names << s.name, points += int(s.points.size());
        EXPECT_EQ(std::tuple(names, points, window->Plot().skipped, window->windowTitle()),
                  std::tuple(c.series, c.points, c.skipped, QStringLiteral("Field Strength Plot - ") + c.title));
        delete window;
    }
}

// Eight radials of 20 points at 45 degree steps, 1000 kHz over 8 mS/m,
// 200 + 25 * radial mV/m at 1 km, a little noise.
QList<FieldPlotRecord> Survey()
{
    const GroundWave model({1000, 8, 15});
    QList<FieldPlotRecord> records;
    for (int radial = 1; radial <= 8; ++radial)
        for (int i = 0; i < 20; ++i) {
            const double km = 0.5 * std::pow(120.0, i / 19.0), noise = ((i * 7 + radial * 3) % 5 - 2) * 0.05;
            records << FieldPlotRecord{"KDCV", QString::number(radial), "1000", QString::number(km, 'f', 3),
                                       QString::number(model.field(200 + 25 * radial, km) * std::pow(10.0, noise / 20), 'f', 4), "ND",
                                       QString::number(i + 1), QString::number((radial - 1) * 45)};
        }
    return records;
}

TEST_F(FieldPlotWindowTest, FitFollowsClicksAndTicksAndSavesAsAnalyzeDoes)
{
    const QList<FieldPlotRecord> records = Survey();
    frmFieldPlot window(records);
    window.show();
    QTableWidget *table = Named<QTableWidget>(&window, "tblFits");
    FieldPlotView *view = Named<FieldPlotView>(&window, "picPlot");
    QTemporaryDir dir;
    // The table and the effective field, from the same core as `analyze`;
    // the CSV as `analyze --csv` writes it for the records kept.
    auto check = [&](const QList<FieldPlotRecord> &kept, const char *what, const RadialFitSettings &settings = {}) {
        SCOPED_TRACE(what);
        const RadialAnalysis expected = AnalyzeRadials(kept, settings);
        QStringList effective;
        for (const EffectiveField &e : expected.effective)
            effective << EffectiveFieldText(e);
        EXPECT_EQ(Named<QLabel>(&window, "lblEffective")->text(), effective.join(QLatin1Char('\n')));
        const QString mine = dir.filePath(QStringLiteral("mine.csv")), theirs = dir.filePath(QStringLiteral("theirs.csv"));
        ASSERT_TRUE(window.SaveAnalysisTo(mine) && WriteRadialCsv(theirs, expected));
        EXPECT_EQ(ReadFile(mine), ReadFile(theirs));
    };
    // Point 6 of radial 3: left out, and the points its row counts.
    auto point = [&] { return std::pair(window.Plot().series.at(2).leftOut.value(5), table->item(2, 5)->text()); };
    ASSERT_EQ(table->rowCount(), 8);
    EXPECT_EQ(point(), std::pair(false, QStringLiteral("20")));
    for (const FieldPlotSeries &s : window.Plot().series) {
        EXPECT_GT(s.curve.size(), 10);
        // The dashed line is the fit's E1/d.
        EXPECT_NEAR(s.reference.first().x() * s.reference.first().y() / (200 + 25 * s.radial.toInt()), 1, 0.01);
    }
    // A fitted radial is drawn as its curve, its points not joined.
    for (const ChartStep &s : view->Drawing().steps)
        EXPECT_FALSE(s.kind == ChartStep::Polyline && view->Drawing().markers.contains(s.points));
    check(records, "all");

    // A click on a point leaves it out (hollow) and refits its radial; a
    // second click takes it back.
    const QPointF at = view->Drawing().markers.at(2).at(5);
    const int record = window.Plot().series.at(2).records.at(5);
    // The pointer over a point says which and what a click does.
    // (Sent, not moved there: a real X server moves the pointer later.)
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    EXPECT_EQ(view->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("KDCV radial 3, point 6: %1 km, %2 mV/m\nClick to leave it out of the fit.")
                                    .arg(records.at(record).distance, records.at(record).fieldStrength));
    QTest::mouseClick(view, Qt::LeftButton, {}, at.toPoint());
    EXPECT_EQ(point(), std::pair(true, QStringLiteral("19")));
    EXPECT_TRUE(table->item(2, 16)->text().contains(QStringLiteral("1 point left out of the fit by hand")));
    int hollow = 0;
    for (const ChartStep &s : view->Drawing().steps)
        hollow += s.kind == ChartStep::Markers && s.hollow ? int(s.points.size()) : 0;
    EXPECT_EQ(hollow, 1);
    QList<FieldPlotRecord> kept = records;
    kept.removeAt(record);
    check(kept, "a point left out");
    QTest::mouseClick(view, Qt::LeftButton, {}, at.toPoint());
    EXPECT_EQ(point(), std::pair(false, QStringLiteral("20")));

    // Unticking a row leaves the radial out of the effective field and the
    // saved table, and fades it.
    table->item(3, 0)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(window.Plot().series.at(3).faded && Named<QLabel>(&window, "lblEffective")->text().endsWith(QStringLiteral("(RMS of 7 radials)")));
    kept = records;
    kept.removeIf([](const FieldPlotRecord &r) { return r.radial == QLatin1String("4"); });
    check(kept, "a radial left out");

    // Another permittivity refits every radial, the one left out staying out.
    // Typed and entered: Enter refits and presses no button.
    bool asked = false;
    const FileDialogHandler before = SetFileDialogHandler([&](const FileDialogRequest &) {
        asked = true;
        return FileDialogAnswer();
    });
    QDoubleSpinBox *permittivity = Named<QDoubleSpinBox>(&window, "txtPermittivity");
    permittivity->setFocus();
    permittivity->selectAll();
    QTest::keyClicks(permittivity, QStringLiteral("80"));
    QTest::keyClick(permittivity, Qt::Key_Return);
    SetFileDialogHandler(before);
    EXPECT_EQ(std::pair(asked, permittivity->text()), std::pair(false, QStringLiteral("80.0")));
    check(kept, "sea water", {80});
    EXPECT_TRUE(window.Plot().series.at(3).faded);
    permittivity->setValue(15);
    check(kept, "back to 15");

    // The row chosen is the radial drawn out.
    table->selectRow(5);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(window.Plot().series.at(i).highlighted, i == 5) << i;
    // "Save Analysis...": a name without an ending gets ".csv"; a failed
    // write is told, the earlier file kept.
    const FileDialogHandler old = SetFileDialogHandler(
        [&](const FileDialogRequest &) { return FileDialogAnswer{dir.filePath(QStringLiteral("fits")), QString()}; });
    Named<QPushButton>(&window, "cmdSaveAnalysis")->click();
    SetFileDialogHandler(old);
    EXPECT_EQ(ReadFile(dir.filePath(QStringLiteral("fits.csv"))), ReadFile(dir.filePath(QStringLiteral("mine.csv"))));
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_FALSE(window.SaveAnalysisTo(dir.filePath(QStringLiteral("missing/a.csv"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.isEmpty(); }, 5000)); // told once the save returns
    EXPECT_TRUE(boxes.size() == 1 && boxes.at(0).prompt.startsWith(QStringLiteral("There is a problem writing to the file.\r\n")));

    // Its notes in words beside the table.
    EXPECT_EQ(Named<QLabel>(&window, "lblNotes")->text(), window.Analysis().radials.at(5).name + QStringLiteral(": ")
                                           + window.Analysis().radials.at(5).notes.join(QStringLiteral("; ")) + QLatin1Char('.'));
}

TEST(FieldPlotPicture, SeriesToldApartByColourAndMarker)
{
    // Twelve colours far apart in CIELAB (76), none pale on white.
    auto lab = [](const QColor &c) {
        auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        const double r = lin(c.redF()), g = lin(c.greenF()), b = lin(c.blueF());
        const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047, y = 0.2126 * r + 0.7152 * g + 0.0722 * b,
                     z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
        auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
        return QVector3D(116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z)));
    };
    auto distance = [&](const QColor &a, const QColor &b) { return (lab(a) - lab(b)).length(); };
    QSet<QPair<QRgb, int>> pairs;
    for (int i = 0; i < 72; ++i)
        pairs.insert({SeriesColor(i).rgb(), SeriesShape(i)});
    EXPECT_EQ(pairs.size(), 72);
    for (int i = 0; i < kSeriesColours; ++i) {
        EXPECT_GT(distance(SeriesColor(i), Qt::white), 40) << i;
        for (int j = 0; j < i; ++j)
            EXPECT_GT(distance(SeriesColor(i), SeriesColor(j)), 25) << i << " " << j;
    }
    EXPECT_TRUE(MarkerOutline(Circle, 4).isEmpty());
    for (int shape = Square; shape < kMarkerShapes; ++shape)
        EXPECT_GE(MarkerOutline(shape, 4).size(), 3) << shape;
}

TEST_F(FieldPlotWindowTest, SavesEachFormatAndReportsAFailedWrite)
{
    frmFieldPlot window(kRecords);
    window.show();
    FieldPlotView *view = Named<FieldPlotView>(&window, "picPlot");
    QTemporaryDir dir;
    EXPECT_TRUE(window.SaveTo(dir.filePath(QStringLiteral("p.png"))));
    // The window shows what it saves.
    EXPECT_EQ(std::pair(QImage(dir.filePath(QStringLiteral("p.png"))).size(), view->Drawing().size), std::pair(view->size(), view->size()));
    // "Save Picture...": a name without an ending takes the chosen filter's;
    // the plot stays in front of the window that had the dialog, saved or
    // cancelled.
    QWidget list;
    list.show();
    const struct { const char *name, *filter, *saved; } asks[] = {{"a", "PDF Document (*.pdf)", "a.pdf"}, {"b", "SVG Drawing (*.svg)", "b.svg"},
                                                                  {"c.pdf", "PNG Picture (*.png)", "c.pdf"}, {"d", "PNG Picture (*.png)", "d.png"},
                                                                  {"", "PNG Picture (*.png)", ""}};
    for (const auto &ask : asks) {
        SCOPED_TRACE(ask.name);
        QStringList offered;
        const FileDialogHandler old = SetFileDialogHandler([&](const FileDialogRequest &r) {
            offered = r.filters;
            list.activateWindow();
            QTest::qWait(20);
            return FileDialogAnswer{*ask.name ? dir.filePath(QLatin1String(ask.name)) : QString(), QLatin1String(ask.filter)};
        });
        Named<QPushButton>(&window, "cmdSave")->click();
        SetFileDialogHandler(old);
        EXPECT_TRUE(offered.contains(QLatin1String(ask.filter)));
        EXPECT_TRUE(!*ask.saved || QFile::exists(dir.filePath(QLatin1String(ask.saved))));
        // A window manager activates in its own time.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, 3000));
    }
    EXPECT_TRUE(ReadFile(dir.filePath(QStringLiteral("a.pdf"))).startsWith("%PDF-"));
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_FALSE(window.SaveTo(dir.filePath(QStringLiteral("missing/p.png"))));
    ASSERT_EQ(boxes.size(), 1); // told before the save returns
    EXPECT_EQ(boxes.at(0).title + '|' + boxes.at(0).prompt, "ZT 6200 File Error|There is a problem writing to the file.\r\n" + FileErrorText(ENOENT));
}

using PlotFromMainWindowTest = MainWindowTest;

TEST_F(PlotFromMainWindowTest, FileMenuPlotsACsvOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("s.csv")), bad = dir.filePath(QStringLiteral("b.csv"));
    ASSERT_TRUE(WriteFile(good, "\"Call Sign\",\"Radial\",\"Point Number\",\"GPS Valid\",\"Latitude\",\"Longitude\","
                                "\"Tx Distance (km)\",\"mV/m\"\r\n"
                                "\"KDCV\",3,1,TRUE,45.5,-118.2,2.5,12\r\n\"KDCV\",3,2,TRUE,45.5,-118.2,\"-----\",12\r\n"));
    ASSERT_TRUE(WriteFile(bad, "\"Call Sign\",\"Radial\"\r\n1,2,3\r\n"));
    QString answer;
    const FileDialogHandler old = SetFileDialogHandler([&](const FileDialogRequest &) { return FileDialogAnswer{answer, QString()}; });
    // Unreadable, missing, cancelled: no window, a box for the first two.
    for (const auto &[file, told] : {std::pair{bad, 1}, std::pair{dir.filePath(QStringLiteral("none.csv")), 1}, std::pair{QString(), 0}}) {
        answer = file;
        boxes.clear();
        Named<QAction>(main, "mnuFilePlot")->trigger();
        EXPECT_EQ(std::pair(main->findChild<frmFieldPlot *>(), boxes.size()), std::pair(static_cast<frmFieldPlot *>(nullptr), qsizetype(told))) << file.toStdString();
    }
    answer = good;
    boxes.clear();
    Named<QAction>(main, "mnuFilePlot")->trigger();
    SetFileDialogHandler(old);
    const std::unique_ptr<frmFieldPlot> window(main->findChild<frmFieldPlot *>());
    ASSERT_TRUE(window && boxes.isEmpty());
    EXPECT_EQ(QStringList({window->windowTitle(), Named<QLabel>(window.get(), "lblSkipped")->text(), window->Plot().series.value(0).name}),
              QStringList({"Field Strength Plot - s.csv", "1 record without a numeric distance or field strength was skipped.", "KDCV radial 3"}));
    EXPECT_EQ(window->Plot().series.size(), 1);
    // Neither the picture nor the analysis replaces the survey.
    const QByteArray survey = ReadFile(good);
    EXPECT_FALSE(window->SaveTo(good));
    EXPECT_FALSE(window->SaveAnalysisTo(good));
    EXPECT_EQ(std::pair(ReadFile(good) == survey, boxes.size()), std::pair(true, qsizetype(2)));
}

} // namespace
