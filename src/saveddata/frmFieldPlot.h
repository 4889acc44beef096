// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Field Strength Plot": field strength against distance of saved records,
// log-log, one series per call sign, pattern and radial, each with its
// fitted ground-wave curve; under it the table of the fits and the
// effective field. Radials are left out by unticking their row, points by
// clicking them; the fit follows at once. Saves the picture as PNG, SVG or
// PDF and the table as CSV.
#include "common/modFileDialog.h"
#include "saveddata/modFieldPlotDraw.h"
#include "saveddata/modRadialFit.h"

#include <QDialog>
#include <functional>

class QHBoxLayout;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The chart, laid out anew for each size it is shown at.
class FieldPlotView : public QWidget
{
public:
    FieldPlotView(const FieldPlot *plot, QWidget *parent) : QWidget(parent), m_plot(plot) {}
    const ChartDrawing &Drawing();
    // The plot changed: lay it out again before the next paint.
    void Invalidate();
    using PointClicked = std::function<void(qsizetype series, qsizetype point)>;
    using PointText = std::function<QString(qsizetype series, qsizetype point)>;
    // Called with the series and point clicked.
    void setOnPointClicked(PointClicked f) { m_onPointClicked = std::move(f); }
    // What the pointer over a point shows.
    void setDescribePoint(PointText f) { m_describePoint = std::move(f); }
    // The series and point under `pos`, if any (series -1: none).
    QPair<qsizetype, qsizetype> PointAt(const QPointF &pos);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    const FieldPlot *m_plot;
    ChartDrawing m_drawing;
    PointClicked m_onPointClicked;
    PointText m_describePoint;
};

class frmFieldPlot : public QDialog
{
    Q_OBJECT
public:
    explicit frmFieldPlot(const QList<FieldPlotRecord> &records, QWidget *parent = nullptr);

    // A new window (deleted on close) for the records, shown.
    static frmFieldPlot *Open(const QList<FieldPlotRecord> &records, QWidget *parent);
    // Plots the CSV file; nullptr (after a message) when it cannot be read.
    static frmFieldPlot *OpenCsv(const QString &path, QWidget *parent);

    // Writes the picture at the chart's size, as the name's ending says
    // (.png, .svg or .pdf); tells the user and returns false on failure.
    bool SaveTo(const QString &path);
    // Writes the table as CSV, as `analyze --csv` does for the same points;
    // tells the user and returns false on failure.
    bool SaveAnalysisTo(const QString &path);

    // Leaves a point (by its series and place in the plot) out of the fit,
    // or brings it back.
    void TogglePoint(qsizetype series, qsizetype point);

    const FieldPlot &Plot() const { return m_plot; }
    // The analysis as the table shows it, radials left out included.
    RadialAnalysis Analysis() const;

private:
    // Controls, each named as its member for the tests.
    FieldPlotView *picPlot = nullptr;
    QDoubleSpinBox *txtPermittivity = nullptr; // the ground's, for every fit
    QTableWidget *tblFits = nullptr;
    QLabel *lblNotes = nullptr; // the chosen radial's notes, in words
    QLabel *lblEffective = nullptr;
    QLabel *lblSkipped = nullptr;
    QPushButton *cmdSaveAnalysis = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdClose = nullptr;

    // The constructor's steps.
    void CreatePlot();
    QHBoxLayout *CreateSettingsRow();
    void CreateTable();
    void CreateButtons();
    void LayOut(QHBoxLayout *settingsRow);

    void Save();
    void SaveAnalysis();
    FileDialogAnswer AskSave(const QString &title, const QString &name, const QStringList &filters);
    bool Replaces(const QString &path, const QString &what);
    void Refit(qsizetype radial); // -1: all
    void ShowFits();
    void RowChecked(int row);
    void RowSelected();
    void ShowNotes();

    QList<FieldPlotRecord> m_records;
    QList<RadialSeries> m_series;
    QList<RadialFit> m_fits; // one per series
    QSet<int> m_leftOut;     // records left out of the fit
    RadialFitSettings m_settings;
    FieldPlot m_plot;
    bool m_filling = false;  // the table being filled: no reaction to its signals
    QString m_source;        // the CSV file plotted, which no output may replace
};
