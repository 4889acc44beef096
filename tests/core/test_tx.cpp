// SPDX-License-Identifier: GPL-3.0-or-later
// Tx entries: coordinates and their texts, the editor's field checks, and
// the entry's lines to and from the meter.
#include "TestSupport.h"
#include "app/modTxWords.h"
#include "records/clsMeter.h"
#include "tx/clsCoordinate.h"
#include "tx/clsTx.h"
#include "tx/modCoordinates.h"
#include "tx/modTxChecks.h"
#include "tx/modTxOps.h"

#include <cmath>
#include <functional>
#include <tuple>

namespace {
const QString kCallSiteMessage =
    QStringLiteral("The Call-Site text is invalid.\r\nMust be 1 to 8 letters, numbers, space, _ ,or \u2013");
// The words the program shows for what a check found.
QString Said(const TxFieldCheck &found)
{
    InstallTxWords();
    return TxFieldCheckMessage(found).szMessage;
}
// Texts below write the degree sign as '@' for readability.
QString T(const char *s) { return QString::fromUtf8(s).replace(QLatin1Char('@'), QChar(0x00B0)); }
QString Line(const clsTx &tx, int fields = 8)
{
    QString s;
    tx.UsbSend(s, qint16(fields));
    return s;
}
} // namespace

TEST(Coordinate, TextForms)
{
    struct Case { int type; double value; int options; const char *text; int hemisphere; };
    const Case cases[] = {
        {1, 45.504306, 6, "45@ 30' 15.5\"N", 0}, {1, 0, 6, "0@ 00' 00.0\"N", 0}, {2, 0, 6, "0@ 00' 00.0\"W", 1},
        {1, 10.99999, 6, "11@ 00' 00.0\"N", 0},     // rounds up into the next degree
        {1, -33.5, 6, "33@ 30' 00.0\"S", 1}, {2, -118.25, 6, "118@ 15' 00.0\"W", 1}, {1, 5.5, 38, "05@ 30' 00.0\"N", 0},
        {2, 5.5, 38, "005@ 30' 00.0\"E", 0},        // leading zeros, three digits
        {2, 0.00002, 6, "0@ 00' 00.1\"E", 0},       // shown as 00.1: keeps its side
        {2, 0.00001, 6, "0@ 00' 00.0\"W", 1},       // zero on the grid: the zero hemisphere
        {1, 45.504306, 1, "45@ 30' 16\"N", 0},      // whole seconds force minutes
        {1, 45.504306, 4, "45@ 30'16N", 0}, {1, 45.504306, 0, "45@3016N", 0},
        {1, 45.5, 0, "45@30N", 0},                  // zero seconds vanish
        {0, -12.5, 6, "12 30' 00.0\"", 1},          // untyped: bare number, no letter
    };
    for (const Case &c : cases) {
        clsCoordinate co;
        co.setTypeId(c.type);
        ASSERT_TRUE(co.setvalue(c.value));
        EXPECT_EQ(co.szDMS(c.options), T(c.text)) << c.value << " " << c.options;
        EXPECT_EQ(co.Hemisphere(), c.hemisphere) << c.value;
        EXPECT_EQ(co.value(), c.value); // never rounded
    }
}

// Split into fields, then rebuilt from them as the editor does.
TEST(Coordinate, GridRoundTrip)
{
    for (int type = 1; type <= 3; ++type)
        for (qint64 n = 0; n <= 180 * 36000; n += 7919)
            for (int sign : {1, -1}) {
                const double v = sign * double(n) / 36000.0;
                clsCoordinate a, b;
                a.setTypeId(type), b.setTypeId(type);
                ASSERT_TRUE(a.setvalue(v));
                EXPECT_EQ(std::make_tuple(a.Degrees(), a.Minutes(), a.Seconds()),
                          std::make_tuple(qint16(n / 36000), qint16((n / 600) % 60), float((n % 600) / 10.0)));
                b.setDegrees(a.Degrees()), b.setMinutes(a.Minutes()), b.setSeconds(a.Seconds());
                b.setHemisphere(a.Hemisphere());
                EXPECT_NEAR(b.value(), n == 0 ? 0.0 : v, 1e-9) << n;
            }
}

