// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliTerminal.h"
#include "cli/CliTx.h"
#include "common/modMsgBox.h"
#include "records/clsMeter.h"
#include "records/clsVersion.h"
#include "tx/clsTxRestore.h"
#include "usb/clsUsbHid.h"

namespace cli {

namespace {

// What one pass decided, on standard error; false when it could not finish.
bool Report(const clsMeter &m, const clsTxRestore &pass, OpStatus status, bool tellDifferences = true)
{
    if (pass.Summary().modulationDropped)
        Complain(QStringLiteral("this meter's firmware (%1) keeps no modulation: the file's modulations are not restored")
                     .arg(m.Fsm().Version()->szVersion()));
    for (const TxRestoreNote &note : pass.Summary().differences)
        if (tellDifferences)
            Complain(QStringLiteral("line %1: ").arg(note.line) + TxRestoreNoteMessage(note).szMessage);
    for (const TxRestoreNote &note : pass.Summary().notes) {
        const TxMessage said = TxRestoreNoteMessage(note);
        MsgBox(QStringLiteral("line %1: ").arg(note.line) + said.szMessage, vb::Exclamation, said.szTitle);
    }
    if (pass.fFull())
        MsgBox(QStringLiteral("No more Tx slots available"));
    if (pass.Summary().unsureLine > 0)
        Complain(QStringLiteral("the meter was lost while line %1 was being sent: it may hold that entry")
                     .arg(pass.Summary().unsureLine));
    if (status == OpStatus::BadReply)
        Complain(QStringLiteral("the Tx entries could not be read"));
    return status == OpStatus::Ok;
}

int RestoreExit(const TxRestoreSummary &s, bool finished)
{
    return finished && s.refused == 0 && s.noRoom == 0 && s.differing == 0 ? Success : Failure;
}

} // namespace

int TxRestoreCommand(clsMeter &m, const CliOptions &o, const QString &file)
{
    QList<TxFileEntry> entries;
    TxFileProblem problem;
    if (!ReadTxFile(file, entries, &problem)) {
        Complain(TxFileProblemText(problem));
        return Failure;
    }
    if (!o.dryRun && !(m.Profile().flags & kTxChanges)) {
        Complain(QStringLiteral("this meter's firmware (%1) does not take new or changed Tx entries")
                     .arg(m.Fsm().Version()->szVersion()));
        return Failure;
    }

    // First what would happen, from the table the meter holds now.
    clsTxRestore plan(m, entries, true, o.replaceDifferent);
    const OpStatus planned = RunToEnd(plan);
    if (o.dryRun || planned != OpStatus::Ok || (plan.Summary().added == 0 && plan.Summary().replaced == 0)) {
        if (planned == OpStatus::Ok)
            for (const QString &line : plan.Summary().lines)
                WriteOut(line + QLatin1Char('\n'));
        const bool finished = Report(m, plan, planned);
        if (finished)
            WriteOut(plan.Summary().Text() + QLatin1Char('\n'));
        return RestoreExit(plan.Summary(), finished);
    }
    // The differences are told before the question that would replace them.
    for (const TxRestoreNote &note : plan.Summary().differences)
        Complain(QStringLiteral("line %1: ").arg(note.line) + TxRestoreNoteMessage(note).szMessage);
    const QString replacing = plan.Summary().replaced > 0
                                  ? QStringLiteral("\r\n%1 Tx entries of the meter that differ get the file's values.")
                                        .arg(plan.Summary().replaced)
                                  : QString();
    if (!Confirm(QStringLiteral("Restore the Tx entries of %1?\r\nThis would give: %2").arg(file, plan.Summary().Text()) +
                     replacing,
                 QStringLiteral("Restore Tx?")))
        return Declined();

    SetChanging(true);
    clsTxRestore run(m, entries, false, o.replaceDifferent);
    const OpStatus status = RunToEnd(run);
    SetChanging(false);
    const bool finished = Report(m, run, status, false);
    // Also after a lost link or an interrupt: how many went in before it.
    WriteOut(run.Summary().Text() + QLatin1Char('\n'));
    if (WasInterrupted()) {
        Complain(status == OpStatus::Cancelled
                     ? QStringLiteral("interrupted after the entry under way had been sent and answered; the rest were not tried")
                     : QStringLiteral("interrupted"));
        return Interrupted;
    }
    return RestoreExit(run.Summary(), finished);
}

} // namespace cli
