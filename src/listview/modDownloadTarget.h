// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>
#include <functional>
#include <memory>

class QString;

// A list window that takes the records of one store: one lsvDataAdd per record
// line, then ShowModal (over the main window). GetAllData owns it and
// destroys it before it returns.
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
