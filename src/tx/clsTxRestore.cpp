// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/clsTxRestore.h"
#include "common/modAnsi.h"
#include "common/modConvert.h"
#include "common/modFileName.h"
#include "protocol/modApp.h"
#include "records/clsMeter.h"
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

// A decimal-degree text as the meter would hold it once sent: signed
// tenths of an arc-second, the editor's grid. False when it is no number.
bool GridValue(const QString &text, qint64 *tenths)
{
    double v = 0;
    if (!ToDouble(text, &v) || !std::isfinite(v) || std::fabs(v) > 1e6)
        return false;
    const qint64 n = qint64(std::floor(std::fabs(v) * 36000.0 + 0.5));
    *tenths = v < 0 ? -n : n;
    return true;
}

bool SameOnGrid(const QString &a, const QString &b)
{
    qint64 x = 0, y = 0;
    return GridValue(a, &x) && GridValue(b, &y) && x == y;
}

// A grid value in decimal degrees, as short as it reads ("-16.0", "-14.25").
QString DegreesText(const QString &text)
{
    qint64 n = 0;
    if (!GridValue(text, &n))
        return text.trimmed();
    QString t = QString::number(double(n) / 36000.0, 'f', 5);
    while (t.endsWith(QLatin1Char('0')) && !t.endsWith(QLatin1String(".0")))
        t.chop(1);
    return t;
}

QString CallKey(QString text)
{
    const QString raw = text;
    return CheckCallSign(text).ok() ? text : raw;
}

// A signed decimal-degree value through the editor's checks of its boxes.
TxFieldCheck CheckCoordinate(clsCoordinate &co, const QString &text)
{
    double v = 0;
    clsCoordinate typed;
    typed.setTypeId(co.TypeId());
    if (!ToDouble(text, &v) || !typed.setvalue(v)) {
        QString t = text;
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
        const TxFieldCheck found = ValidateDMS(co, box, t, nullptr, NumberForm::Plain);
        if (!found.ok())
            return found;
    }
    return {};
}

TxRestoreNote Refused(int line, const TxResult &r)
{
    TxRestoreNote note;
    note.kind = TxRestoreNote::ChangeRefused;
    note.line = line;
    note.result = r;
    return note;
}

} // namespace

bool ReadTxFile(const QString &path, QList<TxFileEntry> &entries, TxFileProblem *problem)
{
    entries.clear();
    QFile file;
    TxFileProblem p;
    p.path = path;
    auto fail = [&](TxFileProblem::Kind kind) {
        p.kind = kind;
        if (problem)
            *problem = p;
        entries.clear();
        return false;
    };
    if (!OpenForReading(file, path, &p.reason))
        return fail(TxFileProblem::CannotRead);
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes)
        return fail(TxFileProblem::TooLarge);
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
        p.line = line, p.count = count, p.text = text;
        if (count != 7 && count != 8)
            return fail(TxFileProblem::FieldCount);
        clsTx probe;
        if (probe.UsbReceive(text) != OpStatus::Ok)
            return fail(TxFileProblem::NotTxLine);
        entries << TxFileEntry{line, fields};
    }
    return true;
}

clsTxRestore::clsTxRestore(clsMeter &meter, QList<TxFileEntry> entries, bool fDryRun, bool fReplaceDifferent,
                           QObject *parent)
    : clsOperation(parent), m_meter(meter), m_entries(std::move(entries)), m_dryRun(fDryRun), m_replace(fReplaceDifferent)
{
}

clsTxRestore::~clsTxRestore() { StopSteps(); }

