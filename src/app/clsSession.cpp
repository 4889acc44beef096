// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clsSession.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConnect.h"
#include "app/modFileWords.h"
#include "app/modTxWords.h"
#include "common/clsOperation.h"
#include "records/clsMeter.h"

clsSession *clsSession::gCurrent = nullptr;

clsSession::clsSession()
{
    m_linkThread = std::make_unique<clsLinkThread>();
    m_app = std::make_unique<clsApp>();
    m_app->setfDebug(false);
    InstallLinkNotifier();
    InstallTxWords();
    InstallFileWords();
    m_meter = std::make_unique<clsMeter>();
}

clsSession::~clsSession()
{
    // A step still out (the version query of a silent meter) ends first.
    m_linkThread->WaitIdle();
    // Shut down while still bound: the loss is reported to this session's objects.
    m_meter->Link().Shutdown();
    if (IsCurrent())
        Release();
    // The members go in reverse order of creation: Tx entries, meter
    // (record object, device, link), application.
}

clsUsbHid &clsSession::Link() const { return m_meter->Link(); }
clsFsm &clsSession::Fsm() const { return m_meter->Fsm(); }
clsDevice &clsSession::Device() const { return m_meter->Device(); }

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
    gMeter = m_meter.get();
    gUsbHid = &m_meter->Link();
    gFsm = &m_meter->Fsm();
    gDevice = &m_meter->Device();
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
    gMeter = nullptr;
    gAppBase = nullptr;
    gApp = nullptr;
    gCurrent = nullptr;
}
