// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>

// The meter's firmware version: the text, the version code and feature bits.
class clsVersion : public QObject
{
    Q_OBJECT
public:
    clsVersion();

    // Feature bits: 0, 1 or 3; bit 0 = saved records carry "Tx Lat/Long Valid".
    qint32 flags = 0;

    QString szVersion() const { return m_szVersion; }
    void setszVersion(const QString &text);

    // -1 unsupported, 0 none, 1 and 2 older layouts, 3 firmware 2.2, 4 firmware 2.3.
    qint16 value() const { return m_value; }
    void setvalue(qint16 w);

signals:
    void VersionChanged();
    void VersionUnknown();

private:
    void SetTextFromValue(const QString &text);

    QString m_szVersion;
    qint16 m_value = 0;
    qint16 m_major = 0, m_minor = 0, m_build = 0;
    bool m_readingText = false; // setszVersion: setvalue keeps the text given
};
