// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/clsTxRestore.h"
#include "common/modAnsi.h"
#include "common/modConvert.h"
#include "common/modFileName.h"
#include "protocol/modApp.h"
#include "records/clsFsm.h"
#include "records/modStore.h"
#include "tx/clsCoordinate.h"
#include "tx/clsTx.h"
#include "tx/modTxChecks.h"
#include "tx/modTxOps.h"
#include "usb/clsUsbHid.h"

#include <QFile>
#include <cmath>

namespace {

// Far beyond any Tx table (the meter holds a few hundred entries).
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

// Decimals written after the point: the precision the file keeps a value to.
int Decimals(const QString &text)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(text.trimmed().size() - text.trimmed().indexOf(QLatin1Char('.')) - 1);
}

// Equal to the precision of the file's text (half its last digit).
bool SameValue(const QString &fileText, const QString &meterText)
{
    double a = 0, b = 0;
    if (!ToDouble(fileText, &a) || !ToDouble(meterText, &b))
        return false;
    const double half = 0.5 * std::pow(10.0, -Decimals(fileText));
    return std::fabs(a - b) <= half + 1e-9;
}

QString CallKey(QString text)
{
    const QString raw = text;
    return CheckCallSign(text).isEmpty() ? text : raw;
}

// A signed decimal-degree value through the editor's checks of its boxes.
QString CheckCoordinate(clsCoordinate &co, const QString &text)
{
    double v = 0;
    clsCoordinate typed;
    typed.setTypeId(co.TypeId());
    if (!ToDouble(text, &v) || !typed.setvalue(v)) {
        QString t = text;
        return ValidateDMS(co, 0, t, nullptr, NumberForm::Plain);
    }
    // Each box may be within its range while the whole is not (90° 30' N).
    if (std::fabs(v) > co.DegreesMax()) {
        QString t = IntText(co.DegreesMax() + 1);
        return ValidateDMS(co, 0, t, nullptr, NumberForm::Plain);
    }
    const QString boxes[] = {IntText(typed.Degrees()), IntText(typed.Minutes()), typed.szSeconds(2),
                             typed.szHemisphere()};
    const bool variation = co.TypeId() == clsCoordinate::Variation;
    if (variation)
        co.setSeconds(typed.Seconds()); // this row has no seconds box
    for (int box = 0; box < 4; ++box) {
        if (variation && box == 2)
            continue;
        QString t = boxes[box];
        const QString message = ValidateDMS(co, box, t, nullptr, NumberForm::Plain);
        if (!message.isEmpty())
            return message;
    }
    return QString();
}

} // namespace

bool ReadTxFile(const QString &path, QList<TxFileEntry> &entries, QString *error)
{
    entries.clear();
    QFile file;
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        entries.clear();
        return false;
    };
    QString reason;
    if (!OpenForReading(file, path, &reason))
        return fail(QStringLiteral("cannot read %1: %2").arg(path, reason));
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes)
        return fail(QStringLiteral("%1 is too large for a Tx table").arg(path));
    const QList<QByteArray> rows = bytes.split('\n');
    for (int i = 0; i < rows.size(); ++i) {
        QByteArray row = rows.at(i);
        if (row.endsWith('\r'))
            row.chop(1);
        if (row.trimmed().isEmpty())
            continue;
        const QString text = AnsiToString(row);
        QStringList fields;
        const qint16 count = SplitFields(text, fields);
        if (entries.isEmpty() && i == 0 && fields.value(0) == QLatin1String("Dir ID"))
            continue; // the heading
        const int line = i + 1;
        if (count != 7 && count != 8)
            return fail(QStringLiteral("line %1: %2 fields, a Tx line has 7 or 8").arg(line).arg(count));
        clsTx probe;
        if (probe.UsbReceive(text) != clsTx::Taken)
            return fail(QStringLiteral("line %1: not a Tx line: %2").arg(line).arg(text));
        entries << TxFileEntry{line, fields};
    }
    return true;
}

QString TxRestoreSummary::Text() const
{
    return QStringLiteral("added %1, already present %2, refused %3, not added for lack of room %4")
        .arg(added)
        .arg(present)
        .arg(refused)
        .arg(noRoom);
}

clsTxRestore::clsTxRestore(QList<TxFileEntry> entries, bool fDryRun, QObject *parent)
    : clsOperation(parent), m_entries(std::move(entries)), m_dryRun(fDryRun)
{
}

clsTxRestore::~clsTxRestore() = default;

void clsTxRestore::Step()
{
    switch (m_phase) {
    case Directory:
        m_losses = gUsbHid ? gUsbHid->LinkLosses() : 0;
        if (!gUsbHid || !gUsbHid->IsDeviceConnected(true))
            return Finish(OpStatus::LinkLost);
        if (ReadDirectory(1) != 0)
            return Finish(gUsbHid->fDeviceConnected() ? OpStatus::BadReply : OpStatus::LinkLost);
        m_count = gFsm->NumRecords();
        m_max = gFsm->MaxRecords();
        m_phase = Table;
        m_next = 0;
        return;
    case Table:
        return ReadNext();
    case Entries:
        return TakeNext();
    case BackDirectory:
        if (ReadDirectory(1) != 0)
            return Finish(gUsbHid->fDeviceConnected() ? OpStatus::BadReply : OpStatus::LinkLost);
        m_count = gFsm->NumRecords();
        m_next = 0;
        m_phase = Back;
        return;
    case Back:
        if (m_next >= m_count) {
            m_lines = m_back;
            return Finish(OpStatus::Ok);
        }
        gFsm->DataType = 1;
        if (gFsm->GetRecord(qint16(m_next)) != 0)
            return Finish(gUsbHid->fDeviceConnected() ? OpStatus::BadReply : OpStatus::LinkLost);
        m_back << gFsm->szRecord;
        ++m_next;
        return;
    }
}

