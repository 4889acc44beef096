// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "app/globals.h"
#include "protocol/modApp.h"
#include "protocol/modFSMComm.h"
#include "records/clsMeter.h"
#include "records/clsFsm.h"
#include "records/clsVersion.h"

#include <functional>
#include <map>

// Raw fields of a saved record: equal frequencies, valid fix and Tx position.
static QStringList RawRecord(int fields, const std::map<int, QString> &set = {})
{
    QStringList f;
    for (int i = 0; i < qMax(fields, 31); ++i)
        f << QString::number(100 + i);
    f[5] = f[6] = QStringLiteral("1230");
    f[16] = f[29] = QStringLiteral("TRUE");
    for (const auto &[i, v] : set)
        f[i] = v;
    return f.mid(0, fields);
}

using Records = MeterTest;

TEST_F(Records, Masking)
{
    const QList<int> gps = {12, 13, 17, 18, 19, 26, 27}, distance = {26, 27};
    struct Case { const char *name; qint16 version; std::map<int, QString> set; QList<int> masked; } cases[] = {
        {"gps invalid", 0, {{16, "FALSE"}}, gps},     {"all valid", 1, {}, {}},
        {"1000 vs 1000.0", 0, {{5, "1000.0"}, {6, "1000"}}, distance},
        {"tx position invalid", 3, {{29, "FALSE"}}, distance}, {"no flag bit 0", 0, {{29, "FALSE"}}, {}},
        {"Version 02: flag bit 0", 2, {{29, "FALSE"}}, distance}, {"Version 01: no flag bit 0", 1, {{29, "FALSE"}}, {}},
        {"empty field stays empty", 0, {{16, "FALSE"}, {26, ""}}, gps},
        {"quoted commas", 0, {{16, "FALSE"}, {10, "\"a, b\""}, {15, "\"x,y,z\""}}, gps},
    };
    for (const Case &c : cases) {
        QStringList raw = RawRecord(31, c.set);
        gFsm->Reset();
        gFsm->Version()->setvalue(c.version);
        gFsm->setszRecord(raw.join(QLatin1Char(',')));
        gFsm->ProcessRecord(0);
        for (int i : c.masked)
            if (!raw[i].isEmpty())
                raw[i] = QLatin1Char('"') + QString(raw[i].size(), QLatin1Char('-')) + QLatin1Char('"');
        EXPECT_EQ(gFsm->szRecord(), raw.join(QLatin1Char(','))) << c.name;
    }
}

TEST_F(Records, LearningRead)
{
    struct Case { QString firmware; int fields; qint16 result; int sends; qint16 dataFields, value; int header; } cases[] = {
        {"2.2.15", 30, 0, 2, 30, 3, 30}, {"", 30, 0, 2, 30, 2, 30}, {"2.2.15", 29, 0, 2, 29, 1, 29},
        {"2.2.15", 31, 0, 2, 31, 3, 31}, {"2.3.1", 30, 0, 2, 30, 4, 30}, // the header follows the records
        {"2.3.1", 12, 1, 8, 0, 4, 31},   // unknown layout: asked four times to learn, refused four times
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.firmware + QStringLiteral(" / %1").arg(c.fields)));
        const QString line = RawRecord(c.fields).join(QLatin1Char(','));
        const QString next = RawRecord(c.fields, {{1, QStringLiteral("102")}}).join(QLatin1Char(','));
        DemoMeter *m = ReplaceMeter(QStringLiteral("firmware %1\nsaved %2\nsaved %3\n").arg(c.firmware, line, next));
        ASSERT_EQ(gMeter->ReadDirectory(0), OpStatus::Ok);
        EXPECT_EQ(ResultCode(gFsm->GetRecord(0, 0)), c.result);
        EXPECT_EQ(gFsm->szRecord(), c.result == 0 ? line : QString());
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(m->Commands().count(QStringLiteral("D,0,1"))).arg(gFsm->DataFields())
                      .arg(gFsm->Version()->value()).arg(gFsm->DataHeader(0).size()),
                  QStringLiteral("%1 %2 %3 %4").arg(c.sends).arg(c.dataFields).arg(c.value).arg(c.header)); // sends, layout, version, header
        if (c.result == 0) { // known layout: the next record is read once
            EXPECT_EQ(gFsm->GetRecord(0, 1), OpStatus::Ok);
            EXPECT_EQ(m->Commands().count(QStringLiteral("D,1,1")), 1);
        }
    }
}

// The link lost in a failed read clears the record state only once the
// command that read has returned: nothing (a window told of the new
// version) sees the record object change under a reading still under way.
// The loss is told once, and nothing is asked again (not the strict read
// after a learning one).
TEST_F(Records, LinkLostInsideAReadClearsAfterIt)
{
    const QString saved = QStringLiteral("saved ") + RawRecord(31).join(QLatin1Char(','));
    struct Case { const char *what; std::function<OpStatus()> read; OpStatus status; } cases[] = {
        {"saved record", [] { return gMeter->GetRecord(0, 1); }, OpStatus::Timeout},
        {"saved record, learning", [] { gFsm->setDataFields(0); return gMeter->GetRecord(0, 1); }, OpStatus::LinkLost},
        {"Tx entry", [] { return gMeter->GetRecord(1, 1); }, OpStatus::Timeout},
        {"directory", [] { return gMeter->ReadDirectory(1); }, OpStatus::Timeout},
        {"a command", [] { QString reply; return gMeter->SendCommand(QStringLiteral("C"), reply, 2, true); }, OpStatus::Timeout},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DemoMeter *m = ReplaceMeter(QStringLiteral("firmware 2.3.1\ngenerate-tx 3\n") + saved + QLatin1Char('\n') + saved);
        ASSERT_EQ(gMeter->ReadDirectory(0), OpStatus::Ok);
        ASSERT_EQ(gMeter->GetRecord(0, 0), OpStatus::Ok);
        ASSERT_EQ(gFsm->Version()->value(), 4);
        QStringList changes; // when the version changed: "inside" or "after" an exchange
        QObject ctx;
        QObject::connect(gFsm->Version(), &clsVersion::VersionChanged, &ctx, [&] {
            changes << (gDevice->InExchange() ? QStringLiteral("inside") : QStringLiteral("after"));
        });
        m->Scenario().stallAfterReports = m->InputReportsSent(); // the next read fails
        const qsizetype sent = m->Commands().size();
        boxes.clear();
        EXPECT_EQ(c.read(), c.status);
        EXPECT_EQ(m->Commands().size(), sent + 1);
        EXPECT_EQ(Prompts(), QStringList{QStringLiteral("ZT 6200 was disconnected. Please reconnect it.")});
        EXPECT_EQ(changes, QStringList{QStringLiteral("after")});
        EXPECT_EQ(QStringLiteral("%1 %2 %3 [%4]").arg(gFsm->Version()->value()).arg(gFsm->DataFields()).arg(gFsm->NumRecords(0))
                      .arg(gFsm->szRecord()), "0 0 0 []"); // version, layout, count, record
    }
}

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
        const QString text = QString::fromUtf8(c.text);
        QStringList fields;
        // the count as each of the three reads it
        EXPECT_EQ(QList<qsizetype>({SplitFields(text, fields), FieldSpans(text).size(), CountFields(text)}), QList<qsizetype>(3, c.fields.size())) << c.text;
        EXPECT_EQ(fields, c.fields.isEmpty() ? QStringList{QString()} : c.fields) << c.text;
    }
}
