// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modTxOps.h"
#include "common/modAnsi.h"
#include "protocol/modFSMComm.h"
#include "records/modStore.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"
#include "usb/clsUsbHid.h"

#include <functional>

namespace {

bool Connected() { return gUsbHid && gUsbHid->fDeviceConnected(); }

const TxWords *gTxWords = nullptr;

// Runs one Tx exchange and examines its outcome.
TxResult SendTxCommand(const std::function<qint16()> &exchange, TxResult::Command command, qint32 stationId)
{
    TxResult r;
    r.command = command;
    r.stationId = stationId;
    r.status = OpStatus::LinkLost;
    if (!gUsbHid || !gUsbHid->IsDeviceConnected(true))
        return r; // the link has told the user
    // A link lost during the exchange has been told by the link, even when
    // the meter was found again before we look.
    const quint32 losses = gUsbHid->LinkLosses();
    r.result = exchange();
    if (r.result == 0) {
        r.status = OpStatus::Ok;
    } else if (Connected() && gUsbHid->LinkLosses() == losses) {
        r.status = OpStatus::BadReply;
    }
    return r;
}

// The meter refuses a change with "ERROR" and leaves its table as it was.
bool IsRefusal(const QString &reply) { return reply.trimmed() == QLatin1String("ERROR"); }

TxResult SendTxLine(const QString &szPrefix, const clsTx &mTx, TxResult::Command kind)
{
    QString line;
    const qint32 tooLong = TxLineTooLong(mTx, &line);
    if (tooLong > 0) {
        TxResult r;
        r.status = OpStatus::TooLong;
        r.command = kind;
        r.stationId = mTx.wStationId;
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
        return once ? qint16(SendCommand(command, reply, 0, false, seen) == 0 ? 0 : 1)
                    : SendCommand(command, reply, 0, true, seen);
    };
    TxResult r = SendTxCommand(exchange, kind, mTx.wStationId);
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

qint32 TxLineTooLong(const clsTx &mTx, QString *szLine)
{
    QString line;
    mTx.UsbSend(line);
    if (szLine)
        *szLine = line;
    const qsizetype length = StringToAnsi(line).size();
    return length <= kTxLineMax ? 0 : qint32(length);
}

QString TxLineCheck(const clsTx &mTx, QString *szLine)
{
    TxResult r;
    r.status = OpStatus::TooLong;
    r.length = TxLineTooLong(mTx, szLine);
    return r.length > 0 ? TxResultMessage(r).szMessage : QString();
}

TxDeleteCheck CheckTxDelete(qint32 numRecords, qint32 selected, qint32 listed)
{
    if (numRecords <= 1)
        return TxDeleteCheck::LastRecord;
    if (selected >= listed)
        return TxDeleteCheck::NoneRemaining;
    return TxDeleteCheck::Allowed;
}

TxResult TxDelete(qint32 StationId)
{
    // Any id travels whole; the row keys carry only four digits of it.
    auto exchange = [StationId] {
        gFsm->DataType = 1;
        return DeleteRecord(StationId);
    };
    return SendTxCommand(exchange, TxResult::Delete, StationId);
}

TxResult TxAdd(const clsTx &mTx) { return SendTxLine(QStringLiteral("U,"), mTx, TxResult::Add); }

TxResult TxReplace(const clsTx &mTx) { return SendTxLine(QStringLiteral("X,"), mTx, TxResult::Replace); }

qint16 ReadTxLines(QStringList &lines)
{
    lines.clear();
    if (ReadDirectory(1) != 0)
        return 1;
    const qint16 count = gFsm->NumRecords();
    for (qint16 i = 0; i < count; ++i) {
        if (gFsm->GetRecord(i) != 0)
            return 1;
        lines << gFsm->szRecord;
    }
    return 0;
}

clsTxDeleteOp::clsTxDeleteOp(const QList<qint32> &stationIds, QObject *parent)
    : clsOperation(parent), m_ids(stationIds), m_work(std::make_unique<LinkWork>())
{
    m_result.result = 0;
    m_result.status = OpStatus::Ok;
    connect(this, &clsOperation::Finished, this, [this] { m_work.reset(); });
}

clsTxDeleteOp::~clsTxDeleteOp() = default;

void clsTxDeleteOp::Step()
{
    if (m_done >= m_ids.size())
        return Finish(OpStatus::Ok);
    if (m_work && m_work->Lost()) {
        m_result = TxResult{};
        m_result.status = OpStatus::LinkLost;
        return Finish(OpStatus::LinkLost);
    }
    const TxResult r = TxDelete(m_ids.at(m_done));
    if (r.result != 0) {
        m_result = r;
        return Finish(r.status);
    }
    ++m_done;
    ReportProgress(m_done, int(m_ids.size()));
    // Gone and back within the exchange: what the meter holds is unknown.
    if (m_work && m_work->Lost())
        Finish(OpStatus::LinkLost);
    else if (m_done == m_ids.size())
        Finish(OpStatus::Ok);
}

clsTxChangeOp::clsTxChangeOp(Kind kind, const clsTx &entry, QObject *parent)
    : clsOperation(parent), m_kind(kind), m_entry(std::make_unique<clsTx>()), m_work(std::make_unique<LinkWork>())
{
    entry.Copy(*m_entry);
    connect(this, &clsOperation::Finished, this, [this] { m_work.reset(); });
}

clsTxChangeOp::~clsTxChangeOp() = default;

void clsTxChangeOp::Step()
{
    if (m_next == -2) {
        m_result = m_kind == Add ? TxAdd(*m_entry) : TxReplace(*m_entry);
        if (m_result.result != 0)
            return Finish(m_result.status);
        if (m_work->Lost())
            return Finish(OpStatus::LinkLost);
        if (m_kind == Replace)
            return Finish(OpStatus::Ok);
        m_next = -1;
        return;
    }
    if (m_next == -1) {
        if (ReadDirectory(1, false) != 0) // told as the list not read back
            return EndRead(false);
        m_count = gFsm->NumRecords();
        m_next = 0;
    } else {
        if (gFsm->GetRecord(qint16(m_next)) != 0)
            return EndRead(false);
        m_lines << gFsm->szRecord;
        ++m_next;
    }
    ReportProgress(m_next, m_count);
    if (m_next >= m_count)
        EndRead(true);
}

void clsTxChangeOp::EndRead(bool ok)
{
    m_readBack = ok && !m_work->Lost();
    if (m_readBack)
        Finish(OpStatus::Ok);
    else
        Finish(m_work->Lost() || !Connected() ? OpStatus::LinkLost : OpStatus::BadReply);
}

void clsTxChangeOp::Cancelled()
{
    if (m_next == -2)
        clsOperation::Cancelled();
    else
        Step();
}
