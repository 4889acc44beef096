// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modSavedDelete.h"
#include "records/clsMeter.h"

clsSavedDeleteOp::clsSavedDeleteOp(clsMeter &meter, Mode mode, const QList<qint32> &records, qint32 held,
                                   QObject *parent)
    : clsOperation(parent), m_meter(meter), m_mode(mode), m_records(records), m_held(held), m_watch(meter.Watch())
{
    // Deletes follow each other on the link thread for up to 2 ms before the
    // window removes their rows: one hand-over each would cost the window more
    // than a fast meter's delete.
    SetSliceMs(2);
}

clsSavedDeleteOp::~clsSavedDeleteOp() { StopSteps(); }

void clsSavedDeleteOp::Step()
{
    if (m_watch.Lost())
        return Finish(OpStatus::LinkLost);
    if (m_mode == EraseIfAll) {
        // "E" erases the whole store: only when the caller's list has every
        // record in it.
        const bool all = m_meter.ReadDirectory(0) == OpStatus::Ok && m_meter.Fsm().NumRecords(0) == m_held;
        if (m_watch.Lost())
            return Finish(OpStatus::LinkLost);
        m_mode = all ? Erase : Each;
        return;
    }
    if (m_mode == Erase) {
        m_erased = m_meter.EraseRecords() == OpStatus::Ok;
        ++m_tries;
        if (m_erased)
            return Finish(OpStatus::Ok);
        if (m_watch.Lost())
            return Finish(OpStatus::LinkLost);
        if (m_tries >= kEraseAttempts)
            Finish(OpStatus::BadReply);
        return;
    }
    if (m_done >= m_records.size())
        return Finish(OpStatus::Ok);
    const qint32 n = m_records.at(m_done);
    if (m_meter.DeleteRecord(0, n) != OpStatus::Ok) {
        m_failed = n;
        return Finish(m_watch.Failure());
    }
    ++m_done;
    ReportProgress(m_done, int(m_records.size()));
    if (m_watch.Lost())
        Finish(OpStatus::LinkLost);
    else if (m_done == m_records.size())
        Finish(OpStatus::Ok);
}
