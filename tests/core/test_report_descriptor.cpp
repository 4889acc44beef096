// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/HidApiPlatform.h"
#include "usb/HidReportDescriptor.h"

#include <gtest/gtest.h>

static QByteArray Bytes(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int v : bytes)
        b.append(char(v));
    return b;
}

// Vendor-defined 64-byte IN/OUT device, array items (the common firmware sample).
static const QByteArray kVendorArray = Bytes({
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x19, 0x01, 0x29, 0x40, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x40, 0x81, 0x00, 0x19, 0x01, 0x29, 0x40, 0x91, 0x00, 0xC0});
// Vendor-defined 64-byte IN/OUT device, variable items, two-byte usage.
static const QByteArray kVendorRaw = Bytes({
    0x06, 0xAB, 0xFF, 0x0A, 0x00, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40, 0x09, 0x02, 0x91, 0x02, 0xC0});
static const QByteArray kBootMouse = Bytes({
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03,
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
    0xC0, 0xC0});
// Keyboard (report 1), consumer control (report 2), vendor feature (report 3).
static const QByteArray kMultiReport = Bytes({
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05,
    0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01,
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,
    0xC0,
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0x3C, 0x02, 0x19, 0x00, 0x2A,
    0x3C, 0x02, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x20, 0xB1, 0x02, 0xC0});

// Usage page, usage; input, output and feature report lengths; collections; button caps, value
// caps and data indices of input, output and feature items; report IDs used; well formed.
struct Expected { const char *name; QByteArray descriptor; std::vector<int> values; };

