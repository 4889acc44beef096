// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bulk download: every record of one store from the meter into a CSV file,
// a list window, or both. The same routine serves the windows and the
// command-line tool, so both write the same bytes; each supplies the
// progress display through DownloadUi.
#include "common/clsOperation.h"
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
    // True once the display is on the screen and painted. The first record
    // waits for it (a moment at most): a read may hold the program up to
    // its time-out, and a window mapped just before it would stay unpainted
    // (blank or black, as would what a closing dialog uncovered) that long.
    virtual bool ProgressShown();
    // "Reading Data 3 of 20": built only by a display that shows it, as
    // records from a fast meter come quicker than any display is redrawn.
    static QString StepMessage(int value, int maximum);
    // The same, and once a second of reading has passed a second line with
    // the records per second and the time left at that rate.
    static QString StepMessage(int value, int maximum, qint64 elapsedMs);
    // Every record read: label text, OK enabled.
    virtual void ProgressFinished(const QString &szMessage);
    // Reading stopped by the user ("Download cancelled after 3 of 20
    // records."): label text, OK enabled.
    virtual void ProgressCancelled(const QString &szMessage);
    // Unloads the progress display; nothing when it is not loaded.
    virtual void ProgressClose();
    virtual void SetMainEnabled(bool fEnabled);
    virtual void BringMainToFront();
};

// Reads the records of one store, one a step, into the file the save dialog
// chose (gApp->File) and/or the list window of that store. The file replaces
// the earlier one only once every record is in it.
class clsDownload : public clsOperation
{
    Q_OBJECT
public:
    clsDownload(DownloadUi &ui, qint32 DataType, qint16 count, bool fSaveToFile, bool fFillInForm, QObject *parent = nullptr);
    ~clsDownload() override;

    bool SaveToFile() const { return m_save; }
    bool FillInForm() const { return m_fill; }
    // Says how it ended, from the event loop once it has finished: the
    // problem's message, or the last text of the progress display.
    void Conclude();
    // The filled list window, after an Ok download (null when none).
    std::unique_ptr<DownloadTarget> TakeTarget() { return std::move(m_target); }

protected:
    bool StepReady() override;
    void Step() override;
    void Cancelled() override;

private:
    enum class Problem { None, Read, Write, Told };
    void Fail(Problem problem, OpStatus status);

    DownloadUi &m_ui;
    qint32 m_type;
    qint16 m_count;
    qint16 m_next = 0;
    bool m_save, m_fill;
    Problem m_problem = Problem::None;
    DownloadTargetFactory m_makeTarget;
    std::unique_ptr<QString> m_firstLine; // for the list window, until it is made
    std::unique_ptr<DownloadTarget> m_target;
};

// The checks before reading store `DataType` (0 saved measurements, 1 Tx
// entries): its directory, the save dialog (fSaveToFile, through
// gApp->SaveFileAs) and the count again. Returns the download with its
// progress display open and the main window disabled, ready to Start; null
// when a check stopped it (it has said why) or another operation runs.
std::unique_ptr<clsDownload> PrepareDownload(DownloadUi &ui, qint32 DataType, bool fSaveToFile, bool fFillInForm);

// The whole download for callers at the top of the program (the
// command-line tool): the checks, every record (RunToEnd), the conclusion,
// then the list window when one was filled. After a completed save
// fSaveToFile is false. Failed when a check stopped it.
OpStatus GetAllData(DownloadUi &ui, qint32 DataType, bool &fSaveToFile, bool &fFillInForm);
