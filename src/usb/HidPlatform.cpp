// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/HidPlatform.h"

static HidPlatform *gPlatform = nullptr;

HidPlatform *CurrentHidPlatform() { return gPlatform; }
void SetHidPlatform(HidPlatform *platform) { gPlatform = platform; }
