// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the benchmarks: the windows on the offscreen platform,
// a session on a demo meter, clocks.
#include "app/clsApp.h"
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "app/clsSession.h"
#include "app/globals.h"
#include "common/clsOperation.h"
#include "common/modEvents.h"
#include "common/modMsgBox.h"
#include "records/clsFsm.h"
#include "sim/DemoMeter.h"
#include "usb/clsUsbHid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

// The program's set-up, minus its windows: a session on `platform`.
struct BenchProgram
{
    explicit BenchProgram(HidPlatform *platform)
    {
        SetMsgBoxHandler([](const QString &prompt, int buttons, const QString &title) {
            std::fprintf(stderr, "message box: %s: %s\n", qPrintable(title), qPrintable(prompt));
            return DefaultAnswer(buttons);
        });
        SetHidPlatform(platform);
        session = std::make_unique<clsSession>();
        session->MakeCurrent();
    }
    ~BenchProgram()
    {
        session.reset();
        SetHidPlatform(nullptr);
    }
    std::unique_ptr<clsSession> session;
    // Lets the link's own timer find the meter and ask its version.
    static bool WaitForMeter(int ms = 3000)
    {
        QElapsedTimer t;
        t.start();
        // Until the connection's own queries have ended too: a benchmark that
        // starts its work while they run finds the program busy.
        while (t.elapsed() < ms &&
               !(gUsbHid->fDeviceConnected() && gFsm->Version()->value() != 0 && !OperationRunning()))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return gUsbHid->fDeviceConnected();
    }
};

inline void UseOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Presses "OK" on the progress window as soon as it is offered.
struct BenchUser
{
    explicit BenchUser(QWidget *main)
    {
        QObject::connect(&timer, &QTimer::timeout, main, [main] {
            for (frmMessage *m : main->findChildren<frmMessage *>())
                if (m->findChild<QPushButton *>(QStringLiteral("cmdOk"))->isEnabled())
                    m->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
        });
        timer.start(1);
    }
    QTimer timer;
};

// The main window's download of store `type` (save or view), as the user
// starts it from the event loop, until its end was seen; returns its status.
inline OpStatus WindowGetAllData(frmMain *main, qint32 type, bool save)
{
    bool done = false;
    OpStatus status = OpStatus::Failed;
    const QMetaObject::Connection c = QObject::connect(main, &frmMain::DownloadFinished, [&](OpStatus s) { status = s, done = true; });
    main->GetAllData(type, save, !save);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(c);
    return status;
}

// Seconds taken by each of `runs` runs of `f`, shortest first.
inline std::vector<double> RunSeconds(int runs, const std::function<void()> &f)
{
    std::vector<double> s;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        s.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    std::sort(s.begin(), s.end());
    return s;
}

inline double MedianSeconds(int runs, const std::function<void()> &f) { return RunSeconds(runs, f)[size_t(runs) / 2]; }
// The shortest run: on a shared machine, the one least disturbed by others.
inline double BestSeconds(int runs, const std::function<void()> &f) { return RunSeconds(runs, f).front(); }

// Processor time (user + system) of this process so far, in seconds.
inline double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
