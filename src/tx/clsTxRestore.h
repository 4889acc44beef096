// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Putting a Tx table saved to a CSV file back into a meter: each entry of
// the file that the meter does not hold yet is checked as the Tx editor
// checks it and added as a new entry. Entries are compared as the meter
// would hold them (on the editor's tenth-of-a-second grid), so a second run
// adds nothing. An entry of the same call sign, frequency and position
// whose variation or modulation differs is reported, and on request
// replaced by the file's values. A dry run decides the same way and sends
// nothing, so its summary is what a real run would do now.
#include "common/clsOperation.h"
#include "tx/modTxChecks.h"
#include "tx/modTxOps.h"
#include "usb/clsUsbHid.h"

#include <QList>
#include <QString>
#include <QStringList>

class clsMeter;
class clsTx;

// One entry line of a Tx CSV file: its fields and its line number.
struct TxFileEntry
{
    int line = 0;
    QStringList fields; // 7 or 8
};

// Why a Tx CSV file was not read: it could not be opened (the system's
// reason), it is too large, a line has not 7 or 8 fields (count), or a line
// is not a Tx line (its text).
struct TxFileProblem
{
    enum Kind { None, CannotRead, TooLarge, FieldCount, NotTxLine } kind = None;
    QString path;
    QString reason;
    int line = 0;
    int count = 0;
    QString text;
};

// Reads a Tx CSV as the download writes it (a heading line, then one line
// of 7 or 8 fields per entry; Windows-1252 text). False with `problem`
// naming the first thing it cannot read; nothing is taken then.
bool ReadTxFile(const QString &path, QList<TxFileEntry> &entries, TxFileProblem *problem);

// One line of the file the restore has something to say about: a field the
// editor's checks refuse (`check`: what the check found), a
// modulation that is none of TxModulations(), a change the meter did not
// take or a line too long for it (`result`), or an entry the meter holds
// with another variation or modulation (`callSign`; `variation` and
// `modulation`: the meter's value and the file's, empty when the same).
struct TxRestoreNote
{
    enum Kind { FieldRefused, ModulationRefused, ChangeRefused, Differs } kind = FieldRefused;
    int line = 0;
    TxFieldCheck check;
    TxResult result;
    QString callSign;
    QStringList variation;
    QStringList modulation;
};
// The words of a note and of a file problem, as the program installs them
// (TxWords).
TxMessage TxRestoreNoteMessage(const TxRestoreNote &note);
QString TxFileProblemText(const TxFileProblem &problem);

// Every entry of the file ends in exactly one count.
struct TxRestoreSummary
{
    int added = 0;
    int present = 0;
    int refused = 0;
    int noRoom = 0;    // would have been added, but the table was full
    int differing = 0; // the meter holds it with another variation or modulation
    int replaced = 0;  // such an entry, changed to the file's values
    int notTried = 0;  // after the link was lost or the user stopped
    int unsure = 0;    // under way when the link was lost, or its reply not understood: the meter may hold it
    QStringList lines;          // "U,..." and "X,..." sent (or, in a dry run, that would be sent)
    QList<TxRestoreNote> notes; // why each refused entry was refused
    QList<TxRestoreNote> differences; // the entries that differ (Differs)
    // The line whose change was under way when the link was lost (0: none):
    // the meter may or may not hold it.
    int unsureLine = 0;
    // The file has modulations that this meter's firmware does not keep.
    bool modulationDropped = false;
    // The counts in the words the program installs (TxWords).
    QString Text() const;
};

// Reads the meter's Tx table (a step per entry), then takes the file's
// entries one per step. Once the meter has no room left, the entries it
// would add count as not added for lack of room; the others are still
// judged (present, differing, refused, replaced).
class clsTxRestore : public clsOperation
{
    Q_OBJECT
public:
    clsTxRestore(clsMeter &meter, QList<TxFileEntry> entries, bool fDryRun, bool fReplaceDifferent = false,
                 QObject *parent = nullptr);
    ~clsTxRestore() override;

    const TxRestoreSummary &Summary() const { return m_summary; }
    // Set when the meter had no room left ("No more Tx slots available").
    bool fFull() const { return m_full; }
    // After a run that added entries: the meter's whole table read back
    // (its lines, with the ids it gave the new ones); empty when not read.
    const QStringList &Lines() const { return m_lines; }

protected:
    void Step() override;
    // Stops after the entry under way; the rest count as not tried.
    void Cancelled() override;

private:
    void ReadNext();
    void TakeNext();
    // The line was sent (or, in a dry run, would be): replacing the meter's
    // entry `match`, or added when match < 0.
    void Taken(int match, const QString &line);
    // The end of the entries: the table is read back when any was added.
    void EntriesDone();
    // The meter's entry of the same call sign, frequency and position (-1: none).
    int Match(const TxFileEntry &entry) const;
    // What differs between the file's entry and the meter's entry `at`
    // (a Differs note); false when nothing.
    bool Differences(const TxFileEntry &entry, int at, TxRestoreNote &note) const;
    void LinkLostAt(int line);
    // The entry as a new Tx; false with the note refusing it when a field fails its check.
    bool Check(const TxFileEntry &entry, clsTx &tx, TxRestoreNote &note) const;

    clsMeter &m_meter;
    QList<TxFileEntry> m_entries;
    bool m_dryRun;
    bool m_replace;
    enum Phase { Directory, Table, Entries, BackDirectory, Back } m_phase = Directory;
    int m_next = 0;
    int m_count = 0;  // entries the meter holds
    int m_max = 0;
    LinkWatch m_watch{nullptr}; // from the directory on
    QList<QStringList> m_table; // the meter's entries, split into fields
    QStringList m_lines;
    QStringList m_back;
    bool m_full = false;
    TxRestoreSummary m_summary;
};
