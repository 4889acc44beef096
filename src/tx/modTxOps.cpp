// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modTxOps.h"
#include "common/modAnsi.h"
#include "protocol/modApp.h"
#include "records/clsMeter.h"
#include "tx/clsTx.h"
#include "tx/clsTxRestore.h"

#include <functional>

namespace {

const TxWords *gTxWords = nullptr;

// Runs one Tx exchange and examines its outcome.
TxResult SendTxCommand(clsMeter &meter, const std::function<OpStatus()> &exchange, TxResult::Command command,
                       qint32 stationId)
{
    TxResult r;
    r.command = command;
    r.stationId = stationId;
    r.status = OpStatus::LinkLost;
    if (!meter.Link().IsDeviceConnected(true))
        return r; // the link has told the user
    // A link lost during the exchange has been told by the link, even when
    // the meter was found again before we look.
    const LinkWatch watch = meter.Watch();
    r.result = qint16(ResultCode(exchange()));
    if (r.result == 0) {
        r.status = OpStatus::Ok;
    } else if (!watch.Lost()) {
        r.status = OpStatus::BadReply;
    }
    return r;
}

// The meter refuses a change with "ERROR" and leaves its table as it was.
bool IsRefusal(const QString &reply) { return reply.trimmed() == QLatin1String("ERROR"); }

TxResult SendTxLine(clsMeter &meter, const QString &szPrefix, const clsTx &mTx, TxResult::Command kind)
{
    QString line;
    const qint32 tooLong = TxLineTooLong(mTx, meter.Fsm().TxFields(), &line);
    if (tooLong > 0) {
        TxResult r;
        r.status = OpStatus::TooLong;
        r.command = kind;
        r.stationId = mTx.wStationId();
        r.length = tooLong;
        return r;
    }
    const QString command = szPrefix + line;
    bool refusedEach = true; // every reply an "ERROR" (and at least one came)
    bool anyReply = false;
    const ReplyCheck seen = [&](const QString &text) {
        anyReply = true;
        refusedEach = refusedEach && IsRefusal(text);
        return true;
    };
    // An add is never sent twice: after a reply that is not the empty one
    // the meter may have added the entry, and a second "U" would add it
    // again. (A replace sent again only writes the same values.)
    const bool once = szPrefix == QLatin1String("U,");
    auto exchange = [&] {
        QString reply;
        // The add's one reply must be the empty one (no fields).
        const OpStatus status = meter.SendCommand(command, reply, 0, !once, seen);
        return status == OpStatus::Ok && CountFields(reply) != 0 ? OpStatus::BadReply : status;
    };
    TxResult r = SendTxCommand(meter, exchange, kind, mTx.wStationId());
    // Any other reply, or none: the meter may have made the change.
    if (r.status == OpStatus::BadReply && !(anyReply && refusedEach))
        r.fUnsure = true;
    return r;
}

} // namespace

const TxWords *SetTxWords(const TxWords *words)
{
    const TxWords *old = gTxWords;
    gTxWords = words;
    return old;
}

TxMessage TxResultMessage(const TxResult &r) { return gTxWords ? gTxWords->Result(r) : TxMessage(); }

TxMessage TxDeleteCheckMessage(TxDeleteCheck check)
{
    return gTxWords ? gTxWords->DeleteCheck(check) : TxMessage();
}

TxMessage TxFieldCheckMessage(const TxFieldCheck &check)
{
    return gTxWords ? gTxWords->FieldCheck(check) : TxMessage();
}

TxMessage TxRestoreNoteMessage(const TxRestoreNote &note) { return gTxWords ? gTxWords->RestoreNote(note) : TxMessage(); }

QString TxFileProblemText(const TxFileProblem &problem) { return gTxWords ? gTxWords->FileProblem(problem) : QString(); }

QString TxRestoreSummary::Text() const { return gTxWords ? gTxWords->RestoreSummary(*this) : QString(); }

qint32 TxLineTooLong(const clsTx &mTx, qint16 wTxFields, QString *szLine)
{
    QString line;
    mTx.UsbSend(line, wTxFields);
    if (szLine)
        *szLine = line;
    const qsizetype length = StringToAnsi(line).size();
    return length <= kTxLineMax ? 0 : qint32(length);
}

