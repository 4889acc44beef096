// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliTx.h"
#include "cli/CliTerminal.h"
#include "records/clsVersion.h"
#include "app/globals.h"
#include "common/clsOperation.h"
#include "common/modConvert.h"
#include "common/modMsgBox.h"
#include "records/clsReadStore.h"
#include "saveddata/modSavedRows.h"
#include "listview/clsListModel.h"
#include "records/clsMeter.h"
#include "tx/clsCoordinate.h"
#include "tx/clsTx.h"
#include "tx/modTxChecks.h"
#include "tx/modTxOps.h"
#include "usb/clsUsbHid.h"

#include <QRegularExpression>
#include <QSet>

namespace cli {

namespace {

// Adding and editing need firmware whose Tx lines the program knows how to write.
bool CanEditTx(clsMeter &m)
{
    if (m.Profile().flags & kTxChanges)
        return true;
    Complain(QStringLiteral("this meter's firmware (%1) does not take new or changed Tx entries")
                 .arg(m.Fsm().Version()->szVersion()));
    return false;
}

// The station id and line of each Tx line the entry takes.
void TakeEntries(const QStringList &read, QList<int> *stationIds, QStringList *lines)
{
    for (const QString &line : read) {
        clsTx entry;
        if (entry.UsbReceive(line) != OpStatus::Ok)
            continue;
        if (stationIds)
            *stationIds << entry.wStationId();
        if (lines)
            *lines << line;
    }
}

bool NotRead(clsMeter &m)
{
    if (m.Link().fDeviceConnected()) // a lost link has said so itself
        Complain(QStringLiteral("the Tx entries could not be read"));
    return false;
}

// The meter's Tx entries, in directory order.
bool ReadEntries(clsMeter &m, QList<int> *stationIds, QStringList *lines)
{
    QStringList read;
    if (ReadTxLines(m, read) != 0)
        return NotRead(m);
    TakeEntries(read, stationIds, lines);
    return true;
}

// A failed check: its message, as the editor shows it.
// False when a check refused the field, after its message.
bool FieldRefused(const TxFieldCheck &found)
{
    if (found.ok())
        return false;
    const TxMessage said = TxFieldCheckMessage(found);
    MsgBox(said.szMessage, vb::Exclamation, said.szTitle);
    return true;
}

// One coordinate row of the editor from the command line: signed decimal
// degrees ("-118.25"), or degrees, minutes, seconds and the hemisphere
// letter ("118 15 0.0 W", "118°15'00.0\"W"); the variation row has no
// seconds ("14 30 W"). Each box then passes the editor's check.
bool ApplyCoordinate(clsCoordinate &co, const QString &option, const QString &text)
{
    const bool variation = co.TypeId() == clsCoordinate::Variation;
    QStringList boxes; // degrees, minutes, seconds (empty: keep), letter
    // The row is typed anew: its earlier value must not push a box past the limit.
    const float keptSeconds = co.Seconds();
    co.setvalue(0);
    if (variation)
        co.setSeconds(keptSeconds);
    double v = 0;
    if (ToDouble(text, &v)) {
        clsCoordinate typed;
        typed.setTypeId(co.TypeId());
        if (!typed.setvalue(v)) {
            QString t = text;
            FieldRefused(ValidateDMS(co, 0, t, nullptr, NumberForm::Plain));
            return false;
        }
        boxes << IntText(typed.Degrees()) << IntText(typed.Minutes()) << typed.szSeconds(2) << typed.szHemisphere();
        if (variation) {
            // No seconds box in this row: the seconds are taken as they are.
            co.setSeconds(typed.Seconds());
            boxes[2].clear();
        }
    } else {
        QString t = text;
        t.replace(QRegularExpression(QStringLiteral("[\u00B0'\":]")), QStringLiteral(" "));
        t.replace(QRegularExpression(QStringLiteral("([0-9.])([A-Za-z])\\s*$")), QStringLiteral("\\1 \\2"));
        QStringList parts = t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (variation && parts.size() == 3)
            parts.insert(2, QString());
        if (parts.size() != 4 || (variation && !parts.at(2).isEmpty())) {
            Complain(QStringLiteral("--%1: '%2' is neither decimal degrees nor %3").arg(option, text,
                     variation ? QStringLiteral("degrees, minutes and E or W")
                               : QStringLiteral("degrees, minutes, seconds and ") + co.szHemispheres(0) +
                                     QStringLiteral(" or ") + co.szHemispheres(1)));
            return false;
        }
        boxes = parts;
    }
    for (int box = 0; box < 4; ++box) {
        if (box == 2 && boxes.at(2).isEmpty())
            continue;
        QString t = boxes.at(box);
        if (FieldRefused(ValidateDMS(co, box, t, nullptr, NumberForm::Plain)))
            return false;
    }
    return true;
}

// The fields given on the command line into the current Tx, each through
// the editor's check; false (after its message) at the first that fails.
bool ApplyFields(clsMeter &m, const QMap<QString, QString> &fields)
{
    if (fields.contains(QStringLiteral("call"))) {
        QString t = fields.value(QStringLiteral("call"));
        if (FieldRefused(CheckCallSign(t)))
            return false;
        gTx->setszCallSign(t);
    }
    if (fields.contains(QStringLiteral("freq"))) {
        QString t = fields.value(QStringLiteral("freq"));
        qint16 w = 0;
        if (FieldRefused(CheckFrequency(t, &w, NumberForm::Plain)))
            return false;
        gTx->setwFrequency(w);
    }
    const struct { const char *option; clsCoordinate *co; } rows[] = {
        {"lat", &gTx->Latitude()}, {"lon", &gTx->Longitude()}, {"var", &gTx->Variation()}};
    for (const auto &row : rows) {
        const QString option = QLatin1String(row.option);
        if (fields.contains(option) && !ApplyCoordinate(*row.co, option, fields.value(option)))
            return false;
    }
    if (fields.contains(QStringLiteral("mod"))) {
        const QString typed = fields.value(QStringLiteral("mod"));
        if (m.Fsm().TxFields() < 8) {
            Complain(QStringLiteral("--mod: this meter's Tx entries have no modulation"));
            return false;
        }
        const QStringList choices = TxModulations();
        const int i = int(choices.indexOf(QRegularExpression(QRegularExpression::escape(typed.trimmed()),
                                                             QRegularExpression::CaseInsensitiveOption)));
        if (i < 0) {
            Complain(QStringLiteral("--mod: '%1' is not one of %2").arg(typed, choices.join(QStringLiteral(", "))));
            return false;
        }
        gTx->setszModulation(choices.at(i));
    }
    return true;
}

// A refused change: what the Tx operation says (nothing when the link said it).
int Refused(const TxResult &r)
{
    const TxMessage m = TxResultMessage(r);
    if (!m.szMessage.isEmpty())
        MsgBox(m.szMessage, vb::Exclamation, m.szTitle);
    return Failure;
}

QString IdList(const QList<int> &ids)
{
    QStringList texts;
    for (int id : ids)
        texts << IntText(id);
    return texts.join(QStringLiteral(", "));
}

// The record numbers (or station ids) the meter holds now, read anew;
// false when it could not be read.
bool HeldNow(clsMeter &m, qint32 type, QSet<int> *held)
{
    if (!m.Link().fDeviceConnected())
        return false;
    clsReadStore read(m, type);
    if (RunToEnd(read) != OpStatus::Ok)
        return false;
    for (const QString &line : read.Lines()) {
        if (type == 0) {
            ListRow row;
            if (SavedRowFromLine(line, &row) && row.user.isValid())
                held->insert(row.user.toInt());
        } else {
            clsTx entry;
            if (entry.UsbReceive(line) == OpStatus::Ok)
                held->insert(entry.wStationId());
        }
    }
    return true;
}

} // namespace

int DeleteOutcome(clsMeter &m, qint32 type, const QList<int> &ids, int deleted, OpStatus status)
{
    const bool interrupted = WasInterrupted();
    if (status == OpStatus::Ok && !interrupted)
        return Success;
    const QString one = type == 0 ? QStringLiteral("saved record ") : QStringLiteral("the Tx with station ID ");
    const QString many = type == 0 ? QStringLiteral("saved records") : QStringLiteral("Tx entries with station IDs");
    const QList<int> done = ids.mid(0, deleted), left = ids.mid(deleted);
    const QString doneText = done.isEmpty() ? QStringLiteral("none was deleted")
                                            : QStringLiteral("deleted %1 %2").arg(many, IdList(done));
    if (status == OpStatus::Ok || status == OpStatus::Cancelled) {
        // Stopped between two deletes: each one sent was answered.
        Complain(QStringLiteral("interrupted after the delete under way had finished: ") + doneText +
                 (left.isEmpty() ? QString() : QStringLiteral("; still in the meter: ") + IdList(left)));
        return Interrupted;
    }
    // The meter acts on a delete when it arrives: without its reply, the
    // record may be gone or not. Only reading the store again tells.
    const int unsure = left.first();
    Complain(one + IntText(unsure) + QStringLiteral(" may have been deleted: the meter's reply was lost; ") + doneText);
    QSet<int> held;
    if (!HeldNow(m, type, &held)) {
        Complain(QStringLiteral("the meter could not be read again to see what it holds"));
        return interrupted ? Interrupted : Failure;
    }
    QList<int> gone, kept;
    for (int id : left)
        (held.contains(id) ? kept : gone) << id;
    Complain(QStringLiteral("read again: ") +
             (gone.isEmpty() ? QString() : QStringLiteral("gone from the meter: ") + IdList(gone)) +
             (gone.isEmpty() || kept.isEmpty() ? QString() : QStringLiteral("; ")) +
             (kept.isEmpty() ? QString() : QStringLiteral("still in the meter: ") + IdList(kept)));
    return interrupted ? Interrupted : Failure;
}

int TxAddCommand(clsMeter &m, const CliOptions &o)
{
    if (!CanEditTx(m))
        return Failure;
    QList<int> before;
    if (!ReadEntries(m, &before, nullptr))
        return Failure;
    if (m.Fsm().MaxRecords(1) <= m.Fsm().NumRecords(1)) {
        MsgBox(QStringLiteral("No more Tx slots available"));
        return Failure;
    }
    // A fresh entry, as the editor gets it for an add.
    gTx.Reset();
    gTx->setfDirty(false);
    if (!ApplyFields(m, o.txFields))
        return UsageError;
    SetChanging(true);
    clsTxChangeOp add(m, clsTxChangeOp::Add, *gTx);
    const OpStatus status = RunToEnd(add);
    SetChanging(false);
    const bool interrupted = WasInterrupted();
    if (status == OpStatus::Cancelled && add.Result().result != 0) {
        Complain(QStringLiteral("interrupted: nothing was sent"));
        return Interrupted;
    }
    if (add.Result().result != 0) {
        Refused(add.Result());
        if (add.Result().status == OpStatus::LinkLost)
            Complain(QStringLiteral("the Tx may have been added: the meter's reply was lost"));
        QList<int> now;
        if (add.Result().fUnsure && ReadEntries(m, &now, nullptr)) {
            // Only the entries read again tell whether it was added.
            QList<int> added;
            for (int id : std::as_const(now))
                if (!before.contains(id))
                    added << id;
            Complain(added.isEmpty() ? QStringLiteral("read again: the Tx was not added")
                                     : QStringLiteral("read again: added as station ID ") + IdList(added));
        }
        return interrupted ? Interrupted : Failure;
    }
    // The meter numbers the new entry itself: its station id, for scripts.
    QList<int> after;
    if (!add.ReadBack()) {
        // Added, but which id it got cannot be told: never an empty answer.
        Complain(status == OpStatus::LinkLost
                     ? QStringLiteral("the Tx was added, but the meter was lost before it was read back: its station ID is unknown")
                     : QStringLiteral("the Tx was added, but the Tx entries could not be read back: its station ID is unknown"));
        return interrupted ? Interrupted : Failure;
    }
    TakeEntries(add.Lines(), &after, nullptr);
    const QSet<int> old(before.cbegin(), before.cend());
    for (int id : std::as_const(after))
        if (!old.contains(id))
            WriteOut(IntText(id) + QLatin1Char('\n'));
    if (interrupted) {
        Complain(QStringLiteral("interrupted after the add under way had finished: the Tx was added"));
        return Interrupted;
    }
    return Success;
}

int TxEditCommand(clsMeter &m, const CliOptions &o, int wStationId)
{
    if (!CanEditTx(m))
        return Failure;
    QList<int> ids;
    QStringList lines;
    if (!ReadEntries(m, &ids, &lines))
        return Failure;
    const int i = int(ids.indexOf(wStationId));
    if (i < 0) {
        Complain(QStringLiteral("the meter has no Tx with station ID %1").arg(wStationId));
        return Failure;
    }
    // The entry into the current Tx, as the editor gets it for an edit.
    clsTx entry;
    entry.UsbReceive(lines.at(i));
    entry.Copy(*gTx);
    gTx->setfDirty(false);
    if (!ApplyFields(m, o.txFields))
        return UsageError;
    if (!gTx->fDirty()) {
        Complain(QStringLiteral("the Tx already holds these values; nothing was sent"));
        return Success;
    }
    QString oldLine, newLine;
    entry.UsbSend(oldLine, m.Fsm().TxFields());
    gTx->UsbSend(newLine, m.Fsm().TxFields());
    if (!Confirm(QStringLiteral("Replace the Tx with station ID %1\r\n%2\r\nby\r\n%3 ?").arg(wStationId).arg(oldLine, newLine),
                 QStringLiteral("Change Tx?")))
        return Declined();
    SetChanging(true);
    clsTxChangeOp replace(m, clsTxChangeOp::Replace, *gTx);
    const OpStatus status = RunToEnd(replace);
    SetChanging(false);
    const bool interrupted = WasInterrupted();
    if (status == OpStatus::Cancelled && replace.Result().result != 0) {
        Complain(QStringLiteral("interrupted: nothing was sent"));
        return Interrupted;
    }
    if (replace.Result().result != 0) {
        Refused(replace.Result());
        if (replace.Result().status == OpStatus::LinkLost)
            Complain(QStringLiteral("the Tx with station ID %1 may have been changed: the meter's reply was lost").arg(wStationId));
        QList<int> nowIds;
        QStringList nowLines;
        if (replace.Result().fUnsure && ReadEntries(m, &nowIds, &nowLines)) {
            // Only the entry read again tells whether it was changed.
            clsTx now;
            const int at = int(nowIds.indexOf(wStationId));
            QString nowLine;
            if (at >= 0 && now.UsbReceive(nowLines.at(at)) == OpStatus::Ok)
                now.UsbSend(nowLine, m.Fsm().TxFields());
            Complain(at < 0               ? QStringLiteral("read again: the meter has no Tx with station ID %1").arg(wStationId)
                     : nowLine == newLine ? QStringLiteral("read again: the Tx has the new values")
                     : nowLine == oldLine ? QStringLiteral("read again: the Tx keeps its earlier values")
                                          : QStringLiteral("read again: the Tx holds neither: ") + nowLines.at(at));
        }
        return interrupted ? Interrupted : Failure;
    }
    if (interrupted) {
        Complain(QStringLiteral("interrupted after the change under way had finished: the Tx with station ID %1 was changed")
                     .arg(wStationId));
        return Interrupted;
    }
    return Success;
}

int TxDeleteCommand(clsMeter &m, const QList<int> &stationIds)
{
    QList<int> ids;
    if (!ReadEntries(m, &ids, nullptr))
        return Failure;
    QList<int> doomed;
    for (int id : stationIds) {
        if (!ids.contains(id)) {
            Complain(QStringLiteral("the meter has no Tx with station ID %1; nothing was deleted").arg(id));
            return Failure;
        }
        if (!doomed.contains(id))
            doomed << id;
    }
    // Never the last entry.
    const TxDeleteCheck check = CheckTxDelete(m.Fsm().NumRecords(1), qint32(doomed.size()), qint32(ids.size()));
    if (check != TxDeleteCheck::Allowed) {
        const TxMessage words = TxDeleteCheckMessage(check);
        MsgBox(words.szMessage, vb::Information, words.szTitle);
        return Failure;
    }
    if (!ConfirmDelete())
        return Declined();
    SetChanging(true);
    clsTxDeleteOp walk(m, doomed);
    const OpStatus status = RunToEnd(walk);
    SetChanging(false);
    return DeleteOutcome(m, 1, doomed, walk.Deleted(), status);
}

} // namespace cli
