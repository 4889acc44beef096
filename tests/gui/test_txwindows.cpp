// The Tx list window and the Tx editor against the demo meter: what is sent
// for deletes, adds and edits, the refusals, and closing when the meter goes.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modDownload.h"
#include "app/modListWindowsGui.h"
#include "app/modWin.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "tx/clsTx.h"
#include "tx/frmTx.h"
#include "tx/frmTxEdit.h"
#include "tx/modTxOps.h"
#include "usb/clsUsbHid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <functional>

namespace {

const QString kFiveEntries = QStringLiteral("tx 1,12,\"K12\",700,1,2,3,\"AM\"\n"
                                            "tx 2,12345,\"BIG\",900,1,2,3,\"AM\"\n"
                                            "tx 3,-3,\"NEG\",800,1,2,3,\"AM\"\n"
                                            "tx 4,4,\"K4\",600,1,2,3,\"AM\"\n"
                                            "tx 5,5,\"K5\",500,1,2,3,\"AM\"\n");

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class TxWindowTest : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        main = new QWidget;
        main->resize(640, 300);
        main->show();
        gApp->MainForm = main;
    }
    void TearDown() override
    {
        whileBoxOpen = nullptr;
        delete form.data();
        gApp->MainForm = nullptr;
        delete main;
        MeterTest::TearDown();
    }

    // A connected meter from the scenario and the list window filled from it, shown.
    frmTx *Open(const QString &scenario)
    {
        meter = AddMeter(scenario);
        EXPECT_TRUE(ConnectMeter());
        QStringList lines;
        EXPECT_EQ(ReadTxLines(lines), 0);
        form = new frmTx(main);
        for (const QString &line : std::as_const(lines))
            form->lsvDataAdd(line);
        form->show();
        sent = meter->commands.size();
        return form;
    }
    QStringList Sent() const { return meter->commands.mid(sent); }
    QStringList Boxes() const
    {
        QStringList b;
        for (const ShownBox &s : boxes)
            b << s.title + '|' + s.prompt;
        return b;
    }
    clsListModel &Rows() const { return *form->Rows(); }
    int RowOf(qint32 station) const
    {
        for (int i = 0; i < Rows().Count(); ++i)
            if (Rows().UserValue(i).toInt() == station)
                return i;
        return -1;
    }
    void Select(QList<int> rows)
    {
        SelectNoItems(form->lsvData);
        for (int r : rows)
            form->lsvData->selectionModel()->select(Rows().index(r, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!rows.isEmpty())
            form->lsvData->selectionModel()->setCurrentIndex(Rows().index(rows.last(), 0), QItemSelectionModel::NoUpdate);
        form->UpdateButtons();
    }
    // Runs `f` on the (modal) editor once it is open.
    void OnEditor(std::function<void(frmTxEdit &)> f)
    {
        editorSeen = false;
        QTimer::singleShot(0, form, [this, f] {
            frmTxEdit *e = form->Editor();
            editorSeen = e != nullptr;
            if (e)
                f(*e);
        });
    }
    void Unplug()
    {
        platform.Plug(meter, false);
        Tick();
    }
    static void Activate(QWidget &w)
    {
        w.activateWindow();
        QApplication::setActiveWindow(&w);
        Wait(20);
    }

    QWidget *main = nullptr;
    QPointer<frmTx> form;
    DemoMeter *meter = nullptr;
    qsizetype sent = 0;
    bool editorSeen = false;
};

} // namespace

TEST_F(TxWindowTest, OneEntryCannotBeDeleted)
{
    Open("generate-tx 1");
    EXPECT_FALSE(form->cmdDelete->isEnabled());
    EXPECT_FALSE(form->mnuTxDelete->isEnabled()); // no row under the mouse yet
    form->DeleteSelected();                        // as from the menu
    EXPECT_EQ(Boxes(), QStringList{"Can't Delete Last Tx|There must be at least one record."});
    EXPECT_EQ(boxes.value(0).buttons, int(vb::Information));
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(TxWindowTest, AllSelectedCannotBeDeleted)
{
    Open("generate-tx 3");
    EXPECT_TRUE(form->cmdDelete->isEnabled());
    SelectAllItems(form->lsvData);
    form->DeleteSelected();
    EXPECT_EQ(Boxes(), QStringList{"Can't Delete Last Tx|There must be at least one Tx remaining in the list.\r\n"
                                   "Please unselect at least one Tx."});
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows().Count(), 3);
}

