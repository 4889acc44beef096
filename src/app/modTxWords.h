// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The words of the Tx changes (what the Tx list window, the Tx restore and
// the command-line tool tell of a change the meter did not take, and of a
// delete the rules refuse), and of a Tx restore's notes, counts and file.
#include "tx/modTxOps.h"

// Makes them the words of the Tx changes (SetTxWords).
void InstallTxWords();
