// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/modRecordSink.h"

#include <QtGlobal>
#include <functional>
#include <memory>

class QString;

// A list window that takes the records of one store: one lsvDataAdd per record
// line, then ShowModal (over the main window). The download's caller owns it
// and destroys it once it was shown.
class DownloadTarget
{
public:
    virtual ~DownloadTarget();
    virtual void lsvDataAdd(const QString &szString) = 0;
    virtual void ShowModal() = 0;
};

// The list windows register themselves here, one factory per data type
// (0 saved data, 1 Tx data). Without one, filling a list shows nothing.
using DownloadTargetFactory = std::function<std::unique_ptr<DownloadTarget>()>;
// Installs the factory for one data type and returns the previous one.
DownloadTargetFactory SetDownloadTargetFactory(qint32 DataType, DownloadTargetFactory factory);
// The factory installed for one data type (empty when none).
DownloadTargetFactory DownloadTargetFactoryFor(qint32 DataType);

// A list window as a download's sink: the window is made (by the factory)
// when the first record comes.
class DownloadTargetSink : public RecordSink
{
public:
    explicit DownloadTargetSink(DownloadTargetFactory factory) : m_factory(std::move(factory)) {}
    bool Begin(const QStringList &header) override;
    bool Add(const QString &line) override;
    void Drop() override { m_target.reset(); }
    bool WindowThreadOnly() const override { return true; }
    // The filled window (null when none was made or it was dropped).
    std::unique_ptr<DownloadTarget> Take() { return std::move(m_target); }

private:
    DownloadTargetFactory m_factory;
    std::unique_ptr<DownloadTarget> m_target;
};
