#include "storage/clsFile.h"
#include "app/modAnsi.h"
#include "app/modMsgBox.h"

#include <QDir>
#include <QSaveFile>

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

bool clsFile::OpenFile()
{
    if (m_file)
        return true;
    if (m_szCompleteFileName.isEmpty())
        return false;
    auto file = std::make_unique<QSaveFile>(m_szCompleteFileName);
    if (!file->open(QIODevice::WriteOnly))
        return false;
    m_file = std::move(file);
    return true;
}

bool clsFile::Write(const QByteArray &bytes)
{
    return m_file->write(bytes) == bytes.size();
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
    ShowWriteError();
    return false;
}

bool clsFile::WriteLine(const QString &szString)
{
    if (!OpenFile())
        return false;
    return Write(StringToAnsi(szString)) && Write(QByteArrayLiteral("\r\n"));
}

bool clsFile::CloseFile()
{
    if (!m_file)
        return true;
    // Flushed first: commit() does not notice a write that fails while it
    // flushes the last buffered bytes (a full disk), and would put a cut
    // file in place of the target.
    const bool ok = m_file->flush() && m_file->commit(); // replaces the target only when all went well
    m_file.reset(); // an uncommitted file removes its temporary file
    return ok;
}

void clsFile::DiscardFile()
{
    m_file.reset(); // an uncommitted save file removes its temporary file
}

void clsFile::ShowWriteError()
{
    MsgBox(QStringLiteral("There is a problem writing to the file.\r\nIs it already open in another application?"),
           vb::Exclamation, QStringLiteral("ZT 6200 File Error"));
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
