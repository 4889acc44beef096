// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/frmFieldPlot.h"
#include "common/modMsgBox.h"
#include "saveddata/modFieldPlotGui.h"
#include "saveddata/modSurveyCsv.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QChartView>

namespace {

const QString kFileErrorTitle = QStringLiteral("ZT 6200 File Error");
const QString kPngFilter = QStringLiteral("PNG Picture (*.png)");
const QString kSvgFilter = QStringLiteral("SVG Drawing (*.svg)");

} // namespace

frmFieldPlot::frmFieldPlot(const FieldPlot &plot, QWidget *parent) : QDialog(parent), m_plot(plot)
{
    setObjectName(QStringLiteral("frmFieldPlot"));
    setWindowTitle(QStringLiteral("Field Strength Plot"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);

    chvPlot = new QChartView(NewFieldPlotChart(m_plot), this);
    chvPlot->setRenderHint(QPainter::Antialiasing);
    chvPlot->setMinimumSize(480, 320);
    lblSkipped = new QLabel(FieldPlotSkippedText(m_plot).trimmed(), this);
    cmdSave = new QPushButton(QStringLiteral("Save Picture..."), this);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    connect(cmdSave, &QPushButton::clicked, this, &frmFieldPlot::Save);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblSkipped, 1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chvPlot, 1);
    layout->addLayout(buttons);
    resize(900, 640);
}

frmFieldPlot *frmFieldPlot::Open(const QList<FieldPlotRecord> &records, QWidget *parent)
{
    auto *window = new frmFieldPlot(BuildFieldPlot(records), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

frmFieldPlot *frmFieldPlot::OpenCsv(const QString &path, QWidget *parent)
{
    SurveyCsv csv;
    QString error;
    if (!ReadSurveyCsv(path, &csv, &error)) {
        MsgBox(QStringLiteral("The file cannot be read as saved data:\r\n") + error, vb::Exclamation, kFileErrorTitle);
        return nullptr;
    }
    return Open(FieldPlotRecords(csv), parent);
}

bool frmFieldPlot::SaveTo(const QString &path)
{
    const PlotFormat format = PlotFormatOf(path);
    const QByteArray bytes = RenderFieldPlot(m_plot, chvPlot->size(), format);
    QString reason;
    if (bytes.isEmpty())
        reason = QStringLiteral("The picture could not be drawn.");
    else if (WriteFileAtomically(path, bytes, &reason))
        return true;
    MsgBox(QStringLiteral("There is a problem writing to the file.\r\n") + reason, vb::Exclamation, kFileErrorTitle);
    return false;
}

void frmFieldPlot::Save()
{
    QString filter = kPngFilter;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Picture"), QStringLiteral("field-strength.png"),
                                                kPngFilter + QStringLiteral(";;") + kSvgFilter, &filter);
    if (path.isEmpty())
        return;
    // The chosen filter decides a name without either ending.
    if (PlotFormatOf(path) == PlotFormat::Unknown)
        path += filter == kSvgFilter ? QStringLiteral(".svg") : QStringLiteral(".png");
    SaveTo(path);
}
