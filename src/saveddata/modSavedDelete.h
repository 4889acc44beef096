// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Deleting the meter's saved records, shared by the saved-data window and
// the command-line tool.
#include "common/clsOperation.h"
#include "usb/clsUsbHid.h"

#include <QList>
#include <QtGlobal>

class clsMeter;

// "E" is tried this often (each try is a full exchange with its own resends)
// before giving up.
constexpr int kEraseAttempts = 3;

// Deletes saved records: one "F" per record and step, in the order given,
// or the whole store with "E", one try per step while the meter stays
// connected. Progress(done, total) follows each record the meter deleted.
// Stops at the first record the meter does not delete and once the link
// has gone down.
class clsSavedDeleteOp : public clsOperation
{
public:
    enum Mode {
        Each,       // "F" for each record
        Erase,      // "E"
        EraseIfAll, // "E" when the meter holds exactly `held` records (read first), else each
    };
    clsSavedDeleteOp(clsMeter &meter, Mode mode, const QList<qint32> &records, qint32 held = -1,
                     QObject *parent = nullptr);
    ~clsSavedDeleteOp() override;

    const QList<qint32> &Records() const { return m_records; }
    // The first Deleted() of Records() are gone from the meter.
    int Deleted() const { return m_done; }
    // The record the meter did not delete, or -1.
    qint32 Failed() const { return m_failed; }
    // The store is being (or was) erased as a whole; Erased() once the meter confirmed.
    bool Erasing() const { return m_mode == Erase; }
    bool Erased() const { return m_erased; }
    // "E" commands sent so far.
    int Tries() const { return m_tries; }

protected:
    void Step() override;

private:
    clsMeter &m_meter;
    Mode m_mode;
    QList<qint32> m_records;
    qint32 m_held;
    int m_done = 0;
    int m_tries = 0;
    qint32 m_failed = -1;
    bool m_erased = false;
    const LinkWatch m_watch; // also gone and back: the meter may not have done the last command
};
