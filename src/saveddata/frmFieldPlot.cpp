// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/frmFieldPlot.h"
#include "common/modFileDialog.h"
#include "common/modFileName.h"
#include "common/modMsgBox.h"
#include "saveddata/modSurveyCsv.h"
#include "storage/clsFile.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kFileErrorTitle = QStringLiteral("ZT 6200 File Error");
const QString kPngFilter = QStringLiteral("PNG Picture (*.png)");
const QString kSvgFilter = QStringLiteral("SVG Drawing (*.svg)");
const QString kPdfFilter = QStringLiteral("PDF Document (*.pdf)");

} // namespace

const ChartDrawing &FieldPlotView::Drawing()
{
    if (m_drawing.size != size())
        m_drawing = DrawFieldPlot(*m_plot, size());
    return m_drawing;
}

void FieldPlotView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintChart(&painter, Drawing());
}

frmFieldPlot::frmFieldPlot(const FieldPlot &plot, QWidget *parent) : QDialog(parent), m_plot(plot)
{
    setObjectName(QStringLiteral("frmFieldPlot"));
    setWindowTitle(QStringLiteral("Field Strength Plot"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);

    picPlot = new FieldPlotView(&m_plot, this);
    picPlot->setMinimumSize(480, 320);
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
    layout->addWidget(picPlot, 1);
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
    frmFieldPlot *window = Open(FieldPlotRecords(csv), parent);
    window->m_source = path;
    // What is plotted, as the saved-data list's plots say it.
    window->setWindowTitle(window->windowTitle() + QStringLiteral(" - ") + QFileInfo(path).fileName());
    return window;
}

bool frmFieldPlot::SaveTo(const QString &path)
{
    if (!m_source.isEmpty() && IsSameFile(m_source, path)) {
        MsgBox(QStringLiteral("The picture cannot replace the CSV file it is made from."), vb::Exclamation, kFileErrorTitle);
        return false;
    }
    const PlotFormat format = PlotFormatOf(path);
    const QByteArray bytes = RenderFieldPlot(m_plot, picPlot->size(), format);
    QString reason = QStringLiteral("The picture could not be drawn.");
    if (!bytes.isEmpty()) {
        // Through the CSV writer: the earlier picture stays until this one is whole.
        clsFile file;
        file.setCompleteFileName(path);
        if (file.WriteBytes(bytes) && file.CloseFile())
            return true;
        reason = file.LastError();
        file.DiscardFile();
    }
    MsgBox(clsFile::WriteErrorText(reason), vb::Exclamation, kFileErrorTitle);
    return false;
}

void frmFieldPlot::Save()
{
    FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("Save Picture");
    request.name = QStringLiteral("field-strength.png");
    request.filters = {kPngFilter, kSvgFilter, kPdfFilter};
    const FileDialogAnswer answer = AskFileDialog(request);
    // The dialog belongs to the main window: once it closes, the window
    // manager may put the list window over this one.
    raise();
    activateWindow();
    QString path = answer.file;
    if (path.isEmpty())
        return;
    // The chosen filter decides a name without one of the endings.
    if (PlotFormatOf(path) == PlotFormat::Unknown)
        path += answer.filter == kSvgFilter   ? QStringLiteral(".svg")
                : answer.filter == kPdfFilter ? QStringLiteral(".pdf")
                                              : QStringLiteral(".png");
    SaveTo(path);
}
