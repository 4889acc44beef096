// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/frmFieldPlot.h"
#include "common/modFileDialog.h"
#include "common/modFileName.h"
#include "common/modMsgBox.h"
#include "saveddata/modGroundWave.h"
#include "saveddata/modSurveyCsv.h"
#include "storage/clsFile.h"

#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const QString kFileErrorTitle = QStringLiteral("ZT 6200 File Error");
const QString kPngFilter = QStringLiteral("PNG Picture (*.png)");
const QString kSvgFilter = QStringLiteral("SVG Drawing (*.svg)");
const QString kPdfFilter = QStringLiteral("PDF Document (*.pdf)");
const QString kCsvFilter = QStringLiteral("CSV File (*.csv)");

QString Key(const QString &call, const QString &pattern, const QString &radial)
{
    return call + QChar(0x1F) + pattern + QChar(0x1F) + radial;
}

} // namespace

const ChartDrawing &FieldPlotView::Drawing()
{
    if (m_drawing.size != size())
        m_drawing = DrawFieldPlot(*m_plot, size());
    return m_drawing;
}

void FieldPlotView::Invalidate()
{
    m_drawing = ChartDrawing();
    update();
}

QPair<qsizetype, qsizetype> FieldPlotView::PointAt(const QPointF &pos)
{
    const ChartDrawing &d = Drawing();
    // Within a marker and a little around it, the nearest.
    const double reach = qMax(6.0, d.markerRadius * 2);
    QPair<qsizetype, qsizetype> best(-1, -1);
    double bestDistance = reach * reach;
    for (qsizetype s = 0; s < d.markers.size(); ++s)
        for (qsizetype p = 0; p < d.markers.at(s).size(); ++p) {
            const QPointF v = d.markers.at(s).at(p) - pos;
            const double distance = QPointF::dotProduct(v, v);
            if (distance <= bestDistance)
                bestDistance = distance, best = {s, p};
        }
    return best;
}

void FieldPlotView::mouseMoveEvent(QMouseEvent *event)
{
    // A point can be clicked: the pointer says so, and which point it is.
    const auto hit = PointAt(event->position());
    if (hit.first < 0) {
        unsetCursor();
        QToolTip::hideText();
        return QWidget::mouseMoveEvent(event);
    }
    setCursor(Qt::PointingHandCursor);
    if (m_describePoint)
        QToolTip::showText(event->globalPosition().toPoint(), m_describePoint(hit.first, hit.second), this);
}

void FieldPlotView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintChart(&painter, Drawing());
}

void FieldPlotView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const auto hit = PointAt(event->position());
    if (hit.first >= 0 && m_onPointClicked)
        m_onPointClicked(hit.first, hit.second);
}

frmFieldPlot::frmFieldPlot(const QList<FieldPlotRecord> &records, QWidget *parent)
    : QDialog(parent), m_records(records), m_series(GroupRadials(records)), m_plot(BuildFieldPlot(records))
{
    setObjectName(QStringLiteral("frmFieldPlot"));
    setWindowTitle(QStringLiteral("Field Strength Plot"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    CreatePlot();
    QHBoxLayout *settingsRow = CreateSettingsRow();
    CreateTable();
    CreateButtons();
    LayOut(settingsRow);
    Refit(-1);
    tblFits->resizeColumnsToContents();
}

void frmFieldPlot::CreatePlot()
{
    picPlot = new FieldPlotView(&m_plot, this);
    picPlot->setObjectName(QStringLiteral("picPlot"));
    picPlot->setMinimumSize(480, 320);
    picPlot->setOnPointClicked([this](qsizetype s, qsizetype p) { TogglePoint(s, p); });
    picPlot->setMouseTracking(true);
    picPlot->setDescribePoint([this](qsizetype s, qsizetype p) {
        const FieldPlotSeries &series = m_plot.series.at(s);
        const FieldPlotRecord &r = m_records.at(series.records.at(p));
        return QStringLiteral("%1, point %2: %3 km, %4 mV/m\n%5")
            .arg(series.name, r.pointNumber.isEmpty() ? QStringLiteral("?") : r.pointNumber, r.distance, r.fieldStrength,
                 series.leftOut.value(p) ? QStringLiteral("Left out of the fit: click to take it back.")
                                         : QStringLiteral("Click to leave it out of the fit."));
    });
}

QHBoxLayout *frmFieldPlot::CreateSettingsRow()
{
    txtPermittivity = new QDoubleSpinBox(this);
    txtPermittivity->setObjectName(QStringLiteral("txtPermittivity"));
    txtPermittivity->setLocale(QLocale::c()); // "." in every regional setting, as the table
    txtPermittivity->setRange(kGroundMinPermittivity, kGroundMaxPermittivity);
    txtPermittivity->setDecimals(1);
    txtPermittivity->setValue(m_settings.permittivity);
    txtPermittivity->setKeyboardTracking(false); // refit once the number is whole
    auto *lblPermittivity = new QLabel(QStringLiteral("Ground &permittivity:"), this);
    lblPermittivity->setBuddy(txtPermittivity);
    auto *lblPermittivityHint = new QLabel(QStringLiteral("(15 land, 80 sea water)"), this);
    connect(txtPermittivity, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        m_settings.permittivity = value;
        Refit(-1);
    });
    auto *settingsRow = new QHBoxLayout;
    settingsRow->addWidget(lblPermittivity);
    settingsRow->addWidget(txtPermittivity);
    settingsRow->addWidget(lblPermittivityHint);
    settingsRow->addStretch(1);
    return settingsRow;
}

void frmFieldPlot::CreateTable()
{
    tblFits = new QTableWidget(this);
    tblFits->setObjectName(QStringLiteral("tblFits"));
    QStringList columns = RadialTableColumns();
    columns << QStringLiteral("Notes");
    tblFits->setColumnCount(int(columns.size()));
    tblFits->setHorizontalHeaderLabels(columns);
    tblFits->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblFits->setSelectionMode(QAbstractItemView::SingleSelection);
    tblFits->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFits->verticalHeader()->hide();
    tblFits->horizontalHeader()->setStretchLastSection(true);
    tblFits->setWordWrap(false);
    tblFits->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    tblFits->setMinimumHeight(tblFits->verticalHeader()->defaultSectionSize() * 4);
    lblNotes = new QLabel(this);
    lblNotes->setObjectName(QStringLiteral("lblNotes"));
    lblNotes->setWordWrap(true);
    lblNotes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblEffective = new QLabel(this);
    lblEffective->setObjectName(QStringLiteral("lblEffective"));
    lblEffective->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(tblFits, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!m_filling && item->column() == 0)
            RowChecked(item->row());
    });
    connect(tblFits, &QTableWidget::itemSelectionChanged, this, &frmFieldPlot::RowSelected);
}

