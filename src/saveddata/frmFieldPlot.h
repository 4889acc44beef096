// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Field Strength Plot": field strength against distance of saved records,
// log-log, one series per call sign and radial; saves the picture as PNG,
// SVG or PDF.
#include "saveddata/modFieldPlotDraw.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The chart, laid out anew for each size it is shown at.
class FieldPlotView : public QWidget
{
public:
    FieldPlotView(const FieldPlot *plot, QWidget *parent) : QWidget(parent), m_plot(plot) {}
    const ChartDrawing &Drawing();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    const FieldPlot *m_plot;
    ChartDrawing m_drawing;
};

class frmFieldPlot : public QDialog
{
    Q_OBJECT
public:
    frmFieldPlot(const FieldPlot &plot, QWidget *parent = nullptr);

    // A new window (deleted on close) for the records, shown.
    static frmFieldPlot *Open(const QList<FieldPlotRecord> &records, QWidget *parent);
    // Plots the CSV file; nullptr (after a message) when it cannot be read.
    static frmFieldPlot *OpenCsv(const QString &path, QWidget *parent);

    // Writes the picture at the chart's size, as the name's ending says
    // (.png, .svg or .pdf); tells the user and returns false on failure.
    bool SaveTo(const QString &path);

    const FieldPlot &Plot() const { return m_plot; }
    FieldPlotView *picPlot = nullptr;
    QLabel *lblSkipped = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    void Save();

    FieldPlot m_plot;
    QString m_source; // the CSV file plotted, which a picture must not replace
};
