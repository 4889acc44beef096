// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/frmTx.h"
#include "records/clsReadStore.h"
#include "common/clsOperation.h"
#include "common/modConvert.h"
#include "listview/modDownloadTarget.h"
#include "common/modEvents.h"
#include "common/modMsgBox.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"
#include "records/clsMeter.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"
#include "tx/frmTxEdit.h"
#include "tx/modTxImportGui.h"
#include "tx/modTxOps.h"
#include "tx/modTxRows.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QTreeView>
#include <algorithm>

namespace {

// Add and edit are there for firmware that takes "U," and "X,".
bool CanAddAndEdit() { return gFsm && (gFsm->Version()->flags() & kTxChanges) != 0; }

void Tell(const TxResult &r)
{
    const TxMessage m = TxResultMessage(r);
    if (r.result != 0 && !m.szMessage.isEmpty())
        MsgBox(m.szMessage, vb::Exclamation, m.szTitle);
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
    mnuTx->addSeparator();
    mnuTxImport = mnuTx->addAction(QStringLiteral("Import Tx from .csv File\u2026"));
    cmdEditTx->setObjectName(QStringLiteral("cmdEditTx"));
    cmdNewTx->setObjectName(QStringLiteral("cmdNewTx"));
    mnuTx->setObjectName(QStringLiteral("mnuTx"));
    mnuTxNew->setObjectName(QStringLiteral("mnuTxNew"));
    mnuTxEdit->setObjectName(QStringLiteral("mnuTxEdit"));
    mnuTxDelete->setObjectName(QStringLiteral("mnuTxDelete"));
    mnuTxImport->setObjectName(QStringLiteral("mnuTxImport"));

    connect(cmdEditTx, &QPushButton::clicked, this, &frmTx::EditSelectedTx);
    connect(mnuTxEdit, &QAction::triggered, this, &frmTx::EditSelectedTx);
    connect(cmdNewTx, &QPushButton::clicked, this, &frmTx::AddNewTx);
    connect(mnuTxNew, &QAction::triggered, this, &frmTx::AddNewTx);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTx::DeleteSelected);
    connect(mnuTxDelete, &QAction::triggered, this, &frmTx::DeleteSelected);
    connect(mnuTxImport, &QAction::triggered, this, &frmTx::ImportTx);

    lsvDataInit();
    connect(lsvData->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmTx::UpdateButtons);
    Load(360, QStringLiteral("Tx Data"));

    const FirmwareProfile &firmware = gFsm->Version()->Profile();
    if (firmware.fSupported) {
        const bool show = (firmware.flags & kTxChanges) != 0;
        cmdEditTx->setVisible(show);
        cmdNewTx->setVisible(show);
        mnuTxEdit->setVisible(show);
        mnuTxNew->setVisible(show);
        mnuTxImport->setVisible(show);
    }
    UpdateButtons();
}

frmTx::~frmTx() = default;

frmTxEdit *frmTx::Editor() const { return m_editor; }

void frmTx::lsvDataInit()
{
    SetupList(TxListColumns(gFsm->TxFields()));
    m_model->SetSortState(0, 0);
    // Every column starts descending but the latitude.
    SortOrders()[2] = 0;
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
    if (!gTx || gTx->UsbReceive(szString) != OpStatus::Ok)
        return;
    clsTx &element = GrowTxArray();
    gTx->Copy(element);
    AddRowFor(element);
}

void frmTx::Form_Activate()
{
    // The first time the sort column is still 0: frequency sorts descending.
    ColumnClick(lsvData, SortOrders(), 1);
    ShowColumnSortIcons(lsvData);
    SelectNoItems(lsvData);
    SelectFirstRow(lsvData);
    UpdateButtons();
}

