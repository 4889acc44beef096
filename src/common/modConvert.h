// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one lenient text-to-number conversion. Blanks around the number are
// ignored, integers round to nearest with halves to even, and text that is
// not a number or lies outside the target's range fails. It reads one of
// two forms:
//
// - Plain: the meter's own form, "." as the decimal point and no thousands
//   separators, whatever the user's regional settings. Meter replies, record
//   fields, Tx lines, list cells, stored settings and the command line's
//   options are all read this way.
// - Typed: what the user types into a window. The plain form is tried
//   first, then the regional one (QLocale's default locale) with its decimal
//   separator and thousands separators. Under German settings "1,5" reads
//   1.5 and "1.000,5" reads 1000.5, while "1.125" reads 1.125, not 1125: a
//   "." without a regional decimal comma is taken as a decimal point, since
//   every typed field (degrees, minutes, seconds, a frequency in kHz) is
//   short enough that nobody groups its digits.
#include <QString>
#include <QtGlobal>

enum class NumberForm { Plain, Typed };

bool ToDouble(const QString &text, double *value, NumberForm form = NumberForm::Plain);
bool ToInt16(const QString &text, qint16 *value, NumberForm form = NumberForm::Plain);
bool ToInt32(const QString &text, qint32 *value, NumberForm form = NumberForm::Plain);

// A whole number written as one: ASCII digits with an optional leading
// minus, blanks around. For record numbers and ids, where a fraction or a
// separator ("1,000", "1.0000000000000001") must never round onto another
// record.
bool ToWholeNumber(const QString &text, qint32 *value);

// Plain decimal forms: a minus sign when negative, no thousands separators.
QString IntText(qint64 value);
// Fixed point with exactly `decimals` digits after a "." and at least one
// integer digit; rounded to nearest (halves away from zero).
QString FixedText(double value, int decimals);
// `digits` significant digits in the fixed form ("0.00012346", "123.46",
// "123460"), never an exponent.
QString SignificantText(double value, int digits);
