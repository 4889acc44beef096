// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modTxOps.h"
#include "common/modAnsi.h"
#include "common/modConvert.h"
#include "common/modMsgBox.h"
#include "protocol/modFSMComm.h"
#include "records/modStore.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"
#include "usb/clsUsbHid.h"

#include <functional>

namespace {

bool Connected() { return gUsbHid && gUsbHid->fDeviceConnected(); }

// Runs one Tx exchange and examines its outcome.
TxResult SendTxCommand(const std::function<qint16()> &exchange, const QString &szRefused, const QString &szTitle)
{
    TxResult r;
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
        r.szMessage = szRefused;
        r.szTitle = szTitle;
    }
    return r;
}

// The meter refuses a change with "ERROR" and leaves its table as it was.
bool IsRefusal(const QString &reply) { return reply.trimmed() == QLatin1String("ERROR"); }

TxResult SendTxLine(const QString &szPrefix, const clsTx &mTx, const QString &szRefused, const QString &szTitle,
                    const QString &szUnsure, const QString &szUnsureTitle)
{
    QString line;
    const QString tooLong = TxLineCheck(mTx, &line);
    if (!tooLong.isEmpty())
        return TxResult{1, OpStatus::TooLong, tooLong, QStringLiteral("Tx Line Too Long")};
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
    TxResult r = SendTxCommand(exchange, szRefused, szTitle);
    if (r.status == OpStatus::BadReply && !(anyReply && refusedEach)) {
        // Any other reply, or none: the meter may have made the change.
        r.fUnsure = true;
        r.szMessage = szUnsure;
        r.szTitle = szUnsureTitle;
    }
    return r;
}

} // namespace

QString TxLineCheck(const clsTx &mTx, QString *szLine)
{
    QString line;
    mTx.UsbSend(line);
    if (szLine)
        *szLine = line;
    const qsizetype length = StringToAnsi(line).size();
    if (length <= kTxLineMax)
        return QString();
    return QStringLiteral("This Tx does not fit in one command to the ZT 6200: its line is ") + IntText(length) +
           QStringLiteral(" characters long, and at most ") + IntText(kTxLineMax) +
           QStringLiteral(" fit.\r\nNothing was sent. Please shorten the call sign and try again.");
}

TxDeleteCheck CheckTxDelete(qint32 numRecords, qint32 selected, qint32 listed)
{
    const QString title = QStringLiteral("Can't Delete Last Tx");
    if (numRecords <= 1) {
        MsgBox(QStringLiteral("There must be at least one record."), vb::Information, title);
        return TxDeleteCheck::LastRecord;
    }
    if (selected >= listed) {
        MsgBox(QStringLiteral("There must be at least one Tx remaining in the list.\r\nPlease unselect at least one Tx."),
               vb::Information, title);
        return TxDeleteCheck::NoneRemaining;
    }
    return TxDeleteCheck::Allowed;
}

TxResult TxDelete(qint32 StationId)
{
    // Any id travels whole; the row keys carry only four digits of it.
    const QString refused = QStringLiteral("The ZT 6200 did not delete the Tx with station ID ") + IntText(StationId) +
                            QStringLiteral(".");
    auto exchange = [StationId] {
        gFsm->DataType = 1;
        return DeleteRecord(StationId);
    };
    return SendTxCommand(exchange, refused, QStringLiteral("Tx Not Deleted"));
}

TxResult TxAdd(const clsTx &mTx)
{
    return SendTxLine(QStringLiteral("U,"), mTx,
                      QStringLiteral("The ZT 6200 did not accept the new Tx.\r\nIt was not added."),
                      QStringLiteral("Tx Not Added"),
                      QStringLiteral("The new Tx may have been added: the ZT 6200's reply was not understood."),
                      QStringLiteral("Tx Add Problem"));
}

TxResult TxReplace(const clsTx &mTx)
{
    return SendTxLine(QStringLiteral("X,"), mTx,
                      QStringLiteral("The ZT 6200 did not accept the changes to the Tx.\r\nThe Tx keeps its earlier values."),
                      QStringLiteral("Tx Not Changed"),
                      QStringLiteral("The Tx with station ID ") + IntText(mTx.wStationId) +
                          QStringLiteral(" may have been changed: the ZT 6200's reply was not understood."),
                      QStringLiteral("Tx Change Problem"));
}

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

clsTxDeleteOp::~clsTxDeleteOp() { StopSteps(); }

void clsTxDeleteOp::Step()
{
    if (m_done >= m_ids.size())
        return Finish(OpStatus::Ok);
    if (m_work && m_work->Lost()) {
        m_result = TxResult{1, OpStatus::LinkLost, QString(), QString()};
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

clsTxChangeOp::~clsTxChangeOp() { StopSteps(); }

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
