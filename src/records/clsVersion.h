// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QObject>
#include <QString>

// What a firmware's feature bits say.
enum FirmwareFlag : qint32 {
    // A saved record carries "Tx Lat/Long Valid" (field 29): when FALSE, the
    // distance and azimuth to the Tx are masked.
    kTxPositionValid = 1,
    // The meter takes new and changed Tx entries ("U," and "X,"): the Tx
    // windows offer New, Edit and Import, the command-line tool add, edit
    // and restore.
    kTxChanges = 2,
};

// What the program does with one firmware version; everything that depends
// on the version reads it here.
struct FirmwareProfile
{
    qint16 value;          // the version code
    const char *text;      // the version text the code stands for; null: the text read stays
    qint16 major, minor;   // the firmware text "major.minor.build" that selects it; 0: none does
    bool fSupported;       // false: the meter's commands are off and the user is asked to update
    bool fLearnLayout;     // no version known: each reading learns the saved record's length anew
    qint16 wSavedFields;   // fields of a saved record while no record's own length is known
    qint16 wLearntFrom;    // a saved record this long, read with no version known, means this code or later; 0: none
    qint16 wTxFields;      // fields of a Tx line (the 8th: the modulation)
    bool fModulation;      // the Tx editor offers a modulation
    qint32 flags;          // FirmwareFlag bits
};

// Every version code, in rising order; a code not listed reads as -1.
const QList<FirmwareProfile> &FirmwareProfiles();
const FirmwareProfile &ProfileOf(qint16 value);

// The meter's firmware version: the text, the version code and feature bits.
class clsVersion : public QObject
{
    Q_OBJECT
public:
    clsVersion();

    // FirmwareFlag bits of the profile, set with the code.
    qint32 flags() const { return m_flags; }

    const FirmwareProfile &Profile() const { return ProfileOf(m_value); }

    QString szVersion() const { return m_szVersion; }
    void setszVersion(const QString &text);

    // -1 unsupported, 0 none, 1 and 2 older layouts, 3 firmware 2.2, 4
    // firmware 2.3 (see FirmwareProfiles).
    qint16 value() const { return m_value; }
    void setvalue(qint16 w);

signals:
    void VersionChanged();
    void VersionUnknown();

private:
    void SetTextFromValue(const QString &text);

    QString m_szVersion;
    qint16 m_value = 0;
    qint32 m_flags = 0;
    qint16 m_major = 0, m_minor = 0, m_build = 0;
    bool m_readingText = false; // setszVersion: setvalue keeps the text given
};
