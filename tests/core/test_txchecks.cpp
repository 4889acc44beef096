// The Tx editor's field checks: typed text -> message, or the accepted text
// and value.
#include "tx/clsCoordinate.h"
#include "tx/modTxChecks.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
const QString kCallSiteMessage =
    QStringLiteral("The Call-Site text is invalid.\r\nMust be 1 to 8 letters, numbers, space, _ ,or \u2013");
}

TEST(TxChecks, CallSign)
{
    struct Case { QString typed; bool ok; QString shown; };
    const Case cases[] = {
        {"abc-1", true, "ABC-1"},
        {"ABCDEFGH   ", true, "ABCDEFGH"}, // trailing blanks go
        {" AB", true, " AB"},               // leading blanks stay
        {"  ABCDEFG", false, "  ABCDEFG"},  // ... and count: 9 characters
        {"ABCDEFGHI", false, "ABCDEFGHI"}, {"ab.c", false, "AB.C"}, {"", false, ""},
        {"AB\u2013C", false, "AB\u2013C"}, // the en dash of the message is not a hyphen
        {"caf\u00e9", false, "CAF\u00c9"},
    };
    for (const Case &c : cases) {
        QString text = c.typed;
        EXPECT_EQ(CheckCallSign(text), c.ok ? QString() : kCallSiteMessage) << qPrintable(c.typed);
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
        {"0", "", 0}, {"9999", "", 9999}, {" 0042 ", "", 42}, {"12.5", decimals, 0},
        {"1,000", decimals, 0}, // a number, but with a comma
        {"12a", letters, 0}, {"", letters, 0}, {"10000", high, 0}, {"-5", low, 0},
        {"-5.5", low, 0},    // the last failing test wins
        {"40000", high, 0},  // beyond 16 bits, but still a number that is too high
        {"-40000", low, 0},
    };
    for (const Case &c : cases) {
        QString text = c.typed;
        qint16 value = -1;
        EXPECT_EQ(CheckFrequency(text, &value), c.message) << qPrintable(c.typed);
        EXPECT_EQ(text, c.message.isEmpty() ? QString::number(c.value) : c.typed.trimmed()) << qPrintable(c.typed);
        EXPECT_EQ(value, c.message.isEmpty() ? c.value : -1) << qPrintable(c.typed);
    }
}

TEST(TxChecks, ValidateDMS)
{
    // Each case starts from the coordinate at `start` and checks one box.
    struct Case { int type; double start; int box; QString typed; QString message; QString shown; double value; };
    const QString lat = "The hemisphere must be either N or S", lon = "The hemisphere must be either E or W";
    const Case cases[] = {
        {1, 10.5, 0, " 45 ", "", "45", 45.5},
        {1, 10.5, 0, "90", "", "90", 90.5}, // each box alone: 90 degrees 30 minutes passes
        {1, 10.5, 0, "91", "Degrees must be between 0 and 90", "91", 10.5},
        {1, 10.5, 0, "-1", "Degrees must be between 0 and 90", "-1", 10.5},
        {1, 10.5, 0, "abc", "Degrees must be between 0 and 90", "abc", 10.5},
        {2, -10.5, 0, "180", "", "180", -180.5},
        {2, -10.5, 0, "181", "Degrees must be between 0 and 180", "181", -10.5},
        {3, -10.5, 0, "181", "Degrees must be between 0 and 180", "181", -10.5},
        {1, 10.5, 1, "59", "", "59", 10 + 59 / 60.0},
        {1, 10.5, 1, "60", "Minutes must be between 0 and 59", "60", 10.5},
        {1, 10.5, 2, "59.9", "", "59.9", 10.5 + 59.9 / 3600},
        {1, 10.5, 2, "7", "", "7.0", 10.5 + 7 / 3600.0},
        {1, 10.5, 2, ".959", "", "1.0", 10.5 + 1 / 3600.0}, // held as shown
        {1, 10.5, 2, "59.95", "Seconds must be between 0 and 59.9", "59.95", 10.5},
        {1, 10.5, 2, "60", "Seconds must be between 0 and 59.9", "60", 10.5},
        {1, 10.5, 2, "", "Seconds must be between 0 and 59.9", "", 10.5},
        {3, 10.5, 2, "59.5", "Seconds must be between 0 and 59", "59.5", 10.5}, // whole seconds for the variation
        {1, 10.5, 3, "s", "", "S", -10.5}, {1, -10.5, 3, " n ", "", "N", 10.5},
        {1, 0.0, 3, "S", "", "N", 0.0}, // a zero latitude is always north
        {1, 10.5, 3, "NS", lat, "NS", 10.5}, {2, 10.5, 3, "x", lon, "X", 10.5},
        {2, 10.5, 3, "", lon, "", 10.5}, {3, 10.5, 3, "w", "", "W", -10.5},
    };
    for (const Case &c : cases) {
        clsCoordinate co;
        co.setTypeId(c.type);
        co.setvalue(c.start);
        QString text = c.typed;
        qint32 hemisphere = -1;
        const QString what = QStringLiteral("type %1 box %2 '%3'").arg(c.type).arg(c.box).arg(c.typed);
        EXPECT_EQ(ValidateDMS(co, c.box, text, &hemisphere), c.message) << qPrintable(what);
        EXPECT_EQ(text, c.shown) << qPrintable(what);
        EXPECT_NEAR(co.value(), c.value, 1e-9) << qPrintable(what);
        if (c.box == 3 && c.message.isEmpty())
            EXPECT_EQ(hemisphere, QStringList({"S", "W"}).contains(c.typed.trimmed().toUpper()) ? 1 : 0) << qPrintable(what);
    }
}
