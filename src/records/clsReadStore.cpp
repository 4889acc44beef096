// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/clsReadStore.h"
#include "records/clsMeter.h"

clsReadStore::clsReadStore(clsMeter &meter, qint32 type, QObject *parent)
    : clsOperation(parent), m_meter(meter), m_type(type)
{
    // Ctrl+C while the count is read stops the download that follows, which
    // then says it was cancelled.
    LeaveCancelSoon();
}

void clsReadStore::Step()
{
    const LinkWatch watch = m_meter.Watch();
    if (m_count < 0) {
        if (m_meter.ReadDirectory(m_type) != OpStatus::Ok)
            return Finish(watch.Failure());
        m_count = m_meter.Fsm().NumRecords(m_type);
    } else {
        if (m_meter.GetRecord(m_type, qint16(m_lines.size())) != OpStatus::Ok)
            return Finish(watch.Failure());
        m_lines << m_meter.Fsm().szRecord();
    }
    ReportProgress(int(m_lines.size()), m_count);
    if (m_lines.size() >= m_count)
        Finish(OpStatus::Ok);
}

clsReadCount::clsReadCount(clsMeter &meter, qint32 type, QObject *parent)
    : clsOperation(parent), m_meter(meter), m_type(type)
{
    // Ctrl+C while the count is read stops the download that follows, which
    // then says it was cancelled.
    LeaveCancelSoon();
}

void clsReadCount::Step()
{
    const LinkWatch watch = m_meter.Watch();
    if (m_meter.ReadDirectory(m_type) != OpStatus::Ok)
        return Finish(watch.Failure());
    Finish(OpStatus::Ok);
}

void ReadCountThen(clsMeter &meter, qint32 type, QObject *context, std::function<void(OpStatus)> then)
{
    auto *op = new clsReadCount(meter, type, context);
    QObject::connect(op, &clsOperation::Finished, op, [op, then = std::move(then)](OpStatus status) {
        op->deleteLater();
        then(status);
    });
    op->Start();
}
