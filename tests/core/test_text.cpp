// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modAnsi.h"
#include "TestSupport.h"
#include "common/modConvert.h"

#include <climits>
#include <cmath>

TEST(Ansi, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString s = AnsiToString(all);
    ASSERT_EQ(s.size(), 256);
    EXPECT_EQ(StringToAnsi(s), all);
    EXPECT_EQ(QString() + s.at(0xB0) + s.at(0x80) + s.at(0x96), QStringLiteral("\u00B0\u20AC\u2013"));
    EXPECT_EQ(StringToAnsi(QString(QChar(0x4E2D))), QByteArray("?"));
}

// Plain text takes a bulk path; one odd byte or character anywhere (inside a
// word the check reads at once, or in the tail after it) must be seen.
TEST(Ansi, OneOddCharacterAnywhere)
{
    for (int length = 1; length <= 19; ++length) {
        for (int at = 0; at < length; ++at) {
            for (const auto &[byte, ch] : {std::pair<char, QChar>{'\x80', QChar(0x20AC)}, {'\xE9', QChar(0x00E9)}}) {
                QByteArray bytes(length, 'a');
                bytes[at] = byte;
                QString text = QStringLiteral("x");
                AppendAnsi(text, bytes.constData(), int(bytes.size()));
                ASSERT_EQ(text.size(), length + 1);
                EXPECT_EQ(text.at(at + 1), ch) << length << " " << at;
                EXPECT_EQ(StringToAnsi(text.mid(1)), bytes) << length << " " << at;
            }
            QString wide(length, QLatin1Char('a'));
            wide[at] = QChar(0x0100); // outside the code page
            EXPECT_EQ(StringToAnsi(wide).at(at), '?') << length << " " << at;
        }
    }
}

// Each text read in the plain form (the meter's, under any settings) and
// as typed into a window under German settings. NaN: not a number.
TEST(Convert, BothForms)
{
    const double no = std::nan("");
    struct Case { const char *text; double plain, typed; } cases[] = {
        {"12", 12, 12}, {"  500 ", 500, 500}, {"-33.5", -33.5, -33.5},
        {"1.125", 1.125, 1.125}, {"-118.125", -118.125, -118.125}, // a "." never groups
        {"-2.250", -2.25, -2.25}, {"983.471", 983.471, 983.471},
        {"1,5", no, 1.5},                                            // the regional decimal comma
        {"1.000,5", no, 1000.5}, {"1,000", no, 1},                   // regional grouping: typed only
        {"", no, no}, {"   ", no, no}, {"12a", no, no}, {"abc", no, no}, {"nan", no, no}, {"inf", no, no},
        {"1e999", no, no},
    };
    const GermanNumbers german;
    for (const auto &c : cases) {
        const QString text = QString::fromLatin1(c.text);
        for (const auto &[form, expected] : {std::pair{NumberForm::Plain, c.plain}, {NumberForm::Typed, c.typed}}) {
            double d = -7;
            EXPECT_EQ(ToDouble(text, &d, form), !std::isnan(expected)) << c.text << " " << int(form);
            if (!std::isnan(expected))
                EXPECT_DOUBLE_EQ(d, expected) << c.text << " " << int(form);
        }
    }
}

// Integers round halves to even; a record number takes digits only.
TEST(Convert, Integers)
{
    const int no = INT_MIN;
    struct Case { const char *text; int v16; int whole; } cases[] = {
        {"12", 12, 12}, {" -3 ", -3, -3}, {"-33.5", -34, no}, {"12.5", 12, no}, {"13.5", 14, no},
        {"32767", 32767, 32767}, {"32768", no, 32768}, {"-32769", no, -32769}, {"99999999999", no, no},
        {"1,000", no, no}, {"1.0000000000000001", 1, no}, {"1e3", 1000, no}, {"+5", 5, no},
        {"-", no, no}, {"", no, no}, {"\xd9\xa3", no, no}, // an Arabic-Indic three
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        qint16 v = 0;
        qint32 n = 0;
        const int got16 = ToInt16(text, &v) ? v : no, gotWhole = ToWholeNumber(text, &n) ? n : no;
        EXPECT_EQ(std::pair(got16, gotWhole), std::pair(c.v16, c.whole)) << c.text;
    }
}

TEST(Convert, NumberForms)
{
    EXPECT_EQ(FixedText(0.5, 0), QStringLiteral("1")); // halves away from zero
    EXPECT_EQ(FixedText(-0.000001, 5), QStringLiteral("0.00000")); // no negative zero
}
