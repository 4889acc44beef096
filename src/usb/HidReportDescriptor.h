// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a HID report descriptor: the report lengths and counts that Windows
// hands out as HIDP_CAPS, for platforms whose HID support only gives the raw
// descriptor. Pure functions; any byte string is safe input.
#include "usb/HidPlatform.h"

#include <QByteArray>

struct HidReportDescriptorInfo
{
    // Report lengths count the report-ID byte, as on Windows: 1 + the largest
    // report's data bytes, also for a device without report IDs.
    HidCapabilities caps;
    // The device numbers its reports (a Report ID item was seen).
    bool usesReportIds = false;
    // False when the descriptor was truncated or inconsistent; caps then hold
    // what was read up to the fault.
    bool wellFormed = true;
};

HidReportDescriptorInfo ParseReportDescriptor(const QByteArray &descriptor);

// An input report as the link wants it: the report-ID byte at index 0 and
// `inputLength` bytes (padded with zeros or cut; the received size when
// `inputLength` is not positive). `idIncluded` says whether `data` starts with
// the report ID; when it does not (a device without report IDs) a 0 is put in
// front.
QByteArray InputReportWithId(const char *data, int size, bool idIncluded, int inputLength);
