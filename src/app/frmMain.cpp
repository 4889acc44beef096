// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"
#include "storage/modFile.h"
#include "app/modConnect.h"
#include "app/clsApp.h"
#include "records/clsVersion.h"
#include "app/frmAbout.h"
#include "app/globals.h"
#include "common/modAnsi.h"
#include "common/modConsole.h"
#include "common/modEvents.h"
#include "app/modLogoGui.h"
#include "app/modMapExportGui.h"
#include "common/modMsgBox.h"
#include "common/modWin.h"
#include "protocol/clsDevice.h"
#include "protocol/modConsoleSend.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "saveddata/frmFieldPlot.h"
#include "storage/clsFile.h"
#include "storage/modFile.h"
#include "usb/clsUsbHid.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextBlock>
#include <QTextEdit>

#include <algorithm>

namespace {

// Control geometry in twips.
constexpr double kToolBarWidth = 2175, kToolBarHeight = 9510;
constexpr double kCommandWidth = 1815, kCommandHeight = 615;
constexpr double kHalvernWidth = 8310, kHalvernHeight = 4035;
constexpr double kBoxLeft = 2280, kBoxWidth = 7695;
constexpr double kConsoleLabelTop = 4080, kConsoleTop = 4440, kConsoleHeight = 3015;
constexpr double kResultsLabelTop = 7680, kResultsTop = 8040, kResultsHeight = 1335;

QRect TwipRectPx(double left, double top, double width, double height)
{
    return QRect(TwipsToPixels(left, 0), TwipsToPixels(top, 1), TwipsToPixels(width, 0), TwipsToPixels(height, 1));
}

// A command button whose caption wraps onto several lines (and shrinks when
// even that does not fit), as the narrow tool bar needs.
class WrapButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter p(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        p.drawControl(QStyle::CE_PushButton, option);

        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 0, -2, 0);
        const int flags = Qt::AlignCenter | Qt::TextWordWrap;
        // One size for the whole tool bar: the largest at which every caption fits.
        QStringList captions;
        for (const QObject *o : parent()->children())
            if (auto *b = qobject_cast<const QPushButton *>(o); b && !b->isHidden())
                captions << Shown(b->text());
        QFont f = font();
        for (qreal size = f.pointSizeF(); size > 5.5; size -= 0.5) {
            f.setPointSizeF(size);
            const QFontMetrics metrics(f);
            const bool fits = std::all_of(captions.cbegin(), captions.cend(), [&](const QString &caption) {
                const QRect need = metrics.boundingRect(area, flags, caption);
                return need.width() <= area.width() && need.height() <= area.height();
            });
            if (fits)
                break;
        }
        p.setFont(f);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(area, flags, Shown(text()));
    }

private:
    // The meter's name is never split over two lines.
    static QString Shown(QString caption) { return caption.replace(QStringLiteral("ZT 6200"), QStringLiteral("ZT\u00A06200")); }
};

// The logo, drawn to fill the picture box.
class LogoBox : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        PaintLogo(p, QRectF(rect()));
    }
};

QFont ConsoleFont()
{
    QFont f(QStringLiteral("Courier New"), 9);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    if (!QFontInfo(f).fixedPitch()) {
        const qreal size = f.pointSizeF();
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        f.setPointSizeF(size);
    }
    return f;
}

// A caption above one of the text boxes, at their left edge.
QLabel *MakeCaption(QWidget *parent, const QString &name, const QString &text, double top)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(TwipsToPixels(kBoxLeft, 0), TwipsToPixels(top, 1));
    label->adjustSize();
    return label;
}

// One of the text boxes: full width at the left edge, `top` and `height` in twips.
QPlainTextEdit *MakeBox(QWidget *parent, const QString &name, double top, double height)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setFont(ConsoleFont());
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth); // long record lines wrap, no sideways scrolling
    box->setTabChangesFocus(true);
    box->setUndoRedoEnabled(false); // the boxes only take text at the end; no undo history to keep
    box->setGeometry(TwipRectPx(kBoxLeft, top, kBoxWidth, height));
    return box;
}

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

