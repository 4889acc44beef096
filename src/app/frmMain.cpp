#include "app/frmMain.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"

frmMain::frmMain()
{
    connect(gUsbHid, &clsUsbHid::Connect, this, &frmMain::mUsbHid_Connect);
    connect(gUsbHid, &clsUsbHid::Disconnect, this, &frmMain::mUsbHid_Disconnect);
    setWindowTitle(clsApp::AppTitle());
    gApp->Caption();
    resize(640, 300);
}

void frmMain::mUsbHid_Connect() { gApp->Caption(); }

void frmMain::mUsbHid_Disconnect()
{
    gFsm->Version->setszVersion(QString());
    gApp->Caption();
}