TEST_F(TxWindowTest, ThreeOfFiveDeletedBottomUpByFullStationId)
{
    Open(kFiveEntries);
    EXPECT_EQ(form->windowTitle(), "Tx Data");
    EXPECT_EQ(Rows().columnCount(), 8);
    // Shown by descending frequency: BIG 900, NEG 800, K12 700, K4 600, K5 500.
    ASSERT_EQ(Rows().Count(), 5);
    EXPECT_EQ(Rows().Text(0, 0), "BIG");
    EXPECT_EQ(Rows().Text(2, 1), "  700");
    EXPECT_TRUE(Rows().Key(2).endsWith("0012"));
    EXPECT_EQ(SelectedRows(form->lsvData), QList<int>{0});
    EXPECT_EQ(form->lblRecords->text(), "Remaining free records:\n95 out of 100");

    Select({0, 2, 4});
    answers = {vb::Yes};
    form->DeleteSelected();
    EXPECT_EQ(Boxes(), QStringList{"Delete Records?|Are you sure that you want to delete these records? \r\n(No undo possible)"});
    EXPECT_EQ(boxes.value(0).buttons, vb::YesNo | vb::Exclamation | vb::DefaultButton2);
    EXPECT_EQ(Sent(), (QStringList{"V,5", "V,12", "V,12345", "S"}));
    ASSERT_EQ(Rows().Count(), 2);
    EXPECT_EQ(Rows().Text(0, 0) + Rows().Text(1, 0), "NEGK4");
    EXPECT_EQ(meter->tx.size(), 2);
    EXPECT_EQ(form->lblRecords->text(), "Remaining free records:\n98 out of 100");
    EXPECT_TRUE(form->cmdCancel->isEnabled());
    EXPECT_TRUE(form->cmdDelete->isEnabled());
}

TEST_F(TxWindowTest, DeleteNotAnsweredYesSendsNothing)
{
    Open(kFiveEntries);
    Select({1});
    form->DeleteSelected(); // the default answer is No
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows().Count(), 5);
}

