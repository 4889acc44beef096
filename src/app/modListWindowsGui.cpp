// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modListWindowsGui.h"
#include "app/modDownload.h"
#include "saveddata/frmDeleteData.h"
#include "tx/frmTx.h"

// One line per store: data type, then the window that lists it.
void RegisterListWindows()
{
    SetDownloadTargetFactory(0, &frmDeleteData::NewDownloadTarget);
    SetDownloadTargetFactory(1, &frmTx::NewDownloadTarget);
}
