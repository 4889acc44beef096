// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A target file name that is not valid text in the system's encoding (Qt
// opens files by text names only, and would write under replacement
// characters). The folder is reached through its descriptor; a regular file
// is written by clsFile to a stand-in beside the target that then takes the
// target's own bytes as its name; a pipe or device is written through its
// descriptor. Linux only (through /proc/self/fd).
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#ifdef Q_OS_LINUX
class clsNativeTarget
{
public:
    clsNativeTarget() = default;
    ~clsNativeTarget();
    clsNativeTarget(const clsNativeTarget &) = delete;
    clsNativeTarget &operator=(const clsNativeTarget &) = delete;

    // The text name for clsFile to write to; empty after the write error
    // was told.
    QString Open(const QByteArray &raw);
    // The stand-in's text name, which must not outlive the program (empty
    // when the target is written in place).
    QString StandIn() const { return m_standInPath; }
    // The finished stand-in takes the target's name; false after the write
    // error was told.
    bool Finish();

private:
    static QString Fail(int err);

    QByteArray m_name, m_standIn;
    QString m_standInPath;
    int m_dir = -1, m_fd = -1;
};
#endif
