// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/clsVersion.h"
#include "common/modConvert.h"

clsVersion::clsVersion() { setvalue(0); }

void clsVersion::setvalue(qint16 w)
{
    if (w != m_value) {
        m_value = w;
        emit VersionChanged();
    }
    switch (w) {
    case 0:
        SetTextFromValue(QStringLiteral("Unknown"));
        flags = 0;
        break;
    case 1:
        SetTextFromValue(QStringLiteral("Version 01"));
        flags = 0;
        break;
    case 2:
        SetTextFromValue(QStringLiteral("Version 02"));
        flags = 1;
        break;
    case 3:
    case 4:
        flags = 3;
        break;
    default:
        break;
    }
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
        if (m_major == 2 && m_minor == 2)
            setvalue(3);
        else if (m_major == 2 && m_minor == 3)
            setvalue(4);
        else
            unknown = true;
    }
    m_readingText = false;
    // Raised once the text is read: its handler shows a message box, under
    // which a disconnection must still be able to clear the text.
    if (unknown)
        emit VersionUnknown();
}
