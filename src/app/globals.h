// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application object of the current session (see clsSession), null
// while none is current. The meter and its parts (gMeter, gUsbHid, gDevice,
// gFsm) and gTx are declared with their classes.
class clsApp;

extern clsApp *gApp;
extern bool fShiftKey;
