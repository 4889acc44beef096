#include "saveddata/frmDeleteData.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConvert.h"
#include "app/modDownload.h"
#include "app/modEvents.h"
#include "app/modMsgBox.h"
#include "app/modWin.h"
#include "listview/modLV.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "saveddata/modSavedDelete.h"
#include "saveddata/modSavedRows.h"
#include "usb/clsUsbHid.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString kDeleteTitle = QStringLiteral("ZT 6200 Delete Problem");
QWidget *MainWindow() { return gApp ? qobject_cast<QWidget *>(gApp->MainForm) : nullptr; }

bool MeterConnected() { return gUsbHid && gUsbHid->fDeviceConnected(); }

// The bulk download's view of the window. The window may close itself
// (meter unplugged) before it is shown; then it is not shown at all.
class SavedDataTarget : public DownloadTarget
{
public:
    SavedDataTarget() : m_form(new frmDeleteData(MainWindow())) {}
    ~SavedDataTarget() override { delete m_form.data(); }
    void lsvDataAdd(const QString &szString) override
    {
        if (m_form)
            m_form->lsvDataAdd(szString);
    }
    void ShowModal() override
    {
        if (m_form && !m_form->fClosing())
            m_form->exec();
    }

private:
    QPointer<frmDeleteData> m_form;
};

} // namespace

std::unique_ptr<DownloadTarget> frmDeleteData::NewDownloadTarget() { return std::make_unique<SavedDataTarget>(); }

frmDeleteData::frmDeleteData(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmDeleteData"));
    setWindowTitle(QStringLiteral("Delete Data"));

    lsvData = new QTreeView(this);
    lsvData->setObjectName(QStringLiteral("lsvData"));
    picBox = new QWidget(this);
    picBox->setObjectName(QStringLiteral("picBox"));
    cmdSelectAll = new QPushButton(QStringLiteral("Select All"), picBox);
    cmdDelete = new QPushButton(QStringLiteral("Delete Data"), picBox);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), picBox);
    lblRecords = new QLabel(picBox);
    lblRecords->setObjectName(QStringLiteral("lblRecords"));
    lblRecords->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Wide enough for the largest count, so the panel never changes width.
    lblRecords->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Remaining free records:  ")));
    auto *box = new QVBoxLayout(picBox);
    for (QPushButton *b : {cmdSelectAll, cmdDelete, cmdCancel}) {
        b->setAutoDefault(false); // Enter in the list must never start a deletion
        box->addWidget(b);
    }
    box->addSpacing(fontMetrics().height());
    box->addWidget(lblRecords);
    box->addStretch(1);
    picBox->setFixedWidth(picBox->sizeHint().width());

    timDisconnect = new QTimer(this);
    timDisconnect->setInterval(500);

    mnuSavedData = new QMenu(QStringLiteral("Saved Data"), this); // a context menu only, never in a menu bar
    mnuSavedDataDelete = mnuSavedData->addAction(QStringLiteral("Delete Data"));
    mnuSavedDataSelectAll = mnuSavedData->addAction(QStringLiteral("Select All"));

    connect(cmdSelectAll, &QPushButton::clicked, this, &frmDeleteData::SelectAll);
    connect(mnuSavedDataSelectAll, &QAction::triggered, this, &frmDeleteData::SelectAll);
    connect(cmdDelete, &QPushButton::clicked, this, &frmDeleteData::DeleteSelected);
    connect(mnuSavedDataDelete, &QAction::triggered, this, &frmDeleteData::DeleteSelected);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(timDisconnect, &QTimer::timeout, this, &frmDeleteData::timDisconnect_Timer);
    // Noted as it happens: the link may be found again before the deletion
    // looks (a tick under the link's own message box).
    if (gUsbHid)
        connect(gUsbHid, &clsUsbHid::Disconnect, this, [this] { m_fLinkLost = true; });

    // Load
    lsvDataInit();
    lsvData->installEventFilter(this);
    lsvData->viewport()->installEventFilter(this);
    lsvData->viewport()->setMouseTracking(true); // moves with no button held, for wPendingButton

    int listWidth = 2 * lsvData->frameWidth() + 24; // room for the vertical scroll bar
    for (int c = 0; c < m_model->columnCount(); ++c)
        listWidth += lsvData->columnWidth(c);
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    setMinimumSize(picBox->width() + 200, qMax(picBox->sizeHint().height(), 200));
    resize(qMin(listWidth + picBox->width(), area.width() * 9 / 10),
           qMin(qMax(minimumHeight(), 440), area.height() * 8 / 10));
    ArrangeControls();
    if (parent)
        CenterForm(*this, *parent);

    setWindowTitle(QStringLiteral("Saved Data"));
    if (gApp && gApp->Icon.canConvert<QIcon>())
        setWindowIcon(gApp->Icon.value<QIcon>());
    UpdateRemaining();
    timDisconnect->start();
}