// What the editor (and the command line, and a restore) sends for a value
// typed near a whole degree or zero: its grid value, on its own side.
TEST(Coordinate, SideKeptAcrossZero)
{
    struct Case { double value; const char *lat; const char *lon; };
    const Case cases[] = {
        {0.00001, "0.000000", "0.00000"}, {0.00002, "0.000028", "0.00003"}, {0.00003, "0.000028", "0.00003"},
        {0.00004, "0.000028", "0.00003"},  {0.00005, "0.000056", "0.00006"}, {0.5, "0.500000", "0.50000"},
        {1, "1.000000", "1.00000"},
    };
    for (const Case &c : cases)
        for (const int sign : {1, -1}) {
            SCOPED_TRACE(sign * c.value);
            clsTx tx;
            for (clsCoordinate *co : {&tx.Latitude(), &tx.Longitude()}) {
                clsCoordinate typed; // the boxes as the editor fills them
                typed.setTypeId(co->TypeId());
                ASSERT_TRUE(typed.setvalue(sign * c.value));
                QString boxes[] = {QString::number(typed.Degrees()), QString::number(typed.Minutes()), typed.szSeconds(2), typed.szHemisphere()};
                for (int box = 0; box < 4; ++box)
                    EXPECT_TRUE(ValidateDMS(*co, box, boxes[box], nullptr, NumberForm::Plain).ok()) << box;
            }
            // The same on the southern and western side; zero has no sign.
            const QString minus = sign < 0 && QByteArray(c.lat).toDouble() != 0 ? "-" : "";
            EXPECT_EQ(Line(tx, 7).split(',').mid(4, 2), (QStringList{minus + c.lat, minus + c.lon}));
        }
}

TEST(FormatDMS, Table)
{
    struct Case { const char *value; int options; const char *text; };
    const Case cases[] = {
        {"45.504306", 18, "45@ 30' 15.5\"N"}, {"-118.25", 2, "118@ 15' 00.0\"W"},
        {"0.00002", 2, "0@ 00' 00.1\"E"}, {"-0.00002", 18, "0@ 00' 00.1\"S"}, // 00.1 keeps its side
        {"0.000013", 2, "0@ 00' 00.0\"W"}, {"-0.000013", 18, "0@ 00' 00.0\"N"},  // zero on the grid
        {"0.00003", 2, "0@ 00' 00.1\"E"}, {"5.25", 50, "05@ 15' 00.0\"N"}, {"5.25", 34, "005@ 15' 00.0\"E"},
        {"", 18, ""}, {"---------", 2, "---------"}, {"-2.250", 2, "2@ 15' 00.0\"W"}, {"1.125", 18, "1@ 07' 30.0\"N"},
        {"40000", 2, "40000"}, {"32767.99999", 2, "32767.99999"}, {"-32768", 2, "-32768"}, // too large to split
        {"32767.5", 2, "32767@ 30' 00.0\"E"},
        {"1,125", 18, "1,125"},                                     // not the meter's form
    };
    UnderEachSettings([&] {
        for (const Case &c : cases)
            EXPECT_EQ(FormatDMS(QString::fromUtf8(c.value), c.options), T(c.text)) << c.value;
    });
    EXPECT_EQ(FormatDMS(double(NAN), 2) + FormatDMS(double(INFINITY), 2), QStringLiteral("naninf"));
}

TEST(TxChecks, CallSign)
{
    struct Case { QString typed; bool ok; QString shown; };
    const Case cases[] = {
        {"abc-1", true, "ABC-1"}, {"ABCDEFGH   ", true, "ABCDEFGH"}, // trailing blanks go
        {" AB", true, " AB"}, {"  ABCDEFG", false, "  ABCDEFG"},      // leading blanks stay, and count: 9 characters
        {"ABCDEFGHI", false, "ABCDEFGHI"}, {"ab.c", false, "AB.C"}, {"", false, ""}, {"caf\u00e9", false, "CAF\u00c9"},
        {"AB\u2013C", false, "AB\u2013C"}, // the en dash of the message is not a hyphen
    };
    for (const Case &c : cases) {
        QString text = c.typed;
        EXPECT_EQ(Said(CheckCallSign(text)), c.ok ? QString() : kCallSiteMessage) << qPrintable(c.typed);
        EXPECT_EQ(text, c.shown) << qPrintable(c.typed);
    }
}

