// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The download's progress display on a terminal: one line on standard
// error with the count and a bar, redrawn in place. Off a terminal it
// shows nothing, so scripts see only what they asked for.
#include "app/modDownload.h"

#include <QElapsedTimer>
#include <QString>

namespace cli {

class TerminalProgress : public DownloadUi
{
public:
    TerminalProgress();
    ~TerminalProgress() override;

    void ProgressOpen(const QString &szCaption, int maximum) override;
    void ProgressStep(int value) override;
    void ProgressFinished(const QString &szMessage) override;
    void ProgressCancelled(const QString &szMessage) override;
    void ProgressClose() override;

    // The line for one step, e.g. "Reading Data 3 of 12 [#####     ]  25%".
    static QString BarLine(const QString &szMessage, int value, int maximum, int width);

private:
    void Draw(const QString &line);

    bool m_shown; // standard error is a terminal
    bool m_open = false;
    int m_maximum = 0;
    QElapsedTimer m_drawn;
};

} // namespace cli