TEST_F(TxWindowTest, AddWhenFull)
{
    Open("tx-capacity 2\ngenerate-tx 2");
    EXPECT_FALSE(form->cmdNewTx->isEnabled());
    EXPECT_FALSE(form->mnuTxNew->isEnabled());
    form->AddNewTx(); // reached anyway, as by a double-click off the rows
    EXPECT_EQ(Boxes(), QStringList{"ZT6200 Dataclave|No more Tx slots available"});
    EXPECT_EQ(boxes.value(0).buttons, int(vb::OKOnly));
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(TxWindowTest, AddAndEditSendTheFirmwaresLines)
{
    struct Case { const char *firmware; int fields; };
    for (const Case c : {Case{"2.2.15", 7}, Case{"2.3.1", 8}}) {
        SCOPED_TRACE(c.firmware);
        if (meter)
            platform.Plug(meter, false), Tick();
        delete form.data();
        Open(QStringLiteral("firmware %1\ngenerate-tx 3").arg(c.firmware));
        const bool v23 = c.fields == 8;
        EXPECT_EQ(Rows().columnCount(), c.fields);
        EXPECT_TRUE(form->cmdNewTx->isVisible());
        EXPECT_EQ(Rows().SortOrder(), 1);

        // Add: a new entry at 12 30' S, 880 kHz.
        OnEditor([&](frmTxEdit &e) {
            EXPECT_EQ(e.windowTitle(), "Add a New Tx");
            EXPECT_EQ(e.cboModulation->isVisible(), v23);
            if (!v23)
                EXPECT_EQ(e.height(), TwipsToPixels(3200, 1));
            EXPECT_EQ(e.txtCallSite->text(), "--------");
            e.txtCallSite->setText("NEW1");
            e.txtFreq->setText("880");
            e.txtLatitude[0]->setText("12");
            e.txtLatitude[1]->setText("30");
            e.updLatitude->cmdUp->click(); // S, though a zero latitude still reads N
            EXPECT_EQ(e.txtLatitude[3]->text(), "N");
            e.cboModulation->setCurrentIndex(2);
            e.cmdButton[0]->click();
        });
        form->AddNewTx();
        EXPECT_TRUE(editorSeen);
        QString line = "U,0,0,\"NEW1\",880,-12.500000,0.00000,0.00000";
        if (v23)
            line += ",\"DRM5\"";
        ASSERT_FALSE(Sent().isEmpty());
        EXPECT_EQ(Sent().first(), line);
        // Read back: the new row carries the id the meter gave it, and is selected.
        EXPECT_TRUE(Sent().contains("T,3,1"));
        ASSERT_EQ(Rows().Count(), 4);
        const int added = RowOf(4);
        ASSERT_GE(added, 0);
        EXPECT_EQ(Rows().Text(added, 0), "NEW1");
        EXPECT_EQ(SelectedRows(form->lsvData), QList<int>{added});
        EXPECT_EQ(Rows().SortOrder(), 0); // back from the editor: frequency, the other way round
        EXPECT_EQ(form->lblRecords->text(), "Remaining free records:\n96 out of 100");

        // Edit: station 2 to 990 kHz.
        Select({RowOf(2)});
        EXPECT_TRUE(form->cmdEditTx->isEnabled());
        sent = meter->commands.size();
        OnEditor([&](frmTxEdit &e) {
            EXPECT_EQ(e.windowTitle(), "Tx Record");
            EXPECT_EQ(e.txtFreq->text(), "550");
            e.txtFreq->setText("990");
            e.cmdButton[0]->click();
        });
        form->EditSelectedTx();
        line = "X,2,2,\"TX0002\",990,30.200000,-70.20000,-8.00000";
        if (v23)
            line += ",\"DRM5\"";
        EXPECT_EQ(Sent(), QStringList{line});
        EXPECT_EQ(Rows().Text(RowOf(2), 1), "  990");
        EXPECT_EQ(SelectedRows(form->lsvData), QList<int>{RowOf(2)});

        // Nothing changed: nothing sent.
        sent = meter->commands.size();
        OnEditor([](frmTxEdit &e) { e.cmdButton[0]->click(); });
        form->EditSelectedTx();
        OnEditor([](frmTxEdit &e) { e.cmdButton[1]->click(); });
        form->AddNewTx();
        EXPECT_TRUE(Sent().isEmpty());
        EXPECT_TRUE(boxes.isEmpty());
    }
}

TEST_F(TxWindowTest, OlderFirmwareViewsAndDeletesOnly)
{
    Open("firmware\ngenerate-tx 3"); // the meter gives no version
    EXPECT_FALSE(form->cmdNewTx->isVisible());
    EXPECT_FALSE(form->cmdEditTx->isVisible());
    EXPECT_FALSE(form->mnuTxNew->isVisible());
    Select({0});
    form->EditSelectedTx();
    form->AddNewTx();
    EXPECT_EQ(form->Editor(), nullptr);
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(TxWindowTest, RefusedAddAndEditChangeNothing)
{
    Open("generate-tx 3");
    // The meter fills up after the list was read: the add is refused.
    meter->txCapacity = 3;
    OnEditor([](frmTxEdit &e) {
        e.txtCallSite->setText("FULL");
        e.cmdButton[0]->click();
    });
    form->AddNewTx();
    EXPECT_TRUE(Sent().value(0).startsWith("U,0,0,\"FULL\""));
    EXPECT_EQ(Boxes(), QStringList{"Tx Not Added|The ZT 6200 did not accept the new Tx.\r\nIt was not added."});
    EXPECT_EQ(Rows().Count(), 3);
    EXPECT_EQ(meter->tx.size(), 3);

    // A replace the meter answers with an error: the row keeps its values.
    meter->replyOverride = [](const QString &command, QList<QByteArray> &reports) {
        if (!command.startsWith("X,"))
            return false;
        reports = DemoMeter::FrameReply("ERROR\n", 65);
        return true;
    };
    boxes.clear();
    const int row = RowOf(1);
    const QString before = Rows().Row(row).cells.join('|');
    Select({row});
    OnEditor([](frmTxEdit &e) {
        e.txtFreq->setText("1111");
        e.cmdButton[0]->click();
    });
    form->EditSelectedTx();
    EXPECT_EQ(Boxes(), QStringList{"Tx Not Changed|The ZT 6200 did not accept the changes to the Tx.\r\n"
                                   "The Tx keeps its earlier values."});
    EXPECT_EQ(Rows().Row(RowOf(1)).cells.join('|'), before);
    const QString key = Rows().Key(RowOf(1));
    for (const auto &t : gTxArray)
        if (t->szListKey == key)
            EXPECT_EQ(t->wFrequency, 540);
}

TEST_F(TxWindowTest, OverLongLineIsRefusedBeforeSending)
{
    Open("tx 5,1234,\"ABCDEFG\",1230,45.504306,-118.25000,-14.50000,\"DRM4.5\"\ngenerate-tx 1");
    Select({RowOf(1234)});
    OnEditor([](frmTxEdit &e) {
        e.txtCallSite->setText("ABCDEFGH"); // one more character: 62 in all
        e.cmdButton[0]->click();
    });
    form->EditSelectedTx();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, "Tx Line Too Long");
    EXPECT_TRUE(boxes[0].prompt.contains("62 characters")) << qPrintable(boxes[0].prompt);
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows().Text(RowOf(1234), 0), "ABCDEFG");
}

