// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixture's window parts shared by the window tests: the two list
// windows over a demo meter.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "records/clsFsm.h"
#include "records/clsMeter.h"
#include "saveddata/frmDeleteData.h"
#include "tx/frmTx.h"
#include "tx/frmTxEdit.h"
#include "tx/modTxOps.h"
#include "usb/clsUsbHid.h"

#include <QTest>
#include <QtWidgets>
#include <type_traits>

// Five Tx entries, listed by descending frequency as BIG, NEG, K12, K4, K5.
const QString kFiveTx = QStringLiteral("tx 1,12,\"K12\",700,1,2,3,\"AM\"\n"
                                       "tx 2,12345,\"BIG\",900,1,2,3,\"AM\"\n"
                                       "tx 3,-3,\"NEG\",800,1,2,3,\"AM\"\n"
                                       "tx 4,4,\"K4\",600,1,2,3,\"AM\"\n"
                                       "tx 5,5,\"K5\",500,1,2,3,\"AM\"\n");

// Runs the message loop until no operation runs; fails after `ms`.
inline void Settle(int ms = 10000)
{
    EXPECT_TRUE(QTest::qWaitFor([] { return !OperationRunning(); }, ms)) << "the operation had not ended after " << ms << " ms";
}

// A new Tx entry (`add`) or the selected one changed in the editor: call
// sign `callSign`, 880 kHz, saved.
inline void EditTx(frmTx &f, const QString &callSign, bool add)
{
    QTimer::singleShot(0, &f, [&f, callSign] {
        if (frmTxEdit *e = f.Editor())
            Named<QLineEdit>(e, "txtCallSite")->setText(callSign), Named<QLineEdit>(e, "txtFreq")->setText("880"),
                Named<QPushButton>(e, "cmdButton_0")->click();
    });
    add ? f.AddNewTx() : f.EditSelectedTx();
}

// The titles of `boxes`, in order.
inline QStringList Titles(const QList<ShownBox> &boxes)
{
    QStringList t;
    for (const ShownBox &b : boxes)
        t << b.title;
    return t;
}

// The saved-data window (frmDeleteData) or the Tx window (frmTx), filled
// from a demo meter and shown over a stand-in main window.
template <class Form>
class ListWindowTest : public MeterTest
{
protected:
    static constexpr bool kTx = std::is_same_v<Form, frmTx>;

    void SetUp() override
    {
        MeterTest::SetUp();
        main = new QWidget;
        main->resize(640, 300);
        main->show();
        gApp->setMainForm(main);
    }
    void TearDown() override
    {
        whileBoxOpen = nullptr;
        delete form.data();
        gApp->setMainForm(nullptr);
        delete main;
        MeterTest::TearDown();
    }

    // A connected meter from `scenario` (holding `saved` as its saved
    // records, when given) and the window filled from it, shown; any
    // earlier meter and window are gone.
    Form *Open(const QString &scenario, const QStringList &saved = {})
    {
        delete form.data();
        whileBoxOpen = nullptr;
        std::unique_ptr<DemoMeter> m = Scenario(scenario);
        if (!saved.isEmpty())
            m->Scenario().saved = saved;
        meter = ReplaceMeter(std::move(m));
        QStringList lines = meter->Scenario().saved;
        if constexpr (kTx)
            EXPECT_EQ(ReadTxLines(*gMeter, lines), 0);
        form = new Form(main);
        for (const QString &line : std::as_const(lines))
            form->lsvDataAdd(line);
        form->show();
        Settle(); // the count
        boxes.clear();
        sent = meter->Commands().size();
        return form;
    }
    // The commands sent since Open (or since `sent` was set) matching `pattern`.
    QStringList Sent(const char *pattern = "") const { return meter->Commands().mid(sent).filter(QRegularExpression(pattern)); }
    clsListModel &Rows() const { return *form->Rows(); }
    QTreeView *List() const { return Named<QTreeView>(form, "lsvData"); }
    QPushButton *Button(const char *name) const { return Named<QPushButton>(form, name); }
    QString Remaining(int free) const
    {
        return QStringLiteral("Remaining free records:%1%2 out of 100").arg(kTx ? "\n" : "\r\n").arg(free);
    }
    const QStringList &Store() const { return kTx ? meter->Scenario().tx : meter->Scenario().saved; }
    // The listed ids, sorted, and those the meter holds, sorted.
    std::pair<QStringList, QStringList> ListedAndHeld() const
    {
        QStringList listed = ListedIds(Rows()), held = LineIds(Store());
        listed.sort(), held.sort();
        return {listed, held};
    }
    QStringList SelectedIds() const
    {
        QStringList ids;
        for (int row : SelectedRows(List()))
            ids << ListedIds(Rows()).at(row);
        return ids;
    }
    int RowOf(qint32 id) const { return int(ListedIds(Rows()).indexOf(QString::number(id))); }
    void Select(const QList<int> &rows) { SelectRows(List(), rows), form->UpdateButtons(); }

    QWidget *main = nullptr;
    QPointer<Form> form;
    DemoMeter *meter = nullptr;
    qsizetype sent = 0;
};

// What the link and a failed read tell the user.
const QString kLost = QStringLiteral("ZT 6200 was disconnected. Please reconnect it.");
const QString kAbsent = QStringLiteral("ZT 6200 is not connected. Please connect it with the USB cable");
const QString kReadFailure = QStringLiteral("There is a problem with reading the data\r\n(either USB connection or data problems)");

// The fault matrices: a main window over a connected meter from a scenario,
// saving to out.csv in a folder of the test's own.
class FaultMatrixTest : public MainWindowTest
{
protected:
    void Connect(const QString &scenario)
    {
        saveAs = dir.filePath("out.csv");
        meter = AddMeter(scenario);
        stores = {meter->Scenario().saved, meter->Scenario().tx};
        ASSERT_TRUE(ConnectMeter());
    }
    // The meter back as it was (faults cleared, its records restored),
    // plugged in afresh: the link finds it and asks for its version.
    void MeterReturns()
    {
        DemoScenario &s = meter->Scenario();
        s.unplugAfterReports = s.stallAfterReports = -1, s.replyOverride = nullptr, s.saved = stores.first, s.tx = stores.second;
        for (bool in : {false, true})
            platform.Plug(meter, in), Tick();
        EXPECT_TRUE(gUsbHid->fDeviceConnected());
        EXPECT_EQ(gFsm->Version()->value(), 4); // firmware 2.3.1
    }

    DemoMeter *meter = nullptr;
    QTemporaryDir dir;
    std::pair<QStringList, QStringList> stores; // saved records and Tx entries
};
