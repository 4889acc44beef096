// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary input reports through the framing.
#include "FuzzSupport.h"
#include "protocol/clsDevice.h"

FUZZ_TARGET
{
    clsPacket p;
    clsDevice::ParseInputReport(QByteArray(reinterpret_cast<const char *>(data), int(size)), p);
    FuzzAssert(p.Length() >= 0 && p.Length() <= clsPacket::kCapacity);
    (void)p.szString();
}
