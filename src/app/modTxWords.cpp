// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modTxWords.h"
#include "common/modConvert.h"
#include "tx/clsTxRestore.h"
#include "tx/modTxChecks.h"

namespace {

const QString kIllegalValue = QStringLiteral("Illegal Value");

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

    TxMessage FieldCheck(const TxFieldCheck &c) const override
    {
        QString text;
        switch (c.problem) {
        case TxFieldCheck::Accepted: return {};
        case TxFieldCheck::CallSign:
            // An en dash, though only the hyphen-minus is accepted.
            return {QStringLiteral("The Call-Site text is invalid.\r\nMust be 1 to 8 letters, numbers, space, _ ,or \u2013"),
                    QStringLiteral("Call-Site Text Too Long")};
        case TxFieldCheck::FrequencyPoint: text = QStringLiteral("Frequency cannot have decimal points or commas."); break;
        case TxFieldCheck::FrequencyLetters: text = QStringLiteral("Frequency cannot have letters."); break;
        case TxFieldCheck::FrequencyHigh: text = QStringLiteral("Frequency must be less than or equal to 9999 kHz."); break;
        case TxFieldCheck::FrequencyLow: text = QStringLiteral("Frequency must be greater than or equal to 0 kHz."); break;
        case TxFieldCheck::Range: {
            const char *const names[] = {"Degrees", "Minutes", "Seconds"};
            text = QLatin1String(names[qBound(0, c.box, 2)]) + QStringLiteral(" must be between 0 and ") +
                   QString::number(c.limit, 'g', 7);
            break;
        }
        case TxFieldCheck::Hemisphere:
            text = QStringLiteral("The hemisphere must be either ") + c.hemispheres.value(0) + QStringLiteral(" or ") +
                   c.hemispheres.value(1);
            break;
        }
        return {text, kIllegalValue};
    }

    TxMessage RestoreNote(const TxRestoreNote &note) const override
    {
        switch (note.kind) {
        case TxRestoreNote::FieldRefused: return FieldCheck(note.check);
        case TxRestoreNote::ModulationRefused:
            return {QStringLiteral("The modulation must be one of ") + TxModulations().join(QStringLiteral(", ")) +
                        QStringLiteral("."),
                    kIllegalValue};
        case TxRestoreNote::ChangeRefused: return Result(note.result);
        case TxRestoreNote::Differs: break;
        }
        QStringList what;
        if (note.variation.size() == 2)
            what << QStringLiteral("variation %1 in the meter, %2 in the file").arg(note.variation.at(0), note.variation.at(1));
        if (note.modulation.size() == 2)
            what << QStringLiteral("modulation %1 in the meter, %2 in the file").arg(note.modulation.at(0), note.modulation.at(1));
        return {QStringLiteral("differs: ") + note.callSign + QLatin1Char(' ') + what.join(QStringLiteral("; ")),
                QStringLiteral("Tx Differs")};
    }

    // "added N, already present M, refused K, not added for lack of room L",
    // then the other counts that are not 0.
    QString RestoreSummary(const TxRestoreSummary &s) const override
    {
        QString text = QStringLiteral("added %1, already present %2, refused %3, not added for lack of room %4")
                           .arg(s.added)
                           .arg(s.present)
                           .arg(s.refused)
                           .arg(s.noRoom);
        const struct { int count; const char *name; } more[] = {
            {s.replaced, "replaced"}, {s.differing, "differing"}, {s.unsure, "may have been changed"}, {s.notTried, "not tried"}};
        for (const auto &m : more)
            if (m.count > 0)
                text += QStringLiteral(", %1 %2").arg(QLatin1String(m.name)).arg(m.count);
        return text;
    }

    QString FileProblem(const TxFileProblem &p) const override
    {
        switch (p.kind) {
        case TxFileProblem::CannotRead: return QStringLiteral("cannot read %1: %2").arg(p.path, p.reason);
        case TxFileProblem::TooLarge: return QStringLiteral("%1 is too large for a Tx table").arg(p.path);
        case TxFileProblem::FieldCount:
            return QStringLiteral("line %1: %2 %3, a Tx line has 7 or 8")
                .arg(p.line)
                .arg(p.count)
                .arg(p.count == 1 ? QStringLiteral("field") : QStringLiteral("fields"));
        case TxFileProblem::NotTxLine: return QStringLiteral("line %1: not a Tx line: %2").arg(p.line).arg(p.text);
        case TxFileProblem::None: break;
        }
        return QString();
    }
};

} // namespace

void InstallTxWords()
{
    static const AppTxWords words;
    SetTxWords(&words);
}
