// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads every line of one store anew (its directory, then one record a
// step): what a list shows again once it cannot be sure what the meter
// holds, after a change whose reply was lost.
#include "common/clsOperation.h"

#include <QStringList>
#include <QtGlobal>

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