void frmFieldPlot::CreateButtons()
{
    lblSkipped = new QLabel(FieldPlotSkippedText(m_plot).trimmed(), this);
    cmdSaveAnalysis = new QPushButton(QStringLiteral("Save Analysis..."), this);
    cmdSave = new QPushButton(QStringLiteral("Save Picture..."), this);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    lblSkipped->setObjectName(QStringLiteral("lblSkipped"));
    cmdSaveAnalysis->setObjectName(QStringLiteral("cmdSaveAnalysis"));
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    // Enter in the permittivity box refits; it must not press a button.
    for (QPushButton *b : {cmdSaveAnalysis, cmdSave, cmdClose})
        b->setAutoDefault(false);
    connect(cmdSaveAnalysis, &QPushButton::clicked, this, &frmFieldPlot::SaveAnalysis);
    connect(cmdSave, &QPushButton::clicked, this, &frmFieldPlot::Save);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

void frmFieldPlot::LayOut(QHBoxLayout *settingsRow)
{
    auto *lower = new QWidget(this);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addLayout(settingsRow);
    lowerLayout->addWidget(tblFits, 1);
    lowerLayout->addWidget(lblNotes);
    lowerLayout->addWidget(lblEffective);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(picPlot);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    // Room for eight radials, as a survey of the usual rules has.
    const int tableHeight = tblFits->verticalHeader()->defaultSectionSize() * 9 + fontMetrics().height() * 7;
    split->setSizes({560, tableHeight});

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblSkipped, 1);
    buttons->addWidget(cmdSaveAnalysis);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(1100, 600 + tableHeight);
}

frmFieldPlot *frmFieldPlot::Open(const QList<FieldPlotRecord> &records, QWidget *parent)
{
    auto *window = new frmFieldPlot(records, parent);
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

RadialAnalysis frmFieldPlot::Analysis() const
{
    RadialAnalysis a;
    a.radials = m_fits;
    a.effective = EffectiveFields(m_fits);
    return a;
}

void frmFieldPlot::Refit(qsizetype radial)
{
    if (radial < 0) {
        // The radials left out stay out.
        const QList<RadialFit> before = m_fits;
        m_fits.clear();
        for (const RadialSeries &s : std::as_const(m_series)) {
            m_fits << FitSeries(s, m_settings, m_leftOut);
            m_fits.last().leftOut = before.value(m_fits.size() - 1).leftOut;
        }
    } else {
        const bool leftOut = m_fits[radial].leftOut;
        m_fits[radial] = FitSeries(m_series.at(radial), m_settings, m_leftOut);
        m_fits[radial].leftOut = leftOut;
    }
    ShowFits();
}

void frmFieldPlot::ShowFits()
{
    ApplyRadialFits(&m_plot, m_fits, m_leftOut);
    const int selected = tblFits->currentRow();
    m_filling = true;
    tblFits->setRowCount(int(m_fits.size()));
    for (int row = 0; row < m_fits.size(); ++row) {
        const RadialFit &f = m_fits.at(row);
        QStringList cells = RadialTableRow(f);
        cells << f.notes.join(QStringLiteral("; "));
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem *item = tblFits->item(row, c);
            if (!item) {
                item = new QTableWidgetItem;
                // Numbers to the right, names and notes to the left.
                if (c >= 3 && c < cells.size() - 1 && c != 9)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                tblFits->setItem(row, c, item);
            }
            item->setText(cells.at(c));
            item->setForeground(f.leftOut ? palette().brush(QPalette::Disabled, QPalette::Text) : palette().brush(QPalette::Text));
        }
        QTableWidgetItem *check = tblFits->item(row, 0);
        check->setFlags(check->flags() | Qt::ItemIsUserCheckable);
        check->setCheckState(f.leftOut ? Qt::Unchecked : Qt::Checked);
        check->setToolTip(QStringLiteral("Untick to leave this radial out of the effective field."));
        for (int c = 1; c < cells.size(); ++c)
            tblFits->item(row, c)->setToolTip(cells.last());
    }
    m_filling = false;
    if (selected >= 0 && selected < tblFits->rowCount())
        tblFits->selectRow(selected);

    QStringList effective;
    for (const EffectiveField &e : EffectiveFields(m_fits))
        effective << EffectiveFieldText(e);
    lblEffective->setText(effective.isEmpty() ? QStringLiteral("No radial fitted: no effective field.") : effective.join(QLatin1Char('\n')));
    ShowNotes();
    picPlot->Invalidate();
}