frmDeleteData::~frmDeleteData() = default;

void frmDeleteData::lsvDataInit()
{
    gFsm->DataType = 0; // the column names are those of the saved records
    m_model = new clsListModel(this);
    m_model->SetColumns(SavedListColumns(gFsm->DataHeader()));
    SetupListView(lsvData, m_model);
    lsvData->setAlternatingRowColors(true); // easier to follow a row across 15 columns
    ConnectColumnClick(lsvData, &SortOrders);
    SortOrders = QVector<qint16>(m_model->columnCount(), 1);
    SizeColumnsToHeadings(lsvData, 195 + 270);
    lsvData->setColumnWidth(0, ColumnWidthForText(lsvData, QStringLiteral("99-WWW-9999"), 1.2, 0));
}

void frmDeleteData::lsvDataAdd(const QString &szString)
{
    ListRow row;
    if (!SavedRowFromLine(szString, &row))
        return;
    m_pending.push_back(std::move(row));
    if (isVisible())
        FlushRows();
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

void frmDeleteData::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_fActivated) {
        m_fActivated = true;
        Activate();
    }
}

void frmDeleteData::Activate()
{
    FlushRows();
    // The sort column is still 0, so this flips its direction to ascending.
    ColumnClick(lsvData, SortOrders, 0);
    ShowColumnSortIcons(lsvData);
    SelectNoItems(lsvData);
    SelectFirstRow(lsvData);
    UpdateButtons();
}

void frmDeleteData::UpdateRemaining()
{
    ReadDirectory(0);
    const qint64 max = gFsm->MaxRecords();
    const qint64 free = max - gFsm->NumRecords();
    lblRecords->setText(QStringLiteral("Remaining free records:\r\n") + IntText(free) + QStringLiteral(" out of ") +
                        IntText(max));
}

void frmDeleteData::UpdateButtons()
{
    const bool rows = m_model->Count() + m_pending.size() > 0;
    cmdDelete->setEnabled(!m_fDeleting && gFsm->NumRecords() >= 1);
    mnuSavedDataDelete->setEnabled(!m_fDeleting && wMouseRow != 0);
    cmdSelectAll->setEnabled(!m_fDeleting && rows);
    mnuSavedDataSelectAll->setEnabled(rows);
}

void frmDeleteData::SelectAll() { SelectAllItems(lsvData); }

void frmDeleteData::MousePress(int button, int y)
{
    // The row is found by height alone, wherever across the list the press was.
    const QModelIndex at = lsvData->indexAt(QPoint(0, y));
    wMouseRow = at.isValid() ? qint16(at.row() + 1) : 0;
    if (wMouseRow == 0)
        wPendingButton = qint16(button);
    UpdateButtons();
}

void frmDeleteData::MouseRelease(int button, const QPoint &pos)
{
    wPendingButton = 0;
    if (button == Qt::RightButton)
        mnuSavedData->popup(lsvData->viewport()->mapToGlobal(pos));
    UpdateButtons();
}

