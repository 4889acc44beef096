// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-data list with a full meter (32 767 rows): rows built from the
// record lines and added, the first sort (date, ascending), then a sort by
// each comparison kind, each way. In the list model alone, and in the
// saved-data window (rows through lsvDataAdd, sorts by heading clicks).
//
// bench_list [ROWS]
#include "BenchSupport.h"
#include "listview/clsListModel.h"
#include "listview/modLVSort.h"
#include "saveddata/frmDeleteData.h"
#include "saveddata/modSavedRows.h"

#include <QHeaderView>
#include <QTreeView>

namespace {

struct Kind
{
    const char *name;
    int column;
};
const Kind kKinds[] = {
    {"date (Date)", 0}, {"time (Time)", 1}, {"point number (Number)", 2},
    {"latitude DMS (PaddedText)", 5}, {"note (Text)", 14},
};

void ModelAlone(const QStringList &lines, const QStringList &names)
{
    clsListModel model;
    QElapsedTimer t;
    t.start();
    model.SetColumns(SavedListColumns(names));
    std::vector<ListRow> rows;
    rows.reserve(size_t(lines.size()));
    for (const QString &line : lines) {
        ListRow r;
        if (SavedRowFromLine(line, &r))
            rows.push_back(std::move(r));
    }
    model.AddRows(std::move(rows));
    const double fill = t.nsecsElapsed() / 1e6;
    model.Sort(0, 0);
    const double both = t.nsecsElapsed() / 1e6;
    std::printf("List model alone: %d rows\n", model.Count());
    std::printf("  fill (rows from record lines)             %8.1f ms\n", fill);
    std::printf("  fill + first sort (date, ascending)       %8.1f ms\n", both);
    for (const Kind &k : kKinds) {
        for (int order : {0, 1}) {
            t.start();
            model.Sort(k.column, order);
            std::printf("  sort by %-28s %-4s  %8.1f ms\n", k.name, order ? "desc" : "asc", t.nsecsElapsed() / 1e6);
        }
    }
}

void Window(const QStringList &lines)
{
    frmDeleteData f;
    QElapsedTimer t;
    t.start();
    for (const QString &line : lines)
        f.lsvDataAdd(line);
    const double fill = t.nsecsElapsed() / 1e6;
    f.show(); // the first sort comes with the first showing
    QCoreApplication::processEvents();
    const double both = t.nsecsElapsed() / 1e6;
    std::printf("Saved-data window (frmDeleteData, shown): %d rows\n", f.Rows()->Count());
    std::printf("  lsvDataAdd of every line                  %8.1f ms\n", fill);
    std::printf("  ... + show with the first sort            %8.1f ms\n", both);
    for (const Kind &k : kKinds) {
        for (int click : {0, 1}) {
            t.start();
            emit f.findChild<QTreeView *>(QStringLiteral("lsvData"))->header()->sectionClicked(k.column);
            QCoreApplication::processEvents();
            std::printf("  heading click %d on %-26s    %8.1f ms\n", click + 1, k.name, t.nsecsElapsed() / 1e6);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 32767;
    DemoHidPlatform platform;
    DemoMeter *meter =
        platform.AddMeter(DemoMeter::FromScenario(QStringLiteral("firmware 2.3.1\ngenerate-saved %1").arg(n), nullptr));
    BenchProgram program(&platform);
    if (!BenchProgram::WaitForMeter())
        qFatal("the demo meter was not found");
    ModelAlone(meter->Scenario().saved, gFsm->DataHeader(0));
    Window(meter->Scenario().saved);
    return 0;
}