TxDeleteCheck CheckTxDelete(qint32 numRecords, qint32 selected, qint32 listed)
{
    if (numRecords <= 1)
        return TxDeleteCheck::LastRecord;
    if (selected >= listed)
        return TxDeleteCheck::NoneRemaining;
    return TxDeleteCheck::Allowed;
}

TxResult TxDelete(clsMeter &meter, qint32 StationId)
{
    // Any id travels whole; the row keys carry only four digits of it.
    auto exchange = [&meter, StationId] { return meter.DeleteRecord(1, StationId); };
    return SendTxCommand(meter, exchange, TxResult::Delete, StationId);
}

TxResult TxAdd(clsMeter &meter, const clsTx &mTx) { return SendTxLine(meter, QStringLiteral("U,"), mTx, TxResult::Add); }

TxResult TxReplace(clsMeter &meter, const clsTx &mTx)
{
    return SendTxLine(meter, QStringLiteral("X,"), mTx, TxResult::Replace);
}

qint16 ReadTxLines(clsMeter &meter, QStringList &lines)
{
    lines.clear();
    if (meter.ReadDirectory(1) != OpStatus::Ok)
        return 1;
    const qint16 count = meter.Fsm().NumRecords(1);
    for (qint16 i = 0; i < count; ++i) {
        if (meter.GetRecord(1, i) != OpStatus::Ok)
            return 1;
        lines << meter.Fsm().szRecord();
    }
    return 0;
}

clsTxDeleteOp::clsTxDeleteOp(clsMeter &meter, const QList<qint32> &stationIds, QObject *parent)
    : clsOperation(parent), m_meter(meter), m_ids(stationIds), m_watch(meter.Watch())
{
    m_result.result = 0;
    m_result.status = OpStatus::Ok;
}

clsTxDeleteOp::~clsTxDeleteOp() { StopSteps(); }

void clsTxDeleteOp::Step()
{
    if (m_done >= m_ids.size())
        return Finish(OpStatus::Ok);
    if (m_watch.WentDown()) {
        m_result = TxResult{};
        m_result.status = OpStatus::LinkLost;
        return Finish(OpStatus::LinkLost);
    }
    const TxResult r = TxDelete(m_meter, m_ids.at(m_done));
    if (r.result != 0) {
        m_result = r;
        return Finish(r.status);
    }
    ++m_done;
    ReportProgress(m_done, int(m_ids.size()));
    // Gone and back within the exchange: what the meter holds is unknown.
    if (m_watch.WentDown())
        Finish(OpStatus::LinkLost);
    else if (m_done == m_ids.size())
        Finish(OpStatus::Ok);
}

clsTxChangeOp::clsTxChangeOp(clsMeter &meter, Kind kind, const clsTx &entry, QObject *parent)
    : clsOperation(parent), m_meter(meter), m_kind(kind), m_entry(std::make_unique<clsTx>()), m_watch(meter.Watch())
{
    entry.Copy(*m_entry);
}

clsTxChangeOp::~clsTxChangeOp() { StopSteps(); }

void clsTxChangeOp::Step()
{
    if (m_next == -2) {
        m_result = m_kind == Add ? TxAdd(m_meter, *m_entry) : TxReplace(m_meter, *m_entry);
        if (m_result.result != 0)
            return Finish(m_result.status);
        if (m_watch.WentDown())
            return Finish(OpStatus::LinkLost);
        if (m_kind == Replace)
            return Finish(OpStatus::Ok);
        m_next = -1;
        return;
    }
    if (m_next == -1) {
        if (m_meter.ReadDirectory(1, false) != OpStatus::Ok) // told as the list not read back
            return EndRead(false);
        m_count = m_meter.Fsm().NumRecords(1);
        m_next = 0;
    } else {
        if (m_meter.GetRecord(1, qint16(m_next)) != OpStatus::Ok)
            return EndRead(false);
        m_lines << m_meter.Fsm().szRecord();
        ++m_next;
    }
    ReportProgress(m_next, m_count);
    if (m_next >= m_count)
        EndRead(true);
}

void clsTxChangeOp::EndRead(bool ok)
{
    m_readBack = ok && !m_watch.WentDown();
    if (m_readBack)
        Finish(OpStatus::Ok);
    else
        Finish(m_watch.Failure());
}

void clsTxChangeOp::Cancelled()
{
    if (m_next == -2)
        clsOperation::Cancelled();
    else
        Step();
}