void clsTxRestore::Step()
{
    const LinkWatch step = m_meter.Watch();
    const clsFsm &fsm = m_meter.Fsm();
    switch (m_phase) {
    case Directory:
        m_watch = step;
        if (!m_meter.Link().IsDeviceConnected(true))
            return Finish(OpStatus::LinkLost);
        if (m_meter.ReadDirectory(1, false) != OpStatus::Ok) { // told as the Tx list not read
            m_summary.notTried = int(m_entries.size());
            return Finish(step.Failure());
        }
        m_count = fsm.NumRecords(1);
        m_max = fsm.MaxRecords(1);
        m_phase = Table;
        m_next = 0;
        return;
    case Table:
        return ReadNext();
    case Entries:
        return TakeNext();
    case BackDirectory:
        if (m_meter.ReadDirectory(1, false) != OpStatus::Ok)
            return Finish(step.Failure());
        m_count = fsm.NumRecords(1);
        m_next = 0;
        m_phase = Back;
        return;
    case Back:
        if (m_next >= m_count) {
            m_lines = m_back;
            return Finish(OpStatus::Ok);
        }
        if (m_meter.GetRecord(1, qint16(m_next)) != OpStatus::Ok)
            return Finish(step.Failure());
        m_back << fsm.szRecord();
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
    const LinkWatch step = m_meter.Watch();
    if (m_meter.GetRecord(1, qint16(m_next)) != OpStatus::Ok) {
        m_summary.notTried = int(m_entries.size());
        return Finish(step.Failure());
    }
    QStringList fields;
    SplitFields(m_meter.Fsm().szRecord(), fields);
    m_table << fields;
    ++m_next;
}

int clsTxRestore::Match(const TxFileEntry &entry) const
{
    const QStringList &f = entry.fields;
    for (int i = 0; i < m_table.size(); ++i) {
        const QStringList &m = m_table.at(i);
        if (m.size() < 7)
            continue;
        qint16 a = 0, b = 0;
        if (CallKey(f.at(2)) == CallKey(m.at(2)) && ToInt16(f.at(3), &a) && ToInt16(m.at(3), &b) && a == b &&
            SameOnGrid(f.at(4), m.at(4)) && SameOnGrid(f.at(5), m.at(5)))
            return i;
    }
    return -1;
}

bool clsTxRestore::Differences(const TxFileEntry &entry, int at, TxRestoreNote &note) const
{
    const QStringList &f = entry.fields;
    const QStringList &m = m_table.at(at);
    note = TxRestoreNote{};
    note.kind = TxRestoreNote::Differs;
    note.line = entry.line;
    note.callSign = CallKey(f.at(2));
    if (!SameOnGrid(f.at(6), m.at(6)))
        note.variation = QStringList{DegreesText(m.at(6)), DegreesText(f.at(6))};
    // Only a meter that keeps the modulation can differ in it.
    if (f.size() >= 8 && m.size() >= 8 && m_meter.Fsm().TxFields() >= 8 &&
        f.at(7).trimmed().compare(m.at(7).trimmed(), Qt::CaseInsensitive) != 0)
        note.modulation = QStringList{m.at(7).trimmed(), f.at(7).trimmed()};
    return !note.variation.isEmpty() || !note.modulation.isEmpty();
}

bool clsTxRestore::Check(const TxFileEntry &entry, clsTx &tx, TxRestoreNote &note) const
{
    const QStringList &f = entry.fields;
    note.line = entry.line;
    auto refused = [&note](const TxFieldCheck &found) {
        if (found.ok())
            return false;
        note.kind = TxRestoreNote::FieldRefused;
        note.check = found;
        return true;
    };
    QString text = f.at(2);
    if (refused(CheckCallSign(text)))
        return false;
    tx.setszCallSign(text);
    text = f.at(3);
    qint16 frequency = 0;
    if (refused(CheckFrequency(text, &frequency, NumberForm::Plain)))
        return false;
    tx.setwFrequency(frequency);
    clsCoordinate *const rows[] = {&tx.Latitude(), &tx.Longitude(), &tx.Variation()};
    for (int i = 0; i < 3; ++i) {
        if (refused(CheckCoordinate(*rows[i], f.at(4 + i))))
            return false;
    }
    if (f.size() >= 8 && m_meter.Fsm().TxFields() >= 8) {
        const QStringList choices = TxModulations();
        const QString typed = f.at(7).trimmed();
        const auto found = std::find_if(choices.cbegin(), choices.cend(), [&typed](const QString &c) {
            return c.compare(typed, Qt::CaseInsensitive) == 0;
        });
        if (found == choices.cend()) {
            note.kind = TxRestoreNote::ModulationRefused;
            return false;
        }
        tx.setszModulation(*found);
    }
    // A new entry, as the editor makes one: the meter gives it its ids.
    tx.setwDirId(0);
    tx.setwStationId(0);
    return true;
}

void clsTxRestore::EntriesDone()
{
    if (m_dryRun || (m_summary.added == 0 && m_summary.replaced == 0 && m_summary.unsure == 0))
        return Finish(OpStatus::Ok);
    m_phase = BackDirectory;
}

void clsTxRestore::Cancelled()
{
    if (m_phase == Directory || m_phase == Table)
        m_summary.notTried = int(m_entries.size());
    else if (m_phase == Entries)
        m_summary.notTried += int(m_entries.size()) - m_next;
    clsOperation::Cancelled();
}

void clsTxRestore::LinkLostAt(int line)
{
    m_summary.unsureLine = line;
    ++m_summary.unsure;
    m_summary.notTried += int(m_entries.size()) - m_next - 1;
    Finish(OpStatus::LinkLost); // the link has told the user
}

void clsTxRestore::TakeNext()
{
    if (m_next >= m_entries.size())
        return EntriesDone();
    const TxFileEntry &entry = m_entries.at(m_next);
    ReportProgress(m_next, int(m_entries.size()));
    if (entry.fields.size() >= 8 && m_meter.Fsm().TxFields() < 8)
        m_summary.modulationDropped = true;
    const int match = Match(entry);
    if (match >= 0) {
        TxRestoreNote differs;
        if (!Differences(entry, match, differs)) {
            ++m_summary.present;
            ++m_next;
            return;
        }
        m_summary.differences << differs;
        if (!m_replace) {
            ++m_summary.differing;
            ++m_next;
            return;
        }
    }
    clsTx tx;
    TxRestoreNote note;
    if (!Check(entry, tx, note)) {
        ++m_summary.refused;
        m_summary.notes << note;
        ++m_next;
        return;
    }
    if (match >= 0) {
        // The meter's entry, with the file's values.
        qint16 id = 0;
        tx.setwDirId(ToInt16(m_table.at(match).at(0), &id) ? id : 0);
        tx.setwStationId(ToInt16(m_table.at(match).at(1), &id) ? id : 0);
        // A file without modulations keeps the meter's.
        if (entry.fields.size() < 8 && m_table.at(match).size() >= 8)
            tx.setszModulation(m_table.at(match).at(7).trimmed());
    }
    QString line;
    TxResult tooLong;
    tooLong.status = OpStatus::TooLong;
    tooLong.length = TxLineTooLong(tx, m_meter.Fsm().TxFields(), &line);
    if (tooLong.length > 0) {
        ++m_summary.refused;
        m_summary.notes << Refused(entry.line, tooLong);
        ++m_next;
        return;
    }
    if (match < 0 && m_count >= m_max) {
        m_full = true;
        ++m_summary.noRoom;
        ++m_next;
        return;
    }
    if (!m_dryRun) {
        const TxResult r = match >= 0 ? TxReplace(m_meter, tx) : TxAdd(m_meter, tx);
        if (r.result != 0) {
            if (m_watch.Lost())
                return LinkLostAt(entry.line);
            if (r.fUnsure) {
                // The meter may hold it: the table is read back at the end.
                ++m_summary.unsure;
                m_summary.notes << Refused(entry.line, r);
                ++m_next;
                return;
            }
            ++m_summary.refused;
            m_summary.notes << Refused(entry.line, r);
            ++m_next;
            return;
        }
    }
    Taken(match, line);
}

void clsTxRestore::Taken(int match, const QString &line)
{
    QStringList fields;
    SplitFields(line, fields);
    if (match >= 0) {
        m_summary.lines << QStringLiteral("X,") + line;
        ++m_summary.replaced;
        m_table[match] = fields;
    } else {
        m_summary.lines << QStringLiteral("U,") + line;
        ++m_summary.added;
        ++m_count;
        // Later lines of the file that repeat this one are present from now on.
        m_table << fields;
    }
    ++m_next;
}
