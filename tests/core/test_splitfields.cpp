#include "protocol/modApp.h"

#include <gtest/gtest.h>

TEST(SplitFields, Table)
{
    struct Case { const char *text; QStringList fields; } cases[] = {
        {"12,500", {"12", "500"}},        {"a,b,", {"a", "b"}},  // a trailing comma adds no field
        {"  a ,  b  ", {"a ", "b"}},      {",,", {"", ""}},      // blanks before a comma stay
        {"\"a,b\" ,c", {"a,b", "", "c"}}, {"\"a,b\",c", {"a,b", "c"}}, // the char after a quote is the separator
        {"1,\"open, never closed ", {"1", "open, never closed"}},     // no closing quote: the rest
        {"\ta,b", {"\ta", "b"}},          {"", {}}, {"   ", {}},           // only spaces are blanks
    };
    for (const Case &c : cases) {
        QStringList fields;
        EXPECT_EQ(SplitFields(QString::fromUtf8(c.text), fields), c.fields.size()) << c.text;
        EXPECT_EQ(fields, c.fields.isEmpty() ? QStringList{QString()} : c.fields) << c.text;
        EXPECT_EQ(FieldSpans(QString::fromUtf8(c.text)).size(), c.fields.size()) << c.text;
    }
}
