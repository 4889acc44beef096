// SPDX-License-Identifier: GPL-3.0-or-later
// Download throughput and latency, against the transport alone.
//
// 1. N saved records (default 20 000) from the demo meter at no latency:
//    the window path (frmMain::GetAllData with its progress window, CSV
//    file), the same routine without windows, and a baseline that sends the
//    very commands the download sent over the same link and framing and
//    discards the replies (or writes their bytes to a file, what the disk
//    alone costs).
// 2. M records (default 2 000) with 250 µs before each input report: the
//    window path against the transport's floor, reports × latency.
//
// 3. Long sessions: K records (default 32 767, the most the meter holds)
//    downloaded five times through the main window with debugging off:
//    resident memory after the first and the fifth, and the time to switch
//    debug mode on after them; with the console boxes' bounded history, and
//    for comparison with a history large enough to keep every line.
//
// bench_download [N [M [K]]]; with DATACLAVE_BENCH_PROFILE=1 only the download
// without windows, five times (for a profiler); =window the same through
// the main window.
#include "BenchSupport.h"
#include "app/modDownload.h"
#include "protocol/clsDevice.h"
#include "storage/clsFile.h"

#include <QAction>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <sys/prctl.h>

namespace {

struct Rig
{
    DemoHidPlatform platform;
    BenchProgram program{&platform};
    DemoMeter *meter;
    QTemporaryDir dir;
    std::unique_ptr<frmMain> main; // none: the download as the command-line tool runs it
    std::unique_ptr<BenchUser> user;

    explicit Rig(int records, bool windows = true)
    {
        meter = platform.AddMeter(DemoMeter::FromScenario(QStringLiteral("firmware 2.3.1\ngenerate-saved %1").arg(records), nullptr));
        if (windows) {
            main = std::make_unique<frmMain>();
            user = std::make_unique<BenchUser>(main.get());
            gApp->setMainForm(main.get());
            main->show();
        }
        const QString path = dir.filePath(QStringLiteral("saved.csv"));
        SetSaveDialogHandler([path](const QString &, const QString &, const QString &) { return path; });
        if (!BenchProgram::WaitForMeter())
            qFatal("the demo meter was not found");
    }
    ~Rig() { gApp->setMainForm(nullptr); }

    // One download through the windows; returns the commands it sent.
    QStringList WindowDownload(int *reports = nullptr)
    {
        const qsizetype before = meter->Commands().size();
        const int sent = meter->InputReportsSent();
        if (WindowGetAllData(main.get(), 0, true) != OpStatus::Ok)
            qFatal("the download did not finish");
        if (reports)
            *reports = meter->InputReportsSent() - sent;
        return meter->Commands().mid(before);
    }
    void CoreDownload()
    {
        DownloadUi none;
        bool save = true, fill = false;
        GetAllData(none, 0, save, fill);
        if (save)
            qFatal("the download did not finish");
    }
    // The same commands, each sent in one report; the replies are read to
    // their last report and dropped, or, given a file, their bytes written
    // to it a line each as they came (what the disk alone costs).
    static void Baseline(const QStringList &commands, const QString &file = QString())
    {
        QSaveFile out(file);
        if (!file.isEmpty() && !out.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(file));
        char line[4096 + 2];
        for (const QString &c : commands) {
            gDevice->PacketOut().Clear();
            gDevice->AddString(c);
            gDevice->ReportOut();
            int n = 0;
            do {
                gDevice->ReportIn();
                if (!file.isEmpty())
                    for (int i = 0; i < gDevice->PacketIn().Length() && n < 4096; ++i)
                        line[n++] = char(gDevice->PacketIn().Buffer(i));
            } while (!gDevice->PacketIn().fComplete() && gUsbHid->fDeviceConnected());
            if (!file.isEmpty()) {
                line[n++] = '\r', line[n++] = '\n';
                out.write(line, n);
            }
        }
        if (!file.isEmpty() && !(out.flush() && out.commit()))
            qFatal("cannot write %s", qPrintable(file));
    }
};

// Resident memory of this process, in MB.
double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int m = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int k = argc > 3 ? std::atoi(argv[3]) : 32767;
    // Sleeps stand for the meter's report interval; the kernel's default 50 µs
    // timer slack would lengthen every one of them (a real meter's report
    // wakes the blocked read at once).
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

