// SPDX-License-Identifier: GPL-3.0-or-later
// The meter coming and going: the title and the commands follow it.
#include "app/frmMain.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConnect.h"
#include "records/clsFsm.h"
#include "records/clsVersion.h"
#include "usb/clsUsbHid.h"

void frmMain::mUsbHid_Connect() { gApp->Caption(); }

void frmMain::mUsbHid_Disconnect()
{
    gFsm->Version()->setszVersion(QString());
    gApp->Caption();
}

void frmMain::mVersion_VersionChanged() { UpdateCommands(); }

void frmMain::mVersion_VersionUnknown()
{
    ShowUpdateSoftware();
    UpdateCommands();
}
