// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/HidReportDescriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

enum ItemType { Main = 0, Global = 1, Local = 2 };
enum MainTag { Input = 0x8, Output = 0x9, Collection = 0xA, Feature = 0xB, EndCollection = 0xC };
enum GlobalTag { UsagePage = 0x0, ReportSize = 0x7, ReportId = 0x8, ReportCount = 0x9, Push = 0xA, Pop = 0xB };
enum LocalTag { Usage = 0x0, UsageMinimum = 0x1, UsageMaximum = 0x2 };

constexpr quint64 kMaxBits = 0xFFFEull * 8; // keeps 1 + bytes within 16 bits

struct GlobalState
{
    quint32 usagePage = 0;
    quint32 reportSize = 0;
    quint32 reportCount = 0;
    quint32 reportId = 0;
};

// Usages named since the last main item. Counted, not listed: a descriptor
// may name a range of 2^32 usages.
struct LocalState
{
    quint32 firstUsage = 0; // as written (page in the high 16 bits when 4 bytes long)
    int firstUsageSize = 0;
    quint64 singles = 0;        // Usage items
    quint64 ranges = 0;         // Usage Minimum/Maximum pairs
    quint64 rangeUsages = 0;    // usages covered by the ranges
    bool haveMinimum = false;
    quint32 minimum = 0;

    void Clear() { *this = LocalState(); }
};

struct Kind
{
    std::map<quint32, quint64> bitsPerReport; // report ID -> data bits
    quint64 buttonCaps = 0, valueCaps = 0, dataIndices = 0;
};

quint16 Clamp16(quint64 v) { return quint16(std::min<quint64>(v, 0xFFFF)); }

// 1 + the largest report's data bytes, 0 when there is no report of this kind.
quint16 ReportByteLength(const Kind &k)
{
    quint64 bits = 0;
    for (const auto &r : k.bitsPerReport)
        bits = std::max(bits, r.second);
    if (k.bitsPerReport.empty())
        return 0;
    return Clamp16(1 + (bits + 7) / 8);
}

// Caps and data indices of one Input/Output/Feature item, after the rules
// Windows applies: constants (padding) make none; arrays and 1-bit fields are
// buttons, one data index per usage; other fields are values, one cap and one
// data index per usage named (the last usage repeats for the remaining
// fields), a range making one cap.
void CountCaps(Kind &k, quint32 flags, const GlobalState &g, const LocalState &l)
{
    if (flags & 0x01) // Constant
        return;
    const bool variable = flags & 0x02;
    const quint64 entries = l.singles + l.ranges;
    if (!variable || g.reportSize == 1) {
        k.buttonCaps += std::max<quint64>(entries, 1);
        const quint64 usages = l.singles + l.rangeUsages;
        k.dataIndices += usages ? usages : g.reportCount;
    } else {
        const quint64 caps = std::max<quint64>(std::min<quint64>(entries, g.reportCount), 1);
        k.valueCaps += caps;
        k.dataIndices += caps;
    }
}

// The state of one pass over a descriptor: the HID item tables (global,
// local), one handler per item type.
struct Parser
{
    HidReportDescriptorInfo info;
    GlobalState global;
    std::vector<GlobalState> stack;
    LocalState local;
    Kind kinds[3]; // input, output, feature
    int depth = 0;
    quint64 collections = 0;
    bool haveTopUsage = false;

    void MainItem(int tag, quint32 value)
    {
        switch (tag) {
        case Input:
        case Output:
        case Feature: {
            Kind &k = kinds[tag == Input ? 0 : tag == Output ? 1 : 2];
            quint64 &bits = k.bitsPerReport[global.reportId];
            bits = std::min(kMaxBits, bits + quint64(global.reportSize) * global.reportCount);
            CountCaps(k, value, global, local);
            break;
        }
        case Collection:
            ++collections;
            if (depth == 0 && !haveTopUsage) {
                haveTopUsage = true;
                if (local.firstUsageSize == 4) {
                    info.caps.UsagePage = quint16(local.firstUsage >> 16);
                    info.caps.Usage = quint16(local.firstUsage);
                } else {
                    info.caps.UsagePage = quint16(global.usagePage);
                    info.caps.Usage = quint16(local.firstUsage);
                }
            }
            ++depth;
            break;
        case EndCollection:
            if (depth == 0)
                info.wellFormed = false;
            else
                --depth;
            break;
        default:
            break;
        }
        local.Clear();
    }

