// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/modConsoleSend.h"
#include "protocol/clsDevice.h"
#include "common/clsOperation.h"
#include "usb/clsUsbHid.h"

OpStatus ConsoleSend(const std::function<void(const clsPacket &)> &onPacket)
{
    if (!gUsbHid || !gDevice || !gUsbHid->fDeviceConnected())
        return OpStatus::LinkLost;
    // Never between the steps of an operation: its replies would mix with ours.
    if (OperationRunning())
        return OpStatus::Busy;

    const clsPacket command = gDevice->PacketOut;
    gDevice->ReportOut();
    if (!gUsbHid->fDeviceConnected()) {
        if (!gUsbHid->FindTheHid())
            return OpStatus::LinkLost;
        // Found again: send the same command once more.
        gDevice->PacketOut = command;
        gDevice->ReportOut();
    }
    int received = 0;
    do {
        gDevice->ReportIn();
        if (!gUsbHid->fDeviceConnected())
            return OpStatus::LinkLost;
        if (onPacket)
            onPacket(gDevice->PacketIn);
        // Count whole reports, so that empty unmarked ones cannot loop forever.
        received += clsPacket::kCapacity;
        if (!gDevice->PacketIn.fComplete && received >= kMaxConsoleReply)
            return OpStatus::TooLong;
    } while (!gDevice->PacketIn.fComplete);
    return OpStatus::Ok;
}
