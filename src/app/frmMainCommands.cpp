// SPDX-License-Identifier: GPL-3.0-or-later
// The menus and the command buttons: which the firmware offers, the debug
// items Shift shows, the Edit items, About.
#include "app/frmMain.h"
#include "app/clsApp.h"
#include "app/frmAbout.h"
#include "app/modMapExportGui.h"
#include "app/globals.h"
#include "common/modMsgBox.h"
#include "common/modEvents.h"
#include "common/modFileDialog.h"
#include "records/clsFsm.h"
#include "records/clsVersion.h"
#include "saveddata/frmFieldPlot.h"
#include "storage/modFile.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

// Selected text of the common text controls; false for any other control.
bool SelectedText(QWidget *w, QString *text)
{
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        *text = line->selectedText();
        return true;
    }
    QString s;
    if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
        s = plain->textCursor().selectedText();
    else if (auto *rich = qobject_cast<QTextEdit *>(w))
        s = rich->textCursor().selectedText();
    else
        return false;
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QLatin1Char('\n'));
    *text = s;
    return true;
}

} // namespace

void frmMain::BuildMenus()
{
    auto item = [](QMenu *menu, QAction *&action, const char *name, const QString &caption,
                       const QKeySequence &key = QKeySequence()) {
        action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
    };
    auto separator = [](QMenu *menu, QAction *&action, const char *name) {
        action = menu->addSeparator();
        action->setObjectName(QLatin1String(name));
    };

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(mnuFile, mnuFileNew, "mnuFileNew", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    item(mnuFile, mnuFileOpen, "mnuFileOpen", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    item(mnuFile, mnuFileClose, "mnuFileClose", QStringLiteral("&Close"));
    separator(mnuFile, mnuFileSep1, "mnuFileSep1");
    item(mnuFile, mnuFileSave, "mnuFileSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    item(mnuFile, mnuFileSaveAs, "mnuFileSaveAs", QStringLiteral("Save &As..."));
    separator(mnuFile, mnuFileSep2, "mnuFileSep2");
    item(mnuFile, mnuFileExportMap, "mnuFileExportMap", QStringLiteral("Export Map File\u2026"));
    connect(mnuFileExportMap, &QAction::triggered, this, [] { ExportMapFileGui(); });
    item(mnuFile, mnuFilePlot, "mnuFilePlot", QStringLiteral("Plot Field Strength\u2026"));
    connect(mnuFilePlot, &QAction::triggered, this, [this] {
        InstallFileDialog();
        const QString csv = AskFileDialog({false, QStringLiteral("Plot Field Strength"), QString(), SaveDialogFilters(), QString()}).file;
        if (!csv.isEmpty())
            frmFieldPlot::OpenCsv(csv, this);
    });
    mnuFile->addSeparator();
    item(mnuFile, mnuFileExit, "mnuFileExit", QStringLiteral("E&xit"));
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);

    mnuEdit = menuBar()->addMenu(QStringLiteral("Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    item(mnuEdit, mnuCopy, "mnuCopy", QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    item(mnuEdit, mnuCut, "mnuCut", QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X));
    item(mnuEdit, mnuSelectAll, "mnuSelectAll", QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(mnuCopy, &QAction::triggered, this, &frmMain::mnuCopy_Click);
    connect(mnuCut, &QAction::triggered, this, &frmMain::mnuCut_Click);
    connect(mnuSelectAll, &QAction::triggered, this, &frmMain::mnuSelectAll_Click);

    mnuActions = menuBar()->addMenu(QStringLiteral("&Actions"));
    mnuActions->setObjectName(QStringLiteral("mnuActions"));
    item(mnuActions, mnuActionsReadData, "mnuActionsReadData",
         QStringLiteral("Download saved data from ZT 6200 to *.csv file"));
    item(mnuActions, mnuActionsDeleteData, "mnuActionsDeleteData", QStringLiteral("View/Delete saved data in ZT 6200"));
    separator(mnuActions, mnuSepChar1, "mnuSepChar1");
    item(mnuActions, mnuActionsReadTx, "mnuActionsReadTx", QStringLiteral("Download Tx data from ZT 6200 to *.csv file"));
    item(mnuActions, mnuActionsDeleteTx, "mnuActionsDeleteTx", QStringLiteral("View/Delete/Edit/Add Tx data in ZT 6200"));
    item(mnuActions, mnuActionsUploadTx, "mnuActionsUploadTx", QStringLiteral("Upload Tx Data from .csv to ZT 6200"));
    separator(mnuActions, mnuSepChar2, "mnuSepChar2");
    item(mnuActions, mnuActionsSoftwareVersion, "mnuActionsSoftwareVersion",
         QStringLiteral("Get ZT 6200 software version number"));
    item(mnuActions, mnuActionsDebug, "mnuActionsDebug", QStringLiteral("Debug On"));
    connect(mnuActions, &QMenu::aboutToShow, this, &frmMain::mnuActions_Click);
    connect(mnuActionsReadData, &QAction::triggered, this, [this] { cmdCommand_Click(0); });
    connect(mnuActionsReadTx, &QAction::triggered, this, [this] { cmdCommand_Click(1); });
    connect(mnuActionsDeleteData, &QAction::triggered, this, [this] { cmdCommand_Click(2); });
    connect(mnuActionsDeleteTx, &QAction::triggered, this, [this] { cmdCommand_Click(3); });
    // mnuActionsUploadTx has no action: there is no upload from a file.
    connect(mnuActionsSoftwareVersion, &QAction::triggered, this, &frmMain::mnuActionsSoftwareVersion_Click);
    connect(mnuActionsDebug, &QAction::triggered, this, &frmMain::mnuActionsDebug_Click);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    item(mnuHelp, mnuHelpAbout, "mnuHelpAbout", QStringLiteral("&About..."));
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
}

// Which commands the meter's firmware supports.
void frmMain::UpdateCommands()
{
    static const QString kCaption[] = {
        QStringLiteral("Download Saved Data to .csv File"),
        QStringLiteral("Download Tx Data to .csv File"),
        QStringLiteral("View/Delete Saved Data in ZT 6200"),
    };
    QAction *const item[kCommands] = {mnuActionsReadData, mnuActionsReadTx, mnuActionsDeleteData, mnuActionsDeleteTx,
                                      mnuActionsUploadTx};
    for (int i = 0; i < kCommands; ++i) {
        QPushButton *button = cmdCommand[i];
        const FirmwareProfile &firmware = gFsm->Version()->Profile();
        const bool supported = (firmware.flags & kTxChanges) != 0; // what the Tx window may do
        if (!firmware.fSupported) {
            button->setEnabled(false); // unsupported firmware
        } else if (i < 3) {
            button->setText(kCaption[i]);
            button->setEnabled(true);
        } else if (i == 3) {
            button->setText(supported ? QStringLiteral("View/Delete/Edit/Add Tx Data in ZT 6200")
                                      : QStringLiteral("View/Delete Tx Data in ZT 6200"));
            button->setEnabled(true);
        } else {
            if (supported)
                button->setText(QStringLiteral("Upload Tx Data from .csv to ZT 6200"));
            button->setEnabled(false); // no upload from a file
        }
        // isEnabledTo: the window itself is disabled during a download.
        item[i]->setText(button->text());
        item[i]->setVisible(button->isEnabledTo(picToolBar));
    }
    for (QPushButton *button : cmdCommand) {
        if (button->isEnabledTo(picToolBar)) {
            button->setVisible(true);
        } else {
            button->setText(QString());
            button->setVisible(false);
        }
    }
    UpdateActionsMenu();
}

void frmMain::UpdateActionsMenu()
{
    // A menu with no entry, or only a separator, opens as an empty 0x0
    // window, which the X server never maps again once it has been shown:
    // the menu would stay closed for the rest of the run. So the separator
    // goes with the items above it, and the title is inert while nothing
    // would show.
    mnuSepChar1->setVisible(mnuActionsReadData->isVisible() || mnuActionsDeleteData->isVisible());
    bool any = false;
    for (QAction *a : mnuActions->actions())
        any = any || (a->isVisible() && !a->isSeparator());
    mnuActions->menuAction()->setEnabled(any);
}

void frmMain::cmdCommand_Click(int Index)
{
    bool fSaveToFile = Index < 2;
    bool fFillInForm = !fSaveToFile;
    switch (Index) {
    case 0: GetAllData(0, fSaveToFile, fFillInForm); break;
    case 1: GetAllData(1, fSaveToFile, fFillInForm); break;
    case 2: GetAllData(0, fSaveToFile, fFillInForm); break;
    case 3: GetAllData(1, fSaveToFile, fFillInForm); break;
    default: break; // upload: never offered
    }
}

void frmMain::mnuActionsSoftwareVersion_Click()
{
    MsgBox(QStringLiteral("Software Version ") + gFsm->Version()->szVersion(), vb::Information,
           QStringLiteral("ZT 6200 Software Version Number"));
    fShiftKey = false;
}

void frmMain::DebugHelp()
{
    const bool debug = gApp->fDebug();
    for (QWidget *w : {static_cast<QWidget *>(txtConsole), static_cast<QWidget *>(lblConsole),
                       static_cast<QWidget *>(txtResults), static_cast<QWidget *>(lblResults)})
        w->setVisible(debug);
    if (debug)
        FlushConsole();
    mnuSepChar2->setVisible(fShiftKey);
    mnuActionsDebug->setVisible(fShiftKey);
    mnuActionsSoftwareVersion->setVisible(debug);
    UpdateActionsMenu();
    SizeMainWindow();
}

void frmMain::mnuActions_Click()
{
    mnuActionsDebug->setText(gApp->fDebug() ? QStringLiteral("Debugging Off") : QStringLiteral("Debugging On"));
}

void frmMain::mnuActionsDebug_Click()
{
    gApp->setfDebug(!gApp->fDebug());
    fShiftKey = false;
    DebugHelp();
}

void frmMain::ShowDebugMenus()
{
    fShiftKey = true;
    mnuSepChar2->setVisible(true);
    mnuActionsDebug->setVisible(true);
    mnuActionsSoftwareVersion->setVisible(true);
    UpdateActionsMenu();
}

void frmMain::HideDebugMenus()
{
    fShiftKey = false;
    mnuSepChar2->setVisible(false);
    mnuActionsDebug->setVisible(false);
    mnuActionsSoftwareVersion->setVisible(false);
    UpdateActionsMenu();
}

void frmMain::mnuCopy_Click()
{
    QString text;
    if (!SelectedText(QApplication::focusWidget(), &text))
        return;
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void frmMain::mnuCut_Click()
{
    QWidget *w = QApplication::focusWidget();
    QString text;
    if (!SelectedText(w, &text))
        return;
    mnuCopy_Click();
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        if (!line->isReadOnly())
            line->del();
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
        if (!plain->isReadOnly())
            plain->textCursor().removeSelectedText();
    } else if (auto *rich = qobject_cast<QTextEdit *>(w)) {
        if (!rich->isReadOnly())
            rich->textCursor().removeSelectedText();
    }
}

void frmMain::mnuSelectAll_Click()
{
    QWidget *w = QApplication::focusWidget();
    if (auto *line = qobject_cast<QLineEdit *>(w))
        line->selectAll();
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
        plain->selectAll();
    else if (auto *rich = qobject_cast<QTextEdit *>(w))
        rich->selectAll();
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(this);
    about.exec();
}
