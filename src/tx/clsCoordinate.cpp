// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/clsCoordinate.h"
#include "common/modConvert.h"
#include "tx/modCoordinates.h"

#include <cmath>

namespace {

// What each kind of angle brings: its hemisphere letters (0 north/east,
// 1 south/west), the hemisphere of 0, the editor's limits and the width
// of the degrees in the DMS text.
struct AngleKind
{
    qint32 typeId;
    const char *letters[2];
    qint32 zeroHemisphere;
    qint16 degreesMax;
    float secondsMax;
    int dmsWidth;
};

const AngleKind kKinds[] = {
    {clsCoordinate::Latitude, {"N", "S"}, 0, 90, 59.9f, 2},
    {clsCoordinate::Longitude, {"E", "W"}, 1, 180, 59.9f, 3},
    {clsCoordinate::Variation, {"E", "W"}, 1, 180, 59.0f, 2},
};

// Null for an untyped angle (or an unknown type).
const AngleKind *KindOf(qint32 typeId)
{
    for (const AngleKind &kind : kKinds)
        if (kind.typeId == typeId)
            return &kind;
    return nullptr;
}

} // namespace

clsCoordinate::clsCoordinate()
{
    setvalue(0);
    setTypeId(Untyped);
}

void clsCoordinate::setTypeId(qint32 coTypeId)
{
    m_typeId = coTypeId;
    if (const AngleKind *kind = KindOf(coTypeId)) {
        m_letters[0] = QLatin1String(kind->letters[0]);
        m_letters[1] = QLatin1String(kind->letters[1]);
        m_zeroHemisphere = kind->zeroHemisphere;
        m_degreesMax = kind->degreesMax;
        m_secondsMax = kind->secondsMax;
    } else { // untyped: the seconds limit stays as it was
        m_letters[0].clear();
        m_letters[1].clear();
        m_zeroHemisphere = 1;
        m_degreesMax = 90;
    }
    // Fails only for a value derived from out-of-range degrees/minutes/
    // seconds; those are then kept as they are.
    setvalue(m_value);
}

bool clsCoordinate::setvalue(double v)
{
    qint16 d = 0, m = 0;
    float s = 0;
    if (!SplitDMS(v, &d, &m, &s))
        return false;
    m_value = v;
    // Only a value that is zero on the grid takes the zero hemisphere: one
    // that shows 00.1" keeps its side, or it would be sent back mirrored.
    if (d == 0 && m == 0 && s == 0.0f)
        m_hemisphere = m_zeroHemisphere;
    else
        m_hemisphere = v > 0 ? 0 : 1;
    m_degrees = d;
    m_minutes = m;
    m_seconds = s;
    return true;
}

void clsCoordinate::DeriveValue()
{
    double v = m_degrees + (m_minutes + double(m_seconds) / 60.0) / 60.0;
    // Zero on the grid (below half a step); a tenth of a second keeps its side.
    if (std::fabs(v) < kDmsStep / 2) {
        m_hemisphere = m_zeroHemisphere;
        v = 0;
    }
    if (m_hemisphere == 1)
        v = -v;
    m_value = v;
}

void clsCoordinate::setDegrees(qint16 wValue)
{
    m_degrees = wValue;
    DeriveValue();
}

void clsCoordinate::setMinutes(qint16 wValue)
{
    m_minutes = wValue;
    DeriveValue();
}

void clsCoordinate::setSeconds(float wValue)
{
    m_seconds = wValue;
    DeriveValue();
}

void clsCoordinate::setHemisphere(qint32 coValue)
{
    m_hemisphere = coValue;
    DeriveValue();
}

QString clsCoordinate::szHemisphere() const { return szHemispheres(qint16(m_hemisphere)); }

QString clsCoordinate::szHemispheres(qint16 i, bool *ok) const
{
    const bool good = i == 0 || i == 1;
    if (ok)
        *ok = good;
    return good ? m_letters[i] : QString();
}

QString clsCoordinate::szSeconds(qint32 Options) const
{
    return FixedText(double(m_seconds), (Options & dms::TenthSeconds) ? 1 : 0);
}

QString clsCoordinate::szDMS(qint32 Options) const
{
    const AngleKind *kind = KindOf(m_typeId);
    const int width = kind ? kind->dmsWidth : 0; // untyped: a bare number
    return DMSText(m_degrees, m_minutes, m_seconds, width, Options, szHemisphere());
}

bool clsCoordinate::fDirty() const
{
    return !(std::fabs(m_value - m_savedValue) <= kDmsStep && m_typeId == m_savedTypeId
             && m_degrees == m_savedDegrees && m_minutes == m_savedMinutes && m_seconds == m_savedSeconds);
}

void clsCoordinate::setfDirty(bool fNewValue)
{
    if (fNewValue)
        return; // dirtiness is computed, never stored
    m_savedValue = m_value;
    m_savedTypeId = m_typeId;
    m_savedDegrees = m_degrees;
    m_savedMinutes = m_minutes;
    m_savedSeconds = m_seconds;
}

bool clsCoordinate::Copy(clsCoordinate &Destination) const { return Destination.setvalue(m_value); }
