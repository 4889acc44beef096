// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/clsOperation.h"
#include "listview/ListWindowGui.h"

#include <QPointer>
#include <memory>

class QAction;
class QMenu;
class clsTx;
class clsTxDeleteOp;
struct TxResult;
class frmTxEdit;

// "Tx Data": the meter's Tx entries as a sortable list, from which entries
// are deleted (never the last one), edited and added, each change going to
// the meter at once.
class frmTx : public ListWindow
{
    Q_OBJECT
public:
    explicit frmTx(QWidget *parent = nullptr);
    ~frmTx() override;

    // The window as the bulk download's list target for Tx data: created
    // over the main window, filled, then shown modally.
    static std::unique_ptr<DownloadTarget> NewDownloadTarget();

    // One row from a Tx line; a line the entry does not take adds nothing.
    void lsvDataAdd(const QString &szString) override;
    void UpdateRemaining() override;
    void UpdateButtons() override;
    // Sorts by frequency (flipping when it already is the sort column) and
    // selects row 1: the first showing and every return from the editor.
    void Form_Activate() override;
    // Adds an entry, or edits the selected one, through the editor.
    void AddNewTx();
    void ImportTx();
    void EditSelectedTx();
    // Deletes the selected entries in the meter (after asking), never the last.
    void DeleteSelected();

    // The editor while it is open.
    frmTxEdit *Editor() const;
    clsListModel *Rows() const { return m_model; }
    qint16 NumRecords() const { return m_numRecords; }
    qint16 MaxRecords() const { return m_maxRecords; }

public slots:
    void timDisconnect_Timer() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Controls, each named as its member for the tests.
    QPushButton *cmdEditTx = nullptr;
    QPushButton *cmdNewTx = nullptr;
    QMenu *mnuTx = nullptr;
    QAction *mnuTxNew = nullptr;
    QAction *mnuTxEdit = nullptr;
    QAction *mnuTxDelete = nullptr;
    QAction *mnuTxImport = nullptr;

    void lsvDataInit();
    void TxFillListItem(int Item, clsTx &mTx);
    clsTx &GrowTxArray();
    int AddRowFor(clsTx &mTx);
    // Opens the editor on gTx; false when it was closed for a lost meter
    // or this window is closing, so that nothing may be sent.
    bool RunEditor(const QString &szCaption);
    // The meter's lines as the list, the entries not among `known` selected.
    void ShowMeterLines(const QStringList &lines, const QList<qint32> &known);
    // After a change during which the link went down: the user has been
    // told by the link, and what the meter did is unknown, so the list
    // cannot be trusted any more.
    void CloseAfterLostLink();
    // The delete walk: a row goes as the meter deletes its entry; the
    // message and the count come at the end.
    void RowDeleted(int done);
    void WalkEnded(const clsTxDeleteOp &op, OpStatus status);
    // After a delete whose reply was lost: every row read anew from the meter.
    void ReadAgain();
    // Back to the list after an add or edit.
    void ChangeEnded();
    // A change whose reply was not understood: said, and the list read again.
    void TellUnsure(const TxResult &r);
    void SelectKeys(const QStringList &keys);
    // Every press waits for its release.
    void MousePress(int button, const QPoint &pos) override;
    void AfterSelectAllKey() override;
    void DeleteKey() override { DeleteSelected(); }
    int Columns() const;

    QPointer<frmTxEdit> m_editor;
    qint16 m_numRecords = 0, m_maxRecords = 0;
    QStringList m_walkKeys; // the row of each entry the walk deletes, in its order
};
