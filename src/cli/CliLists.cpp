// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliLists.h"
#include "cli/CliTerminal.h"
#include "records/clsVersion.h"
#include "app/globals.h"
#include "app/modDownload.h"
#include "listview/clsListModel.h"
#include "records/clsMeter.h"
#include "saveddata/modSavedRows.h"
#include "tx/clsTx.h"
#include "tx/modTxRows.h"

#include <functional>
#include <memory>

namespace cli {

namespace {

// A cell's tabs and line breaks would break the line layout.
QString Cell(QString text)
{
    for (QChar &ch : text)
        if (ch == QLatin1Char('\t') || ch == QLatin1Char('\r') || ch == QLatin1Char('\n'))
            ch = QLatin1Char(' ');
    return text;
}

class PrintedList : public DownloadTarget
{
public:
    PrintedList(bool *printed, int sortColumn, int sortOrder)
        : m_printed(printed), m_sortColumn(sortColumn), m_sortOrder(sortOrder)
    {
    }
    void ShowModal() override
    {
        model.Sort(m_sortColumn, m_sortOrder);
        WriteOut(ListText(model));
        *m_printed = true;
    }

protected:
    clsListModel model;

private:
    bool *m_printed;
    int m_sortColumn, m_sortOrder;
};

// Saved data: first shown by date, ascending.
class SavedList : public PrintedList
{
public:
    SavedList(bool *printed, const clsMeter &meter) : PrintedList(printed, 0, 0)
    {
        model.SetColumns(SavedListColumns(meter.Fsm().DataHeader(0)));
    }
    void lsvDataAdd(const QString &szString) override
    {
        ListRow row;
        if (SavedRowFromLine(szString, &row))
            model.AddRow(std::move(row));
    }
};

// Tx entries: first shown by frequency, descending.
class TxList : public PrintedList
{
public:
    TxList(bool *printed, const clsMeter &meter) : PrintedList(printed, 1, 1)
    {
        m_columns = meter.Fsm().TxFields();
        model.SetColumns(TxListColumns(m_columns));
    }
    void lsvDataAdd(const QString &szString) override
    {
        // Each line passes through the current Tx into an entry of its own.
        if (gTx->UsbReceive(szString) != OpStatus::Ok)
            return;
        gTxArray.push_back(std::make_unique<clsTx>());
        clsTx &entry = *gTxArray.back();
        gTx->Copy(entry);
        model.AddRow(TxRow(entry, m_columns));
    }

private:
    int m_columns = 7;
};

} // namespace

DownloadTargetFactory ListPrinter::Factory()
{
    bool *printed = &m_printed;
    const qint32 type = m_type;
    const clsMeter *m = m_meter;
    return [type, printed, m]() -> std::unique_ptr<DownloadTarget> {
        if (type == 0)
            return std::make_unique<SavedList>(printed, *m);
        return std::make_unique<TxList>(printed, *m);
    };
}

QString ListText(const clsListModel &model)
{
    QStringList line;
    for (const ListColumn &c : model.Columns())
        line << Cell(c.heading);
    QString text = line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r = 0; r < model.Count(); ++r) {
        line.clear();
        for (int c = 0; c < model.Columns().size(); ++c)
            line << Cell(model.Text(r, c));
        text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

} // namespace cli