void clsTxRestore::ReadNext()
{
    if (m_next >= m_count) {
        m_phase = Entries;
        m_next = 0;
        return;
    }
    gFsm->DataType = 1;
    if (gFsm->GetRecord(qint16(m_next)) != 0)
        return Finish(gUsbHid->fDeviceConnected() ? OpStatus::BadReply : OpStatus::LinkLost);
    QStringList fields;
    SplitFields(gFsm->szRecord, fields);
    m_table << fields;
    ++m_next;
}

bool clsTxRestore::Present(const TxFileEntry &entry) const
{
    const QStringList &f = entry.fields;
    for (const QStringList &m : m_table) {
        if (m.size() < 7)
            continue;
        qint16 a = 0, b = 0;
        if (CallKey(f.at(2)) == CallKey(m.at(2)) && ToInt16(f.at(3), &a) && ToInt16(m.at(3), &b) && a == b &&
            SameValue(f.at(4), m.at(4)) && SameValue(f.at(5), m.at(5)))
            return true;
    }
    return false;
}

bool clsTxRestore::Check(const TxFileEntry &entry, clsTx &tx, TxRestoreNote &note) const
{
    const QStringList &f = entry.fields;
    note.line = entry.line;
    auto refuse = [&note](const QString &message, const QString &title) {
        note.szMessage = message;
        note.szTitle = title;
        return false;
    };
    QString text = f.at(2);
    QString message = CheckCallSign(text);
    if (!message.isEmpty())
        return refuse(message, kCallSiteTitle);
    tx.szCallSign = text;
    text = f.at(3);
    qint16 frequency = 0;
    message = CheckFrequency(text, &frequency, NumberForm::Plain);
    if (!message.isEmpty())
        return refuse(message, kIllegalValue);
    tx.wFrequency = frequency;
    clsCoordinate *const rows[] = {&tx.Latitude, &tx.Longitude, &tx.Variation};
    for (int i = 0; i < 3; ++i) {
        message = CheckCoordinate(*rows[i], f.at(4 + i));
        if (!message.isEmpty())
            return refuse(message, kIllegalValue);
    }
    if (f.size() >= 8 && gFsm->TxFields() >= 8) {
        const QStringList choices = TxModulations();
        const QString typed = f.at(7).trimmed();
        const auto found = std::find_if(choices.cbegin(), choices.cend(), [&typed](const QString &c) {
            return c.compare(typed, Qt::CaseInsensitive) == 0;
        });
        if (found == choices.cend())
            return refuse(QStringLiteral("The modulation must be one of ") + choices.join(QStringLiteral(", ")) +
                              QStringLiteral("."),
                          kIllegalValue);
        tx.szModulation = *found;
    }
    // A new entry, as the editor makes one: the meter gives it its ids.
    tx.wDirId = 0;
    tx.wStationId = 0;
    return true;
}

void clsTxRestore::EntriesDone()
{
    if (m_dryRun || m_summary.added == 0)
        return Finish(OpStatus::Ok);
    m_phase = BackDirectory;
}

void clsTxRestore::TakeNext()
{
    if (m_next >= m_entries.size())
        return EntriesDone();
    const TxFileEntry &entry = m_entries.at(m_next);
    ReportProgress(m_next, int(m_entries.size()));
    if (Present(entry)) {
        ++m_summary.present;
        ++m_next;
        return;
    }
    clsTx tx;
    TxRestoreNote note;
    if (!Check(entry, tx, note)) {
        ++m_summary.refused;
        m_summary.notes << note;
        ++m_next;
        return;
    }
    QString line;
    const QString tooLong = TxLineCheck(tx, &line);
    if (!tooLong.isEmpty()) {
        ++m_summary.refused;
        m_summary.notes << TxRestoreNote{entry.line, tooLong, QStringLiteral("Tx Line Too Long")};
        ++m_next;
        return;
    }
    if (m_count >= m_max) {
        m_full = true;
        m_summary.noRoom = int(m_entries.size()) - m_next;
        return EntriesDone();
    }
    if (!m_dryRun) {
        const TxResult r = TxAdd(tx);
        if (r.result != 0) {
            if (!gUsbHid->fDeviceConnected() || gUsbHid->LinkLosses() != m_losses) {
                m_summary.unsureLine = entry.line;
                return Finish(OpStatus::LinkLost); // the link has told the user
            }
            ++m_summary.refused;
            m_summary.notes << TxRestoreNote{entry.line, r.szMessage, r.szTitle};
            ++m_next;
            return;
        }
    }
    m_summary.lines << QStringLiteral("U,") + line;
    ++m_summary.added;
    ++m_count;
    // Later lines of the file that repeat this one are present from now on.
    QStringList added;
    SplitFields(line, added);
    m_table << added;
    ++m_next;
}
