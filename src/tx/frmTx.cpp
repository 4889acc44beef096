// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/frmTx.h"
#include "common/modConvert.h"
#include "listview/modDownloadTarget.h"
#include "common/modEvents.h"
#include "common/modMsgBox.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"
#include "protocol/modFSMComm.h"
#include "records/modStore.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"
#include "tx/frmTxEdit.h"
#include "tx/modTxOps.h"
#include "tx/modTxRows.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSet>
#include <QTreeView>
#include <algorithm>

namespace {

// Add and edit are there for firmware that takes "U," and "X,".
bool CanAddAndEdit() { return gFsm && (gFsm->Version->flags & 2) != 0; }

void Tell(const TxResult &r)
{
    if (r.result != 0 && !r.szMessage.isEmpty())
        MsgBox(r.szMessage, vb::Exclamation, r.szTitle);
}

} // namespace

std::unique_ptr<DownloadTarget> frmTx::NewDownloadTarget() { return DownloadTargetFor(new frmTx(MainWindow())); }

frmTx::frmTx(QWidget *parent) : ListWindow(parent, QStringLiteral("frmTx"))
{
    cmdEditTx = new QPushButton(QStringLiteral("Tx Edit"), picBox);
    cmdNewTx = new QPushButton(QStringLiteral("Tx Add"), picBox);
    BuildControls({cmdEditTx, cmdNewTx}, QStringLiteral("Delete"));
    mnuTx = AddListMenu(QStringLiteral("Tx"));
    mnuTxNew = mnuTx->addAction(QStringLiteral("Add a New Tx..."));
    mnuTxEdit = mnuTx->addAction(QStringLiteral("Edit Tx..."));
    mnuTxDelete = mnuTx->addAction(QStringLiteral("Delete Tx"));

    connect(cmdEditTx, &QPushButton::clicked, this, &frmTx::EditSelectedTx);
    connect(mnuTxEdit, &QAction::triggered, this, &frmTx::EditSelectedTx);
    connect(cmdNewTx, &QPushButton::clicked, this, &frmTx::AddNewTx);
    connect(mnuTxNew, &QAction::triggered, this, &frmTx::AddNewTx);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTx::DeleteSelected);
    connect(mnuTxDelete, &QAction::triggered, this, &frmTx::DeleteSelected);

    lsvDataInit();
    connect(lsvData->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmTx::UpdateButtons);
    Load(360, QStringLiteral("Tx Data"));

    const qint16 version = gFsm->Version->value();
    if (version >= 0 && version <= 4) {
        const bool show = version >= 3;
        cmdEditTx->setVisible(show);
        cmdNewTx->setVisible(show);
        mnuTxEdit->setVisible(show);
        mnuTxNew->setVisible(show);
    }
    UpdateButtons();
}

frmTx::~frmTx() = default;

frmTxEdit *frmTx::Editor() const { return m_editor; }

void frmTx::lsvDataInit()
{
    SetupList(TxListColumns(gFsm->Version->value() >= 4 ? 8 : 7));
    m_model->SetSortState(0, 0);
    // Every column starts descending but the latitude.
    SortOrders[2] = 0;
}

int frmTx::Columns() const { return m_model->columnCount(); }

clsTx &frmTx::GrowTxArray()
{
    gTxArray.push_back(std::make_unique<clsTx>());
    return *gTxArray.back();
}

void frmTx::TxFillListItem(int Item, clsTx &mTx) { m_model->SetRow(Item, TxRow(mTx, Columns())); }

int frmTx::AddRowFor(clsTx &mTx) { return m_model->AddRow(TxRow(mTx, Columns())); }

void frmTx::lsvDataAdd(const QString &szString)
{
    if (!gTx || gTx->UsbReceive(szString) != clsTx::Taken)
        return;
    clsTx &element = GrowTxArray();
    gTx->Copy(element);
    AddRowFor(element);
}

void frmTx::Form_Activate()
{
    // The first time the sort column is still 0: frequency sorts descending.
    ColumnClick(lsvData, SortOrders, 1);
    ShowColumnSortIcons(lsvData);
    SelectNoItems(lsvData);
    SelectFirstRow(lsvData);
    UpdateButtons();
}

void frmTx::UpdateRemaining()
{
    // A failed read counts as 0 of 0. Without the meter nothing is asked:
    // the link has told the user, and the window is about to close.
    m_numRecords = m_maxRecords = 0;
    if (MeterConnected()) {
        ReadDirectory(1);
        m_numRecords = gFsm->NumRecords();
        m_maxRecords = gFsm->MaxRecords();
    }
    lblRecords->setText(QStringLiteral("Remaining free records:\n") + IntText(qint32(m_maxRecords) - m_numRecords) +
                        QStringLiteral(" out of ") + IntText(m_maxRecords));
}