frmMain::frmMain()
{
    setObjectName(QStringLiteral("frmMain"));
    InstallFileDialog(); // unless a test answers it
    if (gApp)
        gApp->MainForm = this;
    // Fixed single border: minimise, no maximise, not resizable (SizeMainWindow fixes the size).
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(DataclaveIcon());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    picToolBar = new QWidget(client);
    picToolBar->setObjectName(QStringLiteral("picToolBar"));
    picToolBar->setGeometry(TwipRectPx(0, 0, kToolBarWidth, kToolBarHeight));
    picToolBar->setMouseTracking(true);
    for (int i = 0; i < kCommands; ++i) {
        cmdCommand[i] = new WrapButton(picToolBar);
        cmdCommand[i]->setObjectName(QStringLiteral("cmdCommand_%1").arg(i));
        const double left = i == 4 ? 120 : 150;
        cmdCommand[i]->setGeometry(TwipRectPx(left, 120 + 720 * i, kCommandWidth, kCommandHeight));
        connect(cmdCommand[i], &QPushButton::clicked, this, [this, i] { cmdCommand_Click(i); });
    }

    picHalvern = new LogoBox(client);
    picHalvern->setObjectName(QStringLiteral("picHalvern"));
    picHalvern->setGeometry(TwipRectPx(kToolBarWidth - 1, 0, kHalvernWidth, kHalvernHeight));
    picHalvern->setMouseTracking(true);
    picHalvern->setAccessibleName(clsApp::AppTitle());

    lblConsole = MakeCaption(client, QStringLiteral("lblConsole"), QStringLiteral("FSM Communications"), kConsoleLabelTop);
    txtConsole = MakeBox(client, QStringLiteral("txtConsole"), kConsoleTop, kConsoleHeight);
    lblConsole->setBuddy(txtConsole);

    lblResults = MakeCaption(client, QStringLiteral("lblResults"), QStringLiteral("USB Status Messages"), kResultsLabelTop);
    txtResults = MakeBox(client, QStringLiteral("txtResults"), kResultsTop, kResultsHeight);
    txtResults->setReadOnly(true);
    lblResults->setBuddy(txtResults);
    SetConsoleHistory(kConsoleHistory);

    BuildMenus();

    // Load.
    // The link and the record object may tell of a change from a step on the
    // link thread: the window hears of it on its own thread, in order.
    const auto onWindowThread = [this](void (frmMain::*slot)()) {
        return [this, slot] { WindowThreadDo([this, slot] { (this->*slot)(); }); };
    };
    connect(gUsbHid, &clsUsbHid::Connect, this, onWindowThread(&frmMain::mUsbHid_Connect), Qt::DirectConnection);
    connect(gUsbHid, &clsUsbHid::Disconnect, this, onWindowThread(&frmMain::mUsbHid_Disconnect), Qt::DirectConnection);
    connect(gFsm->Version, &clsVersion::VersionChanged, this, onWindowThread(&frmMain::mVersion_VersionChanged),
            Qt::DirectConnection);
    connect(gFsm->Version, &clsVersion::VersionUnknown, this, onWindowThread(&frmMain::mVersion_VersionUnknown),
            Qt::DirectConnection);
    gApp->Dialog = this;
    gApp->fRememberSaves = true; // the save dialog proposes what was chosen in earlier runs
    setWindowTitle(clsApp::AppTitle());
    gApp->Caption();
    for (QAction *item : {mnuFileNew, mnuFileOpen, mnuFileClose, mnuFileSep1, mnuFileSave, mnuFileSaveAs, mnuFileSep2})
        item->setVisible(false);
    mnuSepChar2->setVisible(fShiftKey);
    mnuActionsSoftwareVersion->setVisible(fShiftKey);
    mnuActionsDebug->setVisible(fShiftKey);
    DebugHelp();
    UpdateCommands();

    connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, this, &frmMain::ConsoleText);
    m_consoleTimer.setSingleShot(true);
    m_consoleTimer.setInterval(40); // a batch a frame: the box still follows the download live
    connect(&m_consoleTimer, &QTimer::timeout, this, &frmMain::FlushConsole);
    connect(ConsoleSink::instance(), &ConsoleSink::UsbStatus, this, &frmMain::UsbStatus);
    // Key preview: the window sees key presses before its controls.
    qApp->installEventFilter(this);
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
    if (gApp && gApp->MainForm == this)
        gApp->MainForm = nullptr;
}

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
        const qint16 value = gFsm->Version->value();
        const bool supported = value == 3 || value == 4;
        const bool none = value >= 0 && value <= 2;
        if (!supported && !none) {
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

void frmMain::mUsbHid_Connect() { gApp->Caption(); }

void frmMain::mUsbHid_Disconnect()
{
    gFsm->Version->setszVersion(QString());
    gApp->Caption();
}

void frmMain::mVersion_VersionChanged() { UpdateCommands(); }

void frmMain::mVersion_VersionUnknown()
{
    ShowUpdateSoftware();
    UpdateCommands();
}

void frmMain::mnuActionsSoftwareVersion_Click()
{
    MsgBox(QStringLiteral("Software Version ") + gFsm->Version->szVersion(), vb::Information,
           QStringLiteral("ZT 6200 Software Version Number"));
    fShiftKey = false;
}

void frmMain::DebugHelp()
{
    const bool debug = gApp->fDebug;
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
    mnuActionsDebug->setText(gApp->fDebug ? QStringLiteral("Debugging Off") : QStringLiteral("Debugging On"));
}

void frmMain::mnuActionsDebug_Click()
{
    gApp->fDebug = !gApp->fDebug;
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

void frmMain::SizeMainWindow()
{
    // The frame above and around the client area: the menu bar plus the
    // window manager's title bar and borders (unknown until first shown).
    const int frameExtra = qMax(0, frameGeometry().height() - geometry().height());
    const int menuHeight = menuBar()->isNativeMenuBar() ? 0 : menuBar()->sizeHint().height();
    const double h = PixelsToTwips(menuHeight + frameExtra, 1);

    picHalvern->move(TwipsToPixels(kToolBarWidth - 1, 0), 0);
    const double width = kToolBarWidth + kHalvernWidth;
    double height = kHalvernHeight + h;
    if (gApp->fDebug)
        height = kResultsTop + kResultsHeight + (height - kHalvernHeight) + 200;
    // The pictures fill the client width; the height is the outer one less the frame.
    setFixedSize(TwipsToPixels(width, 0), TwipsToPixels(height, 1) - frameExtra);

    // Growing for the debug boxes must not push the window's bottom off the screen.
    if (isVisible() && !isMinimized() && screen()) {
        const QRect avail = screen()->availableGeometry();
        const int overflow = frameGeometry().bottom() - avail.bottom();
        if (overflow > 0)
            move(pos().x(), qMax(avail.top(), pos().y() - overflow));
    }
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

// Appends at the end without touching the rest of the text. CR, LF and CR LF
// each make one line break, also when a CR LF arrives in two pieces.
void frmMain::AppendTo(QPlainTextEdit *box, const QString &text)
{
    bool &pendingCR = box == txtConsole ? m_consoleCR : m_resultsCR;
    QString out = text;
    if (pendingCR && out.startsWith(QLatin1Char('\n')))
        out.remove(0, 1);
    if (!text.isEmpty())
        pendingCR = text.endsWith(QLatin1Char('\r'));
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (!out.isEmpty()) {
        QTextCursor end(box->document());
        end.movePosition(QTextCursor::End);
        end.insertText(out);
    }
    // Moving the caret lays the view out again: do it once per pass of the
    // message loop, however many pieces arrived since.
    bool &scrollPending = box == txtConsole ? m_consoleScroll : m_resultsScroll;
    if (!scrollPending) {
        scrollPending = true;
        QMetaObject::invokeMethod(
            this,
            [box, &scrollPending] {
                scrollPending = false;
                box->moveCursor(QTextCursor::End);
            },
            Qt::QueuedConnection);
    }
}

// Line breaks as the boxes count them: CR LF, a lone CR, a lone LF.
static int LineBreaks(const QString &text)
{
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == QLatin1Char('\r') || (text.at(i) == QLatin1Char('\n') && (i == 0 || text.at(i - 1) != QLatin1Char('\r'))))
            ++n;
    return n;
}

void frmMain::SetConsoleHistory(int lines)
{
    m_consoleHistory = qMax(1, lines);
    txtConsole->setMaximumBlockCount(m_consoleHistory);
    txtResults->setMaximumBlockCount(m_consoleHistory);
    TrimConsoleBatch();
}

void frmMain::TrimConsoleBatch()
{
    // What the box would drop at once need not wait for it.
    while (!m_consoleBatch.isEmpty()) {
        const int first = LineBreaks(m_consoleBatch.constFirst());
        if (m_consoleBatchLines - first < m_consoleHistory)
            break;
        m_consoleBatch.removeFirst();
        m_consoleBatchLines -= first;
    }
}

void frmMain::ConsoleText(const QString &text)
{
    const bool hidden = txtConsole->isHidden();
    if (!hidden && !m_fBatchConsole) {
        FlushConsole();
        AppendTo(txtConsole, text);
        return;
    }
    m_consoleBatch << text; // shares the text: no copy
    m_consoleBatchLines += LineBreaks(text);
    TrimConsoleBatch();
    if (!hidden && !m_consoleTimer.isActive())
        m_consoleTimer.start();
}

void frmMain::FlushConsole()
{
    m_consoleTimer.stop();
    if (m_consoleBatch.isEmpty())
        return;
    m_consoleBatchLines = 0;
    const QString text = std::exchange(m_consoleBatch, QStringList()).join(QString());
    AppendTo(txtConsole, text);
}

void frmMain::BatchConsole(bool fOn)
{
    if (!fOn && !txtConsole->isHidden())
        FlushConsole();
    m_fBatchConsole = fOn;
}

void frmMain::UsbStatus(const QString &line)
{
    if (gApp && gApp->fDebug)
        AppendTo(txtResults, line + QStringLiteral("\r\n"));
}

bool frmMain::txtConsole_KeyPress(int KeyAscii)
{
    if (!gUsbHid->fDeviceConnected())
        return false; // ordinary typing; nothing is sent
    // Nothing typed goes out between the steps of an operation.
    if (OperationRunning()) {
        Beep();
        return true;
    }
    const int byte = KeyAscii == 13 ? 13 : CharToAnsi(QChar(KeyAscii));
    if (!gDevice->AddChar(byte)) {
        Beep(); // the packet is full: only Enter is taken now
        return true;
    }
    ConsoleText(QString(AnsiToChar(quint8(byte))));
    const bool complete = gDevice->PacketOut.fComplete;
    if (complete)
        ConsoleText(QStringLiteral("\n"));
    if (!complete)
        return true;

    const ConsoleSendResult sent = ConsoleSend([this](const clsPacket &in) {
        QString text;
        for (int i = 0; i < in.Length; ++i) {
            const quint8 b = in.Buffer(i);
            if (b == 13 || b == 10)
                text += QStringLiteral("\r\n");
            else
                text += AnsiToChar(b);
        }
        ConsoleText(text);
    });
    if (sent != ConsoleSendResult::Replied)
        return true;
    txtConsole->moveCursor(QTextCursor::End);
    return true;
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w || w->window() != this)
            break;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Shift) {
            if (event->type() == QEvent::KeyPress)
                ShowDebugMenus();
            else
                HideDebugMenus();
        }
        if (watched != txtConsole || event->type() != QEvent::KeyPress)
            break;
        int k = 0;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: k = 13; break;
        case Qt::Key_Backspace: k = 8; break;
        case Qt::Key_Escape: k = 27; break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete: break;
        default:
            if (!key->text().isEmpty())
                k = key->text().at(0).unicode();
            break;
        }
        if (k == 0)
            break;
        // Ctrl and Alt combinations are editing and shortcut keys, never
        // characters for the meter (AltGr, reported as Ctrl+Alt, still types).
        // While connected only copying and selecting are let through, so
        // nothing can look typed but unsent.
        const Qt::KeyboardModifiers mods =
            key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const bool altGr = mods == (Qt::ControlModifier | Qt::AltModifier) && k >= 32 && k != 127;
        if (mods && !altGr) {
            if (!gUsbHid->fDeviceConnected() || key->matches(QKeySequence::Copy)
                || key->matches(QKeySequence::SelectAll))
                break;
            return true;
        }
        if (txtConsole_KeyPress(k))
            return true;
        break;
    }
    case QEvent::MouseMove:
        // Shift held while crossing the pictures on the way to the menu keeps the items.
        if ((watched == picToolBar || watched == picHalvern)
            && !(static_cast<QMouseEvent *>(event)->modifiers() & Qt::ShiftModifier))
            HideDebugMenus();
        break;
    case QEvent::WindowActivate:
        if (watched == this)
            HideDebugMenus();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!isEnabled()) {
        event->ignore(); // a download is running; its own window ends it
        return;
    }
    event->accept();
    if (m_unloaded)
        return;
    m_unloaded = true;
    SaveWindowState();
    gUsbHid->Shutdown();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (*it != this && (*it)->isVisible())
            (*it)->close();
    }
    QCoreApplication::quit();
}

