// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "protocol/clsDevice.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "records/clsVersion.h"
#include "usb/clsUsbHid.h"

#include <functional>
#include <memory>

// The meter as the program works with it: the link, the framing of packets
// into reports (`clsDevice`), the record state (`clsFsm`: store counts,
// learnt record length, ids taken in a reading, the last count reply) and
// the firmware the meter runs. Work below the windows is given a meter and
// reaches it only through it; the windows reach the current session's
// through gMeter (and its parts through gUsbHid, gDevice and gFsm).
//
// A store is named by its type: 0 saved measurements, 1 Tx entries. The
// store commands return 0 on success, 1 on a failed exchange or an unknown
// store.
class clsMeter
{
public:
    clsMeter(); // the link's 250 ms watch starts with it
    ~clsMeter();
    clsMeter(const clsMeter &) = delete;
    clsMeter &operator=(const clsMeter &) = delete;

    clsUsbHid &Link() const { return *m_link; }
    clsDevice &Device() { return m_device; }
    clsFsm &Fsm() { return m_fsm; }
    const clsFsm &Fsm() const { return m_fsm; }
    // What the program does with the firmware the meter runs.
    const FirmwareProfile &Profile() const { return m_fsm.Version()->Profile(); }

    // The exchange with the meter (see ::SendCommand).
    OpStatus SendCommand(const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck,
                         const ReplyCheck &answers = {})
    {
        return ::SendCommand(m_device, szCommand, szReply, wExpected, fCheck, answers);
    }
    QString QueryVersion() { return ::QueryVersion(m_device); }
    OpStatus GetRecord(qint32 type, qint16 DirectoryIndex) { return m_fsm.GetRecord(type, DirectoryIndex); }

    // Reads the counts of store `type` ("C" or "S") into the record state. A
    // count that came but cannot be read is told (CountProblem), unless
    // `fTell` is false (a caller that tells its own failure, so that the user
    // hears it once).
    OpStatus ReadDirectory(qint32 type, bool fTell = true);
    // Deletes saved record `n` ("F") or Tx station `n` ("V").
    OpStatus DeleteRecord(qint32 type, qint32 n);
    // Erases every saved record ("E"); the Tx store has no such command.
    OpStatus EraseRecords();

    // Watches the link from now on (see LinkWatch).
    LinkWatch Watch() const { return LinkWatch(m_link.get()); }

    // Clears the record state. Asked while an exchange is under way (the link
    // lost in one of its reads), it is done as the exchange returns.
    void Reset();

private:
    void LinkDown();
    void WhenIdle();

    std::unique_ptr<clsUsbHid> m_link;
    clsDevice m_device;
    clsFsm m_fsm;
    bool m_forgetPending = false, m_resetPending = false;
};

// The meter of the current session, for the windows (null when none is current).
extern clsMeter *gMeter;

// A count reply that came but is no count: the store and the reply refused
// (empty when none came). The user's words for it are chosen at the top of
// the program, which installs who tells it; told from inside a step, as the
// link's events are.
struct CountProblem
{
    qint32 type = 0;
    QString reply;
};
using CountProblemTeller = std::function<void(const CountProblem &)>;
// Installs who tells a CountProblem (none: nobody is told); returns the previous one.
CountProblemTeller SetCountProblemTeller(CountProblemTeller teller);
