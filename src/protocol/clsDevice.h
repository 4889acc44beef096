// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "protocol/clsPacket.h"

#include <QString>

class clsUsbHid;

// Turns packets into reports and back through the link.
class clsDevice
{
public:
    // Without a link the device only frames packets; reports go nowhere.
    clsDevice() = default;
    explicit clsDevice(clsUsbHid &link) : m_link(&link) {}

    clsPacket PacketIn;
    clsPacket PacketOut;

    bool AddByte(int wValue) { return PacketOut.AddByte(wValue); }
    bool AddChar(int wValue) { return PacketOut.AddChar(wValue); }
    // Appends the text and the end mark. Returns false (and appends nothing)
    // when the text does not fit the free part of the payload.
    bool AddString(const QString &szValue);
    void ReportOut();
    void ReportIn();

    // The report bytes ReportOut would send for PacketOut (report ID at 0).
    static QByteArray BuildOutputReport(const clsPacket &packet, int reportLength);
    // Unpacks an input report into a packet; only bytes the report carries are taken.
    static void ParseInputReport(const QByteArray &report, clsPacket &packet);

private:
    clsUsbHid *m_link = nullptr;
};

// The device of the current session (null when none is current).
extern clsDevice *gDevice;