void frmFieldPlot::RowChecked(int row)
{
    if (row < 0 || row >= m_fits.size())
        return;
    m_fits[row].leftOut = tblFits->item(row, 0)->checkState() != Qt::Checked;
    ShowFits();
}

void frmFieldPlot::RowSelected()
{
    const int row = tblFits->currentRow();
    const bool any = !tblFits->selectedItems().isEmpty();
    QString key;
    if (any && row >= 0 && row < m_fits.size())
        key = Key(m_fits.at(row).callSign, m_fits.at(row).pattern, m_fits.at(row).radial);
    bool changed = false;
    for (FieldPlotSeries &s : m_plot.series) {
        const bool on = !key.isEmpty() && Key(s.callSign, s.pattern, s.radial) == key;
        changed = changed || s.highlighted != on;
        s.highlighted = on;
    }
    if (changed)
        picPlot->Invalidate();
    ShowNotes();
}

void frmFieldPlot::ShowNotes()
{
    const int row = tblFits->currentRow();
    if (tblFits->selectedItems().isEmpty() || row < 0 || row >= m_fits.size()) {
        lblNotes->setText(QStringLiteral("Choose a radial for its notes. Click a point to leave it out of the fit, again to take it "
                                         "back; untick a radial to leave it out of the effective field."));
        return;
    }
    const RadialFit &f = m_fits.at(row);
    lblNotes->setText(f.name + QStringLiteral(": ") + (f.notes.isEmpty() ? QStringLiteral("no notes") : f.notes.join(QStringLiteral("; "))) +
                      QLatin1Char('.'));
}

void frmFieldPlot::TogglePoint(qsizetype series, qsizetype point)
{
    if (series < 0 || series >= m_plot.series.size() || point < 0 || point >= m_plot.series.at(series).records.size())
        return;
    const FieldPlotSeries &s = m_plot.series.at(series);
    const int record = s.records.at(point);
    if (m_leftOut.contains(record))
        m_leftOut.remove(record);
    else
        m_leftOut.insert(record);
    const QString key = Key(s.callSign, s.pattern, s.radial);
    for (qsizetype i = 0; i < m_fits.size(); ++i)
        if (Key(m_fits.at(i).callSign, m_fits.at(i).pattern, m_fits.at(i).radial) == key)
            return Refit(i);
}

bool frmFieldPlot::Replaces(const QString &path, const QString &what)
{
    if (m_source.isEmpty() || !IsSameFile(m_source, path))
        return false;
    MsgBox(QStringLiteral("The %1 cannot replace the CSV file it is made from.").arg(what), vb::Exclamation, kFileErrorTitle);
    return true;
}

bool frmFieldPlot::SaveTo(const QString &path)
{
    if (Replaces(path, QStringLiteral("picture")))
        return false;
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
    TellWriteError(reason, TellWhen::Now);
    return false;
}

bool frmFieldPlot::SaveAnalysisTo(const QString &path)
{
    if (Replaces(path, QStringLiteral("analysis")))
        return false;
    return WriteRadialCsv(path, Analysis());
}

// The save dialog, then this window on top again: the dialog belongs to the
// main window, and once it closes the window manager may put the list
// window over this one.
FileDialogAnswer frmFieldPlot::AskSave(const QString &title, const QString &name, const QStringList &filters)
{
    FileDialogRequest request;
    request.save = true;
    request.title = title;
    request.name = name;
    request.filters = filters;
    const FileDialogAnswer answer = AskFileDialog(request);
    raise();
    activateWindow();
    return answer;
}

void frmFieldPlot::Save()
{
    const FileDialogAnswer answer =
        AskSave(QStringLiteral("Save Picture"), QStringLiteral("field-strength.png"), {kPngFilter, kSvgFilter, kPdfFilter});
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

void frmFieldPlot::SaveAnalysis()
{
    const FileDialogAnswer answer =
        AskSave(QStringLiteral("Save Analysis"), QStringLiteral("radial-analysis.csv"), {kCsvFilter});
    QString path = answer.file;
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    SaveAnalysisTo(path);
}
