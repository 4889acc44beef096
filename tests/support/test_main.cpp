// SPDX-License-Identifier: GPL-3.0-or-later
#ifdef DATACLAVE_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include "TestSupport.h"
#include <QFile>
#include <gtest/gtest.h>
#ifdef Q_OS_UNIX
#include <cstdlib>
#include <unistd.h>
#endif

namespace {
// Without XDG_RUNTIME_DIR Qt makes $TMPDIR/runtime-<user> and leaves it
// there: the run gets a folder of its own instead, removed at its end.
class RuntimeFolder
{
public:
    RuntimeFolder()
    {
#ifdef Q_OS_UNIX
        if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            return;
        QByteArray folder = qEnvironmentVariableIsEmpty("TMPDIR") ? QByteArray("/tmp") : qgetenv("TMPDIR");
        folder += "/dataclave-tests-runtime-XXXXXX";
        if (mkdtemp(folder.data())) { // private (0700), as Qt wants it
            m_path = folder;
            qputenv("XDG_RUNTIME_DIR", m_path);
        }
#endif
    }
    ~RuntimeFolder()
    {
#ifdef Q_OS_UNIX
        if (m_path.isEmpty())
            return;
        EmptyFolder(QFile::decodeName(m_path));
        rmdir(m_path.constData());
#endif
    }

private:
    QByteArray m_path;
};
} // namespace

int main(int argc, char **argv)
{
    const RuntimeFolder runtime;
#ifdef DATACLAVE_TEST_WIDGETS
    // CTest asks for the offscreen platform; DATACLAVE_TEST_QPA (e.g. xcb
    // on a real X server) overrides it.
    if (!qEnvironmentVariableIsEmpty("DATACLAVE_TEST_QPA"))
        qputenv("QT_QPA_PLATFORM", qgetenv("DATACLAVE_TEST_QPA"));
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallModalBoxes();
#else
    QCoreApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("dataclave-tests"));
    QCoreApplication::setOrganizationName(QStringLiteral("dataclave-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
