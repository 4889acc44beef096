// SPDX-License-Identifier: GPL-3.0-or-later
#ifdef DATACLAVE_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include "TestSupport.h"
#include <QFile>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#ifdef Q_OS_UNIX
#include <cstdlib>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <cstdlib>
#include <windows.h>
#endif

namespace {
// Without XDG_RUNTIME_DIR Qt makes $TMPDIR/runtime-<user> and leaves it
// there; without XDG_CONFIG_HOME (a program run alone, not by ctest) the
// settings of the command-line runs it starts would land in the user's own
// folder. The run gets a folder of its own for both, removed at its end.
class RuntimeFolder
{
public:
    RuntimeFolder()
    {
#ifdef Q_OS_UNIX
        const bool runtime = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR");
        const bool config = qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME");
        if (!runtime && !config)
            return;
        QByteArray folder = qEnvironmentVariableIsEmpty("TMPDIR") ? QByteArray("/tmp") : qgetenv("TMPDIR");
        folder += "/dataclave-tests-runtime-XXXXXX";
        if (mkdtemp(folder.data())) { // private (0700), as Qt wants it
            m_path = folder;
            if (runtime)
                qputenv("XDG_RUNTIME_DIR", m_path);
            if (config)
                qputenv("XDG_CONFIG_HOME", m_path + "/config");
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
// A test still running after this many seconds waits for something that
// does not happen (an operation that never ends, a box nobody answers): it
// fails then, by name, rather than at ctest's limit for the whole program.
// DATACLAVE_TEST_LIMIT_S sets it (0: none; ctest gives each program its own).
class Watchdog : public ::testing::EmptyTestEventListener
{
public:
    explicit Watchdog(int seconds) : m_limit(seconds)
    {
        if (m_limit > 0)
            m_thread = std::thread([this] { Watch(); });
    }
    ~Watchdog() override
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    void OnTestStart(const ::testing::TestInfo &test) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_name = std::string(test.test_suite_name()) + '.' + test.name();
        m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_limit);
        m_armed = true;
        m_wake.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
        m_wake.notify_all();
    }

private:
    void Watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (!m_armed) {
                m_wake.wait(lock);
            } else if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed && !m_stop &&
                       std::chrono::steady_clock::now() >= m_deadline) {
                std::fprintf(stderr, "\n%s: still running after %d s, waiting for something that does not happen\n",
                             m_name.c_str(), m_limit);
                std::fflush(nullptr);
                std::_Exit(1);
            }
        }
    }

    const int m_limit;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::time_point m_deadline;
    std::string m_name;
    bool m_armed = false, m_stop = false;
};

#ifdef Q_OS_WIN
// After our last destructor the program ends without the DLLs' detach:
// MinGW's runtime can wait there forever on a winpthreads lock held by a
// thread ExitProcess has already killed (seen as a test that passed, then
// hung in libstdc++'s detach until the run's time limit).
int gExitCode = 1; // until main returns: an exit() from elsewhere is no pass
void EndWithoutDetach()
{
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(gExitCode));
}
#endif
} // namespace

int main(int argc, char **argv)
{
#ifdef Q_OS_WIN
    std::atexit(EndWithoutDetach); // registered first, so it runs last
#endif
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
    bool limitSet = false;
    const int limit = qEnvironmentVariableIntValue("DATACLAVE_TEST_LIMIT_S", &limitSet);
    auto *watchdog = new Watchdog(limitSet ? limit : 20);
    ::testing::TestEventListeners &listeners = ::testing::UnitTest::GetInstance()->listeners();
    listeners.Append(watchdog);
    const int result = RUN_ALL_TESTS();
    listeners.Release(watchdog);
    delete watchdog;
#ifdef Q_OS_WIN
    gExitCode = result;
#endif
    return result;
}