TEST_F(TxWindowTest, EditorChecksOnLeavingAField)
{
    Open("generate-tx 2");
    Select({0});
    QList<QWidget *> focusDuringBox;
    OnEditor([&](frmTxEdit &e) {
        Activate(e);
        e.txtFreq->setFocus();
        Wait(10);
        ASSERT_EQ(QApplication::focusWidget(), e.txtFreq);

        // Leaving a bad field: one message, the focus back in the field with
        // its text selected. The box takes the focus while it is open, as a
        // real one does; that must not run the check again.
        whileBoxOpen = [&] {
            QLineEdit other;
            other.show();
            Activate(other);
            other.setFocus();
            Wait(10);
            focusDuringBox << QApplication::focusWidget();
        };
        e.txtFreq->setText(" 12.5 ");
        e.txtLatitude[0]->setFocus();
        Wait(50);
        EXPECT_EQ(Boxes(), QStringList{"Illegal Value|Frequency cannot have decimal points or commas."});
        Activate(e);
        EXPECT_EQ(QApplication::focusWidget(), e.txtFreq);
        EXPECT_EQ(e.txtFreq->text(), "12.5");
        EXPECT_EQ(e.txtFreq->selectedText(), "12.5");
        whileBoxOpen = nullptr;

        // A good value passes; Enter moves on like Tab.
        e.txtFreq->setText("1230");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(e.txtFreq, &enter);
        Wait(20);
        EXPECT_EQ(QApplication::focusWidget(), e.txtLatitude[0]);
        EXPECT_EQ(boxes.size(), 1);

        // Coordinate boxes: 91 degrees fail; hemisphere letters normalise.
        e.txtLatitude[0]->setText("91");
        QApplication::sendEvent(e.txtLatitude[0], &enter);
        Wait(20);
        EXPECT_EQ(boxes.value(1).prompt, "Degrees must be between 0 and 90");
        EXPECT_EQ(QApplication::focusWidget(), e.txtLatitude[0]);
        e.txtLatitude[0]->setText("45");
        e.txtLongitude[3]->setFocus();
        Wait(20);
        EXPECT_EQ(e.txtLatitude[0]->text(), "45");
        EXPECT_EQ(boxes.size(), 2);
        e.txtLongitude[3]->setText("e");
        e.txtVariation[0]->setFocus();
        Wait(20);
        EXPECT_EQ(e.txtLongitude[3]->text(), "E");
        EXPECT_EQ(e.updLongitude->value(), 0);

        // The up-down wraps around between the two letters.
        e.updLongitude->cmdUp->click();
        EXPECT_EQ(e.txtLongitude[3]->text(), "W");
        e.updLongitude->cmdUp->click();
        EXPECT_EQ(e.txtLongitude[3]->text(), "E");
        e.updLongitude->cmdDown->click();
        EXPECT_EQ(e.txtLongitude[3]->text(), "W");

        // "Cancel" asks; No stays, Yes leaves without a change.
        answers = {vb::No, vb::Yes};
        e.cmdButton[1]->click();
        EXPECT_TRUE(e.isVisible());
        EXPECT_EQ(boxes.value(2).title, "Tx Has Changed");
        EXPECT_EQ(boxes.value(2).buttons, vb::YesNo | vb::DefaultButton2);
        e.cmdButton[1]->click();
    });
    form->EditSelectedTx();
    EXPECT_TRUE(editorSeen);
    for (QWidget *w : std::as_const(focusDuringBox))
        EXPECT_NE(w, nullptr);
    EXPECT_EQ(boxes.size(), 4);
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(TxWindowTest, ListClosesWhenUnplugged)
{
    Open("generate-tx 2");
    EXPECT_TRUE(form->isVisible());
    Wait(600);
    EXPECT_TRUE(form->isVisible());
    Unplug();
    Wait(700); // the 500 ms timer
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->fClosing());
}

