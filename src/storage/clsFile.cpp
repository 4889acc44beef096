// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/clsFile.h"
#include "common/modAnsi.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <utility>
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

clsFile::clsFile() = default;

clsFile::~clsFile() { DiscardFile(); }

static QString JoinPath(const QString &path, const QString &name)
{
    if (path.endsWith(QLatin1Char('/')))
        return path + name;
    return path + QLatin1Char('/') + name;
}

void clsFile::setCompleteFileName(const QString &szValue)
{
    m_szCompleteFileName = QDir::fromNativeSeparators(szValue);
    const qsizetype cut = m_szCompleteFileName.lastIndexOf(QLatin1Char('/'));
    if (cut < 0) {
        // A bare name lives in the current folder.
        m_szPath = QStringLiteral(".");
        m_szFileName = m_szCompleteFileName;
    } else {
        m_szPath = m_szCompleteFileName.left(cut);
        m_szFileName = m_szCompleteFileName.mid(cut + 1);
    }
}

void clsFile::setPath(const QString &szValue)
{
    m_szPath = QDir::fromNativeSeparators(szValue);
    m_szCompleteFileName = JoinPath(m_szPath, m_szFileName);
}

void clsFile::setFileName(const QString &szValue)
{
    m_szFileName = szValue;
    m_szCompleteFileName = JoinPath(m_szPath, m_szFileName);
}

QString clsFile::ShorterFileName(qint16 wLength) const
{
    if (m_szCompleteFileName.size() <= wLength)
        return m_szCompleteFileName;
    return QStringLiteral("...") + m_szCompleteFileName.right(qMax(0, int(wLength) - 3));
}

QString ErrnoText(int err)
{
#ifdef Q_OS_WIN
    return QString::fromLocal8Bit(std::strerror(err)); // qt_error_string takes Windows error codes there
#else
    return qt_error_string(err);
#endif
}

// The question about another program fits only when one holds the file.
static bool HeldByAnother(const QString &reason)
{
#ifdef Q_OS_WIN
    for (int code : {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION})
#else
    for (int code : {EBUSY, ETXTBSY})
#endif
        if (reason.contains(qt_error_string(code)))
            return true;
    return false;
}

void clsFile::NoteError()
{
    static const QString unknown = QFile().errorString();
    if (!m_file) {
        m_szError.clear();
        return;
    }
    QString reason = m_file->errorString();
    if (reason == unknown) {
        // A short write is no error to the system: writing the rest brings out why.
        m_file->flush();
        reason = m_file->errorString();
    }
    m_szError = HeldByAnother(reason) || reason == unknown ? QString() : reason;
}

bool clsFile::OpenFile()
{
    if (m_file)
        return true;
    m_szError.clear();
    if (m_szCompleteFileName.isEmpty()) {
        m_szError = ErrnoText(ENOENT);
        return false;
    }
    const QFileInfo target(m_szCompleteFileName);
    if (target.isDir()) {
        m_szError = ErrnoText(EISDIR);
        return false;
    }
    m_fInPlace = target.exists() && !target.isFile();
    if (m_fInPlace)
        m_file = std::make_unique<QFile>(m_szCompleteFileName);
    else
        m_file = std::make_unique<QSaveFile>(m_szCompleteFileName);
    if (!m_file->open(QIODevice::WriteOnly)) {
        NoteError();
        m_file.reset();
        return false;
    }
    return true;
}

bool clsFile::Write(const QByteArray &bytes)
{
    // A short write is no error to Qt; writing the rest brings out the
    // system's reason (a file size limit, a full disk).
    for (qint64 done = 0, n = 0; done < bytes.size(); done += n) {
        n = m_file->write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            NoteError();
            return false;
        }
    }
    return true;
}

bool clsFile::WriteHeader(const QStringList &varList)
{
    QString line;
    for (const QString &name : varList) {
        qsizetype n = name.size();
        while (n > 0 && name.at(n - 1) == QLatin1Char(' '))
            --n;
        if (!line.isEmpty())
            line += QLatin1Char(',');
        line += QLatin1Char('"') + name.left(n) + QLatin1Char('"');
    }
    line += QLatin1String("\r\n");
    if (OpenFile() && Write(StringToAnsi(line)))
        return true;
    DiscardFile();
    TellWriteError(m_szError);
    return false;
}

bool clsFile::WriteLine(const QString &szString)
{
    if (!OpenFile())
        return false;
    return Write(StringToAnsi(szString)) && Write(QByteArrayLiteral("\r\n"));
}

bool clsFile::WriteBytes(const QByteArray &bytes) { return OpenFile() && Write(bytes); }

bool clsFile::CloseFile()
{
    if (!m_file)
        return true;
    // Flushed first: commit() does not notice a write that fails while it
    // flushes the last buffered bytes (a full disk), and would put a cut
    // file in place of the target.
    bool ok = m_file->flush();
    if (ok && !m_fInPlace)
        ok = static_cast<QSaveFile *>(m_file.get())->commit(); // replaces the target only when all went well
    else if (m_fInPlace)
        m_file->close();
    if (!ok)
        NoteError();
    m_file.reset(); // an uncommitted file removes its temporary file
    return ok;
}

void clsFile::DiscardFile()
{
    m_file.reset(); // an uncommitted save file removes its temporary file
}

bool CsvFileSink::Begin(const QStringList &header)
{
    m_told = !m_file.WriteHeader(header);
    return !m_told;
}

static WriteErrorTeller &Teller()
{
    static WriteErrorTeller teller;
    return teller;
}

WriteErrorTeller SetWriteErrorTeller(WriteErrorTeller teller) { return std::exchange(Teller(), std::move(teller)); }

void TellWriteError(const QString &reason, TellWhen when)
{
    const WriteErrorTeller teller = Teller(); // a copy: the teller may replace itself
    if (teller)
        teller(reason, when);
}

// ---- the save dialog seam ----

static SaveDialogHandler &DialogHandler()
{
    static SaveDialogHandler handler;
    return handler;
}

SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler)
{
    SaveDialogHandler old = DialogHandler();
    DialogHandler() = std::move(handler);
    return old;
}

bool HasSaveDialogHandler() { return bool(DialogHandler()); }

QString AskSaveFileName(const QString &szTitle, const QString &szFolder, const QString &szName)
{
    SaveDialogHandler h = DialogHandler(); // a copy: the answerer may replace itself
    return h ? h(szTitle, szFolder, szName) : QString();
}
