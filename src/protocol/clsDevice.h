// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/clsOperation.h"
#include "protocol/clsPacket.h"

#include <QString>
#include <functional>

class clsUsbHid;

// Turns packets into reports and back through the link.
class clsDevice
{
public:
    // Without a link the device only frames packets; reports go nowhere.
    clsDevice() = default;
    explicit clsDevice(clsUsbHid &link) : m_link(&link) {}

    clsUsbHid *Link() const { return m_link; }

    // The packet received last, and the one being filled to send.
    clsPacket &PacketIn() { return m_in; }
    const clsPacket &PacketIn() const { return m_in; }
    clsPacket &PacketOut() { return m_out; }
    const clsPacket &PacketOut() const { return m_out; }

    bool AddByte(int wValue) { return m_out.AddByte(wValue); }
    bool AddChar(int wValue) { return m_out.AddChar(wValue); }
    // Appends the text and the end mark. Returns false (and appends nothing)
    // when the text does not fit the free part of the payload.
    bool AddString(const QString &szValue);
    void ReportOut();
    // Reads one report into PacketIn: Ok, or the link's Timeout or LinkLost
    // (PacketIn then keeps the previous packet).
    OpStatus ReportIn();

    // The report bytes ReportOut would send for PacketOut (report ID at 0).
    static QByteArray BuildOutputReport(const clsPacket &packet, int reportLength);
    // Unpacks an input report into a packet; only bytes the report carries are taken.
    static void ParseInputReport(const QByteArray &report, clsPacket &packet);

    // Held for one command/reply exchange, however it ends. The link may go
    // down inside one (a failed read); what the program does about that
    // (clearing the record state) waits until the exchange has returned:
    // `whenIdle` runs as the outermost one ends.
    class Exchange
    {
    public:
        explicit Exchange(clsDevice &device) : m_device(device) { ++m_device.m_exchanges; }
        ~Exchange();
        Exchange(const Exchange &) = delete;
        Exchange &operator=(const Exchange &) = delete;

    private:
        clsDevice &m_device;
    };
    bool InExchange() const { return m_exchanges > 0; }
    void setWhenIdle(std::function<void()> whenIdle) { m_whenIdle = std::move(whenIdle); }

private:
    clsPacket m_in;
    clsPacket m_out;
    std::function<void()> m_whenIdle;
    clsUsbHid *m_link = nullptr;
    int m_exchanges = 0;
};

// The device of the current session, for the windows (null when none is current).
extern clsDevice *gDevice;