void frmTx::UpdateRemaining()
{
    // A failed read counts as 0 of 0. Without the meter nothing is asked:
    // the link has told the user, and the window is about to close.
    const auto show = [this] {
        lblRecords->setText(QStringLiteral("Remaining free records:\n") + IntText(qint32(m_maxRecords) - m_numRecords) +
                            QStringLiteral(" out of ") + IntText(m_maxRecords));
        UpdateButtons();
    };
    m_numRecords = m_maxRecords = 0;
    if (!MeterConnected())
        return show();
    // Read on the link thread; the buttons wait for it.
    auto *read = new clsReadCount(*gMeter, 1);
    connect(read, &clsOperation::Finished, this, [this, show] {
        m_numRecords = gFsm->NumRecords(1);
        m_maxRecords = gFsm->MaxRecords(1);
        show();
        cmdCancel->setEnabled(true); // after a "Cancel" that stopped the read
    });
    StartOperation(read);
    UpdateButtons();
}

void frmTx::UpdateButtons()
{
    const bool one = SelectedRows(lsvData).size() == 1;
    const bool room = m_numRecords < m_maxRecords;
    // Nothing else may start while entries are deleted, added or changed.
    const bool idle = !Running() && !OperationRunning();
    cmdDelete->setEnabled(idle && m_numRecords >= 2);
    mnuTxDelete->setEnabled(idle && wMouseRow() != 0);
    cmdEditTx->setEnabled(idle && one);
    mnuTxEdit->setEnabled(idle && one);
    cmdNewTx->setEnabled(idle && room);
    mnuTxNew->setEnabled(idle && room);
    mnuTxImport->setEnabled(idle && room);
}

void frmTx::MousePress(int button, const QPoint &pos)
{
    setwMouseRow(RowAt(pos.y()));
    if (button != 0)
        setwPendingButton(qint16(button));
    UpdateButtons();
}

void frmTx::AfterSelectAllKey() { DoEvents(); }

bool frmTx::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lsvData && event->type() == QEvent::KeyPress) {
        // Enter opens the selected entry, as "Tx Edit" does.
        const auto *e = static_cast<QKeyEvent *>(event);
        const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
            if (cmdEditTx->isVisible() && cmdEditTx->isEnabled())
                EditSelectedTx();
            return true;
        }
    }
    if (watched == lsvData->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() == Qt::LeftButton) {
            MousePress(int(e->button()), e->position().toPoint());
            if (wMouseRow() != 0)
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
    if (OperationRunning() || m_editor || m_fClosing || m_model->Count() == 0)
        return;
    const QList<int> selected = SelectedRows(lsvData);
    const TxDeleteCheck check = CheckTxDelete(m_numRecords, qint32(selected.size()), m_model->Count());
    if (check != TxDeleteCheck::Allowed) {
        const TxMessage m = TxDeleteCheckMessage(check);
        MsgBox(m.szMessage, vb::Information, m.szTitle);
    }
    if (check == TxDeleteCheck::NoneRemaining && !m_fClosing)
        lsvData->setFocus();
    if (check != TxDeleteCheck::Allowed)
        return;
    if (selected.isEmpty())
        return; // nothing to ask about
    const QPointer<frmTx> self(this);
    const int answer = MsgBox(DeleteQuestion(selected.size()),
                              vb::YesNo | vb::Exclamation | vb::DefaultButton2, QStringLiteral("Delete Records?"));
    if (!self || m_fClosing || answer != vb::Yes || OperationRunning())
        return;

    // The rows the user confirmed, bottom row first. Each is found again by
    // its key, so a click or a sort during the walk changes nothing; the
    // full station id kept with the row goes to the meter, never one cut
    // from the key.
    m_walkKeys.clear();
    QList<qint32> ids;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        m_walkKeys << m_model->Key(*it);
        ids << m_model->UserValue(*it).toInt();
    }
    auto *op = new clsTxDeleteOp(*gMeter, ids);
    connect(op, &clsOperation::Progress, this, [this](int done) { RowDeleted(done); });
    connect(op, &clsOperation::Finished, this, [this, op](OpStatus status) { WalkEnded(*op, status); });
    cmdSelectAll->setEnabled(false);
    BeginWalk();
    StartOperation(op);
    UpdateButtons();
}

void frmTx::RowDeleted(int done)
{
    if (done < 1 || done > m_walkKeys.size())
        return;
    const int row = m_model->FindKey(m_walkKeys.at(done - 1));
    if (row < 0)
        return;
    m_model->RemoveRow(row);
    setwMouseRow(0);
    AfterRowRemoved();
}

