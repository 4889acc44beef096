// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The demo meter as a real kernel HID device, through Linux's uhid: the
// program then reaches it through hidraw and hidapi like a meter on a cable.
#include "sim/DemoMeter.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

struct uhid_event;

class UhidMeter
{
public:
    // `fd` is an open /dev/uhid (or, in tests, one end of a packet socket);
    // the caller keeps it open while Serve runs.
    UhidMeter(int fd, std::unique_ptr<DemoMeter> meter);

    // Vendor-defined: one 64-byte input and one 64-byte output report, no report IDs.
    static QByteArray ReportDescriptor();

    // Called once per device created, after the kernel started it, with its
    // hidraw node ("" when none was found).
    void setStarted(std::function<void(const QString &node)> f) { m_started = std::move(f); }
    // The hidraw node of the device whose uniq text is given; "" when none.
    // By default it waits a little: the kernel adds the node after it
    // starts the device.
    void setFindNode(std::function<QString(const QByteArray &uniq)> f) { m_findNode = std::move(f); }
    // Messages for the user (unplug, replug).
    void setNote(std::function<void(const QString &text)> f) { m_note = std::move(f); }

    // Serves until `stop` is set or the fd fails, then destroys the device.
    // Returns false (and *error) when the fd failed.
    bool Serve(const std::atomic<bool> &stop, QString *error);

    DemoMeter &Meter() { return *m_meter; }
    int DevicesCreated() const { return m_generation; }

    static QString WaitForHidrawNode(const QByteArray &uniq);

private:
    bool Create();
    bool Destroy();
    bool SendInput(const QByteArray &report);
    bool Reply(quint32 type, quint32 id);
    bool Pump(); // sends what the engine has ready
    // One event from the kernel; what failed, or nullptr.
    const char *Handle(const uhid_event &ev, const std::function<bool()> &pump);
    bool Write(const void *event);

    int m_fd;
    std::unique_ptr<DemoMeter> m_meter;
    std::function<void(const QString &node)> m_started;
    std::function<QString(const QByteArray &uniq)> m_findNode = WaitForHidrawNode;
    std::function<void(const QString &text)> m_note;
    bool m_created = false;
    int m_generation = 0;
    QByteArray m_uniq;
};
