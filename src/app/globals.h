// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The objects of the current session (see clsSession): each is null while
// no session is current.
class clsApp;
class clsUsbHid;
class clsFsm;
class clsDevice;
class CurrentTxAccess;

extern clsApp *gApp;
extern clsUsbHid *gUsbHid;
extern clsFsm *gFsm;
extern clsDevice *gDevice;
extern bool fShiftKey;
extern const CurrentTxAccess gTx;