TEST(TxChecks, Frequency)
{
    const QString decimals = "Frequency cannot have decimal points or commas.", letters = "Frequency cannot have letters.",
                  high = "Frequency must be less than or equal to 9999 kHz.",
                  low = "Frequency must be greater than or equal to 0 kHz.";
    struct Case { QString typed; QString message; int value; };
    const Case cases[] = {
        {"0", "", 0}, {"9999", "", 9999}, {" 0042 ", "", 42}, {"12.5", decimals, 0}, {"12a", letters, 0}, {"", letters, 0},
        {"1,000", decimals, 0}, {"1.230", decimals, 0}, // numbers, but with a comma or point
        {"10000", high, 0}, {"-5", low, 0}, {"-5.5", low, 0}, // the last failing test wins
        {"40000", high, 0}, {"-40000", low, 0},               // beyond 16 bits, but still numbers
    };
    // The command line reads the plain form, and shows the same messages.
    UnderEachSettings([&] {
        for (const NumberForm form : {NumberForm::Typed, NumberForm::Plain})
            for (const Case &c : cases) {
                QString text = c.typed;
                qint16 value = -1;
                EXPECT_EQ(Said(CheckFrequency(text, &value, form)), c.message) << qPrintable(c.typed) << int(form);
                EXPECT_EQ(text, c.message.isEmpty() ? QString::number(c.value) : c.typed.trimmed()) << qPrintable(c.typed);
                EXPECT_EQ(value, c.message.isEmpty() ? c.value : -1) << qPrintable(c.typed);
            }
    });
}

TEST(TxChecks, ValidateDMS)
{
    // Each case starts from the coordinate at `start` and checks one box.
    struct Case { int type; double start; int box; QString typed; QString message; QString shown; double value; };
    const QString lat = "The hemisphere must be either N or S", lon = "The hemisphere must be either E or W",
                  d90 = "Degrees must be between 0 and 90", d180 = "Degrees must be between 0 and 180",
                  s59 = "Seconds must be between 0 and 59.9";
    const Case cases[] = {
        {1, 10.5, 0, " 45 ", "", "45", 45.5}, {1, 10, 0, "90", "", "90", 90},
        {1, 10.5, 0, "90", d90, "90", 10.5}, // 90 degrees 30 minutes: past the pole
        {1, 90, 1, "1", d90, "1", 90}, {1, -90, 2, "0.1", d90, "0.1", -90}, {2, -180, 2, "0.1", d180, "0.1", -180},
        {3, 180, 1, "1", d180, "1", 180}, {3, 179.5, 0, "180", d180, "180", 179.5}, {1, 10.5, 0, "91", d90, "91", 10.5},
        {1, 10.5, 0, "-1", d90, "-1", 10.5}, {1, 10.5, 0, "abc", d90, "abc", 10.5}, {2, -10, 0, "180", "", "180", -180},
        {2, -10.5, 0, "181", d180, "181", -10.5}, {3, -10.5, 0, "181", d180, "181", -10.5},
        {1, 10.5, 1, "59", "", "59", 10 + 59 / 60.0}, {1, 10.5, 1, "60", "Minutes must be between 0 and 59", "60", 10.5},
        {1, 10.5, 2, "59.9", "", "59.9", 10.5 + 59.9 / 3600}, {1, 10.5, 2, "7", "", "7.0", 10.5 + 7 / 3600.0},
        {1, 10.5, 2, ".959", "", "1.0", 10.5 + 1 / 3600.0}, // held as shown
        {1, 10.5, 2, "59.95", s59, "59.95", 10.5}, {1, 10.5, 2, "60", s59, "60", 10.5}, {1, 10.5, 2, "", s59, "", 10.5},
        {3, 10.5, 2, "59.5", "Seconds must be between 0 and 59", "59.5", 10.5}, // whole seconds for the variation
        {1, 10.5, 3, "s", "", "S", -10.5}, {1, -10.5, 3, " n ", "", "N", 10.5},
        {1, 0.0, 3, "S", "", "N", 0.0}, // a zero latitude is always north
        {1, 10.5, 3, "NS", lat, "NS", 10.5}, {2, 10.5, 3, "x", lon, "X", 10.5},
        {2, 10.5, 3, "", lon, "", 10.5}, {3, 10.5, 3, "w", "", "W", -10.5},
    };
    UnderEachSettings([&] {
        for (const NumberForm form : {NumberForm::Typed, NumberForm::Plain})
            for (const Case &c : cases) {
                SCOPED_TRACE(QStringLiteral("type %1 box %2 '%3' form %4").arg(c.type).arg(c.box).arg(c.typed).arg(int(form)).toStdString());
                clsCoordinate co;
                co.setTypeId(c.type);
                co.setvalue(c.start);
                QString text = c.typed;
                qint32 hemisphere = -1;
                EXPECT_EQ(Said(ValidateDMS(co, c.box, text, &hemisphere, form)), c.message);
                EXPECT_EQ(text, c.shown);
                EXPECT_NEAR(co.value(), c.value, 1e-9);
                if (c.box == 3 && c.message.isEmpty())
                    EXPECT_EQ(hemisphere, QStringList({"S", "W"}).contains(c.typed.trimmed().toUpper()) ? 1 : 0);
            }
    });
}

