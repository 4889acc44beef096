// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/modConsoleSend.h"
#include "protocol/clsDevice.h"
#include "common/clsOperation.h"
#include "usb/clsUsbHid.h"

OpStatus ConsoleSend(clsDevice &device, const std::function<void(const clsPacket &)> &onPacket)
{
    clsUsbHid *link = device.Link();
    if (!link || !link->fDeviceConnected())
        return OpStatus::LinkLost;
    // Never between the steps of an operation: its replies would mix with ours.
    if (OperationRunning())
        return OpStatus::Busy;

    const clsDevice::Exchange exchange(device);
    const clsPacket command = device.PacketOut();
    device.ReportOut();
    if (!link->fDeviceConnected()) {
        if (!link->FindTheHid())
            return OpStatus::LinkLost;
        // Found again: send the same command once more.
        device.PacketOut() = command;
        device.ReportOut();
    }
    int received = 0;
    do {
        device.ReportIn();
        if (!link->fDeviceConnected())
            return OpStatus::LinkLost;
        if (onPacket)
            onPacket(device.PacketIn());
        // Count whole reports, so that empty unmarked ones cannot loop forever.
        received += clsPacket::kCapacity;
        if (!device.PacketIn().fComplete() && received >= kMaxConsoleReply)
            return OpStatus::TooLong;
    } while (!device.PacketIn().fComplete());
    return OpStatus::Ok;
}
