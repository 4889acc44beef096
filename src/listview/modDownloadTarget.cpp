// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/modDownloadTarget.h"

#include <QHash>

DownloadTarget::~DownloadTarget() = default;

static QHash<qint32, DownloadTargetFactory> &TargetFactories()
{
    static QHash<qint32, DownloadTargetFactory> factories;
    return factories;
}

DownloadTargetFactory SetDownloadTargetFactory(qint32 DataType, DownloadTargetFactory factory)
{
    DownloadTargetFactory old = TargetFactories().value(DataType);
    if (factory)
        TargetFactories().insert(DataType, std::move(factory));
    else
        TargetFactories().remove(DataType);
    return old;
}

DownloadTargetFactory DownloadTargetFactoryFor(qint32 DataType) { return TargetFactories().value(DataType); }

bool DownloadTargetSink::Begin(const QStringList &)
{
    if (m_factory)
        m_target = m_factory();
    return true;
}

bool DownloadTargetSink::Add(const QString &line)
{
    if (m_target)
        m_target->lsvDataAdd(line);
    return true;
}
