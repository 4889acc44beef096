// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hands the bulk download the list window of each store.
void RegisterListWindows();
