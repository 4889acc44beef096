#include "tx/clsCoordinate.h"
#include "tx/modCoordinates.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace {
const QString deg = QString(QChar(0x00B0));
// Texts below write the degree sign as '@' for readability.
QString T(const char *s) { return QString::fromUtf8(s).replace(QLatin1Char('@'), deg); }
} // namespace

TEST(Coordinate, TextForms)
{
    struct Case { int type; double value; int options; const char *text; int hemisphere; };
    const Case cases[] = {
        {1, 45.504306, 6, "45@ 30' 15.5\"N", 0}, {1, 0, 6, "0@ 00' 00.0\"N", 0},
        {2, 0, 6, "0@ 00' 00.0\"W", 1},
        {1, 10.99999, 6, "11@ 00' 00.0\"N", 0},     // rounds up into the next degree
        {1, -33.5, 6, "33@ 30' 00.0\"S", 1}, {2, -118.25, 6, "118@ 15' 00.0\"W", 1},
        {2, 5.5, 38, "005@ 30' 00.0\"E", 0},        // leading zeros, three digits
        {1, 5.5, 38, "05@ 30' 00.0\"N", 0},
        {2, 0.00002, 6, "0@ 00' 00.1\"W", 1},       // below one step: zero hemisphere, still 00.1
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

TEST(Coordinate, FieldsDeriveValue)
{
    clsCoordinate lat, lon;
    lat.setTypeId(1);
    lon.setTypeId(2);
    lat.setvalue(10);
    lat.setMinutes(75); // kept as set, not normalised
    EXPECT_EQ(lat.Minutes(), 75);
    EXPECT_DOUBLE_EQ(lat.value(), 11.25);
    lat.setvalue(-12.5);
    ASSERT_TRUE(lat.Copy(lon)); // value only: the longitude keeps its type
    EXPECT_EQ(lon.szDMS(6), T("12@ 30' 00.0\"W"));
    lat.setvalue(45.504306);
    EXPECT_EQ(lat.szSeconds(2) + lat.szSeconds(), QStringLiteral("15.516"));
}

TEST(Coordinate, OverflowIsRefused)
{
    clsCoordinate lon;
    lon.setTypeId(2);
    lon.setvalue(-118.25);
    for (double bad : {40000.0, -32768.0, 32767.99999, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(lon.setvalue(bad)) << bad;
        EXPECT_TRUE(lon.value() == -118.25 && lon.Degrees() == 118);
    }
    EXPECT_TRUE(lon.setvalue(32767.5));
}

TEST(Coordinate, GridRoundTrip)
{
    for (int type = 1; type <= 3; ++type) {
        for (qint64 n = 0; n <= 180 * 36000; n += 7919) {
            for (int sign : {1, -1}) {
                const double v = sign * double(n) / 36000.0;
                clsCoordinate a;
                a.setTypeId(type);
                ASSERT_TRUE(a.setvalue(v));
                EXPECT_EQ(a.Degrees(), n / 36000);
                EXPECT_EQ(a.Minutes(), (n / 600) % 60);
                EXPECT_FLOAT_EQ(a.Seconds(), float((n % 600) / 10.0));

                clsCoordinate b; // rebuilt from the fields, as the editor does
                b.setTypeId(type);
                b.setDegrees(a.Degrees()), b.setMinutes(a.Minutes()), b.setSeconds(a.Seconds());
                b.setHemisphere(a.Hemisphere());
                EXPECT_NEAR(b.value(), n == 0 ? 0.0 : v, 1e-9) << n;
            }
        }
    }
}

TEST(Coordinate, Dirty)
{
    clsCoordinate lat;
    lat.setTypeId(1);
    EXPECT_TRUE(lat.fDirty()); // changed type after its snapshot
    lat.setvalue(45.504306);
    lat.setfDirty(false);
    lat.setvalue(45.504306 + 1e-6); // same tenth of a second
    lat.setfDirty(true);            // does nothing
    EXPECT_FALSE(lat.fDirty());
    lat.setvalue(45.504306 + 1.0 / 36000);
    EXPECT_TRUE(lat.fDirty());
}

TEST(FormatDMS, Table)
{
    struct Case { const char *value; int options; const char *text; };
    const Case cases[] = {
        {"45.504306", 18, "45@ 30' 15.5\"N"}, {"-118.25", 2, "118@ 15' 00.0\"W"},
        {"0.00002", 2, "0@ 00' 00.1\"W"}, {"-0.00002", 18, "0@ 00' 00.1\"N"},
        {"0.000029", 2, "0@ 00' 00.1\"W"},     // still in the wider zero band
        {"0.00003", 2, "0@ 00' 00.1\"E"}, {"5.25", 50, "05@ 15' 00.0\"N"},
        {"5.25", 34, "005@ 15' 00.0\"E"}, {"", 18, ""}, {"---------", 2, "---------"},
        {"40000", 2, "40000"},                 // too large to split
        {"32767.99999", 2, "32767.99999"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatDMS(QString::fromUtf8(c.value), c.options), T(c.text)) << c.value;
    EXPECT_EQ(FormatDMS(std::numeric_limits<double>::quiet_NaN(), 2), QStringLiteral("nan"));
}
