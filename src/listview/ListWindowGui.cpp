// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/ListWindowGui.h"
#include "common/clsAppBase.h"
#include "common/clsOperation.h"
#include "listview/modDownloadTarget.h"
#include "common/modWin.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "usb/clsUsbHid.h"

#include <QContextMenuEvent>
#include <QApplication>
#include <QGuiApplication>
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

// The window may close itself (meter unplugged) before it is shown; then it
// is not shown at all.
class ListWindowTarget : public DownloadTarget
{
public:
    explicit ListWindowTarget(ListWindow *form) : m_form(form) {}
    ~ListWindowTarget() override { delete m_form.data(); }
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
    QPointer<ListWindow> m_form;
};

} // namespace

std::unique_ptr<DownloadTarget> ListWindow::DownloadTargetFor(ListWindow *form)
{
    return std::make_unique<ListWindowTarget>(form);
}

QWidget *ListWindow::MainWindow() { return gAppBase ? qobject_cast<QWidget *>(gAppBase->MainForm()) : nullptr; }

bool ListWindow::MeterConnected() { return gUsbHid && gUsbHid->fDeviceConnected(); }

ListWindow::ListWindow(QWidget *parent, const QString &objectName)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    setObjectName(objectName);
    setWindowTitle(QStringLiteral("Delete Data"));

    lsvData = new QTreeView(this);
    lsvData->setObjectName(QStringLiteral("lsvData"));
    picBox = new QWidget(this);
    picBox->setObjectName(QStringLiteral("picBox"));
}

ListWindow::~ListWindow() = default;

void ListWindow::BuildControls(std::initializer_list<QPushButton *> own, const QString &szDelete)
{
    cmdSelectAll = new QPushButton(QStringLiteral("Select All"), picBox);
    cmdDelete = new QPushButton(szDelete, picBox);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), picBox);
    cmdSelectAll->setObjectName(QStringLiteral("cmdSelectAll"));
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    lblRecords = new QLabel(picBox);
    lblRecords->setObjectName(QStringLiteral("lblRecords"));
    lblRecords->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Wide enough for the largest count, so the panel never changes width.
    lblRecords->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Remaining free records:  ")));
    auto *box = new QVBoxLayout(picBox);
    QList<QPushButton *> buttons(own);
    buttons << cmdSelectAll << cmdDelete << cmdCancel;
    for (QPushButton *b : std::as_const(buttons)) {
        b->setAutoDefault(false); // Enter in the list must never start a deletion
        box->addWidget(b);
    }
    box->addSpacing(fontMetrics().height());
    box->addWidget(lblRecords);
    box->addStretch(1);
    picBox->setFixedWidth(picBox->sizeHint().width());

    timDisconnect = new QTimer(this);
    timDisconnect->setInterval(500);

    connect(cmdSelectAll, &QPushButton::clicked, this, &ListWindow::SelectAll);
    connect(cmdCancel, &QPushButton::clicked, this, &ListWindow::cmdCancel_Click);
    connect(timDisconnect, &QTimer::timeout, this, &ListWindow::timDisconnect_Timer);
}

QMenu *ListWindow::AddListMenu(const QString &szTitle)
{
    m_menu = new QMenu(szTitle, this);
    return m_menu;
}

void ListWindow::SetupList(const QVector<ListColumn> &columns)
{
    m_model = new clsListModel(this);
    m_model->SetColumns(columns);
    SetupListView(lsvData, m_model);
    lsvData->setAlternatingRowColors(true); // easier to follow a row across many columns
    ConnectColumnClick(lsvData, &SortOrders());
    m_sortOrders = QVector<qint16>(m_model->columnCount(), 1);
    SizeColumnsToHeadings(lsvData, 195 + 270);
}

void ListWindow::Load(int height, const QString &szCaption)
{
    lsvData->installEventFilter(this);
    lsvData->viewport()->installEventFilter(this);
    lsvData->viewport()->setMouseTracking(true); // moves with no button held, for wPendingButton

    int listWidth = 2 * lsvData->frameWidth() + 24; // room for the vertical scroll bar
    for (int c = 0; c < m_model->columnCount(); ++c)
        listWidth += lsvData->columnWidth(c);
    QWidget *parent = parentWidget();
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    setMinimumSize(picBox->width() + 200, qMax(picBox->sizeHint().height(), 200));
    resize(qMin(listWidth + picBox->width(), area.width() * 9 / 10),
           qMin(qMax(minimumHeight(), height), area.height() * 8 / 10));
    ArrangeControls();
    if (parent)
        CenterForm(*this, *parent);

    setWindowTitle(szCaption);
    if (gAppBase && gAppBase->Icon().canConvert<QIcon>())
        setWindowIcon(gAppBase->Icon().value<QIcon>());
    UpdateRemaining();
    timDisconnect->start();
}

void ListWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_fActivated) {
        m_fActivated = true;
        Form_Activate();
    }
}

qint16 ListWindow::RowAt(int y) const
{
    const QModelIndex at = lsvData->indexAt(QPoint(0, y));
    return at.isValid() ? qint16(at.row() + 1) : 0;
}

