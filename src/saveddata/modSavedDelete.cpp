// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modSavedDelete.h"
#include "protocol/modFSMComm.h"
#include "records/modStore.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"

clsSavedDeleteOp::clsSavedDeleteOp(Mode mode, const QList<qint32> &records, qint32 held, QObject *parent)
    : clsOperation(parent), m_mode(mode), m_records(records), m_held(held), m_work(std::make_unique<LinkWork>())
{
    connect(this, &clsOperation::Finished, this, [this] { m_work.reset(); });
}

clsSavedDeleteOp::~clsSavedDeleteOp() { StopSteps(); }

bool clsSavedDeleteOp::LinkGone() const
{
    // Also gone and back: the meter may not have done the last command.
    return !gUsbHid || !gUsbHid->fDeviceConnected() || (m_work && m_work->Lost());
}

void clsSavedDeleteOp::Step()
{
    if (LinkGone())
        return Finish(OpStatus::LinkLost);
    gFsm->DataType = 0;
    if (m_mode == EraseIfAll) {
        // "E" erases the whole store: only when the caller's list has every
        // record in it.
        const bool all = ReadDirectory(0) == 0 && gFsm->NumRecords() == m_held;
        if (LinkGone())
            return Finish(OpStatus::LinkLost);
        m_mode = all ? Erase : Each;
        return;
    }
    if (m_mode == Erase) {
        m_erased = EraseRecords() == 0;
        ++m_tries;
        if (m_erased)
            return Finish(OpStatus::Ok);
        if (LinkGone())
            return Finish(OpStatus::LinkLost);
        if (m_tries >= kEraseAttempts)
            Finish(OpStatus::BadReply);
        return;
    }
    if (m_done >= m_records.size())
        return Finish(OpStatus::Ok);
    const qint32 n = m_records.at(m_done);
    if (DeleteRecord(n) != 0) {
        m_failed = n;
        return Finish(LinkGone() ? OpStatus::LinkLost : OpStatus::BadReply);
    }
    ++m_done;
    ReportProgress(m_done, int(m_records.size()));
    if (LinkGone())
        Finish(OpStatus::LinkLost);
    else if (m_done == m_records.size())
        Finish(OpStatus::Ok);
}
