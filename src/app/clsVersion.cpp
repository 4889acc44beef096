#include "app/clsVersion.h"
#include "app/globals.h"
#include "app/modConvert.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"

clsVersion::clsVersion() { setvalue(0); }

void clsVersion::setvalue(qint16 w)
{
    if (w != m_value) {
        m_value = w;
        emit VersionChanged();
    }
    switch (w) {
    case 0:
        setszVersion(QStringLiteral("Unknown"));
        flags = 0;
        break;
    case 1:
        setszVersion(QStringLiteral("Version 01"));
        flags = 0;
        break;
    case 2:
        setszVersion(QStringLiteral("Version 02"));
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

void clsVersion::setszVersion(const QString &text)
{
    if (m_guard)
        return;
    m_guard = true;
    m_szVersion = text;
    m_major = m_minor = m_build = 0;
    // A major or minor part that is not a whole number makes the text an
    // unsupported version rather than an error.
    bool bad = false;
    QString rest = text;
    int p = rest.indexOf(QLatin1Char('.'));
    if (p >= 0) {
        if (!ToInt16(rest.left(p), &m_major))
            bad = true;
        rest = rest.mid(p + 1);
        p = rest.indexOf(QLatin1Char('.'));
        if (p >= 0) {
            if (!ToInt16(rest.left(p), &m_minor))
                bad = true;
            rest = rest.mid(p + 1);
        }
    }
    if (!ToInt16(rest, &m_build))
        m_build = 0;

    const qint32 sum = qint32(m_major) + m_minor + m_build;
    if (sum == 0 && !bad) {
        setvalue(0);
    } else {
        setvalue(-1);
        if (!bad && m_major == 2 && m_minor == 2)
            setvalue(3);
        else if (!bad && m_major == 2 && m_minor == 3)
            setvalue(4);
        else
            emit VersionUnknown();
    }
    m_guard = false;
}

void OnConnected()
{
    gFsm->Reset();
    const QString reply = QueryVersion();
    if (!reply.isEmpty())
        gFsm->Version->setszVersion(reply);
}