void ListWindow::SelectAll() { SelectAllItems(lsvData); }

clsOperation *ListWindow::Running() const { return m_op && m_op->IsRunning() ? m_op.data() : nullptr; }

bool ListWindow::StartOperation(clsOperation *op, bool own)
{
    if (own)
        op->setParent(this);
    m_op = op;
    m_fCloseAfter = false;
    connect(op, &clsOperation::Finished, this, [this, op, own] {
        if (m_op == op)
            m_op = nullptr;
        if (own)
            op->deleteLater();
        if (m_fCloseAfter && !m_fClosing)
            close();
    });
    return op->Start();
}

void ListWindow::cmdCancel_Click()
{
    if (clsOperation *op = Running()) {
        op->Cancel();
        cmdCancel->setEnabled(false); // taken; the operation ends after the step under way
        return;
    }
    close();
}

void ListWindow::reject()
{
    if (clsOperation *op = Running()) {
        m_fCloseAfter = true;
        op->Cancel();
        cmdCancel->setEnabled(false);
        return;
    }
    QDialog::reject();
}

QString ListWindow::DeleteQuestion(qsizetype count)
{
    return QStringLiteral("Are you sure that you want to delete these records? \r\n(No undo possible)\r\n\r\n") +
           (count == 1 ? QStringLiteral("1 record will be deleted.")
                       : QString::number(count) + QStringLiteral(" records will be deleted."));
}

void ListWindow::BeginWalk()
{
    lsvData->setUpdatesEnabled(false);
    m_fWalkHold = true;
    m_walkPaint.start();
}

void ListWindow::AfterRowRemoved()
{
    // Laying out and painting the whole list (and, on X, waiting for the
    // server) after each of thousands of rows would cost far more than the
    // deletions themselves: the list catches up every kWalkPaintMs, while
    // the message loop runs between two deletes, and is held again once
    // it has been painted.
    // A list that is not painted at all (hidden) is held again all the same.
    if (m_fWalkHold) {
        if (m_walkPaint.elapsed() >= kWalkPaintMs) {
            m_fWalkHold = false;
            m_fWalkPainted = false;
            lsvData->setUpdatesEnabled(true);
            m_walkPaint.start();
        }
    } else if (m_fWalkPainted || m_walkPaint.elapsed() >= kWalkPaintMs) {
        lsvData->setUpdatesEnabled(false);
        m_fWalkHold = true;
        m_walkPaint.start();
    }
}

void ListWindow::EndWalk()
{
    m_fWalkHold = false;
    lsvData->setUpdatesEnabled(true);
}

void ListWindow::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Delete) {
        // As a click on the button: only while it is enabled, with its question.
        if (cmdDelete->isEnabled() && cmdDelete->isVisible() && !Running())
            DeleteKey();
        event->accept();
    } else if (plain && event->key() == Qt::Key_Escape && (Running() || !cmdCancel->isEnabled())) {
        // As "Cancel": while rows are deleted it stops the deleting.
        if (cmdCancel->isEnabled())
            cmdCancel_Click();
        event->accept();
    } else {
        QDialog::keyPressEvent(event);
    }
}

void ListWindow::MouseRelease(int button, const QPoint &pos)
{
    setwPendingButton(0);
    if (button == Qt::RightButton)
        PopupMenu(pos);
    UpdateButtons();
}

void ListWindow::PopupMenu(const QPoint &pos) { m_menu->popup(lsvData->viewport()->mapToGlobal(pos)); }

bool ListWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The list's own timers lay it out again after each removed row; held
    // back during a walk, except under a message box (whose loop would
    // otherwise spin on them).
    if (watched == lsvData && m_fWalkHold && event->type() == QEvent::Timer) {
        const QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == this)
            return true;
    }
    if (watched == lsvData->viewport()) {
        switch (event->type()) {
        case QEvent::Paint:
            m_fWalkPainted = true;
            break;
        case QEvent::MouseButtonPress: {
            const auto *e = static_cast<QMouseEvent *>(event);
            MousePress(int(e->button()), e->position().toPoint());
            break;
        }
        case QEvent::MouseMove: {
            const auto *e = static_cast<QMouseEvent *>(event);
            if (e->buttons() == Qt::NoButton && wPendingButton() != 0) {
                MouseRelease(wPendingButton(), e->position().toPoint());
                setwPendingButton(0);
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
                AfterSelectAllKey();
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
            setwMouseRow(current.isValid() && IsRowSelected(lsvData, current.row()) ? qint16(current.row() + 1) : 0);
            UpdateButtons();
            const QRect r = lsvData->visualRect(current);
            PopupMenu(r.isValid() ? r.center() : QPoint(0, 0));
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ListWindow::done(int result)
{
    if (clsOperation *op = Running())
        op->Cancel();
    m_fClosing = true;
    timDisconnect->stop();
    QDialog::done(result);
}

void ListWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void ListWindow::ArrangeControls()
{
    // The panel at the top right, the list filling the rest.
    const int w = width(), h = height(), pw = picBox->width();
    picBox->setGeometry(w - pw, 0, pw, h);
    lsvData->setGeometry(0, 0, qMax(0, w - pw), h);
}
