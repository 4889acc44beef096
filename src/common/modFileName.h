// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names as the system knows them. Qt holds names as text and opens
// files by text, so a name that is not valid text in the system's encoding
// (a byte 0xFF from another system or an old download) reads back with
// replacement characters and no longer opens. Every input path opens its
// file here, by the name's own bytes.
#include <QByteArray>
#include <QList>
#include <QString>

class QFile;

// Names the program was given as bytes (the command line's arguments): a
// text name that reads as one of them means those bytes.
void RememberNativeNames(const QList<QByteArray> &names);
// The program's arguments as such names, and the value of each "--name=value".
void RememberNativeArguments(int argc, char **argv);

// The bytes of the file the name stands for: a remembered name's own bytes;
// else, for a name with replacement characters, the folder entries that
// read as it (the first one when several do); else the name encoded.
QByteArray NativeFileName(const QString &name);

// Opens `file` for reading under the name's own bytes. On failure returns
// false with the system's reason in *error.
bool OpenForReading(QFile &file, const QString &name, QString *error);

// True when `output` is the file `input` itself: the same name, another
// form of it, a symbolic or a hard link. False when either does not exist.
bool IsSameFile(const QString &input, const QString &output);