double frmMain::Left() const { return PixelsToTwips(pos().x(), 0); }
double frmMain::Top() const { return PixelsToTwips(pos().y(), 1); }
double frmMain::Width() const { return PixelsToTwips(frameGeometry().width(), 0); }
double frmMain::Height() const { return PixelsToTwips(frameGeometry().height(), 1); }

qint16 frmMain::WindowState() const
{
    const Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized)
        return 1;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return 2;
    return 0;
}

void frmMain::SetWindowState(qint16 state)
{
    // The window has a fixed size, so a stored "maximised" opens it normally.
    setWindowState(state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
}

void frmMain::Move(qint32 left, qint32 top) { move(TwipsToPixels(left, 0), TwipsToPixels(top, 1)); }
double frmMain::ScreenWidth() const { return ScreenTwips(nullptr).width; }
double frmMain::ScreenHeight() const { return ScreenTwips(nullptr).height; }

QVector<QRectF> frmMain::AvailableAreas() const
{
    QVector<QRectF> areas;
    const QScreen *primary = QGuiApplication::primaryScreen();
    QList<QScreen *> screens = QGuiApplication::screens();
    std::stable_partition(screens.begin(), screens.end(), [primary](const QScreen *s) { return s == primary; });
    for (const QScreen *s : std::as_const(screens)) {
        const QRect r = s->availableGeometry();
        areas << QRectF(PixelsToTwips(r.x(), 0), PixelsToTwips(r.y(), 1), PixelsToTwips(r.width(), 0),
                        PixelsToTwips(r.height(), 1));
    }
    return areas;
}

QSizeF frmMain::TitleBarPart() const { return QSizeF(PixelsToTwips(100, 0), PixelsToTwips(30, 1)); }