    if (qEnvironmentVariableIsSet("DATACLAVE_BENCH_PROFILE")) {
        const bool windows = qgetenv("DATACLAVE_BENCH_PROFILE") == "window";
        Rig rig(n, windows);
        std::printf("%.3f s\n", MedianSeconds(5, [&] {
                        if (windows)
                            rig.WindowDownload();
                        else
                            rig.CoreDownload();
                    }));
        return 0;
    }
    {
        QStringList commands;
        int reports = 0;
        double window, core, base, file;
        {
            Rig rig(n);
            window = BestSeconds(7, [&] { commands = rig.WindowDownload(&reports); });
            base = BestSeconds(7, [&] { Rig::Baseline(commands); });
            const QString copy = rig.dir.filePath(QStringLiteral("copy.csv"));
            file = BestSeconds(7, [&] { Rig::Baseline(commands, copy); });
        }
        {
            Rig rig(n, false);
            core = BestSeconds(7, [&] { rig.CoreDownload(); });
        }
        std::printf("Download of %d saved records, no report latency (%lld commands, %d input reports; best of 7 runs)\n", n,
                    qlonglong(commands.size()), reports);
        std::printf("  baseline (same commands, replies discarded)  %7.3f s  %8.0f records/s\n", base, n / base);
        std::printf("  baseline, replies written to a file          %7.3f s  %8.0f records/s  ratio %.2f\n", file, n / file, file / base);
        std::printf("  GetAllData without windows (as the CLI)      %7.3f s  %8.0f records/s  ratio %.2f (%.2f of the baseline with file)\n",
                    core, n / core, core / base, core / file);
        std::printf("  frmMain::GetAllData (progress window, CSV)   %7.3f s  %8.0f records/s  ratio %.2f (%.2f of the baseline with file)\n",
                    window, n / window, window / base, window / file);
    }
    {
        Rig rig(m);
        rig.meter->Scenario().reportLatencyUs = 250;
        int reports = 0;
        QStringList commands;
        const double window = MedianSeconds(3, [&] { commands = rig.WindowDownload(&reports); });
        const double base = MedianSeconds(3, [&] { Rig::Baseline(commands); });
        const double floor = reports * 250e-6;
        std::printf("Download of %d saved records, 250 us before each input report (%d input reports)\n", m, reports);
        std::printf("  transport floor (reports x latency)          %7.3f s\n", floor);
        std::printf("  baseline (same commands, replies discarded)  %7.3f s  ratio %.3f\n", base, base / floor);
        std::printf("  frmMain::GetAllData (progress window, CSV)   %7.3f s  ratio %.3f (%.3f of the baseline)\n", window,
                    window / floor, window / base);
    }
    std::printf("Five downloads of %d saved records through the main window, debugging off\n", k);
    for (int history : {frmMain::kConsoleHistory, 1 << 30}) {
        Rig rig(k);
        rig.main->SetConsoleHistory(history);
        const double start = ResidentMb();
        double after[5];
        for (double &mb : after) {
            rig.WindowDownload();
            rig.meter->ClearCommands(); // the demo meter's own log is not the program's
            mb = ResidentMb();
        }
        QElapsedTimer t;
        t.start();
        rig.main->findChild<QAction *>(QStringLiteral("mnuActionsDebug"))->trigger();
        QCoreApplication::processEvents();
        const qint64 ms = t.elapsed();
        std::printf("  console history %-10s  resident %.0f MB at start, %.0f MB after 1, %.0f MB after 5 (+%.0f MB); "
                    "debugging on: %lld ms, %.0f MB\n",
                    history == frmMain::kConsoleHistory ? qPrintable(QString::number(history) + QStringLiteral(" lines")) : "unbounded",
                    start, after[0], after[4], after[4] - start, qlonglong(ms), ResidentMb());
    }
    return 0;
}
