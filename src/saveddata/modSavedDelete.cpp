// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modSavedDelete.h"
#include "protocol/modFSMComm.h"
#include "records/modStore.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"

bool EraseSavedRecords(const std::function<bool()> &stop)
{
    gFsm->DataType = 0;
    for (int attempt = 0; attempt < kEraseAttempts && gUsbHid && gUsbHid->fDeviceConnected(); ++attempt) {
        if (EraseRecords() == 0)
            return true;
        if (stop && stop())
            break;
    }
    return false;
}
