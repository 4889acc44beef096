// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/UhidMeter.h"

UhidMeter::UhidMeter(int fd, std::unique_ptr<DemoMeter> meter) : m_fd(fd), m_meter(std::move(meter)) {}

QByteArray UhidMeter::ReportDescriptor()
{
    static const unsigned char d[] = {
        0x06, 0x00, 0xFF,       // Usage Page (vendor defined 0xFF00)
        0x09, 0x01,             // Usage (1)
        0xA1, 0x01,             // Collection (Application)
        0x15, 0x00,             //   Logical Minimum (0)
        0x26, 0xFF, 0x00,       //   Logical Maximum (255)
        0x75, 0x08,             //   Report Size (8)
        0x95, 0x40,             //   Report Count (64)
        0x09, 0x01, 0x81, 0x02, //   Usage (1), Input (Data, Var, Abs)
        0x09, 0x02, 0x91, 0x02, //   Usage (2), Output (Data, Var, Abs)
        0xC0,                   // End Collection
    };
    return QByteArray(reinterpret_cast<const char *>(d), sizeof d);
}

#if defined(__linux__)

#include <QDir>
#include <QFile>
#include <QThread>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

void Copy(__u8 *to, size_t room, const QByteArray &text)
{
    std::memcpy(to, text.constData(), std::min(room - 1, size_t(text.size())));
}

} // namespace

