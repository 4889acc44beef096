// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clsSession.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConnect.h"
#include "common/clsOperation.h"
#include "protocol/clsDevice.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"

clsSession *clsSession::gCurrent = nullptr;

clsSession::clsSession()
{
    m_linkThread = std::make_unique<clsLinkThread>();
    m_app = std::make_unique<clsApp>();
    m_app->fDebug = false;
    InstallLinkNotifier();
    m_link = std::make_unique<clsUsbHid>();
    m_fsm = std::make_unique<clsFsm>(*m_link);
    m_device = std::make_unique<clsDevice>(*m_link);
}

clsSession::~clsSession()
{
    // A step still out (the version query of a silent meter) ends first.
    m_linkThread->WaitIdle();
    // Shut down while still bound: the loss is reported to this session's objects.
    m_link->Shutdown();
    if (IsCurrent())
        Release();
    // The members go in reverse order of creation: Tx entries, device,
    // record object, link, application.
}

bool clsSession::MakeCurrent()
{
    if (IsCurrent())
        return true;
    Q_ASSERT_X(!gCurrent, "clsSession::MakeCurrent", "another session is current");
    if (gCurrent)
        return false;
    gCurrent = this;
    gApp = m_app.get();
    gAppBase = m_app.get();
    gUsbHid = m_link.get();
    gFsm = m_fsm.get();
    gDevice = m_device.get();
    SetLinkThread(m_linkThread.get());
    fShiftKey = false;
    BindTxEntries(&m_tx);
    return true;
}

void clsSession::Release()
{
    SetLinkThread(nullptr);
    BindTxEntries(nullptr);
    fShiftKey = false;
    gDevice = nullptr;
    gFsm = nullptr;
    gUsbHid = nullptr;
    gAppBase = nullptr;
    gApp = nullptr;
    gCurrent = nullptr;
}
