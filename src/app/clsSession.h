// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "tx/clsTx.h"

#include <memory>

class clsApp;
class clsMeter;
class clsUsbHid;
class clsFsm;
class clsDevice;
class clsLinkThread;

// Everything one run of the program works with: the application object, the
// meter (its link, whose 250 ms watch starts with it, its device with the
// packets and its record object), the current Tx and the Tx list's entries.
// They are created in that order and destroyed in reverse, the link shut
// down first.
//
// Work below the windows is handed the meter; the windows reach these
// objects through gApp, gMeter, gUsbHid, gFsm, gDevice, gTx and gTxArray,
// which MakeCurrent binds to this session and its destruction clears. The
// HID platform must be set before a session is created.
class clsSession
{
public:
    clsSession();
    ~clsSession();
    clsSession(const clsSession &) = delete;
    clsSession &operator=(const clsSession &) = delete;

    // Binds the accessors to this session. Only one session may be current:
    // another one current is a programming fault, refused (false).
    bool MakeCurrent();
    bool IsCurrent() const { return gCurrent == this; }
    static clsSession *Current() { return gCurrent; }

    clsApp &App() const { return *m_app; }
    clsMeter &Meter() const { return *m_meter; }
    clsUsbHid &Link() const;
    clsFsm &Fsm() const;
    clsDevice &Device() const;
    clsTxEntries &TxEntries() { return m_tx; }

private:
    void Release();

    static clsSession *gCurrent;
    // The steps of the current session's operations run on it; it goes last.
    std::unique_ptr<clsLinkThread> m_linkThread;
    std::unique_ptr<clsApp> m_app;
    std::unique_ptr<clsMeter> m_meter;
    clsTxEntries m_tx;
};
