// SPDX-License-Identifier: GPL-3.0-or-later
// Processor use of the program at rest, with its windows up and the link's
// 250 ms watch running:
// 1. no meter, searching on every tick, through hidapi (the real search) and
//    through the demo platform;
// 2. a finished download whose progress window waits for "OK".
// getrusage (user + system) over SECONDS of wall time (default 10).
//
// bench_cpu [SECONDS]
#include "BenchSupport.h"
#include "storage/clsFile.h"
#include "usb/HidApiPlatform.h"

#include <QEventLoop>
#include <QTemporaryDir>

namespace {

// Processor seconds per wall second while the event loop runs for `ms`.
double RestingShare(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    const double cpu = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    loop.exec();
    return (CpuSeconds() - cpu) / (wall.nsecsElapsed() / 1e9);
}

void Report(const char *what, double share)
{
    std::printf("  %-52s %6.3f %% of a core\n", what, share * 100.0);
}

double Searching(HidPlatform *platform, int ms)
{
    BenchProgram program(platform);
    frmMain main;
    gApp->setMainForm(&main);
    main.show();
    RestingShare(600); // settle: first paint, first ticks
    const double share = RestingShare(ms);
    gApp->setMainForm(nullptr);
    return share;
}

double WaitingForOk(int ms)
{
    DemoHidPlatform platform;
    platform.AddMeter(DemoMeter::FromScenario(QStringLiteral("firmware 2.3.1\ngenerate-saved 10"), nullptr));
    BenchProgram program(&platform);
    frmMain main;
    gApp->setMainForm(&main);
    main.show();
    if (!BenchProgram::WaitForMeter())
        qFatal("the demo meter was not found");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.csv"));
    SetSaveDialogHandler([path](const QString &, const QString &, const QString &) { return path; });

    // Once "OK" is offered: settle, measure, then press it.
    double share = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &main, [&] {
        for (frmMessage *m : main.findChildren<frmMessage *>()) {
            if (!m->findChild<QPushButton *>(QStringLiteral("cmdOk"))->isEnabled())
                continue;
            watch.stop();
            RestingShare(600);
            share = RestingShare(ms);
            m->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
        }
    });
    watch.start(100);
    WindowGetAllData(&main, 0, true);
    gApp->setMainForm(nullptr);
    return share;
}

} // namespace

int main(int argc, char *argv[])
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int ms = (argc > 1 ? std::atoi(argv[1]) : 10) * 1000;
    std::printf("Processor use at rest over %d s (getrusage, user + system)\n", ms / 1000);
    {
        std::unique_ptr<HidPlatform> hid = CreateHidApiPlatform();
        Report("no meter, searching every 250 ms (hidapi)", Searching(hid.get(), ms));
    }
    {
        DemoHidPlatform demo;
        Report("no meter, searching every 250 ms (demo platform)", Searching(&demo, ms));
    }
    Report("progress window waiting for \"OK\" (demo meter)", WaitingForOk(ms));
    return 0;
}
