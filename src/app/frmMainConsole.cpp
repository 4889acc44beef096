// SPDX-License-Identifier: GPL-3.0-or-later
// The console boxes: the meter's text and the USB status lines shown (in
// batches while hidden or downloading), and what is typed sent to the meter.
#include "app/frmMain.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "common/modAnsi.h"
#include "common/modConsole.h"
#include "common/modEvents.h"
#include "common/modWin.h"
#include "protocol/clsDevice.h"
#include "protocol/modConsoleSend.h"
#include "usb/clsUsbHid.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>

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
    if (gApp && gApp->fDebug())
        AppendTo(txtResults, line + QStringLiteral("\r\n"));
}

bool frmMain::txtConsole_KeyPress(int KeyAscii)
{
    if (!gUsbHid->fDeviceConnected())
        return false; // ordinary typing; nothing is sent
    // Escape stops the typed command still waiting for its reply.
    if (KeyAscii == 27 && m_console && m_console->IsRunning()) {
        m_console->Cancel();
        return true;
    }
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
    const bool complete = gDevice->PacketOut().fComplete();
    if (complete)
        ConsoleText(QStringLiteral("\n"));
    if (!complete)
        return true;

    // Sent and answered on the link thread; each report is shown as it comes.
    auto *send = new clsConsoleSend(*gDevice, gDevice->PacketOut(), this);
    gDevice->PacketOut().Clear();
    connect(send, &clsConsoleSend::Packet, this, [this](const clsPacket &in) {
        QString text;
        for (int i = 0; i < in.Length(); ++i) {
            const quint8 b = in.Buffer(i);
            if (b == 13 || b == 10)
                text += QStringLiteral("\r\n");
            else
                text += AnsiToChar(b);
        }
        ConsoleText(text);
    });
    connect(send, &clsOperation::Finished, this, [this, send](OpStatus sent) {
        send->deleteLater();
        if (sent == OpStatus::Ok)
            txtConsole->moveCursor(QTextCursor::End);
    });
    m_console = send;
    send->Start();
    return true;
}

void frmMain::StopConsoleSend()
{
    // Waits for the read under way: the link is not shut under it.
    if (m_console)
        m_console->Cancel();
    delete m_console;
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
