// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Changes to the meter's Tx table, shared by the Tx list window and the
// command-line tool: delete one entry, add one, replace one, and read the
// whole table back. Each change is examined: a result of 0 means the meter
// took it; otherwise szMessage says why not (empty when the link was lost,
// which the link has already told the user).
#include <QString>
#include <QStringList>
#include <QtGlobal>

class clsTx;

// The longest Tx line that fits one command after "U," or "X,".
constexpr int kTxLineMax = 61;

struct TxResult
{
    qint16 result = 1; // 0 the meter took the change, 1 not
    QString szMessage; // what to tell the user when it did not; may be empty
    QString szTitle;
};

// The last entry is never deleted. Deleting `selected` of the `listed`
// entries of a meter that holds `numRecords`: Allowed, or the rule that
// refuses it, after telling the user (title "Can't Delete Last Tx").
enum class TxDeleteCheck { Allowed, LastRecord, NoneRemaining };
TxDeleteCheck CheckTxDelete(qint32 numRecords, qint32 selected, qint32 listed);

// "V," + the station id: deletes the entry with that station id.
TxResult TxDelete(qint32 StationId);
// "U," + the entry's line: adds it; the meter gives it its own ids.
TxResult TxAdd(const clsTx &mTx);
// "X," + the entry's line: replaces the meter's entry with its station id.
TxResult TxReplace(const clsTx &mTx);

// The line that TxAdd/TxReplace would send, and the message refusing it
// when it is too long for one command (empty when it fits).
QString TxLineCheck(const clsTx &mTx, QString *szLine = nullptr);

// Reads every Tx line of the meter in directory order (ReadDirectory, then
// one GetRecord per entry). 0 when every line was read; 1 otherwise, with
// the lines read so far.
qint16 ReadTxLines(QStringList &lines);
