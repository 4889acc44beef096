// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/clsNativeTarget.h"
#include "storage/clsFile.h"

#ifdef Q_OS_LINUX
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

clsNativeTarget::~clsNativeTarget()
{
    if (!m_standIn.isEmpty())
        unlinkat(m_dir, m_standIn.constData(), 0);
    for (int fd : {m_fd, m_dir})
        if (fd >= 0)
            close(fd);
}

QString clsNativeTarget::Open(const QByteArray &raw)
{
    const qsizetype cut = raw.lastIndexOf('/');
    const QByteArray folder = cut < 0 ? QByteArray(".") : cut == 0 ? QByteArray("/") : raw.left(cut);
    const QByteArray name = raw.mid(cut + 1);
    m_dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dir < 0)
        return Fail(errno);
    const QString via = QStringLiteral("/proc/self/fd/%1").arg(m_dir);
    struct stat st {};
    const bool exists = fstatat(m_dir, name.constData(), &st, 0) == 0;
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        m_fd = openat(m_dir, name.constData(), O_WRONLY | O_CLOEXEC);
        return m_fd < 0 ? Fail(errno) : QStringLiteral("/proc/self/fd/%1").arg(m_fd);
    }
    if (exists && S_ISDIR(st.st_mode))
        return Fail(EISDIR);
    for (int tries = 0; tries < 100 && m_standIn.isEmpty(); ++tries) {
        const QByteArray standIn = ".dataclave-cli-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = openat(m_dir, standIn.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Fail(errno);
        if (fd < 0)
            continue;
        if (exists) // the new file keeps the old one's permissions
            fchmod(fd, st.st_mode & 07777);
        close(fd);
        m_standIn = standIn;
    }
    if (m_standIn.isEmpty())
        return Fail(EEXIST);
    m_name = name;
    m_standInPath = via + QLatin1Char('/') + QString::fromLatin1(m_standIn);
    return m_standInPath;
}

bool clsNativeTarget::Finish()
{
    if (m_standIn.isEmpty())
        return true;
    if (renameat(m_dir, m_standIn.constData(), m_dir, m_name.constData()) != 0) {
        Fail(errno);
        return false;
    }
    m_standIn.clear();
    m_standInPath.clear();
    return true;
}

QString clsNativeTarget::Fail(int err)
{
    TellWriteError(ErrnoText(err));
    return QString();
}
#endif
