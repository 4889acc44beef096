// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "usb/HidPlatform.h"

#include <memory>

// The HID platform of real meters, on hidapi.
std::unique_ptr<HidPlatform> CreateHidApiPlatform();

// An input report as hidapi read it (`read`), with the report-ID byte put in
// front where hidapi left it out, in the length the link expects.
QByteArray HidApiInputReport(const QByteArray &read, int inputLength, bool descriptorKnown, bool usesReportIds);
