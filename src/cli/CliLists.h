// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "list": the rows the list windows show, printed instead of shown. The
// download fills them through the same list-window seam as the windows.
#include <QString>
#include <QtGlobal>

class clsListModel;
class clsMeter;

namespace cli {

// While it lives, the download's list window for `DataType` is a printer:
// it builds the rows as the window does, puts them in the order the window
// first shows, and prints them tab-separated on standard output.
class ListPrinter
{
public:
    ListPrinter(const clsMeter &meter, qint32 DataType);
    ~ListPrinter();
    ListPrinter(const ListPrinter &) = delete;
    ListPrinter &operator=(const ListPrinter &) = delete;

    bool Printed() const { return m_printed; }

private:
    qint32 m_type;
    bool m_printed = false;
};

// The headings line, then one line per row; cells separated by tabs.
QString ListText(const clsListModel &model);

} // namespace cli
