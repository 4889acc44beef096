// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Erasing the meter's saved records, shared by the saved-data window and
// the command-line tool.
#include <functional>

// "E" is tried this often (each try is a full exchange with its own resends)
// before giving up.
constexpr int kEraseAttempts = 3;

// Sends "E" until the meter confirms, at most kEraseAttempts times and only
// while it stays connected. `stop`, when given, is asked after each try and
// ends the tries when true. True when the meter confirmed.
bool EraseSavedRecords(const std::function<bool()> &stop = {});