    void GlobalItem(int tag, quint32 value)
    {
        switch (tag) {
        case UsagePage: global.usagePage = value; break;
        case ReportSize: global.reportSize = value; break;
        case ReportCount: global.reportCount = value; break;
        case ReportId:
            global.reportId = value;
            info.usesReportIds = true;
            if (value == 0 || value > 0xFF)
                info.wellFormed = false;
            break;
        case Push: stack.push_back(global); break;
        case Pop:
            if (stack.empty()) {
                info.wellFormed = false;
            } else {
                global = stack.back();
                stack.pop_back();
            }
            break;
        default: break;
        }
    }

    void LocalItem(int tag, quint32 value, int dataSize)
    {
        switch (tag) {
        case Usage:
            if (local.singles == 0 && local.ranges == 0 && !local.haveMinimum) {
                local.firstUsage = value;
                local.firstUsageSize = dataSize;
            }
            ++local.singles;
            break;
        case UsageMinimum:
            local.haveMinimum = true;
            local.minimum = value;
            break;
        case UsageMaximum:
            if (local.haveMinimum) {
                ++local.ranges;
                local.rangeUsages += value >= local.minimum ? quint64(value - local.minimum) + 1 : 0;
                local.haveMinimum = false;
            } else {
                info.wellFormed = false;
            }
            break;
        default: break;
        }
    }

    // Reads the item at pos and moves pos past it; false when the item runs
    // past the end.
    bool Item(const unsigned char *p, qsizetype size, qsizetype &pos)
    {
        const unsigned char prefix = p[pos];
        if (prefix == 0xFE) { // long item: size, tag, data; none is defined, skip it
            if (pos + 2 >= size)
                return false;
            const qsizetype next = pos + 3 + p[pos + 1];
            if (next > size)
                return false;
            pos = next;
            return true;
        }
        const int dataSize = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        const int type = (prefix >> 2) & 0x03;
        const int tag = prefix >> 4;
        if (pos + 1 + dataSize > size)
            return false;
        quint32 value = 0;
        for (int i = 0; i < dataSize; ++i)
            value |= quint32(p[pos + 1 + i]) << (8 * i);
        pos += 1 + dataSize;

        switch (type) {
        case Main: MainItem(tag, value); break;
        case Global: GlobalItem(tag, value); break;
        case Local: LocalItem(tag, value, dataSize); break;
        default: break; // reserved item type
        }
        return true;
    }

    void FillCaps()
    {
        HidCapabilities &c = info.caps;
        c.InputReportByteLength = ReportByteLength(kinds[0]);
        c.OutputReportByteLength = ReportByteLength(kinds[1]);
        c.FeatureReportByteLength = ReportByteLength(kinds[2]);
        c.NumberLinkCollectionNodes = Clamp16(collections);
        c.NumberInputButtonCaps = Clamp16(kinds[0].buttonCaps);
        c.NumberInputValueCaps = Clamp16(kinds[0].valueCaps);
        c.NumberInputDataIndices = Clamp16(kinds[0].dataIndices);
        c.NumberOutputButtonCaps = Clamp16(kinds[1].buttonCaps);
        c.NumberOutputValueCaps = Clamp16(kinds[1].valueCaps);
        c.NumberOutputDataIndices = Clamp16(kinds[1].dataIndices);
        c.NumberFeatureButtonCaps = Clamp16(kinds[2].buttonCaps);
        c.NumberFeatureValueCaps = Clamp16(kinds[2].valueCaps);
        c.NumberFeatureDataIndices = Clamp16(kinds[2].dataIndices);
    }
};

} // namespace

HidReportDescriptorInfo ParseReportDescriptor(const QByteArray &descriptor)
{
    Parser parser;
    const auto *p = reinterpret_cast<const unsigned char *>(descriptor.constData());
    const qsizetype size = descriptor.size();
    qsizetype pos = 0;
    while (pos < size) {
        if (!parser.Item(p, size, pos)) {
            parser.info.wellFormed = false;
            break;
        }
    }
    if (parser.depth != 0 || !parser.stack.empty())
        parser.info.wellFormed = false;
    parser.FillCaps();
    return parser.info;
}

QByteArray InputReportWithId(const char *data, int size, bool idIncluded, int inputLength)
{
    size = std::max(size, 0);
    QByteArray report;
    report.reserve(std::max(inputLength, size + 1));
    if (!idIncluded)
        report.append('\0');
    if (size > 0)
        report.append(data, size);
    if (inputLength > 0) {
        if (report.size() > inputLength)
            report.truncate(inputLength);
        else if (report.size() < inputLength)
            report.append(QByteArray(inputLength - report.size(), '\0'));
    }
    return report;
}
