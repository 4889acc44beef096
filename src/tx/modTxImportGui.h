// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Import Tx from .csv File…" of the Tx list window: a Tx table saved to a
// CSV file back into the meter, what it would do asked first.
#include <QStringList>
#include <functional>

class QWidget;
class clsOperation;

// Asks for the file, shows what importing it would do as a Yes/No question
// (No the default), imports on Yes and shows what it did. Runs from the
// event loop and returns at once. `start` runs each pass as the window's
// operation (so that closing the window cancels it), or returns false when
// the window is closing and nothing is to start; the passes stay the
// import's own, so what an import did is told even when the window has gone
// meanwhile. `done`, while `parent` exists, is told whether the meter's table
// may have changed, when it was read back after the import its lines, and
// whether the import was stopped part-way ("Cancel").
void ImportTxFromFile(QWidget *parent, const std::function<bool(clsOperation *op)> &start,
                      const std::function<void(bool changed, const QStringList &lines, bool stopped)> &done);
