// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modTxImportGui.h"
#include "records/clsMeter.h"
#include "common/modMsgBox.h"
#include "common/modFileDialog.h"
#include "tx/clsTxRestore.h"

#include <QFileInfo>
#include <QPointer>
#include <QWidget>

namespace {

const QString kTitle = QStringLiteral("Import Tx");
constexpr int kNotesShown = 10; // a long list of refusals would not fit on the screen

QString Details(const TxRestoreSummary &s)
{
    QString text = s.Text();
    if (s.modulationDropped)
        text += QStringLiteral("\r\nThe ZT 6200's firmware keeps no modulation: the file's modulations are not imported.");
    for (int i = 0; i < s.differences.size() && i < kNotesShown; ++i)
        text += QStringLiteral("\r\nLine %1: ").arg(s.differences.at(i).line) + TxRestoreNoteMessage(s.differences.at(i)).szMessage;
    for (int i = 0; i < s.notes.size() && i < kNotesShown; ++i)
        text += QStringLiteral("\r\nLine %1: ").arg(s.notes.at(i).line) + TxRestoreNoteMessage(s.notes.at(i)).szMessage;
    if (s.notes.size() > kNotesShown)
        text += QStringLiteral("\r\n(and %1 more refused)").arg(s.notes.size() - kNotesShown);
    return text;
}

// The pass ended without its summary being complete: say so, unless the
// link has told the user already.
void TellIncomplete(OpStatus status)
{
    if (status == OpStatus::Busy)
        MsgBox(QStringLiteral("The ZT 6200 is busy with another command.\r\nPlease try again."), vb::Exclamation, kTitle);
    else if (status == OpStatus::BadReply)
        MsgBox(QStringLiteral("The Tx list could not be read from the ZT 6200."), vb::Exclamation, kTitle);
}

// The import run ended: tells what was sent and hands it to done.
void TellImported(clsTxRestore *run, OpStatus ended, const QString &name, const QPointer<QWidget> &owner,
                  const std::function<void(bool changed, const QStringList &lines, bool stopped)> &done)
{
    run->deleteLater();
    const TxRestoreSummary &r = run->Summary();
    QString text = QStringLiteral("Imported from %1:\r\n").arg(name) + Details(r);
    if (run->fFull())
        text += QStringLiteral("\r\nNo more Tx slots available");
    if (r.unsureLine > 0)
        text += QStringLiteral("\r\nThe ZT 6200 was lost while line %1 was being sent: it may hold that entry.")
                    .arg(r.unsureLine);
    const bool changed = r.added > 0 || r.replaced > 0 || r.unsure > 0;
    // What was sent is told however the import ended (stopped by the
    // user, the window closing, the meter lost), with the read that
    // failed in the same box.
    if (ended == OpStatus::BadReply)
        text += changed ? QStringLiteral("\r\nThe Tx list could not be read back from the ZT 6200.\r\n"
                                         "Please open the Tx list again.")
                        : QStringLiteral("\r\nThe Tx list could not be read from the ZT 6200.");
    // After the link's own message, which also waits for the event
    // loop, not over it.
    if (ended == OpStatus::Busy)
        TellIncomplete(ended);
    else
        MsgBoxLater(text,
                    ended == OpStatus::Ok || (ended == OpStatus::Cancelled && owner) ? vb::Information
                                                                                    : vb::Exclamation,
                    kTitle);
    if (owner)
        done(changed, run->Lines(), ended == OpStatus::Cancelled);
}

} // namespace

void ImportTxFromFile(QWidget *parent, const std::function<bool(clsOperation *op)> &start,
                      const std::function<void(bool changed, const QStringList &lines, bool stopped)> &done)
{
    FileDialogRequest open;
    open.title = QStringLiteral("Import Tx from .csv File");
    open.filters = {QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")};
    const QString path = AskFileDialog(open).file;
    if (path.isEmpty())
        return done(false, {}, false);
    QList<TxFileEntry> entries;
    TxFileProblem problem;
    if (!ReadTxFile(path, entries, &problem)) {
        MsgBox(TxFileProblemText(problem), vb::Exclamation, QStringLiteral("Tx File Not Read"));
        return done(false, {}, false);
    }
    const QString name = QFileInfo(path).fileName();
    const QPointer<QWidget> owner(parent);
    auto *plan = new clsTxRestore(*gMeter, entries, true, false);
    QObject::connect(plan, &clsOperation::Finished, plan, [=](OpStatus status) {
        plan->deleteLater();
        if (!owner)
            return; // closed meanwhile: the dry run sent nothing
        if (status != OpStatus::Ok) {
            TellIncomplete(status);
            return done(false, {}, false);
        }
        const TxRestoreSummary &s = plan->Summary();
        // Entries the meter holds with another variation or modulation: kept
        // unless the user asks for the file's values.
        bool replace = false;
        if (s.differing > 0) {
            QString list;
            for (int i = 0; i < s.differences.size() && i < kNotesShown; ++i)
                list += QStringLiteral("\r\nLine %1: ").arg(s.differences.at(i).line) + TxRestoreNoteMessage(s.differences.at(i)).szMessage;
            replace = MsgBox(QStringLiteral("%1 Tx entries of %2 differ from the ZT 6200's entries of the same call sign, "
                                            "frequency and position:").arg(s.differing).arg(name) +
                                 list + QStringLiteral("\r\n\r\nReplace them with the file's values?"),
                             vb::YesNo | vb::Question | vb::DefaultButton2, QStringLiteral("Tx Differs")) == vb::Yes;
            if (!owner)
                return done(false, {}, false);
        }
        if (s.added == 0 && !replace) {
            MsgBox(QStringLiteral("Nothing in %1 can be added:\r\n").arg(name) + Details(s), vb::Information, kTitle);
            return done(false, {}, false);
        }
        const QString replacing =
            replace ? QStringLiteral("\r\n%1 Tx entries of the ZT 6200 that differ get the file's values.").arg(s.differing)
                    : QString();
        if (MsgBox(QStringLiteral("Importing %1 would give:\r\n").arg(name) + Details(s) + replacing +
                       QStringLiteral("\r\n\r\nImport these Tx entries?"),
                   vb::YesNo | vb::Question | vb::DefaultButton2, QStringLiteral("Import Tx?")) != vb::Yes ||
            !owner)
            return done(false, {}, false);
        auto *run = new clsTxRestore(*gMeter, entries, false, replace);
        QObject::connect(run, &clsOperation::Finished, run,
                         [=](OpStatus ended) { TellImported(run, ended, name, owner, done); });
        if (!start(run)) {
            delete run;
            return done(false, {}, false);
        }
    });
    if (!start(plan)) {
        delete plan;
        done(false, {}, false);
    }
}
