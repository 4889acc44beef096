// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Tx commands: add, edit and delete entries of the meter's Tx table
// through the same checks and changes as the Tx windows.
#include "cli/CliOptions.h"

#include <QList>

namespace cli {

int TxAddCommand(const CliOptions &options);
int TxEditCommand(const CliOptions &options, int wStationId);
int TxDeleteCommand(const QList<int> &stationIds);
// Adds the entries of a Tx CSV file that the meter does not hold yet.
int TxRestoreCommand(const CliOptions &options, const QString &file);

} // namespace cli
