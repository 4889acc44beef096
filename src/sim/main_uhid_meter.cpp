// SPDX-License-Identifier: GPL-3.0-or-later
// dataclave-uhid-meter: the demo meter as a kernel HID device (Linux uhid),
// so that the real program finds it through hidraw as it finds a meter.
#include "sim/UhidMeter.h"

#include <QCoreApplication>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<bool> gStop{false};

void OnSignal(int) { gStop = true; }

void Say(const QString &text)
{
    std::fprintf(stderr, "dataclave-uhid-meter: %s\n", qPrintable(text));
}

const char kUsage[] =
    "Usage: dataclave-uhid-meter [SCENARIO-FILE]\n"
    "\n"
    "Plays a ZT 6200 meter (USB 1C40:0BBA) as a kernel HID device through /dev/uhid,\n"
    "with the demo meter's built-in data or the scenario file's. Prints \"ready\" once\n"
    "the device is there and serves it until interrupted (Ctrl+C or SIGTERM).\n"
    "Needs write access to /dev/uhid (normally root).\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() > 1 || (!args.isEmpty() && (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")))) {
        std::fputs(kUsage, args.size() > 1 ? stderr : stdout);
        return args.size() > 1 ? 2 : 0;
    }
    QString error;
    std::unique_ptr<DemoMeter> meter = args.isEmpty() ? DemoMeter::BuiltIn() : DemoMeter::FromScenarioFile(args.first(), &error);
    if (!meter) {
        Say(error);
        return 1;
    }

    const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        Say(QStringLiteral("cannot open /dev/uhid: %1").arg(QString::fromLocal8Bit(std::strerror(e))));
        if (e == EACCES || e == EPERM)
            Say(QStringLiteral("it needs write access to /dev/uhid: run it as root (sudo)"));
        else if (e == ENOENT)
            Say(QStringLiteral("load the kernel's uhid module first: sudo modprobe uhid"));
        return 1;
    }

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnSignal; // no SA_RESTART: the wait for events ends at once
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    UhidMeter uhid(fd, std::move(meter));
    uhid.setStarted([&uhid](const QString &node) {
        // The node first: a script that has read "ready" finds it named.
        if (node.isEmpty())
            Say(QStringLiteral("the kernel gave the device no hidraw node (is hid-generic loaded?)"));
        else
            Say(QStringLiteral("meter at %1").arg(node));
        if (uhid.DevicesCreated() == 1) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    });
    uhid.setNote(Say);
    const bool ok = uhid.Serve(gStop, &error);
    ::close(fd);
    if (!ok) {
        Say(error);
        return 1;
    }
    return 0;
}
