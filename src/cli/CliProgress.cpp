// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliProgress.h"
#include "cli/CliTerminal.h"

namespace cli {

namespace {
constexpr int kBarWidth = 30;
constexpr qint64 kRedrawMs = 50; // a fast meter must not be slowed by the terminal
} // namespace

TerminalProgress::TerminalProgress() : m_shown(StderrIsTerminal()) {}

TerminalProgress::~TerminalProgress() { ProgressClose(); }

QString TerminalProgress::BarLine(const QString &szMessage, int value, int maximum, int width)
{
    const int done = maximum > 0 ? int(qint64(qBound(0, value, maximum)) * width / maximum) : width;
    const int percent = maximum > 0 ? int(qint64(qBound(0, value, maximum)) * 100 / maximum) : 100;
    return szMessage + QStringLiteral(" [") + QString(done, QLatin1Char('#')) + QString(width - done, QLatin1Char(' '))
           + QStringLiteral("] ") + QStringLiteral("%1%").arg(percent, 3);
}

void TerminalProgress::Draw(const QString &line)
{
    ShowStatus(line);
    m_drawn.start();
}

void TerminalProgress::ProgressOpen(const QString &szCaption, int maximum)
{
    ProgressClose();
    m_maximum = maximum;
    m_open = true;
    m_drawn.invalidate();
    if (m_shown)
        Draw(BarLine(szCaption, 0, maximum, kBarWidth));
}

void TerminalProgress::ProgressStep(int value)
{
    if (!m_shown || !m_open)
        return;
    if (value < m_maximum && m_drawn.isValid() && m_drawn.elapsed() < kRedrawMs)
        return;
    Draw(BarLine(StepMessage(value, m_maximum), value, m_maximum, kBarWidth));
}

void TerminalProgress::ProgressFinished(const QString &szMessage)
{
    if (!m_shown || !m_open)
        return;
    QString text = szMessage;
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    WriteErr(text + QLatin1Char('\n')); // replaces the bar
    m_open = false;
}

void TerminalProgress::ProgressCancelled(const QString &szMessage)
{
    // Said on or off a terminal: the exit status alone does not say why.
    if (m_open && m_shown)
        ClearStatus();
    WriteErr(szMessage + QLatin1Char('\n'));
    m_open = false;
}

void TerminalProgress::ProgressClose()
{
    if (m_open && m_shown)
        ClearStatus(); // room for the message that follows
    m_open = false;
}

} // namespace cli
