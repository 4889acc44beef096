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
    if (!gUsbHid || !gUsbHid->IsDeviceConnected(true))
        return r; // the link has told the user
    if (ExchangeInProgress()) {
        r.szMessage = QStringLiteral("The ZT 6200 is busy with another command.\r\nPlease try again.");
        r.szTitle = szTitle;
        return r;
    }
    // A link lost during the exchange has been told by the link, even when
    // the meter was found again before we look.
    const quint32 losses = gUsbHid->LinkLosses();
    r.result = exchange();
    if (r.result != 0 && Connected() && gUsbHid->LinkLosses() == losses) {
        r.szMessage = szRefused;
        r.szTitle = szTitle;
    }
    return r;
}

TxResult SendTxLine(const QString &szPrefix, const clsTx &mTx, const QString &szRefused, const QString &szTitle)
{
    QString line;
    const QString tooLong = TxLineCheck(mTx, &line);
    if (!tooLong.isEmpty())
        return TxResult{1, tooLong, QStringLiteral("Tx Line Too Long")};
    const QString command = szPrefix + line;
    auto exchange = [&command] {
        QString reply;
        return SendCommand(command, reply, 0, true);
    };
    return SendTxCommand(exchange, szRefused, szTitle);
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
                      QStringLiteral("Tx Not Added"));
}

TxResult TxReplace(const clsTx &mTx)
{
    return SendTxLine(QStringLiteral("X,"), mTx,
                      QStringLiteral("The ZT 6200 did not accept the changes to the Tx.\r\nThe Tx keeps its earlier values."),
                      QStringLiteral("Tx Not Changed"));
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