bool UhidMeter::Write(const void *event)
{
    for (;;) {
        const ssize_t n = ::write(m_fd, event, sizeof(uhid_event));
        if (n == ssize_t(sizeof(uhid_event)))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

bool UhidMeter::Create()
{
    ++m_generation;
    // A text of our own in uniq finds the device's hidraw node in sysfs.
    m_uniq = QStringLiteral("dataclave-%1-%2").arg(::getpid()).arg(m_generation).toLatin1();
    uhid_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.type = UHID_CREATE2;
    Copy(ev.u.create2.name, sizeof ev.u.create2.name, QByteArrayLiteral("ZT 6200 (dataclave-uhid-meter)"));
    Copy(ev.u.create2.phys, sizeof ev.u.create2.phys, QByteArrayLiteral("dataclave-uhid-meter"));
    Copy(ev.u.create2.uniq, sizeof ev.u.create2.uniq, m_uniq);
    const QByteArray rd = ReportDescriptor();
    ev.u.create2.rd_size = __u16(rd.size());
    std::memcpy(ev.u.create2.rd_data, rd.constData(), size_t(rd.size()));
    ev.u.create2.bus = 0x03; // BUS_USB
    ev.u.create2.vendor = m_meter->Scenario().vendorId;
    ev.u.create2.product = m_meter->Scenario().productId;
    ev.u.create2.version = m_meter->Scenario().versionNumber;
    if (!Write(&ev))
        return false;
    m_created = true;
    m_meter->setPlugged(true);
    return true;
}

bool UhidMeter::Destroy()
{
    if (!m_created)
        return true;
    m_created = false;
    uhid_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.type = UHID_DESTROY;
    return Write(&ev);
}

bool UhidMeter::SendInput(const QByteArray &report)
{
    // The engine's reports carry the report-ID byte in front; without
    // report IDs the wire carries only the 64 data bytes.
    const QByteArray data = report.mid(1);
    uhid_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.type = UHID_INPUT2;
    ev.u.input2.size = __u16(std::min<qsizetype>(data.size(), UHID_DATA_MAX));
    std::memcpy(ev.u.input2.data, data.constData(), ev.u.input2.size);
    return Write(&ev);
}

bool UhidMeter::Reply(quint32 type, quint32 id)
{
    // Feature and get/set report requests are refused at once, so that the
    // kernel does not wait for them.
    uhid_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.type = type;
    if (type == UHID_GET_REPORT_REPLY) {
        ev.u.get_report_reply.id = id;
        ev.u.get_report_reply.err = EIO;
    } else {
        ev.u.set_report_reply.id = id;
        ev.u.set_report_reply.err = EIO;
    }
    return Write(&ev);
}

bool UhidMeter::Pump()
{
    QByteArray report;
    while (m_meter->plugged() && m_meter->SendInputReport(report) == DemoMeter::ReadOutcome::Ok) {
        if (!SendInput(report))
            return false;
    }
    if (!m_meter->plugged() && m_created) {
        if (m_note)
            m_note(QStringLiteral("unplugged after %1 input reports").arg(m_meter->InputReportsSent()));
        return Destroy();
    }
    return true;
}

const char *UhidMeter::Handle(const uhid_event &ev, const std::function<bool()> &pump)
{
    switch (ev.type) {
    case UHID_START:
        if (m_started)
            m_started(m_findNode ? m_findNode(m_uniq) : QString());
        break;
    case UHID_OUTPUT: {
        if (ev.u.output.rtype != UHID_OUTPUT_REPORT || !m_created)
            break;
        // hidraw hands the report on as written: report-ID byte 0 in
        // front of the 64 data bytes, the layout the engine reads.
        const QByteArray report(reinterpret_cast<const char *>(ev.u.output.data),
                                std::min<int>(ev.u.output.size, UHID_DATA_MAX));
        m_meter->ReceiveOutputReport(report);
        if (!pump())
            return "writing to uhid";
        break;
    }
    case UHID_GET_REPORT:
        if (!Reply(UHID_GET_REPORT_REPLY, ev.u.get_report.id))
            return "writing to uhid";
        break;
    case UHID_SET_REPORT:
        if (!Reply(UHID_SET_REPORT_REPLY, ev.u.set_report.id))
            return "writing to uhid";
        break;
    default: // UHID_OPEN, UHID_CLOSE, UHID_STOP
        break;
    }
    return nullptr;
}

bool UhidMeter::Serve(const std::atomic<bool> &stop, QString *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    if (!Create())
        return fail("cannot create the device");
    Clock::time_point replugAt{};
    bool replugDue = false;
    auto pump = [&] {
        if (!Pump())
            return false;
        if (!m_meter->plugged() && m_meter->Scenario().replugAfterMs >= 0 && !replugDue) {
            replugDue = true;
            replugAt = Clock::now() + std::chrono::milliseconds(m_meter->Scenario().replugAfterMs);
        }
        return true;
    };
    while (!stop) {
        int timeoutMs = 10; // a signal sets `stop` between polls; held-back reports go out when due
        if (replugDue) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(replugAt - Clock::now()).count();
            if (left <= 0) {
                replugDue = false;
                // Back as a new device, and it stays: the unplug happened once.
                m_meter->Scenario().unplugAfterReports = -1;
                if (!Create())
                    return fail("cannot create the device again");
                if (m_note)
                    m_note(QStringLiteral("plugged in again"));
                continue;
            }
            timeoutMs = int(std::min<qint64>(left, timeoutMs));
        }
        pollfd p{m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return fail("poll");
        if (r == 0) {
            // A reply the engine holds back for later goes out when due.
            if (m_created && !pump())
                return fail("writing to uhid");
            continue;
        }
        uhid_event ev;
        std::memset(&ev, 0, sizeof ev);
        const ssize_t n = ::read(m_fd, &ev, sizeof ev);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EPIPE;
            return fail("reading from uhid");
        }
        if (const char *failed = Handle(ev, pump))
            return fail(failed);
    }
    if (!Destroy())
        return fail("cannot destroy the device");
    return true;
}

QString UhidMeter::WaitForHidrawNode(const QByteArray &uniq)
{
    const QByteArray want = "HID_UNIQ=" + uniq + '\n';
    const auto until = Clock::now() + std::chrono::seconds(3);
    do {
        const QDir bus(QStringLiteral("/sys/bus/hid/devices"));
        for (const QString &dev : bus.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile uevent(bus.filePath(dev) + QStringLiteral("/uevent"));
            if (!uevent.open(QIODevice::ReadOnly) || !uevent.readAll().contains(want))
                continue;
            const QStringList nodes = QDir(bus.filePath(dev) + QStringLiteral("/hidraw")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            if (!nodes.isEmpty() && QFile::exists(QStringLiteral("/dev/") + nodes.first()))
                return QStringLiteral("/dev/") + nodes.first();
        }
        QThread::msleep(10);
    } while (Clock::now() < until);
    return QString();
}

#else // not Linux: there is no uhid

bool UhidMeter::Serve(const std::atomic<bool> &, QString *error)
{
    if (error)
        *error = QStringLiteral("uhid exists only on Linux");
    return false;
}
QString UhidMeter::WaitForHidrawNode(const QByteArray &) { return QString(); }

#endif
