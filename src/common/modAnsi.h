// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one conversion between the meter's single-byte text (Windows-1252) and
// the program's strings. It is lossless: every byte maps to one character and
// back to the same byte, including the five bytes that Windows-1252 leaves
// undefined (they map to U+0081, U+008D, U+008F, U+0090 and U+009D).
#include <QByteArray>
#include <QString>

QChar AnsiToChar(unsigned char byte);
// The byte for a character; characters outside the code page become '?'.
unsigned char CharToAnsi(QChar ch);
bool IsAnsiChar(QChar ch);

QString AnsiToString(const QByteArray &bytes);
QString AnsiToString(const char *bytes, int length);
// Appends the converted bytes to text (no temporary string).
void AppendAnsi(QString &text, const char *bytes, int length);
QByteArray StringToAnsi(const QString &text);
