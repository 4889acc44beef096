// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/clsReadStore.h"
#include "records/clsFsm.h"
#include "records/modStore.h"
#include "usb/clsUsbHid.h"

clsReadStore::clsReadStore(qint32 type, QObject *parent) : clsOperation(parent), m_type(type) {}

void clsReadStore::Step()
{
    auto failed = [this] {
        Finish(gUsbHid && gUsbHid->fDeviceConnected() ? OpStatus::BadReply : OpStatus::LinkLost);
    };
    if (m_count < 0) {
        if (ReadDirectory(m_type) != 0)
            return failed();
        m_count = gFsm->NumRecords();
    } else {
        gFsm->DataType = m_type;
        if (gFsm->GetRecord(qint16(m_lines.size())) != 0)
            return failed();
        m_lines << gFsm->szRecord;
    }
    ReportProgress(int(m_lines.size()), m_count);
    if (m_lines.size() >= m_count)
        Finish(OpStatus::Ok);
}
