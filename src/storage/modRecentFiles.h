// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the save dialog proposes for a download, between runs: the folder of
// the last save (of either kind of data) and, for each kind, the name last
// chosen for it, so a Tx table is never proposed the name of a survey.
// Section "Files" of the per-user settings store.
#include <QString>
#include <QtGlobal>

class QSettings;

struct SaveProposal
{
    QString folder; // empty: none remembered
    QString name;   // empty: none remembered for this kind
};

// DataType 0 saved measurements, 1 Tx entries.
SaveProposal RecentSave(qint32 DataType, QSettings &store);
void RememberSave(qint32 DataType, const QString &folder, const QString &name, QSettings &store);
