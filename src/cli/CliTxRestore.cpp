// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliTerminal.h"
#include "cli/CliTx.h"
#include "common/modMsgBox.h"
#include "records/clsFsm.h"
#include "records/clsVersion.h"
#include "tx/clsTxRestore.h"
#include "usb/clsUsbHid.h"

namespace cli {

namespace {

// What one pass decided, on standard error; false when it could not finish.
bool Report(const clsTxRestore &pass, OpStatus status)
{
    for (const TxRestoreNote &note : pass.Summary().notes)
        MsgBox(QStringLiteral("line %1: ").arg(note.line) + note.szMessage, vb::Exclamation, note.szTitle);
    if (pass.fFull())
        MsgBox(QStringLiteral("No more Tx slots available"));
    if (pass.Summary().unsureLine > 0)
        Complain(QStringLiteral("the meter was lost while line %1 was being added: it may hold that entry")
                     .arg(pass.Summary().unsureLine));
    if (status == OpStatus::BadReply)
        Complain(QStringLiteral("the Tx entries could not be read"));
    return status == OpStatus::Ok;
}

int RestoreExit(const TxRestoreSummary &s, bool finished)
{
    return finished && s.refused == 0 && s.noRoom == 0 ? Success : Failure;
}

} // namespace

int TxRestoreCommand(const CliOptions &o, const QString &file)
{
    QList<TxFileEntry> entries;
    QString error;
    if (!ReadTxFile(file, entries, &error)) {
        Complain(error);
        return Failure;
    }
    if (!o.dryRun && !(gFsm->Version->flags & 2)) {
        Complain(QStringLiteral("this meter's firmware (%1) does not take new or changed Tx entries")
                     .arg(gFsm->Version->szVersion()));
        return Failure;
    }

    // First what would happen, from the table the meter holds now.
    clsTxRestore plan(entries, true);
    const OpStatus planned = RunToEnd(plan);
    if (o.dryRun || planned != OpStatus::Ok || plan.Summary().added == 0) {
        if (planned == OpStatus::Ok)
            for (const QString &line : plan.Summary().lines)
                WriteOut(line + QLatin1Char('\n'));
        const bool finished = Report(plan, planned);
        if (finished)
            WriteOut(plan.Summary().Text() + QLatin1Char('\n'));
        return RestoreExit(plan.Summary(), finished);
    }
    if (!Confirm(QStringLiteral("Restore the Tx entries of %1?\r\nThis would give: %2").arg(file, plan.Summary().Text()),
                 QStringLiteral("Restore Tx?")))
        return Declined();

    clsTxRestore run(entries, false);
    const OpStatus status = RunToEnd(run);
    const bool finished = Report(run, status);
    // Also after a lost link: how many went in before it.
    WriteOut(run.Summary().Text() + QLatin1Char('\n'));
    return RestoreExit(run.Summary(), finished);
}

} // namespace cli
