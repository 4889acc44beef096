// The saved-data list with a full meter (32 767 rows): rows built from the
// record lines and added, the first sort (date, ascending), then a sort by
// each comparison kind, each way. Once in the model alone, once with the
// model shown in a table view (the cost of telling a view).
//
// bench_list [ROWS]
#include "BenchSupport.h"
#include "listview/clsListModel.h"
#include "listview/modLVSort.h"
#include "saveddata/modSavedRows.h"

#include <QTableView>

namespace {

void Measure(const QStringList &lines, const QStringList &names, bool withView)
{
    clsListModel model;
    QTableView view;
    if (withView) {
        view.setModel(&model);
        view.resize(1000, 600);
        view.show();
    }
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
    QCoreApplication::processEvents();
    const double fill = t.nsecsElapsed() / 1e6;
    model.Sort(0, 0);
    QCoreApplication::processEvents();
    const double both = t.nsecsElapsed() / 1e6;
    std::printf("%s: %d rows\n", withView ? "Model shown in a table view" : "Model alone", model.Count());
    std::printf("  fill (rows from record lines)             %8.1f ms\n", fill);
    std::printf("  fill + first sort (date, ascending)       %8.1f ms\n", both);

    struct Kind { const char *name; int column; } kinds[] = {
        {"date (Date)", 0}, {"time (Time)", 1}, {"point number (Number)", 2},
        {"latitude DMS (PaddedText)", 5}, {"note (Text)", 14},
    };
    for (const Kind &k : kinds) {
        for (int order : {0, 1}) {
            t.start();
            model.Sort(k.column, order);
            QCoreApplication::processEvents();
            std::printf("  sort by %-28s %-4s  %8.1f ms\n", k.name, order ? "desc" : "asc", t.nsecsElapsed() / 1e6);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 32767;
    auto meter = DemoMeter::FromScenario(QStringLiteral("firmware 2.3.1\ngenerate-saved %1").arg(n), nullptr);
    clsFsm names;
    names.Version->setvalue(4);
    Measure(meter->saved, names.DataHeader(), false);
    Measure(meter->saved, names.DataHeader(), true);
    return 0;
}
