// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Putting a Tx table saved to a CSV file back into a meter: each entry of
// the file that the meter does not hold yet is checked as the Tx editor
// checks it and added as a new entry. A dry run decides the same way and
// sends nothing, so its summary is what a real run would do now.
#include "common/clsOperation.h"

#include <QList>
#include <QString>
#include <QStringList>

class clsTx;

// One entry line of a Tx CSV file: its fields and its line number.
struct TxFileEntry
{
    int line = 0;
    QStringList fields; // 7 or 8
};

// Reads a Tx CSV as the download writes it (a heading line, then one line
// of 7 or 8 fields per entry; Windows-1252 text). False with `error` naming
// the line of the first thing it cannot read; nothing is taken then.
bool ReadTxFile(const QString &path, QList<TxFileEntry> &entries, QString *error);

struct TxRestoreNote
{
    int line = 0;
    QString szMessage;
    QString szTitle;
};

struct TxRestoreSummary
{
    int added = 0;
    int present = 0;
    int refused = 0;
    int noRoom = 0;
    QStringList lines;          // "U,..." sent (or, in a dry run, that would be sent)
    QList<TxRestoreNote> notes; // why each refused entry was refused
    // The line whose add was under way when the link was lost (0: none):
    // the meter may or may not hold it.
    int unsureLine = 0;
    // "added N, already present M, refused K, not added for lack of room L"
    QString Text() const;
};

// Reads the meter's Tx table (a step per entry), then takes the file's
// entries one per step. Stops at the first entry for which the meter has
// no room left: that one and every later one count as not added.
class clsTxRestore : public clsOperation
{
    Q_OBJECT
public:
    clsTxRestore(QList<TxFileEntry> entries, bool fDryRun, QObject *parent = nullptr);
    ~clsTxRestore() override;

    const TxRestoreSummary &Summary() const { return m_summary; }
    // Set when the meter had no room left ("No more Tx slots available").
    bool fFull() const { return m_full; }
    // After a run that added entries: the meter's whole table read back
    // (its lines, with the ids it gave the new ones); empty when not read.
    const QStringList &Lines() const { return m_lines; }

protected:
    void Step() override;

private:
    void ReadNext();
    void TakeNext();
    // The end of the entries: the table is read back when any was added.
    void EntriesDone();
    bool Present(const TxFileEntry &entry) const;
    // The entry as a new Tx; false with the editor's message when a field fails its check.
    bool Check(const TxFileEntry &entry, clsTx &tx, TxRestoreNote &note) const;

    QList<TxFileEntry> m_entries;
    bool m_dryRun;
    enum Phase { Directory, Table, Entries, BackDirectory, Back } m_phase = Directory;
    int m_next = 0;
    int m_count = 0;  // entries the meter holds
    int m_max = 0;
    quint32 m_losses = 0;
    QList<QStringList> m_table; // the meter's entries, split into fields
    QStringList m_lines;
    QStringList m_back;
    bool m_full = false;
    TxRestoreSummary m_summary;
};
