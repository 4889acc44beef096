// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/clsOperation.h"
#include "storage/modWindowState.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The main window.
class frmMain : public QMainWindow, public PlacementWindow
{
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;
    // Puts the console text held back (box hidden, or a download's batch)
    // into the box.
    void FlushConsole();
    // Each console box keeps its last `lines` lines (kConsoleHistory unless a
    // test asks for fewer), and no more waits for the hidden box.
    static constexpr int kConsoleHistory = 20000;
    void SetConsoleHistory(int lines);
    // Line breaks held back for the console box while it is hidden.
    int HeldBackLines() const { return m_consoleBatchLines; }

    // Reads every record of one store into a CSV file and/or its list
    // window. Returns after the checks; the records are read from the event
    // loop, and DownloadFinished tells how it went once the user has seen it.
    void GetAllData(qint32 DataType, bool fSaveToFile, bool fFillInForm);
    bool DownloadRunning() const { return m_download != nullptr; }

    // Shows or hides the debug boxes and items, then sizes the window.
    void DebugHelp();

    static constexpr int kCommands = 5;

    // Placement in twips, for the remembered window position.
    double Left() const override;
    double Top() const override;
    double Width() const override;
    double Height() const override;
    qint16 WindowState() const override;
    void SetWindowState(qint16 state) override;
    void Move(qint32 left, qint32 top) override;
    double ScreenWidth() const override;
    double ScreenHeight() const override;
    QVector<QRectF> AvailableAreas() const override;
    QSizeF TitleBarPart() const override;

signals:
    void DownloadFinished(OpStatus status);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void mUsbHid_Connect();
    void mUsbHid_Disconnect();
    void mVersion_VersionChanged();
    void mVersion_VersionUnknown();
    void cmdCommand_Click(int Index);
    void mnuActions_Click();
    void mnuActionsDebug_Click();
    void mnuActionsSoftwareVersion_Click();
    void mnuCopy_Click();
    void mnuCut_Click();
    void mnuSelectAll_Click();
    void mnuHelpAbout_Click();
    void ConsoleText(const QString &text);
    void UsbStatus(const QString &line);

private:
    // Controls (geometry in twips, see the constructor), each named as its
    // member for the tests.
    QWidget *picToolBar = nullptr;
    QPushButton *cmdCommand[kCommands] = {};
    QLabel *picHalvern = nullptr;
    QLabel *lblConsole = nullptr;
    QPlainTextEdit *txtConsole = nullptr;
    QLabel *lblResults = nullptr;
    QPlainTextEdit *txtResults = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuFileNew = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileClose = nullptr;
    QAction *mnuFileSep1 = nullptr;
    QAction *mnuFileSave = nullptr;
    QAction *mnuFileSaveAs = nullptr;
    QAction *mnuFileSep2 = nullptr;
    QAction *mnuFileExportMap = nullptr;
    QAction *mnuFilePlot = nullptr;
    QAction *mnuFileExit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuCopy = nullptr;
    QAction *mnuCut = nullptr;
    QAction *mnuSelectAll = nullptr;
    QMenu *mnuActions = nullptr;
    QAction *mnuActionsReadData = nullptr;
    QAction *mnuActionsDeleteData = nullptr;
    QAction *mnuSepChar1 = nullptr;
    QAction *mnuActionsReadTx = nullptr;
    QAction *mnuActionsDeleteTx = nullptr;
    QAction *mnuActionsUploadTx = nullptr;
    QAction *mnuSepChar2 = nullptr;
    QAction *mnuActionsSoftwareVersion = nullptr;
    QAction *mnuActionsDebug = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpAbout = nullptr;

    void ConcludeDownload();
    void EndDownload(OpStatus status);
    QPointer<QObject> m_download; // the download under way, until its end was seen

    void BuildMenus();
    void UpdateCommands();
    void HideDebugMenus();
    void ShowDebugMenus();
    // Keeps the Actions menu from opening with nothing in it.
    void UpdateActionsMenu();
    void SizeMainWindow();
    // The console's key handling; false when the key is left to the box.
    bool txtConsole_KeyPress(int KeyAscii);
    QPointer<clsOperation> m_console; // the typed command under way
    void StopConsoleSend();
    void AppendTo(QPlainTextEdit *box, const QString &text);

    bool m_consoleCR = false; // the console's text ends in a CR not yet shown
    bool m_resultsCR = false;
    bool m_consoleScroll = false; // a move of the caret to the end is queued
    bool m_resultsScroll = false;
    bool m_unloaded = false;

    // The console's text is held back while its box is hidden and goes in
    // when debug mode shows it; during a bulk download it goes in batches.
    // Laying out each record line alone costs more than reading it.
    void BatchConsole(bool fOn);
    bool m_fBatchConsole = false;
    QStringList m_consoleBatch;
    int m_consoleBatchLines = 0; // line breaks in m_consoleBatch
    int m_consoleHistory = kConsoleHistory;
    void TrimConsoleBatch();
    QTimer m_consoleTimer; // single shot: the batch goes in when it fires
};
