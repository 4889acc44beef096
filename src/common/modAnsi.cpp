// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modAnsi.h"

#include <cstring>


// 0x80..0x9F of Windows-1252; undefined positions keep their C1 code point.
static const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Whether any byte has its top bit set, or any character is beyond ASCII,
// looked at eight bytes at a time.
static bool AnyHigh(const void *data, size_t bytes, quint64 highBits)
{
    const char *p = static_cast<const char *>(data);
    quint64 any = 0;
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        any |= word;
    }
    if (i < bytes) {
        quint64 word = 0;
        std::memcpy(&word, p + i, bytes - i);
        any |= word;
    }
    return (any & highBits) != 0;
}

QChar AnsiToChar(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kHigh[byte - 0x80]);
    return QChar(char16_t(byte));
}

static int AnsiByte(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

unsigned char CharToAnsi(QChar ch)
{
    const int b = AnsiByte(ch);
    return b < 0 ? '?' : static_cast<unsigned char>(b);
}

bool IsAnsiChar(QChar ch) { return AnsiByte(ch) >= 0; }

void AppendAnsi(QString &text, const char *bytes, int length)
{
    // Meter text is nearly always plain: Latin-1 agrees with Windows-1252
    // everywhere but 0x80..0x9F, so convert in bulk and mend those few.
    const qsizetype at = text.size();
    text.append(QLatin1String(bytes, length));
    if (length > 0 && AnyHigh(bytes, size_t(length), 0x8080808080808080ull)) {
        QChar *out = text.data() + at;
        for (int i = 0; i < length; ++i)
            out[i] = AnsiToChar(static_cast<unsigned char>(bytes[i]));
    }
}

QString AnsiToString(const char *bytes, int length)
{
    QString s;
    AppendAnsi(s, bytes, length);
    return s;
}

QString AnsiToString(const QByteArray &bytes) { return AnsiToString(bytes.constData(), int(bytes.size())); }

QByteArray StringToAnsi(const QString &text)
{
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype n = text.size();
    if (!AnyHigh(in, size_t(n) * 2, 0xFF80FF80FF80FF80ull))
        return text.toLatin1(); // plain ASCII: one bulk pass
    QByteArray b(n, Qt::Uninitialized);
    char *out = b.data();
    for (qsizetype i = 0; i < n; ++i)
        out[i] = static_cast<char>(CharToAnsi(QChar(in[i])));
    return b;
}
