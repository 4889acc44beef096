// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One angle (latitude, longitude or magnetic variation) held both as signed
// decimal degrees and as degrees, minutes, tenths of seconds and a
// hemisphere letter, kept in step on a grid of a tenth of an arc-second.
#include <QString>
#include <QtGlobal>

class clsCoordinate
{
public:
    enum Type { Untyped = 0, Latitude = 1, Longitude = 2, Variation = 3 };

    clsCoordinate(); // value 0, untyped, clean

    // Sets the kind; letters, zero hemisphere and limits follow, and the
    // degrees/minutes/seconds are derived again from the value.
    void setTypeId(qint32 coTypeId);
    qint32 TypeId() const { return m_typeId; }

    // Signed decimal degrees, positive north/east. Setting derives the
    // degrees/minutes/seconds; a magnitude of 32768 degrees or more (or a
    // value that is not a finite number) is refused: false, nothing changes.
    double value() const { return m_value; }
    bool setvalue(double v);

    // Setting one of these stores it as given (no normalising, no range
    // check) and derives the value from all four.
    qint16 Degrees() const { return m_degrees; }
    void setDegrees(qint16 wValue);
    qint16 Minutes() const { return m_minutes; }
    void setMinutes(qint16 wValue);
    float Seconds() const { return m_seconds; }
    void setSeconds(float wValue);
    qint32 Hemisphere() const { return m_hemisphere; } // 0 north/east, 1 south/west
    void setHemisphere(qint32 coValue);

    // Largest values the editor accepts.
    qint16 DegreesMax() const { return m_degreesMax; }
    float SecondsMax() const { return m_secondsMax; }

    // Letter of the current hemisphere ("" when untyped).
    QString szHemisphere() const;
    // Letter i (0 or 1) of the type; any other index: "" and *ok false.
    QString szHemispheres(qint16 i, bool *ok = nullptr) const;

    // Seconds alone: "0.0" with bit 2 of Options, otherwise whole ("0").
    QString szSeconds(qint32 Options = 0) const;
    // Degrees, minutes, seconds and letter (option bits of dms::Options).
    QString szDMS(qint32 Options = 0) const;

    // Changed since the last snapshot (writing false takes one; true does nothing).
    bool fDirty() const;
    void setfDirty(bool fNewValue);

    // Gives Destination this value; it keeps its own type. False when the
    // value cannot be split (only after out-of-range degrees/minutes/seconds).
    bool Copy(clsCoordinate &Destination) const;

private:
    void DeriveValue();

    qint32 m_typeId = 0;
    double m_value = 0;
    qint16 m_degrees = 0;
    qint16 m_minutes = 0;
    float m_seconds = 0;
    qint32 m_hemisphere = 0;
    QString m_letters[2];
    qint32 m_zeroHemisphere = 1;
    qint16 m_degreesMax = 90;
    float m_secondsMax = 0;

    // Snapshot for fDirty.
    double m_savedValue = 0;
    qint32 m_savedTypeId = 0;
    qint16 m_savedDegrees = 0;
    qint16 m_savedMinutes = 0;
    float m_savedSeconds = 0;
};
