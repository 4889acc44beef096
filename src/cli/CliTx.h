// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Tx commands: add, edit and delete entries of the meter's Tx table
// through the same checks and changes as the Tx windows.
#include "cli/CliOptions.h"
#include "common/clsOperation.h"

#include <QList>

class clsMeter;

namespace cli {

// Each works with `meter`, the session's.
int TxAddCommand(clsMeter &meter, const CliOptions &options);
int TxEditCommand(clsMeter &meter, const CliOptions &options, int wStationId);
int TxDeleteCommand(clsMeter &meter, const QList<int> &stationIds);
// What a delete walk over `ids` of store `type` (0 saved records, 1 Tx
// entries) did, once it ended with `status` after deleting the first
// `deleted`: nothing to say when all went; otherwise what was deleted, that
// the delete under way may have been carried out when its reply was lost
// (the store is then read again to tell), or, when interrupted, that the
// walk stopped after the delete under way. Returns the exit status.
int DeleteOutcome(clsMeter &meter, qint32 type, const QList<int> &ids, int deleted, OpStatus status);
// Adds the entries of a Tx CSV file that the meter does not hold yet.
int TxRestoreCommand(clsMeter &meter, const CliOptions &options, const QString &file);

} // namespace cli
