// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its controls, their place and size, and closing it.
#include "app/frmMain.h"
#include "common/clsOperation.h"
#include "app/clsApp.h"
#include "records/clsVersion.h"
#include "app/globals.h"
#include "common/modConsole.h"
#include "common/modEvents.h"
#include "app/modLogoGui.h"
#include "common/modWin.h"
#include "records/clsFsm.h"
#include "storage/modFile.h"
#include "usb/clsUsbHid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

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

} // namespace

frmMain::frmMain()
{
    setObjectName(QStringLiteral("frmMain"));
    InstallFileDialog(); // unless a test answers it
    if (gApp)
        gApp->setMainForm(this);
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
    connect(gFsm->Version(), &clsVersion::VersionChanged, this, onWindowThread(&frmMain::mVersion_VersionChanged),
            Qt::DirectConnection);
    connect(gFsm->Version(), &clsVersion::VersionUnknown, this, onWindowThread(&frmMain::mVersion_VersionUnknown),
            Qt::DirectConnection);
    gApp->setfRememberSaves(true); // the save dialog proposes what was chosen in earlier runs
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
    if (gApp && gApp->MainForm() == this)
        gApp->setMainForm(nullptr);
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
    if (gApp->fDebug())
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
    StopConsoleSend();
    // A step on the link thread may be reading from the meter (the version
    // query of a silent one): the session closes the link once it returns.
    if (!LinkStepUnderWay())
        gUsbHid->Shutdown();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (*it != this && (*it)->isVisible())
            (*it)->close();
    }
    QCoreApplication::quit();
}
