// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's raw exchange with the meter: one command typed by hand, the
// reply passed on report by report exactly as it arrives. Used by the main
// window's console and by the command-line tool's "send".
#include "common/clsOperation.h"
#include "protocol/clsPacket.h"

class clsDevice;

// A meter that never marks its last report must not hold the console forever.
constexpr int kMaxConsoleReply = 65536;

// Sends `command` (the packet as typed, with its end mark) and reads the
// reply, one report a step, so the waits are the link thread's. When the
// link turns out closed after sending, the meter is searched for once and,
// when found, the same command is sent again. Each reply packet is handed
// to the window thread (Packet) as it comes. Ok: every report of the reply
// was passed on; LinkLost: no meter, or the link closed before the last
// report; Timeout: the meter did not answer in time (the link closed);
// TooLong: kMaxConsoleReply bytes came without the last-report mark; Busy
// and Cancelled as for every operation.
class clsConsoleSend : public clsOperation
{
    Q_OBJECT
public:
    clsConsoleSend(clsDevice &device, const clsPacket &command, QObject *parent = nullptr);
    ~clsConsoleSend() override { StopSteps(); }

signals:
    // One report of the reply, on the window thread, in the order they came.
    void Packet(const clsPacket &in);

protected:
    void Step() override;

private:
    clsDevice &m_device;
    const clsPacket m_command;
    bool m_sent = false;
    int m_received = 0;
};