void frmTx::WalkEnded(const clsTxDeleteOp &op, OpStatus status)
{
    EndWalk(); // any message shows over the list as it is now
    m_walkKeys.clear();
    if (m_fClosing || fCloseAfterOperation())
        return; // nothing more is sent or shown
    if (status == OpStatus::LinkLost) {
        CloseAfterLostLink();
        return;
    }
    if (op.Result().status == OpStatus::BadReply) {
        // The meter acts on a delete when it arrives: without its reply,
        // only the list read again tells what it holds.
        MsgBox(QStringLiteral("The Tx with station ID ") + IntText(op.StationIds().value(op.Deleted())) +
                   QStringLiteral(" may have been deleted: the ZT 6200's reply was lost.\r\n"
                                  "The list is read again from the ZT 6200."),
               vb::Exclamation, QStringLiteral("Tx Delete Problem"));
        return ReadAgain();
    }
    Tell(op.Result());
    if (m_fClosing)
        return;
    if (MeterConnected())
        UpdateRemaining(); // the meter's own count, for the buttons
    UpdateButtons();
    cmdCancel->setEnabled(true);
    cmdSelectAll->setEnabled(true);
}

void frmTx::ReadAgain()
{
    if (m_fClosing)
        return;
    auto *read = new clsReadStore(*gMeter, 1);
    connect(read, &clsOperation::Finished, this, [this, read](OpStatus status) {
        if (m_fClosing || fCloseAfterOperation())
            return;
        if (status == OpStatus::LinkLost)
            return CloseAfterLostLink();
        if (status != OpStatus::Ok) {
            // Rows that may name entries no longer there must not stay.
            MsgBox(QStringLiteral("The Tx list could not be read again from the ZT 6200.\r\nPlease open the Tx list again."),
                   vb::Exclamation, QStringLiteral("Tx List Not Read"));
            if (!m_fClosing)
                done(Rejected);
            return;
        }
        QList<qint32> every; // nothing is new: no row gets selected
        for (const QString &line : read->Lines()) {
            clsTx entry;
            if (entry.UsbReceive(line) == OpStatus::Ok)
                every << entry.wStationId();
        }
        ShowMeterLines(read->Lines(), every);
        UpdateRemaining();
        UpdateButtons();
        cmdCancel->setEnabled(true);
        cmdSelectAll->setEnabled(true);
    });
    StartOperation(read);
    UpdateButtons();
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
    // Back to the list: after a message box over the editor (its "Tx Has
    // Changed", say) the window manager may leave no window active.
    if (!m_fClosing && isVisible()) {
        raise();
        activateWindow();
        lsvData->setFocus();
    }
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

void frmTx::CloseAfterLostLink()
{
    if (m_fClosing)
        return;
    if (m_editor)
        m_editor->CloseByDisconnect();
    done(Rejected);
}

void frmTx::ShowMeterLines(const QStringList &lines, const QList<qint32> &known)
{
    m_model->Clear();
    setwMouseRow(0);
    for (const QString &line : lines)
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
}

void frmTx::AddNewTx()
{
    if (OperationRunning() || m_editor || m_fClosing || !CanAddAndEdit())
        return;
    if (m_maxRecords == m_numRecords) {
        MsgBox(QStringLiteral("No more Tx slots available"));
        return;
    }
    gTx.Reset();
    if (!RunEditor(QStringLiteral("Add a New Tx")))
        return;
    Form_Activate(); // back from the editor
    if (!gTx->fDirty() || OperationRunning())
        return ChangeEnded();
    QList<qint32> known;
    for (int i = 0; i < m_model->Count(); ++i)
        known << m_model->UserValue(i).toInt();
    auto *op = new clsTxChangeOp(*gMeter, clsTxChangeOp::Add, *gTx);
    connect(op, &clsOperation::Finished, this, [this, op, known](OpStatus status) {
        if (m_fClosing)
            return;
        if (status == OpStatus::LinkLost)
            return CloseAfterLostLink();
        const TxResult &r = op->Result();
        if (r.fUnsure)
            return TellUnsure(r);
        if (r.result != 0) {
            Tell(r);
        } else if (!op->ReadBack()) {
            // Rows without the meter's ids must not stay: they could address
            // another entry. The list is read anew when opened again.
            if (MeterConnected())
                MsgBox(QStringLiteral("The new Tx was added, but the Tx list could not be read back from the ZT 6200.\r\n"
                                      "Please open the Tx list again."),
                       vb::Exclamation, QStringLiteral("Tx List Not Read"));
            if (!m_fClosing)
                done(Rejected);
            return;
        } else {
            // Shown only once the meter holds it, with the ids the meter gave it.
            ShowMeterLines(op->Lines(), known);
        }
        if (m_fClosing)
            return;
        UpdateRemaining();
        ChangeEnded();
    });
    StartOperation(op);
    UpdateButtons();
}

void frmTx::ImportTx()
{
    if (OperationRunning() || m_editor || m_fClosing || !CanAddAndEdit())
        return;
    QList<qint32> known;
    for (int i = 0; i < m_model->Count(); ++i)
        known << m_model->UserValue(i).toInt();
    const auto start = [this](clsOperation *op) {
        if (m_fClosing)
            return false;
        StartOperation(op, false);
        UpdateButtons();
        return true;
    };
    ImportTxFromFile(this, start, [this, known](bool changed, const QStringList &lines, bool stopped) {
        if (m_fClosing || fCloseAfterOperation())
            return;
        cmdCancel->setEnabled(true); // after a "Cancel" that stopped the import
        if (changed && !MeterConnected())
            return CloseAfterLostLink();
        if (changed && stopped)
            return ReadAgain(); // what the meter holds now
        if (changed && lines.isEmpty()) {
            // As after an add: rows without the meter's ids must not stay
            // (the import has said the list could not be read back).
            done(Rejected);
            return;
        }
        if (changed) {
            ShowMeterLines(lines, known);
            UpdateRemaining();
        }
        lsvData->setFocus();
        UpdateButtons();
    });
    UpdateButtons();
}

void frmTx::EditSelectedTx()
{
    if (OperationRunning() || m_editor || m_fClosing || !CanAddAndEdit())
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
                                    [&key](const std::unique_ptr<clsTx> &t) { return t && t->szListKey() == key; });
    if (found == gTxArray.cend())
        return;
    (*found)->Copy(*gTx);
    if (!RunEditor(QString()))
        return;
    Form_Activate(); // back from the editor
    if (!gTx->fDirty() || OperationRunning())
        return ChangeEnded();
    auto *op = new clsTxChangeOp(*gMeter, clsTxChangeOp::Replace, *gTx);
    connect(op, &clsOperation::Finished, this, [this, op, key](OpStatus status) {
        if (m_fClosing)
            return;
        if (status == OpStatus::LinkLost)
            return CloseAfterLostLink();
        const TxResult &r = op->Result();
        if (r.fUnsure)
            return TellUnsure(r);
        // The entry may have gone meanwhile only with the window.
        const auto entry = std::find_if(gTxArray.cbegin(), gTxArray.cend(),
                                        [&key](const std::unique_ptr<clsTx> &t) { return t && t->szListKey() == key; });
        if (r.result != 0) {
            Tell(r); // the row and its entry keep their earlier values
        } else if (entry != gTxArray.cend()) {
            clsTx &element = **entry;
            gTx->Copy(element);
            const int at = m_model->FindKey(key);
            if (at >= 0) {
                TxFillListItem(at, element);
                m_model->Sort(m_model->SortColumn(), m_model->SortOrder());
                SelectKeys({element.szListKey()});
            }
        }
        if (!m_fClosing)
            ChangeEnded();
    });
    StartOperation(op);
    UpdateButtons();
}

void frmTx::TellUnsure(const TxResult &r)
{
    // As after a delete whose reply was lost: only the list read again
    // tells what the meter holds.
    const TxMessage m = TxResultMessage(r);
    MsgBox(m.szMessage + QStringLiteral("\r\nThe list is read again from the ZT 6200."), vb::Exclamation, m.szTitle);
    if (m_fClosing)
        return;
    ChangeEnded();
    ReadAgain();
}

void frmTx::ChangeEnded()
{
    lsvData->setFocus();
    UpdateButtons();
    cmdCancel->setEnabled(true);
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
