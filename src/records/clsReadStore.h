// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads every line of one store anew (its directory, then one record a
// step): what a list shows again once it cannot be sure what the meter
// holds, after a change whose reply was lost.
#include "common/clsOperation.h"

#include <QStringList>
#include <QtGlobal>
#include <functional>

class clsMeter;

class clsReadStore : public clsOperation
{
public:
    // `type`: 0 saved measurements, 1 Tx entries.
    clsReadStore(clsMeter &meter, qint32 type, QObject *parent = nullptr);
    ~clsReadStore() override { StopSteps(); }
    // Every line, in directory order, once finished Ok.
    const QStringList &Lines() const { return m_lines; }

protected:
    void Step() override;

private:
    clsMeter &m_meter;
    qint32 m_type;
    qint16 m_count = -1; // -1: the directory is read first
    QStringList m_lines;
};

// Reads the count of one store (its directory) and nothing else: the checks
// before a download and a list window's free records, off the window thread.
// A count that cannot be read is told as ReadDirectory tells it.
class clsReadCount : public clsOperation
{
public:
    clsReadCount(clsMeter &meter, qint32 type, QObject *parent = nullptr);
    ~clsReadCount() override { StopSteps(); }

protected:
    void Step() override;

private:
    clsMeter &m_meter;
    qint32 m_type;
};

// Starts a clsReadCount of store `type` owned by `context` and calls `then`
// with how it ended, from the event loop (Busy when another operation runs).
// Nothing is called once `context` is gone.
void ReadCountThen(clsMeter &meter, qint32 type, QObject *context, std::function<void(OpStatus)> then);
