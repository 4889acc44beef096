// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/modFileDialog.h"
#include "common/modRecordSink.h"
// One CSV output file: its name, and the writer that fills it.
//
// The file is written beside its target under a temporary name and only
// replaces the target in CloseFile, so a download that fails half-way never
// destroys an earlier file of the same name and never leaves a partial one.
// A target that exists and is not a regular file (a named pipe, a device, a
// terminal) is written in place instead: renaming over it would destroy it.
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <memory>

class QFileDevice;

class clsFile
{
public:
    clsFile();
    ~clsFile();
    clsFile(const clsFile &) = delete;
    clsFile &operator=(const clsFile &) = delete;

    // The user chose a file in the save dialog.
    bool fFileSelected() const { return m_fFileSelected; }
    void setfFileSelected(bool fValue) { m_fFileSelected = fValue; }

    // Kept in step: CompleteFileName is Path + "/" + FileName.
    QString CompleteFileName() const { return m_szCompleteFileName; }
    void setCompleteFileName(const QString &szValue);
    QString Path() const { return m_szPath; }
    void setPath(const QString &szValue);
    QString FileName() const { return m_szFileName; }
    void setFileName(const QString &szValue);

    // The full name, cut at the front to wLength characters ("..." and the end).
    QString ShorterFileName(qint16 wLength = 40) const;

    // Opens the file when none is open and writes the quoted column names.
    // On failure tells the user (TellWriteError, later), forgets the file and
    // returns false.
    bool WriteHeader(const QStringList &varList);
    // Opens the file when none is open and writes one line; false on a write
    // error (the caller reports it).
    bool WriteLine(const QString &szString);
    // Opens the file when none is open and writes the bytes as they are (a
    // file in another encoding); false on a write error.
    bool WriteBytes(const QByteArray &bytes);
    // Finishes the file: it replaces the target only now. True when nothing
    // was open or every byte reached the disk; false otherwise (the caller
    // reports it; the target is then untouched).
    bool CloseFile();
    // Drops the file being written; the target stays as it was.
    void DiscardFile();
    bool IsOpen() const { return m_file != nullptr; }
    // Why the last open, write or close failed, as the system says it ("No
    // space left on device"); empty when unknown or when another program
    // holds the file.
    QString LastError() const { return m_szError; }

private:
    bool OpenFile();
    bool Write(const QByteArray &bytes);
    void NoteError();

    bool m_fFileSelected = false;
    QString m_szCompleteFileName;
    QString m_szPath = QStringLiteral("./");
    QString m_szFileName;
    std::unique_ptr<QFileDevice> m_file; // the open file; none when null
    bool m_fInPlace = false;             // m_file is the target itself, not a QSaveFile
    QString m_szError;
};

// A download's records into a CSV file: the column names, then a line per
// record; the file replaces its target only when every record is in it.
class CsvFileSink : public RecordSink
{
public:
    explicit CsvFileSink(clsFile &file) : m_file(file) {}
    bool Begin(const QStringList &header) override;
    bool Add(const QString &line) override { return m_file.WriteLine(line); }
    bool End() override { return m_file.CloseFile(); }
    void Drop() override { m_file.DiscardFile(); }
    QString Reason() const override { return m_file.LastError(); }
    // The failure was told already (the header's: the file could not be made).
    bool Told() const { return m_told; }

private:
    clsFile &m_file;
    bool m_told = false;
};

// A write failure told to the user. Storage only says why (the system's
// reason; empty when unknown or when another program holds the file): the
// words and the box are chosen at the top of the program, which installs who
// tells it. Later: the box waits for the event loop (told from inside a step
// or a file's own writing); Now: it has closed when the call returns.
enum class TellWhen { Later, Now };
using WriteErrorTeller = std::function<void(const QString &reason, TellWhen when)>;
// Installs who tells (none: nobody is told); returns the previous one.
WriteErrorTeller SetWriteErrorTeller(WriteErrorTeller teller);
void TellWriteError(const QString &reason, TellWhen when = TellWhen::Later);

// The system's text for a C library error number (errno).
QString ErrnoText(int err);

// The save dialog, as a seam: the windows install a QFileDialog answerer, the
// command-line tool its own, tests a scripted one. Arguments: the title, the
// folder and the file name to offer; result: the chosen full path, or an
// empty text when the user cancelled. Without an answerer nothing is chosen.
using SaveDialogHandler = std::function<QString(const QString &szTitle, const QString &szFolder, const QString &szName)>;
// Installs the answerer and returns the previous one.
SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler);
bool HasSaveDialogHandler();
// Asks the installed answerer.
QString AskSaveFileName(const QString &szTitle, const QString &szFolder, const QString &szName);


