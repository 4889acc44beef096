// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "listview/ListWindowGui.h"
#include "listview/clsListModel.h"
#include "saveddata/modSavedDelete.h"

#include <QHash>
#include <memory>
#include <vector>

class QAction;
class QMenu;

// "Saved Data": the saved measurements in the meter as a sortable list, with
// deletion of the selected records (or all of them) in the meter itself.
class frmDeleteData : public ListWindow
{
    Q_OBJECT
public:
    explicit frmDeleteData(QWidget *parent = nullptr);
    ~frmDeleteData() override;

    // The window as the bulk download's list target for saved data: created
    // over the main window, filled, then shown modally.
    static std::unique_ptr<DownloadTarget> NewDownloadTarget();

    // One row from a record line; a line of fewer than 18 fields adds nothing.
    void lsvDataAdd(const QString &szString) override;
    void UpdateRemaining() override;
    void UpdateButtons() override;
    // Deletes the selected records in the meter (after asking).
    void DeleteSelected();

    // The rows, with any still waiting to be added to the list.
    clsListModel *Rows();

    // Plots the selected rows' records; for one selected row its whole
    // series (call sign, pattern and radial); all of them when none is
    // selected. The window's title says which.
    void PlotSelected();

public slots:
    void timDisconnect_Timer() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Controls, each named as its member for the tests.
    QMenu *mnuSavedData = nullptr;
    QAction *mnuSavedDataDelete = nullptr;
    QAction *mnuSavedDataSelectAll = nullptr;
    QAction *mnuSavedDataPlot = nullptr;

    void lsvDataInit();
    void Form_Activate() override;
    void FlushRows();
    // Only a press over no row waits for its release.
    void MousePress(int button, const QPoint &pos) override;
    // The delete walk: a row goes as the meter deletes its record; the
    // messages come at the end.
    void RowDeleted(int done);
    void WalkEnded(const clsSavedDeleteOp &op, OpStatus status);
    // After a delete whose reply was lost: every row read anew from the meter.
    void ReadAgain();
    void DeleteKey() override { DeleteSelected(); }

    std::vector<ListRow> m_pending; // rows not yet in the list: added in one go
    QList<int> m_walkRows;          // the row of each record the walk deletes, in its order
    int m_refused = 0;              // selected rows whose Rec ID is no record number
    QHash<QString, QString> m_lines; // record line by row key, for the plot
};
