#pragma once
#include "usb/HidPlatform.h"

#include <memory>

// The HID platform of real meters, on hidapi.
std::unique_ptr<HidPlatform> CreateHidApiPlatform();