void frmTx::UpdateButtons()
{
    const bool one = SelectedRows(lsvData).size() == 1;
    const bool room = m_numRecords < m_maxRecords;
    cmdDelete->setEnabled(!m_fDeleting && m_numRecords >= 2);
    mnuTxDelete->setEnabled(!m_fDeleting && wMouseRow != 0);
    // Nothing else may start while the delete walk runs.
    cmdEditTx->setEnabled(!m_fDeleting && one);
    mnuTxEdit->setEnabled(!m_fDeleting && one);
    cmdNewTx->setEnabled(!m_fDeleting && room);
    mnuTxNew->setEnabled(!m_fDeleting && room);
}

void frmTx::MousePress(int button, const QPoint &pos)
{
    wMouseRow = RowAt(pos.y());
    if (button != 0)
        wPendingButton = qint16(button);
    UpdateButtons();
}

void frmTx::AfterSelectAllKey() { DoEvents(); }

bool frmTx::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lsvData->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() == Qt::LeftButton) {
            MousePress(int(e->button()), e->position().toPoint());
            if (wMouseRow != 0)
                EditSelectedTx();
            else
                AddNewTx();
            return true;
        }
    }
    return ListWindow::eventFilter(watched, event);
}

void frmTx::DeleteSelected()
{
    if (m_fBusy || m_fClosing || m_model->Count() == 0)
        return;
    const QList<int> selected = SelectedRows(lsvData);
    const TxDeleteCheck check = CheckTxDelete(m_numRecords, qint32(selected.size()), m_model->Count());
    if (check == TxDeleteCheck::NoneRemaining && !m_fClosing)
        lsvData->setFocus();
    if (check != TxDeleteCheck::Allowed)
        return;
    if (selected.isEmpty())
        return; // nothing to ask about
    const QScopedValueRollback<bool> busy(m_fBusy, true);
    const int answer = MsgBox(QStringLiteral("Are you sure that you want to delete these records? \r\n(No undo possible)"),
                              vb::YesNo | vb::Exclamation | vb::DefaultButton2, QStringLiteral("Delete Records?"));
    if (m_fClosing || answer != vb::Yes)
        return;

    m_fDeleting = true;
    const LinkWork work; // no connection follow-up in the middle
    cmdDelete->setEnabled(false);
    cmdCancel->setEnabled(false);
    cmdSelectAll->setEnabled(false);
    UpdateButtons();

    // The rows the user confirmed, bottom row first. Each is found again by
    // its key, so a click or a sort during the walk changes nothing.
    QStringList keys;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it)
        keys << m_model->Key(*it);
    bool completed = true;
    BeginWalk();
    for (const QString &key : std::as_const(keys)) {
        const int row = m_model->FindKey(key);
        if (row < 0)
            continue;
        // The full station id kept with the row, never one cut from the key.
        const TxResult r = TxDelete(m_model->UserValue(row).toInt());
        if (m_fClosing)
            return EndWalk();
        if (r.result != 0) {
            EndWalk(); // the message shows over the list as it is now
            Tell(r);
            if (m_fClosing)
                return;
            completed = false;
            if (MeterConnected() && !work.Lost())
                UpdateRemaining(); // the meter's own count, for the buttons
            break;
        }
        m_model->RemoveRow(m_model->FindKey(key));
        wMouseRow = 0;
        AfterRowRemoved();
        if (m_fClosing)
            return EndWalk();
        if (m_model->Count() == 1) {
            EndWalk();
            UpdateRemaining();
            DoEvents();
            if (m_fClosing)
                return;
            completed = false;
            break;
        }
    }
    EndWalk();
    if (CloseAfterLostLink(work))
        return;
    if (completed) {
        UpdateRemaining();
        DoEvents();
        if (m_fClosing || CloseAfterLostLink(work))
            return;
    }
    m_fDeleting = false;
    UpdateButtons();
    cmdCancel->setEnabled(true);
    cmdSelectAll->setEnabled(true);
}

bool frmTx::RunEditor(const QString &szCaption)
{
    const QPointer<frmTxEdit> edit = new frmTxEdit(this);
    if (!szCaption.isEmpty())
        edit->setWindowTitle(szCaption);
    m_editor = edit;
    edit->exec();
    const bool lost = !edit || edit->fClosedByDisconnect();
    delete edit.data();
    return !lost && !m_fClosing;
}

