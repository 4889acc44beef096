// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bulk download: every record of one store from the meter into a CSV file,
// a list window, or both. The same routine serves the windows and the
// command-line tool, so both write the same bytes; each supplies the
// progress display through DownloadUi.
#include "listview/modDownloadTarget.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

// What the download shows while it runs. Every step does nothing by default.
class DownloadUi
{
public:
    virtual ~DownloadUi();
    // Loads the progress display with its caption and a bar from 0 to
    // `maximum`, its OK disabled, and shows it (not modal).
    virtual void ProgressOpen(const QString &szCaption, int maximum);
    // One record read of `maximum`: bar value, label text (StepMessage), and
    // the display brought to the front.
    virtual void ProgressStep(int value);
    // "Reading Data 3 of 20": built only by a display that shows it, as
    // records from a fast meter come quicker than any display is redrawn.
    static QString StepMessage(int value, int maximum);
    // Every record read: label text, OK enabled.
    virtual void ProgressFinished(const QString &szMessage);
    // Returns when the user has closed the progress display (waiting in the
    // event loop, never spinning). Returns at once when it is not shown.
    virtual void WaitForOk();
    // Unloads the progress display; nothing when it is not loaded.
    virtual void ProgressClose();
    virtual void SetMainEnabled(bool fEnabled);
    virtual void BringMainToFront();
};

// Reads every record of store `DataType` (0 saved measurements, 1 Tx
// entries) to a CSV file the user picks (fSaveToFile) and/or the list
// window of that store (fFillInForm). After a completed save fSaveToFile is
// false. Every message goes through MsgBox, the save dialog through
// gApp->SaveFileAs. A second call while one runs returns at once.
void GetAllData(DownloadUi &ui, qint32 DataType, bool &fSaveToFile, bool &fFillInForm);
