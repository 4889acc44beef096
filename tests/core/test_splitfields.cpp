#include "protocol/modApp.h"

#include <gtest/gtest.h>

TEST(SplitFields, Table)
{
    struct Case { const char *text; QStringList fields; } cases[] = {
        {"12,500", {"12", "500"}},
        {"a,b,", {"a", "b"}},             // a trailing comma adds no field
        {"a ,b", {"a ", "b"}},            // blanks before a comma stay
        {"  a ,  b  ", {"a ", "b"}},
        {"\"a,b\" ,c", {"a,b", "", "c"}}, // the blank after the quote is taken as the separator
        {"\"a,b\",c", {"a,b", "c"}},
        {"x,\"\",y", {"x", "", "y"}},
        {"\"ND\"", {"ND"}},
        {"\"abc", {"abc"}},               // no closing quote: the rest is the field
        {"1,\"open, never closed ", {"1", "open, never closed"}},
        {",,", {"", ""}},
        {"\ta,b", {"\ta", "b"}},          // only spaces are blanks
        {"2.3.1\r", {"2.3.1\r"}},
        {"", {}},
        {"   ", {}},
    };
    for (const Case &c : cases) {
        QStringList fields;
        const qint16 n = SplitFields(QString::fromUtf8(c.text), fields);
        EXPECT_EQ(n, c.fields.size()) << c.text;
        EXPECT_EQ(fields, c.fields.isEmpty() ? QStringList{QString()} : c.fields) << c.text;
        // The spans the masking uses cover exactly the fields found.
        EXPECT_EQ(FieldSpans(QString::fromUtf8(c.text)).size(), c.fields.size()) << c.text;
    }
}

TEST(SplitFields, SpansFollowQuotes)
{
    const QString text = QStringLiteral("1,\"a,b\",  c ,\"d\"");
    const QList<FieldSpan> spans = FieldSpans(text);
    QStringList raw;
    for (const FieldSpan &s : spans)
        raw << text.mid(s.begin, s.end - s.begin);
    EXPECT_EQ(raw, (QStringList{"1", "\"a,b\"", "  c ", "\"d\""}));
}
