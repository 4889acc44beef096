// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "list": the rows the list windows show, printed instead of shown. The
// download fills them as it fills a list window: the printer is its sink.
#include "listview/modDownloadTarget.h"

#include <QString>
#include <QtGlobal>

class clsListModel;
class clsMeter;

namespace cli {

// The download's list for `DataType` as a printer: it builds the rows as
// the window does, puts them in the order the window first shows, and
// prints them tab-separated on standard output.
class ListPrinter
{
public:
    ListPrinter(const clsMeter &meter, qint32 DataType) : m_meter(&meter), m_type(DataType) {}
    ListPrinter(const ListPrinter &) = delete;
    ListPrinter &operator=(const ListPrinter &) = delete;

    // The maker of the printed list, for the download's request.
    DownloadTargetFactory Factory();
    bool Printed() const { return m_printed; }

private:
    const clsMeter *m_meter;
    qint32 m_type;
    bool m_printed = false;
};

// The headings line, then one line per row; cells separated by tabs.
QString ListText(const clsListModel &model);

} // namespace cli