TEST(Tx, UsbReceive)
{
    // Each line goes into an entry holding the line `before`; the entry
    // afterwards is shown as the 8-field line it would send.
    const QString before = QStringLiteral("9,9,\"OLD\",900,1.000000,2.00000,3.00000,\"DRM10\"");
    const OpStatus ok = OpStatus::Ok, bad = OpStatus::BadReply;
    struct Case { const char *line; OpStatus result; const char *after; };
    const Case cases[] = {
        {"5,12,\"KDCV\",1230,45.504306,-118.25,-14.5", ok, "5,12,\"KDCV\",1230,45.504306,-118.25000,-14.50000,\"DRM10\""},
        {"5,12,\"KDCV\",1230,1,2,3,\"DRM4.5\"", ok, "5,12,\"KDCV\",1230,1.000000,2.00000,3.00000,\"DRM4.5\""},
        {"1, 2 ,\"K,XY 9\",1000,1.5,2.5,3.5", ok, "1,2,\"K,XY 9\",1000,1.500000,2.50000,3.50000,\"DRM10\""},
        // Too few fields: nothing changes.
        {"5,12,\"KDCV\",1230,45.504306,-118.25000", bad, nullptr},
        {"", bad, nullptr},
        // A bad field stops the reading; the fields before it are set.
        {"1,2,\"A\",abc,5,6,7,\"AM\"", bad, "1,2,\"A\",900,1.000000,2.00000,3.00000,\"DRM10\""},
        {"1,40000,\"A\",100,5,6,7", bad, "1,9,\"OLD\",900,1.000000,2.00000,3.00000,\"DRM10\""},
        {"1,2,\"A\",100,5,x,7", bad, "1,2,\"A\",100,5.000000,2.00000,3.00000,\"DRM10\""},
        {"1,2,\"A\",100,5,6,40000", bad, "1,2,\"A\",100,5.000000,6.00000,3.00000,\"DRM10\""},
        // The meter's decimals, whatever the user's settings; never a decimal comma.
        {"1,3,\"KLOC\",1230,1.125,-118.125,-14.500,\"AM\"", ok, "1,3,\"KLOC\",1230,1.125000,-118.12500,-14.50000,\"AM\""},
        {"1,3,\"KLOC\",1230,45.5,-2.250,0", ok, "1,3,\"KLOC\",1230,45.500000,-2.25000,0.00000,\"DRM10\""},
        {"1,2,\"A\",100,\"1,5\",6,7", bad, "1,2,\"A\",100,1.000000,2.00000,3.00000,\"DRM10\""},
        // Sent with the meter's decimals: ids as they are, values rounded, and
        // a line of 62 characters, too long for one command, still written.
        {"-1,-2,\"\",-5,45.5043058,-118.250004,-0.000004", ok, "-1,-2,\"\",-5,45.504306,-118.25000,0.00000,\"DRM10\""},
        {"5,1234,\"ABCDEFGH\",1230,45.504306,-118.25,-14.5,\"DRM4.5\"", ok,
         "5,1234,\"ABCDEFGH\",1230,45.504306,-118.25000,-14.50000,\"DRM4.5\""},
    };
    UnderEachSettings([&] {
        for (const Case &c : cases) {
            clsTx tx;
            ASSERT_EQ(tx.UsbReceive(before), ok);
            EXPECT_EQ(tx.UsbReceive(QString::fromUtf8(c.line)), c.result) << c.line;
            EXPECT_EQ(Line(tx), c.after ? QString::fromUtf8(c.after) : before) << c.line;
        }
    });
    const clsTx fresh;
    EXPECT_EQ(Line(fresh, 7) + '|' + Line(fresh), "0,0,\"--------\",500,0.000000,0.00000,0.00000|0,0,\"--------\",500,0.000000,0.00000,0.00000,\"AM\"");
}

