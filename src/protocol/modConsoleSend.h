// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's raw exchange with the meter: one command typed by hand, the
// reply passed on report by report exactly as it arrives. Used by the main
// window's console and by the command-line tool's "send".
#include "common/clsOperation.h"

#include <functional>

class clsDevice;
class clsPacket;

// A meter that never marks its last report must not hold the console forever.
constexpr int kMaxConsoleReply = 65536;

// Sends the command completed in the device's PacketOut. When the link turns
// out closed after sending, the meter is searched for once and, when found,
// the same command is sent again. Each reply packet goes to onPacket.
// Ok: every report of the reply was passed on; Busy: an operation is
// running, nothing was sent; LinkLost: no meter, or the link closed before
// the last report; TooLong: kMaxConsoleReply bytes came without the
// last-report mark.
OpStatus ConsoleSend(clsDevice &device, const std::function<void(const clsPacket &)> &onPacket);
