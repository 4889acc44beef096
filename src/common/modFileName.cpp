// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QList<QByteArray> &Remembered()
{
    static QList<QByteArray> names;
    return names;
}

#ifdef Q_OS_UNIX
// The entry of `folder` (bytes) that reads as `part`; the encoded text when none does.
QByteArray EntryReadingAs(const QByteArray &folder, const QString &part)
{
    QList<QByteArray> found;
    if (DIR *d = opendir(folder.constData())) {
        while (const dirent *e = readdir(d))
            if (QFile::decodeName(e->d_name) == part)
                found << QByteArray(e->d_name);
        closedir(d);
    }
    std::sort(found.begin(), found.end());
    return found.isEmpty() ? QFile::encodeName(part) : found.first();
}
#endif

} // namespace

void RememberNativeNames(const QList<QByteArray> &names) { Remembered() = names; }

void RememberNativeArguments(int argc, char **argv)
{
    QList<QByteArray> names;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        names << arg;
        const qsizetype equals = arg.indexOf('=');
        if (arg.startsWith("--") && equals > 0)
            names << arg.mid(equals + 1);
    }
    RememberNativeNames(names);
}

QByteArray NativeFileName(const QString &name)
{
    if (!name.contains(QChar(QChar::ReplacementCharacter)))
        return QFile::encodeName(name);
    for (qsizetype i = Remembered().size() - 1; i >= 0; --i)
        if (QFile::decodeName(Remembered().at(i)) == name)
            return Remembered().at(i);
#ifdef Q_OS_UNIX
    // Part by part, each read back from its folder.
    QByteArray path;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            path += '/';
        const QString &part = parts.at(i);
        if (!part.contains(QChar(QChar::ReplacementCharacter)))
            path += QFile::encodeName(part);
        else if (i == 0)
            path += EntryReadingAs(".", part);
        else
            path += EntryReadingAs(path == "/" ? path : path.chopped(1), part);
    }
    return path;
#else
    return QFile::encodeName(name);
#endif
}

bool OpenForReading(QFile &file, const QString &name, QString *error)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(NativeFileName(name).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = qt_error_string(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        *error = qt_error_string(EISDIR);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = file.errorString();
        return false;
    }
    return true;
#else
    file.setFileName(name);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    return true;
#endif
}

bool IsSameFile(const QString &input, const QString &output)
{
#ifdef Q_OS_UNIX
    struct stat a {}, b {};
    return ::stat(NativeFileName(input).constData(), &a) == 0 && ::stat(NativeFileName(output).constData(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#elif defined(Q_OS_WIN)
    // The volume and file index: the same for every name of a file, hard
    // links too; symbolic links are followed.
    const auto id = [](const QString &name, BY_HANDLE_FILE_INFORMATION *info) {
        const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(name).utf16()), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = GetFileInformationByHandle(h, info);
        CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION a {}, b {};
    return id(input, &a) && id(output, &b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
#else
    const QFileInfo a(input), b(output);
    return a.exists() && b.exists() && a.canonicalFilePath().compare(b.canonicalFilePath(), Qt::CaseInsensitive) == 0;
#endif
}
