// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/clsVersion.h"
#include "common/modConvert.h"

const QList<FirmwareProfile> &FirmwareProfiles()
{
    // clang-format off
    static const QList<FirmwareProfile> table = {
        // code  text          firmware  supported learn  saved learnt Tx  modulation  flags
        {-1, nullptr,          0, 0,     false,    false, 29,   0,     7,  true,       0},
        { 0, "Unknown",        0, 0,     true,     true,  29,   0,     7,  false,      0},
        { 1, "Version 01",     0, 0,     true,     false, 29,   29,    7,  false,      0},
        { 2, "Version 02",     0, 0,     true,     false, 29,   30,    7,  false,      kTxPositionValid},
        { 3, nullptr,          2, 2,     true,     false, 30,   31,    7,  false,      kTxPositionValid | kTxChanges},
        { 4, nullptr,          2, 3,     true,     false, 31,   0,     8,  true,       kTxPositionValid | kTxChanges},
    };
    // clang-format on
    return table;
}

const FirmwareProfile &ProfileOf(qint16 value)
{
    const QList<FirmwareProfile> &table = FirmwareProfiles();
    for (const FirmwareProfile &p : table)
        if (p.value == value)
            return p;
    return table.front(); // unsupported
}

clsVersion::clsVersion() { setvalue(0); }

void clsVersion::setvalue(qint16 w)
{
    if (w != m_value) {
        m_value = w;
        emit VersionChanged();
    }
    const FirmwareProfile &p = ProfileOf(w);
    if (p.value != w)
        return; // no such code: nothing else changes
    if (p.text)
        SetTextFromValue(QString::fromLatin1(p.text));
    m_flags = p.flags;
}

// A text named after the code is stored as it is: reading it back as a
// version would turn "Version 02" (no numbers with dots) into code 0.
// While a text is being read, the text given is kept.
void clsVersion::SetTextFromValue(const QString &text)
{
    if (!m_readingText)
        m_szVersion = text;
}

void clsVersion::setszVersion(const QString &text)
{
    m_readingText = true;
    m_szVersion = text;
    m_major = m_minor = m_build = 0;
    // A part that is not a whole number counts as 0.
    QString rest = text;
    int p = int(rest.indexOf(QLatin1Char('.')));
    if (p >= 0) {
        ToInt16(rest.left(p), &m_major);
        rest = rest.mid(p + 1);
        p = int(rest.indexOf(QLatin1Char('.')));
        if (p >= 0) {
            ToInt16(rest.left(p), &m_minor);
            rest = rest.mid(p + 1);
        }
    }
    ToInt16(rest, &m_build);

    bool unknown = false;
    if (qint32(m_major) + m_minor + m_build == 0) {
        setvalue(0);
    } else {
        setvalue(-1);
        unknown = true;
        for (const FirmwareProfile &p : FirmwareProfiles()) {
            if (p.major != 0 && p.major == m_major && p.minor == m_minor) {
                setvalue(p.value);
                unknown = false;
            }
        }
    }
    m_readingText = false;
    // Raised once the text is read: its handler shows a message box, under
    // which a disconnection must still be able to clear the text.
    if (unknown)
        emit VersionUnknown();
}
