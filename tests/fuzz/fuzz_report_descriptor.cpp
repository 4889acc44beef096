// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary HID report descriptors, and input reports shaped by them.
#include "FuzzSupport.h"
#include "usb/HidReportDescriptor.h"

FUZZ_TARGET
{
    const QByteArray descriptor(reinterpret_cast<const char *>(data), int(size));
    const HidReportDescriptorInfo info = ParseReportDescriptor(descriptor);
    const int length = info.caps.InputReportByteLength;
    const QByteArray report = InputReportWithId(descriptor.constData(), int(descriptor.size()), info.usesReportIds, length);
    FuzzAssert(length <= 0 || report.size() == length);
}
