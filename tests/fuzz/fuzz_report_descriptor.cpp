// Arbitrary HID report descriptors, and input reports shaped by them.
#include "usb/HidReportDescriptor.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray descriptor(reinterpret_cast<const char *>(data), int(size));
    const HidReportDescriptorInfo info = ParseReportDescriptor(descriptor);
    const int length = info.caps.InputReportByteLength;
    const QByteArray report = InputReportWithId(descriptor.constData(), int(descriptor.size()), info.usesReportIds, length);
    if (length > 0 && report.size() != length)
        __builtin_trap();
    return 0;
}
