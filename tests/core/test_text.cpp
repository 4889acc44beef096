#include "app/modAnsi.h"
#include "app/modConvert.h"

#include <gtest/gtest.h>

TEST(Ansi, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString s = AnsiToString(all);
    ASSERT_EQ(s.size(), 256);
    EXPECT_EQ(StringToAnsi(s), all);
    EXPECT_EQ(s.at(0xB0), QChar(0x00B0));
    EXPECT_EQ(s.at(0x80), QChar(0x20AC));
    EXPECT_EQ(s.at(0x96), QChar(0x2013));
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

TEST(Convert, Lenient)
{
    struct Case { const char *text; bool ok16; int v16; bool okD; double d; } cases[] = {
        {"12", true, 12, true, 12}, {"  500 ", true, 500, true, 500},
        {"-33.5", true, -34, true, -33.5},
        {"12.5", true, 12, true, 12.5},   // halves to even
        {"13.5", true, 14, true, 13.5}, {"1,000", true, 1000, true, 1000},
        {"32767", true, 32767, true, 32767}, {"32768", false, 0, true, 32768},
        {"-32769", false, 0, true, -32769}, {"", false, 0, false, 0}, {"   ", false, 0, false, 0},
        {"12a", false, 0, false, 0}, {"abc", false, 0, false, 0}, {"nan", false, 0, false, 0},
        {"inf", false, 0, false, 0},
    };
    for (const auto &c : cases) {
        qint16 v = 0;
        double d = 0;
        EXPECT_EQ(ToInt16(QString::fromLatin1(c.text), &v), c.ok16) << c.text;
        if (c.ok16)
            EXPECT_EQ(v, c.v16) << c.text;
        EXPECT_EQ(ToDouble(QString::fromLatin1(c.text), &d), c.okD) << c.text;
        if (c.okD)
            EXPECT_DOUBLE_EQ(d, c.d) << c.text;
    }
}

TEST(Convert, NumberForms)
{
    EXPECT_EQ(FixedText(0.5, 0), QStringLiteral("1")); // halves away from zero
    EXPECT_EQ(FixedText(-0.000001, 5), QStringLiteral("0.00000")); // no negative zero
}
