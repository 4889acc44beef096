// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture's window parts.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "app/modMsgBoxGui.h"
#include "listview/modLV.h"
#include "listview/clsListModel.h"
#include <QTest>
#include <QtWidgets>

void InstallModalBoxes()
{
    gShowModalBox = [](const ShownBox &b, int answer, int delayMs, const std::function<void()> &whileOpen) {
        return ShowMessageBox(b.prompt, b.buttons, b.title, [=](QMessageBox &box) {
            QTimer::singleShot(delayMs, &box, [&box, answer, whileOpen] {
                if (whileOpen)
                    whileOpen();
                QAbstractButton *button = box.button(answer == vb::Yes ? QMessageBox::Yes : answer == vb::No ? QMessageBox::No
                                                     : answer == vb::Cancel ? QMessageBox::Cancel : QMessageBox::Ok);
                (button ? button : box.defaultButton())->click();
            });
        });
    };
}

void MainWindowTest::SetUp()
{
    MeterTest::SetUp();
    gApp->setMainForm(main = new frmMain);
    m_oldDialog = SetSaveDialogHandler([this](const QString &title, const QString &, const QString &) {
        dialogs << title;
        if (whileDialogOpen)
            whileDialogOpen();
        return saveAs;
    });
    QObject::connect(&m_user, &QTimer::timeout, main, [this] {
        for (frmMessage *m : main->findChildren<frmMessage *>()) {
            m_mainEnabledDuring |= main->isEnabled();
            caption = m->windowTitle();
            if (!Named<QPushButton>(m, "cmdOk")->isEnabled()) {
                // The user clicks the disabled main window meanwhile.
                if (clicksMain)
                    main->activateWindow();
            } else if (finished.isEmpty()) {
                finished = Named<QLabel>(m, "lblMessage")->text();
                EXPECT_FALSE(Named<QPushButton>(m, "cmdCancel")->isVisible()) << "\"Cancel\" left beside \"OK\"";
                // The user clicks the main window after the end, then presses Enter.
                main->activateWindow();
                m_ended.start();
            } else if ((QApplication::activeWindow() == m && m_ended.elapsed() > 20) || m_ended.elapsed() > 2000) {
                // A window manager activates a little later than it is asked. Enter
                // presses "OK" only where the progress window is active with "OK" focused.
                m_okActive = QApplication::activeWindow() == m && QApplication::focusWidget() == Named<QPushButton>(m, "cmdOk");
                if (m_okActive)
                    QTest::keyClick(Named<QPushButton>(m, "cmdOk"), Qt::Key_Enter, Qt::KeypadModifier);
                if (m->isVisible())
                    Named<QPushButton>(m, "cmdOk")->click();
            }
        }
    });
    m_user.start(1);
}

void MainWindowTest::TearDown()
{
    m_user.stop();
    SetSaveDialogHandler(m_oldDialog);
    gApp->setMainForm(nullptr);
    delete main;
    MeterTest::TearDown();
}

bool MainWindowTest::Download(qint32 type, bool save)
{
    boxes.clear(), dialogs.clear(), caption.clear(), finished.clear();
    m_mainEnabledDuring = m_okActive = false;
    main->show(); // a window the user can click
    bool done = false;
    OpStatus status = OpStatus::Failed;
    const QMetaObject::Connection c = QObject::connect(main, &frmMain::DownloadFinished, [&](OpStatus s) { status = s, done = true; });
    main->GetAllData(type, save, !save);
    // Read from the event loop, as the user's clicks are.
    const QDeadlineTimer waited(10000);
    // The longest download of the tests (300 records through a slow meter)
    // takes a second; one that has not ended after 10 s never will.
    while (!done && !waited.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    QObject::disconnect(c);
    QCoreApplication::processEvents(); // the boxes told after the last step
    EXPECT_TRUE(done) << "the download had not ended after 10 s";
    lastStatus = status;
    EXPECT_FALSE(OperationRunning());
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(m_mainEnabledDuring);
    EXPECT_TRUE(main->findChildren<frmMessage *>().isEmpty());
    EXPECT_FALSE(gApp->File()->IsOpen());
    // "Finished!" makes the progress window active again, so Enter presses "OK".
    if (save && !finished.isEmpty())
        EXPECT_TRUE(m_okActive);
    return save && status != OpStatus::Ok;
}

void SelectRows(QTreeView *list, const QList<int> &rows)
{
    SelectNoItems(list);
    for (int r : rows)
        list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.isEmpty())
        list->selectionModel()->setCurrentIndex(list->model()->index(rows.last(), 0), QItemSelectionModel::NoUpdate);
}

void ExpectColumns(const clsListModel &m, QHeaderView *header, const QList<ColumnWant> &columns, int sortedBy)
{
    ASSERT_EQ(m.columnCount(), int(columns.size()));
    for (int c = 0; c < m.columnCount(); ++c) {
        const ColumnWant &want = columns[c];
        SCOPED_TRACE(want.heading);
        EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), want.heading);
        EXPECT_EQ(m.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, want.align);
        EXPECT_EQ(m.data(m.index(0, c), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, want.align);
        EXPECT_EQ(m.Tag(c), want.kind);
        if (c != sortedBy) {
            emit header->sectionClicked(c);
            EXPECT_EQ(m.SortOrder(), want.first);
        }
    }
}
