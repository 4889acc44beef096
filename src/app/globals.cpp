// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/globals.h"

clsApp *gApp = nullptr;
bool fShiftKey = false;
