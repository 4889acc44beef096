// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The demo meter: a simulated ZT 6200 behind the HID platform layer.
#include "usb/HidPlatform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <deque>
#include <vector>

// What a scenario sets: the meter's identity, its contents (which its
// commands then change) and its timing and faults. Plain values, each
// independent of the others.
struct DemoScenario
{
    // Identity
    quint16 vendorId = 0x1C40;
    quint16 productId = 0x0BBA;
    quint16 versionNumber = 0x0100;
    int inputReportLength = 65;  // report-ID byte included
    int outputReportLength = 65;
    QString openError; // set: the meter is present but cannot be opened, for this reason

    // Contents
    QString firmware = QStringLiteral("2.3.1"); // reply to "A"; empty gives an empty reply
    int savedCapacity = 500;
    int txCapacity = 100;
    QStringList saved; // record lines, sent exactly as stored
    QStringList tx;    // Tx lines, sent exactly as stored

    // Timing and faults
    int reportLatencyUs = 0; // each input report of a reply comes this long after the one before (or the command)
    int unplugAfterReports = -1; // -1 never; counts input reports sent since start
    int stallAfterReports = -1;  // -1 never
    int replyLateMs = 0;         // each reply starts this long after its command
    bool replyNoEndMark = false; // the last report of a reply lacks the last-report mark
    bool shortReports = false;   // input reports end after their payload
    int extraReports = 0;        // stray reports (repeats of the last one) follow each reply
    bool lateDuplicateReply = false; // each command is first answered by the previous reply again
    QString changeReply;         // null never; a Tx add or replace it makes is answered with this text
    int replyOtherRecord = -1;   // -1 never; a request for this record (index from 0, either store) is
                                 // answered with the record before it (for index 0, the one after it)
    // Test hook: the meter's waits (read time-outs, late replies) take this
    // many times as long, so that a 4000 ms time-out can pass in 40 ms.
    double timeScale = 1.0;
    int replugAfterMs = -1;      // -1 never; an unplugged meter comes back this much later, once

    // Test hook: when set and it returns true, `reports` are queued as the raw
    // input reports answering `command` instead of the meter's own reply.
    std::function<bool(const QString &command, QList<QByteArray> &reports)> replyOverride;
};

class DemoMeter : private DemoScenario
{
public:
    DemoMeter(); // an empty meter with firmware 2.3.x

    // The built-in data set (what the demo program shows with no scenario).
    static std::unique_ptr<DemoMeter> BuiltIn();
    // A scenario: starts from an empty meter. nullptr and *error naming the
    // line when a line is not understood.
    static std::unique_ptr<DemoMeter> FromScenario(const QString &text, QString *error);
    static std::unique_ptr<DemoMeter> FromScenarioFile(const QString &path, QString *error);

    // The scenario, to read and change while the meter runs.
    DemoScenario &Scenario() { return *this; }
    const DemoScenario &Scenario() const { return *this; }

    // What the meter has seen and done: every complete command received, in
    // order; the input reports sent; the time-out the last read was given.
    const QStringList &Commands() const { return m_commands; }
    void ClearCommands() { m_commands = QStringList(); }
    int InputReportsSent() const { return m_inputReportsSent; }
    int LastReadTimeoutMs() const { return m_lastReadTimeoutMs; }
    bool plugged() const { return m_plugged; }
    void setPlugged(bool fPlugged) { m_plugged = fPlugged; }

    // The meter's reply text (without line end) to one command.
    QString Execute(const QString &command);

    // Transport, used by the demo HID device.
    bool ReceiveOutputReport(const QByteArray &report);
    enum class ReadOutcome { Ok, Timeout, Gone };
    // The next input report, waiting for it up to timeoutMs as hidraw does.
    // Reports nobody reads stay queued across commands.
    ReadOutcome SendInputReport(QByteArray &report, int timeoutMs = 0);
    // Drops the reports already there; returns how many.
    int DropQueuedReports();

    // The reports that carry `text` (63-byte payloads, last one marked).
    static QList<QByteArray> FrameReply(const QByteArray &text, int reportLength);

private:
    QString AddTx(const QString &line, bool replace);
    using Clock = std::chrono::steady_clock;
    struct Queued { QByteArray report; Clock::time_point readyAt; };
    bool Silent() const { return stallAfterReports >= 0 && m_inputReportsSent >= stallAfterReports; }
    Clock::duration Scaled(double ms) const;
    void Deliver(QByteArray &report);
    QByteArray m_command; // bytes of the command being received
    QList<QByteArray> m_previousReply; // for lateDuplicateReply
    std::deque<Queued> m_queue; // sent by the meter, not yet read by the program
    QStringList m_commands;
    int m_inputReportsSent = 0;
    int m_lastReadTimeoutMs = -1;
    bool m_plugged = true;
};

// The demo meter's HID platform: meters and other HID devices in
// enumeration order; each can be plugged and unplugged at run time.
class DemoHidPlatform : public HidPlatform
{
public:
    QString Name() const override { return QStringLiteral("demo meter"); }
    QList<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const QString &path, QString *error = nullptr) override;

    DemoMeter *AddMeter(std::unique_ptr<DemoMeter> meter);
    // Another HID device that is present (it answers no commands).
    void AddForeignDevice(quint16 vendorId, quint16 productId, bool canOpen = true);
    // Plugging a meter back in keeps its data and its fault settings.
    void Plug(DemoMeter *meter, bool plugged);
    DemoMeter *Meter(int index = 0) const;
    int ForeignOpens() const; // how often the other devices were opened

private:
    struct Foreign { HidDeviceInfo info; bool canOpen; bool plugged; int opens; };
    std::vector<std::unique_ptr<DemoMeter>> m_meters;
    std::deque<Foreign> m_foreign; // deque: open devices point into it
    std::vector<std::chrono::steady_clock::time_point> m_goneSince; // per meter, for replug-after-ms
};
