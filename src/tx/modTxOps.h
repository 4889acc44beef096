// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Changes to the meter's Tx table, shared by the Tx list window and the
// command-line tool: delete one entry, add one, replace one, and read the
// whole table back. Each change is examined: a result of 0 means the meter
// took it; otherwise its status says why not. What the user is told of it
// is worded at the top of the program (TxWords).
#include "common/clsOperation.h"
#include "usb/clsUsbHid.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <memory>

class clsMeter;
class clsTx;
struct TxFieldCheck;
struct TxRestoreNote;
struct TxRestoreSummary;
struct TxFileProblem;

// The longest Tx line that fits one command after "U," or "X,".
constexpr int kTxLineMax = 61;

struct TxResult
{
    enum Command { Delete, Add, Replace };
    qint16 result = 1; // 0 the meter took the change, 1 not
    OpStatus status = OpStatus::Failed; // why not: LinkLost, Busy, BadReply, TooLong
    Command command = Delete;
    qint32 stationId = 0; // the entry's
    qint32 length = 0;    // TooLong: the line's length in characters
    // An add or replace whose reply was not understood (no "ERROR" refusal):
    // the meter may have made the change, and its list must be read again.
    bool fUnsure = false;
};

// A message for the user: its text (empty: nothing to tell) and title.
struct TxMessage
{
    QString szMessage;
    QString szTitle;
};

// The last entry is never deleted: Allowed, or the rule that refuses it.
enum class TxDeleteCheck { Allowed, LastRecord, NoneRemaining };

// The words of the Tx changes, chosen at the top of the program, which
// installs them (the session does); without them nothing is said.
class TxWords
{
public:
    virtual ~TxWords() = default;
    // A change the meter did not take (nothing when the link was lost: the
    // link has told that).
    virtual TxMessage Result(const TxResult &r) const = 0;
    // A delete the rules refuse.
    virtual TxMessage DeleteCheck(TxDeleteCheck check) const = 0;
    // A typed field the checks refuse (modTxChecks).
    virtual TxMessage FieldCheck(const TxFieldCheck &check) const = 0;
    // What a Tx restore says of a line, of its counts, and of a file it cannot read.
    virtual TxMessage RestoreNote(const TxRestoreNote &note) const = 0;
    virtual QString RestoreSummary(const TxRestoreSummary &summary) const = 0;
    virtual QString FileProblem(const TxFileProblem &problem) const = 0;
};
// Installs the words (null: none) and returns the previous ones.
const TxWords *SetTxWords(const TxWords *words);
TxMessage TxResultMessage(const TxResult &r);
TxMessage TxDeleteCheckMessage(TxDeleteCheck check);
TxMessage TxFieldCheckMessage(const TxFieldCheck &check);

// Deleting `selected` of the `listed` entries of a meter that holds
// `numRecords`: Allowed, or the rule that refuses it (the caller tells it).
TxDeleteCheck CheckTxDelete(qint32 numRecords, qint32 selected, qint32 listed);

// "V," + the station id: deletes the entry with that station id.
TxResult TxDelete(clsMeter &meter, qint32 StationId);
// "U," + the entry's line: adds it; the meter gives it its own ids.
TxResult TxAdd(clsMeter &meter, const clsTx &mTx);
// "X," + the entry's line: replaces the meter's entry with its station id.
TxResult TxReplace(clsMeter &meter, const clsTx &mTx);

// The line of `wTxFields` fields that TxAdd/TxReplace would send (the
// meter's firmware decides how many), and its length when it is too long
// for one command, else 0 (told as a TooLong TxResult).
qint32 TxLineTooLong(const clsTx &mTx, qint16 wTxFields, QString *szLine = nullptr);

// Reads every Tx line of the meter in directory order (ReadDirectory, then
// one GetRecord per entry). 0 when every line was read; 1 otherwise, with
// the lines read so far.
qint16 ReadTxLines(clsMeter &meter, QStringList &lines);

// Deletes the entries with these station ids, one "V" per step, in order.
// Progress(done, total) follows each entry the meter deleted; the walk stops
// at the first delete it refuses and once the link has gone down.
class clsTxDeleteOp : public clsOperation
{
public:
    clsTxDeleteOp(clsMeter &meter, const QList<qint32> &stationIds, QObject *parent = nullptr);
    ~clsTxDeleteOp() override;
    const QList<qint32> &StationIds() const { return m_ids; }
    // The first Deleted() of StationIds() are gone from the meter.
    int Deleted() const { return m_done; }
    // The delete that stopped the walk (result 1, with its message); result
    // 0 when none did.
    const TxResult &Result() const { return m_result; }

protected:
    void Step() override;

private:
    clsMeter &m_meter;
    QList<qint32> m_ids;
    int m_done = 0;
    TxResult m_result;
    const LinkWatch m_watch; // sees a link lost meanwhile, even if found again
};

// Adds ("U") or replaces ("X") one entry. An add then reads the whole table
// back, a step per entry, since the meter gives the new entry its own ids.
class clsTxChangeOp : public clsOperation
{
public:
    enum Kind { Add, Replace };
    clsTxChangeOp(clsMeter &meter, Kind kind, const clsTx &entry, QObject *parent = nullptr);
    ~clsTxChangeOp() override;
    // The change itself: result 0 when the meter took it.
    const TxResult &Result() const { return m_result; }
    // After an add: true when every line was read back, into Lines().
    bool ReadBack() const { return m_readBack; }
    const QStringList &Lines() const { return m_lines; }

protected:
    void Step() override;
    // Once the change is sent, an add still reads the table back: the
    // caller must learn the new entry's ids.
    void Cancelled() override;

private:
    void EndRead(bool ok);

    clsMeter &m_meter;
    Kind m_kind;
    std::unique_ptr<clsTx> m_entry;
    int m_next = -2; // -2 the change, -1 the directory, then each entry
    int m_count = 0;
    bool m_readBack = false;
    TxResult m_result;
    QStringList m_lines;
    const LinkWatch m_watch;
};