bool frmDeleteData::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lsvData->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto *e = static_cast<QMouseEvent *>(event);
            MousePress(int(e->button()), qRound(e->position().y()));
            break;
        }
        case QEvent::MouseMove: {
            const auto *e = static_cast<QMouseEvent *>(event);
            if (e->buttons() == Qt::NoButton && wPendingButton != 0) {
                MouseRelease(wPendingButton, e->position().toPoint());
                wPendingButton = 0;
            }
            UpdateButtons();
            break;
        }
        case QEvent::MouseButtonRelease: {
            const auto *e = static_cast<QMouseEvent *>(event);
            MouseRelease(int(e->button()), e->position().toPoint());
            break;
        }
        case QEvent::ContextMenu:
            // The menu comes with the right button's release (some systems
            // send this event on the press already).
            return static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Mouse;
        default:
            break;
        }
    } else if (watched == lsvData) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto *e = static_cast<QKeyEvent *>(event);
            if (e->key() == Qt::Key_A && e->modifiers() == Qt::ControlModifier) {
                SelectAll();
                return true;
            }
            break;
        }
        case QEvent::KeyRelease:
            UpdateButtons();
            break;
        case QEvent::ContextMenu: {
            if (static_cast<QContextMenuEvent *>(event)->reason() != QContextMenuEvent::Keyboard)
                break;
            // The menu key: the menu at the current row, as for a right click there.
            const QModelIndex current = lsvData->currentIndex();
            wMouseRow = current.isValid() && IsRowSelected(lsvData, current.row()) ? qint16(current.row() + 1) : 0;
            UpdateButtons();
            const QRect r = lsvData->visualRect(current);
            const QPoint at = r.isValid() ? r.center() : QPoint(0, 0);
            mnuSavedData->popup(lsvData->viewport()->mapToGlobal(at));
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDeleteData::DeleteSelected()
{
    if (m_fDeleting || m_fClosing)
        return;
    FlushRows();
    if (m_model->Count() == 0)
        return;
    // The disconnect timer may close the window while the question is open.
    const QPointer<frmDeleteData> self(this);
    const int answer = MsgBox(QStringLiteral("Are you sure that you want to delete these records? \r\n(No undo possible)"),
                              vb::YesNo | vb::Exclamation | vb::DefaultButton2, QStringLiteral("Delete Records?"));
    if (!self || m_fClosing || answer != vb::Yes)
        return;

    m_fDeleting = true;
    m_fLinkLost = false;
    const LinkWork work; // no connection follow-up in the middle
    cmdDelete->setEnabled(false);
    cmdCancel->setEnabled(false);
    cmdSelectAll->setEnabled(false);
    gFsm->DataType = 0;
    bool every = SelectedRows(lsvData).size() == m_model->Count();
    if (every) {
        // "E" erases the whole store: only when the list shows every record
        // in it (a record line too short for a row is not listed).
        every = ReadDirectory(0) == 0 && gFsm->NumRecords() == m_model->Count();
        if (!self || m_fClosing)
            return;
    }
    if (!m_fLinkLost) {
        if (every)
            EraseAll();
        else
            DeleteEach();
    }
    if (!self || m_fClosing)
        return;
    m_fDeleting = false;
    if (!m_fLinkLost)
        UpdateRemaining();
    DoEvents();
    if (!self || m_fClosing)
        return;
    if (m_fLinkLost) {
        // The user has been told by the link; what the meter did with the
        // last command is unknown, so the list cannot be trusted any more.
        close();
        return;
    }
    UpdateButtons();
    cmdCancel->setEnabled(true);
}

void frmDeleteData::EraseAll()
{
    const QPointer<frmDeleteData> self(this);
    // Stopped too by a lost link, even one found again meanwhile.
    const bool erased = EraseSavedRecords([&] { return !self || m_fClosing || m_fLinkLost; });
    if (!self || m_fClosing)
        return;
    if (erased) {
        // The meter has no records left: every row goes at once.
        m_model->Clear();
        wMouseRow = 0;
        DoEvents();
    } else if (MeterConnected() && !m_fLinkLost) { // a lost link has been reported by the link itself
        MsgBox(QStringLiteral("The FSM did not confirm erasing the records.\r\nThey are still listed."), vb::Exclamation,
               kDeleteTitle);
    }
}

void frmDeleteData::DeleteEach()
{
    const QPointer<frmDeleteData> self(this);
    // Rows are removed from the end, so the rows still to do keep their
    // places; the list is not re-sorted meanwhile.
    QHeaderView *header = lsvData->header();
    header->setSectionsClickable(false);
    const QList<int> selected = SelectedRows(lsvData); // what the user confirmed
    qint32 failed = -1;
    int refused = 0;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        const int row = *it;
        // The full Rec ID kept with the row; never a number cut from the key.
        const QVariant id = m_model->UserValue(row);
        bool ok = id.isValid();
        const qint32 n = ok ? id.toInt(&ok) : -1;
        if (!ok || n < 0) {
            ++refused;
            continue;
        }
        if (DeleteRecord(n) != 0) {
            failed = n;
            break;
        }
        if (!self || m_fClosing)
            return;
        m_model->RemoveRow(row);
        DoEvents();
        if (!self || m_fClosing)
            return;
    }
    header->setSectionsClickable(true);
    wMouseRow = 0;

    if (failed >= 0 && MeterConnected() && !m_fLinkLost) {
        MsgBox(QStringLiteral("The FSM did not delete record ") + IntText(failed) +
                   QStringLiteral(".\r\nThe records not yet deleted are still selected."),
               vb::Exclamation, kDeleteTitle);
    } else if (failed < 0 && refused > 0) {
        MsgBox(IntText(refused) + QStringLiteral(" of the selected records could not be deleted:\r\n"
                                                 "their Rec ID is not a record number. They are still selected."),
               vb::Exclamation, kDeleteTitle);
    }
}

void frmDeleteData::timDisconnect_Timer()
{
    if (!MeterConnected())
        close();
}

void frmDeleteData::done(int result)
{
    m_fClosing = true;
    timDisconnect->stop();
    QDialog::done(result);
}

void frmDeleteData::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted()) {
        m_fClosing = true;
        timDisconnect->stop();
    }
}

void frmDeleteData::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void frmDeleteData::ArrangeControls()
{
    // The panel at the top right, the list filling the rest.
    const int w = width(), h = height(), pw = picBox->width();
    picBox->setGeometry(w - pw, 0, pw, h);
    lsvData->setGeometry(0, 0, qMax(0, w - pw), h);
}