TEST_F(TxWindowTest, EditorOpenWhenUnpluggedSendsNothing)
{
    Open("generate-tx 2");
    Select({0});
    OnEditor([this](frmTxEdit &e) {
        e.txtFreq->setText("990");
        e.updLatitude->cmdUp->click(); // already in the entry
        Unplug();
    });
    form->EditSelectedTx(); // returns once the timers have closed the editor
    EXPECT_TRUE(editorSeen);
    EXPECT_EQ(form->Editor(), nullptr);
    Wait(600);
    EXPECT_TRUE(form->fClosing());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(TxWindowTest, SaveAfterUnplugSendsNothing)
{
    Open("generate-tx 2");
    OnEditor([this](frmTxEdit &e) {
        e.txtFreq->setText("990");
        Unplug();
        e.cmdButton[0]->click(); // before the timers notice
    });
    form->AddNewTx();
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows().Count(), 2);
}

TEST_F(TxWindowTest, BoxesOpenWhenUnplugged)
{
    // The delete question.
    Open(kFiveEntries);
    Select({1});
    whileBoxOpen = [this] {
        Unplug();
        Wait(700);
    };
    answers = {vb::Yes};
    form->DeleteSelected();
    EXPECT_TRUE(form->fClosing());
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows().Count(), 5);
}

TEST_F(TxWindowTest, EditorMessageOpenWhenUnplugged)
{
    Open("generate-tx 2");
    Select({0});
    OnEditor([this](frmTxEdit &e) {
        whileBoxOpen = [this] {
            Unplug();
            Wait(700);
        };
        e.txtFreq->setFocus();
        e.txtFreq->setText("abc");
        e.cmdButton[0]->click(); // checks the box with the focus: its message comes next
    });
    form->EditSelectedTx();
    EXPECT_EQ(Boxes(), QStringList{"Illegal Value|Frequency cannot have letters."});
    EXPECT_TRUE(form->fClosing());
    EXPECT_TRUE(Sent().isEmpty());
}

// The road from the main window: the download fills the list and shows it modally.
TEST_F(TxWindowTest, DownloadShowsTheList)
{
    meter = AddMeter(kFiveEntries);
    ASSERT_TRUE(ConnectMeter());
    RegisterListWindows();
    int rows = -1;
    QString title;
    // The user: closes the list as soon as it shows.
    QTimer user;
    QElapsedTimer since;
    since.start();
    QObject::connect(&user, &QTimer::timeout, main, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && since.elapsed() > 5000)
            modal->close(); // never hang the test run
        if (auto *shown = qobject_cast<frmTx *>(modal)) {
            rows = shown->Rows()->Count();
            title = shown->windowTitle();
            shown->cmdCancel->click();
        }
    });
    user.start(5);
    DownloadUi ui;
    bool save = false, fill = true;
    GetAllData(ui, 1, save, fill);
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(title, "Tx Data");
    EXPECT_TRUE(main->findChildren<frmTx *>().isEmpty());
}

// Screenshots of both windows with the demo meter's built-in data, written
// to $DATACLAVE_SCREENSHOTS when it names a folder.
TEST_F(TxWindowTest, Screenshots)
{
    meter = AddMeter(DemoMeter::BuiltIn());
    ASSERT_TRUE(ConnectMeter());
    QStringList lines;
    ASSERT_EQ(ReadTxLines(lines), 0);
    form = new frmTx(main);
    for (const QString &line : std::as_const(lines))
        form->lsvDataAdd(line);
    form->show();
    Wait(100);
    const QString dir = qEnvironmentVariable("DATACLAVE_SCREENSHOTS");
    const QImage list = form->grab().toImage();
    EXPECT_FALSE(list.isNull());
    if (!dir.isEmpty())
        EXPECT_TRUE(list.save(QDir(dir).filePath("tx-list.png")));
    Select({1});
    OnEditor([&](frmTxEdit &e) {
        Wait(100);
        const QImage editor = e.grab().toImage();
        EXPECT_FALSE(editor.isNull());
        if (!dir.isEmpty())
            EXPECT_TRUE(editor.save(QDir(dir).filePath("tx-editor.png")));
        e.cmdButton[1]->click();
    });
    form->EditSelectedTx();
    EXPECT_TRUE(editorSeen);
}
