// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Degrees/minutes/seconds text for bare decimal-degree values, and the
// pieces that clsCoordinate shares with it.
#include <QString>
#include <QtGlobal>

// Option bits of FormatDMS and clsCoordinate::szDMS.
namespace dms {
enum Options {
    WholeSeconds = 1,   // " 00\"" (implies Minutes)
    TenthSeconds = 2,   // " 00.0\"" (implies Minutes; wins over WholeSeconds)
    Minutes = 4,        // " 00'"
    Latitude = 16,      // FormatDMS only: N/S letters, "#0°"; otherwise E/W, "##0°"
    LeadingZeros = 32,  // "00°" / "000°"
};
}

// One step of the grid: a tenth of an arc-second.
constexpr double kDmsStep = 1.0 / 36000.0;

// Splits the magnitude of `value` on the tenth-of-a-second grid (rounded
// half up). False when the whole degrees do not fit 16 bits or the value is
// not a finite number; the outputs are then untouched.
bool SplitDMS(double value, qint16 *degrees, qint16 *minutes, float *seconds);

// Builds the degrees/minutes/seconds text. `degreeWidth` is the digit count
// of the degrees pattern with leading zeros (2 for "#0°", 3 for "##0°"; 0
// for a bare number without the degree sign); `letter` ends the text.
QString DMSText(qint16 degrees, qint16 minutes, float seconds, int degreeWidth, qint32 options,
                const QString &letter);

// The value (a decimal-degree number or its text) as degrees, minutes and
// seconds. Text that is not a number, and values too large to split, come
// back as the input text.
QString FormatDMS(const QString &value, qint32 options);
QString FormatDMS(double value, qint32 options);