static const Expected kCases[] = {
    {"vendor array", kVendorArray, {0xFF00, 1, 65, 65, 0, 1, 1, 0, 64, 1, 0, 64, 0, 0, 0, 0, 1}},
    {"vendor variable", kVendorRaw, {0xFFAB, 0x200, 65, 65, 0, 1, 0, 1, 1, 0, 1, 1, 0, 0, 0, 0, 1}},
    {"boot mouse", kBootMouse, {1, 2, 4, 0, 0, 2, 1, 2, 5, 0, 0, 0, 0, 0, 0, 0, 1}},
    {"multi report", kMultiReport, {1, 6, 9, 2, 33, 3, 3, 0, 683, 1, 0, 5, 0, 1, 1, 1, 1}},
    {"bits that make no whole byte", Bytes({0x75, 0x01, 0x95, 0x03, 0x81, 0x02}), {0, 0, 2, 0, 0, 0, 1, 0, 3, 0, 0, 0, 0, 0, 0, 0, 1}},
    {"empty", QByteArray(), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
    {"long item skipped", Bytes({0x06, 0x00, 0xFF, 0xFE, 0x03, 0xF0, 0x81, 0x91, 0xB1, 0x09, 0x01, 0xA1, 0x01,
                                  0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0xC0}),
     {0xFF00, 1, 65, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1}},
    {"push and pop", Bytes({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x40, 0xA4, 0x75, 0x01,
                             0x95, 0x08, 0x09, 0x02, 0x81, 0x02, 0xB4, 0x09, 0x03, 0x91, 0x02, 0xC0}),
     {0xFF00, 1, 2, 65, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 0, 0, 1}},
    {"four-byte usage names its page", Bytes({0x05, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0xC0}),
     {0x0C, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
    {"huge size times count saturates", Bytes({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02,
                                                0x81, 0x02}),
     {0, 0, 0xFFFF, 0, 0, 0, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 1}},
    {"pop without push", Bytes({0x75, 0x08, 0x95, 0x02, 0xB4, 0x81, 0x02}), {0, 0, 3, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"end without collection", Bytes({0xC0, 0x75, 0x08, 0x95, 0x01, 0x91, 0x02}), {0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0}},
    {"report ID 0", Bytes({0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}), {0, 0, 2, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0}},
    {"short item cut", Bytes({0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0x26, 0xFF}), {0, 0, 5, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"long item cut", Bytes({0xFE, 0x05, 0x00, 0x01, 0x02}), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"long item prefix only", Bytes({0xFE}), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

TEST(ReportDescriptor, Parses)
{
    for (const Expected &e : kCases) {
        SCOPED_TRACE(e.name);
        const HidReportDescriptorInfo info = ParseReportDescriptor(e.descriptor);
        const HidCapabilities &c = info.caps;
        const std::vector<int> got = {c.UsagePage, c.Usage, c.InputReportByteLength, c.OutputReportByteLength,
                                      c.FeatureReportByteLength, c.NumberLinkCollectionNodes, c.NumberInputButtonCaps,
                                      c.NumberInputValueCaps, c.NumberInputDataIndices, c.NumberOutputButtonCaps,
                                      c.NumberOutputValueCaps, c.NumberOutputDataIndices, c.NumberFeatureButtonCaps,
                                      c.NumberFeatureValueCaps, c.NumberFeatureDataIndices, info.usesReportIds, info.wellFormed};
        EXPECT_EQ(got, e.values);
    }
}

// Every cut of a real descriptor is read safely and never yields longer
// reports than the whole descriptor.
TEST(ReportDescriptor, TruncatedDescriptorsAreSafe)
{
    for (const QByteArray &full : {kVendorArray, kVendorRaw, kBootMouse, kMultiReport}) {
        const HidCapabilities whole = ParseReportDescriptor(full).caps;
        for (int n = 0; n < full.size(); ++n) {
            // a separate buffer of exactly n bytes, so a sanitizer sees any over-read
            const QByteArray cut(full.constData(), n);
            const HidCapabilities c = ParseReportDescriptor(cut).caps;
            EXPECT_TRUE(c.InputReportByteLength <= whole.InputReportByteLength && c.OutputReportByteLength <= whole.OutputReportByteLength
                        && c.FeatureReportByteLength <= whole.FeatureReportByteLength) << n;
        }
    }
}

TEST(ReportDescriptor, InputReportGetsIdByteFirst)
{
    const QByteArray data = QByteArray("\x85" "1.23\n", 6) + QByteArray(58, 'x'); // 64 bytes
    struct Case { const char *name; QByteArray got; bool idIncluded; int length; QByteArray want; } cases[] = {
        {"no IDs: 0 in front", data, false, 65, '\0' + data},
        {"ID kept", '\x02' + data, true, 65, '\x02' + data},
        {"short report padded", data.left(6), false, 65, '\0' + data.left(6) + QByteArray(58, '\0')},
        {"long report cut", '\x01' + data + "zz", true, 65, '\x01' + data},
        {"unknown length: as received", data.left(3), false, 0, '\0' + data.left(3)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(InputReportWithId(c.got.constData(), int(c.got.size()), c.idIncluded, c.length), c.want);
    }
    // hidapi reads no ID byte unless the device numbers its reports; with an
    // unknown descriptor only a full-length read has one.
    EXPECT_EQ(HidApiInputReport(data, 65, true, false), '\0' + data);
    EXPECT_EQ(HidApiInputReport('\x02' + data, 65, true, true), '\x02' + data);
    EXPECT_EQ(HidApiInputReport(data, 65, false, false), '\0' + data);
    EXPECT_EQ(HidApiInputReport('\x01' + data, 65, false, false), '\x01' + data);
}

TEST(HidApiPlatform, EnumeratesWithoutDevices)
{
    std::unique_ptr<HidPlatform> platform = CreateHidApiPlatform();
    EXPECT_TRUE(platform->Name().startsWith(QLatin1String("hidapi")));
    for (const HidDeviceInfo &d : platform->Enumerate())
        EXPECT_FALSE(d.path.isEmpty());
    QString reason;
    EXPECT_EQ(platform->Open(QStringLiteral("/dev/no-such-hidraw"), &reason), nullptr);
    EXPECT_FALSE(reason.isEmpty());
}
