// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/frmDeleteData.h"
#include "common/modConvert.h"
#include "listview/modDownloadTarget.h"
#include "common/modMsgBox.h"
#include "listview/modLV.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"
#include "records/clsMeter.h"
#include "records/clsReadStore.h"
#include "records/clsFsm.h"
#include "saveddata/frmFieldPlot.h"
#include "saveddata/modSavedDelete.h"
#include "common/clsOperation.h"
#include "saveddata/modSavedRows.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

namespace {

const QString kDeleteTitle = QStringLiteral("ZT 6200 Delete Problem");

} // namespace

std::unique_ptr<DownloadTarget> frmDeleteData::NewDownloadTarget()
{
    return DownloadTargetFor(new frmDeleteData(MainWindow()));
}

frmDeleteData::frmDeleteData(QWidget *parent) : ListWindow(parent, QStringLiteral("frmDeleteData"))
{
    BuildControls({}, QStringLiteral("Delete Data"));
    mnuSavedData = AddListMenu(QStringLiteral("Saved Data"));
    mnuSavedDataDelete = mnuSavedData->addAction(QStringLiteral("Delete Data"));
    mnuSavedDataSelectAll = mnuSavedData->addAction(QStringLiteral("Select All"));
    mnuSavedDataPlot = mnuSavedData->addAction(QStringLiteral("Plot Field Strength\u2026"));
    mnuSavedData->setObjectName(QStringLiteral("mnuSavedData"));
    mnuSavedDataDelete->setObjectName(QStringLiteral("mnuSavedDataDelete"));
    mnuSavedDataSelectAll->setObjectName(QStringLiteral("mnuSavedDataSelectAll"));
    mnuSavedDataPlot->setObjectName(QStringLiteral("mnuSavedDataPlot"));
    connect(mnuSavedDataPlot, &QAction::triggered, this, &frmDeleteData::PlotSelected);

    connect(mnuSavedDataSelectAll, &QAction::triggered, this, &frmDeleteData::SelectAll);
    connect(cmdDelete, &QPushButton::clicked, this, &frmDeleteData::DeleteSelected);
    connect(mnuSavedDataDelete, &QAction::triggered, this, &frmDeleteData::DeleteSelected);
    lsvDataInit();
    Load(440, QStringLiteral("Saved Data"));
}

frmDeleteData::~frmDeleteData() = default;

void frmDeleteData::lsvDataInit()
{
    SetupList(SavedListColumns(gFsm->DataHeader(0)));
    lsvData->setColumnWidth(0, ColumnWidthForText(lsvData, QStringLiteral("99-WWW-9999"), 1.2, 0));
}

void frmDeleteData::lsvDataAdd(const QString &szString)
{
    ListRow row;
    if (!SavedRowFromLine(szString, &row))
        return;
    m_lines.insert(row.key, szString);
    m_pending.push_back(std::move(row));
    if (isVisible())
        FlushRows();
}

void frmDeleteData::PlotSelected()
{
    FlushRows();
    const QList<int> selected = SelectedRows(lsvData);
    QList<int> rows;
    QString what;
    if (selected.size() == 1) {
        // One row (a right-click selects the row under the mouse): its whole
        // series, the survey of one call sign, pattern and radial.
        const FieldPlotSeriesKey key = FieldPlotSeriesOf(m_lines.value(m_model->Key(selected.first())));
        for (int i = 0; i < m_model->Count(); ++i)
            if (FieldPlotSeriesOf(m_lines.value(m_model->Key(i))) == key)
                rows << i;
        what = FieldPlotSeriesText(key);
        if (what.isEmpty())
            what = QStringLiteral("records without call sign, pattern and radial");
    } else if (selected.isEmpty()) {
        for (int i = 0; i < m_model->Count(); ++i)
            rows << i;
        what = QStringLiteral("all ") + IntText(rows.size()) + QStringLiteral(" records");
    } else {
        rows = selected;
        what = IntText(rows.size()) + QStringLiteral(" selected records");
    }
    QList<FieldPlotRecord> records;
    for (int i : std::as_const(rows))
        records << FieldPlotRecordFromLine(m_lines.value(m_model->Key(i)));
    frmFieldPlot *window = frmFieldPlot::Open(records, this);
    window->setWindowTitle(window->windowTitle() + QStringLiteral(" - ") + what);
}

