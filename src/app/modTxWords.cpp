// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modTxWords.h"
#include "common/modConvert.h"

namespace {

QString TooLongText(qint32 length)
{
    return QStringLiteral("This Tx does not fit in one command to the ZT 6200: its line is ") + IntText(length) +
           QStringLiteral(" characters long, and at most ") + IntText(kTxLineMax) +
           QStringLiteral(" fit.\r\nNothing was sent. Please shorten the call sign and try again.");
}

class AppTxWords : public TxWords
{
public:
    TxMessage Result(const TxResult &r) const override
    {
        if (r.result == 0)
            return {};
        if (r.status == OpStatus::TooLong)
            return {TooLongText(r.length), QStringLiteral("Tx Line Too Long")};
        if (r.status != OpStatus::BadReply)
            return {}; // the link has told it
        switch (r.command) {
        case TxResult::Delete:
            return {QStringLiteral("The ZT 6200 did not delete the Tx with station ID ") + IntText(r.stationId) +
                        QStringLiteral("."),
                    QStringLiteral("Tx Not Deleted")};
        case TxResult::Add:
            if (r.fUnsure)
                return {QStringLiteral("The new Tx may have been added: the ZT 6200's reply was not understood."),
                        QStringLiteral("Tx Add Problem")};
            return {QStringLiteral("The ZT 6200 did not accept the new Tx.\r\nIt was not added."),
                    QStringLiteral("Tx Not Added")};
        case TxResult::Replace:
            if (r.fUnsure)
                return {QStringLiteral("The Tx with station ID ") + IntText(r.stationId) +
                            QStringLiteral(" may have been changed: the ZT 6200's reply was not understood."),
                        QStringLiteral("Tx Change Problem")};
            return {QStringLiteral("The ZT 6200 did not accept the changes to the Tx.\r\nThe Tx keeps its earlier values."),
                    QStringLiteral("Tx Not Changed")};
        }
        return {};
    }

    TxMessage DeleteCheck(TxDeleteCheck check) const override
    {
        const QString title = QStringLiteral("Can't Delete Last Tx");
        switch (check) {
        case TxDeleteCheck::LastRecord: return {QStringLiteral("There must be at least one record."), title};
        case TxDeleteCheck::NoneRemaining:
            return {QStringLiteral("There must be at least one Tx remaining in the list.\r\nPlease unselect at least one Tx."),
                    title};
        case TxDeleteCheck::Allowed: break;
        }
        return {};
    }
};

} // namespace

void InstallTxWords()
{
    static const AppTxWords words;
    SetTxWords(&words);
}
