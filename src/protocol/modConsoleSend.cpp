// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/modConsoleSend.h"
#include "protocol/clsDevice.h"
#include "usb/clsUsbHid.h"

clsConsoleSend::clsConsoleSend(clsDevice &device, const clsPacket &command, QObject *parent)
    : clsOperation(parent), m_device(device), m_command(command)
{
}

void clsConsoleSend::Step()
{
    clsUsbHid *link = m_device.Link();
    if (!link || !link->fDeviceConnected())
        return Finish(OpStatus::LinkLost);
    const clsDevice::Exchange exchange(m_device);
    if (!m_sent) {
        m_sent = true;
        m_device.PacketOut() = m_command;
        m_device.ReportOut();
        if (!link->fDeviceConnected()) {
            if (!link->FindTheHid())
                return Finish(OpStatus::LinkLost);
            // Found again: send the same command once more.
            m_device.PacketOut() = m_command;
            m_device.ReportOut();
        }
    }
    const OpStatus got = m_device.ReportIn();
    if (got != OpStatus::Ok || !link->fDeviceConnected())
        return Finish(got == OpStatus::Ok ? OpStatus::LinkLost : got);
    const clsPacket in = m_device.PacketIn();
    WindowThreadDo([this, in] { emit Packet(in); }, this);
    if (in.fComplete())
        return Finish(OpStatus::Ok);
    // Count whole reports, so that empty unmarked ones cannot loop forever.
    m_received += clsPacket::kCapacity;
    if (m_received >= kMaxConsoleReply)
        Finish(OpStatus::TooLong);
}
