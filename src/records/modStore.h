// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>

// The store commands: they select gFsm's store and keep its counts.
// Each returns 0 on success, 1 on a failed exchange or an unknown store.
// A count that came but cannot be read is told, unless `fTell` is false
// (a caller that tells its own failure, so that the user hears it once).
qint16 ReadDirectory(qint32 type, bool fTell = true);
qint16 DeleteRecord(qint32 n);
qint16 EraseRecords();
