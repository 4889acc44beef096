#include "tx/frmTx.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConvert.h"
#include "app/modDownload.h"
#include "app/modEvents.h"
#include "app/modMsgBox.h"
#include "app/modWin.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"
#include "tx/frmTxEdit.h"
#include "tx/modTxOps.h"
#include "tx/modTxRows.h"
#include "usb/clsUsbHid.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QWidget *MainWindow() { return gApp ? qobject_cast<QWidget *>(gApp->MainForm) : nullptr; }

bool MeterConnected() { return gUsbHid && gUsbHid->fDeviceConnected(); }

// Add and edit are there for firmware that takes "U," and "X,".
bool CanAddAndEdit() { return gFsm && (gFsm->Version->flags & 2) != 0; }

void Tell(const TxResult &r)
{
    if (r.result != 0 && !r.szMessage.isEmpty())
        MsgBox(r.szMessage, vb::Exclamation, r.szTitle);
}

// The bulk download's view of the window. The window may close itself
// (meter unplugged) before it is shown; then it is not shown at all.
class TxDataTarget : public DownloadTarget
{
public:
    TxDataTarget() : m_form(new frmTx(MainWindow())) {}
    ~TxDataTarget() override { delete m_form.data(); }
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
    QPointer<frmTx> m_form;
};

} // namespace

std::unique_ptr<DownloadTarget> frmTx::NewDownloadTarget() { return std::make_unique<TxDataTarget>(); }

frmTx::frmTx(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmTx"));
    setWindowTitle(QStringLiteral("Delete Data"));

    lsvData = new QTreeView(this);
    lsvData->setObjectName(QStringLiteral("lsvData"));
    picBox = new QWidget(this);
    picBox->setObjectName(QStringLiteral("picBox"));
    cmdEditTx = new QPushButton(QStringLiteral("Tx Edit"), picBox);
    cmdNewTx = new QPushButton(QStringLiteral("Tx Add"), picBox);
    cmdSelectAll = new QPushButton(QStringLiteral("Select All"), picBox);
    cmdDelete = new QPushButton(QStringLiteral("Delete"), picBox);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), picBox);
    lblRecords = new QLabel(picBox);
    lblRecords->setObjectName(QStringLiteral("lblRecords"));
    lblRecords->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Wide enough for the largest count, so the panel never changes width.
    lblRecords->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Remaining free records:  ")));
    auto *box = new QVBoxLayout(picBox);
    for (QPushButton *b : {cmdEditTx, cmdNewTx, cmdSelectAll, cmdDelete, cmdCancel}) {
        b->setAutoDefault(false); // Enter in the list must never start a deletion
        box->addWidget(b);
    }
    box->addSpacing(fontMetrics().height());
    box->addWidget(lblRecords);
    box->addStretch(1);
    picBox->setFixedWidth(picBox->sizeHint().width());

    timDisconnect = new QTimer(this);
    timDisconnect->setInterval(500);

    mnuTx = new QMenu(QStringLiteral("Tx"), this); // a context menu only, never in a menu bar
    mnuTxNew = mnuTx->addAction(QStringLiteral("Add a New Tx..."));
    mnuTxEdit = mnuTx->addAction(QStringLiteral("Edit Tx..."));
    mnuTxDelete = mnuTx->addAction(QStringLiteral("Delete Tx"));

    connect(cmdEditTx, &QPushButton::clicked, this, &frmTx::EditSelectedTx);
    connect(mnuTxEdit, &QAction::triggered, this, &frmTx::EditSelectedTx);
    connect(cmdNewTx, &QPushButton::clicked, this, &frmTx::AddNewTx);
    connect(mnuTxNew, &QAction::triggered, this, &frmTx::AddNewTx);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTx::DeleteSelected);
    connect(mnuTxDelete, &QAction::triggered, this, &frmTx::DeleteSelected);
    connect(cmdSelectAll, &QPushButton::clicked, this, [this] { SelectAllItems(lsvData); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(timDisconnect, &QTimer::timeout, this, &frmTx::timDisconnect_Timer);

    // Load
    lsvDataInit();
    connect(lsvData->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmTx::UpdateButtons);
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
           qMin(qMax(minimumHeight(), 360), area.height() * 8 / 10));
    ArrangeControls();
    if (parent)
        CenterForm(*this, *parent);

    setWindowTitle(QStringLiteral("Tx Data"));
    if (gApp && gApp->Icon.canConvert<QIcon>())
        setWindowIcon(gApp->Icon.value<QIcon>());
    UpdateRemaining();
    timDisconnect->start();

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
    m_model = new clsListModel(this);
    m_model->SetColumns(TxListColumns(gFsm->Version->value() >= 4 ? 8 : 7));
    SetupListView(lsvData, m_model);
    lsvData->setAlternatingRowColors(true); // the same look as the saved-data list
    ConnectColumnClick(lsvData, &SortOrders);
    SizeColumnsToHeadings(lsvData, 195 + 270);
    m_model->SetSortState(0, 0);
    // Every column starts descending but the latitude.
    SortOrders = QVector<qint16>(m_model->columnCount(), 1);
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

void frmTx::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_fActivated) {
        m_fActivated = true;
        Form_Activate();
    }
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
    // The row is found by height alone, wherever across the list the press was.
    const QModelIndex at = lsvData->indexAt(QPoint(0, pos.y()));
    wMouseRow = at.isValid() ? qint16(at.row() + 1) : 0;
    if (button != 0)
        wPendingButton = qint16(button);
    UpdateButtons();
}

