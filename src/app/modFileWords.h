// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The words of a file that could not be written (a download's CSV file, a
// map, a plot's picture or table), told in a box titled "ZT 6200 File Error".

// Makes that box the teller of a write failure (SetWriteErrorTeller): "There
// is a problem writing to the file." and the system's reason below it; with
// no reason, the question whether another program holds the file.
void InstallFileWords();
