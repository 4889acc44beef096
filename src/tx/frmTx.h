#pragma once
#include <QDialog>
#include <QPointer>
#include <QVector>
#include <memory>

class DownloadTarget;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QTreeView;
class clsListModel;
class clsTx;
class frmTxEdit;
class LinkWork;

// "Tx Data": the meter's Tx entries as a sortable list, from which entries
// are deleted (never the last one), edited and added, each change going to
// the meter at once.
class frmTx : public QDialog
{
    Q_OBJECT
public:
    explicit frmTx(QWidget *parent = nullptr);
    ~frmTx() override;

    // The window as the bulk download's list target for Tx data: created
    // over the main window, filled, then shown modally.
    static std::unique_ptr<DownloadTarget> NewDownloadTarget();

    // One row from a Tx line; a line the entry does not take adds nothing.
    void lsvDataAdd(const QString &szString);
    // Re-reads the directory and shows the free capacity.
    void UpdateRemaining();
    void UpdateButtons();
    // Sorts by frequency (flipping when it already is the sort column) and
    // selects row 1: the first showing and every return from the editor.
    void Form_Activate();
    // Adds an entry, or edits the selected one, through the editor.
    void AddNewTx();
    void EditSelectedTx();
    // Deletes the selected entries in the meter (after asking), never the last.
    void DeleteSelected();

    bool fClosing() const { return m_fClosing; }
    // The editor while it is open.
    frmTxEdit *Editor() const;
    clsListModel *Rows() const { return m_model; }
    qint16 NumRecords() const { return m_numRecords; }
    qint16 MaxRecords() const { return m_maxRecords; }

    QTreeView *lsvData = nullptr;
    QWidget *picBox = nullptr;
    QPushButton *cmdEditTx = nullptr;
    QPushButton *cmdNewTx = nullptr;
    QPushButton *cmdSelectAll = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblRecords = nullptr;
    QTimer *timDisconnect = nullptr;
    QMenu *mnuTx = nullptr;
    QAction *mnuTxNew = nullptr;
    QAction *mnuTxEdit = nullptr;
    QAction *mnuTxDelete = nullptr;

    QVector<qint16> SortOrders;
    qint16 wMouseRow = 0;      // 1-based row under the last mouse press, 0 for none
    qint16 wPendingButton = 0; // button pressed and not yet released, 0 for none

public slots:
    void timDisconnect_Timer();
    void done(int result) override;
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void lsvDataInit();
    void TxFillListItem(int Item, clsTx &mTx);
    clsTx &GrowTxArray();
    int AddRowFor(clsTx &mTx);
    // Opens the editor on gTx; false when it was closed for a lost meter
    // or this window is closing, so that nothing may be sent.
    bool RunEditor(const QString &szCaption);
    bool ReloadFromMeter(const QList<qint32> &known, const LinkWork &work);
    // After a change during which the link went down: the user has been
    // told by the link, and what the meter did is unknown, so the list
    // cannot be trusted any more. True when the window was closed for it.
    bool CloseAfterLostLink(const LinkWork &work);
    void SelectKeys(const QStringList &keys);
    void MousePress(int button, const QPoint &pos);
    void MouseRelease(int button, const QPoint &pos);
    void ArrangeControls();
    int Columns() const;

    clsListModel *m_model = nullptr;
    QPointer<frmTxEdit> m_editor;
    qint16 m_numRecords = 0, m_maxRecords = 0;
    bool m_fActivated = false;
    bool m_fClosing = false;
    bool m_fBusy = false;     // a delete, add or edit is under way
    bool m_fDeleting = false; // the delete walk
};
