#pragma once
// The demo meter: a simulated ZT 6200 behind the HID platform layer.
#include "usb/HidPlatform.h"

#include <QByteArray>
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <deque>
#include <vector>

class DemoMeter
{
public:
    DemoMeter(); // an empty meter with firmware 2.3.x

    // The built-in data set (what the demo program shows with no scenario).
    static std::unique_ptr<DemoMeter> BuiltIn();
    // A scenario: starts from an empty meter. nullptr and *error naming the
    // line when a line is not understood.
    static std::unique_ptr<DemoMeter> FromScenario(const QString &text, QString *error);
    static std::unique_ptr<DemoMeter> FromScenarioFile(const QString &path, QString *error);

    // Identity
    quint16 vendorId = 0x1C40;
    quint16 productId = 0x0BBA;
    quint16 versionNumber = 0x0100;
    int inputReportLength = 65;  // report-ID byte included
    int outputReportLength = 65;

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
    int replugAfterMs = -1;      // -1 never; an unplugged meter comes back this much later, once

    // Test hook: when set and it returns true, `reports` are queued as the raw
    // input reports answering `command` instead of the meter's own reply.
    std::function<bool(const QString &command, QList<QByteArray> &reports)> replyOverride;

    // What the meter has seen and done.
    QStringList commands; // every complete command received, in order
    int inputReportsSent = 0;
    bool plugged = true;

    // The meter's reply text (without line end) to one command.
    QString Execute(const QString &command);

    // Transport, used by the demo HID device.
    bool ReceiveOutputReport(const QByteArray &report);
    enum class ReadOutcome { Ok, Timeout, Gone };
    ReadOutcome SendInputReport(QByteArray &report);

    // The reports that carry `text` (63-byte payloads, last one marked).
    static QList<QByteArray> FrameReply(const QByteArray &text, int reportLength);

private:
    QString AddTx(const QString &line, bool replace);
    QByteArray m_command; // bytes of the command being received
    QQueue<QByteArray> m_pending;
    std::chrono::steady_clock::time_point m_nextReport; // when the next pending report is ready
};

// The demo meter's HID platform: meters and other HID devices in
// enumeration order; each can be plugged and unplugged at run time.
class DemoHidPlatform : public HidPlatform
{
public:
    QString Name() const override { return QStringLiteral("demo meter"); }
    QList<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const QString &path) override;

    DemoMeter *AddMeter(std::unique_ptr<DemoMeter> meter);
    // Another HID device that is present (it answers no commands).
    void AddForeignDevice(quint16 vendorId, quint16 productId, bool canOpen = true);
    // Plugging a meter back in keeps its data and its fault settings.
    void Plug(DemoMeter *meter, bool plugged);
    DemoMeter *Meter(int index = 0) const;

private:
    struct Foreign { HidDeviceInfo info; bool canOpen; bool plugged; };
    std::vector<std::unique_ptr<DemoMeter>> m_meters;
    std::deque<Foreign> m_foreign; // deque: open devices point into it
    std::vector<std::chrono::steady_clock::time_point> m_goneSince; // per meter, for replug-after-ms
};
