// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bulk download: every record of one store from the meter into a CSV file,
// a list window, or both. The same routine serves the windows and the
// command-line tool, so both write the same bytes; each supplies the
// progress display through DownloadUi. The reading itself is the engine's
// (records/clsDownload); what the user is told is said here.
#include "listview/modDownloadTarget.h"
#include "records/clsDownload.h"
#include "storage/clsFile.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

// What the download shows while it runs. Every step does nothing by default.
class DownloadUi : public DownloadProgress
{
public:
    ~DownloadUi() override;
    // Loads the progress display with its caption and a bar from 0 to
    // `maximum`, its OK disabled, and shows it (not modal).
    virtual void ProgressOpen(const QString &szCaption, int maximum);
    // One record read of `maximum` (ProgressStep): bar value, label text
    // (StepMessage), and the display brought to the front.
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

// What to download: the records of store `type` (0 saved measurements, 1 Tx
// entries) into a CSV file (save) and/or the list window of that store (fill).
struct DownloadRequest
{
    qint32 type = 0;
    bool save = false;
    bool fill = false;
    // The file, when the caller names it (the command-line tool); empty:
    // the save dialog asks.
    QString path;
    // The list's maker, when the caller gives its own (the command-line
    // tool's printer); empty: the list window registered for the store.
    DownloadTargetFactory list;
};

// The download of a request: the engine with the file (gApp->File()) and the
// list window as its sinks, and what the user is told about its end.
class clsDownloadRun : public clsDownload
{
    Q_OBJECT
public:
    clsDownloadRun(DownloadUi &ui, const DownloadRequest &request, qint16 count, QObject *parent = nullptr);
    ~clsDownloadRun() override { StopSteps(); }

    bool SaveToFile() const { return m_file != nullptr; }
    bool FillInForm() const { return m_list != nullptr; }
    // Says how it ended, from the event loop once it has finished: the
    // problem's message, or the last text of the progress display.
    void Conclude();
    // The filled list window, after an Ok download (null when none).
    std::unique_ptr<DownloadTarget> TakeTarget();

private:
    DownloadUi &m_ui;
    CsvFileSink *m_file = nullptr;
    DownloadTargetSink *m_list = nullptr;
};

// The checks before reading the store: its directory, the file (the save
// dialog, through gApp->SaveFileAs, unless the request names it) and the
// count again. The counts are read as operations, so this returns at once;
// `done` is called from the event loop with the download, its progress
// display open and the main window disabled, ready to Start; or null when a
// check stopped it (it has said why) or another operation runs. Nothing is
// called once `context` is gone.
using PreparedDownload = std::function<void(std::unique_ptr<clsDownloadRun>)>;
void PrepareDownload(DownloadUi &ui, const DownloadRequest &request, QObject *context, PreparedDownload done);

// The whole download for callers at the top of the program (the
// command-line tool): the checks, every record (RunToEnd), the conclusion,
// then the list window when one was filled. Failed when a check stopped it.
OpStatus GetAllData(DownloadUi &ui, const DownloadRequest &request);
// The same through the save dialog; after a completed save fSaveToFile is false.
OpStatus GetAllData(DownloadUi &ui, qint32 DataType, bool &fSaveToFile, bool &fFillInForm);
