// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The process-wide objects, created once in this order and kept to the end.
class clsApp;
class clsUsbHid;
class clsFsm;
class clsDevice;
class clsTx;

extern clsApp *gApp;
extern clsUsbHid *gUsbHid;
extern clsFsm *gFsm;
extern clsDevice *gDevice;
extern bool fShiftKey;
extern clsTx *gTx;

// Creates gApp, gUsbHid (which starts the 250 ms watch), gFsm, gDevice,
// fShiftKey and gTx in that order. The HID platform must be set first.
void CreateProcessObjects();
// Deletes them in reverse order (end of program, and between tests).
void DestroyProcessObjects();
