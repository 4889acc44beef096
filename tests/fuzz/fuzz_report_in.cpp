// Arbitrary input reports through the framing.
#include "protocol/clsDevice.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    clsPacket p;
    clsDevice::ParseInputReport(QByteArray(reinterpret_cast<const char *>(data), int(size)), p);
    if (p.Length < 0 || p.Length > clsPacket::kCapacity)
        __builtin_trap();
    (void)p.szString();
    return 0;
}