void frmTx::SelectKeys(const QStringList &keys)
{
    SelectNoItems(lsvData);
    QItemSelectionModel *sel = lsvData->selectionModel();
    QModelIndex last;
    for (const QString &key : keys) {
        const int row = m_model->FindKey(key);
        if (row < 0)
            continue;
        last = m_model->index(row, 0);
        sel->select(last, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (last.isValid()) {
        sel->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
        lsvData->scrollTo(last);
    }
}

bool frmTx::CloseAfterLostLink(const LinkWork &work)
{
    if (!work.Lost() || m_fClosing)
        return m_fClosing;
    if (m_editor)
        m_editor->CloseByDisconnect();
    done(Rejected);
    return true;
}

bool frmTx::ReloadFromMeter(const QList<qint32> &known, const LinkWork &work)
{
    QStringList lines;
    const qint16 rc = ReadTxLines(lines);
    if (m_fClosing)
        return false;
    if (rc != 0) {
        // Rows without the meter's ids must not stay: they could address
        // another entry. The list is read anew when opened again.
        if (MeterConnected() && !work.Lost())
            MsgBox(QStringLiteral("The new Tx was added, but the Tx list could not be read back from the ZT 6200.\r\n"
                                  "Please open the Tx list again."),
                   vb::Exclamation, QStringLiteral("Tx List Not Read"));
        if (!m_fClosing)
            done(Rejected);
        return false;
    }
    m_model->Clear();
    wMouseRow = 0;
    for (const QString &line : std::as_const(lines))
        lsvDataAdd(line);
    m_model->Sort(m_model->SortColumn(), m_model->SortOrder());
    ShowColumnSortIcons(lsvData);
    // The entries the meter did not hold before: the one just added.
    const QSet<qint32> before(known.cbegin(), known.cend());
    QStringList added;
    for (int i = 0; i < m_model->Count(); ++i)
        if (!before.contains(m_model->UserValue(i).toInt()))
            added << m_model->Key(i);
    SelectKeys(added);
    return true;
}

void frmTx::AddNewTx()
{
    if (m_fBusy || m_fClosing || !CanAddAndEdit())
        return;
    if (m_maxRecords == m_numRecords) {
        MsgBox(QStringLiteral("No more Tx slots available"));
        return;
    }
    const QScopedValueRollback<bool> busy(m_fBusy, true);
    gTx.Reset();
    if (!RunEditor(QStringLiteral("Add a New Tx")))
        return;
    Form_Activate(); // back from the editor
    if (gTx->fDirty()) {
        QList<qint32> known;
        for (int i = 0; i < m_model->Count(); ++i)
            known << m_model->UserValue(i).toInt();
        const LinkWork work;
        const TxResult r = TxAdd(*gTx);
        if (m_fClosing)
            return;
        // Shown only once the meter holds it, with the ids the meter gave it.
        if (r.result != 0)
            Tell(r);
        else if (!ReloadFromMeter(known, work))
            return;
        if (m_fClosing || CloseAfterLostLink(work))
            return;
        UpdateRemaining();
        if (m_fClosing || CloseAfterLostLink(work))
            return;
    }
    lsvData->setFocus();
    UpdateButtons();
}

void frmTx::EditSelectedTx()
{
    if (m_fBusy || m_fClosing || !CanAddAndEdit())
        return;
    const QModelIndex current = lsvData->currentIndex();
    int row = -1;
    if (current.isValid() && IsRowSelected(lsvData, current.row()))
        row = current.row();
    else if (const QList<int> selected = SelectedRows(lsvData); !selected.isEmpty())
        row = selected.first();
    if (row < 0)
        return;
    const QString key = m_model->Key(row);
    const auto found = std::find_if(gTxArray.cbegin(), gTxArray.cend(),
                                    [&key](const std::unique_ptr<clsTx> &t) { return t && t->szListKey == key; });
    if (found == gTxArray.cend())
        return;
    clsTx &element = **found;

    const QScopedValueRollback<bool> busy(m_fBusy, true);
    element.Copy(*gTx);
    if (!RunEditor(QString()))
        return;
    Form_Activate(); // back from the editor
    if (gTx->fDirty()) {
        const LinkWork work;
        const TxResult r = TxReplace(*gTx);
        if (m_fClosing || CloseAfterLostLink(work))
            return;
        if (r.result != 0) {
            Tell(r); // the row and its entry keep their earlier values
        } else {
            gTx->Copy(element);
            const int at = m_model->FindKey(key);
            if (at >= 0) {
                TxFillListItem(at, element);
                m_model->Sort(m_model->SortColumn(), m_model->SortOrder());
                SelectKeys({element.szListKey});
            }
        }
        if (m_fClosing)
            return;
    }
    lsvData->setFocus();
    UpdateButtons();
}

void frmTx::timDisconnect_Timer()
{
    if (MeterConnected())
        return;
    m_fClosing = true;
    if (m_editor)
        m_editor->CloseByDisconnect();
    done(Rejected);
}

void frmTx::reject()
{
    // "Cancel" is off while entries are deleted; the close box waits too.
    if (m_fDeleting)
        return;
    QDialog::reject();
}
