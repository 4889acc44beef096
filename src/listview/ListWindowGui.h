// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QVector>
#include <initializer_list>
#include <memory>

class DownloadTarget;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QTreeView;
class clsListModel;
class clsOperation;
struct ListColumn;

// The frame the saved-data and Tx windows share: a sortable list filling
// the window, a panel at its right edge with the buttons and the free count,
// a timer watching for the meter to go away, and the list's mouse and key
// rules for the selection and the pop-up menu. What the rows are, what the
// buttons do and which presses wait for their release stay with each window.
class ListWindow : public QDialog
{
    Q_OBJECT
public:
    ~ListWindow() override;

    // One row from a line of the store; a line the window does not take adds nothing.
    virtual void lsvDataAdd(const QString &szString) = 0;
    // Re-reads the directory and shows the free capacity.
    virtual void UpdateRemaining() = 0;
    virtual void UpdateButtons() = 0;
    // True once the window has been told to close; nothing more is sent.
    bool fClosing() const { return m_fClosing; }
    // The window's own operation (a delete walk, a Tx change) while it
    // runs, or nullptr.
    clsOperation *Running() const;

    // The 1-based row under the last mouse press, 0 for none.
    qint16 wMouseRow() const { return m_wMouseRow; }
    // The button of a press still waiting for its release, 0 for none.
    qint16 wPendingButton() const { return m_wPendingButton; }

public slots:
    // Closing the window stops its operation after the step under way.
    void done(int result) override;
    // The close box and Escape: while an operation runs, it is cancelled
    // and the window closes once it has ended.
    void reject() override;

protected:
    // Controls, each named as its member for the tests.
    QTreeView *lsvData = nullptr;
    QWidget *picBox = nullptr;
    QPushButton *cmdSelectAll = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblRecords = nullptr;
    QTimer *timDisconnect = nullptr;

    // The window named `objectName`, with the list and the empty panel.
    // Its design caption stays until Load.
    ListWindow(QWidget *parent, const QString &objectName);

    // The bulk download's view of `form`, which it then owns.
    static std::unique_ptr<DownloadTarget> DownloadTargetFor(ListWindow *form);
    // Where the download's windows open.
    static QWidget *MainWindow();
    static bool MeterConnected();

    // The panel: the window's own buttons (made on picBox), then "Select
    // All", `szDelete` and "Cancel", then the count; and the timer.
    void BuildControls(std::initializer_list<QPushButton *> own, const QString &szDelete);
    // The list's pop-up menu, a context menu only, never in a menu bar.
    QMenu *AddListMenu(const QString &szTitle);
    // The model over lsvData with these columns, each as wide as its
    // heading plus its margin; every column's remembered direction 1.
    void SetupList(const QVector<ListColumn> &columns);
    // Sizes the window to the list (at least `height` pixels high) on its
    // parent's screen, centres it over its parent, sets the caption and
    // icon, shows the free count and starts the timer.
    void Load(int height, const QString &szCaption);

    // The first showing: sorts, selects row 1, then the buttons.
    virtual void Form_Activate() = 0;
    // Every 500 ms while the window is open.
    virtual void timDisconnect_Timer() = 0;
    // A press in the list at `pos` (viewport coordinates): sets wMouseRow,
    // and wPendingButton as the window's rule says, then UpdateButtons.
    virtual void MousePress(int button, const QPoint &pos) = 0;
    // The 1-based row at height y, wherever across the list; 0 for none.
    qint16 RowAt(int y) const;
    void SelectAll();
    // After Ctrl+A in the list has selected every row.
    virtual void AfterSelectAllKey() {}

    // Starts `op`, which the window then owns and deletes once it has
    // ended. Connect to its signals first: the window's own handling of
    // its end (closing when asked meanwhile) comes after them. With `own`
    // false the caller keeps it: closing the window cancels it, and it
    // still ends (and tells its end) after the window has gone.
    bool StartOperation(clsOperation *op, bool own = true);
    // A close was asked for while the operation ran; the window closes
    // once it has ended.
    bool fCloseAfterOperation() const { return m_fCloseAfter; }

    // A delete walk: between BeginWalk and EndWalk the list is laid out
    // and repainted at most every kWalkPaintMs (between two deletes),
    // however fast the meter deletes.
    static constexpr int kWalkPaintMs = 50;
    void BeginWalk();
    void AfterRowRemoved();
    void EndWalk();
    // "Are you sure that you want to delete these records?", and how many will go.
    static QString DeleteQuestion(qsizetype count);
    // Delete and Escape in the window: what "Delete" and "Cancel" do.
    virtual void DeleteKey() = 0;
    void keyPressEvent(QKeyEvent *event) override;

    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    clsListModel *m_model = nullptr;
    bool m_fClosing = false;

    // The direction each column sorts in when next clicked (0 ascending).
    QVector<qint16> &SortOrders() { return m_sortOrders; }
    void setwMouseRow(qint16 wRow) { m_wMouseRow = wRow; }
    void setwPendingButton(qint16 wButton) { m_wPendingButton = wButton; }

private:
    // "Cancel": stops the running operation after the step under way
    // (the window stays open), otherwise closes the window.
    void cmdCancel_Click();
    void MouseRelease(int button, const QPoint &pos);
    void PopupMenu(const QPoint &pos);
    void ArrangeControls();

    QMenu *m_menu = nullptr;
    bool m_fActivated = false;
    QElapsedTimer m_walkPaint;
    bool m_fWalkHold = false;    // the list's layout waits for the next repaint
    bool m_fWalkPainted = false; // the list was painted since the hold ended
    QPointer<clsOperation> m_op;
    bool m_fCloseAfter = false;
    QVector<qint16> m_sortOrders;
    qint16 m_wMouseRow = 0;
    qint16 m_wPendingButton = 0;
};
