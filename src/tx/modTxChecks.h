// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checks of a Tx entry's typed fields, shared by the editor window and
// the command-line tool so that both accept and refuse exactly the same
// text. Each check takes the typed text, puts the normalised text back in
// it, and returns what it found (TxFieldCheck); the words for the user are
// chosen at the top of the program (TxWords).
// Numbers are read in the typed form of a window, or in the plain form that
// the command line takes whatever the user's regional settings.
#include "common/modConvert.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class clsCoordinate;

// What a check found: Accepted, or the problem and what its words need.
struct TxFieldCheck
{
    enum Problem {
        Accepted,
        CallSign,         // not 1 to 8 of the allowed characters
        FrequencyPoint,   // a decimal point or comma
        FrequencyLetters, // not a number
        FrequencyHigh,    // above 9999
        FrequencyLow,     // below 0
        Range,            // a coordinate box outside 0..limit
        Hemisphere,       // neither of the row's two letters
    };
    Problem problem = Accepted;
    int box = 0;             // Range: 0 degrees, 1 minutes, 2 seconds
    double limit = 0;        // Range: the box's largest value
    QStringList hemispheres; // Hemisphere: the row's two letters
    bool ok() const { return problem == Accepted; }
};

// Call sign and site: trailing blanks removed, upper case; 1 to 8 of A-Z,
// 0-9, blank, "_" and "-". Leading blanks stay and count.
TxFieldCheck CheckCallSign(QString &szText);

// Frequency in kHz: a whole number from 0 to 9999. The tests run in order
// and the last one that fails is the one told. *wValue gets the number
// when the text is accepted.
TxFieldCheck CheckFrequency(QString &szText, qint16 *wValue = nullptr, NumberForm form = NumberForm::Typed);

// One box of a coordinate row (0 degrees, 1 minutes, 2 seconds, 3
// hemisphere letter). On success the coordinate takes the value and
// szText shows it as the coordinate holds it; *wHemisphere gets the
// letter's index for box 3. A box that would take the whole angle past its
// limit (beyond 90° or 180°) fails as the degrees box does. On failure
// nothing changes but the text's surrounding blanks (box 3: also its case).
TxFieldCheck ValidateDMS(clsCoordinate &co, int wBox, QString &szText, qint32 *wHemisphere = nullptr,
                         NumberForm form = NumberForm::Typed);

// The modulations an entry can take, in the order the editor lists them.
QStringList TxModulations();
