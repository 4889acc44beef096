#pragma once
#include "listview/clsListModel.h"

#include <QDialog>
#include <QVector>
#include <memory>
#include <vector>

class DownloadTarget;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QTreeView;

// "Saved Data": the saved measurements in the meter as a sortable list, with
// deletion of the selected records (or all of them) in the meter itself.
class frmDeleteData : public QDialog
{
    Q_OBJECT
public:
    explicit frmDeleteData(QWidget *parent = nullptr);
    ~frmDeleteData() override;

    // The window as the bulk download's list target for saved data: created
    // over the main window, filled, then shown modally.
    static std::unique_ptr<DownloadTarget> NewDownloadTarget();

    // One row from a record line; a line of fewer than 18 fields adds nothing.
    void lsvDataAdd(const QString &szString);
    // Re-reads the directory and shows the free capacity.
    void UpdateRemaining();
    void UpdateButtons();
    // Deletes the selected records in the meter (after asking).
    void DeleteSelected();
    // True once the window has been told to close; nothing more is sent.
    bool fClosing() const { return m_fClosing; }

    // The rows, with any still waiting to be added to the list.
    clsListModel *Rows();

    QTreeView *lsvData = nullptr;
    QWidget *picBox = nullptr;
    QPushButton *cmdSelectAll = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblRecords = nullptr;
    QTimer *timDisconnect = nullptr;
    QMenu *mnuSavedData = nullptr;
    QAction *mnuSavedDataDelete = nullptr;
    QAction *mnuSavedDataSelectAll = nullptr;

    qint16 wMouseRow = 0;      // 1-based row at the last mouse press, 0 for none
    qint16 wPendingButton = 0; // button pressed over no row, until released
    QVector<qint16> SortOrders;

public slots:
    void timDisconnect_Timer();
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void lsvDataInit();
    void Activate();
    void SelectAll();
    void FlushRows();
    void MousePress(int button, int y);
    void MouseRelease(int button, const QPoint &pos);
    void EraseAll();
    void DeleteEach();
    void ArrangeControls();

    clsListModel *m_model = nullptr;
    std::vector<ListRow> m_pending; // rows not yet in the list: added in one go
    bool m_fActivated = false;
    bool m_fClosing = false;
    bool m_fDeleting = false;
};
