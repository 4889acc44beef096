// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/clsDevice.h"
#include "common/modAnsi.h"
#include "usb/clsUsbHid.h"

clsDevice *gDevice = nullptr;

clsDevice::Exchange::~Exchange()
{
    if (--m_device.m_exchanges == 0 && m_device.m_whenIdle)
        m_device.m_whenIdle();
}

bool clsDevice::AddString(const QString &szValue)
{
    if (m_out.Length() + szValue.size() > clsPacket::kCapacity)
        return false;
    for (QChar ch : szValue)
        m_out.AddChar(CharToAnsi(ch));
    m_out.AddChar(13);
    return true;
}

QByteArray clsDevice::BuildOutputReport(const clsPacket &packet, int reportLength)
{
    QByteArray report(reportLength, '\0');
    if (reportLength < 2)
        return report;
    const int len = qBound(0, int(packet.Length()), clsPacket::kCapacity);
    report[1] = char(len + (packet.fComplete() ? 128 : 0));
    for (int i = 0; i < len && 2 + i < reportLength; ++i)
        report[2 + i] = char(packet.Buffer(i));
    return report;
}

void clsDevice::ParseInputReport(const QByteArray &report, clsPacket &packet)
{
    const quint8 b1 = report.size() > 1 ? quint8(report.at(1)) : 0;
    // Take only the payload bytes the report really carries.
    const int available = qMax(0, int(report.size()) - 2);
    const int len = qMin(int(b1 & 0x3F), available);
    packet.Take(report.constData() + 2, len, (b1 & 0x80) != 0 || (b1 & 0x3F) == 0);
}

void clsDevice::ReportOut()
{
    const int n = m_link ? m_link->ReportLengthOutput() : 0;
    if (n < 1)
        return;
    m_link->WriteReport(BuildOutputReport(m_out, n));
    m_out.Clear();
}

OpStatus clsDevice::ReportIn()
{
    if (!m_link)
        return OpStatus::LinkLost;
    QByteArray report(qMax(m_link->ReportLengthInput() - 1, 0) + 1, '\0');
    const OpStatus got = m_link->ReportRead(report);
    if (got != OpStatus::Ok)
        return got; // the packet in keeps the previous packet
    ParseInputReport(report, m_in);
    return OpStatus::Ok;
}