void frmTx::MouseRelease(int button, const QPoint &pos)
{
    wPendingButton = 0;
    if (button == Qt::RightButton)
        mnuTx->popup(lsvData->viewport()->mapToGlobal(pos));
    UpdateButtons();
}

bool frmTx::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lsvData->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto *e = static_cast<QMouseEvent *>(event);
            MousePress(int(e->button()), e->position().toPoint());
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
        case QEvent::MouseButtonDblClick: {
            const auto *e = static_cast<QMouseEvent *>(event);
            if (e->button() != Qt::LeftButton)
                break;
            MousePress(int(e->button()), e->position().toPoint());
            if (wMouseRow != 0)
                EditSelectedTx();
            else
                AddNewTx();
            return true;
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
                SelectAllItems(lsvData);
                DoEvents();
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
            mnuTx->popup(lsvData->viewport()->mapToGlobal(r.isValid() ? r.center() : QPoint(0, 0)));
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
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
    for (const QString &key : std::as_const(keys)) {
        const int row = m_model->FindKey(key);
        if (row < 0)
            continue;
        // The full station id kept with the row, never one cut from the key.
        const TxResult r = TxDelete(m_model->UserValue(row).toInt());
        if (m_fClosing)
            return;
        if (r.result != 0) {
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
        lsvData->viewport()->update();
        DoEvents();
        if (m_fClosing)
            return;
        if (m_model->Count() == 1) {
            UpdateRemaining();
            DoEvents();
            if (m_fClosing)
                return;
            completed = false;
            break;
        }
    }
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
    delete gTx;
    gTx = new clsTx;
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

void frmTx::done(int result)
{
    m_fClosing = true;
    timDisconnect->stop();
    QDialog::done(result);
}

void frmTx::reject()
{
    // "Cancel" is off while entries are deleted; the close box waits too.
    if (m_fDeleting)
        return;
    QDialog::reject();
}

void frmTx::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void frmTx::ArrangeControls()
{
    // The panel at the top right, the list filling the rest.
    const int w = width(), h = height(), pw = picBox->width();
    picBox->setGeometry(w - pw, 0, pw, h);
    lsvData->setGeometry(0, 0, qMax(0, w - pw), h);
}