void frmDeleteData::FlushRows()
{
    if (m_pending.empty())
        return;
    m_model->AddRows(std::move(m_pending));
    m_pending.clear();
}

clsListModel *frmDeleteData::Rows()
{
    FlushRows();
    return m_model;
}

void frmDeleteData::Form_Activate()
{
    FlushRows();
    // The sort column is still 0, so this flips its direction to ascending.
    ColumnClick(lsvData, SortOrders(), 0);
    ShowColumnSortIcons(lsvData);
    SelectNoItems(lsvData);
    SelectFirstRow(lsvData);
    UpdateButtons();
}

void frmDeleteData::UpdateRemaining()
{
    // Read on the link thread; the buttons wait for it.
    auto *read = new clsReadCount(*gMeter, 0);
    connect(read, &clsOperation::Finished, this, [this] {
        const qint64 max = gFsm->MaxRecords(0);
        const qint64 free = max - gFsm->NumRecords(0);
        lblRecords->setText(QStringLiteral("Remaining free records:\r\n") + IntText(free) + QStringLiteral(" out of ") +
                            IntText(max));
        UpdateButtons();
        cmdCancel->setEnabled(true); // after a "Cancel" that stopped the read
    });
    StartOperation(read);
    UpdateButtons();
}

void frmDeleteData::UpdateButtons()
{
    const bool rows = m_model->Count() + m_pending.size() > 0;
    // Nothing else may start while records are deleted.
    const bool idle = !Running();
    cmdDelete->setEnabled(idle && gFsm->NumRecords(0) >= 1);
    mnuSavedDataDelete->setEnabled(idle && wMouseRow() != 0);
    cmdSelectAll->setEnabled(idle && rows);
    mnuSavedDataSelectAll->setEnabled(rows);
}

void frmDeleteData::MousePress(int button, const QPoint &pos)
{
    setwMouseRow(RowAt(pos.y()));
    if (wMouseRow() == 0)
        setwPendingButton(qint16(button));
    UpdateButtons();
}

void frmDeleteData::DeleteSelected()
{
    if (OperationRunning() || m_fClosing)
        return;
    FlushRows();
    if (m_model->Count() == 0)
        return;
    // The disconnect timer may close the window while the question is open.
    const QPointer<frmDeleteData> self(this);
    const int answer = MsgBox(DeleteQuestion(SelectedRows(lsvData).size()),
                              vb::YesNo | vb::Exclamation | vb::DefaultButton2, QStringLiteral("Delete Records?"));
    if (!self || m_fClosing || answer != vb::Yes)
        return;

    // What the user confirmed, last row first: rows are removed from the
    // end, so the rows still to do keep their places; the list is not
    // re-sorted meanwhile.
    const QList<int> selected = SelectedRows(lsvData);
    m_walkRows.clear();
    m_refused = 0;
    QList<qint32> records;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        // The full Rec ID kept with the row; never a number cut from the key.
        const QVariant id = m_model->UserValue(*it);
        bool ok = id.isValid();
        const qint32 n = ok ? id.toInt(&ok) : -1;
        if (!ok || n < 0) {
            ++m_refused;
            continue;
        }
        records << n;
        m_walkRows << *it;
    }
    // "E" erases the whole store: only when the list shows every record in
    // it (a record line too short for a row is not listed).
    const bool every = selected.size() == m_model->Count();
    auto *op = new clsSavedDeleteOp(*gMeter, every ? clsSavedDeleteOp::EraseIfAll : clsSavedDeleteOp::Each, records,
                                    qint32(m_model->Count()));
    connect(op, &clsOperation::Progress, this, [this](int done) { RowDeleted(done); });
    connect(op, &clsOperation::Finished, this, [this, op](OpStatus status) { WalkEnded(*op, status); });
    lsvData->header()->setSectionsClickable(false);
    BeginWalk();
    StartOperation(op);
    UpdateButtons();
}

