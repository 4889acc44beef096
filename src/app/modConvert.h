#pragma once
// The one lenient text-to-number conversion used for meter replies, typed
// fields and stored settings: blanks around the number are ignored, the
// regional decimal point and thousands separators are accepted (the plain
// "." decimal point as well), integers round to nearest with halves to even,
// and text that is not a number or lies outside the target's range fails.
#include <QString>
#include <QtGlobal>

bool ToDouble(const QString &text, double *value);
bool ToInt16(const QString &text, qint16 *value);
bool ToInt32(const QString &text, qint32 *value);

// Plain decimal forms: a minus sign when negative, no thousands separators.
QString IntText(qint64 value);
// Fixed point with exactly `decimals` digits after a "." and at least one
// integer digit; rounded to nearest (halves away from zero).
QString FixedText(double value, int decimals);
