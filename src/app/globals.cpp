// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/globals.h"
#include "app/clsApp.h"
#include "app/modConnect.h"
#include "protocol/clsDevice.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"
#include "usb/clsUsbHid.h"

clsApp *gApp = nullptr;
bool fShiftKey = false;

void CreateProcessObjects()
{
    gApp = new clsApp;
    gApp->fDebug = false;
    InstallLinkNotifier();
    gUsbHid = new clsUsbHid;
    gFsm = new clsFsm;
    gDevice = new clsDevice;
    fShiftKey = false;
    gTx = new clsTx;
}

void DestroyProcessObjects()
{
    if (gUsbHid)
        gUsbHid->Shutdown();
    delete gTx;
    gTx = nullptr;
    delete gDevice;
    gDevice = nullptr;
    delete gFsm;
    gFsm = nullptr;
    delete gUsbHid;
    gUsbHid = nullptr;
    delete gApp;
    gApp = nullptr;
    fShiftKey = false;
}