TEST(Tx, Dirty)
{
    EXPECT_TRUE(clsTx().fDirty()); // defaults differ from the empty snapshot

    struct Change { const char *what; std::function<void(clsTx &)> apply; bool dirty; };
    const Change changes[] = {
        {"station id", [](clsTx &t) { t.setwStationId(77); }, false},
        {"list key", [](clsTx &t) { t.setszListKey(QStringLiteral("x")); }, false},
        {"latitude by a tenth of a second", [](clsTx &t) { t.Latitude().setvalue(1.0 / 36000); }, true},
        {"latitude within the same tenth", [](clsTx &t) { t.Latitude().setvalue(1e-6); }, false},
        {"same call sign", [](clsTx &t) { t.setszCallSign(QStringLiteral("KDCV")); }, false},
        {"call sign case", [](clsTx &t) { t.setszCallSign(QStringLiteral("kdcv")); }, true},
        {"modulation", [](clsTx &t) { t.setszModulation(QStringLiteral("DRM5")); }, true},
        {"variation hemisphere", [](clsTx &t) { t.Variation().setvalue(1); }, true},
    };
    for (const Change &c : changes) {
        clsTx t;
        t.setszCallSign(QStringLiteral("KDCV")), t.setfDirty(false);
        c.apply(t);
        EXPECT_EQ(t.fDirty(), c.dirty) << c.what;
    }
}

TEST(Tx, Copy)
{
    clsTx a, b, c;
    ASSERT_EQ(a.UsbReceive(QStringLiteral("5,12,\"KDCV\",1230,45.504306,-118.25,-14.5,\"DRM10\"")), OpStatus::Ok);
    a.setszListKey(QStringLiteral("RecId-0.123450012"));
    ASSERT_EQ(b.UsbReceive(QStringLiteral("1,1,\"KDCV\",1230,45.504306,-118.25,-14.5,\"DRM10\"")), OpStatus::Ok);
    b.setfDirty(false), c.setfDirty(false); // b's snapshot already holds the copied values
    ASSERT_TRUE(a.Copy(b) && a.Copy(c));
    EXPECT_EQ(std::make_tuple(b.fDirty(), c.fDirty(), b.szListKey()), std::make_tuple(false, true, QString()));
    EXPECT_EQ(Line(a), Line(b)); // ids included
}

// Cancel before a change is sent stops it; once an add is sent, the table is
// still read back, since only then are the new entry's ids known.
TEST_F(MeterTest, TxChangeCancelled)
{
    struct Case { clsTxChangeOp::Kind kind; bool afterSend; OpStatus want; qsizetype held; QStringList sent; } cases[] = {
        {clsTxChangeOp::Add, false, OpStatus::Cancelled, 2, {}},
        {clsTxChangeOp::Add, true, OpStatus::Ok, 3, {"U,0,0,\"NEW\",880,0.000000,0.00000,0.00000,\"AM\"", "S", "T,0,1", "T,1,1", "T,2,1"}},
        {clsTxChangeOp::Replace, false, OpStatus::Cancelled, 2, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << c.afterSend);
        DemoMeter *meter = ReplaceMeter("firmware 2.3.1\ngenerate-tx 2");
        clsTx entry;
        entry.setszCallSign(QStringLiteral("NEW"));
        entry.setwFrequency(880);
        clsTxChangeOp op(*gMeter, c.kind, entry);
        const qsizetype before = meter->Commands().size();
        meter->Scenario().replyOverride = [&](const QString &, QList<QByteArray> &) { return op.Cancel(), false; }; // asked in each exchange
        if (!c.afterSend)
            op.Start(), op.Cancel();
        EXPECT_EQ(RunToEnd(op), c.want);
        meter->Scenario().replyOverride = nullptr;
        EXPECT_EQ(meter->Commands().mid(before), c.sent);
        EXPECT_EQ(meter->Scenario().tx.size(), c.held);
        EXPECT_EQ(std::make_pair(op.ReadBack(), op.Lines().size()), std::make_pair(c.want == OpStatus::Ok, qsizetype(c.want == OpStatus::Ok ? 3 : 0)));
    }
}