void frmDeleteData::RowDeleted(int done)
{
    if (done < 1 || done > m_walkRows.size())
        return;
    m_model->RemoveRow(m_walkRows.at(done - 1));
    setwMouseRow(0);
    AfterRowRemoved();
}

void frmDeleteData::WalkEnded(const clsSavedDeleteOp &op, OpStatus status)
{
    EndWalk();
    lsvData->header()->setSectionsClickable(true);
    m_walkRows.clear();
    if (op.Erased()) {
        // The meter has no records left: every row goes at once.
        m_model->Clear();
        setwMouseRow(0);
    }
    if (m_fClosing || fCloseAfterOperation())
        return; // nothing more is sent or shown
    if (status == OpStatus::LinkLost) {
        // The user has been told by the link; what the meter did with the
        // last command is unknown, so the list cannot be trusted any more.
        close();
        return;
    }
    // The meter acts on a command when it arrives: without its reply, only
    // the records read again tell what it holds.
    if (op.Erasing() && !op.Erased() && op.Tries() > 0) {
        MsgBox(QStringLiteral("The FSM did not confirm erasing the records: they may have been erased.\r\n"
                              "The list is read again from the ZT 6200."),
               vb::Exclamation, kDeleteTitle);
        return ReadAgain();
    } else if (op.Failed() >= 0) {
        MsgBox(QStringLiteral("Record ") + IntText(op.Failed()) +
                   QStringLiteral(" may have been deleted: the FSM's reply was lost.\r\n"
                                  "The list is read again from the ZT 6200."),
               vb::Exclamation, kDeleteTitle);
        return ReadAgain();
    } else if (status == OpStatus::Ok && m_refused > 0) {
        MsgBox(IntText(m_refused) + QStringLiteral(" of the selected records could not be deleted:\r\n"
                                                   "their Rec ID is not a record number. They are still selected."),
               vb::Exclamation, kDeleteTitle);
    }
    if (m_fClosing)
        return;
    UpdateRemaining();
    UpdateButtons();
    cmdCancel->setEnabled(true);
}

void frmDeleteData::ReadAgain()
{
    if (m_fClosing)
        return;
    auto *read = new clsReadStore(*gMeter, 0);
    connect(read, &clsOperation::Finished, this, [this, read](OpStatus status) {
        if (m_fClosing || fCloseAfterOperation())
            return;
        if (status != OpStatus::Ok) {
            // Rows that may name records no longer there must not stay.
            if (status != OpStatus::LinkLost)
                MsgBox(QStringLiteral("The saved records could not be read again from the ZT 6200.\r\n"
                                      "Please open the list again."),
                       vb::Exclamation, kDeleteTitle);
            if (!m_fClosing)
                close();
            return;
        }
        m_model->Clear();
        m_pending.clear();
        m_lines.clear();
        setwMouseRow(0);
        for (const QString &line : read->Lines())
            lsvDataAdd(line);
        FlushRows();
        m_model->Sort(m_model->SortColumn(), m_model->SortOrder());
        ShowColumnSortIcons(lsvData);
        UpdateRemaining();
        UpdateButtons();
        cmdCancel->setEnabled(true);
    });
    StartOperation(read);
    UpdateButtons();
}

void frmDeleteData::timDisconnect_Timer()
{
    if (!MeterConnected())
        close();
}

void frmDeleteData::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted()) {
        m_fClosing = true;
        timDisconnect->stop();
    }
}
