// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Import Tx from .csv File…" of the Tx list window: a Tx table saved to a
// CSV file back into the meter, what it would do asked first.
#include <QStringList>
#include <functional>

class QWidget;

// Asks for the file, shows what importing it would do as a Yes/No question
// (No the default), imports on Yes and shows what it did. Runs from the
// event loop and returns at once. `done` is told whether the meter's table
// may have changed and, when it was read back after the import, its lines.
void ImportTxFromFile(QWidget *parent, const std::function<void(bool changed, const QStringList &lines)> &done);
