// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting saved records in the saved-data window: ROWS + 1 records listed,
// every row but the first selected and deleted, one "F" command each, on
// the demo meter. Compared with the very same commands sent alone: the
// window's own share is what the list costs on top (goal: at most half
// as much again).
//
// bench_delete [ROWS]
#include "BenchSupport.h"
#include "common/clsOperation.h"
#include "listview/modLV.h"
#include "protocol/modFSMComm.h"
#include "records/clsMeter.h"
#include "saveddata/frmDeleteData.h"

#include <QItemSelectionModel>
#include <QTreeView>

int main(int argc, char *argv[])
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 3000;
    DemoHidPlatform platform;
    DemoMeter *meter = platform.AddMeter(
        DemoMeter::FromScenario(QStringLiteral("firmware 2.3.1\ngenerate-saved %1").arg(n + 1), nullptr));
    BenchProgram program(&platform);
    SetMsgBoxHandler([](const QString &, int buttons, const QString &) {
        return (buttons & 7) == vb::YesNo ? int(vb::Yes) : DefaultAnswer(buttons);
    });
    if (!BenchProgram::WaitForMeter())
        qFatal("the demo meter was not found");
    const QStringList lines = meter->Scenario().saved;
    QStringList ids; // each record's Rec ID
    for (const QString &line : lines)
        ids << line.section(QLatin1Char(','), 1, 1);

    // The commands alone, in the order the window sends them (last row first).
    const double alone = BestSeconds(3, [&] {
        meter->Scenario().saved = lines;
        for (int i = int(ids.size()) - 1; i >= 1; --i)
            gMeter->DeleteRecord(0, ids[i].toInt());
    });

    int left = -1;
    const double window = BestSeconds(3, [&] {
        meter->Scenario().saved = lines;
        frmDeleteData f;
        for (const QString &line : lines)
            f.lsvDataAdd(line);
        f.show();
        while (OperationRunning()) // the free-record count read as it opens
            QCoreApplication::processEvents();
        // Sorted by date as it opens; the first row stays.
        QAbstractItemModel *m = f.findChild<QTreeView *>(QStringLiteral("lsvData"))->model();
        f.findChild<QTreeView *>(QStringLiteral("lsvData"))->selectionModel()->select(QItemSelection(m->index(1, 0), m->index(m->rowCount() - 1, 0)),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        f.DeleteSelected();
        while (OperationRunning()) // one delete per pass of the message loop
            QCoreApplication::processEvents();
        left = f.Rows()->Count();
    });
    if (left != 1)
        qFatal("the window left %d rows", left);

    std::printf("Deleting %d of %d saved records (demo meter, platform %s)\n", n, n + 1,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  the \"F\" commands alone              %8.0f ms\n", alone * 1000);
    std::printf("  in the saved-data window            %8.0f ms  (%.2f x)\n", window * 1000, window / alone);
    return 0;
}
